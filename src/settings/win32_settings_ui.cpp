#include "settings/win32_settings_ui.h"

#include <mmsystem.h>

#include "common/win32_message_box.h"
#include "resource_ids.h"

namespace zorvane {

void Win32SettingsUi::ShowMessage(OwnerWindow owner, const char* text, const char* title, MessageIcon icon) {
  ShowMessageBox(static_cast<HWND>(owner), text, title, icon);
}

void Win32SettingsUi::PlayWelcomeSound() {
  PlaySoundA(MAKEINTRESOURCEA(IDW_CHIME), instance_, SND_RESOURCE | SND_ASYNC);
}

}  // namespace zorvane
