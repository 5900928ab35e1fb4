#include "shell/tray_icon.h"

#include <iterator>

#include "shell/message_routes.h"

namespace zorvane {

namespace {

// The record's larger layout, whose tip holds 127 characters.
NOTIFYICONDATAW MakeRecord(HWND window) {
  NOTIFYICONDATAW record = {};
  record.cbSize = NOTIFYICONDATAW_V2_SIZE;
  record.hWnd = window;
  record.uID = 1;
  return record;
}

}  // namespace

void ShowTrayIcon(HWND window, DWORD action, const TrayPictures& pictures, const TrayStatus& status) {
  NOTIFYICONDATAW record = MakeRecord(window);
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = kTrayMessage;
  record.hIcon = status.mailWaiting() ? pictures.mail : pictures.idle;
  // The tip fits; should it not, the conversion fails short of the last unit, which stays the terminator.
  MultiByteToWideChar(CP_UTF8, 0, status.tip(), -1, record.szTip, std::size(record.szTip) - 1);
  Shell_NotifyIconW(action, &record);
}

void RemoveTrayIcon(HWND window) {
  NOTIFYICONDATAW record = MakeRecord(window);
  Shell_NotifyIconW(NIM_DELETE, &record);
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
