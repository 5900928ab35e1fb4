#pragma once
// A dialog that runs beside the program instead of in a loop of its own: one
// copy at a time, its keys handed to it by the program's message loop, its
// state in the object that DWLP_USER points to.
#include <windows.h>

namespace zorvane {

class ModelessDialog {
 public:
  ModelessDialog(const ModelessDialog&) = delete;
  ModelessDialog& operator=(const ModelessDialog&) = delete;

  // The dialog's keyboard handling (Tab, Enter, Esc); true when it took the message.
  bool TranslateMessage(MSG* message) const { return window_ != nullptr && IsDialogMessageA(window_, message); }

 protected:
  ModelessDialog() = default;
  ~ModelessDialog() { Close(); }

  // Creates the dialog from its template, or brings the open copy to the front.
  void Open(HINSTANCE instance, int templateId, HWND owner);
  // Destroys the window; nothing of the object is reached while it goes.
  void Close();
  HWND window() const { return window_; }

  // WM_INITDIALOG, with window() known.
  virtual void Initialise() = 0;
  // Every later message; true when it was handled.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
};

}  // namespace zorvane
