#include "mail/check_cycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "display/tray_status.h"
#include "shell/auto_check_schedule.h"

namespace zorvane::testing {
namespace {

using Log = std::vector<std::string>;

SessionReport Ended(std::int32_t count, std::int32_t size, CheckStatus status = CheckStatus::Ok, bool stls = false) {
  return {{count, size, status}, stls};
}

// The network, the window system and the auto-check timer as the cycle sees them, writing one log.
struct Fakes : SessionRunner, CheckCycleHost, AutoCheckTimer {
  std::optional<SessionReport> StartSession(int n, const PopAccount&) override {
    log.push_back("start " + std::to_string(n));
    return failAtOnce ? std::optional(Ended(0, 0, CheckStatus::LookupNotStarted)) : std::nullopt;
  }
  void CloseAllSessions() override { log.push_back("close sessions"); }
  void SetWatchdog() override { log.push_back("watchdog on"); }
  void KillWatchdog() override { log.push_back("watchdog off"); }
  void ShowAbortMessage() override { Then("abort message", onAbortMessage); }
  void Announce() override { Then("announce", onAnnounce); }
  void EndAnnouncement() override { log.push_back("end announcement"); }
  void RememberStartTls(int n) override { log.push_back("remember " + std::to_string(n)); }
  void SaveSeenMark(int n, const char* mark) override { log.push_back("seen " + std::to_string(n) + " " + mark); }
  void Stop() override { log.push_back("timer stop"); }
  void Start(unsigned periodMs) override { log.push_back("timer " + std::to_string(periodMs)); }
  // Logs the call, then runs its hook once, as the abort message's loop or a display that ends at once would.
  void Then(const char* entry, std::function<void()>& hook) {
    log.push_back(entry);
    if (hook) std::exchange(hook, nullptr)();
  }

  Log log;
  bool failAtOnce = false;
  std::function<void()> onAbortMessage, onAnnounce;
};

class CheckCycleTest : public ::testing::Test {
 protected:
  void Enable(std::initializer_list<std::int32_t> chkFlgs) {
    int n = 1;
    for (std::int32_t flag : chkFlgs) settings.account(n++).ChkFlg = flag;
  }
  Log Starts() const {
    Log starts;
    std::copy_if(fakes.log.begin(), fakes.log.end(), std::back_inserter(starts),
                 [](const std::string& e) { return e.rfind("start", 0) == 0; });
    return starts;
  }
  int Count(const std::string& entry) const { return std::count(fakes.log.begin(), fakes.log.end(), entry); }

  Settings settings = {};
  Fakes fakes;
  CheckCycle cycle{settings, fakes, fakes};
};

// The accounts with ChkFlg 1 in order, each handing on once when it is its turn; then the watchdog ends and the
// results are announced. Sessions that end at once pass in the same go.
TEST_F(CheckCycleTest, VisitsTheAccountsWithChkFlgOneInTurnThenAnnouncesOnce) {
  Enable({1, 0, 2, 1});
  cycle.CheckMail();
  for (int stray : {0, 2, 3, 4, 5, -1}) cycle.OnSessionEnded(stray, Ended(7, 7));
  cycle.OnSessionEnded(1, Ended(3, 900));
  cycle.OnSessionEnded(1, Ended(7, 7));
  EXPECT_EQ(std::pair(Starts(), cycle.account()), std::pair(Log{"start 1", "start 4"}, 4));
  fakes.log.clear();
  cycle.OnSessionEnded(4, Ended(1, 10, CheckStatus::UserRejected));
  EXPECT_EQ(
      std::tuple(fakes.log, cycle.phase(), cycle.result(1).MailSize, cycle.result(4).Status, cycle.result(2).MailCount),
      std::tuple(Log{"watchdog off", "announce"}, CheckPhase::Announcing, 900, CheckStatus::UserRejected, 0));
  fakes.failAtOnce = true;
  cycle.CheckMail();
  EXPECT_EQ(std::tuple(Starts(), Count("announce"), cycle.result(4).Status),
            std::tuple(Log{"start 1", "start 4"}, 2, CheckStatus::LookupNotStarted));
}

// An account that announces only new mail keeps its mark when its count of new mail was shown and has changed.
TEST_F(CheckCycleTest, SeenMarksAreKeptOnlyOnceTheUserHasSeenTheAnnouncement) {
  Enable({1, 1, 1, 0});
  std::strcpy(settings.account(3).SeenUidl, "1 a");
  for (const bool seen : {false, true}) {
    cycle.CheckMail();
    for (const auto& [n, state, mark] : {std::tuple(1, NewMail::Counted, "3 c"), std::tuple(2, NewMail::Unknown, "2 x"),
                                         std::tuple(3, NewMail::Counted, "1 a")}) {
      SessionReport report = Ended(3, 9);
      report.result.New = state;
      std::strcpy(report.seenMark, mark);
      cycle.OnSessionEnded(n, report);
    }
    fakes.log.clear();
    if (seen) {
      cycle.ResetCheckResults();
    } else {
      cycle.Abort();
    }
    EXPECT_EQ(Starts().size() + Count("seen 1 3 c") + Count("seen 2 2 x") + Count("seen 3 1 a"), seen ? 1u : 0u);
  }
}

// Every stop ends the sessions, the announcement and the watchdog, and is idle before anything that may run a message
// loop; an abort of a running check (by the menu or a tick) then says so, the exit never.
TEST_F(CheckCycleTest, AStopEndsEverythingAndOnlyAnAbortedCheckIsTold) {
  const Log stopped = {"close sessions", "end announcement", "watchdog off"};
  const Log told = {"close sessions", "end announcement", "watchdog off", "abort message"};
  const struct {
    void (CheckCycle::*stop)();
    Log log;
  } cases[] = {{&CheckCycle::Abort, told}, {&CheckCycle::OnTimerTick, told}, {&CheckCycle::Shutdown, stopped}};
  Enable({1, 0, 0, 0});
  for (const auto& c : cases) {
    cycle.CheckMail();
    fakes.log.clear();
    (cycle.*c.stop)();
    EXPECT_EQ(std::pair(fakes.log, cycle.phase()), std::pair(c.log, CheckPhase::Idle));
  }
}

TEST_F(CheckCycleTest, CheckMailDuringACheckAbortsWithTheMessageFirst) {
  Enable({1, 1, 0, 0});
  cycle.CheckMail();
  cycle.OnSessionEnded(1, Ended(5, 5));
  fakes.log.clear();
  // A tick while that message is open starts the check that then runs alone.
  fakes.onAbortMessage = [&] { cycle.OnTimerTick(); };
  cycle.CheckMail();
  EXPECT_EQ(std::tuple(Count("abort message"), Count("watchdog on"), Starts()), std::tuple(1, 1, Log{"start 1"}));
  EXPECT_LT(std::find(fakes.log.begin(), fakes.log.end(), "abort message"),
            std::find(fakes.log.begin(), fakes.log.end(), "start 1"));
  cycle.OnSessionEnded(1, {});
  EXPECT_EQ(Starts(), (Log{"start 1", "start 2"}));
}

TEST_F(CheckCycleTest, TheDisplaysOwnEndClearsTheResultsWithoutCallingBack) {
  Enable({1, 0, 0, 0});
  cycle.CheckMail();
  cycle.ResetCheckResults();  // no announcement yet
  EXPECT_EQ(cycle.phase(), CheckPhase::Checking);
  cycle.OnSessionEnded(1, Ended(4, 4));
  fakes.log.clear();
  cycle.ResetCheckResults();
  EXPECT_EQ(std::tuple(fakes.log, cycle.phase(), cycle.result(1).MailCount),
            std::tuple(Log{"close sessions"}, CheckPhase::Idle, 0));

  // Nothing to show: the display ends before Announce has returned.
  Enable({0, 0, 0, 0});
  fakes.onAnnounce = [&] { cycle.ResetCheckResults(); };
  cycle.CheckMail();
  EXPECT_EQ(std::tuple(fakes.log.end()[-2], fakes.log.back(), cycle.phase()),
            std::tuple("announce", "close sessions", CheckPhase::Idle));
}

// The tray after each finished check: a line per account that takes part, in the result dialog's words, the longest
// names cut first so that all fits; the mail mark kept by aborts and failures, lost by a check that finds none to
// announce and by an account that no longer takes part.
TEST_F(CheckCycleTest, TheTrayTellsTheLastFinishedCheck) {
  const std::string twelve = "一二三四五六七八九十百千";
  const std::string mail = " メール数： ";
  TrayStatus tray;
  std::vector<bool> marks;
  // A check whose accounts end in turn with these results; its announcement tells the tray, as the program's does.
  const auto check = [&](std::vector<std::string> names, std::initializer_list<CheckResult> results) {
    for (int n = 1; n <= 4; ++n) std::strcpy(settings.account(n).NAME, names[n - 1].c_str());
    fakes.onAnnounce = [&] { tray.CheckFinished(settings, cycle, {9, 5}); };
    cycle.CheckMail();
    for (const CheckResult& result : results) cycle.OnSessionEnded(cycle.account(), {result, false});
    marks.push_back(tray.mailWaiting());
    return std::string(tray.tip());
  };
  EXPECT_STREQ(tray.tip(), "Zorvane Ver.1.1");
  Enable({1, 1, 1, 1});
  EXPECT_EQ(
      check({twelve, twelve, twelve, twelve},
            {{3, 9, CheckStatus::Ok}, {}, {0, 0, CheckStatus::Disconnected}, {0, 0, CheckStatus::PasswordRejected}}),
      "Zorvane 09:05\n" + twelve + mail + "3通\n" + twelve + mail + "0通\n" + twelve +
          " エラー：接続が切断されました\n" + twelve + " エラー：パスワードの未認証");
  cycle.CheckMail();
  cycle.Abort();
  marks.push_back(tray.mailWaiting());
  // 74 units for the names: the two long ones get 24 each, the emoji goes whole or not at all.
  const std::vector<std::string> names = {std::string(40, 'a'), std::string(40, 'b'), "短い",
                                          std::string(23, 'd') + "\xF0\x9F\x93\xAE"};
  check(names, {{0, 0, CheckStatus::SocketError}, {}, {}, {}});
  EXPECT_EQ(check(names, {{}, {2, 1, CheckStatus::Ok}, {}, {}}),
            "Zorvane 09:05\n" + std::string(24, 'a') + mail + "0通\n" + std::string(24, 'b') + mail + "2通\n短い" +
                mail + "0通\n" + std::string(23, 'd') + mail + "0通");
  Enable({1, 0, 0, 0});  // and only new mail counts where only new mail is announced
  EXPECT_EQ(check(names, {{3, 9, CheckStatus::Ok, NewMail::Counted, 0}}),
            "Zorvane 09:05\n" + std::string(40, 'a') + " 新着： 0通");
  EXPECT_EQ(marks, (std::vector<bool>{true, true, true, true, false}));
}

// After a resume a check held across the sleep ends silently; one check follows the settling delay, the period
// counted from it. Nothing while the timer is held by the settings dialog; a check the user started in the delay
// stands for the one due.
TEST_F(CheckCycleTest, AResumeChecksOnceAfterTheNetworkSettles) {
  AutoCheckSchedule schedule{settings.options, cycle, fakes};
  settings.options = {1, 10, 0};
  Enable({1, 0, 0, 0});
  schedule.Stop();  // the general settings dialog opened
  schedule.OnResume();
  const std::string held = fakes.log.back();
  cycle.CheckMail();
  schedule.Start(600000);
  fakes.log.clear();
  schedule.OnResume();
  EXPECT_EQ(std::tuple(held, fakes.log.back(), Count("abort message"), cycle.phase()),
            std::tuple("timer stop", "timer 10000", 0, CheckPhase::Idle));
  schedule.OnTick();
  schedule.OnTick();  // the period's own: a plain tick
  EXPECT_EQ(std::tuple(Starts(), Count("timer 600000"), Count("abort message")), std::tuple(Log{"start 1"}, 1, 1));
  schedule.OnResume();
  cycle.CheckMail();
  fakes.log.clear();
  schedule.OnTick();
  EXPECT_EQ(std::tuple(fakes.log, cycle.phase()), std::tuple(Log{"timer 600000"}, CheckPhase::Checking));
}

}  // namespace
}  // namespace zorvane::testing
