#pragma once
// The check cycle's view of whatever carries the POP3 sessions over the
// network: it starts one account's session and closes them all. A session
// that runs reports its end later, through CheckCycle::OnSessionEnded.
#include <optional>

#include "mail/check_result.h"
#include "settings/settings.h"

namespace zorvane {

class SessionRunner {
 public:
  virtual ~SessionRunner() = default;
  // Starts account n's session. Returns its result when it ended at once,
  // before any network traffic (the lookup could not even be requested).
  virtual std::optional<SessionReport> StartSession(int n, const PopAccount& account) = 0;
  // Withdraws every lookup, closes every connection and forgets every
  // session's host, user and password.
  virtual void CloseAllSessions() = 0;
};

}  // namespace zorvane
