#include "shell/check_host.h"

#include "display/result_dialog.h"
#include "shell/message_box.h"
#include "shell/message_routes.h"

namespace zorvane {

void Win32CheckHost::BeginLookup(int n) { transport_.BeginLookup(program_.mainWindow, n); }

void Win32CheckHost::CloseAllSessions() { transport_.CloseAll(); }

void Win32CheckHost::SetWatchdog() { SetTimer(program_.mainWindow, kWatchdogTimer, kWatchdogPeriodMs, nullptr); }

void Win32CheckHost::KillWatchdog() { KillTimer(program_.mainWindow, kWatchdogTimer); }

void Win32CheckHost::ShowAbortMessage() {
  ShowMessageBox(program_.mainWindow, "メールチェックを中断しました。", "セッション中断", MessageIcon::Information);
}

void Win32CheckHost::EndResultDialog() { zorvane::EndResultDialog(); }

void Win32CheckHost::EndBallWindows() {
  // No ball window is ever opened yet.
}

void Win32CheckHost::LaunchBalls() {
  // Without ball windows the announcement goes straight to the results.
  cycle_.ShowCheckResults();
}

void Win32CheckHost::OpenResultDialog() { zorvane::OpenResultDialog(program_.instance, program_.mainWindow, cycle_); }

}  // namespace zorvane
