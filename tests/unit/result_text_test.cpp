#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "display/result_text.h"

namespace zorvane {
namespace {

PopAccount Account(const char* name, std::int32_t chkFlg) {
  PopAccount account = {};
  std::snprintf(account.NAME, sizeof account.NAME, "%s", name);
  account.ChkFlg = chkFlg;
  return account;
}

ResultText Build(const PopAccount& account, std::int32_t count, std::int32_t size, std::int32_t status) {
  // Start from a filled record: every line must be written or emptied.
  ResultText text;
  std::memset(&text, 'Z', sizeof text);
  text.NameText[59] = text.CountText[29] = text.DetailText[39] = '\0';
  BuildResultText(account, CheckResult{count, size, status}, &text);
  return text;
}

bool IsValidUtf8(const char* text) {
  for (auto p = reinterpret_cast<const unsigned char*>(text); *p != 0;) {
    const int extra = *p < 0x80 ? 0 : (*p & 0xE0) == 0xC0 ? 1 : (*p & 0xF0) == 0xE0 ? 2 : (*p & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) return false;
    ++p;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
    }
  }
  return true;
}

TEST(ResultText, UnregisteredSlotShowsOnlyThatItIsNotRegistered) {
  for (std::int32_t chkFlg : {0, 2, -1}) {
    const ResultText text = Build(Account("", chkFlg), 5, 5, StatusHostNotFound);
    EXPECT_STREQ(text.NameText, "未登録") << chkFlg;
    EXPECT_STREQ(text.CountText, "") << chkFlg;
    EXPECT_STREQ(text.DetailText, "") << chkFlg;
  }
}

TEST(ResultText, RegisteredButNotCheckedShowsNameAndNoDetail) {
  // Only ChkFlg 1 counts as checked.
  for (std::int32_t chkFlg : {0, 2}) {
    const ResultText text = Build(Account("Work", chkFlg), 5, 5, StatusOk);
    EXPECT_STREQ(text.NameText, "Work");
    EXPECT_STREQ(text.CountText, "チェックを行わない");
    EXPECT_STREQ(text.DetailText, "");
  }
}

TEST(ResultText, CheckedWithoutFailureShowsCountAndSize) {
  const ResultText text = Build(Account("個人", 1), 3, 900, StatusOk);
  EXPECT_STREQ(text.NameText, "個人");
  EXPECT_STREQ(text.CountText, "メール数： 3通");
  EXPECT_STREQ(text.DetailText, "サイズ： 900 Bytes");

  const ResultText empty = Build(Account("Home", 1), 0, 0, StatusOk);
  EXPECT_STREQ(empty.CountText, "メール数： 0通");
  EXPECT_STREQ(empty.DetailText, "サイズ： 0 Bytes");
}

TEST(ResultText, EveryFailureStatusShowsErrorAndItsText) {
  const std::pair<std::int32_t, const char*> table[] = {
      {1, "ホスト名の未解決"},     {2, "ホストを発見できない"}, {3, "ソケットエラー"},
      {4, "接続が切断されました"}, {5, "接続時にエラーが発生"}, {6, "存在しないユーザーID"},
      {7, "パスワードの未認証"},   {8, "接続が切断されました"}, {-1, "接続が切断されました"},
      {std::numeric_limits<std::int32_t>::max(), "接続が切断されました"},
      {std::numeric_limits<std::int32_t>::min(), "接続が切断されました"},
  };
  for (const auto& [status, detail] : table) {
    const ResultText text = Build(Account("Mail", 1), 4, 400, status);
    EXPECT_STREQ(text.NameText, "Mail") << status;
    EXPECT_STREQ(text.CountText, "エラー") << status;
    EXPECT_STREQ(text.DetailText, detail) << status;
  }
}

TEST(ResultText, LongNameIsCutToFiftyNineBytesOnACharacterBoundary) {
  const std::string a = "\xE3\x81\x82";  // "あ"
  std::string twentyChars;
  for (int i = 0; i < 20; ++i) twentyChars += a;  // 60 bytes

  // 59 bytes fit exactly; a 60th would split "あ".
  const std::string fits = "ab" + twentyChars.substr(0, 57);
  EXPECT_EQ(std::string(Build(Account((fits + a).c_str(), 1), 0, 0, 0).NameText), fits);
  EXPECT_EQ(std::string(Build(Account(twentyChars.c_str(), 0), 0, 0, 0).NameText), twentyChars.substr(0, 57));
  EXPECT_EQ(std::string(Build(Account(std::string(127, 'n').c_str(), 1), 0, 0, 0).NameText), std::string(59, 'n'));
}

TEST(ResultText, ExtremeNumbersStayWithinTheirLinesAsValidText) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const ResultText largest = Build(Account("x", 1), kMax, kMax, StatusOk);
  EXPECT_STREQ(largest.CountText, "メール数： 2147483647通");
  EXPECT_STREQ(largest.DetailText, "サイズ： 2147483647 Bytes");

  // The most negative count does not fit the 30-byte line with its unit: it
  // loses the unit, never half of it.
  const ResultText smallest = Build(Account("x", 1), kMin, kMin, StatusOk);
  EXPECT_STREQ(smallest.CountText, "メール数： -2147483648");
  EXPECT_STREQ(smallest.DetailText, "サイズ： -2147483648 Bytes");
  EXPECT_TRUE(IsValidUtf8(smallest.CountText));
}

}  // namespace
}  // namespace zorvane
