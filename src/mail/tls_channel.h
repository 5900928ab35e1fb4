#pragma once
// The TLS layer between the socket and the POP3 machine, without I/O: it
// takes the bytes the socket received, runs the handshake through the engine,
// checks the server's certificate before a single plaintext byte is handed
// on, and turns the machine's commands into records. The transport sends
// what sending() holds.
#include <cstddef>
#include <cstdint>

#include "mail/tls_engine.h"
#include "mail/tls_records.h"

namespace zorvane {

class TlsChannel {
 public:
  // Untrusted: the handshake went through, but the certificate does not lead
  // to a trusted root, has expired, or names another host.
  enum class State { Off, Handshaking, Open, Closed, Failed, Untrusted };

  // Nothing older: TLS 1.1 and below have known attacks on their ciphers.
  static constexpr std::uint16_t kMinVersion = 0x0303;  // TLS 1.2

  explicit TlsChannel(TlsEngine& engine) : engine_(engine) {}

  // Begins a session with host, whose name the certificate must carry.
  void Start(const char* host);
  void Stop();
  void Receive(const char* bytes, std::size_t length);
  // The next plaintext, at most capacity bytes; 0 when none is waiting.
  std::size_t ReadPlain(char* out, std::size_t capacity);
  void Send(const char* plain, std::size_t length);
  // Ends an open session with close_notify, which sending() then holds.
  void Close();

  State state() const { return state_; }
  const char* sending() const { return reinterpret_cast<const char*>(sending_); }
  std::size_t sendingLength() const { return sendingLength_; }
  // The first `length` bytes of sending() have gone out.
  void Sent(std::size_t length);

 private:
  void Handshake();
  void Consume(std::size_t used);
  // Keeps room at the end of sending_ for an engine's output; false (and
  // Failed) when even an empty buffer would not do.
  unsigned char* SendRoom(std::size_t* capacity);

  TlsEngine& engine_;
  State state_ = State::Off;
  char host_[128] = {};
  // Two records: a handshake message may run over a record's end.
  unsigned char input_[2 * kMaxTlsRecord] = {};
  std::size_t inputLength_ = 0;
  unsigned char plain_[kMaxTlsRecord] = {};
  std::size_t plainStart_ = 0;
  std::size_t plainLength_ = 0;
  unsigned char sending_[16384] = {};
  std::size_t sendingLength_ = 0;
};

}  // namespace zorvane
