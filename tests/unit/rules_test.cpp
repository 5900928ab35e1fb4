// The small rules: result texts, text cuts, the options and the port.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "common/text.h"
#include "display/result_text.h"
#include "mail/port_choice.h"
#include "settings/options.h"

namespace zorvane::testing {
namespace {

TEST(ResultText, ThreeLinesPerAccount) {
  const std::string longName = std::string(58, 'n') + "名";  // 61 bytes: the character must go whole
  const struct {
    std::int32_t chkFlg;
    std::string name;
    CheckResult result;
    const char *nameText, *count, *detail;
  } cases[] = {
      {0, "", {5, 5, CheckStatus::HostNotFound}, "未登録", "", ""}, {2, "休止中", {}, "休止中", "チェックを行わない", ""},
      {1, "個人", {3, 1234, CheckStatus::Ok}, "個人", "メール数： 3通", "サイズ： 1234 Bytes"},
      {1, "個人", {-3, 2147483647, CheckStatus::Ok}, "個人", "メール数： -3通", "サイズ： 2147483647 Bytes"},
      {1, "x", {0, 0, CheckStatus::PasswordRejected}, "x", "エラー", "パスワードの未認証"},
      {1, "x", {0, 0, CheckStatus::LookupNotStarted}, "x", "エラー", "ホスト名の未解決"},
      {1, "x", {0, 0, static_cast<CheckStatus>(8)}, "x", "エラー", "接続が切断されました"},
      {1, longName, {}, nullptr, "メール数： 0通", "サイズ： 0 Bytes"},
  };
  for (const auto& c : cases) {
    PopAccount account = {};
    std::strcpy(account.NAME, c.name.c_str());
    account.ChkFlg = c.chkFlg;
    const ResultText text = BuildResultText(account, c.result);
    EXPECT_EQ(std::tuple(std::string(text.NameText), std::string(text.CountText), std::string(text.DetailText)),
              std::tuple(c.nameText ? c.nameText : std::string(58, 'n'), c.count, c.detail)) << c.name;
  }
}

TEST(Text, CutsNeverSplitACharacter) {
  const std::string text = "ab" "\xe3\x81\x82" "c";  // a, b, あ, c
  const struct {
    std::size_t max, length;
  } cases[] = {{0, 0}, {2, 2}, {3, 2}, {4, 2}, {5, 5}, {6, 6}, {99, 6}};
  for (const auto& c : cases) EXPECT_EQ(Utf8PrefixLength(text.data(), text.size(), c.max), c.length) << c.max;

  char field[5];
  EXPECT_EQ(CopyTextCut(field, text.c_str()), 2u);
  EXPECT_STREQ(field, "ab");
  EXPECT_EQ(CopyTextCut(field, sizeof field, "xy\0z", 4), 2u);
}

TEST(Options, DisplayModeAndAutoCheckPeriod) {
  const struct {
    CheckOptions options;
    DisplayMode mode;
    unsigned periodMs;
  } cases[] = {{{0, 10, 0}, DisplayMode::BallsAndDialog, 0},       {{1, 10, 1}, DisplayMode::BallsOnly, 600000},
               {{1, 5, 2}, DisplayMode::DialogOnly, 300000},        {{1, 99, 3}, DisplayMode::BallsAndDialog, 5940000},
               {{2, 0, -1}, DisplayMode::BallsAndDialog, 300000},   {{-1, 100, 0}, DisplayMode::BallsAndDialog, 5940000}};
  for (const auto& c : cases) {
    EXPECT_EQ(DisplayModeOf(c.options), c.mode) << c.options.ChkOpti;
    EXPECT_EQ(AutoCheckPeriodMs(c.options), c.periodMs) << c.options.ChkTime;
  }
}

TEST(PortChoice, AccountPortThenServiceDatabaseThen110) {
  EXPECT_EQ(ChooseConnectPort(1110, 995), 1110);
  EXPECT_EQ(ChooseConnectPort(65535, 0), 65535);
  EXPECT_EQ(ChooseConnectPort(0, 995), 995);
  EXPECT_EQ(ChooseConnectPort(65536, 0), 110);
  EXPECT_EQ(ChooseConnectPort(-1, 0), 110);
}

}  // namespace
}  // namespace zorvane::testing
