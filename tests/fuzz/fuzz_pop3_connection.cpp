// Drives one account's connection machine with any order of lookups, connect results, server bytes (raw, or as toy
// TLS records), hang-ups, clock ticks and aborts, and checks what it may do with a password:
// - USER, PASS, STAT and QUIT only, USER before PASS before STAT, each once a session and each the answer to a
//   positive line: PASS to the one after USER;
// - on port 995 nothing but TLS goes out, and the engine encrypts only once the handshake is done, under TLS 1.2
//   and a certificate that names the server;
// - it connects to each address the lookup gave once, in the lookup's order, and once connected it never connects
//   anywhere again;
// - every session ends, once, with a status from 0 to 7.
// Input: a set-up byte (bit 0: port 995; bit 1: certificate for another name; bit 2: TLS 1.1; bit 3: an engine that
// takes nothing), then events.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../unit/toy_tls_engine.h"
#include "fuzz_input.h"
#include "mail/pop3_connection.h"

using namespace zorvane;

namespace {

// The POP3 machine's cut of its input into lines, mirrored: its n-th line is what its n-th command answers.
struct Lines {
  void Feed(const std::string& chunk) {
    for (std::size_t at = 0; at < chunk.size(); at += Pop3Connection::kMaxReceive) {
      const std::string piece = chunk.substr(at, Pop3Connection::kMaxReceive);
      if (pending.size() + piece.size() > Pop3Session::kMaxPending) {
        pending.clear();
        continue;
      }
      pending += piece.substr(0, piece.find('\0'));
      for (std::size_t lf; (lf = pending.find('\n')) != std::string::npos; pending.erase(0, lf + 1)) {
        lines.push_back(pending.substr(0, lf));
      }
    }
  }
  bool Positive(std::size_t n) const { return n < lines.size() && lines[n].rfind('-', 0) != 0; }
  std::string pending;
  std::vector<std::string> lines;
};

// The toy engine, watched: what it encrypts, and the plaintext it hands out.
struct WatchedEngine : testing::ToyEngine {
  TlsOutcome Handshake(const unsigned char* in, std::size_t length, unsigned char* out, std::size_t capacity) override {
    const TlsOutcome outcome = ToyEngine::Handshake(in, length, out, capacity);
    done |= outcome.kind == TlsOutcome::Kind::Done;
    return outcome;
  }
  TlsOutcome Decrypt(unsigned char* in, std::size_t length, unsigned char* out, std::size_t capacity) override {
    const TlsOutcome outcome = ToyEngine::Decrypt(in, length, out, capacity);
    heard->Feed(std::string(reinterpret_cast<const char*>(out), outcome.produced));
    return outcome;
  }
  std::size_t Encrypt(const char* plain, std::size_t length, unsigned char* out, std::size_t capacity) override {
    FUZZ_CHECK(done && version >= TlsChannel::kMinVersion && trusted);
    return ToyEngine::Encrypt(plain, length, out, capacity);
  }
  bool done = false;
  Lines* heard = nullptr;
};

struct Session {
  Lines heard;       // what the POP3 machine was given
  std::string sent;  // its commands, decrypted
  int commands = 0, ends = 0;
  bool connecting = false, connected = false;
  std::vector<std::string> untried;  // the lookup's distinct addresses, in order
};

std::string Key(const NetAddress& address) {
  return std::string(reinterpret_cast<const char*>(&address), sizeof address);
}

void Check(Pop3Connection& connection, Session& s, bool tls) {
  for (ConnectionAction a = connection.Next(); a.kind != ConnectionAction::Kind::None; a = connection.Next()) {
    FUZZ_CHECK(s.ends == 0);
    if (a.kind == ConnectionAction::Kind::Connect) {
      FUZZ_CHECK(!s.connected && a.port == (tls ? 995 : 110));
      FUZZ_CHECK(!s.untried.empty() && Key(a.address) == s.untried.front());
      s.untried.erase(s.untried.begin());
      s.connecting = true;
    } else if (a.kind == ConnectionAction::Kind::Send) {
      std::string bytes(a.bytes, a.length);
      if (tls) {
        FUZZ_CHECK(bytes == "HELLO" || bytes == "FIN" || bytes == "NOTIFY" || bytes.rfind("E(", 0) == 0);
        if (bytes.rfind("E(", 0) != 0) continue;
        bytes = bytes.substr(2, bytes.size() - 3);
      }
      const char* const login[] = {"USER alice\r\n", "PASS secret\r\n", "STAT\r\n"};
      const int n = s.commands++;
      if (bytes != "QUIT\r\n") {
        FUZZ_CHECK(n < 3 && bytes == login[n] &&
                   s.sent == std::string(n > 0 ? login[0] : "") + (n > 1 ? login[1] : ""));
        FUZZ_CHECK(s.heard.Positive(n));
      }
      s.sent += bytes;
    } else {
      ++s.ends;
      const auto status = static_cast<int>(a.result.Status);
      FUZZ_CHECK(status >= 0 && status <= 7 && !connection.active());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool tls = data[0] & 1;
  WatchedEngine engine;
  engine.trusted = !(data[0] & 2);
  engine.version = data[0] & 4 ? 0x0302 : 0x0303;
  engine.stall = data[0] & 8;
  TlsChannel channel(engine);
  Pop3Connection connection(channel);
  PopAccount account = {"", "pop.example.test", "alice", "secret", tls ? kPop3sPort : 0, 1, 0};
  Session s;
  engine.heard = &s.heard;
  std::uint64_t now = 0;
  connection.Start(account, 0);
  FuzzInput in{data + 1, data + size};
  const auto next = [&] { return in.byte(); };
  const auto bytes = [&](std::size_t n) { return in.bytes(n); };
  const auto receive = [&](const std::string& chunk) {
    for (std::size_t done = 0; done < chunk.size(); Check(connection, s, tls)) {
      const std::size_t taken = connection.OnReceived(chunk.data() + done, chunk.size() - done, now);
      if (!tls && s.connected && connection.active()) s.heard.Feed(chunk.substr(done, taken));
      done += taken;
    }
  };
  while (in.more()) {
    const std::uint8_t op = next();
    switch (op % 9) {
      case 0: {
        // 127.0.0.n, or ::n from 0x80 on: the same in their first four bytes.
        NetAddress addresses[4] = {};
        for (int i = 0; i < op / 9 % 5; ++i) {
          const std::uint8_t n = next();
          addresses[i] = n < 0x80
                             ? NetAddress{NetAddress::Family::V4, {127, 0, 0, n}, 0}
                             : NetAddress{NetAddress::Family::V6, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, n}, 0};
          const std::string key = Key(addresses[i]);
          if (connection.resolving() && std::find(s.untried.begin(), s.untried.end(), key) == s.untried.end()) {
            s.untried.push_back(key);
          }
        }
        connection.OnResolved(addresses, op / 9 % 5, now);
        break;
      }
      case 1: connection.OnLookupNotStarted(); break;
      case 2:
        connection.OnConnectFailed(now);
        s.connecting = false;
        break;
      case 3:
        s.connected |= s.connecting;
        s.connecting = false;
        connection.OnConnected(now);
        break;
      case 4: receive(bytes(next() * 3u)); break;  // more than one read takes, at times
      case 5: receive(testing::kServerHandshake.substr(0, next() % 64)); break;
      case 6: receive(testing::Record(op / 9 % 2 ? 23 : 21, bytes(next()))); break;
      case 7: connection.OnPeerClosed(); break;
      default: connection.OnTick(now += next() * 500u); break;
    }
    if (op == 0xFF) {  // an abort, then the next check
      connection.Abandon();
      Check(connection, s, tls);
      FUZZ_CHECK(s.ends == 1);
      s = Session{};
      engine.done = false;
      connection.Start(account, 0);
    }
    Check(connection, s, tls);
  }
  // Every session ends, whatever it waits for.
  connection.OnResolved(nullptr, 0, now);
  for (int i = 0; i <= 16 && connection.active(); ++i) {
    Check(connection, s, tls);
    connection.OnConnectFailed(now);
  }
  connection.OnPeerClosed();
  Check(connection, s, tls);
  FUZZ_CHECK(!connection.active() && s.ends == 1);
  return 0;
}
