#include "display/result_dialog.h"

#include <mmsystem.h>

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

void ResultDialog::Show(HINSTANCE instance, HWND owner) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_RESULT), owner, Procedure, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
}

void ResultDialog::End() {
  if (window_ != nullptr) EndDialog(window_, 0);
}

void ResultDialog::Fill(HWND dialog) const {
  for (int n = 1; n <= kAccountCount; ++n) {
    const ResultText text = BuildResultText(settings_.account(n), cycle_.result(n));
    SetDlgItemTextA(dialog, kControls[n - 1].name, text.NameText);
    SetDlgItemTextA(dialog, kControls[n - 1].count, text.CountText);
    SetDlgItemTextA(dialog, kControls[n - 1].detail, text.DetailText);
  }
}

INT_PTR CALLBACK ResultDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<ResultDialog*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    self->window_ = dialog;
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
    PlaySoundA(MAKEINTRESOURCEA(IDW_CHIME), reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)),
               SND_RESOURCE | SND_ASYNC);
    self->Fill(dialog);
    SetFocus(GetDlgItem(dialog, IDCANCEL));
    return FALSE;
  }
  // The button, Esc, Enter and the close box all arrive as IDCANCEL.
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    auto* self = reinterpret_cast<ResultDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    self->cycle_.ResetCheckResults();
    EndDialog(dialog, 0);
  }
  return FALSE;
}

}  // namespace zorvane
