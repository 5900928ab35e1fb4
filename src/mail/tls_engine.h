#pragma once
// The cryptography of a TLS client as the channel needs it: SChannel in the
// program, a stand-in in the tests. Every call works on whole records.
#include <cstddef>
#include <cstdint>

namespace zorvane {

struct TlsOutcome {
  enum class Kind {
    Continue,  // the handshake goes on: send what was produced, wait for more
    Done,      // the handshake is complete (after sending what was produced)
    NeedMore,  // the input holds no whole message yet: wait for more
    Closed,    // the peer ended the session
    Failed,
  };
  Kind kind;
  std::size_t used;      // input bytes consumed; the rest stays for the next call
  std::size_t produced;  // bytes written to out: a token to send, or plaintext
};

class TlsEngine {
 public:
  virtual ~TlsEngine() = default;
  // A new session with host: the first flight into out.
  virtual TlsOutcome Begin(const char* host, unsigned char* out, std::size_t capacity) = 0;
  virtual TlsOutcome Handshake(const unsigned char* in, std::size_t length, unsigned char* out,
                               std::size_t capacity) = 0;
  // The protocol the handshake settled on, numbered as on the wire (0x0303
  // for TLS 1.2); 0 when it cannot be told.
  virtual std::uint16_t NegotiatedVersion() = 0;
  // The server's certificate chain leads to a trusted root and names host.
  virtual bool PeerTrusted(const char* host) = 0;
  // Decrypts the first record of in; the plaintext goes to out.
  virtual TlsOutcome Decrypt(unsigned char* in, std::size_t length, unsigned char* out, std::size_t capacity) = 0;
  // Encrypts plain into out; returns the bytes written, 0 on failure.
  virtual std::size_t Encrypt(const char* plain, std::size_t length, unsigned char* out, std::size_t capacity) = 0;
  // The close_notify alert into out; returns the bytes written, 0 on failure.
  virtual std::size_t CloseNotify(unsigned char* out, std::size_t capacity) = 0;
  // Forgets the session.
  virtual void End() = 0;
};

}  // namespace zorvane
