#include "settings/startup_entry.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace zorvane {

namespace {

const char kRunKey[] = "Microsoft\\Windows\\CurrentVersion\\Run";
const char kValueName[] = "Zorvane";
constexpr std::uint32_t kValueSize = kMaxExecutablePath + 2;  // the path in quotes

// Windows' paths ignore case; the path's other characters are compared as they are.
bool SamePath(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return x == y || (x < 0x80 && y < 0x80 && std::tolower(x) == std::tolower(y));
  });
}

// Software and its Run key, open for one operation.
class RunKey {
 public:
  explicit RunKey(RegistryBackend& registry)
      : registry_(registry),
        software_(registry.OpenSoftwareKey()),
        run_(registry.CreateOrOpenKey(software_, kRunKey)) {}
  ~RunKey() {
    for (RegKey key : {run_, software_}) {
      if (key != 0) registry_.CloseKey(key);
    }
  }
  RunKey(const RunKey&) = delete;
  RunKey& operator=(const RunKey&) = delete;
  RegKey get() const { return run_; }

 private:
  RegistryBackend& registry_;
  RegKey software_;
  RegKey run_;
};

// The open Run key's value names executable, quoted or not; no value names an unknown one.
bool ValueNames(RegistryBackend& registry, RegKey run, const char* executable) {
  if (executable[0] == '\0') return false;
  unsigned char data[kValueSize] = {};
  std::uint32_t type = 0;
  std::uint32_t size = sizeof data - 1;  // the last byte stays the terminator
  if (registry.QueryValue(run, kValueName, &type, data, &size) != kRegOk || type != kRegSz) return false;
  std::string_view path(reinterpret_cast<const char*>(data));
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  return SamePath(path, executable);
}

}  // namespace

bool StartupEntry::NamesThisExecutable() {
  RunKey key(registry_);
  return ValueNames(registry_, key.get(), executable_);
}

void StartupEntry::Set(OwnerWindow owner, bool on) {
  RunKey key(registry_);
  if (on == ValueNames(registry_, key.get(), executable_)) return;
  RegResult result = kRegNotFound;
  if (!on) {
    result = registry_.DeleteValue(key.get(), kValueName);
    if (result == kRegNotFound) result = kRegOk;  // gone already
  } else if (executable_[0] != '\0') {
    char value[kValueSize];
    const int length = std::snprintf(value, sizeof value, "\"%s\"", executable_);
    if (length > 0 && static_cast<std::uint32_t>(length) < sizeof value) {
      result = registry_.SetValue(key.get(), kValueName, kRegSz, reinterpret_cast<const unsigned char*>(value),
                                  static_cast<std::uint32_t>(length) + 1);
    }
  }
  if (result != kRegOk) ShowRegistryError(ui_, owner);
}

}  // namespace zorvane
