#include <string>
#include <vector>

#include "settings_fixture.h"

namespace zorvane::testing {
namespace {

std::vector<unsigned char> Padded(const std::string& text, std::size_t length) { return TextBytes(text, length); }

class SaveSettings : public SettingsTest {};

TEST_F(SaveSettings, SaveAccountWritesFixedLengthsScrambledPasswordAndBoot) {
  registry.PutDword(kSettingsPath, "BOOT", 0);
  store.SaveAccount(owner(), 2, DialogRecord("仕事", "pop.example.test", "alice", "abc", 995, 1));

  const std::string path = AccountPath(2);
  const std::pair<const char*, std::vector<unsigned char>> texts[] = {
      {"NAME", Padded("仕事", 128)},
      {"Serv", Padded("pop.example.test", 128)},
      {"UserId", Padded("alice", 64)},
      {"PassWord", Padded("/,-", 64)},  // "abc" scrambled
  };
  for (const auto& [name, bytes] : texts) {
    const auto value = registry.Find(path, name);
    ASSERT_TRUE(value) << name;
    EXPECT_EQ(value->type, kRegSz) << name;
    EXPECT_EQ(value->data, bytes) << name;
  }
  EXPECT_EQ(registry.Dword(path, "PortNo"), 995u);
  EXPECT_EQ(registry.Dword(path, "ChkFlg"), 1u);
  EXPECT_EQ(registry.Dword(kSettingsPath, "BOOT"), 1u);
  EXPECT_EQ(registry.ValueCount(path), 6u);  // no Imagetype written
  EXPECT_TRUE(ui.events.empty());
  ExpectAllKeysClosed();
}

TEST_F(SaveSettings, SaveAccountNeverChangesImagetype) {
  registry.PutDword(AccountPath(1), "Imagetype", 7);
  settings.account(1).Imagetype = 3;
  PopAccount record = DialogRecord("Home", "mail.example.test", "bob", "pw", 110, 0);
  record.Imagetype = 9;

  store.SaveAccount(owner(), 1, record);

  EXPECT_EQ(registry.Dword(AccountPath(1), "Imagetype"), 7u);
  EXPECT_EQ(settings.account(1).Imagetype, 3);
}

TEST_F(SaveSettings, SavedAccountIsInMemoryAsPlainTextAndLoadsBackTheSame) {
  // A non-ASCII password keeps its UTF-8 bytes in the stored form.
  const PopAccount record = DialogRecord("個人", "192.0.2.7", "carol", "p\xC3\xA4sswN\xC3\xB6rd", 1110, 1);
  store.SaveAccount(owner(), 4, record);

  const PopAccount& saved = settings.account(4);
  EXPECT_STREQ(saved.NAME, record.NAME);
  EXPECT_STREQ(saved.Serv, record.Serv);
  EXPECT_STREQ(saved.UserId, record.UserId);
  EXPECT_STREQ(saved.PassWord, record.PassWord);
  EXPECT_EQ(saved.PortNo, 1110);
  EXPECT_EQ(saved.ChkFlg, 1);

  settings.account(4) = PopAccount{};
  store.LoadAccount(owner(), 4);
  EXPECT_STREQ(settings.account(4).NAME, record.NAME);
  EXPECT_STREQ(settings.account(4).PassWord, record.PassWord);
  EXPECT_EQ(settings.account(4).PortNo, 1110);
  ExpectAllKeysClosed();
}

TEST_F(SaveSettings, LongestTextsStillEndInATerminatorWithinTheirLength) {
  const std::string name(127, 'n');
  const std::string user(63, 'u');
  store.SaveAccount(owner(), 1, DialogRecord(name.c_str(), "s", user.c_str(), std::string(63, 'p').c_str(), 110, 1));

  EXPECT_EQ(registry.Find(AccountPath(1), "NAME")->data, Padded(name, 128));
  EXPECT_EQ(registry.Find(AccountPath(1), "UserId")->data, Padded(user, 64));
  store.LoadAccount(owner(), 1);
  EXPECT_EQ(std::string(settings.account(1).PassWord), std::string(63, 'p'));
}

TEST_F(SaveSettings, SaveOptionsWritesTheThreeOptionsAndNotBoot) {
  settings.options = {1, 42, 2};
  store.SaveOptions(owner());
  EXPECT_EQ(registry.Dword(kSettingsPath, "IsChk"), 1u);
  EXPECT_EQ(registry.Dword(kSettingsPath, "ChkTime"), 42u);
  EXPECT_EQ(registry.Dword(kSettingsPath, "ChkOpti"), 2u);
  EXPECT_FALSE(registry.Find(kSettingsPath, "BOOT"));
  EXPECT_EQ(registry.ValueCount(kSettingsPath), 3u);
  ExpectAllKeysClosed();
}

TEST_F(SaveSettings, ClearAccountWritesDefaultsAndReloadsTheRecord) {
  store.SaveAccount(owner(), 3, DialogRecord("Old", "old.example.test", "old", "old", 995, 1));
  store.ClearAccount(owner(), 3);

  const std::string path = AccountPath(3);
  EXPECT_EQ(registry.Dword(path, "ChkFlg"), 0u);
  EXPECT_EQ(registry.Dword(path, "Imagetype"), 0u);
  EXPECT_EQ(registry.Dword(path, "PortNo"), 110u);
  for (const char* name : {"NAME", "PassWord", "Serv", "UserId"}) {
    EXPECT_EQ(registry.Find(path, name)->data, std::vector<unsigned char>(256, 0)) << name;
  }
  const PopAccount& account = settings.account(3);
  EXPECT_STREQ(account.NAME, "");
  EXPECT_STREQ(account.Serv, "");
  EXPECT_STREQ(account.PassWord, "");
  EXPECT_EQ(account.PortNo, 110);
  EXPECT_EQ(account.ChkFlg, 0);
  ExpectAllKeysClosed();
}

TEST_F(SaveSettings, ClearingAccountOneRereadsTheOptionsAndOthersDoNot) {
  registry.PutDword(kSettingsPath, "ChkTime", 25);
  registry.PutDword(kSettingsPath, "IsChk", 1);
  settings.options = {0, 10, 0};

  store.ClearAccount(owner(), 2);
  EXPECT_EQ(settings.options.ChkTime, 10);
  EXPECT_EQ(settings.options.IsChk, 0);

  store.ClearAccount(owner(), 1);
  EXPECT_EQ(settings.options.ChkTime, 25);
  EXPECT_EQ(settings.options.IsChk, 1);
}

TEST_F(SaveSettings, InvalidAccountNumbersChangeNothing) {
  const PopAccount record = DialogRecord("X", "x", "x", "x", 110, 1);
  for (int n : {0, 5, -3}) {
    store.SaveAccount(owner(), n, record);
    store.ClearAccount(owner(), n);
  }
  EXPECT_EQ(ui.CountMessages(kInvalidAccountText), 6);
  EXPECT_EQ(registry.writeCount(), 0);
  for (int n = 1; n <= 4; ++n) EXPECT_STREQ(settings.account(n).NAME, "") << n;
  ExpectAllKeysClosed();
}

TEST_F(SaveSettings, UnopenableAccountKeyIsReportedBySaveButNotByClear) {
  registry.FailOpening(AccountPath(2));
  store.SaveAccount(owner(), 2, DialogRecord("X", "x", "x", "x", 110, 1));
  EXPECT_EQ(ui.CountMessages(kRegistryErrorText), 1);
  // The program's own record still takes the dialog's values.
  EXPECT_STREQ(settings.account(2).NAME, "X");

  ui.events.clear();
  store.ClearAccount(owner(), 2);
  // Only the reload inside ClearAccount reports the key.
  EXPECT_EQ(ui.CountMessages(kRegistryErrorText), 1);
  ExpectAllKeysClosed();
}

}  // namespace
}  // namespace zorvane::testing
