#pragma once
// A toy TLS for the tests: two handshake records complete the handshake (the
// client answers the second with "FIN"), server records carry their
// plaintext as it is, an alert closes, change_cipher_spec after the handshake
// breaks the session, and what the client encrypts goes out as "E(...)",
// readable in a test's log. Like a real engine it writes no more than it may.
#include <cstdint>
#include <cstring>
#include <string>

#include "mail/tls_engine.h"

namespace zorvane::testing {

inline std::string Record(unsigned char type, const std::string& body) {
  return std::string{static_cast<char>(type), 3, 3, static_cast<char>(body.size() >> 8),
                     static_cast<char>(body.size() & 0xFF)} +
         body;
}

inline const std::string kServerHandshake = Record(22, "server hello") + Record(22, "certificate and done");

class ToyEngine : public TlsEngine {
 public:
  TlsOutcome Begin(const char*, unsigned char* out, std::size_t capacity) override {
    handshakes = 0;
    return Put(out, capacity, "HELLO", TlsOutcome::Kind::Continue, 0);
  }
  TlsOutcome Handshake(const unsigned char* in, std::size_t length, unsigned char* out, std::size_t capacity) override {
    if (stall) return {TlsOutcome::Kind::Continue, 0, 0};
    const std::size_t record = 5 + (in[3] << 8 | in[4]);
    if (++handshakes < 2) return {TlsOutcome::Kind::Continue, record, 0};
    return Put(out, capacity, "FIN", TlsOutcome::Kind::Done, record < length ? record : length);
  }
  std::uint16_t NegotiatedVersion() override { return version; }
  bool PeerTrusted(const char* host) override { return trusted && std::string(host) == "pop.example.test"; }
  TlsOutcome Decrypt(unsigned char* in, std::size_t, unsigned char* out, std::size_t capacity) override {
    const std::size_t body = in[3] << 8 | in[4];
    if (in[0] == 20 || body > capacity) return {TlsOutcome::Kind::Failed, 0, 0};
    if (in[0] == 21) return {TlsOutcome::Kind::Closed, 5 + body, 0};
    std::memcpy(out, in + 5, body);
    return {TlsOutcome::Kind::Continue, 5 + body, body};
  }
  std::size_t Encrypt(const char* plain, std::size_t length, unsigned char* out, std::size_t capacity) override {
    return Put(out, capacity, "E(" + std::string(plain, length) + ")", TlsOutcome::Kind::Continue, 0).produced;
  }
  std::size_t CloseNotify(unsigned char* out, std::size_t capacity) override {
    return Put(out, capacity, "NOTIFY", TlsOutcome::Kind::Continue, 0).produced;
  }
  void End() override { handshakes = 0; }

  int handshakes = 0;
  bool trusted = true;
  bool stall = false;  // goes on without taking anything
  std::uint16_t version = 0x0303;

 private:
  static TlsOutcome Put(unsigned char* out, std::size_t capacity, const std::string& bytes, TlsOutcome::Kind kind,
                        std::size_t used) {
    if (bytes.size() > capacity) return {TlsOutcome::Kind::Failed, 0, 0};
    std::memcpy(out, bytes.data(), bytes.size());
    return {kind, used, bytes.size()};
  }
};

}  // namespace zorvane::testing
