#pragma once
// The general settings dialog (template 104): the rules of
// GeneralSettingsForm on the dialog's controls.
#include <windows.h>

#include <optional>

#include "common/modeless_dialog.h"
#include "dialogs/general_form.h"
#include "settings/startup_entry.h"
#include "settings/win32_registry.h"
#include "settings/win32_settings_ui.h"

namespace zorvane {

class GeneralDialog final : public ModelessDialog, private GeneralFormView {
 public:
  GeneralDialog(HINSTANCE instance, Settings& settings, AutoCheckTimer& timer)
      : instance_(instance),
        settings_(settings),
        timer_(timer),
        ui_(instance),
        store_(registry_, ui_, settings),
        startup_(registry_, ui_, executable_) {}

  void Open(HWND owner);

 private:
  void Initialise() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  GeneralFormInput Read() override;
  void Show(bool autoCheck, DisplayMode mode, bool startWithWindows) override;
  void ShowPeriod(const char* text) override;
  void EnablePeriod(bool enabled) override;
  void SetUpDown(int lowest, int highest, int position) override;
  void Tell(const char* text, const char* title, MessageIcon icon) override;
  void Close() override { ModelessDialog::Close(); }

  HINSTANCE instance_;
  Settings& settings_;
  AutoCheckTimer& timer_;
  Win32Registry registry_;
  Win32SettingsUi ui_;
  SettingsStore store_;
  char executable_[kMaxExecutablePath] = {};  // this program's path, for the start with Windows
  StartupEntry startup_;
  std::optional<GeneralSettingsForm> form_;
  char period_[32] = {};  // what Read hands the form
};

}  // namespace zorvane
