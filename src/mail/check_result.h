#pragma once
// The outcome of one account's part of a check.
#include <cstdint>

namespace zorvane {

enum CheckStatus : std::int32_t {
  StatusOk = 0,
  StatusLookupNotStarted = 1,
  StatusHostNotFound = 2,
  StatusSocketError = 3,
  StatusDisconnected = 4,
  StatusGreetingRejected = 5,
  StatusUserRejected = 6,
  StatusPasswordRejected = 7,
};

struct CheckResult {
  std::int32_t MailCount;
  std::int32_t MailSize;
  std::int32_t Status;
};

}  // namespace zorvane
