#include "display/announcement.h"

namespace zorvane {

AnnouncementStep Announcement::Start(DisplayMode mode, const std::int32_t (&counts)[kAccountCount]) {
  mode_ = mode;
  for (int i = 0; i < kAccountCount; ++i) counts_[i] = counts[i];
  if (mode == DisplayMode::DialogOnly) return {AnnouncementStep::Kind::ResultDialog, {}};
  return Next(launcher_.Start(counts_));
}

BallMove Announcement::Tick(int account, int ordinal, ScreenSize screen) {
  return TickBall(balls_[account - 1], screen, account, ordinal);
}

AnnouncementStep Announcement::BallStopped(int account, int ordinal) {
  return Next(launcher_.BallStopped(account, ordinal, counts_));
}

AnnouncementStep Announcement::Next(const BallLaunch& launch) {
  if (!launch.results) {
    balls_[launch.account - 1].Size = launch.size;
    return {AnnouncementStep::Kind::Ball, launch};
  }
  // With balls only, the announcement ends the moment the last ball rests.
  return {mode_ == DisplayMode::BallsOnly ? AnnouncementStep::Kind::End : AnnouncementStep::Kind::ResultDialog, {}};
}

void Announcement::Reset(ScreenSize screen) {
  launcher_.BallCounter = 0;
  for (BallState& ball : balls_) ball = {screen.width, 0, 0};
}

void Announcement::Rescale(ScreenSize from, ScreenSize to) {
  if (from.width <= 0 || from.height <= 0) return Reset(to);
  for (BallState& ball : balls_) {
    ball.PosX = ball.PosX * to.width / from.width;
    ball.PosY = ball.PosY * to.height / from.height;
  }
}

}  // namespace zorvane
