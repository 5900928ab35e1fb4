#pragma once
// The settings code's view of the registry: the chain of keys down to the
// settings key, opened for one operation and closed when it ends, and typed
// values in and out of it. A key that fails to open is reported once and then
// carried as 0, so the rest of the operation fails quietly.
#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "common/text.h"
#include "settings/registry.h"
#include "settings/settings_ui.h"

namespace zorvane {

// A REG_DWORD's data; the registry keeps numbers little-endian.
inline std::uint32_t ReadLittleEndian32(const unsigned char* data) {
  return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
         static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

class SettingsKeys {
 public:
  static constexpr std::uint32_t kBufferSize = 256;

  // Opens Software, then creates or opens the maker key and the settings key,
  // reporting each that fails.
  SettingsKeys(RegistryBackend& registry, SettingsUi& ui, OwnerWindow owner)
      : registry_(registry), ui_(ui), owner_(owner) {
    software_ = registry_.OpenSoftwareKey();
    if (software_ == 0) ReportError();
    maker_ = registry_.CreateOrOpenKey(software_, "Quillmoor Software");
    if (maker_ == 0) ReportError();
    settings_ = registry_.CreateOrOpenKey(maker_, "Mireth");
    if (settings_ == 0) ReportError();
  }
  // Closes the account key, the settings key, the maker key and Software.
  ~SettingsKeys() {
    for (RegKey key : {account_, settings_, maker_, software_}) {
      if (key != 0) registry_.CloseKey(key);
    }
  }
  SettingsKeys(const SettingsKeys&) = delete;
  SettingsKeys& operator=(const SettingsKeys&) = delete;

  RegKey settings() const { return settings_; }

  // Creates or opens account n's subkey (1 to 4), closing the one opened
  // before; 0 on failure, which the caller reports where it should.
  RegKey OpenAccount(int n) {
    static const char* const kNames[] = {"POP1", "POP2", "POP3", "POP4"};
    if (account_ != 0) registry_.CloseKey(account_);
    account_ = registry_.CreateOrOpenKey(settings_, kNames[n - 1]);
    return account_;
  }

  void ReportError() { ShowRegistryError(ui_, owner_); }

  // A 4-byte value of any type holding `value`; false when absent or of another length.
  bool HoldsNumber(RegKey key, const char* name, std::uint32_t value) {
    unsigned char data[4] = {};
    std::uint32_t type = 0;
    std::uint32_t size = sizeof data;
    return registry_.QueryValue(key, name, &type, data, &size) == kRegOk && size == sizeof data &&
           ReadLittleEndian32(data) == value;
  }

  void WriteNumber(RegKey key, const char* name, std::uint32_t value) {
    const unsigned char data[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                   static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    registry_.SetValue(key, name, kRegDword, data, sizeof data);
  }

  // The text (at most width bytes of it read), its terminator and zero bytes up to length.
  void WriteText(RegKey key, const char* name, const char* text, std::size_t width, std::uint32_t length) {
    char data[kBufferSize] = {};
    CopyTextCut(data, length, text, width);
    registry_.SetValue(key, name, kRegSz, reinterpret_cast<const unsigned char*>(data), length);
  }

  // visit(name, type, data, size) for every value of key; a failed call is
  // reported and its value skipped.
  template <typename Visit>
  void ForEachValue(RegKey key, Visit visit) {
    // A key that could not be opened has been reported already; enumerating
    // it would only fail at every index.
    if (key == 0) return;
    for (std::uint32_t index = 0;; ++index) {
      // Both buffers are emptied and their lengths reset before every call.
      char name[kBufferSize] = {};
      unsigned char data[kBufferSize] = {};
      std::uint32_t nameSize = kBufferSize;
      std::uint32_t size = kBufferSize;
      std::uint32_t type = 0;
      const RegResult result = registry_.EnumValue(key, index, name, &nameSize, &type, data, &size);
      if (result == kRegNoMoreItems) return;
      if (result != kRegOk) {
        ui_.ShowMessage(owner_, "レジストリのエラー5", "警告", MessageIcon::Error);
        // A value too large for the buffers is skipped; any other failure
        // would repeat at every further index, so the enumeration ends here.
        if (result == kRegMoreData) continue;
        return;
      }
      name[kBufferSize - 1] = '\0';
      visit(name, type, data, std::min(size, kBufferSize));
    }
  }

 private:
  RegistryBackend& registry_;
  SettingsUi& ui_;
  OwnerWindow owner_;
  RegKey software_ = 0;
  RegKey maker_ = 0;
  RegKey settings_ = 0;
  RegKey account_ = 0;
};

}  // namespace zorvane
