#pragma once
#include <windows.h>

namespace zorvane {

void AddTrayIcon(HWND window, HICON icon);
void RemoveTrayIcon(HWND window, HICON icon);
// Opens the tray menu at the cursor; the chosen item arrives as WM_COMMAND.
void ShowTrayMenu(HWND window, HMENU menu);

}  // namespace zorvane
