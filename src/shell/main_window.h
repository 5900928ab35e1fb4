#pragma once
#include <windows.h>

namespace zorvane {

extern const char kMainClassName[];

// The hidden main window. Its creation parameter is the Program.
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zorvane
