#include "display/result_dialog.h"

#include <mmsystem.h>

#include <utility>

#include "display/result_text.h"
#include "resource_ids.h"

namespace zorvane {

namespace {

struct ResultControls {
  int name;
  int count;
  int detail;
};

constexpr ResultControls kControls[kAccountCount] = {
    {IDC_RESULT1_NAME, IDC_RESULT1_COUNT, IDC_RESULT1_DETAIL},
    {IDC_RESULT2_NAME, IDC_RESULT2_COUNT, IDC_RESULT2_DETAIL},
    {IDC_RESULT3_NAME, IDC_RESULT3_COUNT, IDC_RESULT3_DETAIL},
    {IDC_RESULT4_NAME, IDC_RESULT4_COUNT, IDC_RESULT4_DETAIL},
};

}  // namespace

void ResultDialog::Open(HINSTANCE instance, HWND owner) {
  Close();
  HWND dialog =
      CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_RESULT), owner, Procedure, reinterpret_cast<LPARAM>(this));
  // A modeless dialog shows only when told to.
  if (dialog != nullptr) ShowWindow(dialog, SW_SHOW);
}

void ResultDialog::Close() {
  if (window_ != nullptr) DestroyWindow(std::exchange(window_, nullptr));
}

bool ResultDialog::TranslateMessage(MSG* message) const {
  return window_ != nullptr && IsDialogMessageA(window_, message);
}

void ResultDialog::Initialise(HWND dialog) {
  window_ = dialog;
  SetForegroundWindow(dialog);
  SetActiveWindow(dialog);
  PlaySoundA(MAKEINTRESOURCEA(IDW_CHIME), reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)),
             SND_RESOURCE | SND_ASYNC);
  for (int n = 1; n <= kAccountCount; ++n) {
    const ResultText text = BuildResultText(settings_.account(n), cycle_.result(n));
    SetDlgItemTextA(dialog, kControls[n - 1].name, text.NameText);
    SetDlgItemTextA(dialog, kControls[n - 1].count, text.CountText);
    SetDlgItemTextA(dialog, kControls[n - 1].detail, text.DetailText);
  }
  SetFocus(GetDlgItem(dialog, IDCANCEL));
}

INT_PTR CALLBACK ResultDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    reinterpret_cast<ResultDialog*>(lParam)->Initialise(dialog);
    return FALSE;
  }
  // The button, Esc, Enter and the close box all arrive as IDCANCEL. Ending
  // the announcement closes this dialog with everything else.
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    auto* self = reinterpret_cast<ResultDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (self != nullptr) self->cycle_.ResetCheckResults();
    return TRUE;
  }
  return FALSE;
}

}  // namespace zorvane
