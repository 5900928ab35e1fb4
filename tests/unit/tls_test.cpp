#include <gtest/gtest.h>

#include <string>

#include "mail/silence_limit.h"
#include "mail/tls_channel.h"
#include "toy_tls_engine.h"

namespace zorvane::testing {
namespace {

TEST(TlsChannel, CommandsGoOutAsRecordsOnlyOnceOpen) {
  ToyEngine engine;
  TlsChannel channel(engine);
  channel.Start("pop.example.test");
  channel.Sent(2);  // the rest of the hello waits for the socket
  EXPECT_EQ(std::string(channel.sending(), channel.sendingLength()), "LLO");
  channel.Sent(channel.sendingLength());
  channel.Send("USER a\r\n", 8);
  EXPECT_EQ(channel.sendingLength(), 0u);
  const std::string server = kServerHandshake + Record(23, "+OK\r\n");
  channel.Receive(server.data(), server.size());
  channel.Sent(channel.sendingLength());
  channel.Send("USER a\r\n", 8);
  EXPECT_EQ(std::string(channel.sending(), channel.sendingLength()), "E(USER a\r\n)");
  channel.Sent(channel.sendingLength());
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

  engine.trusted = false;  // a certificate for another name: the channel never opens
  channel.Start("pop.example.test");
  channel.Receive(server.data(), server.size());
  EXPECT_EQ(channel.state(), TlsChannel::State::Untrusted);
}

TEST(SilenceLimit, SixtySecondsFromTheLastRestart) {
  SilenceLimit limit;
  limit.Restart(1000);
  limit.Restart(30000);  // the server spoke, or a command went out
  EXPECT_TRUE(!limit.Expired(89999) && limit.Expired(90000));
}

}  // namespace
}  // namespace zorvane::testing
