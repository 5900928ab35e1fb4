#pragma once
// Carries the four accounts' connections over WinSock 2 in its window-message
// mode: names looked up asynchronously, a socket of its own family for each
// address tried, TLS through SChannel. Every rule is the connection
// machine's; this only turns the account's window messages and the timer's
// ticks into its events and its actions into socket calls.
#include <winsock2.h>

#include <optional>

#include "mail/account_messages.h"
#include "mail/pop3_connection.h"
#include "mail/schannel_engine.h"
#include "mail/session_runner.h"
#include "mail/tls_channel.h"
#include "mail/win32_host_lookup.h"

namespace zorvane {

class WinsockTransport final : public SessionRunner {
 public:
  // The window that receives every account's notifications, as messages[n - 1],
  // and the ticks of the timer that runs while a connection waits.
  void Attach(HWND window, const AccountMessages (&messages)[kAccountCount], UINT_PTR timer);

  std::optional<CheckResult> StartSession(int n, const PopAccount& account) override;
  void CloseAllSessions() override;
  // Each returns the account's result when its session has just ended.
  std::optional<CheckResult> OnLookupDone(int n, WPARAM wParam, LPARAM lParam);
  std::optional<CheckResult> OnSocketEvent(int n, WPARAM wParam, LPARAM lParam);
  std::optional<CheckResult> OnTimerTick(int n);

 private:
  struct Account {
    Account(TlsChannel& tls) : connection(tls) {}  // NOLINT: the array below is built from {tls_}
    Pop3Connection connection;
    HostLookup lookup;
    SOCKET socket = INVALID_SOCKET;
    UINT socketEvent = 0;
  };

  std::optional<CheckResult> CarryOut(Account& account);
  std::optional<CheckResult> Receive(Account& account, bool untilClosed);
  bool Connect(Account& account, const ConnectionAction& action);
  void CloseSocket(Account& account);

  HWND window_ = nullptr;
  UINT_PTR timer_ = 0;
  // One check runs one session at a time, so one TLS channel serves them all.
  SchannelEngine engine_;
  TlsChannel tls_{engine_};
  Account accounts_[kAccountCount] = {{tls_}, {tls_}, {tls_}, {tls_}};
};

}  // namespace zorvane
