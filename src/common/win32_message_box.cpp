#include "common/win32_message_box.h"

namespace zorvane {

void ShowMessageBox(HWND owner, const char* text, const char* title, MessageIcon icon) {
  MessageBoxA(owner, text, title, MB_OK | (icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION));
}

}  // namespace zorvane
