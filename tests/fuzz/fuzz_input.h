#pragma once
// What every fuzz target shares: the input read from the front, and the check of an invariant.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(c)                                                                \
  do {                                                                               \
    if (!(c)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #c); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

struct FuzzInput {
  bool more() const { return at < end; }
  // The next byte; 0 once the input has run out.
  std::uint8_t byte() { return at < end ? *at++ : 0; }
  // The next n bytes, fewer where the input ends.
  std::string bytes(std::size_t n) {
    n = std::min<std::size_t>(n, end - at);
    at += n;
    return std::string(at - n, at);
  }

  const std::uint8_t* at;
  const std::uint8_t* end;
};
