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

// Parses one signed decimal number at p (after white space), saturated at
// Number's limits; returns false when there is none. *end is where the
// number stopped.
template <typename Number>
bool ParseNumber(const char* p, Number* value, const char** end) {
  p = SkipSpace(p);
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  if (!IsDigit(*p)) return false;
  // The magnitude goes up to one past the largest value, which only a negative number reaches.
  const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<Number>::max()) + 1;
  std::uint64_t magnitude = 0;
  for (; IsDigit(*p); ++p) {
    const unsigned digit = static_cast<unsigned>(*p - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  if (negative) {
    *value = magnitude == limit ? std::numeric_limits<Number>::min() : -static_cast<Number>(magnitude);
  } else {
    *value = magnitude == limit ? std::numeric_limits<Number>::max() : static_cast<Number>(magnitude);
  }
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
