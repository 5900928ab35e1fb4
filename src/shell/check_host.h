#pragma once
// The check cycle's requests carried out with timers, WinSock and dialogs.
#include "mail/check_cycle.h"
#include "mail/winsock_transport.h"
#include "shell/program.h"

namespace zorvane {

class Win32CheckHost final : public CheckCycleHost {
 public:
  Win32CheckHost(Program& program, CheckCycle& cycle, WinsockTransport& transport)
      : program_(program), cycle_(cycle), transport_(transport) {}

  void BeginLookup(int n) override;
  void CloseAllSessions() override;
  void SetWatchdog() override;
  void KillWatchdog() override;
  void ShowAbortMessage() override;
  void EndResultDialog() override;
  void EndBallWindows() override;
  void LaunchBalls() override;
  void OpenResultDialog() override;

 private:
  Program& program_;
  CheckCycle& cycle_;
  WinsockTransport& transport_;
};

}  // namespace zorvane
