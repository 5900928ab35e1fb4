#include <string>
#include <vector>

#include "settings_fixture.h"

namespace zorvane::testing {
namespace {

class FirstStart : public SettingsTest {
 protected:
  bool WelcomeWasShown() const { return ui.CountMessages(kWelcomeText) == 1; }

  // Account 2 as a user left it, to see whether the defaults wipe it.
  void StoreUsedAccount() {
    registry.PutText(AccountPath(2), "NAME", "Work", 128);
    registry.PutDword(AccountPath(2), "ChkFlg", 1);
  }
};

TEST_F(FirstStart, MissingOrWrongBootValueMeansFirstStart) {
  struct Case {
    const char* what;
    std::uint32_t type;
    std::vector<unsigned char> data;  // empty: BOOT absent
  };
  const Case cases[] = {
      {"absent", 0, {}},
      {"zero", kRegDword, DwordBytes(0)},
      {"two", kRegDword, DwordBytes(2)},
      {"text \"1\"", kRegSz, TextBytes("1")},
      {"longer than 4 bytes", kRegBinary, {1, 0, 0, 0, 0, 0, 0, 0}},
      {"shorter than 4 bytes", kRegBinary, {1, 0}},
  };
  for (const Case& c : cases) {
    MemoryRegistry fresh;
    RecordingSettingsUi freshUi;
    Settings freshSettings = {};
    SettingsStore freshStore(fresh, freshUi, freshSettings);
    fresh.PutText(AccountPath(2), "NAME", "Work", 128);
    if (!c.data.empty()) fresh.Put(kSettingsPath, "BOOT", c.type, c.data);

    freshStore.CheckFirstStart(owner());

    EXPECT_EQ(freshUi.CountMessages(kWelcomeText), 1) << c.what;
    EXPECT_EQ(fresh.Dword(kSettingsPath, "BOOT"), 1u) << c.what;
    EXPECT_EQ(fresh.Find(AccountPath(2), "NAME")->data, std::vector<unsigned char>(256, 0)) << c.what;
  }
}

TEST_F(FirstStart, FourBytesHoldingOneOfAnyTypeMeanStartedBefore) {
  for (std::uint32_t type : {kRegDword, kRegBinary}) {
    MemoryRegistry fresh;
    RecordingSettingsUi freshUi;
    Settings freshSettings = {};
    SettingsStore freshStore(fresh, freshUi, freshSettings);
    fresh.Put(kSettingsPath, "BOOT", type, DwordBytes(1));

    freshStore.CheckFirstStart(owner());

    EXPECT_TRUE(freshUi.events.empty()) << type;
    EXPECT_EQ(fresh.writeCount(), 0) << type;
  }
}

TEST_F(FirstStart, SoundPlaysBeforeTheWelcomeBoxOwnedByTheCaller) {
  store.CheckFirstStart(owner());
  ASSERT_EQ(ui.events.size(), 2u);
  EXPECT_EQ(ui.events[0].kind, UiEvent::Sound);
  const UiEvent& welcome = ui.events[1];
  EXPECT_EQ(welcome.kind, UiEvent::Message);
  EXPECT_EQ(welcome.owner, owner());
  EXPECT_EQ(welcome.title, "ようこそ！！");
  EXPECT_EQ(welcome.icon, MessageIcon::Information);
  EXPECT_EQ(welcome.text.rfind("この度は、「Zorvane」をダウンロードして頂き誠に有り難うございます。\n", 0), 0u);
  ExpectAllKeysClosed();
}

TEST_F(FirstStart, WritesExactlyTheDefaultValuesTypesAndLengths) {
  StoreUsedAccount();
  store.CheckFirstStart(owner());

  EXPECT_EQ(registry.ValueCount(kSettingsPath), 4u);
  const std::pair<const char*, std::uint32_t> options[] = {{"BOOT", 1}, {"ChkTime", 10}, {"ChkOpti", 0}, {"IsChk", 0}};
  for (const auto& [name, value] : options) EXPECT_EQ(registry.Dword(kSettingsPath, name), value) << name;

  for (int n = 1; n <= 4; ++n) {
    const std::string path = AccountPath(n);
    EXPECT_EQ(registry.ValueCount(path), 7u) << path;
    EXPECT_EQ(registry.Dword(path, "ChkFlg"), 0u) << path;
    EXPECT_EQ(registry.Dword(path, "Imagetype"), 0u) << path;
    EXPECT_EQ(registry.Dword(path, "PortNo"), 110u) << path;
    for (const char* name : {"NAME", "PassWord", "Serv", "UserId"}) {
      const auto value = registry.Find(path, name);
      ASSERT_TRUE(value) << path << " " << name;
      EXPECT_EQ(value->type, kRegSz) << path << " " << name;
      EXPECT_EQ(value->data, std::vector<unsigned char>(256, 0)) << path << " " << name;
    }
  }
  ExpectAllKeysClosed();
}

TEST_F(FirstStart, LoadingAfterwardsGivesFourEmptyAccountsAndDefaultOptions) {
  StoreUsedAccount();
  store.CheckFirstStart(owner());
  for (int n = 1; n <= 4; ++n) store.LoadAccount(owner(), n);

  for (int n = 1; n <= 4; ++n) {
    const PopAccount& account = settings.account(n);
    EXPECT_STREQ(account.NAME, "") << n;
    EXPECT_STREQ(account.Serv, "") << n;
    EXPECT_STREQ(account.UserId, "") << n;
    EXPECT_STREQ(account.PassWord, "") << n;
    EXPECT_EQ(account.PortNo, 110) << n;
    EXPECT_EQ(account.ChkFlg, 0) << n;
  }
  EXPECT_EQ(settings.options.IsChk, 0);
  EXPECT_EQ(settings.options.ChkTime, 10);
  EXPECT_EQ(settings.options.ChkOpti, 0);
  // Only the welcome box was shown: no registry error on the way.
  EXPECT_EQ(ui.events.size(), 2u);
  ExpectAllKeysClosed();
}

TEST_F(FirstStart, UnopenableSoftwareKeyIsReportedAtEachStepAndTheStartCarriesOn) {
  registry.FailOpening("Software");
  store.CheckFirstStart(owner());
  EXPECT_EQ(ui.CountMessages(kRegistryErrorText), 3);
  EXPECT_TRUE(WelcomeWasShown());
  EXPECT_EQ(registry.writeCount(), 0);
  EXPECT_FALSE(registry.HasKey(kSettingsPath));
  ExpectAllKeysClosed();
}

}  // namespace
}  // namespace zorvane::testing
