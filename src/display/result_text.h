#pragma once
// The three lines the result dialog shows for each account.
#include <cstdint>

#include "mail/check_result.h"
#include "settings/settings.h"

namespace zorvane {

struct ResultText {
  char NameText[60];
  char CountText[30];
  char DetailText[40];
};

extern const char kNotRegisteredText[];
extern const char kNotCheckedText[];
extern const char kErrorLabel[];

// The failure text of a non-zero status.
const char* StatusText(std::int32_t status);

void BuildResultText(const PopAccount& account, const CheckResult& result, ResultText* text);

}  // namespace zorvane
