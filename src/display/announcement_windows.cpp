#include "display/announcement_windows.h"

namespace zorvane {

void AnnouncementWindows::Start(HWND owner) {
  owner_ = owner;
  std::int32_t counts[kAccountCount];
  for (int n = 1; n <= kAccountCount; ++n) counts[n - 1] = AnnouncedCount(cycle_.result(n));
  Show(announcement_.Start(DisplayModeOf(settings_.options), counts));
}

void AnnouncementWindows::Show(AnnouncementStep step) {
  // A ball whose window cannot be made is passed over like one that rested.
  while (step.kind == AnnouncementStep::Kind::Ball) {
    const BallLaunch& ball = step.ball;
    if (balls_[ball.account - 1][ball.ordinal - 1].Open(instance_, owner_, ball.account, ball.ordinal, ball.size,
                                                        *this)) {
      return;
    }
    step = announcement_.BallStopped(ball.account, ball.ordinal);
  }
  if (step.kind == AnnouncementStep::Kind::ResultDialog) {
    resultDialog_.Open(instance_, owner_);
  } else {
    Finish();
  }
}

void AnnouncementWindows::Finish() {
  End();
  cycle_.ResetCheckResults();
}

void AnnouncementWindows::End() {
  for (auto& account : balls_) {
    for (BallWindow& ball : account) ball.Close();
  }
  resultDialog_.Close();
  announcement_.Reset(screen_);
}

}  // namespace zorvane
