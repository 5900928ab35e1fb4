#pragma once
// What the display shows after a check, one step at a time: the balls unless
// the mode is dialog only, then the result dialog unless it is balls only.
// The windows are the caller's; this only decides.
#include <cstdint>

#include "display/ball_launcher.h"
#include "display/ball_path.h"
#include "settings/options.h"

namespace zorvane {

struct AnnouncementStep {
  enum class Kind { Ball, ResultDialog, End };
  Kind kind;
  BallLaunch ball;  // for Kind::Ball
};

class Announcement {
 public:
  // Every ball starts at the right edge.
  explicit Announcement(ScreenSize screen) { Reset(screen); }

  AnnouncementStep Start(DisplayMode mode, const std::int32_t (&counts)[kAccountCount]);
  // One tick of the ball in flight.
  BallMove Tick(int account, int ordinal, ScreenSize screen);
  // The ball that just stopped hands over.
  AnnouncementStep BallStopped(int account, int ordinal);
  // The announcement has ended, or is ended.
  void Reset(ScreenSize screen);
  // The display's resolution changed (from nothing when it is first read):
  // balls keep their place on their path.
  void Rescale(ScreenSize from, ScreenSize to);

  const BallState& ball(int account) const { return balls_[account - 1]; }

 private:
  AnnouncementStep Next(const BallLaunch& launch);

  DisplayMode mode_ = DisplayMode::BallsAndDialog;
  std::int32_t counts_[kAccountCount] = {};
  BallLauncher launcher_;
  BallState balls_[kAccountCount] = {};
};

}  // namespace zorvane
