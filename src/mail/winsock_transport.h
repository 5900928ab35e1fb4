#pragma once
// Carries the accounts' connections over WinSock 2 in its window-message
// mode: names looked up asynchronously, a socket of its own family for each
// address tried, TLS through SChannel. A check runs one account at a time, so
// one connection serves them all; a notification for an account other than
// the current one is stale. Every rule is the connection machine's: this
// only turns the window messages and the timer's ticks into its events and
// its actions into socket calls.
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

  std::optional<SessionReport> StartSession(int n, const PopAccount& account) override;
  void CloseAllSessions() override;
  // Each returns the account's report when its session has just ended.
  std::optional<SessionReport> OnLookupDone(int n, WPARAM wParam, LPARAM lParam);
  std::optional<SessionReport> OnSocketEvent(int n, WPARAM wParam, LPARAM lParam);
  std::optional<SessionReport> OnTimerTick();
  // The account whose session runs, or ran last; 0 before the first.
  int account() const { return current_; }

 private:
  std::optional<SessionReport> CarryOut();
  std::optional<SessionReport> Receive(bool untilClosed);
  bool Connect(const ConnectionAction& action);
  void CloseSocket();

  HWND window_ = nullptr;
  UINT_PTR timer_ = 0;
  SchannelEngine engine_;
  TlsChannel tls_{engine_};
  Pop3Connection connection_{tls_};
  int current_ = 0;  // the account whose session runs, or ran last
  SOCKET socket_ = INVALID_SOCKET;
  // Per account: a lookup may still complete after its account's turn.
  HostLookup lookups_[kAccountCount];
  UINT socketEvents_[kAccountCount] = {};
};

}  // namespace zorvane
