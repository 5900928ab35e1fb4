#pragma once
// Byte-limited text handling for the program's UTF-8 strings.
#include <cstddef>

namespace zorvane {

// Length of the longest prefix of text[0, length) that is at most maxBytes
// long and does not end inside a UTF-8 multi-byte character.
std::size_t Utf8PrefixLength(const char* text, std::size_t length, std::size_t maxBytes);

// Copies src (up to its first zero byte, at most srcLength bytes) into the
// fixed field dst of dstSize bytes, cut on a character boundary so that the
// zero terminator always fits. Returns the number of text bytes copied.
std::size_t CopyTextCut(char* dst, std::size_t dstSize, const char* src, std::size_t srcLength);

// The same for a zero-terminated source.
std::size_t CopyTextCut(char* dst, std::size_t dstSize, const char* src);

template <std::size_t N>
std::size_t CopyTextCut(char (&dst)[N], const char* src) {
  return CopyTextCut(dst, N, src);
}

// Length in bytes of the longest prefix of text (zero-terminated) that makes
// at most maxUnits UTF-16 code units, cut on a character boundary: a
// character beyond U+FFFF takes two units, any other one.
std::size_t Utf16PrefixLength(const char* text, std::size_t maxUnits);

// The UTF-16 code units the whole of text makes.
std::size_t Utf16Length(const char* text);

}  // namespace zorvane
