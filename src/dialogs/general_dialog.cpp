#include "dialogs/general_dialog.h"

#include <commctrl.h>

#include "common/win32_control_fit.h"
#include "common/win32_message_box.h"
#include "resource_ids.h"

namespace zorvane {

namespace {

struct ModeButton {
  int id;
  DisplayMode mode;
};
// In the order they are read.
constexpr ModeButton kModeButtons[] = {{IDC_GENERAL_BALLS, DisplayMode::BallsOnly},
                                       {IDC_GENERAL_DIALOG, DisplayMode::DialogOnly},
                                       {IDC_GENERAL_BOTH, DisplayMode::BallsAndDialog}};

}  // namespace

void GeneralDialog::Open(HWND owner) {
  // The up-down control's window class.
  const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  ModelessDialog::Open(instance_, IDD_GENERAL_SETTINGS, owner);
}

void GeneralDialog::Initialise() {
  // Before the up-down control takes its place beside the edit.
  FitControlsToFont(window(), {{IDC_GENERAL_PERIOD, "99"}});
  // A path too long for the buffer would name another file: then none is named.
  const DWORD length = GetModuleFileNameA(nullptr, executable_, sizeof executable_);
  if (length == 0 || length >= sizeof executable_) executable_[0] = '\0';
  form_.emplace(settings_, store_, startup_, timer_, static_cast<GeneralFormView&>(*this), window());
  form_->Open();
}

bool GeneralDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
    if (change->hdr.idFrom == IDC_GENERAL_UPDOWN && change->hdr.code == UDN_DELTAPOS) form_->UpDownStep(change->iDelta);
    return false;  // the control moves its own position too
  }
  if (message != WM_COMMAND) return false;
  switch (LOWORD(wParam)) {
    case IDC_GENERAL_AUTO_CHECK:
      form_->AutoCheckClicked(IsDlgButtonChecked(window(), IDC_GENERAL_AUTO_CHECK) == BST_CHECKED);
      return true;
    case IDOK: form_->UpdateButton(); return true;
    case IDCANCEL: form_->CloseButton(); return true;
    default: return false;
  }
}

GeneralFormInput GeneralDialog::Read() {
  GetDlgItemTextA(window(), IDC_GENERAL_PERIOD, period_, sizeof period_);
  DisplayMode mode = DisplayMode::BallsAndDialog;
  for (const ModeButton& button : kModeButtons) {
    if (IsDlgButtonChecked(window(), button.id) == BST_CHECKED) {
      mode = button.mode;
      break;
    }
  }
  return {period_, IsDlgButtonChecked(window(), IDC_GENERAL_AUTO_CHECK) == BST_CHECKED, mode,
          IsDlgButtonChecked(window(), IDC_GENERAL_START_WITH_WINDOWS) == BST_CHECKED};
}

void GeneralDialog::Show(bool autoCheck, DisplayMode mode, bool startWithWindows) {
  CheckDlgButton(window(), IDC_GENERAL_AUTO_CHECK, autoCheck ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window(), IDC_GENERAL_START_WITH_WINDOWS, startWithWindows ? BST_CHECKED : BST_UNCHECKED);
  for (const ModeButton& button : kModeButtons) {
    if (button.mode == mode) CheckRadioButton(window(), IDC_GENERAL_BALLS, IDC_GENERAL_BOTH, button.id);
  }
}

void GeneralDialog::ShowPeriod(const char* text) { SetDlgItemTextA(window(), IDC_GENERAL_PERIOD, text); }

void GeneralDialog::EnablePeriod(bool enabled) { EnableWindow(GetDlgItem(window(), IDC_GENERAL_PERIOD), enabled); }

void GeneralDialog::SetUpDown(int lowest, int highest, int position) {
  HWND upDown = GetDlgItem(window(), IDC_GENERAL_UPDOWN);
  SendMessageA(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(window(), IDC_GENERAL_PERIOD)), 0);
  SendMessageA(upDown, UDM_SETRANGE32, static_cast<WPARAM>(lowest), highest);
  SendMessageA(upDown, UDM_SETPOS32, 0, position);
}

void GeneralDialog::Tell(const char* text, const char* title, MessageIcon icon) {
  ShowMessageBox(window(), text, title, icon);
}

}  // namespace zorvane
