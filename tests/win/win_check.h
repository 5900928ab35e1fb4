#pragma once
// A minimal check harness for the programs that run under Wine: no test
// framework is available for the cross build, and these suites are small.
#include <cstdio>

namespace wincheck {

struct Tally {
  int passed = 0;
  int failed = 0;
};

inline Tally& Counts() {
  static Tally tally;
  return tally;
}

inline void Record(bool ok, const char* expression, const char* file, int line) {
  if (ok) {
    ++Counts().passed;
  } else {
    ++Counts().failed;
    std::printf("FAILED %s:%d: %s\n", file, line, expression);
  }
}

inline int Finish() {
  std::printf("%d passed, %d failed\n", Counts().passed, Counts().failed);
  return Counts().failed == 0 ? 0 : 1;
}

}  // namespace wincheck

#define CHECK(expression) ::wincheck::Record(static_cast<bool>(expression), #expression, __FILE__, __LINE__)
