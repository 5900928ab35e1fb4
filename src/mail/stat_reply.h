#pragma once
#include <cstdint>

namespace zorvane {

struct StatNumbers {
  std::int32_t count;
  std::int64_t size;  // a mailbox that keeps its mail passes 2 GB
};

// Reads "<indicator> <count> <size>" from a positive STAT reply. A number
// that is missing reads as 0 (and so does every number after it); a number
// beyond its type saturates; a sign is kept.
StatNumbers ParseStatReply(const char* line);

}  // namespace zorvane
