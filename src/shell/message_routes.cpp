#include "shell/message_routes.h"

namespace zorvane {

namespace {
constexpr unsigned kLookupMessages[4] = {1026, 1031, 1033, 1035};
constexpr unsigned kSocketMessages[4] = {1027, 1032, 1034, 1036};
}  // namespace

unsigned LookupMessageFor(int n) { return n >= 1 && n <= 4 ? kLookupMessages[n - 1] : 0; }
unsigned SocketMessageFor(int n) { return n >= 1 && n <= 4 ? kSocketMessages[n - 1] : 0; }

MessageRoute RouteMainMessage(unsigned message) {
  if (message == kTrayMessage) return {MessageRoute::Tray, 0};
  for (int n = 1; n <= 4; ++n) {
    if (message == kLookupMessages[n - 1]) return {MessageRoute::LookupDone, n};
    if (message == kSocketMessages[n - 1]) return {MessageRoute::SocketEvent, n};
  }
  return {MessageRoute::Other, 0};
}

unsigned AutoCheckPeriodMs(int chkTimeMinutes) {
  // A period outside what the settings dialog accepts (say 0 from a hand-edited
  // registry) would make the timer fire continuously.
  if (chkTimeMinutes < kMinCheckMinutes) chkTimeMinutes = kMinCheckMinutes;
  if (chkTimeMinutes > kMaxCheckMinutes) chkTimeMinutes = kMaxCheckMinutes;
  return static_cast<unsigned>(chkTimeMinutes) * 60000u;
}

}  // namespace zorvane
