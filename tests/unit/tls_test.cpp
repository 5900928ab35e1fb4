#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mail/silence_limit.h"
#include "mail/tls_channel.h"
#include "toy_tls_engine.h"

namespace zorvane::testing {
namespace {

TEST(TlsChannel, ServerBytesInAnyChunksGiveTheSameHandshakeAndPlaintext) {
  const struct {
    const char* what;
    std::string server;
    bool trusted;
    const char* sent;   // what the client put on the wire
    const char* plain;  // what reached the POP3 machine
    TlsChannel::State state;
  } cases[] = {
      {"greeting after the handshake", kServerHandshake + Record(23, "+OK ready\r\n") + Record(23, "+OK"), true,
       "HELLOFIN", "+OK ready\r\n+OK", TlsChannel::State::Open},
      {"certificate for another name", kServerHandshake + Record(23, "+OK ready\r\n"), false, "HELLOFIN", "",
       TlsChannel::State::Failed},
      {"a plain server", "+OK ready\r\n", true, "HELLO", "", TlsChannel::State::Failed},
      {"a record of no TLS type", std::string("\x0f\x03\x03\x00\x02ok", 7), true, "HELLO", "",
       TlsChannel::State::Failed},
      {"an impossible record length", Record(22, "x").replace(3, 2, "\x48\x06"), true, "HELLO", "",
       TlsChannel::State::Failed},
      {"an alert ends the session", kServerHandshake + Record(23, "+OK\r\n") + Record(21, "bye"), true, "HELLOFIN",
       "+OK\r\n", TlsChannel::State::Closed},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {1u, 2u, 5u, 7u, 256u}) {
      SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunk));
      ToyEngine engine;
      engine.trusted = c.trusted;
      TlsChannel channel(engine);
      channel.Start("pop.example.test");
      std::string sent, plain;
      const auto take = [&] {
        sent.append(channel.sending(), channel.sendingLength());
        channel.Sent();
        char piece[4];  // smaller than a record: plaintext comes out in pieces
        for (std::size_t got; (got = channel.ReadPlain(piece, sizeof piece)) > 0;) plain.append(piece, got);
      };
      take();
      for (std::size_t at = 0; at < c.server.size(); at += chunk) {
        channel.Receive(c.server.data() + at, std::min(chunk, c.server.size() - at));
        take();
      }
      EXPECT_EQ(sent, c.sent);
      EXPECT_EQ(plain, c.plain);
      EXPECT_EQ(channel.state(), c.state);
    }
  }
}

TEST(TlsChannel, CommandsGoOutAsRecordsOnlyOnceOpen) {
  ToyEngine engine;
  TlsChannel channel(engine);
  channel.Start("pop.example.test");
  channel.Sent();
  channel.Send("USER a\r\n", 8);
  EXPECT_EQ(channel.sendingLength(), 0u);
  const std::string server = kServerHandshake + Record(23, "+OK\r\n");
  channel.Receive(server.data(), server.size());
  channel.Sent();
  channel.Send("USER a\r\n", 8);
  EXPECT_EQ(std::string(channel.sending(), channel.sendingLength()), "E(USER a\r\n)");
  channel.Sent();
  char piece[2];
  EXPECT_EQ(channel.ReadPlain(piece, sizeof piece), 2u);
  channel.Close();  // close_notify, once, and nothing after it: not even the rest of "+OK\r\n"
  EXPECT_EQ(channel.ReadPlain(piece, sizeof piece), 0u);
  channel.Send("QUIT\r\n", 6);
  channel.Close();
  EXPECT_EQ(std::string(channel.sending(), channel.sendingLength()), "NOTIFY");
  EXPECT_EQ(channel.state(), TlsChannel::State::Closed);
  channel.Stop();
  EXPECT_EQ(channel.state(), TlsChannel::State::Off);
  EXPECT_EQ(engine.handshakes, 0);

  // An engine that takes nothing must not hold the program in a loop.
  engine.stall = true;
  channel.Start("pop.example.test");
  channel.Receive(kServerHandshake.data(), kServerHandshake.size());
  EXPECT_EQ(channel.state(), TlsChannel::State::Handshaking);
}

TEST(SilenceLimit, SixtySecondsWithoutAWordFromTheServer) {
  SilenceLimit limit;
  EXPECT_FALSE(limit.Expired(1'000'000));  // not waiting on anyone
  limit.Restart(1000);
  EXPECT_FALSE(limit.Expired(60999));
  EXPECT_TRUE(limit.Expired(61000));
  limit.Restart(30000);  // the server spoke, or a command went out
  EXPECT_FALSE(limit.Expired(61000));
  EXPECT_TRUE(limit.Expired(90000));
  limit.Stop();
  EXPECT_FALSE(limit.Expired(200000));
}

}  // namespace
}  // namespace zorvane::testing
