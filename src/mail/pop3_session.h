#pragma once
// One account's POP3 exchange as a protocol machine without I/O: the
// transport feeds it what the network did and carries out what it answers.
#include <cstddef>

#include "mail/check_result.h"

namespace zorvane {

enum class SessionState : int {
  Resolving = 0,
  AwaitGreeting = 1,
  UserSent = 2,
  PassSent = 3,
  StatSent = 4,
  QuitSent = 5,
};

struct SessionAction {
  enum Kind {
    None,    // nothing to do (no complete line is waiting)
    Send,    // send bytes[0, length) on the connection
    Finish,  // close the connection and hand the check on
  };
  Kind kind;
  const char* bytes;
  std::size_t length;
};

class Pop3Session {
 public:
  static constexpr std::size_t kMaxPending = 512;
  static constexpr std::size_t kChunkSize = 256;

  // Begins a session that reports into result; the lookup is the transport's.
  void Start(const char* host, const char* user, const char* password, CheckResult* result);
  // Forgets the account's parameters and ends the session without a report.
  void Clear();

  bool active() const { return active_; }
  SessionState state() const { return state_; }
  const char* host() const { return host_; }

  // A failure outside the dialogue (lookup, socket, connect, lost connection).
  SessionAction Fail(std::int32_t status);
  // The connection has been requested; the next line is the greeting.
  void OnConnecting();
  // Received bytes; complete lines are then taken out one at a time by Poll.
  void Feed(const char* chunk, std::size_t length);
  SessionAction Poll();
  // The server closed the connection and everything it sent has been fed.
  SessionAction OnPeerClosed();

 private:
  SessionAction OnLine(const char* line);
  SessionAction SendCommand(const char* format, const char* argument, SessionState next);
  SessionAction SendCommand(const char* command, SessionState next);
  SessionAction Finish();

  char host_[128] = {};
  char user_[64] = {};
  char password_[64] = {};
  SessionState state_ = SessionState::Resolving;
  bool active_ = false;
  CheckResult* result_ = nullptr;
  char pending_[kMaxPending + 1] = {};
  std::size_t pendingLength_ = 0;
  char command_[256] = {};
};

}  // namespace zorvane
