// The settings key as the tests see and prepare it, through the A functions
// (so text is UTF-8, as the program itself reads and writes it).
#ifndef ZORVANE_E2E_DRIVER_REGISTRY_H
#define ZORVANE_E2E_DRIVER_REGISTRY_H

#include <windows.h>

#include <string>
#include <vector>

namespace zdriver {

// One line per value: subkey<TAB>name<TAB>type<TAB>length<TAB>hexdata,
// subkey "." for the settings key itself; sorted by subkey, then name.
void DumpSettings();

// Deletes HKCU\Software\Quillmoor Software and everything below it.
void DeleteMakerKey();

// SUBKEY is "." for the settings key, else a key below it (POP1 .. POP4).
void SetSettingsValue(const std::string& subkey, const std::string& name, DWORD type,
                      const std::vector<BYTE>& data);
void DeleteSettingsValue(const std::string& subkey, const std::string& name);

// "REG_SZ", "REG_DWORD", ... or a number.
DWORD ParseValueType(const std::string& text);
std::vector<BYTE> ParseHex(const std::string& text);

}  // namespace zdriver

#endif
