#include <gtest/gtest.h>

#include <climits>

#include "mail/port_choice.h"
#include "shell/message_routes.h"

namespace zorvane {
namespace {

TEST(MessageRoutes, EachAccountHasItsOwnLookupAndSocketMessage) {
  const struct {
    int account;
    unsigned lookup;
    unsigned socket;
  } table[] = {{1, 1026, 1027}, {2, 1031, 1032}, {3, 1033, 1034}, {4, 1035, 1036}};
  for (const auto& row : table) {
    EXPECT_EQ(LookupMessageFor(row.account), row.lookup);
    EXPECT_EQ(SocketMessageFor(row.account), row.socket);
    const MessageRoute lookup = RouteMainMessage(row.lookup);
    EXPECT_EQ(lookup.kind, MessageRoute::LookupDone) << row.lookup;
    EXPECT_EQ(lookup.account, row.account) << row.lookup;
    const MessageRoute socket = RouteMainMessage(row.socket);
    EXPECT_EQ(socket.kind, MessageRoute::SocketEvent) << row.socket;
    EXPECT_EQ(socket.account, row.account) << row.socket;
  }
  EXPECT_EQ(LookupMessageFor(0), 0u);
  EXPECT_EQ(SocketMessageFor(5), 0u);
}

TEST(MessageRoutes, TrayMessageAndUnusedNumbers) {
  EXPECT_EQ(RouteMainMessage(1029).kind, MessageRoute::Tray);
  // 1028 and 1030 sit between the account messages but belong to nobody.
  for (unsigned message : {1024u, 1025u, 1028u, 1030u, 1037u, 0u, 0x0111u, 0x0113u}) {
    EXPECT_EQ(RouteMainMessage(message).kind, MessageRoute::Other) << message;
  }
}

TEST(AutoCheckPeriod, IsMinutesInMillisecondsKeptWithinFiveToNinetyNine) {
  EXPECT_EQ(AutoCheckPeriodMs(10), 600000u);
  EXPECT_EQ(AutoCheckPeriodMs(5), 300000u);
  EXPECT_EQ(AutoCheckPeriodMs(99), 5940000u);
  for (int outOfRange : {4, 0, -10, INT_MIN}) EXPECT_EQ(AutoCheckPeriodMs(outOfRange), 300000u) << outOfRange;
  for (int outOfRange : {100, 100000, INT_MAX}) EXPECT_EQ(AutoCheckPeriodMs(outOfRange), 5940000u) << outOfRange;
}

TEST(ConnectPort, TheAccountsPortComesFirst) {
  EXPECT_EQ(ChooseConnectPort(995, 110), 995);
  EXPECT_EQ(ChooseConnectPort(1110, 0), 1110);
  EXPECT_EQ(ChooseConnectPort(65535, 110), 65535);
  EXPECT_EQ(ChooseConnectPort(1, 2110), 1);
}

TEST(ConnectPort, WithoutAUsablePortTheServiceEntryThen110) {
  for (int unusable : {0, -1, 65536, 70000, INT_MIN, INT_MAX}) {
    EXPECT_EQ(ChooseConnectPort(unusable, 2110), 2110) << unusable;
    EXPECT_EQ(ChooseConnectPort(unusable, 0), 110) << unusable;
  }
}

}  // namespace
}  // namespace zorvane
