#include "pop3_dialogue.h"

#include <algorithm>

namespace zorvane::testing {

void Exchange::Apply(const SessionAction& action) {
  if (action.kind == SessionAction::None) return;
  if (finishes > 0) actedAfterFinish = true;
  if (action.kind == SessionAction::Send) sent.append(action.bytes, action.length);
  if (action.kind == SessionAction::Finish) ++finishes;
}

void PollAll(Pop3Session& session, Exchange& exchange) {
  for (;;) {
    const SessionAction action = session.Poll();
    if (action.kind == SessionAction::None) return;
    exchange.Apply(action);
  }
}

void FeedInChunks(Pop3Session& session, const std::string& bytes, std::size_t chunkSize, Exchange& exchange) {
  for (std::size_t offset = 0; offset < bytes.size(); offset += chunkSize) {
    const std::size_t length = std::min(chunkSize, bytes.size() - offset);
    session.Feed(bytes.data() + offset, length);
    PollAll(session, exchange);
  }
}

void StartConnected(Pop3Session& session, CheckResult* result, const char* user, const char* password) {
  session.Start("pop.example.test", user, password, result);
  session.OnConnecting();
}

}  // namespace zorvane::testing
