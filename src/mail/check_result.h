#pragma once
// The outcome of one account's part of a check.
#include <cstdint>

#include "settings/settings.h"

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
  TlsFailed = 8,             // no TLS, too old a TLS, STLS refused or no longer offered
  CertificateUntrusted = 9,  // no trusted root, expired, or another host's
  LoginDelay = 10,           // [LOGIN-DELAY]: too soon after the last login
  MailboxInUse = 11,         // [IN-USE]: another client holds the mailbox
  ServerTemporary = 12,      // [SYS/TEMP]: the server's own passing trouble
};

// For an account that announces only new mail: whether its check could tell new from seen.
enum class NewMail : std::uint8_t { NotAsked, Unknown, Counted };

struct CheckResult {
  std::int32_t MailCount;
  std::int64_t MailSize;
  CheckStatus Status;
  NewMail New = NewMail::NotAsked;
  std::int32_t NewCount = 0;
};

// How many messages an announcement shows for an account: the new ones where they could be told apart.
inline std::int32_t AnnouncedCount(const CheckResult& result) {
  return result.New == NewMail::Counted ? result.NewCount : result.MailCount;
}

// What a session that ended tells the check.
struct SessionReport {
  CheckResult result;
  bool startedTls;  // the server completed STLS: the account never goes without it again
  // For an account that announces only new mail: what it keeps once the user has seen this result.
  char seenMark[kSeenMarkBytes];
};

}  // namespace zorvane
