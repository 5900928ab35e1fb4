#include "settings/password.h"

namespace zorvane {

namespace {
constexpr unsigned char kScrambleKey = 0x4E;
}

void ScramblePassword(char* text) {
  for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p != 0; ++p) {
    // The key byte would become zero and end the text early; bytes of UTF-8
    // multi-byte characters would turn into text the registry cannot keep.
    if (*p == kScrambleKey || *p >= 0x80) continue;
    *p = static_cast<unsigned char>(*p ^ kScrambleKey);
  }
}

}  // namespace zorvane
