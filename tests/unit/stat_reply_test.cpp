#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "mail/stat_reply.h"

namespace zorvane {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct StatCase {
  const char* line;
  std::int32_t count;
  std::int32_t size;
};

void PrintTo(const StatCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

class StatReply : public ::testing::TestWithParam<StatCase> {};

TEST_P(StatReply, GivesCountAndSize) {
  const StatNumbers numbers = ParseStatReply(GetParam().line);
  EXPECT_EQ(numbers.count, GetParam().count);
  EXPECT_EQ(numbers.size, GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(
    WellFormed, StatReply,
    ::testing::Values(StatCase{"+OK 2 345", 2, 345}, StatCase{"+OK 2 345\r", 2, 345},
                      StatCase{"+OK\t2\t345\r", 2, 345}, StatCase{"  +OK   0   0", 0, 0},
                      StatCase{"+OK 007 0345", 7, 345}, StatCase{"+OK 3 900 extra words", 3, 900},
                      StatCase{"+OK 4 5octets", 4, 5}));

INSTANTIATE_TEST_SUITE_P(
    MissingNumbers, StatReply,
    ::testing::Values(StatCase{"", 0, 0}, StatCase{"   ", 0, 0}, StatCase{"+OK", 0, 0}, StatCase{"+OK\r", 0, 0},
                      StatCase{"+OK 7", 7, 0}, StatCase{"+OK 7\r", 7, 0}, StatCase{"+OK x 5", 0, 0},
                      StatCase{"+OK 12abc 5", 12, 0}, StatCase{"+OK - 3 4", 0, 0}, StatCase{"+OK 3 -", 3, 0},
                      StatCase{"2 345", 345, 0}));

INSTANTIATE_TEST_SUITE_P(
    SignsAndLimits, StatReply,
    ::testing::Values(StatCase{"+OK -3 10", -3, 10}, StatCase{"+OK +4 +5", 4, 5},
                      StatCase{"+OK 2147483647 2147483647", kMax, kMax},
                      StatCase{"+OK 2147483648 99999999999999999999", kMax, kMax},
                      StatCase{"+OK -2147483648 -2147483649", kMin, kMin},
                      StatCase{"+OK -99999999999999999999 1", kMin, 1},
                      StatCase{"+OK 4294967297 4294967296", kMax, kMax}));

TEST(StatReplyLimits, ThousandsOfDigitsSaturateWithoutOverflow) {
  const std::string line = "+OK " + std::string(5000, '9') + " -" + std::string(5000, '9');
  const StatNumbers numbers = ParseStatReply(line.c_str());
  EXPECT_EQ(numbers.count, kMax);
  EXPECT_EQ(numbers.size, kMin);
}

}  // namespace
}  // namespace zorvane
