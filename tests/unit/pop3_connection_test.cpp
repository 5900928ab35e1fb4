#include "mail/pop3_connection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "toy_tls_engine.h"

namespace zorvane::testing {
namespace {

// An address token: below 100, 127.0.0.n; from 100 on, the IPv6 address ::n.
NetAddress Address(int n) {
  NetAddress address = {n < 100 ? NetAddress::Family::V4 : NetAddress::Family::V6, {}, 0};
  address.bytes[0] = n < 100 ? 127 : 0;
  address.bytes[n < 100 ? 3 : 15] = static_cast<std::uint8_t>(n);
  return address;
}

int Token(const NetAddress& address) { return address.bytes[address.family == NetAddress::Family::V4 ? 3 : 15]; }

// Runs a script of events, '|' between them, and logs what the connection asks for after each: "connect N:PORT",
// "[bytes]", "finish STATUS COUNT SIZE" (and "stls" when STLS was completed), "close"; "alive" says whether the
// session still runs. "accept N": each send takes at most N bytes until "writable".
struct Script {
  explicit Script(std::int32_t port, std::int32_t stlsFlg = kStlsWhenOffered, const char* seenMark = nullptr) {
    PopAccount account = {"", "pop.example.test", "alice", "secret", port, 1, 0, stlsFlg, seenMark != nullptr};
    std::strcpy(account.SeenUidl, seenMark ? seenMark : "");
    connection.Start(account, 0);
  }

  std::string Run(const std::string& script) {
    std::istringstream steps(script);
    for (std::string step; std::getline(steps, step, '|');) {
      const std::string event = step.substr(0, step.find(' '));
      const std::string argument = step.size() > event.size() ? step.substr(event.size() + 1) : "";
      if (event == "resolve") {
        NetAddress addresses[20];
        std::size_t count = 0;
        std::istringstream tokens(argument);
        for (int n; tokens >> n;) addresses[count++] = Address(n);
        connection.OnResolved(addresses, count, now);
      } else if (event == "notstarted") {
        connection.OnLookupNotStarted();
      } else if (event == "refused") {
        connection.OnConnectFailed(now);
      } else if (event == "connected") {
        connection.OnConnected(now);
      } else if (event == "recv") {
        // As the transport does: what one call does not take goes in after the answer.
        for (std::size_t done = 0; done < argument.size(); Take()) {
          done += connection.OnReceived(argument.data() + done, argument.size() - done, now);
        }
      } else if (event == "alive") {
        log += connection.active() ? "alive " : "ended ";
      } else if (event == "closed") {
        connection.OnPeerClosed();
      } else if (event == "tick") {
        now = std::stoull(argument);
        connection.OnTick(now);
      } else if (event == "accept") {
        accept = std::stoul(argument);
      } else if (event == "writable") {
        accept = SIZE_MAX;
        connection.OnWritable();
      } else {
        EXPECT_EQ(event, "abandon");
        connection.Abandon();
      }
      Take();
    }
    return log;
  }

  void Take() {
    for (ConnectionAction action; (action = connection.Next()).kind != ConnectionAction::Kind::None;) {
      switch (action.kind) {
        case ConnectionAction::Kind::Connect:
          log += "connect " + std::to_string(Token(action.address)) + ":" + std::to_string(action.port) + " ";
          break;
        case ConnectionAction::Kind::Send:
          log += "[" + std::string(action.bytes, std::min(action.length, accept)) + "]";
          connection.OnSent(std::min(action.length, accept));
          break;
        case ConnectionAction::Kind::Finish: {
          const CheckResult& r = action.report.result;
          log += "finish " + std::to_string(static_cast<int>(r.Status)) + " " + std::to_string(r.MailCount) + " " +
                 std::to_string(r.MailSize) + (action.report.startedTls ? " stls" : "");
          if (r.New == NewMail::Unknown) log += " new ?";
          break;
        }
        default: log += "close"; break;
      }
    }
  }

  ToyEngine engine;
  TlsChannel tls{engine};
  Pop3Connection connection{tls};
  std::uint64_t now = 0;
  std::size_t accept = SIZE_MAX;
  std::string log;
};

std::string Tls(const std::string& lines) { return "recv " + Record(23, lines); }
const std::string kTlsReady = "resolve 1|connected|recv " + kServerHandshake + "|" + Tls("+OK\r\n");
const std::string kTlsGreeted = "connect 1:995 [HELLO][FIN][E(CAPA\r\n)]";
const std::string kTlsCut = kTlsGreeted + "finish 4 0 0";  // Disconnected
// Port 110, STLS offered and taken: what comes after its +OK in the same read is no reply.
const std::string kStls = "resolve 1|connected|recv +OK\r\n|recv +OK\r\nSTLS\r\n.\r\n|recv +OK\r\n-ERR [IN-USE]\r\n";
const std::string kStlsSent = "connect 1:110 [CAPA\r\n][STLS\r\n][HELLO]";

TEST(Pop3Connection, AddressesTlsAndTimeLimitsDecideTheOutcome) {
  const struct {
    const char* what;
    std::int32_t port;
    std::string script, log;
    std::int32_t stlsFlg = kStlsWhenOffered;
    const char* seenMark = nullptr;
  } cases[] = {
      // Which addresses are tried, in which order, and when the next one is.
      {"every address refused or hung up on", 110, "resolve 101 1 2|refused|closed|refused",
       "connect 101:110 connect 1:110 connect 2:110 finish 3 0 0"},
      {"a name without addresses", 110, "resolve", "finish 2 0 0"},
      {"a lookup that could not be asked for", 110, "notstarted|resolve 1", "finish 1 0 0"},
      {"no address answers within the minute", 110,
       "resolve 1 2 3 4 5 6 7|tick 10000|tick 20000|tick 30000|tick 40000|tick 50000|tick 60000",
       "connect 1:110 connect 2:110 connect 3:110 connect 4:110 connect 5:110 connect 6:110 finish 3 0 0"},
      // How long a server may stay silent: a minute from its last bytes; after QUIT, the result stands.
      {"half a line restarts the clock", 110, "resolve 1|connected|tick 50000|recv +O|tick 109999|alive|tick 110000",
       "connect 1:110 alive finish 4 0 0"},
      {"silent after QUIT: the result stands", 110,
       "resolve 1|connected|recv +OK\r\n|recv -ERR\r\n|recv +OK\r\n|recv +OK\r\n|recv +OK 2 9\r\n|tick 60000",
       "connect 1:110 [CAPA\r\n][USER alice\r\n][PASS secret\r\n][STAT\r\n][QUIT\r\n]finish 0 2 9"},
      {"a line longer than a reply", 110, "resolve 1|connected|recv +OK\r\n|recv " + std::string(600, 'x'),
       "connect 1:110 [CAPA\r\n]finish 4 0 0"},
      {"a send the socket takes in part goes on when it can take more", 110,
       "resolve 1|connected|accept 2|recv +OK\r\n|writable|recv -ERR\r\n",
       "connect 1:110 [CA][PA\r\n][USER alice\r\n]"},
      // Port 995 speaks TLS from the first byte, and says goodbye in it.
      {"TLS: a hang-up after the greeting", 995, kTlsReady + "|closed", kTlsCut},
      {"TLS: the server's alert", 995, kTlsReady + "|recv " + Record(21, "bye"), kTlsCut},
      // STARTTLS on any other port: the same checks as 995, and the account remembers it.
      {"STLS: the dialogue goes on in TLS", 110,
       kStls + "|recv " + kServerHandshake + "|" + Tls("+OK\r\nPIPELINING\r\n.\r\n") + "|" +
           Tls("+OK\r\n+OK\r\n+OK 2 9\r\n+OK\r\n"),
       kStlsSent + "[FIN][E(CAPA\r\n)][E(USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n)][NOTIFY]finish 0 2 9 stls"},
      {"STLS: plain text where TLS should be", 110, kStls + "|recv +OK\r\n", kStlsSent + "finish 8 0 0"},
      {"STLS: its +OK before all of it went out", 110,
       "resolve 1|connected|recv +OK\r\n|accept 2|recv +OK\r\nSTLS\r\n.\r\n|recv +OK\r\n",
       "connect 1:110 [CAPA\r\n][ST]finish 4 0 0"},
      {"STLS no longer offered to an account that had it", 110, "resolve 1|connected|recv +OK\r\n+OK\r\n.\r\n+OK\r\n",
       "connect 1:110 [CAPA\r\n][QUIT\r\n]finish 8 0 0", kStlsRequired},
      {"STARTTLS unticked", 110, "resolve 1|connected|recv +OK\r\n+OK\r\nSTLS\r\n.\r\n",
       "connect 1:110 [CAPA\r\n][USER alice\r\n]", kStlsNever},
      // Only new mail, nothing kept yet: the ids of the newest messages after STAT; a hang-up before they are all in
      // keeps STAT's count.
      {"new mail: a hang-up before the ids are all in", 110,
       "resolve 1|connected|recv +OK\r\n|recv +OK\r\nUIDL\r\n.\r\n|recv +OK\r\n|recv +OK\r\n|recv +OK 2 9\r\n|recv +OK "
       "1 a\r\n|closed",
       "connect 1:110 [CAPA\r\n][USER alice\r\n][PASS secret\r\n][STAT\r\n][UIDL 1\r\n][UIDL 2\r\n]finish 0 2 9 new ?",
       kStlsWhenOffered, ""},
      // An abort ends a session without an outcome, an open TLS session properly.
      {"abandoned in TLS", 995, kTlsReady + "|abandon|closed", kTlsGreeted + "[NOTIFY]close"},
      {"abandoned while connecting", 110, "resolve 1|abandon|connected", "connect 1:110 close"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Script script(c.port, c.stlsFlg, c.seenMark);
    EXPECT_EQ(script.Run(c.script), c.log);
    const bool ended = c.log.find("finish") != std::string::npos || c.log.find("close") != std::string::npos;
    EXPECT_EQ(script.connection.active(), !ended);
  }
}

}  // namespace
}  // namespace zorvane::testing
