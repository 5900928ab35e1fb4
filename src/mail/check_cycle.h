#pragma once
// The check over the four accounts, one after another, with its watchdog,
// its abort and the hand-over of the results to the display.
#include "display/result_text.h"
#include "mail/check_result.h"
#include "mail/pop3_session.h"
#include "settings/settings.h"

namespace zorvane {

// What the cycle asks of the window system and the network.
class CheckCycleHost {
 public:
  virtual ~CheckCycleHost() = default;
  // Starts the lookup of account n's server (CheckCycle::session(n).host()).
  // A failure may be reported back at once, from inside this call.
  virtual void BeginLookup(int n) = 0;
  // Cancels every lookup and closes every connection.
  virtual void CloseAllSessions() = 0;
  virtual void SetWatchdog() = 0;
  virtual void KillWatchdog() = 0;
  // "メールチェックを中断しました。"; modal.
  virtual void ShowAbortMessage() = 0;
  virtual void EndResultDialog() = 0;
  virtual void EndBallWindows() = 0;
  // The ball announcement; it ends in CheckCycle::ShowCheckResults.
  virtual void LaunchBalls() = 0;
  // The result dialog; modal, returns when it has been closed.
  virtual void OpenResultDialog() = 0;
};

class CheckCycle {
 public:
  CheckCycle(const Settings& settings, CheckCycleHost& host) : settings_(settings), host_(host) {}

  void CheckMail();
  void Abort();
  void OnTimerTick();
  // Account n's session has ended; the check moves on to the next account.
  void AdvanceCheck(int n);
  void ResetCheckResults();
  // Builds the result texts and shows them as the display mode says.
  void ShowCheckResults();

  bool checkRunning() const { return checkRunning_; }
  bool cycleFinished() const { return cycleFinished_; }
  Pop3Session& session(int n) { return sessions_[n - 1]; }
  const CheckResult& result(int n) const { return results_[n - 1]; }
  const ResultText& resultText(int n) const { return texts_[n - 1]; }

 private:
  void StartAccountCheck(int n);
  void Announce();

  const Settings& settings_;
  CheckCycleHost& host_;
  Pop3Session sessions_[kAccountCount];
  CheckResult results_[kAccountCount] = {};
  ResultText texts_[kAccountCount] = {};
  bool checkRunning_ = false;
  bool cycleFinished_ = false;
  int currentAccount_ = 0;  // the account whose session runs; 0 when none
};

}  // namespace zorvane
