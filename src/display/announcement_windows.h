#pragma once
// The windows of an announcement: the balls, one after another, and the
// result dialog, as Announcement decides. They all end together: when the
// announcement is over, and then the cycle is told; or when the cycle ends it.
#include <windows.h>

#include "display/announcement.h"
#include "display/ball_window.h"
#include "display/result_dialog.h"
#include "mail/check_cycle.h"

namespace zorvane {

class AnnouncementWindows final : public BallHandler, private ResultDialogHandler {
 public:
  AnnouncementWindows(HINSTANCE instance, const Settings& settings, CheckCycle& cycle, const ScreenSize& screen)
      : instance_(instance),
        settings_(settings),
        cycle_(cycle),
        screen_(screen),
        announcement_(screen),
        resultDialog_(settings, cycle, *this) {}

  // The cycle's results are final.
  void Start(HWND owner);
  // Every ball and the result dialog go; the next announcement starts afresh.
  // The cycle's own request: it is not told.
  void End();
  // The screen given at construction now has a new size.
  void OnScreenChanged(ScreenSize from) { announcement_.Rescale(from, screen_); }
  bool TranslateMessage(MSG* message) const { return resultDialog_.TranslateMessage(message); }

  BallMove Tick(int account, int ordinal) override { return announcement_.Tick(account, ordinal, screen_); }
  void Stopped(int account, int ordinal) override { Show(announcement_.BallStopped(account, ordinal)); }

 private:
  void Show(AnnouncementStep step);
  // The announcement is over by itself: its windows go, then the cycle hears of it.
  void Finish();
  void ResultDialogClosed() override { Finish(); }

  HINSTANCE instance_;
  const Settings& settings_;
  CheckCycle& cycle_;
  const ScreenSize& screen_;
  HWND owner_ = nullptr;
  Announcement announcement_;
  BallWindow balls_[kAccountCount][4];
  ResultDialog resultDialog_;
};

}  // namespace zorvane
