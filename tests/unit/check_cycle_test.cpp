#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pop3_dialogue.h"
#include "recording_cycle_host.h"

namespace zorvane::testing {
namespace {

using Calls = std::vector<std::string>;

class CheckCycleTest : public ::testing::Test {
 protected:
  void Register(int n, const char* name, std::int32_t chkFlg) {
    PopAccount& account = settings.account(n);
    std::snprintf(account.NAME, sizeof account.NAME, "%s", name);
    std::snprintf(account.Serv, sizeof account.Serv, "pop%d.example.test", n);
    std::snprintf(account.UserId, sizeof account.UserId, "user%d", n);
    std::snprintf(account.PassWord, sizeof account.PassWord, "pw%d", n);
    account.PortNo = 110;
    account.ChkFlg = chkFlg;
  }
  void Enable(int n) { Register(n, ("Account " + std::to_string(n)).c_str(), 1); }

  // Runs account n's server dialogue and hands on as the transport does.
  void Converse(int n, const std::string& serverBytes) {
    Pop3Session& session = cycle.session(n);
    session.OnConnecting();
    Exchange exchange;
    FeedInChunks(session, serverBytes, 256, exchange);
    if (exchange.finishes == 1) cycle.AdvanceCheck(n);
  }
  void Succeed(int n, int count, int size) {
    Converse(n, "+OK\r\n+OK\r\n+OK\r\n+OK " + std::to_string(count) + " " + std::to_string(size) + "\r\n+OK\r\n");
  }
  void FailOutside(int n, std::int32_t status) {
    if (cycle.session(n).Fail(status).kind == SessionAction::Finish) cycle.AdvanceCheck(n);
  }
  // The texts as the result dialog shows them when it opens.
  void CaptureTextsWhenTheDialogOpens() {
    host.onOpenResultDialog = [this] {
      for (int n = 1; n <= 4; ++n) shown[n - 1] = cycle.resultText(n);
    };
  }
  Calls Lookups() const { return host.Only("BeginLookup"); }

  Settings settings = {};
  RecordingCycleHost host;
  CheckCycle cycle{settings, host};
  ResultText shown[4] = {};
};

TEST_F(CheckCycleTest, OnlyAChkFlgOfOneTakesPart) {
  // A hand-edited flag other than 1 is shown as "not checked", so the
  // server must not be contacted either.
  Register(1, "Two", 2);
  Register(2, "Minus", -1);
  Enable(3);
  CaptureTextsWhenTheDialogOpens();
  settings.options.ChkOpti = kDisplayDialogOnly;
  cycle.CheckMail();
  EXPECT_EQ(Lookups(), Calls{"BeginLookup 3"});
  Succeed(3, 2, 20);
  EXPECT_STREQ(shown[0].CountText, "チェックを行わない");
  EXPECT_STREQ(shown[1].CountText, "チェックを行わない");
  EXPECT_STREQ(shown[2].CountText, "メール数： 2通");
}

TEST_F(CheckCycleTest, VisitsEnabledAccountsInOrderAndSkipsTheOthers) {
  Enable(1);
  Register(2, "Off", 0);
  Enable(3);
  cycle.CheckMail();
  EXPECT_EQ(Lookups(), Calls{"BeginLookup 1"});
  EXPECT_STREQ(cycle.session(1).host(), "pop1.example.test");
  EXPECT_TRUE(cycle.checkRunning());

  Succeed(1, 3, 900);
  EXPECT_EQ(Lookups(), (Calls{"BeginLookup 1", "BeginLookup 3"}));
  EXPECT_STREQ(cycle.session(3).host(), "pop3.example.test");
  EXPECT_FALSE(cycle.session(2).active());
  EXPECT_EQ(host.Count("LaunchBalls"), 0);

  Succeed(3, 1, 10);
  EXPECT_EQ(Lookups(), (Calls{"BeginLookup 1", "BeginLookup 3"}));
  EXPECT_EQ(host.Count("LaunchBalls"), 1);
  EXPECT_FALSE(cycle.checkRunning());
  EXPECT_TRUE(cycle.cycleFinished());
  // The results stay for the display.
  EXPECT_EQ(cycle.result(1).MailCount, 3);
  EXPECT_EQ(cycle.result(1).MailSize, 900);
  EXPECT_EQ(cycle.result(3).MailCount, 1);
  // The watchdog was set once, and killed after that: it cannot fire later.
  Calls watchdog;
  for (const std::string& call : host.calls) {
    if (call.find("Watchdog") != std::string::npos) watchdog.push_back(call);
  }
  EXPECT_EQ(host.Count("SetWatchdog"), 1);
  EXPECT_EQ(watchdog.back(), "KillWatchdog");
}

TEST_F(CheckCycleTest, AllAccountsSkippedEndsInTheDisplayAtOnce) {
  Register(2, "Named", 0);
  settings.options.ChkOpti = kDisplayDialogOnly;
  CaptureTextsWhenTheDialogOpens();

  cycle.CheckMail();

  EXPECT_TRUE(Lookups().empty());
  EXPECT_EQ(host.Count("OpenResultDialog"), 1);
  EXPECT_STREQ(shown[0].NameText, "未登録");
  EXPECT_STREQ(shown[1].NameText, "Named");
  EXPECT_STREQ(shown[1].CountText, "チェックを行わない");
  EXPECT_FALSE(cycle.checkRunning());
  EXPECT_EQ(host.Only("KillWatchdog").size(), 2u);  // by the initial abort and by the end
}

TEST_F(CheckCycleTest, ResultDialogShowsEveryAccountsOwnOutcome) {
  for (int n = 1; n <= 3; ++n) Enable(n);
  Register(4, "Off", 0);
  settings.options.ChkOpti = kDisplayDialogOnly;
  CaptureTextsWhenTheDialogOpens();

  cycle.CheckMail();
  Converse(1, "+OK\r\n-ERR unknown user\r\n+OK bye\r\n");
  FailOutside(2, StatusHostNotFound);
  Succeed(3, 3, 900);

  ASSERT_EQ(host.Count("OpenResultDialog"), 1);
  EXPECT_STREQ(shown[0].CountText, "エラー");
  EXPECT_STREQ(shown[0].DetailText, "存在しないユーザーID");
  EXPECT_STREQ(shown[1].DetailText, "ホストを発見できない");
  EXPECT_STREQ(shown[2].NameText, "Account 3");
  EXPECT_STREQ(shown[2].CountText, "メール数： 3通");
  EXPECT_STREQ(shown[2].DetailText, "サイズ： 900 Bytes");
  EXPECT_STREQ(shown[3].CountText, "チェックを行わない");
}

TEST_F(CheckCycleTest, NegativeStatReplyShowsAsCheckedWithNoMail) {
  Enable(1);
  settings.options.ChkOpti = kDisplayDialogOnly;
  CaptureTextsWhenTheDialogOpens();
  cycle.CheckMail();
  Converse(1, "+OK\r\n+OK\r\n+OK\r\n-ERR busy\r\n+OK\r\n");
  EXPECT_STREQ(shown[0].CountText, "メール数： 0通");
  EXPECT_STREQ(shown[0].DetailText, "サイズ： 0 Bytes");
}

struct DisplayCase {
  std::int32_t chkOpti;
  int balls;
  int dialogs;
  bool resetWhenShown;
};

void PrintTo(const DisplayCase& c, std::ostream* os) { *os << "ChkOpti " << c.chkOpti; }

class DisplayMode : public CheckCycleTest, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(DisplayMode, EndOfCycleGoesToTheChosenDisplay) {
  const DisplayCase& c = GetParam();
  Enable(1);
  settings.options.ChkOpti = c.chkOpti;
  // The ball launcher ends in ShowCheckResults after the last account.
  host.onLaunchBalls = [this] { cycle.ShowCheckResults(); };
  CaptureTextsWhenTheDialogOpens();

  cycle.CheckMail();
  Succeed(1, 2, 50);

  EXPECT_EQ(host.Count("LaunchBalls"), c.balls);
  EXPECT_EQ(host.Count("OpenResultDialog"), c.dialogs);
  if (c.dialogs == 1) {
    EXPECT_STREQ(shown[0].CountText, "メール数： 2通");
  }
  if (c.resetWhenShown) {
    EXPECT_EQ(cycle.result(1).MailCount, 0);
    EXPECT_STREQ(cycle.resultText(1).CountText, "");
    EXPECT_EQ(host.calls.back(), "EndBallWindows");
  } else {
    EXPECT_EQ(cycle.result(1).MailCount, 2);
  }
}

INSTANTIATE_TEST_SUITE_P(ChkOpti, DisplayMode,
                         ::testing::Values(DisplayCase{0, 1, 1, false}, DisplayCase{1, 1, 0, true},
                                           DisplayCase{2, 0, 1, false}, DisplayCase{7, 1, 1, false}));

TEST_F(CheckCycleTest, AbortDuringACheckStopsEverythingAndSaysSo) {
  Enable(1);
  Enable(2);
  cycle.CheckMail();
  Succeed(1, 5, 500);
  ASSERT_EQ(cycle.result(1).MailCount, 5);
  bool runningWhileMessageOpen = true;
  host.onAbortMessage = [&] { runningWhileMessageOpen = cycle.checkRunning(); };
  host.calls.clear();

  cycle.Abort();

  EXPECT_EQ(host.calls, (Calls{"EndBallWindows", "EndResultDialog", "KillWatchdog", "CloseAllSessions",
                               "ShowAbortMessage"}));
  EXPECT_FALSE(runningWhileMessageOpen);
  EXPECT_FALSE(cycle.checkRunning());
  EXPECT_EQ(cycle.result(1).MailCount, 0);
  EXPECT_FALSE(cycle.session(2).active());
  EXPECT_STREQ(cycle.session(2).host(), "");
}

TEST_F(CheckCycleTest, AbortIsSilentWhenIdleOrDisplaying) {
  cycle.Abort();
  EXPECT_EQ(host.Count("ShowAbortMessage"), 0);
  EXPECT_EQ(host.Count("EndResultDialog"), 1);

  Enable(1);
  settings.options.ChkOpti = kDisplayDialogOnly;
  host.onOpenResultDialog = [this] { cycle.Abort(); };
  cycle.CheckMail();
  Succeed(1, 1, 1);
  EXPECT_EQ(host.Count("OpenResultDialog"), 1);
  EXPECT_EQ(host.Count("ShowAbortMessage"), 0);
  EXPECT_EQ(cycle.result(1).MailCount, 0);
}

TEST_F(CheckCycleTest, ReportsAfterAnAbortAreIgnored) {
  Enable(1);
  Enable(2);
  cycle.CheckMail();
  cycle.Abort();
  host.calls.clear();

  // The lookup completes late and the server answers: nothing continues.
  Succeed(1, 4, 40);
  FailOutside(1, StatusHostNotFound);
  cycle.AdvanceCheck(1);

  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(cycle.result(1).MailCount, 0);
  EXPECT_EQ(cycle.result(1).Status, StatusOk);
  EXPECT_FALSE(cycle.checkRunning());
}

TEST_F(CheckCycleTest, OnlyTheAccountWhoseTurnItIsHandsOnAndOnlyOnce) {
  for (int n = 1; n <= 4; ++n) Enable(n);
  cycle.CheckMail();
  for (int stray : {0, 2, 3, 4, 5, -1}) cycle.AdvanceCheck(stray);
  EXPECT_EQ(Lookups(), Calls{"BeginLookup 1"});

  cycle.AdvanceCheck(1);
  cycle.AdvanceCheck(1);
  EXPECT_EQ(Lookups(), (Calls{"BeginLookup 1", "BeginLookup 2"}));

  cycle.AdvanceCheck(2);
  cycle.AdvanceCheck(3);
  cycle.AdvanceCheck(4);
  cycle.AdvanceCheck(4);
  EXPECT_EQ(host.Count("LaunchBalls"), 1);
}

TEST_F(CheckCycleTest, TimerTickChecksWhenIdleAndAbortsWhenRunning) {
  Enable(1);
  cycle.OnTimerTick();
  EXPECT_TRUE(cycle.checkRunning());
  EXPECT_EQ(Lookups(), Calls{"BeginLookup 1"});
  EXPECT_EQ(host.Count("ShowAbortMessage"), 0);

  cycle.OnTimerTick();
  EXPECT_FALSE(cycle.checkRunning());
  EXPECT_EQ(host.Count("ShowAbortMessage"), 1);
  EXPECT_EQ(Lookups().size(), 1u);

  cycle.OnTimerTick();
  EXPECT_TRUE(cycle.checkRunning());
  EXPECT_EQ(Lookups().size(), 2u);
}

TEST_F(CheckCycleTest, TickWhileResultsAreShownClosesThemAndStartsAFreshCheck) {
  Enable(1);
  settings.options.ChkOpti = kDisplayDialogOnly;
  host.onOpenResultDialog = [this] {
    host.onOpenResultDialog = nullptr;
    cycle.OnTimerTick();
  };
  cycle.CheckMail();
  Succeed(1, 2, 20);

  EXPECT_EQ(host.Count("ShowAbortMessage"), 0);
  EXPECT_EQ(Lookups().size(), 2u);
  // The new check survives the unwinding of the old display.
  EXPECT_TRUE(cycle.checkRunning());
  EXPECT_FALSE(cycle.cycleFinished());
  EXPECT_TRUE(cycle.session(1).active());
  EXPECT_EQ(cycle.result(1).MailCount, 0);
  Succeed(1, 6, 60);
  EXPECT_EQ(host.Count("OpenResultDialog"), 2);
}

TEST_F(CheckCycleTest, CheckMailWhileRunningAbortsWithTheMessageAndRestartsAtAccountOne) {
  Enable(1);
  Enable(2);
  cycle.CheckMail();
  Succeed(1, 5, 5);
  host.calls.clear();

  cycle.CheckMail();

  const Calls& calls = host.calls;
  auto message = std::find(calls.begin(), calls.end(), "ShowAbortMessage");
  auto lookup = std::find(calls.begin(), calls.end(), "BeginLookup 1");
  ASSERT_NE(message, calls.end());
  ASSERT_NE(lookup, calls.end());
  EXPECT_LT(message, lookup);
  EXPECT_EQ(cycle.result(1).MailCount, 0);
  // The new check hands on from account 1 as usual.
  Succeed(1, 1, 1);
  EXPECT_EQ(Lookups(), (Calls{"BeginLookup 1", "BeginLookup 2"}));
}

TEST_F(CheckCycleTest, FailuresReportedFromInsideTheLookupRequestPassEveryAccount) {
  for (int n = 1; n <= 4; ++n) Enable(n);
  settings.options.ChkOpti = kDisplayDialogOnly;
  host.onBeginLookup = [this](int n) { FailOutside(n, StatusLookupNotStarted); };
  CaptureTextsWhenTheDialogOpens();

  cycle.CheckMail();

  EXPECT_EQ(Lookups(), (Calls{"BeginLookup 1", "BeginLookup 2", "BeginLookup 3", "BeginLookup 4"}));
  EXPECT_EQ(host.Count("OpenResultDialog"), 1);
  for (int n = 0; n < 4; ++n) {
    EXPECT_STREQ(shown[n].CountText, "エラー") << n + 1;
    EXPECT_STREQ(shown[n].DetailText, "ホスト名の未解決") << n + 1;
  }
  EXPECT_FALSE(cycle.checkRunning());
}

TEST_F(CheckCycleTest, CheckStartedWhileTheAbortMessageIsOpenIsTheOnlyOneThatRuns) {
  Enable(1);
  Enable(2);
  cycle.CheckMail();
  // A timer tick arrives while the abort message of the next Check mail is open.
  host.onAbortMessage = [this] {
    host.onAbortMessage = nullptr;
    cycle.OnTimerTick();
  };
  host.calls.clear();

  cycle.CheckMail();

  EXPECT_EQ(host.Count("ShowAbortMessage"), 1);
  EXPECT_EQ(Lookups(), Calls{"BeginLookup 1"});
  EXPECT_EQ(host.Count("SetWatchdog"), 1);
  EXPECT_TRUE(cycle.checkRunning());
  EXPECT_TRUE(cycle.session(1).active());
  Succeed(1, 1, 1);
  EXPECT_EQ(Lookups(), (Calls{"BeginLookup 1", "BeginLookup 2"}));
}

}  // namespace
}  // namespace zorvane::testing
