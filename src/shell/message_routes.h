#pragma once
// The main window's private messages, commands and timers.

namespace zorvane {

constexpr unsigned kTrayMessage = 1029;  // WM_USER + 5

constexpr unsigned kCommandCheckMail = 40001;
constexpr unsigned kCommandServerSettings = 40002;
constexpr unsigned kCommandExit = 40003;
constexpr unsigned kCommandAbort = 40005;
constexpr unsigned kCommandGeneralSettings = 40006;
constexpr unsigned kCommandVersion = 40007;
constexpr unsigned kCommandHelp = 40008;

constexpr unsigned kBallTimer = 3276;
constexpr unsigned kAutoCheckTimer = 3277;
constexpr unsigned kWatchdogTimer = 3278;
constexpr unsigned kWatchdogPeriodMs = 720000;

// Account n's lookup-done and socket-event messages.
unsigned LookupMessageFor(int n);
unsigned SocketMessageFor(int n);

struct MessageRoute {
  enum Kind { Other, Tray, LookupDone, SocketEvent };
  Kind kind;
  int account;  // 1 to 4 for LookupDone and SocketEvent
};

MessageRoute RouteMainMessage(unsigned message);

constexpr int kMinCheckMinutes = 5;
constexpr int kMaxCheckMinutes = 99;

// The auto-check timer's period for ChkTime minutes, kept within 5 to 99.
unsigned AutoCheckPeriodMs(int chkTimeMinutes);

}  // namespace zorvane
