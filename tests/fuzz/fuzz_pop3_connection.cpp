// Drives one account's connection machine with any order of lookups, connect results, server bytes (raw, canned
// replies and capability lists, or toy TLS records), hang-ups, partial sends, clock ticks and aborts, and checks
// what it may do with a password:
// - every line it sends is CAPA, STLS, USER alice, PASS secret, STAT, QUIT or, for an account that announces only
//   new mail, UIDL: a user name or password holding a line break never goes out; USER, PASS and STAT go once a
//   session, in that order;
// - no USER or PASS in plain text once the server listed STLS in its first CAPA reply (unless the account never
//   uses it), nor ever for an account that remembers STLS;
// - on port 995 nothing but TLS goes out, and the engine encrypts only once the handshake is done, under TLS 1.2
//   and a certificate that names the server;
// - it connects to each address the lookup gave once, in the lookup's order, sends nothing before a connect has
//   completed, and once connected it never connects anywhere again;
// - every session ends, once, with a status from 0 to 12; a count of new mail never exceeds what waits, and the
//   mark to keep reads back as it is.
// Input: two set-up bytes (bit 0: port 995; bit 1: certificate for another name; bit 2: TLS 1.1; bit 3: an engine
// that takes nothing; bits 4-5: StlsFlg; bit 6: a line break in the user name, bit 7: in the password; then bit 0:
// only new mail, bits 1-2: the mark kept, bit 6: a service port), then events.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "../unit/toy_tls_engine.h"
#include "fuzz_input.h"
#include "mail/pop3_connection.h"

using namespace zorvane;

namespace {

// The toy engine, watched: what it encrypts. Its handshake is done once it has taken two records.
struct WatchedEngine : testing::ToyEngine {
  std::size_t Encrypt(const char* plain, std::size_t length, unsigned char* out, std::size_t capacity) override {
    FUZZ_CHECK(handshakes >= 2 && version >= TlsChannel::kMinVersion && trusted);
    return ToyEngine::Encrypt(plain, length, out, capacity);
  }
};

struct Session {
  std::string plainHeard;  // what the server said before TLS began
  std::string wire;        // what went out and is not read yet
  std::string sent;        // the commands, decrypted, a line each
  bool tls = false;        // the client hello went out
  int ends = 0;
  bool newOnly = false;
  std::size_t accept = SIZE_MAX;  // what a send takes at most, until the socket is writable again
  bool connecting = false;
  bool connected = false;
  std::vector<std::string> untried;  // the lookup's distinct addresses, in order
};

std::string Key(const NetAddress& address) {
  return std::string(reinterpret_cast<const char*>(&address), sizeof address);
}

std::string FirstWord(const std::string& line) {
  std::string word = line.substr(0, line.find(' '));
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return word;
}

// Whether the server's plain text, read as the dialogue reads it, listed STLS in answer to the first CAPA.
bool ListedStls(const std::string& heard) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, lf; (lf = heard.find('\n', at)) != std::string::npos; at = lf + 1) {
    std::string line = heard.substr(at, lf - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line.substr(0, line.find('\0')));  // the dialogue reads a line as text
  }
  if (lines.size() < 2 || lines[0][0] == '-' || lines[1][0] == '-') return false;
  for (std::size_t i = 2; i < lines.size() && lines[i] != "."; ++i) {
    if (FirstWord(lines[i]) == "STLS") return true;
  }
  return false;
}

void Check(Pop3Connection& connection, Session& s, std::uint16_t port, std::int32_t stlsFlg) {
  for (ConnectionAction a = connection.Next(); a.kind != ConnectionAction::Kind::None; a = connection.Next()) {
    FUZZ_CHECK(s.ends == 0);
    if (a.kind == ConnectionAction::Kind::Connect) {
      FUZZ_CHECK(!s.connected && a.port == port);
      FUZZ_CHECK(!s.untried.empty() && Key(a.address) == s.untried.front());
      s.untried.erase(s.untried.begin());
      s.connecting = true;
    } else if (a.kind == ConnectionAction::Kind::Send) {
      FUZZ_CHECK(s.connected);
      const std::size_t taken = std::min(a.length, s.accept);
      s.wire.append(a.bytes, taken);
      connection.OnSent(taken);
      s.accept = taken < a.length ? 0 : s.accept;
      for (;;) {
        // The toy engine's tokens, or a plain line; what is not whole yet waits.
        const std::string& w = s.wire;
        const std::size_t token = w.rfind("HELLO", 0) == 0    ? 5
                                  : w.rfind("FIN", 0) == 0    ? 3
                                  : w.rfind("NOTIFY", 0) == 0 ? 6
                                                              : 0;
        const bool encrypted = w.rfind("E(", 0) == 0;
        const std::size_t end = encrypted ? w.find(')') : token ? token : w.find("\r\n");
        if (end == std::string::npos) break;
        FUZZ_CHECK(port != 995 || token || encrypted);
        s.tls |= w.rfind("HELLO", 0) == 0;
        std::string bytes = encrypted ? w.substr(2, end - 2) : token ? "" : w.substr(0, end + 2);
        s.wire.erase(0, encrypted ? end + 1 : token ? token : end + 2);
        for (std::size_t end; (end = bytes.find("\r\n")) != std::string::npos; bytes.erase(0, end + 2)) {
          const std::string line = bytes.substr(0, end);
          const bool uidl = line == "UIDL" || (line.rfind("UIDL ", 0) == 0 && line.size() > 5 &&
                                               line.find_first_not_of("0123456789", 5) == std::string::npos);
          FUZZ_CHECK(line == "CAPA" || line == "STLS" || line == "USER alice" || line == "PASS secret" ||
                     line == "STAT" || line == "QUIT" || (uidl && s.newOnly));
          if (line == "USER alice" || line == "PASS secret") {
            const bool protectable =
                stlsFlg == kStlsRequired || (stlsFlg == kStlsWhenOffered && ListedStls(s.plainHeard));
            FUZZ_CHECK(encrypted || !protectable);
          }
          // Once each, in order.
          const std::size_t user = s.sent.find("USER");
          const std::size_t pass = s.sent.find("PASS");
          if (line == "USER alice") FUZZ_CHECK(user == std::string::npos);
          if (line == "PASS secret") FUZZ_CHECK(user != std::string::npos && pass == std::string::npos);
          if (line == "STAT") FUZZ_CHECK(pass != std::string::npos && s.sent.find("STAT") == std::string::npos);
          s.sent += line + "\n";
        }
        FUZZ_CHECK(bytes.empty());
      }
    } else {
      ++s.ends;
      const CheckResult& result = a.report.result;
      const auto status = static_cast<int>(result.Status);
      FUZZ_CHECK(status >= 0 && status <= 12 && !connection.active());
      FUZZ_CHECK(result.New == NewMail::NotAsked || s.newOnly);
      if (result.New == NewMail::Counted) {
        char again[kSeenMarkBytes];
        FormatSeenMark(ParseSeenMark(a.report.seenMark), again);
        FUZZ_CHECK(result.NewCount >= 0 && result.NewCount <= std::max(result.MailCount, 0) &&
                   std::strcmp(again, a.report.seenMark) == 0);
      }
    }
  }
}

const char* const kCanned[] = {
    "+OK\r\n",
    "-ERR\r\n",
    "+OK\r\nSTLS\r\nPIPELINING\r\n.\r\n",
    "+OK\r\nPIPELINING\r\n.\r\n",
    "+OK\r\nstls\r\n.\r\n",
    "-ERR [LOGIN-DELAY] later\r\n",
    "-ERR [IN-USE]\r\n",
    "-ERR [SYS/TEMP]\r\n",
    "+OK 3 4\r\n",
    "+OK\r\n-ERR [IN-USE]\r\n",
    "+OK\r\nUIDL\r\nPIPELINING\r\n.\r\n",
    "+OK 2 b\r\n",
    "+OK 9 x\r\n",
    "+OK\r\n1 a\r\n2 b\r\n3 x\r\n.\r\n",
    "+OK\r\n1 x\r\n2 x\r\n.\r\n",
};
const char* const kMarks[] = {"", "2 b a", "9 x", "1 a"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool port995 = data[0] & 1;
  const std::uint16_t servicePort = data[1] & 64 ? 1110 : 0;  // the service database's, for an account without one
  const std::uint16_t port = port995 ? 995 : servicePort ? servicePort : 110;
  const std::int32_t stlsFlg = data[0] >> 4 & 3;
  WatchedEngine engine;
  engine.trusted = !(data[0] & 2);
  engine.version = data[0] & 4 ? 0x0302 : 0x0303;
  engine.stall = data[0] & 8;
  TlsChannel channel(engine);
  Pop3Connection connection(channel);
  PopAccount account = {"", "pop.example.test", "alice", "secret", port995 ? kPop3sPort : 0, 1, 0, stlsFlg};
  if (data[0] & 64) std::strcpy(account.UserId, "carl\r\nDELE 1");
  if (data[0] & 128) std::strcpy(account.PassWord, "x\ny");
  account.NewFlg = data[1] & 1;
  std::strcpy(account.SeenUidl, kMarks[data[1] / 2 % 4]);
  Session s;
  s.newOnly = account.NewFlg;
  std::uint64_t now = 0;
  connection.Start(account, servicePort);
  FuzzInput in{data + 2, data + size};
  const auto receive = [&](const std::string& chunk) {
    for (std::size_t done = 0; done < chunk.size(); Check(connection, s, port, stlsFlg)) {
      const std::size_t taken = connection.OnReceived(chunk.data() + done, chunk.size() - done, now);
      if (!s.tls && s.connected) s.plainHeard += chunk.substr(done, taken);
      done += taken;
    }
  };
  while (in.more()) {
    const std::uint8_t op = in.byte();
    switch (op % 10) {
      case 0: {
        // 127.0.0.n, or ::n from 0x80 on: the same in their first four bytes.
        NetAddress addresses[4] = {};
        for (int i = 0; i < op / 10 % 5; ++i) {
          const std::uint8_t n = in.byte();
          addresses[i] = n < 0x80
                             ? NetAddress{NetAddress::Family::V4, {127, 0, 0, n}, 0}
                             : NetAddress{NetAddress::Family::V6, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, n}, 0};
          const std::string key = Key(addresses[i]);
          if (connection.resolving() && std::find(s.untried.begin(), s.untried.end(), key) == s.untried.end()) {
            s.untried.push_back(key);
          }
        }
        connection.OnResolved(addresses, op / 10 % 5, now);
        break;
      }
      case 1:
        if (op & 16) {
          connection.OnLookupNotStarted();
        } else {
          connection.OnConnectFailed(now);
          s.connecting = false;
        }
        break;
      case 2:
        s.connected |= s.connecting;
        s.connecting = false;
        connection.OnConnected(now);
        break;
      case 3: receive(in.bytes(in.byte() * 3u)); break;  // more than one read takes, at times
      case 4: receive(testing::kServerHandshake.substr(0, in.byte() % 64)); break;
      case 5: receive(testing::Record(op / 10 % 2 ? 23 : 21, in.bytes(in.byte()))); break;
      case 6: {
        // From 150 on, in a TLS record.
        const std::string canned = kCanned[op / 10 % std::size(kCanned)];
        receive(op / 10 >= std::size(kCanned) ? testing::Record(23, canned) : canned);
        break;
      }
      case 7: connection.OnPeerClosed(); break;
      case 8:
        if (op & 16) {
          s.accept = op & 32 ? SIZE_MAX : op / 64;
          connection.OnWritable();
        } else {
          now += in.byte() * 500u;
          connection.OnTick(now);
        }
        break;
      default:
        if (op != 0xFF) break;
        // An abort, then the next check.
        connection.Abandon();
        Check(connection, s, port, stlsFlg);
        FUZZ_CHECK(s.ends == 1);
        s = Session{};
        s.newOnly = account.NewFlg;
        connection.Start(account, servicePort);
        break;
    }
    Check(connection, s, port, stlsFlg);
  }
  // Every session ends, whatever it waits for.
  connection.OnResolved(nullptr, 0, now);
  for (int i = 0; i <= 16 && connection.active(); ++i) {
    Check(connection, s, port, stlsFlg);
    connection.OnConnectFailed(now);
  }
  connection.OnPeerClosed();
  Check(connection, s, port, stlsFlg);
  FUZZ_CHECK(!connection.active() && s.ends == 1);
  return 0;
}
