#include "common/modeless_dialog.h"

#include <utility>

namespace zorvane {

void ModelessDialog::Open(HINSTANCE instance, int templateId, HWND owner) {
  if (window_ == nullptr) {
    CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner, Procedure, reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr) return;
    // A modeless dialog shows only when told to.
    ShowWindow(window_, SW_SHOW);
  }
  SetForegroundWindow(window_);
}

void ModelessDialog::Close() {
  HWND window = std::exchange(window_, nullptr);
  if (window == nullptr) return;
  SetWindowLongPtrA(window, DWLP_USER, 0);
  DestroyWindow(window);
}

INT_PTR CALLBACK ModelessDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    auto* self = reinterpret_cast<ModelessDialog*>(lParam);
    self->window_ = dialog;
    self->Initialise();
    return TRUE;  // the focus goes to the first control
  }
  auto* self = reinterpret_cast<ModelessDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (self == nullptr) return FALSE;
  // Gone with its owner, the main window, at the program's end.
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    self->window_ = nullptr;
    return FALSE;
  }
  return self->OnMessage(message, wParam, lParam) ? TRUE : FALSE;
}

}  // namespace zorvane
