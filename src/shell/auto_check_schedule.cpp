#include "shell/auto_check_schedule.h"

#include <utility>

#include "settings/options.h"

namespace zorvane {

void AutoCheckSchedule::Stop() {
  running_ = false;
  settling_ = false;
  timer_.Stop();
}

void AutoCheckSchedule::Start(unsigned periodMs) {
  running_ = true;
  settling_ = false;
  timer_.Start(periodMs);
}

void AutoCheckSchedule::OnResume() {
  // Automatic checking is off, or the general settings dialog holds it.
  if (!running_) return;
  // Its connections did not live through the sleep; the check to come replaces it.
  if (cycle_.phase() == CheckPhase::Checking) cycle_.Shutdown();
  settling_ = true;
  timer_.Start(kResumeSettleMs);
}

void AutoCheckSchedule::OnTick() {
  if (std::exchange(settling_, false)) {
    timer_.Start(AutoCheckPeriodMs(options_));
    // A check the user started after the resume is the one that was due.
    if (cycle_.phase() == CheckPhase::Checking) return;
  }
  cycle_.OnTimerTick();
}

}  // namespace zorvane
