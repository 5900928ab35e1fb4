#pragma once
// What the settings dialogs share: reading a number field and the beep that
// goes before a message box.
#include <cstdint>

namespace zorvane {

enum class Beep { None, Default, Information, Error };

// A number field as typed: decimal digits only. Empty text, any other
// character or a number beyond 32 bits reads as 0.
std::uint32_t ReadUnsigned(const char* text);

}  // namespace zorvane
