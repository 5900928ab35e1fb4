// Shared pieces of zdriver: how commands fail, how values are printed and parsed.
#ifndef ZORVANE_E2E_DRIVER_SUPPORT_H
#define ZORVANE_E2E_DRIVER_SUPPORT_H

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zdriver {

// The command ran but what it waited for or acted on was not there (exit code 1).
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The command line itself is wrong (exit code 2).
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Writes bytes to stdout unchanged (stdout is switched to binary mode at start).
void Print(const std::string& text);

// "0x1a2b": the form every command prints a window handle in.
std::string FormatHandle(HWND window);

// Keeps one item per line: backslash, tab, CR and LF become \\ \t \r \n.
std::string EscapeField(const std::string& text);

// Whole-string parses; anything else is a usage error naming what was expected.
std::int64_t ParseInteger(const std::string& text, const char* what);
DWORD ParseTimeout(const std::string& text);
UINT ParseVirtualKey(const std::string& text);

}  // namespace zdriver

#endif
