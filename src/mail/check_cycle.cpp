#include "mail/check_cycle.h"

#include <cstring>

namespace zorvane {

void CheckCycle::EnterPhase(CheckPhase phase, int account) {
  phase_ = phase;
  account_ = account;
}

void CheckCycle::CheckMail() {
  Abort();
  // A check started while the abort message was open is left to run.
  if (phase_ != CheckPhase::Idle) return;
  host_.SetWatchdog();
  CheckFrom(1);
}

void CheckCycle::Abort() {
  const bool wasChecking = phase_ == CheckPhase::Checking;
  Stop();
  if (wasChecking) host_.ShowAbortMessage();
}

void CheckCycle::Shutdown() { Stop(); }

void CheckCycle::Stop() {
  // Idle before anything that may run a message loop: a timer tick in the
  // meantime then starts a fresh check instead of aborting a second time.
  Forget();
  host_.EndAnnouncement();
  host_.KillWatchdog();
}

void CheckCycle::Forget() {
  EnterPhase(CheckPhase::Idle);
  sessions_.CloseAllSessions();
  for (CheckResult& result : results_) result = CheckResult{};
}

void CheckCycle::OnTimerTick() {
  if (phase_ == CheckPhase::Checking) {
    Abort();
  } else {
    CheckMail();
  }
}

void CheckCycle::CheckFrom(int n) {
  for (; n <= kAccountCount; ++n) {
    EnterPhase(CheckPhase::Checking, n);
    const PopAccount& account = settings_.account(n);
    if (!TakesPartInChecks(account)) continue;
    const std::optional<SessionReport> endedAtOnce = sessions_.StartSession(n, account);
    if (!endedAtOnce) return;
    results_[n - 1] = endedAtOnce->result;
  }
  host_.KillWatchdog();
  EnterPhase(CheckPhase::Announcing);
  // May end the announcement before it returns: nothing is touched afterwards.
  host_.Announce();
}

void CheckCycle::OnSessionEnded(int n, const SessionReport& report) {
  if (phase_ != CheckPhase::Checking || n != account_) return;
  results_[n - 1] = report.result;
  std::memcpy(seenMarks_[n - 1], report.seenMark, sizeof seenMarks_[0]);
  if (report.startedTls && settings_.account(n).StlsFlg != kStlsRequired) {
    host_.RememberStartTls(n);
    // An abort in the meantime (a failed write's message box runs a loop) ends the check here.
    if (phase_ != CheckPhase::Checking || n != account_) return;
  }
  CheckFrom(n + 1);
}

void CheckCycle::ResetCheckResults() {
  for (int n = 1; n <= kAccountCount && phase_ == CheckPhase::Announcing; ++n) {
    const bool changed = std::strcmp(settings_.account(n).SeenUidl, seenMarks_[n - 1]) != 0;
    if (results_[n - 1].New == NewMail::Counted && changed) host_.SaveSeenMark(n, seenMarks_[n - 1]);
  }
  // The sessions are over; what they still hold of the accounts goes too. A
  // check that began while a store's message box was open goes on.
  if (phase_ == CheckPhase::Announcing) Forget();
}

}  // namespace zorvane
