#pragma once
// The rules of the general settings dialog: automatic checking, its period
// with the up-down control beside it, the display mode and the start with
// Windows. The auto-check timer stands still while the dialog is open.
#include "common/message_box.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "settings/startup_entry.h"

namespace zorvane {

// The up-down control's range; typed periods may go up to 99.
constexpr int kUpDownLowest = 5;
constexpr int kUpDownHighest = 90;

// The main window's auto-check timer.
class AutoCheckTimer {
 public:
  virtual ~AutoCheckTimer() = default;
  virtual void Stop() = 0;
  virtual void Start(unsigned periodMs) = 0;
};

struct GeneralFormInput {
  const char* period;  // valid until the next Read
  bool autoCheck;
  DisplayMode mode;
  bool startWithWindows;
};

class GeneralFormView {
 public:
  virtual ~GeneralFormView() = default;
  virtual GeneralFormInput Read() = 0;
  virtual void Show(bool autoCheck, DisplayMode mode, bool startWithWindows) = 0;
  virtual void ShowPeriod(const char* text) = 0;
  virtual void EnablePeriod(bool enabled) = 0;
  virtual void SetUpDown(int lowest, int highest, int position) = 0;
  virtual void Tell(const char* text, const char* title, MessageIcon icon) = 0;
  virtual void Close() = 0;
};

class GeneralSettingsForm {
 public:
  // owner: the dialog, which owns the settings store's message boxes.
  GeneralSettingsForm(Settings& settings, SettingsStore& store, StartupEntry& startup, AutoCheckTimer& timer,
                      GeneralFormView& view, OwnerWindow owner)
      : options_(settings.options), store_(store), startup_(startup), timer_(timer), view_(view), owner_(owner) {}

  void Open();
  // An arrow of the up-down control, or an arrow key in the period: the
  // control's own position moves and is written out; typed text is not read.
  void UpDownStep(int delta);
  void AutoCheckClicked(bool checked);
  // 更新, or Enter.
  void UpdateButton();
  // 閉じる, Escape or the close box.
  void CloseButton();

 private:
  void RestartTimer();

  CheckOptions& options_;
  SettingsStore& store_;
  StartupEntry& startup_;
  AutoCheckTimer& timer_;
  GeneralFormView& view_;
  OwnerWindow owner_;
  int upDown_ = kUpDownLowest;
};

}  // namespace zorvane
