#include "mail/pop3_session.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "mail/stat_reply.h"

namespace zorvane::testing {
namespace {

// What a session asked for, driven the way the transport drives it.
struct Exchange {
  std::string sent;
  int finishes = 0;
  bool actedAfterFinish = false;

  void Take(SessionAction action) {
    for (; action.kind != SessionAction::Kind::None; action = session->Poll()) {
      actedAfterFinish |= finishes > 0;
      if (action.kind == SessionAction::Kind::Send) sent.append(action.bytes, action.length);
      if (action.kind == SessionAction::Kind::Finish) ++finishes;
    }
  }
  void Feed(const std::string& bytes, std::size_t chunk = 256) {
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
      session->Feed(bytes.data() + at, std::min(chunk, bytes.size() - at));
      Take(session->Poll());
    }
  }
  Pop3Session* session;
};

Exchange Connected(Pop3Session& session) {
  session.Start("pop.example.test", "alice", "secret");
  session.OnConnecting();
  return Exchange{"", 0, false, &session};
}

bool operator==(const CheckResult& a, const CheckResult& b) {
  return a.MailCount == b.MailCount && a.MailSize == b.MailSize && a.Status == b.Status;
}

const std::string kLogin = "USER alice\r\nPASS secret\r\n";

TEST(Pop3Session, WholeDialoguesGiveTheSameBytesAndResultInChunksOfAnySize) {
  const struct {
    const char* what;
    std::string server, client;
    CheckResult result;
    bool finished;
  } cases[] = {
      {"mail waits",
       "+OK ready\r\n+OK\r\n+OK\r\n+OK 2 345\r\n+OK bye\r\n-ERR\r\n",
       kLogin + "STAT\r\nQUIT\r\n",
       {2, 345, CheckStatus::Ok},
       true},
      {"greeting refused", "-ERR busy\r\n+OK\r\n", "QUIT\r\n", {0, 0, CheckStatus::GreetingRejected}, true},
      {"no such user", "+OK\r\n-ERR\r\n+OK\r\n", "USER alice\r\nQUIT\r\n", {0, 0, CheckStatus::UserRejected}, true},
      {"wrong password",
       "+OK\r\n+OK\r\n-ERR\r\n+OK\r\n",
       kLogin + "QUIT\r\n",
       {0, 0, CheckStatus::PasswordRejected},
       true},
      {"STAT refused",
       "+OK\r\n+OK\r\n+OK\r\n-ERR 7 8\r\n+OK\r\n",
       kLogin + "STAT\r\nQUIT\r\n",
       {0, 0, CheckStatus::Ok},
       true},
      {"any line but '-' is positive",
       "\n\r\nx\n. 9 9\n\n",
       kLogin + "STAT\r\nQUIT\r\n",
       {9, 9, CheckStatus::Ok},
       true},
      {"'-' after QUIT asks again",
       "+OK\r\n-ERR\r\n-ERR\r\n+OK\r\n",
       "USER alice\r\nQUIT\r\nQUIT\r\n",
       {0, 0, CheckStatus::UserRejected},
       true},
      {"no reply to QUIT yet",
       "+OK\r\n+OK\r\n+OK\r\n+OK 5 6\r\n+OK bye",
       kLogin + "STAT\r\nQUIT\r\n",
       {5, 6, CheckStatus::Ok},
       false},
  };
  Pop3Session session;
  for (const auto& c : cases) {
    for (std::size_t chunk = 1; chunk <= 256; ++chunk) {
      SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunk));
      Exchange exchange = Connected(session);
      exchange.Feed(c.server, chunk);
      ASSERT_EQ(exchange.sent, c.client);
      ASSERT_EQ(exchange.finishes, c.finished ? 1 : 0);
      // A lost connection keeps the result once QUIT is out, and after the end changes nothing.
      exchange.Take(session.OnConnectionLost());
      exchange.Take(session.Fail(CheckStatus::SocketError));
      ASSERT_EQ(exchange.finishes, 1);
      ASSERT_FALSE(exchange.actedAfterFinish);
      ASSERT_TRUE(session.result() == c.result);
    }
  }
}

TEST(Pop3Session, StatReplyNumbers) {
  const struct {
    const char* line;
    std::int32_t count, size;
  } cases[] = {{"+OK 2 345", 2, 345},   {"+OK", 0, 0},
               {"+OK 5", 5, 0},         {"+OK -3 +100", -3, 100},
               {" +OK\t7  8 x", 7, 8},  {"+OK x 5", 0, 0},
               {"+OK 12abc 34", 12, 0}, {"+OK 99999999999 -99999999999", INT32_MAX, INT32_MIN}};
  for (const auto& c : cases) {
    const StatNumbers numbers = ParseStatReply(c.line);
    EXPECT_EQ(numbers.count, c.count) << c.line;
    EXPECT_EQ(numbers.size, c.size) << c.line;
  }
}

TEST(Pop3Session, PendingTextOf512BytesIsKeptAndMoreIsDropped) {
  Pop3Session session;
  Exchange exchange = Connected(session);
  exchange.Feed(std::string(510, 'x'));
  exchange.Feed("\r\n");  // 512 bytes
  EXPECT_EQ(exchange.sent, "USER alice\r\n");

  exchange.Feed(std::string(511, 'x'));
  exchange.Feed("\r\n");  // 513: both pieces go
  exchange.Feed("-ERR\r\n");
  EXPECT_EQ(exchange.sent, "USER alice\r\nQUIT\r\n");
  EXPECT_EQ(session.result().Status, CheckStatus::UserRejected);
}

TEST(Pop3Session, AFreshStartForgetsHalfALineAndTheLastResult) {
  Pop3Session session;
  Exchange exchange = Connected(session);
  exchange.Feed("+OK\r\n+OK\r\n+OK\r\n+OK 4 4\r\n+OK half a li");
  exchange = Connected(session);
  exchange.Feed("-ERR\r\n");
  EXPECT_EQ(exchange.sent, "QUIT\r\n");
  EXPECT_TRUE(session.result() == (CheckResult{0, 0, CheckStatus::GreetingRejected}));
}

}  // namespace
}  // namespace zorvane::testing
