#include "common/text.h"

#include <cstring>

namespace zorvane {

namespace {
bool IsContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }
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

}  // namespace zorvane
