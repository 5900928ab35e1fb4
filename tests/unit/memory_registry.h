#pragma once
// An in-memory stand-in for the current user's registry, with the value
// enumeration semantics of RegEnumValueA and failures that tests can inject.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "settings/registry.h"

namespace zorvane::testing {

// Key paths below HKEY_CURRENT_USER.
extern const char kSettingsPath[];
std::string AccountPath(int n);

struct StoredValue {
  std::string name;
  std::uint32_t type;
  std::vector<unsigned char> data;
};

std::vector<unsigned char> DwordBytes(std::uint32_t value);
// text, its terminator and zero bytes up to dataLength (at least the terminator).
std::vector<unsigned char> TextBytes(const std::string& text, std::size_t dataLength = 0);

class MemoryRegistry : public RegistryBackend {
 public:
  // Win32 codes the fake answers with.
  static constexpr RegResult kFileNotFound = 2;
  static constexpr RegResult kAccessDenied = 5;
  static constexpr RegResult kInvalidHandle = 6;
  // A loop over EnumValue that never ends is a fault; past this many calls
  // the fake reports the end of the values and remembers the runaway.
  static constexpr int kEnumCallLimit = 10000;

  MemoryRegistry();

  // RegistryBackend
  RegKey OpenSoftwareKey() override;
  RegKey CreateOrOpenKey(RegKey parent, const char* name) override;
  void CloseKey(RegKey key) override;
  RegResult QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                       std::uint32_t* size) override;
  RegResult EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                      std::uint32_t* type, unsigned char* data, std::uint32_t* dataSize) override;
  RegResult SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                     std::uint32_t size) override;

  // For tests: fill keys and look at what was written.
  void Put(const std::string& path, const std::string& name, std::uint32_t type,
           std::vector<unsigned char> data);
  void PutDword(const std::string& path, const std::string& name, std::uint32_t value);
  void PutText(const std::string& path, const std::string& name, const std::string& text,
               std::size_t dataLength = 0);
  std::optional<StoredValue> Find(const std::string& path, const std::string& name) const;
  std::optional<std::uint32_t> Dword(const std::string& path, const std::string& name) const;
  bool HasKey(const std::string& path) const { return keys_.count(path) != 0; }
  std::size_t ValueCount(const std::string& path) const;

  // Opening or creating the key at path fails from now on.
  void FailOpening(const std::string& path) { failOpen_.insert(path); }
  // Every EnumValue call on the key at path fails with code.
  void FailEnumerating(const std::string& path, RegResult code) { failEnum_[path] = code; }

  std::size_t openHandleCount() const { return handles_.size(); }
  int badHandleUses() const { return badHandleUses_; }
  int writeCount() const { return writeCount_; }
  bool enumerationRanAway() const { return enumCalls_ > kEnumCallLimit; }

 private:
  const std::string* PathOf(RegKey key);
  RegKey NewHandle(const std::string& path);

  std::map<std::string, std::vector<StoredValue>> keys_;
  std::map<RegKey, std::string> handles_;
  std::set<std::string> failOpen_;
  std::map<std::string, RegResult> failEnum_;
  RegKey nextHandle_ = 0x100;
  int badHandleUses_ = 0;
  int writeCount_ = 0;
  int enumCalls_ = 0;
};

}  // namespace zorvane::testing
