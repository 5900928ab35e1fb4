#include "dialogs/general_form.h"

#include <algorithm>
#include <cstdio>

#include "dialogs/form_fields.h"

namespace zorvane {

namespace {

struct NumberText {
  char text[12];
};

NumberText Decimal(int number) {
  NumberText text;
  std::snprintf(text.text, sizeof text.text, "%d", number);
  return text;
}

std::int32_t ChkOptiOf(DisplayMode mode) {
  switch (mode) {
    case DisplayMode::BallsOnly: return 1;
    case DisplayMode::DialogOnly: return 2;
    default: return 0;
  }
}

}  // namespace

void GeneralSettingsForm::Open() {
  upDown_ = std::clamp(options_.ChkTime, kUpDownLowest, kUpDownHighest);
  view_.SetUpDown(kUpDownLowest, kUpDownHighest, upDown_);
  view_.ShowPeriod(Decimal(options_.ChkTime).text);
  view_.Show(options_.IsChk != 0, DisplayModeOf(options_), startup_.NamesThisExecutable());
  view_.EnablePeriod(options_.IsChk != 0);
  timer_.Stop();
}

void GeneralSettingsForm::UpDownStep(int delta) {
  upDown_ = std::clamp(upDown_ + delta, kUpDownLowest, kUpDownHighest);
  view_.ShowPeriod(Decimal(upDown_).text);
}

void GeneralSettingsForm::AutoCheckClicked(bool checked) { view_.EnablePeriod(checked); }

void GeneralSettingsForm::UpdateButton() {
  const GeneralFormInput input = view_.Read();
  const std::uint32_t minutes = ReadUnsigned(input.period);
  if (minutes < static_cast<unsigned>(kMinCheckMinutes) || minutes > static_cast<unsigned>(kMaxCheckMinutes)) {
    view_.Tell("チェック時間は、5～99の間の整数値で入力して下さい。", "警告", MessageIcon::Error);
    return;
  }
  // In force for this run even when the registry cannot take them.
  options_.IsChk = input.autoCheck ? 1 : 0;
  options_.ChkOpti = ChkOptiOf(input.mode);
  options_.ChkTime = static_cast<std::int32_t>(minutes);
  store_.SaveOptions(owner_);
  startup_.Set(owner_, input.startWithWindows);
  RestartTimer();
  view_.Close();
}

void GeneralSettingsForm::CloseButton() {
  RestartTimer();
  view_.Close();
}

void GeneralSettingsForm::RestartTimer() {
  if (const unsigned period = AutoCheckPeriodMs(options_)) timer_.Start(period);
}

}  // namespace zorvane
