#include "shell/tray_icon.h"

#include <shellapi.h>

#include <cstring>

#include "shell/message_routes.h"

namespace zorvane {

namespace {

// The record in its first layout, whose fields end with the 64-byte tip
// (88 bytes in a 32-bit program).
NOTIFYICONDATAA MakeRecord(HWND window, HICON icon) {
  NOTIFYICONDATAA record = {};
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = window;
  record.uID = 1;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = kTrayMessage;
  record.hIcon = icon;
  std::strcpy(record.szTip, "Zorvane Ver.1.1");
  return record;
}

}  // namespace

void AddTrayIcon(HWND window, HICON icon) {
  NOTIFYICONDATAA record = MakeRecord(window, icon);
  Shell_NotifyIconA(NIM_ADD, &record);
}

void RemoveTrayIcon(HWND window, HICON icon) {
  NOTIFYICONDATAA record = MakeRecord(window, icon);
  Shell_NotifyIconA(NIM_DELETE, &record);
}

void ShowTrayMenu(HWND window, HMENU menu) {
  POINT cursor;
  GetCursorPos(&cursor);
  SetForegroundWindow(window);
  TrackPopupMenu(menu, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
  // Without a message of its own after the menu, the next right click on the
  // icon would find the menu unable to close.
  PostMessageA(window, WM_NULL, 0, 0);
}

}  // namespace zorvane
