// Feeds arbitrary server bytes to the POP3 protocol machine, cut into chunks
// the input chooses, with connection events in between, and checks what the
// machine may and may not do with them.
//
// Input layout: 4 header bytes, then the server's bytes.
//   [0] flags: bit 0 connect only at the event chunk (lines arrive while
//       resolving before that); bit 1 the peer closes after the last chunk;
//       bit 2 Fail() at the event chunk; bit 3 Start() again at the event
//       chunk; bits 4-6 the status passed to Fail().
//   [1] the index of the event chunk (0 to 7).
//   [2], [3] chunk sizes, used in turn: 1 to 8 below 0x80, else 2 to 256.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mail/pop3_session.h"

using zorvane::CheckResult;
using zorvane::Pop3Session;
using zorvane::SessionAction;
using zorvane::SessionState;

namespace {

#define FUZZ_CHECK(condition)                                                           \
  do {                                                                                  \
    if (!(condition)) {                                                                 \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

const char kUser[] = "alice";
const char kPassword[] = "secret";

// What one session has done so far, as seen from outside.
struct Observer {
  Pop3Session& session;
  CheckResult& result;
  bool finished = false;
  int users = 0, passes = 0, stats = 0;

  void Reset() {
    finished = false;
    users = passes = stats = 0;
  }

  void CheckState() const {
    const int state = static_cast<int>(session.state());
    FUZZ_CHECK(state >= 0 && state <= 5);
    FUZZ_CHECK(!(finished && session.active()));
    FUZZ_CHECK(result.Status >= 0 && result.Status <= 7);
  }

  void Apply(const SessionAction& action, SessionState before) {
    FUZZ_CHECK(action.kind == SessionAction::None || action.kind == SessionAction::Send ||
               action.kind == SessionAction::Finish);
    if (action.kind == SessionAction::None) return;
    FUZZ_CHECK(!finished);
    if (action.kind == SessionAction::Finish) {
      finished = true;
      FUZZ_CHECK(!session.active());
      return;
    }
    FUZZ_CHECK(action.bytes != nullptr);
    const auto is = [&](const char* wire) {
      return action.length == std::strlen(wire) && std::memcmp(action.bytes, wire, action.length) == 0;
    };
    const SessionState after = session.state();
    if (is("USER alice\r\n")) {
      FUZZ_CHECK(before == SessionState::AwaitGreeting && after == SessionState::UserSent);
      FUZZ_CHECK(++users == 1);
    } else if (is("PASS secret\r\n")) {
      FUZZ_CHECK(before == SessionState::UserSent && after == SessionState::PassSent);
      FUZZ_CHECK(++passes == 1 && users == 1);
    } else if (is("STAT\r\n")) {
      FUZZ_CHECK(before == SessionState::PassSent && after == SessionState::StatSent);
      FUZZ_CHECK(++stats == 1 && passes == 1);
    } else {
      FUZZ_CHECK(is("QUIT\r\n"));
      FUZZ_CHECK(after == SessionState::QuitSent);
      // QUIT before the login is through can only answer a rejection.
      if (before == SessionState::AwaitGreeting) FUZZ_CHECK(result.Status == zorvane::StatusGreetingRejected);
      if (before == SessionState::UserSent) FUZZ_CHECK(result.Status == zorvane::StatusUserRejected);
      if (before == SessionState::PassSent) FUZZ_CHECK(result.Status == zorvane::StatusPasswordRejected);
    }
  }

  void PollAll() {
    // Every action takes one line out; more than the bytes ever pending is a loop.
    for (int polls = 0;; ++polls) {
      FUZZ_CHECK(polls <= static_cast<int>(Pop3Session::kMaxPending) + 1);
      const SessionState before = session.state();
      const SessionAction action = session.Poll();
      if (action.kind == SessionAction::None) break;
      Apply(action, before);
    }
    CheckState();
  }

  void PeerClosed() {
    const SessionState before = session.state();
    const bool wasActive = session.active();
    const std::int32_t statusBefore = result.Status;
    Apply(session.OnPeerClosed(), before);
    if (!wasActive) return;
    FUZZ_CHECK(finished);
    FUZZ_CHECK(result.Status == (before == SessionState::QuitSent ? statusBefore : zorvane::StatusDisconnected));
  }

  void Fail(std::int32_t status) {
    const bool wasActive = session.active();
    const std::int32_t statusBefore = result.Status;
    Apply(session.Fail(status), session.state());
    if (!wasActive) {
      FUZZ_CHECK(result.Status == statusBefore);
      return;
    }
    FUZZ_CHECK(finished);
    FUZZ_CHECK(result.Status == (status == 0 ? statusBefore : status));
  }
};

std::size_t ChunkSize(std::uint8_t seed) {
  return seed < 0x80 ? static_cast<std::size_t>(seed % 8) + 1 : static_cast<std::size_t>(seed & 0x7F) * 2 + 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint8_t flags = data[0];
  const std::size_t eventChunk = data[1] % 8;
  const std::uint8_t sizeSeeds[2] = {data[2], data[3]};
  data += 4;
  size -= 4;

  static Pop3Session session;  // reused, as the program reuses its four
  CheckResult result = {};
  session.Start("pop.example.test", kUser, kPassword, &result);
  Observer observer{session, result};
  if ((flags & 0x01) == 0) session.OnConnecting();

  std::size_t chunkIndex = 0;
  for (std::size_t offset = 0; offset < size; ++chunkIndex) {
    const std::size_t length = ChunkSize(sizeSeeds[chunkIndex % 2]) < size - offset
                                   ? ChunkSize(sizeSeeds[chunkIndex % 2])
                                   : size - offset;
    // The transport hands over at most one recv buffer at a time.
    FUZZ_CHECK(length <= Pop3Session::kChunkSize);
    char chunk[Pop3Session::kChunkSize];
    std::memcpy(chunk, data + offset, length);
    session.Feed(chunk, length);
    offset += length;
    observer.PollAll();

    if (chunkIndex != eventChunk) continue;
    if (flags & 0x01) session.OnConnecting();
    if (flags & 0x04) observer.Fail((flags >> 4) & 0x07);
    if (flags & 0x08) {
      // A new session on the same machine starts clean.
      result = CheckResult{};
      session.Start("pop.example.test", kUser, kPassword, &result);
      session.OnConnecting();
      observer.Reset();
      FUZZ_CHECK(session.Poll().kind == SessionAction::None);
    }
  }
  if (flags & 0x02) observer.PeerClosed();
  observer.CheckState();

  if (observer.finished) {
    // After the end nothing the network does reaches the session.
    session.Feed("-ERR\r\n+OK 1 2\r\n", 15);
    FUZZ_CHECK(session.Poll().kind == SessionAction::None);
    FUZZ_CHECK(session.OnPeerClosed().kind == SessionAction::None);
    FUZZ_CHECK(session.Fail(zorvane::StatusSocketError).kind == SessionAction::None);
  }
  return 0;
}
