#pragma once
// The few registry calls the settings store needs, so that its logic runs
// against Windows' registry in the program and an in-memory key in tests.
#include <cstdint>

namespace zorvane {

using RegKey = std::uintptr_t;  // 0: no key
using RegResult = long;         // Win32 error codes

constexpr RegResult kRegOk = 0;
constexpr RegResult kRegNotFound = 2;       // ERROR_FILE_NOT_FOUND
constexpr RegResult kRegMoreData = 234;     // ERROR_MORE_DATA
constexpr RegResult kRegNoMoreItems = 259;  // ERROR_NO_MORE_ITEMS
constexpr std::uint32_t kRegSz = 1;         // REG_SZ
constexpr std::uint32_t kRegDword = 4;      // REG_DWORD

class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;
  // HKEY_CURRENT_USER\Software, opened (never created) with full access.
  virtual RegKey OpenSoftwareKey() = 0;
  // Creates the subkey if missing, else opens it; 0 on failure.
  virtual RegKey CreateOrOpenKey(RegKey parent, const char* name) = 0;
  virtual void CloseKey(RegKey key) = 0;
  // *size holds the buffer size on entry and the data length on return.
  virtual RegResult QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                               std::uint32_t* size) = 0;
  virtual RegResult EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize, std::uint32_t* type,
                              unsigned char* data, std::uint32_t* dataSize) = 0;
  virtual RegResult SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                             std::uint32_t size) = 0;
  virtual RegResult DeleteValue(RegKey key, const char* name) = 0;
};

}  // namespace zorvane
