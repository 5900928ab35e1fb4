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

}  // namespace zorvane
