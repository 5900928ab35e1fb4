#pragma once
// The result dialog: each account's name and its count and size, its failure
// or why it was not checked. Closing it ends the announcement.
#include <windows.h>

#include "common/modeless_dialog.h"
#include "mail/check_cycle.h"
#include "settings/settings.h"

namespace zorvane {

class ResultDialogHandler {
 public:
  virtual ~ResultDialogHandler() = default;
  // The user closed the dialog: by its button, Esc, Enter or the close box.
  virtual void ResultDialogClosed() = 0;
};

class ResultDialog final : public ModelessDialog {
 public:
  ResultDialog(const Settings& settings, const CheckCycle& cycle, ResultDialogHandler& handler)
      : settings_(settings), cycle_(cycle), handler_(handler) {}

  void Open(HINSTANCE instance, HWND owner);
  using ModelessDialog::Close;

 private:
  void Initialise() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  const Settings& settings_;
  const CheckCycle& cycle_;
  ResultDialogHandler& handler_;
};

}  // namespace zorvane
