#include <string>
#include <vector>

#include "settings/password.h"
#include "settings_fixture.h"

namespace zorvane::testing {
namespace {

class LoadAccount : public SettingsTest {
 protected:
  void StoreAccount(int n, const std::string& name, const std::string& serv, const std::string& user,
                    const std::string& plainPassword, std::uint32_t port, std::uint32_t chkFlg) {
    std::string stored = plainPassword;
    ScramblePassword(stored.data());
    registry.PutText(AccountPath(n), "NAME", name, 128);
    registry.PutText(AccountPath(n), "Serv", serv, 128);
    registry.PutText(AccountPath(n), "UserId", user, 64);
    registry.PutText(AccountPath(n), "PassWord", stored, 64);
    registry.PutDword(AccountPath(n), "PortNo", port);
    registry.PutDword(AccountPath(n), "ChkFlg", chkFlg);
    registry.PutDword(AccountPath(n), "Imagetype", 0);
  }
};

TEST_F(LoadAccount, ReadsEveryFieldAndUnscramblesThePassword) {
  StoreAccount(3, "仕事", "pop.example.test", "alice", "s3cret", 995, 1);
  registry.PutDword(AccountPath(3), "Imagetype", 2);
  store.LoadAccount(owner(), 3);

  const PopAccount& account = settings.account(3);
  EXPECT_STREQ(account.NAME, "仕事");
  EXPECT_STREQ(account.Serv, "pop.example.test");
  EXPECT_STREQ(account.UserId, "alice");
  EXPECT_STREQ(account.PassWord, "s3cret");
  EXPECT_EQ(account.PortNo, 995);
  EXPECT_EQ(account.ChkFlg, 1);
  EXPECT_EQ(account.Imagetype, 2);
  EXPECT_TRUE(ui.events.empty());
  ExpectAllKeysClosed();
}

TEST_F(LoadAccount, IgnoresOtherNamesOtherCasesAndWrongTypes) {
  const std::string path = AccountPath(1);
  registry.PutText(path, "name", "lower case");          // NAME is case-sensitive
  registry.PutDword(path, "Serv", 5);                    // a text stored as a number
  registry.PutText(path, "PortNo", "995");               // a number stored as text
  registry.Put(path, "PassWord", kRegBinary, {'a', 0});  // binary is not text
  registry.Put(path, "ChkFlg", kRegBinary, DwordBytes(1));
  registry.PutText(path, "Comment", "ignored");
  registry.PutText(path, "UserId", "bob");
  registry.PutDword(path, "Imagetype", 4);

  store.LoadAccount(owner(), 1);

  const PopAccount& account = settings.account(1);
  EXPECT_STREQ(account.NAME, "");
  EXPECT_STREQ(account.Serv, "");
  EXPECT_STREQ(account.PassWord, "");
  EXPECT_EQ(account.PortNo, 0);
  EXPECT_EQ(account.ChkFlg, 0);
  EXPECT_STREQ(account.UserId, "bob");
  EXPECT_EQ(account.Imagetype, 4);
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(LoadAccount, MissingValuesLeaveFieldsEmptyNotStale) {
  StoreAccount(2, "Old", "old.example.test", "old", "old", 1110, 1);
  store.LoadAccount(owner(), 2);
  ASSERT_STREQ(settings.account(2).NAME, "Old");

  // Only NAME is left in the key: every other field must not keep the old value.
  MemoryRegistry sparse;
  sparse.PutText(AccountPath(2), "NAME", "New", 128);
  SettingsStore sparseStore(sparse, ui, settings);
  sparseStore.LoadAccount(owner(), 2);

  const PopAccount& account = settings.account(2);
  EXPECT_STREQ(account.NAME, "New");
  EXPECT_STREQ(account.Serv, "");
  EXPECT_STREQ(account.UserId, "");
  EXPECT_STREQ(account.PassWord, "");
  EXPECT_EQ(account.PortNo, 0);
  EXPECT_EQ(account.ChkFlg, 0);
}

TEST_F(LoadAccount, LongTextsAreCutToTheirFieldsOnCharacterBoundaries) {
  const std::string longServ(200, 's');
  const std::string longUser(80, 'u');
  // 125 ASCII bytes and a 3-byte character: 128 bytes, one too many.
  const std::string name = std::string(125, 'n') + "\xE3\x81\x82";
  registry.PutText(AccountPath(1), "Serv", longServ);
  registry.PutText(AccountPath(1), "UserId", longUser);
  registry.PutText(AccountPath(1), "NAME", name);
  // A password of 63 characters fits exactly.
  registry.PutText(AccountPath(1), "PassWord", std::string(63, 'N'));

  store.LoadAccount(owner(), 1);

  const PopAccount& account = settings.account(1);
  EXPECT_EQ(std::string(account.Serv), longServ.substr(0, 127));
  EXPECT_EQ(std::string(account.UserId), longUser.substr(0, 63));
  EXPECT_EQ(std::string(account.NAME), std::string(125, 'n'));
  EXPECT_EQ(std::string(account.PassWord), std::string(63, 'N'));
}

TEST_F(LoadAccount, TextWithoutTerminatorIsReadOnlyToItsDataLength) {
  registry.Put(AccountPath(1), "UserId", kRegSz, {'b', 'o', 'b'});
  store.LoadAccount(owner(), 1);
  EXPECT_STREQ(settings.account(1).UserId, "bob");
}

TEST_F(LoadAccount, ShortNumberIsNotMixedWithThePreviousValuesBytes) {
  // The enumeration buffers are reused per value: a 1-byte REG_DWORD after a
  // longer value must not pick up that value's bytes.
  registry.PutText(AccountPath(1), "NAME", "abcdefgh");
  registry.Put(AccountPath(1), "ChkFlg", kRegDword, {1});
  store.LoadAccount(owner(), 1);
  EXPECT_EQ(settings.account(1).ChkFlg, 1);
}

TEST_F(LoadAccount, OptionsAreLoadedWithAccountOneOnly) {
  registry.PutDword(kSettingsPath, "BOOT", 1);
  registry.PutDword(kSettingsPath, "ChkTime", 25);
  registry.PutDword(kSettingsPath, "ChkOpti", 2);
  registry.PutDword(kSettingsPath, "IsChk", 1);
  settings.options = {0, 10, 0};

  for (int n = 2; n <= 4; ++n) store.LoadAccount(owner(), n);
  EXPECT_EQ(settings.options.IsChk, 0);
  EXPECT_EQ(settings.options.ChkTime, 10);
  EXPECT_EQ(settings.options.ChkOpti, 0);

  store.LoadAccount(owner(), 1);
  EXPECT_EQ(settings.options.IsChk, 1);
  EXPECT_EQ(settings.options.ChkTime, 25);
  EXPECT_EQ(settings.options.ChkOpti, 2);
}

TEST_F(LoadAccount, OptionFiltersKeepTheCurrentValueOfAnythingNotFound) {
  registry.PutDword(kSettingsPath, "chktime", 50);                         // wrong case
  registry.Put(kSettingsPath, "ChkTime", kRegBinary, DwordBytes(30));      // wrong type
  registry.PutText(kSettingsPath, "ChkOpti", "2");                         // wrong type
  registry.PutDword(kSettingsPath, "IsChk", 1);
  settings.options = {0, 7, 1};

  store.LoadAccount(owner(), 1);

  EXPECT_EQ(settings.options.ChkTime, 7);
  EXPECT_EQ(settings.options.ChkOpti, 1);
  EXPECT_EQ(settings.options.IsChk, 1);
}

TEST_F(LoadAccount, EnumerationThatFailsEveryCallEndsWithOneMessage) {
  StoreAccount(2, "Mail", "pop.example.test", "u", "p", 110, 1);
  registry.FailEnumerating(AccountPath(2), MemoryRegistry::kAccessDenied);

  store.LoadAccount(owner(), 2);

  EXPECT_FALSE(registry.enumerationRanAway());
  EXPECT_EQ(ui.CountMessages(kEnumErrorText), 1);
  ASSERT_EQ(ui.events.size(), 1u);
  EXPECT_EQ(ui.events[0].title, "警告");
  EXPECT_EQ(ui.events[0].icon, MessageIcon::Error);
  EXPECT_EQ(ui.events[0].owner, owner());
  EXPECT_STREQ(settings.account(2).NAME, "");
  ExpectAllKeysClosed();
}

TEST_F(LoadAccount, ValueTooLargeForTheBuffersIsSkippedAndTheRestStillLoads) {
  registry.PutText(AccountPath(1), "NAME", "Home");
  registry.PutText(AccountPath(1), "Serv", std::string(300, 's'));       // data over 256 bytes
  registry.PutText(AccountPath(1), std::string(300, 'x'), "long name");  // name over 255 characters
  registry.PutText(AccountPath(1), "UserId", "carol");

  store.LoadAccount(owner(), 1);

  EXPECT_FALSE(registry.enumerationRanAway());
  EXPECT_EQ(ui.CountMessages(kEnumErrorText), 2);
  EXPECT_STREQ(settings.account(1).NAME, "Home");
  EXPECT_STREQ(settings.account(1).Serv, "");
  EXPECT_STREQ(settings.account(1).UserId, "carol");
}

TEST_F(LoadAccount, UnopenableKeysAreReportedOnceEachWithoutEndlessEnumeration) {
  registry.FailOpening(AccountPath(3));
  store.LoadAccount(owner(), 3);
  EXPECT_EQ(ui.CountMessages(kRegistryErrorText), 1);
  EXPECT_EQ(ui.events.size(), 1u);

  ui.events.clear();
  registry.FailOpening("Software");
  store.LoadAccount(owner(), 1);
  EXPECT_FALSE(registry.enumerationRanAway());
  // Software, maker key, settings key and the account's subkey.
  EXPECT_EQ(ui.CountMessages(kRegistryErrorText), 4);
  EXPECT_EQ(ui.events.size(), 4u);
  ExpectAllKeysClosed();
}

TEST_F(LoadAccount, InvalidAccountNumberIsReportedAndLoadsNothing) {
  for (int n : {0, 5, -1}) {
    ui.events.clear();
    store.LoadAccount(owner(), n);
    ASSERT_EQ(ui.events.size(), 1u) << n;
    EXPECT_EQ(ui.events[0].text, "レジストリが不正です");
    EXPECT_EQ(ui.events[0].title, "Zorvaneエラー");
    EXPECT_EQ(ui.events[0].icon, MessageIcon::Error);
  }
  EXPECT_FALSE(registry.HasKey(kSettingsPath));
  ExpectAllKeysClosed();
}

}  // namespace
}  // namespace zorvane::testing
