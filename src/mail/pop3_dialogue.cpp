#include "mail/pop3_dialogue.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/text.h"
#include "mail/stat_reply.h"

namespace zorvane {

namespace {

constexpr DialogueAction kNothing = {DialogueAction::Kind::None, nullptr, 0};

bool SameWord(const char* text, std::size_t length, const char* word) {
  if (std::strlen(word) != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != word[i]) return false;
  }
  return true;
}

// A capability's name is the first word of its line, in any case.
bool Names(const char* line, const char* capability) { return SameWord(line, std::strcspn(line, " "), capability); }

ResponseCode CodeOf(const char* code) {
  const std::size_t length = std::strlen(code);
  if (SameWord(code, length, "LOGIN-DELAY")) return ResponseCode::LoginDelay;
  if (SameWord(code, length, "IN-USE")) return ResponseCode::InUse;
  if (SameWord(code, length, "SYS/TEMP")) return ResponseCode::SysTemp;
  return ResponseCode::None;
}

// A line break inside an argument would send the rest as a command of its own.
bool FitsOneLine(const char* argument) { return std::strpbrk(argument, "\r\n") == nullptr; }

}  // namespace

void Pop3Dialogue::Start(const char* user, const char* password, StartTlsUse use, bool secure) {
  Clear();
  CopyTextCut(user_, user);
  CopyTextCut(password_, password);
  use_ = use;
  secure_ = secure;
  state_ = State::AwaitGreeting;
}

bool Pop3Dialogue::settled() const {
  const bool quitSent = pipelined_ || state_ == State::QuitSent || state_ == State::Idle;
  return outcome_.kind != DialogueOutcome::Kind::Open && quitSent;
}

void Pop3Dialogue::Decide(DialogueOutcome::Kind kind, Pop3Step step, const char* code) {
  // The first word is the one that counts: a pipelined login reads on after a refusal.
  if (outcome_.kind == DialogueOutcome::Kind::Open) outcome_ = {kind, step, CodeOf(code), 0, 0};
}

DialogueAction Pop3Dialogue::Send(State next, const char* format, const char* argument) {
  const int length = std::snprintf(command_, sizeof command_, format, argument);
  state_ = next;
  return {DialogueAction::Kind::Send, command_, static_cast<std::size_t>(length)};
}

DialogueAction Pop3Dialogue::Next() {
  while (state_ != State::Idle && state_ != State::AwaitTls) {
    const Pop3Reply reply = reader_.Next();
    if (reply.kind == Pop3Reply::Kind::None) break;
    const DialogueAction action = Answer(reply);
    if (action.kind != DialogueAction::Kind::None) return action;
  }
  return kNothing;
}

DialogueAction Pop3Dialogue::OnTlsReady() {
  secure_ = true;
  if (state_ != State::AwaitTls) return kNothing;  // TLS from the first byte: the greeting comes next
  upgraded_ = true;
  // What the server said before TLS may have been an attacker's: ask again.
  capabilities_ = {};
  return Send(State::CapaSent, "CAPA\r\n");
}

DialogueAction Pop3Dialogue::Answer(const Pop3Reply& reply) {
  const bool positive = reply.kind == Pop3Reply::Kind::Positive;
  if (reply.kind == Pop3Reply::Kind::Failed) {
    Decide(DialogueOutcome::Kind::Unreadable);
    state_ = State::Idle;
    return {DialogueAction::Kind::End, nullptr, 0};
  }
  switch (state_) {
    case State::AwaitGreeting:
      if (!positive) {
        Decide(DialogueOutcome::Kind::Refused, Pop3Step::Greeting, reply.code);
        return Quit();
      }
      return Send(State::CapaSent, "CAPA\r\n");
    case State::CapaSent:
      // A server that predates CAPA refuses it: the login goes step by step.
      if (!positive) return LogIn();
      reader_.ExpectBody();
      state_ = State::CapaList;
      return kNothing;
    case State::CapaList:
      if (reply.kind == Pop3Reply::Kind::BodyEnd) return LogIn();
      if (++capabilities_.lines > kMaxCapabilities) return Answer({Pop3Reply::Kind::Failed, "", ""});
      capabilities_.stls |= Names(reply.text, "STLS");
      capabilities_.pipelining |= Names(reply.text, "PIPELINING");
      return kNothing;
    case State::StlsSent:
      if (!positive) {
        Decide(DialogueOutcome::Kind::TlsRefused, Pop3Step::Stls);
        return Quit();
      }
      // Whatever came after "+OK" arrived before TLS and may be anyone's (RFC 2595 section 4).
      reader_.Reset();
      state_ = State::AwaitTls;
      return {DialogueAction::Kind::StartTls, nullptr, 0};
    case State::UserSent: return LoginAnswered(reply, Pop3Step::User, State::PassSent);
    case State::PassSent: return LoginAnswered(reply, Pop3Step::Pass, State::StatSent);
    case State::StatSent:
      if (positive && outcome_.kind == DialogueOutcome::Kind::Open) {
        const StatNumbers numbers = ParseStatReply(reply.text);
        outcome_ = {DialogueOutcome::Kind::Mail, Pop3Step::Stat, ResponseCode::None, numbers.count, numbers.size};
      }
      return LoginAnswered(reply, Pop3Step::Stat, State::QuitSent);
    case State::QuitSent:
      if (!positive) return Quit();  // and wait for the next answer
      state_ = State::Idle;
      return {DialogueAction::Kind::End, nullptr, 0};
    case State::AwaitTls:
    case State::Idle: break;
  }
  return kNothing;
}

DialogueAction Pop3Dialogue::LogIn() {
  if (!secure_ && use_ != StartTlsUse::Never && capabilities_.stls) return Send(State::StlsSent, "STLS\r\n");
  // A server that once spoke TLS and no longer offers it may not be that server: no password in clear.
  if (!secure_ && use_ == StartTlsUse::Required) {
    Decide(DialogueOutcome::Kind::TlsMissing, Pop3Step::Capa);
    return Quit();
  }
  if (!FitsOneLine(user_) || !FitsOneLine(password_)) {
    Decide(DialogueOutcome::Kind::Refused, FitsOneLine(user_) ? Pop3Step::Pass : Pop3Step::User);
    return Quit();
  }
  if (!capabilities_.pipelining) return Send(State::UserSent, "USER %s\r\n", user_);
  pipelined_ = true;
  const int length =
      std::snprintf(command_, sizeof command_, "USER %s\r\nPASS %s\r\nSTAT\r\nQUIT\r\n", user_, password_);
  state_ = State::UserSent;
  return {DialogueAction::Kind::Send, command_, static_cast<std::size_t>(length)};
}

DialogueAction Pop3Dialogue::LoginAnswered(const Pop3Reply& reply, Pop3Step step, State next) {
  const bool positive = reply.kind == Pop3Reply::Kind::Positive;
  if (!positive) Decide(DialogueOutcome::Kind::Refused, step, reply.code);
  // Pipelined, every command is out already: its replies are only read.
  if (pipelined_) {
    state_ = next;
    return kNothing;
  }
  if (!positive || next == State::QuitSent) return Quit();
  return next == State::PassSent ? Send(next, "PASS %s\r\n", password_) : Send(next, "STAT\r\n");
}

}  // namespace zorvane
