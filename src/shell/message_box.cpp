#include "shell/message_box.h"

namespace zorvane {

int ShowMessageBox(HWND owner, const char* text, const char* title, MessageIcon icon) {
  const UINT style = MB_OK | (icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
  return MessageBoxA(owner, text, title, style);
}

}  // namespace zorvane
