#include "dialogs/version_dialog.h"

#include <shellapi.h>

#include "common/win32_control_fit.h"
#include "resource_ids.h"

namespace zorvane {

void VersionDialog::Open(HWND owner) {
  owner_ = owner;
  ModelessDialog::Open(instance_, IDD_VERSION, owner);
}

void VersionDialog::Initialise() { FitControlsToFont(window()); }

bool VersionDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return false;
  // Without a browser or a mail program nothing opens, and nothing is said.
  switch (LOWORD(wParam)) {
    case IDC_VERSION_HOME_PAGE:
      ShellExecuteA(owner_, "open", ZORVANE_HOME_PAGE, nullptr, nullptr, SW_SHOW);
      return true;
    case IDC_VERSION_MAIL:
      ShellExecuteA(owner_, "open", "mailto:" ZORVANE_MAIL_ADDRESS, nullptr, nullptr, SW_SHOW);
      return true;
    case IDCANCEL: Close(); return true;
    default: return false;
  }
}

}  // namespace zorvane
