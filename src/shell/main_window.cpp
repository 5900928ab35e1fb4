#include "shell/main_window.h"

#include <winsock.h>

#include "mail/check_cycle.h"
#include "mail/winsock_transport.h"
#include "settings/settings_store.h"
#include "settings/win32_registry.h"
#include "settings/win32_settings_ui.h"
#include "shell/check_host.h"
#include "shell/message_routes.h"
#include "shell/program.h"
#include "shell/tray_icon.h"

namespace zorvane {

const char kMainClassName[] = "Zorvane11";

namespace {

// The check cycle, its network transport and the host that connects it to
// the window system refer to each other; they live for the whole process.
struct Checking {
  explicit Checking(Program& program)
      : cycle(program.settings, host), transport(cycle, program.settings), host(program, cycle, transport) {}
  CheckCycle cycle;
  WinsockTransport transport;
  Win32CheckHost host;
};

Program g_program;
Checking g_checking(g_program);
UINT g_taskbarCreatedMessage = 0;
bool g_ended = false;

void OnCreate(HWND window) {
  g_program.mainWindow = window;
  g_taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

  Win32Registry registry;
  Win32SettingsUi ui(g_program.instance);
  SettingsStore store(registry, ui, g_program.settings);
  store.CheckFirstStart(window);
  for (int n = 1; n <= kAccountCount; ++n) store.LoadAccount(window, n);

  AddTrayIcon(window, g_program.trayIcon);

  HDC dc = GetDC(window);
  g_program.ScreenWidth = GetDeviceCaps(dc, HORZRES);
  g_program.ScreenHeight = GetDeviceCaps(dc, VERTRES);
  ReleaseDC(window, dc);

  const CheckOptions& options = g_program.settings.options;
  if (options.IsChk != 0) SetTimer(window, kAutoCheckTimer, AutoCheckPeriodMs(options.ChkTime), nullptr);
}

void OnDestroy(HWND window) {
  if (g_ended) return;
  g_ended = true;
  RemoveTrayIcon(window, g_program.trayIcon);
  WSACleanup();
  KillTimer(window, kAutoCheckTimer);
  KillTimer(window, kWatchdogTimer);
  PostQuitMessage(0);
}

void OnCommand(HWND window, unsigned command) {
  switch (command) {
    case kCommandCheckMail: g_checking.cycle.CheckMail(); break;
    case kCommandAbort: g_checking.cycle.Abort(); break;
    case kCommandExit: SendMessageA(window, WM_DESTROY, 0, 0); break;
    default: break;  // the settings dialogs, version and help come later
  }
}

}  // namespace

Program& TheProgram() { return g_program; }

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_COMMAND: OnCommand(window, LOWORD(wParam)); return 0;
    case WM_TIMER: g_checking.cycle.OnTimerTick(); return 0;
    default: break;
  }
  const MessageRoute route = RouteMainMessage(message);
  switch (route.kind) {
    case MessageRoute::Tray:
      if (lParam == WM_RBUTTONDOWN) ShowTrayMenu(window, g_program.trayMenu);
      return 0;
    case MessageRoute::LookupDone: g_checking.transport.OnLookupDone(window, route.account, wParam, lParam); return 0;
    case MessageRoute::SocketEvent: g_checking.transport.OnSocketEvent(route.account, wParam, lParam); return 0;
    case MessageRoute::Other: break;
  }
  // Explorer restarted: its new taskbar knows nothing of the icon.
  if (g_taskbarCreatedMessage != 0 && message == g_taskbarCreatedMessage) {
    AddTrayIcon(window, g_program.trayIcon);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace zorvane
