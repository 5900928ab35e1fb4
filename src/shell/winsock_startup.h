#pragma once
#include <windows.h>

namespace zorvane {

// Starts WinSock 1.1; on failure shows why (owned by owner) and returns 1.
int StartWinSock(HWND owner);

}  // namespace zorvane
