#pragma once
// The main window's private messages and timers.
#include "mail/account_messages.h"
#include "settings/settings.h"

namespace zorvane {

constexpr unsigned kTrayMessage = 1029;  // WM_USER + 5

constexpr unsigned kAutoCheckTimer = 3277;
constexpr unsigned kWatchdogTimer = 3278;
constexpr unsigned kWatchdogPeriodMs = 720000;
// While a connection is attempted or waits on its server; its ticks are the
// transport's alone.
constexpr unsigned kConnectionTimer = 3279;

// What WinSock posts for accounts 1 to 4.
constexpr AccountMessages kAccountMessages[kAccountCount] = {{1026, 1027}, {1031, 1032}, {1033, 1034}, {1035, 1036}};

struct MessageRoute {
  enum class Kind { Other, Tray, LookupDone, SocketEvent };
  Kind kind;
  int account;  // 1 to 4 for LookupDone and SocketEvent
};

MessageRoute RouteMainMessage(unsigned message);

}  // namespace zorvane
