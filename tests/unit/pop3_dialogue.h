#pragma once
// Drives a Pop3Session the way the transport does and records what it asked for.
#include <cstddef>
#include <string>

#include "mail/pop3_session.h"

namespace zorvane::testing {

struct Exchange {
  std::string sent;  // every byte the session asked to send, in order
  int finishes = 0;
  bool actedAfterFinish = false;

  void Apply(const SessionAction& action);
};

// Takes out every complete line, as the transport does after each chunk.
void PollAll(Pop3Session& session, Exchange& exchange);

// Feeds bytes in chunks of chunkSize, polling after each chunk.
void FeedInChunks(Pop3Session& session, const std::string& bytes, std::size_t chunkSize, Exchange& exchange);

// A session started and connected, waiting for the greeting.
void StartConnected(Pop3Session& session, CheckResult* result, const char* user = "alice",
                    const char* password = "secret");

}  // namespace zorvane::testing
