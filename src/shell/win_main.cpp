// Zorvane: a notification-area POP3 mail checker.
#include <windows.h>

#include "resource_ids.h"
#include "shell/main_window.h"
#include "shell/program.h"
#include "shell/winsock_startup.h"

using zorvane::kMainClassName;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  zorvane::Program program(instance);

  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = zorvane::MainWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ZORVANE));
  windowClass.hIconSm =
      static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_ZORVANE), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  windowClass.lpszClassName = kMainClassName;
  const HANDLE mailIcon = LoadImageA(instance, MAKEINTRESOURCEA(IDI_ZORVANE_MAIL), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
  program.trayPictures = {windowClass.hIconSm, static_cast<HICON>(mailIcon)};
  program.trayMenu = GetSubMenu(LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAY_MENU)), 0);
  // Shown bold: what a double click on the icon does.
  SetMenuDefaultItem(program.trayMenu, ID_CHECK_MAIL, FALSE);

  if (RegisterClassExA(&windowClass) == 0) return 0;

  // The mutex stays owned until the process ends; only its existence matters.
  CreateMutexA(nullptr, TRUE, kMainClassName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    HWND running = FindWindowA(kMainClassName, nullptr);
    if (running != nullptr) {
      if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
      SetForegroundWindow(running);
    }
    return 0;
  }

  HWND window = CreateWindowExA(0, kMainClassName, "Zorvane", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                CW_USEDEFAULT, 250, 90, nullptr, nullptr, instance, &program);
  // Without its window nothing could ever end the message loop.
  if (window == nullptr) return 0;

  if (zorvane::StartWinSock(window) != 0) SendMessageA(window, WM_DESTROY, 0, 0);

  ShowWindow(window, SW_HIDE);
  UpdateWindow(window);

  MSG message = {};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (program.announcement.TranslateMessage(&message) || program.dialogs.TranslateMessage(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  // The window must not outlive the program state it points to.
  DestroyWindow(window);
  return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}
