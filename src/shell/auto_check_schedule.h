#pragma once
// When automatic checks come: every period while automatic checking is on,
// except while the general settings dialog holds the timer; and after a
// resume from sleep, once the network is back, with the period counted from
// that check.
#include "dialogs/general_form.h"
#include "mail/check_cycle.h"
#include "settings/settings.h"

namespace zorvane {

// The network comes back a little after the machine.
constexpr unsigned kResumeSettleMs = 10000;

class AutoCheckSchedule final : public AutoCheckTimer {
 public:
  // timer: the main window's auto-check timer itself.
  AutoCheckSchedule(const CheckOptions& options, CheckCycle& cycle, AutoCheckTimer& timer)
      : options_(options), cycle_(cycle), timer_(timer) {}

  void Stop() override;
  void Start(unsigned periodMs) override;
  // Windows has resumed from sleep (PBT_APMRESUMEAUTOMATIC).
  void OnResume();
  // The auto-check timer has ticked.
  void OnTick();

 private:
  const CheckOptions& options_;
  CheckCycle& cycle_;
  AutoCheckTimer& timer_;
  bool running_ = false;   // started and not stopped since
  bool settling_ = false;  // the next tick is the check after a resume
};

}  // namespace zorvane
