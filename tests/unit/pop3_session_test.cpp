#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pop3_dialogue.h"

namespace zorvane::testing {
namespace {

const char kHappyServer[] = "+OK POP3 ready\r\n+OK user\r\n+OK logged in\r\n+OK 2 345\r\n+OK bye\r\n";
const char kHappyClient[] = "USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n";

class Pop3Dialogue : public ::testing::Test {
 protected:
  void SetUp() override { StartConnected(session, &result); }

  void Feed(const std::string& bytes, std::size_t chunkSize = 256) {
    FeedInChunks(session, bytes, chunkSize, exchange);
  }

  Pop3Session session;
  CheckResult result = {};
  Exchange exchange;
};

// The same dialogue cut into chunks of every size gives the same bytes on the wire.
class WholeSession : public ::testing::TestWithParam<std::size_t> {};

TEST_P(WholeSession, SendsExactlyTheFourCommandsAndFinishesOnce) {
  Pop3Session session;
  CheckResult result = {};
  Exchange exchange;
  StartConnected(session, &result);

  FeedInChunks(session, kHappyServer, GetParam(), exchange);

  EXPECT_EQ(exchange.sent, kHappyClient);
  EXPECT_EQ(exchange.finishes, 1);
  EXPECT_FALSE(exchange.actedAfterFinish);
  EXPECT_EQ(result.Status, StatusOk);
  EXPECT_EQ(result.MailCount, 2);
  EXPECT_EQ(result.MailSize, 345);
  EXPECT_FALSE(session.active());
  EXPECT_EQ(session.state(), SessionState::QuitSent);
}

INSTANTIATE_TEST_SUITE_P(ChunkSizes, WholeSession, ::testing::Values(1u, 2u, 3u, 7u, 16u, 256u));

TEST_F(Pop3Dialogue, GreetingSplitInTwoChunksIsOneLine) {
  Feed("+OK POP3 se");
  EXPECT_EQ(exchange.sent, "");
  Feed("rver ready\r\n");
  EXPECT_EQ(exchange.sent, "USER alice\r\n");
  EXPECT_EQ(session.state(), SessionState::UserSent);
}

TEST_F(Pop3Dialogue, TwoRepliesInOneChunkAreHandledInOrder) {
  Feed("+OK hello\r\n");
  session.Feed("+OK\r\n+OK\r\n", 10);
  SessionAction first = session.Poll();
  ASSERT_EQ(first.kind, SessionAction::Send);
  EXPECT_EQ(std::string(first.bytes, first.length), "PASS secret\r\n");
  SessionAction second = session.Poll();
  ASSERT_EQ(second.kind, SessionAction::Send);
  EXPECT_EQ(std::string(second.bytes, second.length), "STAT\r\n");
  EXPECT_EQ(session.Poll().kind, SessionAction::None);
  EXPECT_EQ(session.state(), SessionState::StatSent);
}

TEST_F(Pop3Dialogue, EveryLineNotStartingWithMinusIsPositive) {
  Feed("\r\n");            // empty greeting
  Feed("\n");              // bare line feed
  Feed("whatever\r\n");    // no +OK at all
  Feed("* 5 6\r\n");       // STAT reply with another indicator
  EXPECT_EQ(exchange.sent, kHappyClient);
  EXPECT_EQ(result.MailCount, 5);
  EXPECT_EQ(result.MailSize, 6);
  EXPECT_EQ(result.Status, StatusOk);
}

TEST_F(Pop3Dialogue, EmptyStatReplyCountsAsNoMail) {
  Feed("+OK\r\n+OK\r\n+OK\r\n");
  result.MailCount = result.MailSize = 99;
  Feed("+OK\r\n");
  EXPECT_EQ(result.MailCount, 0);
  EXPECT_EQ(result.MailSize, 0);
}

struct Rejection {
  int positiveLinesBefore;
  std::int32_t status;
  const char* sentBeforeQuit;
};

void PrintTo(const Rejection& r, std::ostream* os) { *os << "after " << r.positiveLinesBefore << " lines"; }

class RejectedReply : public ::testing::TestWithParam<Rejection> {};

TEST_P(RejectedReply, SetsItsStatusSendsQuitAndFinishesOnTheNextLine) {
  const Rejection& c = GetParam();
  for (std::size_t chunkSize : {1u, 256u}) {
    Pop3Session session;
    CheckResult result = {};
    Exchange exchange;
    StartConnected(session, &result);
    for (int i = 0; i < c.positiveLinesBefore; ++i) FeedInChunks(session, "+OK\r\n", chunkSize, exchange);

    FeedInChunks(session, "-ERR no\r\n", chunkSize, exchange);

    EXPECT_EQ(result.Status, c.status);
    EXPECT_EQ(result.MailCount, 0);
    EXPECT_EQ(result.MailSize, 0);
    EXPECT_EQ(exchange.sent, std::string(c.sentBeforeQuit) + "QUIT\r\n");
    EXPECT_EQ(session.state(), SessionState::QuitSent);
    EXPECT_EQ(exchange.finishes, 0);
    EXPECT_TRUE(session.active());

    FeedInChunks(session, "+OK bye\r\n", chunkSize, exchange);
    EXPECT_EQ(exchange.finishes, 1);
    EXPECT_EQ(result.Status, c.status);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachState, RejectedReply,
    ::testing::Values(Rejection{0, StatusGreetingRejected, ""}, Rejection{1, StatusUserRejected, "USER alice\r\n"},
                      Rejection{2, StatusPasswordRejected, "USER alice\r\nPASS secret\r\n"},
                      Rejection{3, StatusOk, "USER alice\r\nPASS secret\r\nSTAT\r\n"}));

TEST_F(Pop3Dialogue, NegativeReplyToQuitSendsQuitAgainAndWaits) {
  Feed("+OK\r\n+OK\r\n+OK\r\n+OK 1 2\r\n");
  Feed("-ERR not yet\r\n");
  EXPECT_EQ(exchange.sent, std::string(kHappyClient) + "QUIT\r\n");
  EXPECT_EQ(exchange.finishes, 0);
  EXPECT_EQ(result.Status, StatusOk);
  Feed("+OK\r\n");
  EXPECT_EQ(exchange.finishes, 1);
}

TEST_F(Pop3Dialogue, LinesBeforeTheConnectionAreIgnoredUnlessNegative) {
  Pop3Session resolving;
  Exchange early;
  resolving.Start("h", "u", "p", &result);
  FeedInChunks(resolving, "+OK early\r\n", 256, early);
  EXPECT_EQ(early.sent, "");
  EXPECT_EQ(resolving.state(), SessionState::Resolving);
  // A line that asks for nothing must not hold up the line behind it.
  FeedInChunks(resolving, "+OK again\r\n-ERR\r\n", 256, early);
  EXPECT_EQ(early.sent, "QUIT\r\n");
  EXPECT_EQ(resolving.state(), SessionState::QuitSent);
  EXPECT_EQ(result.Status, StatusOk);
}

TEST_F(Pop3Dialogue, PendingTextOf512BytesIsAcceptedAnd513IsDropped) {
  // 510 bytes of greeting and CR LF: exactly 512 pending.
  Feed("+OK" + std::string(507, 'x') + "\r\n");
  EXPECT_EQ(exchange.sent, "USER alice\r\n");

  // 511 bytes and CR LF: 513, dropped together with what was pending.
  const std::string longReply = "+OK" + std::string(508, 'y');
  Feed(longReply);
  Feed("\r\n");
  EXPECT_EQ(exchange.sent, "USER alice\r\n");
  EXPECT_EQ(session.state(), SessionState::UserSent);

  // The session waits on and takes the next line as the reply.
  Feed("+OK\r\n");
  EXPECT_EQ(exchange.sent, "USER alice\r\nPASS secret\r\n");
}

TEST_F(Pop3Dialogue, OverflowDropsAPartialNegativeLineToo) {
  Feed("+OK\r\n");
  Feed("-" + std::string(299, 'e'));
  Feed(std::string(250, 'e'));  // 550: all of it is forgotten
  Feed("+OK user accepted\r\n");
  EXPECT_EQ(exchange.sent, "USER alice\r\nPASS secret\r\n");
  EXPECT_EQ(result.Status, StatusOk);
}

TEST_F(Pop3Dialogue, ChunkEndsAtItsFirstZeroByte) {
  Feed(std::string("+OK\0\r\n-ERR", 10));
  EXPECT_EQ(exchange.sent, "");
  Feed("\r\n");
  EXPECT_EQ(exchange.sent, "USER alice\r\n");
  EXPECT_EQ(result.Status, StatusOk);
  Feed(std::string("\0\0\0", 3));
  Feed("+OK\r\n");
  EXPECT_EQ(exchange.sent, "USER alice\r\nPASS secret\r\n");
}

TEST_F(Pop3Dialogue, PeerCloseAfterQuitIsANormalEnd) {
  Feed("+OK\r\n-ERR no such user\r\n");
  exchange.Apply(session.OnPeerClosed());
  EXPECT_EQ(exchange.finishes, 1);
  EXPECT_EQ(result.Status, StatusUserRejected);
}

TEST(Pop3SessionPeerClose, BeforeQuitIsDisconnectedInEveryState) {
  for (int linesBefore = 0; linesBefore <= 3; ++linesBefore) {
    Pop3Session session;
    CheckResult result = {};
    Exchange exchange;
    StartConnected(session, &result);
    for (int i = 0; i < linesBefore; ++i) FeedInChunks(session, "+OK\r\n", 256, exchange);
    exchange.Apply(session.OnPeerClosed());
    EXPECT_EQ(result.Status, StatusDisconnected) << linesBefore;
    EXPECT_EQ(exchange.finishes, 1) << linesBefore;
    EXPECT_FALSE(session.active());
  }
}

TEST_F(Pop3Dialogue, NothingHappensAfterTheEnd) {
  Feed(kHappyServer);
  ASSERT_EQ(exchange.finishes, 1);
  const CheckResult before = result;

  exchange.Apply(session.Fail(StatusSocketError));
  exchange.Apply(session.OnPeerClosed());
  Feed("-ERR late\r\n+OK 9 9\r\n");
  session.OnConnecting();
  Feed("+OK\r\n");

  EXPECT_FALSE(exchange.actedAfterFinish);
  EXPECT_EQ(exchange.sent, kHappyClient);
  EXPECT_EQ(result.Status, before.Status);
  EXPECT_EQ(result.MailCount, before.MailCount);
  EXPECT_EQ(session.state(), SessionState::QuitSent);
}

TEST_F(Pop3Dialogue, FailEndsTheSessionWithItsStatus) {
  Feed("+OK\r\n");
  exchange.Apply(session.Fail(StatusSocketError));
  EXPECT_EQ(exchange.finishes, 1);
  EXPECT_EQ(result.Status, StatusSocketError);
  Feed("+OK\r\n");
  EXPECT_EQ(exchange.sent, "USER alice\r\n");
  EXPECT_FALSE(exchange.actedAfterFinish);
}

TEST_F(Pop3Dialogue, StartForgetsHalfALineOfTheLastSession) {
  Feed("-ERR half a li");
  exchange.Apply(session.OnPeerClosed());
  ASSERT_EQ(result.Status, StatusDisconnected);

  CheckResult next = {};
  Exchange again;
  StartConnected(session, &next);
  EXPECT_EQ(session.state(), SessionState::AwaitGreeting);
  FeedInChunks(session, "+OK ready\r\n", 256, again);
  EXPECT_EQ(again.sent, "USER alice\r\n");
  EXPECT_EQ(next.Status, StatusOk);
}

TEST_F(Pop3Dialogue, KeepsItsOwnCopyOfTheParametersCutToTheirFields) {
  char user[] = "temporary";
  char password[] = "pw";
  const std::string longUser(100, 'u');
  Pop3Session copy;
  Exchange copied;
  copy.Start("h", user, password, &result);
  copy.OnConnecting();
  std::strcpy(user, "XXXXXXXXX");
  std::strcpy(password, "YY");
  FeedInChunks(copy, "+OK\r\n+OK\r\n", 256, copied);
  EXPECT_EQ(copied.sent, "USER temporary\r\nPASS pw\r\n");

  Pop3Session cut;
  Exchange cutExchange;
  cut.Start(std::string(200, 'h').c_str(), longUser.c_str(), "p", &result);
  cut.OnConnecting();
  EXPECT_EQ(std::string(cut.host()), std::string(127, 'h'));
  FeedInChunks(cut, "+OK\r\n", 256, cutExchange);
  EXPECT_EQ(cutExchange.sent, "USER " + std::string(63, 'u') + "\r\n");
}

TEST_F(Pop3Dialogue, ClearForgetsTheAccountWithoutReporting) {
  Feed("+OK\r\n");
  session.Clear();
  EXPECT_FALSE(session.active());
  EXPECT_STREQ(session.host(), "");
  exchange.Apply(session.OnPeerClosed());
  exchange.Apply(session.Fail(StatusHostNotFound));
  EXPECT_EQ(exchange.finishes, 0);
  EXPECT_EQ(result.Status, StatusOk);
}

}  // namespace
}  // namespace zorvane::testing
