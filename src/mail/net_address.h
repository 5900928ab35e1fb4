#pragma once
// One address of a server as the resolver gave it, in a form the portable
// core can keep, compare and hand back to the transport.
#include <cstdint>

namespace zorvane {

struct NetAddress {
  enum class Family : std::uint8_t { V4, V6 };
  Family family;
  std::uint8_t bytes[16];  // network order; V4 uses the first 4
  std::uint32_t scopeId;   // V6: the interface of a link-local address
};

}  // namespace zorvane
