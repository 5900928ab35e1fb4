#include "display/ball_launcher.h"

namespace zorvane {

namespace {
constexpr int kLargeBallCount = 5;
constexpr BallLaunch kResults = {true, 0, 0, 0};
}  // namespace

BallLaunch BallLauncher::Start(const std::int32_t (&counts)[kAccountCount]) {
  BallCounter = 0;
  return LaunchBall(1, counts);
}

BallLaunch BallLauncher::LaunchBall(int account, const std::int32_t (&counts)[kAccountCount]) {
  // Accounts without mail are passed over in order.
  while (account != kFinish && counts[account - 1] <= 0) account = account < kAccountCount ? account + 1 : kFinish;
  if (account == kFinish) return kResults;
  const std::int32_t n = counts[account - 1];
  const bool large = n >= kLargeBallCount;
  BallCounter += large ? kLargeBallCount : 1;
  if (BallCounter > n) return kResults;
  return {false, account, large ? 1 : BallCounter, large ? 32 : 16};
}

BallLaunch BallLauncher::BallStopped(int account, int ordinal, const std::int32_t (&counts)[kAccountCount]) {
  const std::int32_t n = counts[account - 1];
  const bool accountDone = ordinal == 4 || n == ordinal || (ordinal == 1 && n >= kLargeBallCount);
  if (!accountDone) return LaunchBall(account, counts);
  BallCounter = 0;
  return LaunchBall(account < kAccountCount ? account + 1 : kFinish, counts);
}

}  // namespace zorvane
