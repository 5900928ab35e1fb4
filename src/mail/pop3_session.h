#pragma once
// One account's POP3 exchange as a protocol machine without I/O: the
// transport feeds it what the network did and carries out what it answers.
#include <cstddef>

#include "mail/check_result.h"

namespace zorvane {

enum class SessionState { Resolving, AwaitGreeting, UserSent, PassSent, StatSent, QuitSent };

struct SessionAction {
  enum class Kind {
    None,    // nothing to do (no complete line is waiting)
    Send,    // send bytes[0, length) on the connection
    Finish,  // close the connection; result() is the account's outcome
  };
  Kind kind;
  const char* bytes;
  std::size_t length;
};

class Pop3Session {
 public:
  static constexpr std::size_t kMaxPending = 512;

  // Begins a session with a zero result; the lookup is the transport's.
  void Start(const char* host, const char* user, const char* password);
  // Forgets the account's parameters and ends the session without a result.
  void Clear();

  bool active() const { return active_; }
  SessionState state() const { return state_; }
  const char* host() const { return host_; }
  const CheckResult& result() const { return result_; }

  // A failure outside the dialogue: lookup, socket or connect.
  SessionAction Fail(CheckStatus status);
  // The connection has been requested; the next line is the greeting.
  void OnConnecting();
  // Received bytes; complete lines are then taken out one at a time by Poll.
  void Feed(const char* chunk, std::size_t length);
  SessionAction Poll();
  // The stream ended or a receive failed, after everything received was fed.
  SessionAction OnConnectionLost();
  // The TLS layer failed: before the greeting the server was never reached
  // (an error on connecting); after it, the connection is lost.
  SessionAction OnSecureChannelFailed();

 private:
  SessionAction OnLine(const char* line);
  SessionAction Send(const char* format, const char* argument, SessionState next);
  SessionAction Finish();

  char host_[128] = {};
  char user_[64] = {};
  char password_[64] = {};
  SessionState state_ = SessionState::Resolving;
  bool active_ = false;
  CheckResult result_ = {};
  char pending_[kMaxPending + 1] = {};
  std::size_t pendingLength_ = 0;
  char command_[256] = {};
};

}  // namespace zorvane
