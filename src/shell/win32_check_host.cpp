#include "shell/win32_check_host.h"

#include "common/win32_message_box.h"
#include "settings/options.h"
#include "shell/message_routes.h"
#include "shell/program.h"

namespace zorvane {

void Win32CheckHost::SetWatchdog() { SetTimer(program_.mainWindow, kWatchdogTimer, kWatchdogPeriodMs, nullptr); }

void Win32CheckHost::KillWatchdog() { KillTimer(program_.mainWindow, kWatchdogTimer); }

void Win32CheckHost::ShowAbortMessage() {
  ShowMessageBox(program_.mainWindow, "メールチェックを中断しました。", "セッション中断", MessageIcon::Information);
}

void Win32CheckHost::Announce() {
  // Without ball windows every mode goes straight to the results.
  if (DisplayModeOf(program_.settings.options) == DisplayMode::BallsOnly) {
    program_.cycle.ResetCheckResults();
  } else {
    program_.resultDialog.Show(program_.instance, program_.mainWindow);
  }
}

void Win32CheckHost::EndAnnouncement() { program_.resultDialog.End(); }

}  // namespace zorvane
