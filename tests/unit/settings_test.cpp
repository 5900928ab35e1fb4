// The settings store's writes, loads and failures, and the start with Windows; the fuzz targets drive the settings
// dialogs' forms over it.
#include <gtest/gtest.h>

#include <tuple>

#include "memory_registry.h"

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
// them; then the last two with no Software key.
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
  settings.options = {1, 42, 2};
  for (const bool broken : {false, true}) {
    if (broken) registry.failOpen.insert("Software");
    if (!broken) store.CheckFirstStart(owner);
    if (!broken) store.SaveOptions(owner);
    store.SaveAccount(owner, broken ? 1 : 2, record);
    store.ClearAccount(owner, broken ? 4 : 3);
  }
  EXPECT_EQ(registry.journal, expected);
}

// The records after each operation: a save keeps the plain password and Imagetype in memory, as a completed STLS is
// kept, and a load gives back what they stored; only account 1 loads the options, also when it is cleared.
TEST_F(SettingsTest, RecordsFollowLoadsSavesAndClears) {
  const auto fields = [](const PopAccount& a) {
    return std::tuple(std::string(a.NAME) + a.Serv + a.UserId + a.PassWord, a.PortNo, a.ChkFlg, a.Imagetype, a.StlsFlg);
  };
  registry.Put(Pop(2), "Imagetype", kRegDword, {2, 0, 0, 0});
  registry.Put(kSettings, "ChkTime", kRegDword, {30, 0, 0, 0});
  settings.options = {7, 8, 9};
  store.LoadAccount(owner, 2);
  store.SaveAccount(owner, 2, {"新しい名前", "127.0.0.1", "bob", "pässwörd", 1110, 1, 0, kStlsWhenOffered, 0, ""});
  store.RememberStartTls(owner, 2);
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
    store.RememberStartTls(owner, n);
    store.SaveSeenMark(owner, n, "1 a");
  }
  EXPECT_EQ(registry.journal, Texts(15, "Zorvaneエラー|レジストリが不正です"));
}

}  // namespace
}  // namespace zorvane::testing
