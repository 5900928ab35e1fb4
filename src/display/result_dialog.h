#pragma once
// The result dialog: each account's name and its count and size, its failure
// or why it was not checked. Closing it ends the announcement.
#include <windows.h>

#include "mail/check_cycle.h"
#include "settings/settings.h"

namespace zorvane {

class ResultDialog {
 public:
  ResultDialog(const Settings& settings, CheckCycle& cycle) : settings_(settings), cycle_(cycle) {}

  // Modal: returns when the dialog has been closed or ended.
  void Show(HINSTANCE instance, HWND owner);
  void End();

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void Fill(HWND dialog) const;

  const Settings& settings_;
  CheckCycle& cycle_;
  HWND window_ = nullptr;
};

}  // namespace zorvane
