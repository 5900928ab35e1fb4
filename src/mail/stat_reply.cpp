#include "mail/stat_reply.h"

#include <cctype>
#include <limits>

namespace zorvane {

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipSpace(const char* p) {
  while (*p != '\0' && IsSpace(*p)) ++p;
  return p;
}

// Parses one signed decimal number at p (after white space); returns false
// when there is none. *end is where the number stopped.
bool ParseNumber(const char* p, std::int32_t* value, const char** end) {
  p = SkipSpace(p);
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  if (!IsDigit(*p)) return false;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  std::int64_t magnitude = 0;
  for (; IsDigit(*p); ++p) {
    if (magnitude <= kMax + 1) magnitude = magnitude * 10 + (*p - '0');
  }
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  *value = static_cast<std::int32_t>(signedValue > kMax ? kMax : signedValue < kMin ? kMin : signedValue);
  *end = p;
  return true;
}

}  // namespace

StatNumbers ParseStatReply(const char* line) {
  StatNumbers numbers = {0, 0};
  const char* p = SkipSpace(line);
  if (*p == '\0') return numbers;
  while (*p != '\0' && !IsSpace(*p)) ++p;  // the status indicator
  if (!ParseNumber(p, &numbers.count, &p)) return numbers;
  ParseNumber(p, &numbers.size, &p);
  return numbers;
}

}  // namespace zorvane
