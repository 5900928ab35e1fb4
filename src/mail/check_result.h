#pragma once
// The outcome of one account's part of a check.
#include <cstdint>

namespace zorvane {

enum class CheckStatus : std::int32_t {
  Ok = 0,                // success, or the account was not checked
  LookupNotStarted = 1,  // the host lookup could not be requested
  HostNotFound = 2,
  SocketError = 3,   // no socket, or the connection failed
  Disconnected = 4,  // the connection ended before the dialogue did
  GreetingRejected = 5,
  UserRejected = 6,
  PasswordRejected = 7,
};

struct CheckResult {
  std::int32_t MailCount;
  std::int32_t MailSize;
  CheckStatus Status;
};

}  // namespace zorvane
