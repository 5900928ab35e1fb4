// Feeds arbitrary server bytes to the POP3 protocol machine, cut into chunks
// the input chooses, with connection events in between, and checks what the
// machine may and may not do with them.
//
// Input: 4 header bytes, then the server's bytes.
//   [0] bit 0: connect only at the event chunk (lines arrive while resolving
//       before that); bit 1: the connection is lost after the last chunk;
//       bit 2: Fail() at the event chunk; bit 3: Start() again there;
//       bits 4-6: the status passed to Fail().
//   [1] the event chunk's index (0 to 7).
//   [2], [3] chunk sizes, used in turn: 1 to 8 below 0x80, else 2 to 256.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mail/pop3_session.h"

using namespace zorvane;

#define FUZZ_CHECK(condition)                                                                  \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                            \
    }                                                                                          \
  } while (0)

namespace {

struct Observer {
  Pop3Session& session;
  bool finished = false;
  int commands[3] = {};  // USER, PASS, STAT sent

  bool Is(const SessionAction& action, const char* wire) const {
    return action.length == std::strlen(wire) && std::memcmp(action.bytes, wire, action.length) == 0;
  }

  void Reset() {
    finished = false;
    commands[0] = commands[1] = commands[2] = 0;
  }

  void Apply(const SessionAction& action, SessionState before) {
    if (action.kind == SessionAction::Kind::None) return;
    FUZZ_CHECK(!finished);
    FUZZ_CHECK(action.kind == SessionAction::Kind::Send || action.kind == SessionAction::Kind::Finish);
    if (action.kind == SessionAction::Kind::Finish) {
      finished = true;
      FUZZ_CHECK(!session.active());
      return;
    }
    // Each command once, in order, each answering the state before it.
    const char* const wires[3] = {"USER alice\r\n", "PASS secret\r\n", "STAT\r\n"};
    for (int i = 0; i < 3; ++i) {
      if (!Is(action, wires[i])) continue;
      FUZZ_CHECK(static_cast<int>(before) == i + 1 && ++commands[i] == 1 && (i == 0 || commands[i - 1] == 1));
      return;
    }
    FUZZ_CHECK(Is(action, "QUIT\r\n"));
    // QUIT before the login is through can only answer a rejection.
    const CheckStatus rejection[] = {CheckStatus::Ok, CheckStatus::GreetingRejected, CheckStatus::UserRejected,
                                     CheckStatus::PasswordRejected};
    if (before >= SessionState::AwaitGreeting && before <= SessionState::PassSent) {
      FUZZ_CHECK(session.result().Status == rejection[static_cast<int>(before)]);
    }
  }

  void PollAll() {
    // Every action takes a line out; more polls than pending bytes is a loop.
    for (std::size_t polls = 0;; ++polls) {
      FUZZ_CHECK(polls <= Pop3Session::kMaxPending + 1);
      const SessionState before = session.state();
      const SessionAction action = session.Poll();
      if (action.kind == SessionAction::Kind::None) break;
      Apply(action, before);
    }
  }

  // A failure or a lost connection ends an active session with the status the
  // rule gives, and does nothing to an ended one.
  void End(SessionAction action, SessionState before, bool wasActive, CheckResult old, CheckStatus expected) {
    Apply(action, before);
    const CheckResult& now = session.result();
    FUZZ_CHECK(now.MailCount == old.MailCount && now.MailSize == old.MailSize);
    FUZZ_CHECK(now.Status == (wasActive ? expected : old.Status));
    if (wasActive) FUZZ_CHECK(finished);
  }
};

std::size_t ChunkSize(std::uint8_t seed) { return seed < 0x80 ? seed % 8 + 1u : (seed & 0x7Fu) * 2 + 2; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint8_t flags = data[0];
  const std::size_t eventChunk = data[1] % 8;
  const std::uint8_t seeds[2] = {data[2], data[3]};
  data += 4;
  size -= 4;

  static Pop3Session session;  // reused, as the transport reuses its four
  session.Start("pop.example.test", "alice", "secret");
  Observer observer{session};
  if ((flags & 0x01) == 0) session.OnConnecting();

  for (std::size_t offset = 0, index = 0; offset < size; ++index) {
    const std::size_t length = ChunkSize(seeds[index % 2]) < size - offset ? ChunkSize(seeds[index % 2]) : size - offset;
    session.Feed(reinterpret_cast<const char*>(data) + offset, length);
    offset += length;
    observer.PollAll();
    if (index != eventChunk) continue;
    if (flags & 0x01) session.OnConnecting();
    if (flags & 0x04) {
      const auto status = static_cast<CheckStatus>((flags >> 4) & 0x07);
      const bool wasActive = session.active();
      observer.End(session.Fail(status), session.state(), wasActive, session.result(), status);
    }
    if (flags & 0x08) {
      // A new session on the same machine starts clean.
      session.Start("pop.example.test", "alice", "secret");
      session.OnConnecting();
      observer.Reset();
      FUZZ_CHECK(session.Poll().kind == SessionAction::Kind::None);
      FUZZ_CHECK(session.result().Status == CheckStatus::Ok && session.result().MailCount == 0);
    }
  }
  if (flags & 0x02) {
    const SessionState before = session.state();
    const CheckResult old = session.result();
    const bool wasActive = session.active();
    observer.End(session.OnConnectionLost(), before, wasActive, old,
                 before == SessionState::QuitSent ? old.Status : CheckStatus::Disconnected);
  }
  FUZZ_CHECK(!(observer.finished && session.active()));

  if (observer.finished) {
    // After the end nothing the network does reaches the session.
    session.Feed("-ERR\r\n+OK 1 2\r\n", 15);
    FUZZ_CHECK(session.Poll().kind == SessionAction::Kind::None);
    FUZZ_CHECK(session.OnConnectionLost().kind == SessionAction::Kind::None);
    FUZZ_CHECK(session.Fail(CheckStatus::SocketError).kind == SessionAction::Kind::None);
  }
  return 0;
}
