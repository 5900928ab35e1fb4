#pragma once
// What the tray icon tells between checks: its tip gives the last finished
// check's results in the result dialog's words, its picture whether mail waits.
#include <cstddef>

#include "mail/check_cycle.h"
#include "settings/settings.h"

namespace zorvane {

// What a tip holds before its terminator, in UTF-16 code units.
constexpr std::size_t kTrayTipUnits = 127;

struct ClockTime {
  int hour;
  int minute;
};

class TrayStatus {
 public:
  // The cycle's results are final; finished is the local time.
  void CheckFinished(const Settings& settings, const CheckCycle& cycle, ClockTime finished);

  // UTF-8, at most kTrayTipUnits units.
  const char* tip() const { return tip_; }
  // The last check that reached some account found mail there.
  bool mailWaiting() const;

 private:
  bool mailWaiting_[kAccountCount] = {};
  // A UTF-16 unit takes at most three bytes in UTF-8.
  char tip_[kTrayTipUnits * 3 + 1] = "Zorvane Ver.1.1";
};

}  // namespace zorvane
