#pragma once
// Reading and writing the settings key
// HKEY_CURRENT_USER\Software\Quillmoor Software\Mireth and its POP1..POP4 subkeys.
#include "settings/registry.h"
#include "settings/settings.h"
#include "settings/settings_ui.h"

namespace zorvane {

// The first start's welcome: "この度は…" with the author's lines.
extern const char kWelcomeText[];

class SettingsStore {
 public:
  SettingsStore(RegistryBackend& registry, SettingsUi& ui, Settings& settings)
      : registry_(registry), ui_(ui), settings_(settings) {}

  // On the first start: welcome sound and message, the started mark, the defaults.
  void CheckFirstStart(OwnerWindow owner);
  // Fills account n's record; account 1 also fills the options.
  void LoadAccount(OwnerWindow owner, int n);
  void SaveOptions(OwnerWindow owner);
  // record holds the dialog's plain values; Imagetype is never changed.
  void SaveAccount(OwnerWindow owner, int n, const PopAccount& record);
  void ClearAccount(OwnerWindow owner, int n);
  // Account n's server completed STLS: it is never checked in clear again.
  void RememberStartTls(OwnerWindow owner, int n);
  // What account n keeps of the announcement the user has just seen.
  void SaveSeenMark(OwnerWindow owner, int n, const char* mark);

 private:
  // False, after telling the user, for a number that names no account.
  bool AcceptsAccountNumber(OwnerWindow owner, int n);

  RegistryBackend& registry_;
  SettingsUi& ui_;
  Settings& settings_;
};

}  // namespace zorvane
