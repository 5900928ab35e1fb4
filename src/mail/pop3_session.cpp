#include "mail/pop3_session.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"
#include "mail/stat_reply.h"

namespace zorvane {

namespace {
constexpr SessionAction kNothing = {SessionAction::Kind::None, nullptr, 0};
}  // namespace

void Pop3Session::Start(const char* host, const char* user, const char* password) {
  CopyTextCut(host_, host);
  CopyTextCut(user_, user);
  CopyTextCut(password_, password);
  result_ = CheckResult{};
  state_ = SessionState::Resolving;
  active_ = true;
  // Half a line left over from an interrupted session must not be read as
  // the start of this server's greeting.
  pendingLength_ = 0;
  pending_[0] = '\0';
}

void Pop3Session::Clear() { *this = Pop3Session{}; }

SessionAction Pop3Session::Finish() {
  active_ = false;
  return {SessionAction::Kind::Finish, nullptr, 0};
}

SessionAction Pop3Session::Fail(CheckStatus status) {
  if (!active_) return kNothing;
  result_.Status = status;
  return Finish();
}

void Pop3Session::OnConnecting() {
  if (active_) state_ = SessionState::AwaitGreeting;
}

void Pop3Session::Feed(const char* chunk, std::size_t length) {
  if (!active_) return;
  if (pendingLength_ + length > kMaxPending) {
    // A line this long is no POP3 reply: forget it and wait for the next one.
    pendingLength_ = 0;
    pending_[0] = '\0';
    return;
  }
  const void* zero = std::memchr(chunk, '\0', length);
  if (zero != nullptr) length = static_cast<std::size_t>(static_cast<const char*>(zero) - chunk);
  std::memcpy(pending_ + pendingLength_, chunk, length);
  pendingLength_ += length;
  pending_[pendingLength_] = '\0';
}

SessionAction Pop3Session::Poll() {
  while (active_) {
    char* lineFeed = static_cast<char*>(std::memchr(pending_, '\n', pendingLength_));
    if (lineFeed == nullptr) break;
    *lineFeed = '\0';
    const SessionAction action = OnLine(pending_);
    // What followed the line moves to the front, with its terminator.
    const std::size_t consumed = static_cast<std::size_t>(lineFeed - pending_) + 1;
    std::memmove(pending_, lineFeed + 1, pendingLength_ - consumed + 1);
    pendingLength_ -= consumed;
    if (action.kind != SessionAction::Kind::None) return action;
  }
  return kNothing;
}

SessionAction Pop3Session::Send(const char* format, const char* argument, SessionState next) {
  const int length = std::snprintf(command_, sizeof command_, format, argument);
  state_ = next;
  return {SessionAction::Kind::Send, command_, static_cast<std::size_t>(length)};
}

SessionAction Pop3Session::OnLine(const char* line) {
  // A reply is judged by its first byte only.
  if (line[0] == '-') {
    switch (state_) {
      case SessionState::AwaitGreeting: result_.Status = CheckStatus::GreetingRejected; break;
      case SessionState::UserSent: result_.Status = CheckStatus::UserRejected; break;
      case SessionState::PassSent: result_.Status = CheckStatus::PasswordRejected; break;
      default: break;
    }
    return Send("%s", "QUIT\r\n", SessionState::QuitSent);
  }
  switch (state_) {
    case SessionState::Resolving: return kNothing;
    case SessionState::AwaitGreeting: return Send("USER %s\r\n", user_, SessionState::UserSent);
    case SessionState::UserSent: return Send("PASS %s\r\n", password_, SessionState::PassSent);
    case SessionState::PassSent: return Send("%s", "STAT\r\n", SessionState::StatSent);
    case SessionState::StatSent: {
      const StatNumbers numbers = ParseStatReply(line);
      result_.MailCount = numbers.count;
      result_.MailSize = numbers.size;
      return Send("%s", "QUIT\r\n", SessionState::QuitSent);
    }
    case SessionState::QuitSent: return Finish();
  }
  return kNothing;
}

SessionAction Pop3Session::OnConnectionLost() {
  if (!active_) return kNothing;
  // Once QUIT is out, everything worth knowing has arrived: a server that
  // hangs up (or resets) instead of answering QUIT keeps the account's result.
  if (state_ == SessionState::QuitSent) return Finish();
  return Fail(CheckStatus::Disconnected);
}

SessionAction Pop3Session::OnSecureChannelFailed() {
  if (active_ && state_ == SessionState::AwaitGreeting) return Fail(CheckStatus::GreetingRejected);
  return OnConnectionLost();
}

}  // namespace zorvane
