#pragma once
// Process-wide state of the running program, one instance.
#include <windows.h>

#include "settings/settings.h"

namespace zorvane {

struct Program {
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  HICON trayIcon = nullptr;
  HMENU trayMenu = nullptr;
  double ScreenWidth = 0;
  double ScreenHeight = 0;
  Settings settings = {};
};

Program& TheProgram();

}  // namespace zorvane
