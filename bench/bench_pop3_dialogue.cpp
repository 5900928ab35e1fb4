// One whole successful POP3 dialogue, capabilities and a pipelined login
// included, fed one byte at a time (the worst a network can do) and in
// 256-byte chunks (one full recv buffer at a time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "mail/pop3_dialogue.h"

namespace {

const std::string kServerBytes =
    "+OK POP3 server ready <1896.697170952@mail.example.test>\r\n"
    "+OK\r\nCAPA\r\nTOP\r\nUIDL\r\nRESP-CODES\r\nPIPELINING\r\nUSER\r\n.\r\n"
    "+OK\r\n"
    "+OK Logged in.\r\n"
    "+OK 12 123456\r\n"
    "+OK Logging out.\r\n";

void RunDialogue(benchmark::State& state, std::size_t chunkSize) {
  zorvane::Pop3Dialogue dialogue;
  for (auto _ : state) {
    dialogue.Start("alice", "secret", zorvane::StartTlsUse::WhenOffered, false, nullptr);
    std::size_t sent = 0;
    bool ended = false;
    for (std::size_t offset = 0; offset < kServerBytes.size() && !ended; offset += chunkSize) {
      dialogue.Feed(kServerBytes.data() + offset, std::min(chunkSize, kServerBytes.size() - offset));
      for (;;) {
        const zorvane::DialogueAction action = dialogue.Next();
        if (action.kind == zorvane::DialogueAction::Kind::None) break;
        if (action.kind == zorvane::DialogueAction::Kind::Send) sent += action.length;
        if (action.kind == zorvane::DialogueAction::Kind::End) ended = true;
      }
    }
    if (!ended || dialogue.outcome().count != 12) state.SkipWithError("the dialogue did not end as expected");
    benchmark::DoNotOptimize(sent);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kServerBytes.size()));
}

void BM_DialogueByteAtATime(benchmark::State& state) { RunDialogue(state, 1); }
void BM_DialogueIn256ByteChunks(benchmark::State& state) { RunDialogue(state, 256); }

BENCHMARK(BM_DialogueByteAtATime);
BENCHMARK(BM_DialogueIn256ByteChunks);

}  // namespace
