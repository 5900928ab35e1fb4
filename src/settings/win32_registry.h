#pragma once
#include "settings/registry.h"

namespace zorvane {

// The settings store's registry calls on Windows' registry (HKEY_CURRENT_USER).
class Win32Registry final : public RegistryBackend {
 public:
  RegKey OpenSoftwareKey() override;
  RegKey CreateOrOpenKey(RegKey parent, const char* name) override;
  void CloseKey(RegKey key) override;
  RegResult QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                       std::uint32_t* size) override;
  RegResult EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize, std::uint32_t* type,
                      unsigned char* data, std::uint32_t* dataSize) override;
  RegResult SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                     std::uint32_t size) override;
  RegResult DeleteValue(RegKey key, const char* name) override;
};

}  // namespace zorvane
