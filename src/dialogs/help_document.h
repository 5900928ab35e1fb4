#pragma once
#include <windows.h>

namespace zorvane {

// Writes the help page the program carries into the user's temporary folder
// and asks the system to open it. Without a browser nothing opens, and
// nothing is said.
void OpenHelpDocument(HINSTANCE instance, HWND owner);

}  // namespace zorvane
