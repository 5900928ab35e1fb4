#include "display/result_text.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "common/text.h"

namespace zorvane {

namespace {

const char* const kStatusTexts[] = {
    "",                        // 0: no failure
    "ホスト名の未解決",        // 1
    "ホストを発見できない",    // 2
    "ソケットエラー",          // 3
    "接続が切断されました",    // 4
    "接続時にエラーが発生",    // 5
    "存在しないユーザーID",    // 6
    "パスワードの未認証",      // 7
    "暗号化に失敗しました",    // 8
    "証明書を確認できません",  // 9
    "ログイン間隔の制限",      // 10
    "メールボックス使用中",    // 11
    "サーバの一時的な障害",    // 12
};

// Formats one number into a fixed line; a line too long for its field is cut
// on a character boundary.
template <std::size_t N>
void FormatLine(char (&field)[N], const char* format, std::int64_t value) {
  char line[64];
  std::snprintf(line, sizeof line, format, value);
  CopyTextCut(field, line);
}

}  // namespace

const char* StatusText(CheckStatus status) {
  const auto code = static_cast<std::int32_t>(status);
  const bool known = code >= 1 && code < static_cast<std::int32_t>(std::size(kStatusTexts));
  return kStatusTexts[known ? code : static_cast<std::int32_t>(CheckStatus::Disconnected)];
}

ResultText BuildResultText(const PopAccount& account, const CheckResult& result) {
  ResultText text = {};
  // The name as it always was, in 60 bytes with the terminator.
  CopyTextCut(text.NameText, 60, account.NAME, sizeof account.NAME);
  if (!TakesPartInChecks(account)) {
    if (account.NAME[0] == '\0') {
      CopyTextCut(text.NameText, "未登録");
    } else {
      CopyTextCut(text.CountText, "チェックを行わない");
    }
    return text;
  }
  if (result.Status != CheckStatus::Ok) {
    CopyTextCut(text.CountText, "エラー");
    CopyTextCut(text.DetailText, StatusText(result.Status));
    return text;
  }
  if (result.New == NewMail::Counted) {
    FormatLine(text.CountText, "新着： %" PRId64 "通", result.NewCount);
    std::snprintf(text.DetailText, sizeof text.DetailText, "全%" PRId32 "通 %" PRId64 " Bytes", result.MailCount,
                  result.MailSize);
    return text;
  }
  // Its server has no ids to tell new from seen: all that waits, and say so.
  if (result.New == NewMail::Unknown) std::strcat(text.NameText, "（新着不明）");
  FormatLine(text.CountText, "メール数： %" PRId64 "通", result.MailCount);
  FormatLine(text.DetailText, "サイズ： %" PRId64 " Bytes", result.MailSize);
  return text;
}

ResultText WidestResultText() {
  PopAccount account = {};
  account.ChkFlg = 1;
  ResultText widest = BuildResultText(account, {INT32_MIN, INT64_MIN, CheckStatus::Ok});
  const ResultText newMail = BuildResultText(account, {INT32_MIN, INT64_MIN, CheckStatus::Ok, NewMail::Counted, 0});
  std::memcpy(widest.DetailText, newMail.DetailText, sizeof widest.DetailText);
  return widest;
}

}  // namespace zorvane
