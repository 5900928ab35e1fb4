#pragma once
// Fixed buffers filled at their end and emptied from their front.
#include <cstddef>
#include <cstring>

namespace zorvane {

// Drops the first count bytes of buffer[0, length), all of them when count is
// more, and moves what is left to the front; returns its length.
template <typename Byte>
std::size_t DropFront(Byte* buffer, std::size_t length, std::size_t count) {
  if (count > length) count = length;
  std::memmove(buffer, buffer + count, length - count);
  return length - count;
}

}  // namespace zorvane
