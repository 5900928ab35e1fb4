#pragma once
// The version dialog (template 126), with its buttons to the home page and
// the mail address.
#include <windows.h>

#include "common/modeless_dialog.h"

namespace zorvane {

class VersionDialog final : public ModelessDialog {
 public:
  explicit VersionDialog(HINSTANCE instance) : instance_(instance) {}

  // owner: the main window, which also owns what the links open.
  void Open(HWND owner);

 private:
  void Initialise() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  HINSTANCE instance_;
  HWND owner_ = nullptr;
};

}  // namespace zorvane
