#include "display/result_dialog.h"

#include <mmsystem.h>

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

HWND g_resultDialog = nullptr;

INT_PTR CALLBACK ResultDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      g_resultDialog = dialog;
      SetForegroundWindow(dialog);
      SetActiveWindow(dialog);
      const auto* cycle = reinterpret_cast<const CheckCycle*>(lParam);
      PlaySoundA(MAKEINTRESOURCEA(IDW_CHIME), reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)),
                 SND_RESOURCE | SND_ASYNC);
      for (int n = 1; n <= kAccountCount; ++n) {
        const ResultText& text = cycle->resultText(n);
        SetDlgItemTextA(dialog, kControls[n - 1].name, text.NameText);
        SetDlgItemTextA(dialog, kControls[n - 1].count, text.CountText);
        SetDlgItemTextA(dialog, kControls[n - 1].detail, text.DetailText);
      }
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      SetFocus(GetDlgItem(dialog, IDCANCEL));
      return FALSE;
    }
    case WM_COMMAND:
      // The button, Esc, Enter and the close box all arrive as IDCANCEL.
      if (LOWORD(wParam) == IDCANCEL) {
        reinterpret_cast<CheckCycle*>(GetWindowLongPtrA(dialog, DWLP_USER))->ResetCheckResults();
        EndDialog(dialog, 0);
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void OpenResultDialog(HINSTANCE instance, HWND owner, CheckCycle& cycle) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_RESULT), owner, ResultDialogProc,
                  reinterpret_cast<LPARAM>(&cycle));
  g_resultDialog = nullptr;
}

void EndResultDialog() {
  if (g_resultDialog != nullptr) EndDialog(g_resultDialog, 0);
}

}  // namespace zorvane
