// Menus as the tests read them. Under Wine the items of a popup menu that is
// open in another process cannot be read, so the items are checked in the
// menu resource itself, and the open menu is driven with keys.
#ifndef ZORVANE_E2E_DRIVER_MENU_H
#define ZORVANE_E2E_DRIVER_MENU_H

#include <string>

namespace zdriver {

// Loads menu resource ID from the executable (as a data file, nothing of it
// runs) and prints one line per item: position<TAB>id<TAB>text, positions
// from 1; a separator as position<TAB>-<TAB>; a popup as
// position<TAB>popup<TAB>text followed by its items indented by two spaces.
// An item that is not plain (greyed, checked, default, break, owner-drawn ...)
// gets a fourth field listing those states, comma-separated.
void PrintMenuResource(const std::string& executablePath, int menuId);

}  // namespace zdriver

#endif
