#pragma once

namespace zorvane {

// The two window messages that carry one account's network notifications:
// its host lookup is done, and something happened on its socket.
struct AccountMessages {
  unsigned lookupDone;
  unsigned socketEvent;
};

}  // namespace zorvane
