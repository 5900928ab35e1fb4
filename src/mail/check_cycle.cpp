#include "mail/check_cycle.h"

namespace zorvane {

void CheckCycle::CheckMail() {
  Abort();
  // A check started while the abort message was open is left to run.
  if (checkRunning_) return;
  cycleFinished_ = false;
  checkRunning_ = true;
  host_.SetWatchdog();
  StartAccountCheck(1);
}

void CheckCycle::Abort() {
  ResetCheckResults();
  host_.EndResultDialog();
  host_.KillWatchdog();
  host_.CloseAllSessions();
  const bool wasRunning = checkRunning_;
  // Cleared before the message: a timer tick while it is open must not abort
  // a second time.
  checkRunning_ = false;
  currentAccount_ = 0;
  if (wasRunning) host_.ShowAbortMessage();
}

void CheckCycle::OnTimerTick() {
  if (checkRunning_) {
    Abort();
  } else {
    CheckMail();
  }
}

void CheckCycle::StartAccountCheck(int n) {
  currentAccount_ = n;
  const PopAccount& account = settings_.account(n);
  // Only an account the result display shows as checked is contacted.
  if (account.ChkFlg == 1) {
    sessions_[n - 1].Start(account.Serv, account.UserId, account.PassWord, &results_[n - 1]);
    host_.BeginLookup(n);
  } else {
    results_[n - 1].Status = StatusOk;
    AdvanceCheck(n);
  }
}

void CheckCycle::AdvanceCheck(int n) {
  // Only the account whose turn it is may hand on, and only once: a late
  // report after an abort or from an earlier check changes nothing.
  if (cycleFinished_ || !checkRunning_ || n != currentAccount_) return;
  if (n < kAccountCount) {
    StartAccountCheck(n + 1);
    return;
  }
  cycleFinished_ = true;
  host_.KillWatchdog();
  checkRunning_ = false;
  currentAccount_ = 0;
  Announce();
}

void CheckCycle::Announce() {
  if (settings_.options.ChkOpti == kDisplayDialogOnly) {
    ShowCheckResults();
  } else {
    host_.LaunchBalls();
  }
}

void CheckCycle::ShowCheckResults() {
  for (int n = 1; n <= kAccountCount; ++n) {
    BuildResultText(settings_.account(n), results_[n - 1], &texts_[n - 1]);
  }
  if (settings_.options.ChkOpti == kDisplayBallsOnly) {
    ResetCheckResults();
  } else {
    host_.OpenResultDialog();
  }
}

void CheckCycle::ResetCheckResults() {
  for (int n = 1; n <= kAccountCount; ++n) {
    sessions_[n - 1].Clear();
    results_[n - 1] = CheckResult{};
    texts_[n - 1] = ResultText{};
  }
  host_.EndBallWindows();
}

}  // namespace zorvane
