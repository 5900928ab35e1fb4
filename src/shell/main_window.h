#pragma once
#include <windows.h>

namespace zorvane {

extern const char kMainClassName[];

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zorvane
