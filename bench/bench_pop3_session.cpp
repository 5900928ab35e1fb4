// One whole successful POP3 session through the protocol machine, fed one
// byte at a time (the worst a network can do) and in 256-byte chunks (one
// full recv buffer at a time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "mail/pop3_session.h"

namespace {

const std::string kServerBytes =
    "+OK POP3 server ready <1896.697170952@mail.example.test>\r\n"
    "+OK\r\n"
    "+OK Logged in.\r\n"
    "+OK 12 123456\r\n"
    "+OK Logging out.\r\n";

void RunSession(benchmark::State& state, std::size_t chunkSize) {
  zorvane::Pop3Session session;
  for (auto _ : state) {
    session.Start("mail.example.test", "alice", "secret");
    session.OnConnecting();
    std::size_t sent = 0;
    bool finished = false;
    for (std::size_t offset = 0; offset < kServerBytes.size() && !finished; offset += chunkSize) {
      session.Feed(kServerBytes.data() + offset, std::min(chunkSize, kServerBytes.size() - offset));
      for (;;) {
        const zorvane::SessionAction action = session.Poll();
        if (action.kind == zorvane::SessionAction::Kind::None) break;
        if (action.kind == zorvane::SessionAction::Kind::Send) sent += action.length;
        if (action.kind == zorvane::SessionAction::Kind::Finish) finished = true;
      }
    }
    if (!finished || session.result().MailCount != 12) state.SkipWithError("the session did not end as expected");
    benchmark::DoNotOptimize(sent);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kServerBytes.size()));
}

void BM_SessionByteAtATime(benchmark::State& state) { RunSession(state, 1); }
void BM_SessionIn256ByteChunks(benchmark::State& state) { RunSession(state, 256); }

BENCHMARK(BM_SessionByteAtATime);
BENCHMARK(BM_SessionIn256ByteChunks);

}  // namespace
