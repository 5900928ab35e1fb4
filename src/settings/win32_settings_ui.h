#pragma once
#include <windows.h>

#include "settings/settings_ui.h"

namespace zorvane {

class Win32SettingsUi final : public SettingsUi {
 public:
  explicit Win32SettingsUi(HINSTANCE instance) : instance_(instance) {}
  void ShowMessage(OwnerWindow owner, const char* text, const char* title, MessageIcon icon) override;
  void PlayWelcomeSound() override;

 private:
  HINSTANCE instance_;
};

}  // namespace zorvane
