#pragma once
// Records what the check cycle asks of the window system and lets a test act
// from inside those calls, the way nested message loops do in the program.
#include <functional>
#include <string>
#include <vector>

#include "mail/check_cycle.h"

namespace zorvane::testing {

class RecordingCycleHost : public CheckCycleHost {
 public:
  void BeginLookup(int n) override {
    Record("BeginLookup " + std::to_string(n));
    if (onBeginLookup) onBeginLookup(n);
  }
  void CloseAllSessions() override { Record("CloseAllSessions"); }
  void SetWatchdog() override { Record("SetWatchdog"); }
  void KillWatchdog() override { Record("KillWatchdog"); }
  void ShowAbortMessage() override {
    Record("ShowAbortMessage");
    if (onAbortMessage) onAbortMessage();
  }
  void EndResultDialog() override { Record("EndResultDialog"); }
  void EndBallWindows() override { Record("EndBallWindows"); }
  void LaunchBalls() override {
    Record("LaunchBalls");
    if (onLaunchBalls) onLaunchBalls();
  }
  void OpenResultDialog() override {
    Record("OpenResultDialog");
    if (onOpenResultDialog) onOpenResultDialog();
  }

  int Count(const std::string& call) const {
    int count = 0;
    for (const std::string& c : calls) count += c == call;
    return count;
  }
  // The calls whose names start with prefix, in order.
  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const std::string& c : calls) {
      if (c.rfind(prefix, 0) == 0) matching.push_back(c);
    }
    return matching;
  }

  std::vector<std::string> calls;
  std::function<void(int)> onBeginLookup;
  std::function<void()> onAbortMessage;
  std::function<void()> onLaunchBalls;
  std::function<void()> onOpenResultDialog;

 private:
  void Record(std::string call) { calls.push_back(std::move(call)); }
};

}  // namespace zorvane::testing
