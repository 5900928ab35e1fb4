#pragma once
// Carries the four POP3 sessions over WinSock in its window-message mode. It
// owns the sessions and feeds them; the window procedure hands it the
// account's notifications and passes a session's end on to the check cycle.
#include <winsock.h>

#include <optional>

#include "mail/account_messages.h"
#include "mail/pop3_session.h"
#include "mail/session_runner.h"

namespace zorvane {

class WinsockTransport final : public SessionRunner {
 public:
  // The window that receives every account's notifications, as messages[n - 1].
  void Attach(HWND window, const AccountMessages (&messages)[kAccountCount]);

  std::optional<CheckResult> StartSession(int n, const PopAccount& account) override;
  void CloseAllSessions() override;
  // Each returns the account's result when its session has just ended.
  std::optional<CheckResult> OnLookupDone(int n, WPARAM wParam, LPARAM lParam);
  std::optional<CheckResult> OnSocketEvent(int n, WPARAM wParam, LPARAM lParam);

 private:
  struct Connection {
    Pop3Session session;
    std::int32_t portNo = 0;
    HANDLE lookup = nullptr;
    SOCKET socket = INVALID_SOCKET;
    AccountMessages messages = {};
    // WinSock writes a hostent, pointers and all, at the start of this buffer.
    alignas(hostent) char hostEntry[MAXGETHOSTSTRUCT] = {};
  };

  std::optional<CheckResult> Connect(Connection& connection);
  std::optional<CheckResult> Receive(Connection& connection, bool untilClosed);
  std::optional<CheckResult> CarryOut(Connection& connection, SessionAction action);
  std::optional<CheckResult> Fail(Connection& connection, CheckStatus status);
  static void Release(Connection& connection);

  HWND window_ = nullptr;
  Connection connections_[kAccountCount];
};

}  // namespace zorvane
