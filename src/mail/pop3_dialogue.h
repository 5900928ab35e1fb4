#pragma once
// One account's POP3 exchange: which command goes next and what each reply
// means for the account. It asks the server what it can do (CAPA, RFC 2449),
// asks for TLS where the server offers it (STLS, RFC 2595), sends every
// command of the login, STAT and UIDL in one write where the server takes
// pipelined commands, and for an account that announces only new mail asks
// for the unique ids that tell new from seen. Commands out, replies in: it
// never touches a socket or a clock, and only asks for TLS to begin.
#include <cstddef>
#include <cstdint>

#include "mail/check_result.h"
#include "mail/new_mail.h"
#include "mail/pop3_reply_reader.h"

namespace zorvane {

// How an account uses STLS on a connection that is not TLS from the start.
enum class StartTlsUse { WhenOffered, Required, Never };

struct DialogueOutcome {
  enum class Kind {
    Open,     // nothing decided yet
    Counted,  // STAT answered: count and size
    Ended,    // the account's result is status: a refusal, no TLS, a reply no POP3 server sends
  };
  Kind kind;
  CheckStatus status;
  std::int32_t count;
  std::int64_t size;
};

struct DialogueAction {
  enum class Kind {
    None,      // wait for more of the server's replies
    Send,      // send bytes[0, length)
    StartTls,  // begin TLS now: nothing that arrived in plain text is read any more
    End,       // the dialogue is over: close the connection
  };
  Kind kind;
  const char* bytes;
  std::size_t length;
};

class Pop3Dialogue {
 public:
  // At most this many capabilities are read; a longer list is no POP3 server's.
  static constexpr int kMaxCapabilities = 64;

  // Begins with the server's greeting; secure: the connection is TLS already.
  // seenMark: for an account that announces only new mail, what it keeps of
  // the last announcement seen ("" for nothing); nullptr for one that counts
  // what waits.
  void Start(const char* user, const char* password, StartTlsUse use, bool secure, const char* seenMark);
  // Forgets the user and the password; the dialogue is over.
  void Clear() { *this = Pop3Dialogue{}; }

  // Received plaintext; returns how much was taken (all of it, up to
  // Pop3ReplyReader::kMaxRead, once Next has answered what came before).
  std::size_t Feed(const char* bytes, std::size_t length) { return reader_.Feed(bytes, length); }
  std::size_t room() const { return reader_.room(); }
  // Answers the replies received so far, up to the first that asks for something.
  DialogueAction Next();
  // TLS is up: from the first byte, or after StartTls.
  DialogueAction OnTlsReady();

  const DialogueOutcome& outcome() const { return outcome_; }
  // Nothing the server does can change the outcome any more.
  bool settled() const { return outcome_.kind != DialogueOutcome::Kind::Open; }
  // The server completed STLS.
  bool upgraded() const { return upgraded_; }
  // The account has the server's STLS in memory.
  bool requiresTls() const { return use_ == StartTlsUse::Required; }
  // For an account that announces only new mail: whether the count of new
  // messages is known, the count, and the seen mark that goes with it.
  NewMail newMail() const;
  std::int32_t newCount() const { return newMailCount_.newCount(); }
  void NextSeenMark(char (&text)[kSeenMarkBytes]) const { newMailCount_.NextMark(text); }

 private:
  enum class State { Idle, AwaitGreeting, Talking, AwaitTls };
  // For an account that announces only new mail: Off for one that counts what waits.
  enum class NewMailState { Off, Asking, Counted, Unknown };
  enum class Command : std::uint8_t { Capa, Stls, User, Pass, Stat, Probe, Uidl, List, Quit };
  struct Queued {
    Command command;
    std::int32_t number;  // the message of a UIDL
  };

  DialogueAction Answer(const Pop3Reply& reply);
  // A reply no POP3 server sends: the connection is given up.
  DialogueAction Broken();
  DialogueAction Answered(const Queued& command, const Pop3Reply& reply);
  // After the capabilities: STLS, or the login, STAT and, for new mail, the first UIDL.
  DialogueAction LogIn();
  // Once STAT and the first UIDL are answered: the UIDLs that tell which messages are new.
  void AskForIds();
  void Decide(CheckStatus status);
  void Queue(Command command, std::int32_t number = 0);
  // QUIT instead of whatever was still to be sent.
  DialogueAction Quit();
  // The commands due now: all queued when pipelining, else the next once every reply is in.
  DialogueAction Flush();
  bool IsQueued(Command command) const;

  Pop3ReplyReader reader_;
  State state_ = State::Idle;
  char user_[64] = {};
  char password_[64] = {};
  StartTlsUse use_ = StartTlsUse::WhenOffered;
  bool secure_ = false;
  bool upgraded_ = false;
  // What the server said it can do, from the CAPA in force; known: it answered CAPA.
  struct {
    bool known;
    int lines;
    bool stls;
    bool pipelining;
    bool uidl;
  } capabilities_ = {};
  // Sent and awaiting their replies, then still to be sent.
  static constexpr int kMaxQueued = 32;
  Queued queue_[kMaxQueued] = {};
  int queued_ = 0;
  int sent_ = 0;
  DialogueOutcome outcome_ = {};
  NewMailState newMail_ = NewMailState::Off;
  NewMailCount newMailCount_;
  char command_[512] = {};
};

}  // namespace zorvane
