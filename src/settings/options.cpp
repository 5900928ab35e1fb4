#include "settings/options.h"

namespace zorvane {

DisplayMode DisplayModeOf(const CheckOptions& options) {
  switch (options.ChkOpti) {
    case 1: return DisplayMode::BallsOnly;
    case 2: return DisplayMode::DialogOnly;
    default: return DisplayMode::BallsAndDialog;
  }
}

unsigned AutoCheckPeriodMs(const CheckOptions& options) {
  if (options.IsChk == 0) return 0;
  // A period outside what the settings dialog accepts (say 0 from a
  // hand-edited registry) would make the timer fire continuously.
  int minutes = options.ChkTime;
  if (minutes < kMinCheckMinutes) minutes = kMinCheckMinutes;
  if (minutes > kMaxCheckMinutes) minutes = kMaxCheckMinutes;
  return static_cast<unsigned>(minutes) * 60000u;
}

}  // namespace zorvane
