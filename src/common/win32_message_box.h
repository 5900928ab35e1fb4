#pragma once
#include <windows.h>

#include "common/message_box.h"

namespace zorvane {

// A modal message box with an OK button.
void ShowMessageBox(HWND owner, const char* text, const char* title, MessageIcon icon);

}  // namespace zorvane
