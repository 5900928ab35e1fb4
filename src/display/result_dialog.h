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
  ResultDialog(const ResultDialog&) = delete;
  ResultDialog& operator=(const ResultDialog&) = delete;
  ~ResultDialog() { Close(); }

  // Modeless: the message loop hands it its keys through TranslateMessage.
  void Open(HINSTANCE instance, HWND owner);
  void Close();
  // The dialog's keyboard handling (Tab, Enter, Esc); true when it took the message.
  bool TranslateMessage(MSG* message) const;

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void Initialise(HWND dialog);

  const Settings& settings_;
  CheckCycle& cycle_;
  HWND window_ = nullptr;
};

}  // namespace zorvane
