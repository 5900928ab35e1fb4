#pragma once
// What the global options mean: the display mode and the automatic check's period.
#include "settings/settings.h"

namespace zorvane {

constexpr int kMinCheckMinutes = 5;
constexpr int kMaxCheckMinutes = 99;

enum class DisplayMode { BallsAndDialog, BallsOnly, DialogOnly };

// ChkOpti 1 and 2 choose balls only and the dialog only; any other number
// means both.
DisplayMode DisplayModeOf(const CheckOptions& options);

// The auto-check timer's period in milliseconds, or 0 when automatic checking
// is off. ChkTime is kept within 5 to 99 minutes.
unsigned AutoCheckPeriodMs(const CheckOptions& options);

}  // namespace zorvane
