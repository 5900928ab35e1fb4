#pragma once
#include <windows.h>

#include "settings/settings_ui.h"

namespace zorvane {

int ShowMessageBox(HWND owner, const char* text, const char* title, MessageIcon icon);

}  // namespace zorvane
