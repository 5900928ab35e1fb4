#pragma once
// The auto-check timer on the main window: set at start-up, stopped and
// started again by the general settings dialog.
#include <windows.h>

#include "dialogs/general_form.h"
#include "shell/message_routes.h"

namespace zorvane {

class MainWindowTimer final : public AutoCheckTimer {
 public:
  // window: where the main window's handle is kept once it exists.
  explicit MainWindowTimer(const HWND& window) : window_(window) {}

  void Stop() override { KillTimer(window_, kAutoCheckTimer); }
  void Start(unsigned periodMs) override { SetTimer(window_, kAutoCheckTimer, periodMs, nullptr); }

 private:
  const HWND& window_;
};

}  // namespace zorvane
