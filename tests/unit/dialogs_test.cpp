// The settings dialogs' rules: the POP3 form's flag, shown slot, cuts and
// delete texts; the general form's period, up-down, display mode and timer.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "dialogs/general_form.h"
#include "dialogs/server_form.h"
#include "memory_registry.h"

namespace zorvane::testing {
namespace {

using Texts = std::vector<std::string>;

// The settings in memory; what the dialog showed and did, in order: message boxes as "title|text", timer events.
struct Store : SettingsUi {
  void ShowMessage(OwnerWindow, const char*, const char*, MessageIcon) override {}
  void PlayWelcomeSound() override {}
  void Note(const char* title, const char* text) { log.push_back(std::string(title) + "|" + text); }
  MemoryRegistry registry;
  Settings settings = {};
  SettingsStore store{registry, *this, settings};
  Texts log;
};

// Four empty slots, the first one shown; questions are answered OK unless cancel is set.
struct ServerHarness : Store, ServerFormView {
  ServerHarness() { form.Open(); }
  // Typing ends with a key release in an edit.
  void Type(const std::string& typedName, const char* typedPort) {
    name = typedName, server = "127.0.0.1", port = typedPort, user = "u", password = "p";
    form.EditKeyReleased(true);
  }
  ServerFormInput Read() override {
    return {name.c_str(), server.c_str(), port.c_str(), user.c_str(), password.c_str(), true};
  }
  void Show(int, const PopAccount& a) override { name = a.NAME, port = std::to_string(a.PortNo); }
  void ShowList(const Settings&, int selected) override { line = selected; }
  void EnableUpdate(bool enabled) override { update = enabled; }
  void EnableDelete(bool enabled) override { remove = enabled; }
  bool Ask(const char* text, const char* title, Beep) override { return Note(title, text), !cancel; }
  void Tell(const char* text, const char* title, MessageIcon, Beep) override { Note(title, text); }
  void Close() override { closed = true; }

  std::string name, server, port, user, password;
  bool update = false, remove = false, closed = false, cancel = false;
  int line = -1;
  ServerSettingsForm form{settings, store, *this, nullptr};
};

TEST(ServerForm, SwitchingSavingAndClosing) {
  const std::string kSwitch = "警告|内容の変更された項目があります。\n変更を保存しますか？";
  const std::string kClose = "警告|内容に変更があります。\nウインドウを閉じる前に変更を保存しますか？";
  const std::string kBlank = "Zorvane|入力されていない空白の項目があります。";
  using Form = ServerSettingsForm;
  const struct {
    const char *typed, *port;  // typed nullptr: nothing typed; then the line selected (or -1), the button pressed
    int line; void (Form::*button)(); bool cancel;
    const char *shownName, *account1; int shown; bool unsaved, closed; Texts boxes;
  } cases[] = {
      // Saved into the slot shown, never the one selected.
      {"仕事", "110", 2, nullptr, false, "", "仕事", 2, false, false, {kSwitch}},
      {"仕事", "110", 2, nullptr, true, "仕事", "", 0, true, false, {kSwitch}},
      {"仕事", "0", 2, nullptr, false, "仕事", "", 0, true, false, {kSwitch, kBlank}},
      {"仕事", "110", 0, nullptr, false, "仕事", "", 0, true, false, {}},  // the line shown: the typing stays
      {nullptr, "", 2, nullptr, false, "", "", 2, false, false, {}},
      {nullptr, "", -1, &Form::OkButton, false, "", "", 0, false, false, {kBlank}},
      {nullptr, "", -1, &Form::CloseButton, false, "", "", 0, false, true, {}},
      {"仕事", "110", -1, &Form::CloseButton, true, "仕事", "", 0, true, true, {kClose}},
      {"仕事", "70000", -1, &Form::CloseButton, false, "仕事", "仕事", 0, true, true, {kClose}},
      {"仕事", "", -1, &Form::CloseButton, false, "仕事", "", 0, true, false, {kClose, kBlank}},
  };
  for (const auto& c : cases) {
    ServerHarness h;
    if (c.typed != nullptr) h.Type(c.typed, c.port);
    h.cancel = c.cancel;
    if (c.line >= 0) h.line = c.line, h.form.SelectionChanged(c.line);  // the user's click selects
    if (c.button != nullptr) (h.form.*c.button)();
    EXPECT_EQ(std::tuple(h.name, std::string(h.settings.accounts[0].NAME), h.settings.accounts[2].NAME[0],
                         h.form.shownSlot(), h.line, h.form.unsaved(), h.update, h.closed, h.log),
              std::tuple(c.shownName, c.account1, '\0', c.shown, c.shown, c.unsaved, c.unsaved, c.closed, c.boxes))
        << c.port << " line " << c.line;
  }
}

TEST(ServerForm, CutsAndDeleteAfterAnUpdateThatFilledAnEmptySlot) {
  const std::string n61(61, 'n'), n62(62, 'n'), p64(64, 'p');
  ServerHarness h;
  h.Type(n62 + "名" + n61 + "名", "70000");  // 129 bytes, a character across both cuts
  h.user = n62 + "名", h.password = p64;
  h.form.UpdateButton();
  const PopAccount& saved = h.settings.accounts[0];
  EXPECT_EQ(std::tuple(std::string(saved.NAME), std::string(saved.UserId), std::string(saved.PassWord), saved.PortNo),
            std::tuple(n62 + "名" + n61, n62, p64.substr(1), 70000));
  EXPECT_STREQ(MakeDeleteTexts(saved.NAME).done, ("設定、「" + n62 + "」を削除しました。").c_str());
  EXPECT_FALSE(h.remove);  // until the form is filled again
  h.form.SelectionChanged(0);
  EXPECT_TRUE(h.remove);
  h.form.EditKeyReleased(true);
  h.form.DeleteButton();
  EXPECT_EQ(std::tuple(h.log.back(), std::string(saved.NAME) + h.name, h.remove, h.form.unsaved()),
            std::tuple("削除完了|" + std::string(MakeDeleteTexts(n62.c_str()).done), "", false, true));
}

// The period as typed, the controls and the timer.
struct GeneralHarness : Store, GeneralFormView, AutoCheckTimer {
  GeneralFormInput Read() override { return {period.c_str(), autoCheck, mode}; }
  void Show(bool check, DisplayMode shown) override { autoCheck = check, mode = shown; }
  void ShowPeriod(const char* text) override { period = text; }
  void EnablePeriod(bool on) override { enabled = on; }
  void SetUpDown(int, int, int) override {}
  void Tell(const char* text, const char* title, MessageIcon) override { Note(title, text); }
  void Close() override { closed = true; }
  void Stop() override { log.push_back("stop"); }
  void Start(unsigned periodMs) override { log.push_back("start " + std::to_string(periodMs)); }

  std::string period;
  bool autoCheck = false, enabled = false, closed = false;
  DisplayMode mode = DisplayMode::BallsAndDialog;
  GeneralSettingsForm form{settings, store, *this, *this, nullptr};
};

TEST(GeneralForm, PeriodUpDownModeAndTimer) {
  const std::string kRange = "警告|チェック時間は、5～99の間の整数値で入力して下さい。";
  const struct {
    std::int32_t isChk, chkTime, chkOpti; const char* typed; int upDown; bool update;  // upDown: steps after typing
    std::int32_t savedTime, savedOpti; Texts events;
  } cases[] = {
      {1, 10, 1, "5", 0, true, 5, 1, {"stop", "start 300000"}},
      {1, 10, 2, "99", 0, true, 99, 2, {"stop", "start 5940000"}},
      {1, 10, 7, "4", 0, true, 10, 7, {"stop", kRange}},
      {1, 10, 0, "100", 0, true, 10, 0, {"stop", kRange}},
      {0, 10, 0, "0", 0, true, 10, 0, {"stop", kRange}},
      {1, 10, 0, "", 0, true, 10, 0, {"stop", kRange}},
      {0, 10, 7, "20", 0, true, 20, 0, {"stop"}},  // a mode outside 0 to 2 shows as both and is saved as 0
      {1, 10, 0, "50", 1, true, 11, 0, {"stop", "start 660000"}},  // the up-down did not follow the typing
      {0, 95, 0, "50", 1, true, 90, 0, {"stop"}},
      {1, 10, 0, "50", 0, false, 10, 0, {"stop", "start 600000"}},
  };
  for (const auto& c : cases) {
    GeneralHarness h;
    h.settings.options = {c.isChk, c.chkTime, c.chkOpti};
    h.form.Open();
    EXPECT_EQ(std::pair(h.period, h.enabled), std::pair(std::to_string(c.chkTime), c.isChk != 0));
    h.period = c.typed;
    if (c.upDown != 0) h.form.UpDownStep(c.upDown);
    c.update ? h.form.UpdateButton() : h.form.CloseButton();
    const bool saved = h.registry.Find("Software\\Quillmoor Software\\Mireth", "ChkTime") != nullptr;
    EXPECT_EQ(std::tuple(h.log, h.settings.options.ChkTime, h.settings.options.ChkOpti, h.closed, saved),
              std::tuple(c.events, c.savedTime, c.savedOpti, c.events.back() != kRange, c.update && h.closed))
        << c.typed << " " << c.upDown;
  }
}

}  // namespace
}  // namespace zorvane::testing
