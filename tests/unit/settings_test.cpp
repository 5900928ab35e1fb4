// The settings store's writes, loads and failures; the settings dialogs' rules: the POP3 form's flag, shown slot, cuts
// and delete texts, the general form's period, up-down, display mode and timer.
#include <gtest/gtest.h>

#include <tuple>

#include "form_fakes.h"

namespace zorvane::testing {
namespace {

const std::string kSettings = "Software\\Quillmoor Software\\Mireth";
std::string Pop(int n) { return kSettings + "\\POP" + std::to_string(n); }
const std::string kRegistryError = "警告|レジストリのエラー";

// Every operation closes the keys it opened and ends its enumerations: the fuzz targets check that.
class SettingsTest : public ::testing::Test, protected SettingsInMemory {
 protected:
  OwnerWindow owner = this;
};

// Every write of a first start, SaveOptions, SaveAccount and ClearAccount in order, with the messages between
// them; then the same operations with no Software key.
TEST_F(SettingsTest, WritesTheseValuesInThisOrder) {
  const auto defaults = [](const std::string& key) {
    return Texts{key + "|ChkFlg|4|4|0",    key + "|Imagetype|4|4|0", key + "|PortNo|4|4|110", key + "|NAME|1|256|",
                 key + "|PassWord|1|256|", key + "|Serv|1|256|",     key + "|UserId|1|256|"};
  };
  const auto account = [](const std::string& key) {
    return Texts{key + "|NAME|1|128|新しい名前", key + "|Serv|1|128|127.0.0.1", key + "|UserId|1|64|bob",
                 key + "|PassWord|1|64|>Nä",     key + "|PortNo|4|4|1110",      key + "|ChkFlg|4|4|1",
                 key + "|StlsFlg|4|4|2",         key + "|NewFlg|4|4|1",         key + "|SeenUidl|1|256|7 x"};
  };
  const Texts three(3, kRegistryError);
  Texts expected;
  for (const Texts& step :
       {Texts{"sound", "ようこそ！！|" + std::string(kWelcomeText), "Mireth|BOOT|4|4|1", "Mireth|ChkTime|4|4|10",
              "Mireth|ChkOpti|4|4|0", "Mireth|IsChk|4|4|0"},
        defaults("POP1"),
        defaults("POP2"),
        defaults("POP3"),
        defaults("POP4"),
        {"Mireth|ChkTime|4|4|42", "Mireth|ChkOpti|4|4|2", "Mireth|IsChk|4|4|1", "Mireth|BOOT|4|4|1"},
        account("POP2"),
        defaults("POP3"),
        {"POP3|StlsFlg|4|4|0", "POP3|NewFlg|4|4|0", "POP3|SeenUidl|1|256|"},
        three,
        {"-|ChkTime|4|4|42", "-|ChkOpti|4|4|2", "-|IsChk|4|4|1"},
        three,
        {kRegistryError, "-|BOOT|4|4|1"},
        account("-"),
        three,
        defaults("-"),
        {"-|StlsFlg|4|4|0", "-|NewFlg|4|4|0", "-|SeenUidl|1|256|"},
        three,
        {kRegistryError}}) {
    expected.insert(expected.end(), step.begin(), step.end());
  }

  const PopAccount record = {"新しい名前", "127.0.0.1", "bob", "pNä", 1110, 1, 5, kStlsNever, 1, "7 x"};
  for (const bool broken : {false, true}) {
    if (broken) registry.failOpen.insert("Software");
    if (!broken) store.CheckFirstStart(owner);
    settings.options = {1, 42, 2};
    store.SaveOptions(owner);
    store.SaveAccount(owner, broken ? 1 : 2, record);
    store.ClearAccount(owner, broken ? 4 : 3);
  }
  EXPECT_EQ(registry.journal, expected);
}

// The records after each operation: a save keeps the plain password and Imagetype in memory, and a load gives
// back what it stored; only account 1 loads the options, also when it is cleared.
TEST_F(SettingsTest, RecordsFollowLoadsSavesAndClears) {
  const auto fields = [](const PopAccount& a) {
    return std::tuple(std::string(a.NAME) + a.Serv + a.UserId + a.PassWord, a.PortNo, a.ChkFlg, a.Imagetype, a.StlsFlg);
  };
  registry.Put(Pop(2), "Imagetype", kRegDword, {2, 0, 0, 0});
  registry.Put(kSettings, "ChkTime", kRegDword, {30, 0, 0, 0});
  settings.options = {7, 8, 9};
  store.LoadAccount(owner, 2);
  store.SaveAccount(owner, 2, {"新しい名前", "127.0.0.1", "bob", "pässwörd", 1110, 1, 0, kStlsRequired, 0, ""});
  const auto saved = fields(settings.account(2));
  settings.account(2) = {};
  store.LoadAccount(owner, 2);
  EXPECT_EQ(std::tuple(fields(settings.account(2)), saved, settings.options.ChkTime),
            std::tuple(saved, std::tuple(std::string("新しい名前127.0.0.1bobpässwörd"), 1110, 1, 2, 1), 8));
  store.ClearAccount(owner, 2);
  store.ClearAccount(owner, 1);
  EXPECT_EQ(std::tuple(fields(settings.account(2)), settings.options.IsChk, settings.options.ChkTime,
                       settings.options.ChkOpti),
            std::tuple(std::tuple(std::string(), 110, 0, 0, 0), 7, 30, 9));
}

TEST_F(SettingsTest, LoadFailuresAreReportedAndTheLoadStillEnds) {
  registry.Put(Pop(1), std::string(300, 'x'), kRegSz, {'x', 0});  // too large for the buffers: skipped
  registry.Put(Pop(1), "NAME", kRegSz, std::vector<unsigned char>(300, 'n'));
  for (int n : {1, 2}) registry.Put(Pop(n), "Serv", kRegSz, {'s', 0});
  registry.failEnum[Pop(2)] = 5;  // at every call: the enumeration ends
  store.LoadAccount(owner, 1);
  store.LoadAccount(owner, 2);
  EXPECT_EQ(std::tuple(registry.journal, std::string(settings.account(1).Serv), settings.account(2).Serv[0]),
            std::tuple(Texts(3, "警告|レジストリのエラー5"), "s", '\0'));
}

// A value names this program quoted or not, in any case; only a change writes, so another copy's value stays; a
// refused write is told.
TEST_F(SettingsTest, StartWithWindows) {
  const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const auto set = [&](const std::string& stored, bool on) {
    registry.Put(kRun, "Zorvane", kRegSz, {stored.c_str(), stored.c_str() + stored.size() + 1});
    const bool named = startup.NamesThisExecutable();
    startup.Set(owner, on);
    return named;
  };
  EXPECT_EQ((std::vector<bool>{set("\"c:\\zorvane\\ZORVANE.EXE\"", false), set("C:\\Zorvane\\zorvane.exe", true),
                               set("\"D:\\Zorvane\\zorvane.exe\"", false)}),
            (std::vector<bool>{true, true, false}));
  registry.failOpen.insert(kRun);
  startup.Set(owner, true);
  EXPECT_EQ(registry.journal,
            (Texts{"Zorvane|deleted", "-|Zorvane|1|25|\"C:\\Zorvane\\zorvane.exe\"", kRegistryError}));
}

TEST_F(SettingsTest, InvalidAccountNumbersChangeNothing) {
  for (int n : {0, 5, -1}) {
    store.LoadAccount(owner, n);
    store.SaveAccount(owner, n, {});
    store.ClearAccount(owner, n);
  }
  EXPECT_EQ(registry.journal, Texts(9, "Zorvaneエラー|レジストリが不正です"));
}

// Four empty slots, the first one shown.
struct ServerHarness : SettingsInMemory, FakeServerView {
  ServerHarness() { form.Open(); }
  // Typing ends with a key release in an edit.
  void Type(const std::string& name, const char* port) {
    t[0] = name;
    t[1] = "127.0.0.1";
    t[2] = port;
    t[3] = "u";
    t[4] = "p";
    form.EditKeyReleased(true);
  }
  ServerSettingsForm form{settings, store, *this, nullptr};
};

// The questions and refusals in order; the flag, the shown slot and closing follow the fuzzed rules.
TEST(ServerForm, QuestionsBeforeSwitchingAndClosingAndTheBlankFieldRefusal) {
  const std::string kSwitch = "警告|内容の変更された項目があります。\n変更を保存しますか？";
  const std::string kClose = "警告|内容に変更があります。\nウインドウを閉じる前に変更を保存しますか？";
  const std::string kBlank = "Zorvane|入力されていない空白の項目があります。";
  ServerHarness h;
  h.Type("仕事", "0");
  h.form.SelectionChanged(0);  // the line shown: the typing stays, unasked
  h.form.SelectionChanged(2);  // OK, but the port is 0
  h.answer = [] { return false; };
  h.form.SelectionChanged(2);
  h.form.CloseButton();  // Cancel: closes without saving
  EXPECT_EQ(std::tuple(h.t[0], h.closed, h.settings.accounts[0].NAME[0]), std::tuple("仕事", true, '\0'));
  h.answer = [] { return true; };
  h.closed = false;
  h.form.CloseButton();  // OK, but the port is 0: stays open
  h.t[2] = "70000";
  h.form.CloseButton();
  EXPECT_EQ(std::tuple(h.log, std::string(h.settings.accounts[0].NAME), h.closed),
            std::tuple(Texts{kSwitch, kBlank, kSwitch, kClose, kClose, kBlank, kClose}, "仕事", true));
}

TEST(ServerForm, CutsAndDeleteAfterAnUpdateThatFilledAnEmptySlot) {
  const std::string n61(61, 'n'), n62(62, 'n'), p64(64, 'p');
  ServerHarness h;
  h.Type(n62 + "名" + n61 + "名", "70000");  // 129 bytes, a character across both cuts
  h.t[3] = n62 + "名";
  h.t[4] = p64;
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
  EXPECT_EQ(std::tuple(h.log.back(), std::string(saved.NAME) + h.t[0], h.remove, h.form.unsaved()),
            std::tuple("削除完了|" + std::string(MakeDeleteTexts(n62.c_str()).done), "", false, true));
}

TEST(GeneralForm, PeriodUpDownModeAndTimer) {
  const std::string kRange = "警告|チェック時間は、5～99の間の整数値で入力して下さい。";
  const auto run = [](CheckOptions stored, const char* typed, int steps) {
    SettingsInMemory s;
    FakeGeneralView h;
    GeneralSettingsForm form{s.settings, s.store, s.startup, h, h, nullptr};
    s.settings.options = stored;
    form.Open();
    const auto opened = std::pair(h.period, h.enabled);
    for (const char* refused : {"4", ""}) {
      h.period = refused;
      form.UpdateButton();
    }
    h.period = typed;
    for (int i = 0; i < steps; ++i) form.UpDownStep(1);
    form.UpdateButton();
    const CheckOptions& o = s.settings.options;
    return std::tuple(opened, h.period, h.log, std::tuple(o.IsChk, o.ChkTime, o.ChkOpti, h.closed));
  };
  // The up-down does not follow the typing; a mode outside 0 to 2 shows as both and is saved as 0.
  EXPECT_EQ(run({1, 10, 7}, "50", 1),
            std::tuple(std::pair(std::string("10"), true), "11", Texts{"stop", kRange, kRange, "start 660000"},
                       std::tuple(1, 11, 0, true)));
  EXPECT_EQ(run({0, 95, 2}, "99", 0), std::tuple(std::pair(std::string("95"), false), "99",
                                                 Texts{"stop", kRange, kRange}, std::tuple(0, 99, 2, true)));
  EXPECT_EQ(std::get<1>(run({0, 95, 1}, "", 6)), "90");  // the arrows stop at 90
  EXPECT_EQ(std::get<3>(run({1, 10, 1}, "5", 0)), std::tuple(1, 5, 1, true));
}

}  // namespace
}  // namespace zorvane::testing
