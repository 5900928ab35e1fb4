#include "mail/pop3_dialogue.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/text.h"
#include "mail/stat_reply.h"

namespace zorvane {

namespace {

constexpr DialogueAction kNothing = {DialogueAction::Kind::None, nullptr, 0};
constexpr DialogueAction kEnd = {DialogueAction::Kind::End, nullptr, 0};

bool SameWord(const char* text, std::size_t length, const char* word) {
  if (std::strlen(word) != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != word[i]) return false;
  }
  return true;
}

// A capability's name is the first word of its line, in any case.
bool Names(const char* line, const char* capability) { return SameWord(line, std::strcspn(line, " "), capability); }

// A negative reply: what its response code says the user can do, else what the command refused.
CheckStatus RefusedAs(const char* code, CheckStatus otherwise) {
  const std::size_t length = std::strlen(code);
  if (SameWord(code, length, "LOGIN-DELAY")) return CheckStatus::LoginDelay;
  if (SameWord(code, length, "IN-USE")) return CheckStatus::MailboxInUse;
  if (SameWord(code, length, "SYS/TEMP")) return CheckStatus::ServerTemporary;
  return otherwise;
}

// A line break inside an argument would send the rest as a command of its own.
bool FitsOneLine(const char* argument) { return std::strpbrk(argument, "\r\n") == nullptr; }

// What follows the indicator of a status line: "+OK 2 abc" gives "2 abc".
const char* AfterIndicator(const char* line) {
  const char* space = std::strchr(line, ' ');
  return space == nullptr ? "" : space + 1;
}

}  // namespace

void Pop3Dialogue::Start(const char* user, const char* password, StartTlsUse use, bool secure, const char* seenMark) {
  Clear();
  CopyTextCut(user_, user);
  CopyTextCut(password_, password);
  use_ = use;
  secure_ = secure;
  if (seenMark != nullptr) {
    newMail_ = NewMailState::Asking;
    newMailCount_.Start(seenMark);
  }
  state_ = State::AwaitGreeting;
}

void Pop3Dialogue::Decide(CheckStatus status) {
  // The first word is the one that counts: a pipelined login reads on after a refusal.
  if (outcome_.kind == DialogueOutcome::Kind::Open) outcome_ = {DialogueOutcome::Kind::Ended, status, 0, 0};
}

void Pop3Dialogue::Queue(Command command, std::int32_t number) {
  if (queued_ < kMaxQueued) queue_[queued_++] = {command, number};
}

bool Pop3Dialogue::IsQueued(Command command) const {
  for (int i = 0; i < queued_; ++i) {
    if (queue_[i].command == command) return true;
  }
  return false;
}

DialogueAction Pop3Dialogue::Quit() {
  queued_ = sent_;  // what was still to be sent goes
  if (!IsQueued(Command::Quit)) Queue(Command::Quit);
  return Flush();
}

NewMail Pop3Dialogue::newMail() const {
  switch (newMail_) {
    case NewMailState::Off: return NewMail::NotAsked;
    case NewMailState::Counted: return NewMail::Counted;
    default: return NewMail::Unknown;  // asked and refused, or the answers did not all come
  }
}

DialogueAction Pop3Dialogue::Flush() {
  static const char* const kFormats[] = {"CAPA\r\n",    "STLS\r\n",    "USER %s\r\n", "PASS %s\r\n", "STAT\r\n",
                                         "UIDL %d\r\n", "UIDL %d\r\n", "UIDL\r\n",    "QUIT\r\n"};
  std::size_t length = 0;
  while (sent_ < queued_ && (capabilities_.pipelining || sent_ == 0)) {
    const Queued& next = queue_[sent_];
    const char* format = kFormats[static_cast<int>(next.command)];
    char line[96];
    const int lineLength =
        next.command == Command::User || next.command == Command::Pass
            ? std::snprintf(line, sizeof line, format, next.command == Command::User ? user_ : password_)
            : std::snprintf(line, sizeof line, format, next.number);
    if (length + static_cast<std::size_t>(lineLength) > sizeof command_) break;  // with the next write
    std::memcpy(command_ + length, line, static_cast<std::size_t>(lineLength));
    length += static_cast<std::size_t>(lineLength);
    ++sent_;
  }
  if (length == 0) return kNothing;
  return {DialogueAction::Kind::Send, command_, length};
}

DialogueAction Pop3Dialogue::Next() {
  while (state_ == State::AwaitGreeting || state_ == State::Talking) {
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
  state_ = State::Talking;
  // What the server said before TLS may have been an attacker's: ask again.
  capabilities_ = {};
  Queue(Command::Capa);
  return Flush();
}

DialogueAction Pop3Dialogue::Broken() {
  Decide(CheckStatus::Disconnected);
  state_ = State::Idle;
  return kEnd;
}

DialogueAction Pop3Dialogue::Answer(const Pop3Reply& reply) {
  if (reply.kind == Pop3Reply::Kind::Failed) return Broken();
  if (state_ == State::AwaitGreeting) {
    state_ = State::Talking;
    if (reply.kind == Pop3Reply::Kind::Negative) {
      Decide(RefusedAs(reply.code, CheckStatus::GreetingRejected));
      return Quit();
    }
    Queue(Command::Capa);
    return Flush();
  }
  if (sent_ == 0) return kNothing;  // an answer to nothing asked
  const Queued command = queue_[0];
  const bool list = command.command == Command::Capa || command.command == Command::List;
  if (reply.kind == Pop3Reply::Kind::BodyLine) {
    if (command.command == Command::List) {
      if (newMailCount_.OnListed(reply.text)) return kNothing;
      // Longer than the mailbox: which messages are new cannot be told, and there is no need to read on.
      newMail_ = NewMailState::Unknown;
      state_ = State::Idle;
      return kEnd;
    }
    if (++capabilities_.lines > kMaxCapabilities) return Broken();
    capabilities_.stls |= Names(reply.text, "STLS");
    capabilities_.pipelining |= Names(reply.text, "PIPELINING");
    capabilities_.uidl |= Names(reply.text, "UIDL");
    return kNothing;
  }
  if (list && reply.kind == Pop3Reply::Kind::Positive) {
    reader_.ExpectBody();  // the command stays at the front until its body ends
    capabilities_.known |= command.command == Command::Capa;
    return kNothing;
  }
  std::memmove(queue_, queue_ + 1, static_cast<std::size_t>(queued_ - 1) * sizeof queue_[0]);
  --queued_;
  --sent_;
  const DialogueAction action = Answered(command, reply);
  // Once the ids were asked for and no UIDL waits for its answer, the count of new mail is whole.
  const bool asking = IsQueued(Command::Probe) || IsQueued(Command::Uidl) || IsQueued(Command::List);
  if (newMail_ == NewMailState::Asking && IsQueued(Command::Quit) && !asking &&
      outcome_.kind == DialogueOutcome::Kind::Counted) {
    newMail_ = NewMailState::Counted;
  }
  return action.kind == DialogueAction::Kind::None ? Flush() : action;
}

DialogueAction Pop3Dialogue::Answered(const Queued& command, const Pop3Reply& reply) {
  const bool positive = reply.kind == Pop3Reply::Kind::Positive || reply.kind == Pop3Reply::Kind::BodyEnd;
  switch (command.command) {
    case Command::Capa: return LogIn();  // refused by a server that predates it: step by step
    case Command::Stls:
      if (!positive) {
        Decide(CheckStatus::TlsFailed);
        return Quit();
      }
      // Whatever came after "+OK" arrived before TLS and may be anyone's (RFC 2595 section 4).
      reader_.Reset();
      state_ = State::AwaitTls;
      return {DialogueAction::Kind::StartTls, nullptr, 0};
    case Command::User:
    case Command::Pass:
    case Command::Stat:
      if (!positive) {
        // A refused STAT shows as an empty mailbox.
        const CheckStatus refused = command.command == Command::User   ? CheckStatus::UserRejected
                                    : command.command == Command::Pass ? CheckStatus::PasswordRejected
                                                                       : CheckStatus::Ok;
        Decide(RefusedAs(reply.code, refused));
        return Quit();
      }
      if (command.command == Command::Stat && outcome_.kind == DialogueOutcome::Kind::Open) {
        const StatNumbers numbers = ParseStatReply(reply.text);
        outcome_ = {DialogueOutcome::Kind::Counted, CheckStatus::Ok, numbers.count, numbers.size};
        if (!IsQueued(Command::Probe)) AskForIds();
      }
      return kNothing;
    case Command::Probe:
      newMailCount_.OnProbe(positive ? AfterIndicator(reply.text) : nullptr);
      AskForIds();
      return kNothing;
    case Command::Uidl:
      if (positive) {
        newMailCount_.OnListed(AfterIndicator(reply.text));
      } else if (newMail_ == NewMailState::Asking) {
        newMail_ = NewMailState::Unknown;  // a server without UIDL, or a message gone meanwhile
      }
      return kNothing;
    case Command::List:
      if (positive) {
        newMailCount_.OnListingEnd();
      } else if (newMail_ == NewMailState::Asking) {
        newMail_ = NewMailState::Unknown;  // a server without UIDL
      }
      return kNothing;
    case Command::Quit:
      if (reply.kind == Pop3Reply::Kind::Negative) return Quit();  // and wait for the next answer
      state_ = State::Idle;
      return kEnd;
  }
  return kNothing;
}

DialogueAction Pop3Dialogue::LogIn() {
  if (!secure_ && use_ != StartTlsUse::Never && capabilities_.stls) {
    Queue(Command::Stls);
    return Flush();
  }
  // A server that once spoke TLS and no longer offers it may not be that server: no password in clear.
  if (!secure_ && use_ == StartTlsUse::Required) {
    Decide(CheckStatus::TlsFailed);
    return Quit();
  }
  if (!FitsOneLine(user_) || !FitsOneLine(password_)) {
    Decide(FitsOneLine(user_) ? CheckStatus::PasswordRejected : CheckStatus::UserRejected);
    return Quit();
  }
  Queue(Command::User);
  Queue(Command::Pass);
  Queue(Command::Stat);
  // A server whose capabilities leave UIDL out has no ids to tell new mail by.
  if (newMail_ == NewMailState::Asking && capabilities_.known && !capabilities_.uidl) newMail_ = NewMailState::Unknown;
  if (newMail_ != NewMailState::Asking) {
    Queue(Command::Quit);
  } else if (newMailCount_.probe() > 0) {
    Queue(Command::Probe, newMailCount_.probe());
  }
  return Flush();
}

void Pop3Dialogue::AskForIds() {
  if (newMail_ != NewMailState::Asking || outcome_.kind != DialogueOutcome::Kind::Counted || IsQueued(Command::Quit))
    return;
  const NewMailCount::Plan plan = newMailCount_.OnStat(outcome_.count);
  if (plan.listAll) Queue(Command::List);
  for (std::int32_t n = plan.first; n <= plan.last; ++n) Queue(Command::Uidl, n);
  Queue(Command::Quit);
}

}  // namespace zorvane
