#pragma once
#include <windows.h>

#include "mail/check_cycle.h"

namespace zorvane {

// Shows the result dialog (modal) with the cycle's result texts; closing it
// ends the announcement.
void OpenResultDialog(HINSTANCE instance, HWND owner, CheckCycle& cycle);
// Ends the result dialog if it is open.
void EndResultDialog();

}  // namespace zorvane
