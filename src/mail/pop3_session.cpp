#include "mail/pop3_session.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"
#include "mail/stat_reply.h"

namespace zorvane {

void Pop3Session::Start(const char* host, const char* user, const char* password, CheckResult* result) {
  CopyTextCut(host_, host);
  CopyTextCut(user_, user);
  CopyTextCut(password_, password);
  result_ = result;
  state_ = SessionState::Resolving;
  active_ = true;
  // Half a line left over from an interrupted session must not be read as
  // the start of this server's greeting.
  pending_[0] = '\0';
  pendingLength_ = 0;
}

void Pop3Session::Clear() {
  host_[0] = user_[0] = password_[0] = '\0';
  pending_[0] = '\0';
  pendingLength_ = 0;
  active_ = false;
}

SessionAction Pop3Session::Finish() {
  active_ = false;
  return {SessionAction::Finish, nullptr, 0};
}

SessionAction Pop3Session::Fail(std::int32_t status) {
  if (!active_) return {SessionAction::None, nullptr, 0};
  if (status != StatusOk) result_->Status = status;
  return Finish();
}

void Pop3Session::OnConnecting() {
  if (active_) state_ = SessionState::AwaitGreeting;
}

void Pop3Session::Feed(const char* chunk, std::size_t length) {
  if (!active_) return;
  if (pendingLength_ + length > kMaxPending) {
    // A line this long is no POP3 reply: forget it and wait for the next one.
    pending_[0] = '\0';
    pendingLength_ = 0;
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
    if (action.kind != SessionAction::None) return action;
  }
  return {SessionAction::None, nullptr, 0};
}

SessionAction Pop3Session::SendCommand(const char* format, const char* argument, SessionState next) {
  const int length = std::snprintf(command_, sizeof command_, format, argument);
  state_ = next;
  return {SessionAction::Send, command_, static_cast<std::size_t>(length)};
}

SessionAction Pop3Session::SendCommand(const char* command, SessionState next) {
  return SendCommand("%s", command, next);
}

SessionAction Pop3Session::OnLine(const char* line) {
  if (line[0] == '-') {
    switch (state_) {
      case SessionState::AwaitGreeting: result_->Status = StatusGreetingRejected; break;
      case SessionState::UserSent: result_->Status = StatusUserRejected; break;
      case SessionState::PassSent: result_->Status = StatusPasswordRejected; break;
      default: break;
    }
    return SendCommand("QUIT\r\n", SessionState::QuitSent);
  }
  switch (state_) {
    case SessionState::Resolving: return {SessionAction::None, nullptr, 0};
    case SessionState::AwaitGreeting: return SendCommand("USER %s\r\n", user_, SessionState::UserSent);
    case SessionState::UserSent: return SendCommand("PASS %s\r\n", password_, SessionState::PassSent);
    case SessionState::PassSent: return SendCommand("STAT\r\n", SessionState::StatSent);
    case SessionState::StatSent: {
      const StatNumbers numbers = ParseStatReply(line);
      result_->MailCount = numbers.count;
      result_->MailSize = numbers.size;
      return SendCommand("QUIT\r\n", SessionState::QuitSent);
    }
    case SessionState::QuitSent: return Finish();
  }
  return {SessionAction::None, nullptr, 0};
}

SessionAction Pop3Session::OnPeerClosed() {
  if (!active_) return {SessionAction::None, nullptr, 0};
  if (state_ == SessionState::QuitSent) return Finish();
  return Fail(StatusDisconnected);
}

}  // namespace zorvane
