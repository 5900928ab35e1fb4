#include "common/text.h"

#include <cstring>

namespace zorvane {

namespace {
bool IsContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }
// The UTF-16 units of the character a byte begins: four-byte sequences (lead
// bytes 0xF0 to 0xF4) become surrogate pairs.
std::size_t Utf16UnitsFrom(unsigned char byte) {
  if (IsContinuationByte(byte)) return 0;
  return byte >= 0xF0 ? 2 : 1;
}
}  // namespace

std::size_t Utf8PrefixLength(const char* text, std::size_t length, std::size_t maxBytes) {
  if (length <= maxBytes) return length;
  std::size_t cut = maxBytes;
  // Step back over continuation bytes to the lead byte of the character that
  // the cut would split; the cut then goes before that lead byte.
  while (cut > 0 && IsContinuationByte(static_cast<unsigned char>(text[cut]))) --cut;
  return cut;
}

std::size_t CopyTextCut(char* dst, std::size_t dstSize, const char* src, std::size_t srcLength) {
  if (dstSize == 0) return 0;
  const void* zero = std::memchr(src, '\0', srcLength);
  if (zero != nullptr) srcLength = static_cast<std::size_t>(static_cast<const char*>(zero) - src);
  std::size_t copied = Utf8PrefixLength(src, srcLength, dstSize - 1);
  std::memmove(dst, src, copied);
  dst[copied] = '\0';
  return copied;
}

std::size_t CopyTextCut(char* dst, std::size_t dstSize, const char* src) {
  return CopyTextCut(dst, dstSize, src, std::strlen(src));
}

std::size_t Utf16PrefixLength(const char* text, std::size_t maxUnits) {
  std::size_t units = 0;
  std::size_t length = 0;
  for (; text[length] != '\0'; ++length) {
    units += Utf16UnitsFrom(static_cast<unsigned char>(text[length]));
    if (units > maxUnits) break;
  }
  return length;
}

std::size_t Utf16Length(const char* text) {
  std::size_t units = 0;
  for (; *text != '\0'; ++text) units += Utf16UnitsFrom(static_cast<unsigned char>(*text));
  return units;
}

}  // namespace zorvane
