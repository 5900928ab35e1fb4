#include "shell/main_window.h"

#include <winsock2.h>

#include "common/gdi_handles.h"
#include "resource_ids.h"
#include "settings/options.h"
#include "shell/message_routes.h"
#include "shell/program.h"
#include "shell/tray_icon.h"

namespace zorvane {

const char kMainClassName[] = "Zorvane11";

namespace {

void ReadScreenSize(Program& program, HWND window) {
  const ScreenSize before = program.screen;
  {
    WindowDc dc(window);
    program.screen = {static_cast<double>(GetDeviceCaps(dc.get(), HORZRES)),
                      static_cast<double>(GetDeviceCaps(dc.get(), VERTRES))};
  }
  program.announcement.OnScreenChanged(before);
}

void OnCreate(Program& program, HWND window) {
  program.mainWindow = window;
  program.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
  program.transport.Attach(window, kAccountMessages, kConnectionTimer);

  program.store.CheckFirstStart(window);
  for (int n = 1; n <= kAccountCount; ++n) program.store.LoadAccount(window, n);

  ShowTrayIcon(window, NIM_ADD, program.trayPictures, program.tray);
  ReadScreenSize(program, window);

  if (const unsigned period = AutoCheckPeriodMs(program.settings.options)) program.autoCheck.Start(period);
}

void OnDestroy(Program& program, HWND window) {
  // Exit is a WM_DESTROY sent by the program itself; the system's own comes
  // when WinMain destroys the window after the message loop.
  if (program.ended) return;
  program.ended = true;
  // Sessions closed and results dropped before WinSock goes: notifications
  // still queued then find nothing to continue, and no display opens.
  program.cycle.Shutdown();
  RemoveTrayIcon(window);
  WSACleanup();
  KillTimer(window, kAutoCheckTimer);
  KillTimer(window, kWatchdogTimer);
  PostQuitMessage(0);
}

void OnTimer(Program& program, WPARAM timer) {
  if (timer == kAutoCheckTimer) return program.autoCheck.OnTick();
  if (timer != kConnectionTimer) return program.cycle.OnTimerTick();
  if (auto ended = program.transport.OnTimerTick()) program.cycle.OnSessionEnded(program.transport.account(), *ended);
}

void OnCommand(Program& program, HWND window, unsigned command) {
  switch (command) {
    case ID_CHECK_MAIL: program.cycle.CheckMail(); break;
    case ID_ABORT: program.cycle.Abort(); break;
    case ID_EXIT: SendMessageA(window, WM_DESTROY, 0, 0); break;
    case ID_SERVER_SETTINGS: program.dialogs.server.Open(window); break;
    case ID_GENERAL_SETTINGS: program.dialogs.general.Open(window); break;
    case ID_VERSION: program.dialogs.version.Open(window); break;
    case ID_HELP: program.dialogs.OpenHelp(window); break;
    default: break;
  }
}

LRESULT OnMessage(Program& program, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(program, window); return 0;
    case WM_DESTROY: OnDestroy(program, window); return 0;
    case WM_COMMAND: OnCommand(program, window, LOWORD(wParam)); return 0;
    case WM_TIMER: OnTimer(program, wParam); return 0;
    // The balls follow a change of resolution, so they never fly off the screen.
    case WM_DISPLAYCHANGE: ReadScreenSize(program, window); return 0;
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMRESUMEAUTOMATIC) program.autoCheck.OnResume();
      return TRUE;
    default: break;
  }
  const MessageRoute route = RouteMainMessage(message);
  switch (route.kind) {
    case MessageRoute::Kind::Tray:
      if (lParam == WM_RBUTTONDOWN) ShowTrayMenu(window, program.trayMenu);
      // The menu's default item; -1, no default, matches no command.
      if (lParam == WM_LBUTTONDBLCLK) OnCommand(program, window, GetMenuDefaultItem(program.trayMenu, FALSE, 0));
      return 0;
    case MessageRoute::Kind::LookupDone:
      if (auto ended = program.transport.OnLookupDone(route.account, wParam, lParam)) {
        program.cycle.OnSessionEnded(route.account, *ended);
      }
      return 0;
    case MessageRoute::Kind::SocketEvent:
      if (auto ended = program.transport.OnSocketEvent(route.account, wParam, lParam)) {
        program.cycle.OnSessionEnded(route.account, *ended);
      }
      return 0;
    case MessageRoute::Kind::Other: break;
  }
  // Explorer restarted: its new taskbar knows nothing of the icon.
  if (program.taskbarCreatedMessage != 0 && message == program.taskbarCreatedMessage) {
    ShowTrayIcon(window, NIM_ADD, program.trayPictures, program.tray);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* program = reinterpret_cast<Program*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (program == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return OnMessage(*program, window, message, wParam, lParam);
}

}  // namespace zorvane
