#pragma once
// How long a session waits on a server that sends nothing: one silent server
// costs its own account, not the whole check.
#include <cstdint>

namespace zorvane {

class SilenceLimit {
 public:
  static constexpr std::uint64_t kLimitMs = 60000;

  // The session waits on the server from now on: after the connection was
  // requested, a command was sent or the server's last bytes arrived.
  void Restart(std::uint64_t nowMs) {
    since_ = nowMs;
    running_ = true;
  }
  void Stop() { running_ = false; }
  bool Expired(std::uint64_t nowMs) const { return running_ && nowMs - since_ >= kLimitMs; }

 private:
  std::uint64_t since_ = 0;
  bool running_ = false;
};

}  // namespace zorvane
