#include "display/result_dialog.h"

#include <mmsystem.h>

#include "common/win32_control_fit.h"
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

void ResultDialog::Open(HINSTANCE instance, HWND owner) { ModelessDialog::Open(instance, IDD_RESULT, owner); }

void ResultDialog::Initialise() {
  HWND dialog = window();
  // Every count and size must read whole, the largest too.
  const ResultText widest = WidestResultText();
  FitControlsToFont(dialog, {{IDC_RESULT1_COUNT, widest.CountText},
                             {IDC_RESULT1_DETAIL, widest.DetailText},
                             {IDC_RESULT2_COUNT, widest.CountText},
                             {IDC_RESULT2_DETAIL, widest.DetailText},
                             {IDC_RESULT3_COUNT, widest.CountText},
                             {IDC_RESULT3_DETAIL, widest.DetailText},
                             {IDC_RESULT4_COUNT, widest.CountText},
                             {IDC_RESULT4_DETAIL, widest.DetailText}});
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

bool ResultDialog::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  // The button, Esc, Enter and the close box all arrive as IDCANCEL.
  if (message != WM_COMMAND || LOWORD(wParam) != IDCANCEL) return false;
  handler_.ResultDialogClosed();
  return true;
}

}  // namespace zorvane
