#pragma once
// The check cycle's requests carried out with the main window's timers,
// message boxes and the display.
#include "mail/check_cycle.h"

namespace zorvane {

struct Program;

class Win32CheckHost final : public CheckCycleHost {
 public:
  explicit Win32CheckHost(Program& program) : program_(program) {}

  void SetWatchdog() override;
  void KillWatchdog() override;
  void ShowAbortMessage() override;
  void Announce() override;
  void EndAnnouncement() override;
  void RememberStartTls(int n) override;
  void SaveSeenMark(int n, const char* mark) override;

 private:
  Program& program_;
};

}  // namespace zorvane
