#pragma once
// Zorvane's value in the current user's Run key
// (Software\Microsoft\Windows\CurrentVersion\Run), from which Windows starts
// it when the user logs on.
#include <cstddef>

#include "settings/registry.h"
#include "settings/settings_ui.h"

namespace zorvane {

// The longest executable path the value can name, in UTF-8 bytes with its terminator.
constexpr std::size_t kMaxExecutablePath = 1024;

class StartupEntry {
 public:
  // executable: the running program's full path in UTF-8, empty when unknown.
  StartupEntry(RegistryBackend& registry, SettingsUi& ui, const char* executable)
      : registry_(registry), ui_(ui), executable_(executable) {}

  // The value is there and names this executable, quoted or not.
  bool NamesThisExecutable();
  // Writes the quoted path, or removes the value, unless it already says so:
  // another copy's value stays while this one is not to start. A failure
  // shows the registry message and changes nothing else.
  void Set(OwnerWindow owner, bool on);

 private:
  RegistryBackend& registry_;
  SettingsUi& ui_;
  const char* executable_;
};

}  // namespace zorvane
