#include "driver_support.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace zdriver {

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string FormatHandle(HWND window) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
  return buffer;
}

std::string EscapeField(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\t': escaped += "\\t"; break;
      case '\r': escaped += "\\r"; break;
      case '\n': escaped += "\\n"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::int64_t ParseInteger(const std::string& text, const char* what) {
  if (text.empty()) throw UsageError(std::string("expected ") + what + ", got an empty argument");
  errno = 0;
  char* end = nullptr;
  // Base 0: decimal, or 0x... for the hexadecimal numbers Windows headers use.
  long long value = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0') throw UsageError(std::string("expected ") + what + ", got '" + text + "'");
  return value;
}

DWORD ParseTimeout(const std::string& text) {
  std::int64_t value = ParseInteger(text, "a timeout in milliseconds");
  if (value < 0 || value > 0x7fffffff) throw UsageError("timeout out of range: " + text);
  return static_cast<DWORD>(value);
}

UINT ParseVirtualKey(const std::string& text) {
  std::int64_t value = ParseInteger(text, "a virtual-key code");
  if (value < 1 || value > 254) throw UsageError("virtual-key code out of range: " + text);
  return static_cast<UINT>(value);
}

}  // namespace zdriver
