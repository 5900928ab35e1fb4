// The settings dialogs' rules: the POP3 form's flag, shown slot, cuts and
// delete texts; the general form's period, up-down, display mode and timer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/general_form.h"
#include "dialogs/server_form.h"
#include "memory_registry.h"

namespace zorvane::testing {
namespace {

using Boxes = std::vector<std::string>;  // "title|text" of each message box and question

struct SilentUi : SettingsUi {
  void ShowMessage(OwnerWindow, const char*, const char*, MessageIcon) override {}
  void PlayWelcomeSound() override {}
};

struct Store {
  MemoryRegistry registry;
  SilentUi ui;
  Settings settings = {};
  SettingsStore store{registry, ui, settings};
};

// The controls as the form left them; questions are answered OK unless cancel is set.
struct FakeServerView : ServerFormView {
  std::string name, server, port, user, password;
  bool included = false, update = false, remove = false, closed = false, cancel = false;
  int line = -1; Boxes boxes;
  ServerFormInput Read() override { return {name.c_str(), server.c_str(), port.c_str(), user.c_str(), password.c_str(), included}; }
  void Show(const PopAccount& a) override {
    name = a.NAME, server = a.Serv, port = std::to_string(a.PortNo), user = a.UserId, password = a.PassWord;
  }
  void ShowPreview(int) override {}
  void ShowList(const Settings&, int selected) override { line = selected; }
  void Select(int slot) override { line = slot; }
  void EnableUpdate(bool enabled) override { update = enabled; }
  void EnableDelete(bool enabled) override { remove = enabled; }
  bool Ask(const char* text, const char* title, Beep) override { return Tell(text, title, {}, {}), !cancel; }
  void Tell(const char* text, const char* title, MessageIcon, Beep) override { boxes.push_back(std::string(title) + "|" + text); }
  void Close() override { closed = true; }
};

// Four empty slots, the first one shown.
struct ServerHarness : Store {
  ServerHarness() { form.Open(); }
  // Typing ends with a key release in an edit.
  void Type(const std::string& name, const char* port) {
    view.name = name, view.server = "127.0.0.1", view.port = port, view.user = "u", view.password = "p";
    form.EditKeyReleased(true);
  }
  FakeServerView view;
  ServerSettingsForm form{settings, store, view, nullptr};
};

TEST(ServerForm, SwitchingSavingAndClosing) {
  const std::string kSwitch = "警告|内容の変更された項目があります。\n変更を保存しますか？";
  const std::string kClose = "警告|内容に変更があります。\nウインドウを閉じる前に変更を保存しますか？";
  const std::string kBlank = "Zorvane|入力されていない空白の項目があります。";
  using Form = ServerSettingsForm;
  const struct {
    const char *typed, *port;  // typed nullptr: nothing typed; then the line selected (or -1), the button pressed
    int line; void (Form::*button)(); bool cancel;
    const char *shownName, *account1; int shown; bool unsaved, closed; Boxes boxes;
  } cases[] = {
      {"仕事", "110", 2, nullptr, false, "", "仕事", 2, false, false, {kSwitch}},  // into the slot shown, never the selected one
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
    h.view.cancel = c.cancel;
    if (c.line >= 0) h.view.line = c.line, h.form.SelectionChanged(c.line);  // the user's click selects
    if (c.button != nullptr) (h.form.*c.button)();
    EXPECT_EQ(std::tuple(h.view.name, std::string(h.settings.accounts[0].NAME), h.settings.accounts[2].NAME[0],
                         h.form.shownSlot(), h.view.line, h.form.unsaved(), h.view.update, h.view.closed, h.view.boxes),
              std::tuple(c.shownName, c.account1, '\0', c.shown, c.shown, c.unsaved, c.unsaved, c.closed, c.boxes))
        << c.port << " line " << c.line;
  }
}

TEST(ServerForm, CutsThenDeleteAfterAnUpdateThatFilledAnEmptySlot) {
  const std::string n61(61, 'n'), n62(62, 'n'), p64(64, 'p');
  ServerHarness h;
  h.Type(n62 + "名" + n61 + "名", "70000");  // 129 bytes, a character across both cuts
  h.view.user = n62 + "名", h.view.password = p64;
  h.form.UpdateButton();
  const PopAccount& saved = h.settings.accounts[0];
  EXPECT_EQ(std::tuple(std::string(saved.NAME), std::string(saved.UserId), std::string(saved.PassWord), saved.PortNo),
            std::tuple(n62 + "名" + n61, n62, p64.substr(1), 70000));
  EXPECT_FALSE(h.view.remove);  // until the form is filled again
  h.form.SelectionChanged(0);  // the line shown, nothing changed: filled again
  EXPECT_TRUE(h.view.remove);
  h.form.EditKeyReleased(true);
  h.form.DeleteButton();
  h.form.DeleteButton();  // the empty slot again
  EXPECT_EQ(h.view.boxes, (Boxes{"警告|設定、「" + n62 + "」を削除してもいいですか？", "削除完了|設定、「" + n62 + "」を削除しました。",
                                 "警告|設定、「」を削除してもいいですか？", "削除完了|設定、「」を削除しました。"}));
  EXPECT_EQ(std::tuple(std::string(saved.NAME) + h.view.name, h.view.port, h.view.remove, h.form.unsaved()),
            std::tuple("", "110", false, true));  // deleting leaves the flag alone
}

// The period as typed, the controls and the timer.
struct FakeGeneralView : GeneralFormView, AutoCheckTimer {
  std::string period;
  bool autoCheck = false, enabled = false, closed = false;
  DisplayMode mode = DisplayMode::BallsAndDialog;
  Boxes events;  // messages and the timer
  GeneralFormInput Read() override { return {period.c_str(), autoCheck, mode}; }
  void Show(bool check, DisplayMode shown) override { autoCheck = check, mode = shown; }
  void ShowPeriod(const char* text) override { period = text; }
  void EnablePeriod(bool on) override { enabled = on; }
  void SetUpDown(int, int, int) override {}
  void Tell(const char* text, const char* title, MessageIcon) override { events.push_back(std::string(title) + "|" + text); }
  void Close() override { closed = true; }
  void Stop() override { events.push_back("stop"); }
  void Start(unsigned periodMs) override { events.push_back("start " + std::to_string(periodMs)); }
};

TEST(GeneralForm, PeriodUpDownModeAndTimer) {
  const std::string kRange = "警告|チェック時間は、5～99の間の整数値で入力して下さい。";
  const struct {
    std::int32_t isChk, chkTime, chkOpti; const char* typed; int upDown; bool update;  // upDown: steps after typing
    std::int32_t savedTime, savedOpti; Boxes events;
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
    Store s;
    s.settings.options = {c.isChk, c.chkTime, c.chkOpti};
    FakeGeneralView view;
    GeneralSettingsForm form{s.settings, s.store, view, view, nullptr};
    form.Open();
    EXPECT_EQ(std::pair(view.period, view.enabled), std::pair(std::to_string(c.chkTime), c.isChk != 0));
    view.period = c.typed;
    if (c.upDown != 0) form.UpDownStep(c.upDown);
    c.update ? form.UpdateButton() : form.CloseButton();
    const bool saved = s.registry.Find("Software\\Quillmoor Software\\Mireth", "ChkTime") != nullptr;
    EXPECT_EQ(std::tuple(view.events, s.settings.options.ChkTime, s.settings.options.ChkOpti, view.closed, saved),
              std::tuple(c.events, c.savedTime, c.savedOpti, c.events.back() != kRange, c.update && view.closed))
        << c.typed << " " << c.upDown;
  }
}

}  // namespace
}  // namespace zorvane::testing
