#pragma once
// The three lines the result dialog shows for each account.
#include "mail/check_result.h"
#include "settings/settings.h"

namespace zorvane {

struct ResultText {
  char NameText[80];  // the name cut to 59 bytes, and "（新着不明）" where it applies
  char CountText[30];
  char DetailText[64];
};

// The failure text of a status; "接続が切断されました" for a code no status has.
const char* StatusText(CheckStatus status);

ResultText BuildResultText(const PopAccount& account, const CheckResult& result);

// The widest count and detail lines there can be: their fields must show them whole.
ResultText WidestResultText();

}  // namespace zorvane
