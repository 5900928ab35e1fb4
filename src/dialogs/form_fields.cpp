#include "dialogs/form_fields.h"

namespace zorvane {

std::uint32_t ReadUnsigned(const char* text) {
  std::uint64_t value = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return 0;
    value = value * 10 + static_cast<std::uint64_t>(*p - '0');
    if (value > UINT32_MAX) return 0;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace zorvane
