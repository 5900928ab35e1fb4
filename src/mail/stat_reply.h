#pragma once
#include <cstdint>

namespace zorvane {

struct StatNumbers {
  std::int32_t count;
  std::int32_t size;
};

// Reads "<indicator> <count> <size>" from a positive STAT reply. A number
// that is missing reads as 0 (and so does every number after it); numbers
// beyond 32 bits saturate; a sign is kept.
StatNumbers ParseStatReply(const char* line);

}  // namespace zorvane
