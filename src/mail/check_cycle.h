#pragma once
// The check over the four accounts, one after another, with its watchdog,
// its abort and the hand-over of the results to the display.
//
// The whole life of a check, every change made by EnterPhase:
//   Idle         --CheckMail-------------------------> Checking 1
//   Checking n   --account n ended or is skipped-----> Checking n+1
//   Checking 4   --account 4 ended or is skipped-----> Announcing (results kept)
//   Announcing   --ResetCheckResults (display ended)-> Idle (results cleared)
//   Checking n   --Abort (menu, watchdog, tick)------> Idle, with the abort message
//   Announcing   --Abort, CheckMail------------------> Idle, silently (CheckMail goes on)
//   any          --Shutdown (program exit)-----------> Idle, silently
#include "mail/check_result.h"
#include "mail/session_runner.h"
#include "settings/settings.h"

namespace zorvane {

enum class CheckPhase { Idle, Checking, Announcing };

// What the cycle asks of the window system.
class CheckCycleHost {
 public:
  virtual ~CheckCycleHost() = default;
  virtual void SetWatchdog() = 0;
  virtual void KillWatchdog() = 0;
  // "メールチェックを中断しました。"; modal.
  virtual void ShowAbortMessage() = 0;
  // The results are final: show them as the display mode says. Returns as
  // soon as the first window is open; no loop of its own runs. When the
  // announcement ends by itself the display calls ResetCheckResults, before
  // Announce has returned if there is nothing to show.
  virtual void Announce() = 0;
  // Abort, a new check or the exit: ends the balls and the result dialog,
  // whichever are open, and tells no one.
  virtual void EndAnnouncement() = 0;
  // Account n's server completed STLS: stores that the account needs it. May
  // run a message box's loop.
  virtual void RememberStartTls(int n) = 0;
  // The user has seen account n's new mail: stores what tells it from what
  // comes next. May run a message box's loop.
  virtual void SaveSeenMark(int n, const char* mark) = 0;
};

class CheckCycle {
 public:
  CheckCycle(const Settings& settings, SessionRunner& sessions, CheckCycleHost& host)
      : settings_(settings), sessions_(sessions), host_(host) {}

  void CheckMail();
  void Abort();
  void OnTimerTick();
  void Shutdown();
  // Account n's session has ended; a report from an account whose turn it
  // is not (late, or from an aborted check) is ignored.
  void OnSessionEnded(int n, const SessionReport& report);
  // The display has ended its announcement and its windows: the user has seen
  // it, so the accounts that announce only new mail keep what they showed;
  // the results are cleared, the sessions forget the accounts' passwords and
  // the cycle is idle. Nothing comes back into the display. Outside an
  // announcement it does nothing.
  void ResetCheckResults();

  CheckPhase phase() const { return phase_; }
  int account() const { return account_; }  // the account being checked
  const CheckResult& result(int n) const { return results_[n - 1]; }

 private:
  void EnterPhase(CheckPhase phase, int account = 0);
  // Checks the accounts from n on, up to the first whose session runs; after
  // the last one the results are announced.
  void CheckFrom(int n);
  void Stop();
  // Idle, with no results and no session holding an account.
  void Forget();

  const Settings& settings_;
  SessionRunner& sessions_;
  CheckCycleHost& host_;
  CheckPhase phase_ = CheckPhase::Idle;
  int account_ = 0;
  CheckResult results_[kAccountCount] = {};
  char seenMarks_[kAccountCount][kSeenMarkBytes] = {};
};

}  // namespace zorvane
