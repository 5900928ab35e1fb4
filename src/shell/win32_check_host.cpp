#include "shell/win32_check_host.h"

#include "common/win32_message_box.h"
#include "shell/message_routes.h"
#include "shell/program.h"
#include "shell/tray_icon.h"

namespace zorvane {

void Win32CheckHost::SetWatchdog() { SetTimer(program_.mainWindow, kWatchdogTimer, kWatchdogPeriodMs, nullptr); }

void Win32CheckHost::KillWatchdog() { KillTimer(program_.mainWindow, kWatchdogTimer); }

void Win32CheckHost::ShowAbortMessage() {
  ShowMessageBox(program_.mainWindow, "メールチェックを中断しました。", "セッション中断", MessageIcon::Information);
}

void Win32CheckHost::Announce() {
  // First: the announcement may end at once, and the results with it.
  SYSTEMTIME now;
  GetLocalTime(&now);
  program_.tray.CheckFinished(program_.settings, program_.cycle, {now.wHour, now.wMinute});
  ShowTrayIcon(program_.mainWindow, NIM_MODIFY, program_.trayPictures, program_.tray);
  program_.announcement.Start(program_.mainWindow);
}

void Win32CheckHost::EndAnnouncement() { program_.announcement.End(); }

void Win32CheckHost::RememberStartTls(int n) { program_.store.RememberStartTls(program_.mainWindow, n); }

void Win32CheckHost::SaveSeenMark(int n, const char* mark) {
  program_.store.SaveSeenMark(program_.mainWindow, n, mark);
}

}  // namespace zorvane
