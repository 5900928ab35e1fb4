#include "settings/win32_registry.h"

#include <windows.h>

namespace zorvane {

namespace {
HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
RegKey FromHkey(HKEY key) { return reinterpret_cast<RegKey>(key); }
}  // namespace

RegKey Win32Registry::OpenSoftwareKey() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
  return FromHkey(key);
}

RegKey Win32Registry::CreateOrOpenKey(RegKey parent, const char* name) {
  if (parent == 0) return 0;
  HKEY key = nullptr;
  if (RegCreateKeyExA(ToHkey(parent), name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return FromHkey(key);
}

void Win32Registry::CloseKey(RegKey key) {
  if (key != 0) RegCloseKey(ToHkey(key));
}

RegResult Win32Registry::QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                                    std::uint32_t* size) {
  if (key == 0) return ERROR_INVALID_HANDLE;
  DWORD valueType = 0;
  DWORD valueSize = *size;
  const LONG result = RegQueryValueExA(ToHkey(key), name, nullptr, &valueType, data, &valueSize);
  *type = valueType;
  *size = valueSize;
  return result;
}

RegResult Win32Registry::EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                                   std::uint32_t* type, unsigned char* data, std::uint32_t* dataSize) {
  if (key == 0) return ERROR_INVALID_HANDLE;
  DWORD valueNameSize = *nameSize;
  DWORD valueType = 0;
  DWORD valueSize = *dataSize;
  const LONG result = RegEnumValueA(ToHkey(key), index, name, &valueNameSize, nullptr, &valueType, data, &valueSize);
  *nameSize = valueNameSize;
  *type = valueType;
  *dataSize = valueSize;
  return result;
}

RegResult Win32Registry::SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                                  std::uint32_t size) {
  if (key == 0) return ERROR_INVALID_HANDLE;
  return RegSetValueExA(ToHkey(key), name, 0, type, data, size);
}

RegResult Win32Registry::DeleteValue(RegKey key, const char* name) {
  if (key == 0) return ERROR_INVALID_HANDLE;
  return RegDeleteValueA(ToHkey(key), name);
}

}  // namespace zorvane
