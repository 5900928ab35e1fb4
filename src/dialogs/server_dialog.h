#pragma once
// The POP3 settings dialog (template 103): the rules of ServerSettingsForm on
// the dialog's controls, with the preview of the shown slot's balls.
#include <windows.h>

#include <optional>

#include "common/control_fit.h"
#include "common/gdi_handles.h"
#include "common/modeless_dialog.h"
#include "dialogs/server_form.h"
#include "settings/win32_registry.h"
#include "settings/win32_settings_ui.h"

namespace zorvane {

class ServerDialog final : public ModelessDialog, private ServerFormView {
 public:
  ServerDialog(HINSTANCE instance, Settings& settings)
      : instance_(instance), settings_(settings), ui_(instance), store_(registry_, ui_, settings) {}

  void Open(HWND owner);

 private:
  static constexpr int kEditCount = 5;

  void Initialise() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Paint();
  // The five edits and the list: their key releases, before the control's own handling.
  static LRESULT CALLBACK ControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR self);

  ServerFormInput Read() override;
  void Show(int slot, const PopAccount& account) override;
  void ShowList(const Settings& settings, int selected) override;
  void EnableUpdate(bool enabled) override;
  void EnableDelete(bool enabled) override;
  bool Ask(const char* text, const char* title, Beep beep) override;
  void Tell(const char* text, const char* title, MessageIcon icon, Beep beep) override;
  void Close() override { ModelessDialog::Close(); }

  HINSTANCE instance_;
  const Settings& settings_;
  Win32Registry registry_;
  Win32SettingsUi ui_;
  SettingsStore store_;
  std::optional<ServerSettingsForm> form_;
  GdiObject<HBITMAP> smallBall_;
  GdiObject<HBITMAP> largeBall_;
  ControlBox preview_[2] = {};  // where the small ball and the large one are drawn
  // What Read hands the form. Longer texts are cut to their fields anyway.
  char texts_[kEditCount][256] = {};
};

}  // namespace zorvane
