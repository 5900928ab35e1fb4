#pragma once
// What the settings store shows the user: message boxes and the welcome sound.
#include "common/message_box.h"

namespace zorvane {

class SettingsUi {
 public:
  virtual ~SettingsUi() = default;
  virtual void ShowMessage(OwnerWindow owner, const char* text, const char* title, MessageIcon icon) = 0;
  virtual void PlayWelcomeSound() = 0;
};

// A key that cannot be opened or created, or a value that cannot be written.
inline void ShowRegistryError(SettingsUi& ui, OwnerWindow owner) {
  ui.ShowMessage(owner, "レジストリのエラー", "警告", MessageIcon::Error);
}

}  // namespace zorvane
