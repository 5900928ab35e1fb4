#pragma once
// The flight of a ball: in from the right edge, two arcs with a bounce at the
// end of each, a roll to the left and the stop beside the account's earlier
// balls. The height is a function of x alone, and x falls by 19 pixels a tick.

namespace zorvane {

struct ScreenSize {
  double width;
  double height;
};

// One account's ball; its balls fly one after another, so one is enough.
struct BallState {
  double PosX;  // the window's left edge at the next tick
  double PosY;  // its top edge from the last arc tick; a rolling ball keeps it
  int Size;     // 16 or 32 pixels
};

struct BallMove {
  enum class Kind { FirstArc, SecondArc, Roll, Stop };
  Kind kind;
  int x, y;     // where the window goes; the window stays where it is on Stop
  bool bounce;  // the bounce sound plays after this move
};

// One tick of the ball of (account, ordinal), both 1 to 4. On Stop, PosX goes
// back to the right edge for the account's next ball.
BallMove TickBall(BallState& ball, ScreenSize screen, int account, int ordinal);

}  // namespace zorvane
