// Drives the TLS channel over the toy engine with server records of any type,
// version and length (alerts and oversized ones too), cut at any byte, between
// Send, ReadPlain of any capacity, Close, Stop, Start and Sent, and checks:
// - no plaintext comes out, and the engine encrypts nothing, before the channel
//   is open: handshake done, TLS 1.2 or newer, a certificate naming the host;
// - an Off, Closed or Failed channel stays so until the next Start: no more
//   plaintext out, nothing more to send (close_notify goes out once, as an
//   open channel closes);
// - the plaintext handed out is the bodies of the records after the two of the
//   handshake, in order, and all of them while the channel stays open;
// - once all is read, an alert or a broken record has ended the session;
// - nothing is read or written outside a buffer: each is as long as it says.
// Input: a set-up byte (bit 0: certificate for another name; bit 1: TLS 1.1;
// bit 2: an engine that takes nothing), then events.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "../unit/toy_tls_engine.h"
#include "mail/tls_channel.h"

using namespace zorvane;

#define FUZZ_CHECK(c) \
  ((c) ? void() : (std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #c), std::abort()))

namespace {

// The toy engine, watched: the handshake is done once it has taken its two records.
struct WatchedEngine : testing::ToyEngine {
  std::size_t Encrypt(const char* plain, std::size_t length, unsigned char* out, std::size_t capacity) override {
    return FUZZ_CHECK(open()), ToyEngine::Encrypt(plain, length, out, capacity);
  }
  std::size_t CloseNotify(unsigned char* out, std::size_t capacity) override {
    return FUZZ_CHECK(open() && ++notifies == 1), ToyEngine::CloseNotify(out, capacity);
  }
  bool open() const { return handshakes >= 2 && version >= kMinVersion && trusted && host == "pop.example.test"; }
  static constexpr std::uint16_t kMinVersion = 0x0303;  // TLS 1.2
  int notifies = 0;
  std::string host;  // as the test gave it to Start
};

// A copy exactly as long as the text, so that ASan sees any byte past its end.
std::unique_ptr<char[]> Exact(const std::string& text) {
  auto copy = std::make_unique<char[]>(text.size());
  text.copy(copy.get(), text.size());
  return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  WatchedEngine engine;
  engine.trusted = !(data[0] & 1);
  engine.version = data[0] & 2 ? 0x0302 : 0x0303;
  engine.stall = data[0] & 4;
  TlsChannel channel(engine);
  std::string stream, expected, plain;  // since Start: the server's bytes, their plaintext, what came out
  std::size_t received = 0, records = 0, at = 1;
  bool ended = false;  // by an alert, or by a record no engine takes
  const auto next = [&]() -> std::size_t { return at < size ? data[at++] : 0; };
  const auto read = [&](std::size_t capacity) {
    const auto out = Exact(std::string(capacity, '\0'));
    const std::size_t got = channel.ReadPlain(out.get(), capacity);
    plain.append(out.get(), got);
    FUZZ_CHECK(got <= capacity && (got == 0 || engine.open()) && expected.compare(0, plain.size(), plain) == 0 &&
               plain.size() <= expected.size());
    return got;
  };
  while (at < size) {
    const std::size_t op = next(), scale = op / 8 % 8;  // lengths up to 255 << 7
    const TlsChannel::State before = channel.state();
    const std::size_t sending = channel.sendingLength();
    std::size_t got = 0, n = 0;
    switch (op % 8) {
      case 0:
        engine.host = op & 64 ? std::string(200, 'p') : "pop.example.test";
        engine.notifies = 0, channel.Start(engine.host.c_str());
        stream.clear(), expected.clear(), plain.clear(), received = records = 0, ended = false;
        break;
      case 1: channel.Stop(); break;
      case 2: {  // type, version major, length, up to 64 bytes of the body, 'x's up to the largest record
        const std::size_t type = next(), major = next(), high = next(), length = high << 8 | next();
        std::string body(reinterpret_cast<const char*>(data) + at, std::min(std::min<std::size_t>(length, 64), size - at));
        at += body.size();
        body.resize(std::min(length, kMaxTlsRecord - 5), 'x');
        stream += std::string{char(type), char(major), 3, char(high), char(length)} + body;
        ended |= type < 20 || type > 24 || major != 3 || body.size() < length ||
                 (records >= 2 && (type == 20 || type == 21));  // change_cipher_spec or an alert
        if (records++ >= 2 && !ended) expected += body;
        break;
      }
      case 3:
        n = std::min(next() << scale, stream.size() - received);
        channel.Receive(Exact(stream.substr(received, n)).get(), n), received += n;
        break;
      case 4: got = read(next() << scale); break;
      case 5: n = next() << scale, channel.Send(Exact(std::string(n, 'c')).get(), n); break;
      case 6: channel.Close(); break;
      default: channel.Sent(); break;
    }
    FUZZ_CHECK(channel.state() != TlsChannel::State::Open || engine.open());
    if (op % 8 > 1 && before != TlsChannel::State::Handshaking && before != TlsChannel::State::Open) {
      FUZZ_CHECK(channel.state() == before && got == 0 && channel.sendingLength() <= sending);
    }
  }
  for (std::size_t n = 1; n > 0; received += n) {  // the rest of the server's bytes, read at once
    while (read(kMaxTlsRecord) > 0) continue;
    channel.Receive(stream.data() + received, n = std::min<std::size_t>(stream.size() - received, 256));
  }
  const TlsChannel::State last = channel.state();
  FUZZ_CHECK(engine.stall || !ended || (last != TlsChannel::State::Open && last != TlsChannel::State::Handshaking));
  FUZZ_CHECK(last != TlsChannel::State::Open || plain == expected);
  return 0;
}
