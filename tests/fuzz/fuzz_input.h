#pragma once
// What every fuzz target shares: the input read from the front, the check of an invariant, a text field's cut.
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

// What a text field of size bytes keeps of text: up to its first zero byte, at most size - 1 bytes, cut before the
// character that the last byte that fits is part of.
inline std::string CutText(std::string text, std::size_t size) {
  text = text.substr(0, text.find('\0'));
  std::size_t fits = std::min(text.size(), size - 1);
  while (fits < text.size() && fits > 0 && (static_cast<unsigned char>(text[fits]) & 0xC0) == 0x80) --fits;
  return text.substr(0, fits);
}

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
