#pragma once
// One account's POP3 exchange: which command goes next and what each reply
// means for the account. It asks the server what it can do (CAPA, RFC 2449),
// asks for TLS where the server offers it (STLS, RFC 2595) and sends the login
// and STAT in one write where the server takes pipelined commands. Commands
// out, replies in: it never touches a socket or a clock, and only asks for
// TLS to begin.
#include <cstddef>
#include <cstdint>

#include "mail/pop3_reply_reader.h"

namespace zorvane {

// How an account uses STLS on a connection that is not TLS from the start.
enum class StartTlsUse { WhenOffered, Required, Never };

// The command a reply answers.
enum class Pop3Step { Greeting, Capa, Stls, User, Pass, Stat, Quit };

// The response codes of a negative reply that tell the user what to do.
enum class ResponseCode { None, LoginDelay, InUse, SysTemp };

struct DialogueOutcome {
  enum class Kind {
    Open,        // nothing decided yet
    Mail,        // STAT answered: count and size
    Refused,     // a negative reply to step, with code
    TlsRefused,  // STLS answered negatively
    TlsMissing,  // the account needs TLS and the server does not offer STLS
    Unreadable,  // a reply no POP3 server sends
  };
  Kind kind;
  Pop3Step step;
  ResponseCode code;
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
  void Start(const char* user, const char* password, StartTlsUse use, bool secure);
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
  // Nothing the server does can change the outcome any more: it is decided and QUIT is out.
  bool settled() const;
  // The server completed STLS.
  bool upgraded() const { return upgraded_; }

 private:
  enum class State {
    Idle,
    AwaitGreeting,
    CapaSent,
    CapaList,
    StlsSent,
    AwaitTls,
    UserSent,
    PassSent,
    StatSent,
    QuitSent,
  };

  DialogueAction Answer(const Pop3Reply& reply);
  // After the capabilities: STLS, the login step by step, or all of it in one write.
  DialogueAction LogIn();
  // The reply to a login command or STAT; next is the state after it.
  DialogueAction LoginAnswered(const Pop3Reply& reply, Pop3Step step, State next);
  void Decide(DialogueOutcome::Kind kind, Pop3Step step = Pop3Step::Greeting, const char* code = "");
  DialogueAction Send(State next, const char* format, const char* argument = "");
  DialogueAction Quit() { return Send(State::QuitSent, "QUIT\r\n"); }

  Pop3ReplyReader reader_;
  State state_ = State::Idle;
  char user_[64] = {};
  char password_[64] = {};
  StartTlsUse use_ = StartTlsUse::WhenOffered;
  bool secure_ = false;
  bool upgraded_ = false;
  bool pipelined_ = false;
  // What the server said it can do, from the CAPA in force.
  struct {
    int lines;
    bool stls;
    bool pipelining;
  } capabilities_ = {};
  DialogueOutcome outcome_ = {};
  char command_[256] = {};
};

}  // namespace zorvane
