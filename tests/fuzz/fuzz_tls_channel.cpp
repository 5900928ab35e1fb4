// Drives the TLS channel over the toy engine with server records of any type,
// version and length (alerts and oversized ones too), cut at any byte, between
// Send, ReadPlain of any capacity, Close, Stop, Start and Sent, and checks:
// - no plaintext comes out, and the engine encrypts nothing, before the channel
//   is open: handshake done, TLS 1.2 or newer, a certificate naming the host;
//   once open, a command goes out or fails the channel;
// - an Off, Closed or Failed channel stays so until the next Start: no more
//   plaintext out, nothing more to send (close_notify once, as it closes); a
//   stopped one has ended the engine's session;
// - the plaintext handed out is the bodies of the records after the two of the
//   handshake, in order; the same records, one by one to a fresh channel, give
//   all of it and leave it open, closed by an alert or failed by a record no
//   engine takes (change_cipher_spec after the handshake too), as they say;
// - what Sent says went out leaves the front of what is to send, the rest stays;
// - nothing is read or written outside a buffer: each is as long as it says.
// Input: a set-up byte (bit 0: certificate for another name; bit 1: TLS 1.1;
// bit 2: an engine that takes nothing), then events.
#include <memory>
#include <vector>

#include "../unit/toy_tls_engine.h"
#include "fuzz_input.h"
#include "mail/tls_channel.h"

using namespace zorvane;

namespace {

struct WatchedEngine : testing::ToyEngine {  // its handshake is done once it has taken two records
  std::size_t Encrypt(const char* plain, std::size_t length, unsigned char* out, std::size_t capacity) override {
    FUZZ_CHECK(open());
    return ToyEngine::Encrypt(plain, length, out, capacity);
  }
  std::size_t CloseNotify(unsigned char* out, std::size_t capacity) override {
    FUZZ_CHECK(open() && ++notifies == 1);
    return ToyEngine::CloseNotify(out, capacity);
  }
  bool open() const { return handshakes >= 2 && trustworthy(); }
  bool trustworthy() const { return version >= TlsChannel::kMinVersion && trusted && host == "pop.example.test"; }
  int notifies = 0;
  std::string host;  // as the test gave it to Start
};

std::unique_ptr<char[]> Exact(const std::string& text) {  // ASan sees any byte read past its end
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
  std::vector<std::size_t> bounds;      // where each record ends
  std::size_t received = 0;
  TlsChannel::State ends = TlsChannel::State::Open;  // Closed by an alert, Failed by a record no engine takes
  std::size_t endsAt = 0;                            // the record that ended it
  FuzzInput in{data + 1, data + size};
  const auto read = [&](TlsChannel& from, std::size_t capacity) {
    const auto out = Exact(std::string(capacity, '\0'));
    const std::size_t got = from.ReadPlain(out.get(), capacity);
    plain.append(out.get(), got);
    FUZZ_CHECK(got <= capacity && (got == 0 || engine.open()) && expected.compare(0, plain.size(), plain) == 0 &&
               plain.size() <= expected.size());
    return got;
  };
  while (in.more()) {
    const std::size_t op = in.byte();
    const std::size_t scale = op / 8 % 8;  // lengths up to 255 << 7
    const TlsChannel::State before = channel.state();
    std::size_t got = 0;
    std::size_t n = 0;
    std::size_t sending = channel.sendingLength();
    switch (op % 8) {
      case 0:
        engine.host = op & 64 ? std::string(200, 'p') : "pop.example.test";
        engine.notifies = 0;
        channel.Start(engine.host.c_str());
        stream.clear();
        expected.clear();
        plain.clear();
        bounds.clear();
        received = 0;
        ends = TlsChannel::State::Open;
        break;
      case 1:
        channel.Stop();
        FUZZ_CHECK(engine.handshakes == 0);  // the engine has forgotten the session
        break;
      case 2: {  // type, version major, length, up to 64 bytes of the body, 'x's up to the largest record
        const std::size_t type = in.byte();
        const std::size_t major = in.byte();
        const std::size_t high = in.byte();
        const std::size_t length = high << 8 | in.byte();
        std::string body = in.bytes(std::min<std::size_t>(length, 64));
        body.resize(std::min(length, kMaxTlsRecord - 5), 'x');
        stream += std::string{char(type), char(major), 3, char(high), char(length)} + body;
        const bool broken = type < 20 || type > 24 || major != 3 || body.size() < length;
        if (ends == TlsChannel::State::Open && (broken || (bounds.size() >= 2 && (type == 20 || type == 21)))) {
          ends = broken || type == 20 ? TlsChannel::State::Failed : TlsChannel::State::Closed;
          endsAt = bounds.size();
        }
        if (bounds.size() >= 2 && ends == TlsChannel::State::Open) expected += body;
        bounds.push_back(stream.size());
        break;
      }
      case 3:
        n = std::min<std::size_t>(in.byte() << scale, stream.size() - received);
        channel.Receive(Exact(stream.substr(received, n)).get(), n);
        received += n;
        break;
      case 4: got = read(channel, in.byte() << scale); break;
      case 5:
        n = in.byte() << scale;
        channel.Send(Exact(std::string(n, 'c')).get(), n);
        break;
      case 6: channel.Close(); break;
      default: {  // what went out leaves the front, the rest waits as it was
        const std::string waiting(channel.sending(), sending);
        n = in.byte() << scale;
        channel.Sent(n);
        FUZZ_CHECK(std::string(channel.sending(), channel.sendingLength()) == waiting.substr(std::min(n, sending)));
        break;
      }
    }
    FUZZ_CHECK(op % 8 != 5 || before != TlsChannel::State::Open || channel.sendingLength() > sending ||
               channel.state() == TlsChannel::State::Failed);
    FUZZ_CHECK(op % 8 < 2 || before == TlsChannel::State::Handshaking || before == TlsChannel::State::Open ||
               (channel.state() == before && got == 0 && channel.sendingLength() <= sending));
  }
  TlsChannel fresh(engine);
  plain.clear();
  engine.notifies = 0;
  fresh.Start(engine.host.c_str());
  for (std::size_t i = 0, from = 0; i < bounds.size(); from = bounds[i++]) {
    fresh.Receive(stream.data() + from, bounds[i] - from);
    while (read(fresh, kMaxTlsRecord) > 0) continue;
  }
  if (bounds.size() < 2 && ends == TlsChannel::State::Open) ends = TlsChannel::State::Handshaking;
  // A handshake that went through ends in the certificate's and the version's check.
  const bool handshaken = ends == TlsChannel::State::Open || (ends != TlsChannel::State::Handshaking && endsAt >= 2);
  if (handshaken && !engine.trustworthy()) {
    ends = engine.version < TlsChannel::kMinVersion ? TlsChannel::State::Failed : TlsChannel::State::Untrusted;
  }
  FUZZ_CHECK(engine.stall || (fresh.state() == ends && (ends != TlsChannel::State::Open || plain == expected)));
  return 0;
}
