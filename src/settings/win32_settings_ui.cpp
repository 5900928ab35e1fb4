#include "settings/win32_settings_ui.h"

#include <mmsystem.h>

#include "resource_ids.h"
#include "shell/message_box.h"

namespace zorvane {

void Win32SettingsUi::ShowMessage(OwnerWindow owner, const char* text, const char* title, MessageIcon icon) {
  ShowMessageBox(static_cast<HWND>(owner), text, title, icon);
}

void Win32SettingsUi::PlayWelcomeSound() {
  PlaySoundA(MAKEINTRESOURCEA(IDW_CHIME), instance_, SND_RESOURCE | SND_ASYNC);
}

}  // namespace zorvane
