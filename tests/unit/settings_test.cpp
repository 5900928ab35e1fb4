// The settings store's writes, loads and failures, and the start with Windows; the fuzz targets drive the settings
// dialogs' forms over it.
#include <gtest/gtest.h>

#include <algorithm>
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

// A save keeps the plain password and Imagetype in memory, as a completed STLS is kept, and a load gives back what
// they stored, a password's 'N' (the scramble's key) too; only account 1 loads the options, also when it is cleared.
TEST_F(SettingsTest, RecordsFollowLoadsSavesAndClears) {
  const auto fields = [](const PopAccount& a) {
    return std::tuple(std::string(a.NAME) + a.Serv + a.UserId + a.PassWord, a.PortNo, a.ChkFlg, a.Imagetype, a.StlsFlg);
  };
  registry.Put(Pop(2), "Imagetype", kRegDword, {2, 0, 0, 0});
  registry.Put(kSettings, "ChkTime", kRegDword, {30, 0, 0, 0});
  settings.options = {7, 8, 9};
  store.LoadAccount(owner, 2);
  store.SaveAccount(owner, 2, {"新しい名前", "127.0.0.1", "bob", "pässNwörd", 1110, 1, 0, kStlsWhenOffered, 0, ""});
  store.RememberStartTls(owner, 2);
  const auto saved = fields(settings.account(2));
  settings.account(2) = {};
  store.LoadAccount(owner, 2);
  EXPECT_EQ(std::tuple(fields(settings.account(2)), saved, settings.options.ChkTime),
            std::tuple(saved, std::tuple(std::string("新しい名前127.0.0.1bobpässNwörd"), 1110, 1, 2, 1), 8));
  store.ClearAccount(owner, 2);
  store.ClearAccount(owner, 1);
  EXPECT_EQ(std::tuple(fields(settings.account(2)), settings.options.IsChk, settings.options.ChkTime,
                       settings.options.ChkOpti),
            std::tuple(std::tuple(std::string(), 110, 0, 0, 0), 7, 30, 9));
  // A key that will not open is told once, whichever it is: here Software, the maker's key, the settings key and the
  // account's.
  registry.failOpen.insert("Software");
  store.SaveAccount(owner, 1, {});
  EXPECT_EQ(std::count(registry.journal.begin(), registry.journal.end(), kRegistryError), 4);
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

}  // namespace
}  // namespace zorvane::testing
