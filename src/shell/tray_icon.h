#pragma once
#include <windows.h>

#include <shellapi.h>

#include "display/tray_status.h"

namespace zorvane {

// The icon's two pictures, 16 pixels square.
struct TrayPictures {
  HICON idle;
  HICON mail;  // while the last check found mail
};

// NIM_ADD, or NIM_MODIFY for the icon there: the picture and the tip of status.
void ShowTrayIcon(HWND window, DWORD action, const TrayPictures& pictures, const TrayStatus& status);
void RemoveTrayIcon(HWND window);
// Opens the tray menu at the cursor; the chosen item arrives as WM_COMMAND.
void ShowTrayMenu(HWND window, HMENU menu);

}  // namespace zorvane
