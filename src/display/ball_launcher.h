#pragma once
// Turns the accounts' message counts into the order of balls: account 1 to 4,
// one small ball per message for 1 to 4 messages, one large ball for 5 or
// more, none for 0 or fewer; after account 4 the results follow.
#include <cstdint>

#include "settings/settings.h"

namespace zorvane {

struct BallLaunch {
  bool results;  // no more balls: the results come next
  int account;   // 1 to 4
  int ordinal;   // the ball's place among its account's balls, 1 to 4
  int size;      // 16 or 32 pixels
};

class BallLauncher {
 public:
  static constexpr int kFinish = 99;  // the account code that asks for the results

  // The first ball of the announcement for the four accounts' counts.
  BallLaunch Start(const std::int32_t (&counts)[kAccountCount]);
  // The ball of (account, ordinal) has stopped: the next ball, or the results.
  BallLaunch BallStopped(int account, int ordinal, const std::int32_t (&counts)[kAccountCount]);

  // How many balls the account being shown has had: its last ball's
  // ordinal, or 5 for a large ball.
  int BallCounter = 0;

 private:
  BallLaunch LaunchBall(int account, const std::int32_t (&counts)[kAccountCount]);
};

}  // namespace zorvane
