#include "display/ball_path.h"

namespace zorvane {

namespace {

// The arcs end one unit in the last place above 0.85 and at 0.65 of the width.
constexpr double kFirstArcEnd = 0.8500000000000001;
constexpr double kSecondArcEnd = 0.65;
// Where the balls of ordinals 1 to 4 stop: a row from left to right, in the
// order they arrived, a whole number of steps apart.
constexpr double kStopAt[4] = {0.55, 0.5750000000000001, 0.6, 0.625};
constexpr double kStep = 19;
constexpr double kRowSpacing = 32;  // each account's row above the previous one's

struct Arc {
  BallMove::Kind kind;
  double end;  // the arc lasts while x > end × W
  double P, Q, R, S;
};
// y / H = 40u² − 76u + 36.6, then 20u² − 30u + 11.95, for u = x / W.
constexpr Arc kArcs[] = {{BallMove::Kind::FirstArc, kFirstArcEnd, 40, 76, 183, 0.2},
                         {BallMove::Kind::SecondArc, kSecondArcEnd, 20, 30, 239, 0.05}};

// Evaluated in exactly this order: the positions are truncated, and another
// order of the same arithmetic can land on the other side of a whole pixel.
double Height(const Arc& arc, double x, ScreenSize screen, double offset) {
  const double W = screen.width;
  const double H = screen.height;
  return ((H / (W * W)) * (x * x)) * arc.P - ((H * x) * arc.Q) / W + (H * arc.R) * arc.S - offset;
}

}  // namespace

BallMove TickBall(BallState& ball, ScreenSize screen, int account, int ordinal) {
  const double x = ball.PosX;
  const double W = screen.width;
  for (const Arc& arc : kArcs) {
    if (x <= arc.end * W) continue;
    ball.PosY = Height(arc, x, screen, kRowSpacing * (account - 1));
    ball.PosX = x - kStep;
    return {arc.kind, static_cast<int>(x), static_cast<int>(ball.PosY), ball.PosX <= arc.end * W};
  }
  if (x > kStopAt[ordinal - 1] * W) {
    ball.PosX = x - kStep;
    return {BallMove::Kind::Roll, static_cast<int>(x), static_cast<int>(ball.PosY), false};
  }
  ball.PosX = W;
  return {BallMove::Kind::Stop, static_cast<int>(x), static_cast<int>(ball.PosY), false};
}

}  // namespace zorvane
