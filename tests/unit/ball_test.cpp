#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "display/announcement.h"

namespace zorvane::testing {
namespace {

TEST(BallPath, TheWorkedPositionsOnTwoScreens) {
  const struct {
    double width, height;
    int account, ordinal;
    int firstY, highestY, lastFirstArcX, lastFirstArcY, lastSecondArcX, restX, restY, stopTick;
    std::vector<int> bounces;
  } cases[] = {
      {1024, 768, 1, 1, 460, 384, 872, 681, 682, 568, 645, 26, {9, 19}},
      {1024, 768, 4, 1, 364, 288, 872, 585, 682, 568, 549, 26, {9, 19}},
      {640, 480, 1, 1, 288, 241, 545, 426, 431, 355, 392, 17, {6, 12}},
      // Widths where an arc or a row ends exactly on a step, and where the order of evaluation moves a pixel.
      {760, 570, 1, 2, 342, 285, 665, 413, 513, 456, 463, 18, {6, 14}},
      {1140, 855, 1, 1, 513, 427, 988, 664, 760, 646, 717, 28, {9, 21}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(int(c.width)) + " " + std::to_string(c.account) + "." + std::to_string(c.ordinal));
    BallState ball = {c.width, 0, 16};
    std::vector<BallMove> m;   // every tick's move, the stop last
    std::vector<int> bounces;  // the ticks after which the sound plays
    for (int tick = 1; tick < 100 && (m.empty() || m.back().kind != BallMove::Kind::Stop); ++tick) {
      m.push_back(TickBall(ball, {c.width, c.height}, c.account, c.ordinal));
      if (m.back().bounce) bounces.push_back(tick);
    }
    ASSERT_EQ(int(m.size()), c.stopTick);
    int highest = m[0].y;
    const BallMove* lastOf[3] = {};
    for (const BallMove& move : m) {
      if (move.kind == BallMove::Kind::FirstArc) highest = std::min(highest, move.y);
      if (move.kind != BallMove::Kind::Stop) lastOf[int(move.kind)] = &move;
    }
    const BallMove& rest = m[m.size() - 2];
    // The roll keeps the second arc's last height; the account's next ball starts at the edge again.
    EXPECT_EQ(std::tuple(m[0].x, m[0].y, highest, lastOf[0]->x, lastOf[0]->y, lastOf[1]->x, lastOf[1]->y, rest.x,
                         rest.y, bounces, ball.PosX),
              std::tuple(int(c.width), c.firstY, c.highestY, c.lastFirstArcX, c.lastFirstArcY, c.lastSecondArcX,
                         c.restY, c.restX, c.restY, c.bounces, c.width));
  }
}

// The balls of a whole announcement, as "account.ordinal/size", then what follows.
std::string Announce(DisplayMode mode, const std::int32_t (&counts)[4]) {
  Announcement announcement({1024, 768});
  std::string shown;
  AnnouncementStep step = announcement.Start(mode, counts);
  while (step.kind == AnnouncementStep::Kind::Ball) {
    const BallLaunch& b = step.ball;
    shown += std::to_string(b.account) + "." + std::to_string(b.ordinal) + "/" + std::to_string(b.size) + " ";
    step = announcement.BallStopped(b.account, b.ordinal);
  }
  return shown + (step.kind == AnnouncementStep::Kind::End ? "end" : "dialog");
}

TEST(Announcement, BallsInOrderThenTheResultsAsTheModeSays) {
  const struct {
    DisplayMode mode;
    std::int32_t counts[4];
    const char* shown;
  } cases[] = {
      {DisplayMode::BallsAndDialog, {3, 0, 7, 2}, "1.1/16 1.2/16 1.3/16 3.1/32 4.1/16 4.2/16 dialog"},
      {DisplayMode::BallsOnly, {4, 5, 1, 0}, "1.1/16 1.2/16 1.3/16 1.4/16 2.1/32 3.1/16 end"},
      {DisplayMode::DialogOnly, {3, 0, 7, 2}, "dialog"},
      {DisplayMode::BallsAndDialog, {0, -2, 0, 1}, "4.1/16 dialog"},
      {DisplayMode::BallsOnly, {0, 0, 0, 0}, "end"},
  };
  for (const auto& c : cases) EXPECT_EQ(Announce(c.mode, c.counts), c.shown);
}

}  // namespace
}  // namespace zorvane::testing
