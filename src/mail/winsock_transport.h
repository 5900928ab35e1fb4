#pragma once
// Carries the four POP3 sessions over WinSock in its window-message mode, in
// TLS for an account on port 995. It owns the sessions and feeds them; the
// window procedure hands it the account's notifications and its timer, and
// passes a session's end on to the check cycle.
#include <winsock.h>

#include <optional>

#include "mail/account_messages.h"
#include "mail/pop3_session.h"
#include "mail/schannel_engine.h"
#include "mail/session_runner.h"
#include "mail/silence_limit.h"
#include "mail/tls_channel.h"

namespace zorvane {

class WinsockTransport final : public SessionRunner {
 public:
  // The window that receives every account's notifications, as messages[n - 1],
  // and the ticks of the timer that watches for silent servers.
  void Attach(HWND window, const AccountMessages (&messages)[kAccountCount], UINT_PTR silenceTimer);

  std::optional<CheckResult> StartSession(int n, const PopAccount& account) override;
  void CloseAllSessions() override;
  // Each returns the account's result when its session has just ended.
  std::optional<CheckResult> OnLookupDone(int n, WPARAM wParam, LPARAM lParam);
  std::optional<CheckResult> OnSocketEvent(int n, WPARAM wParam, LPARAM lParam);
  std::optional<CheckResult> OnSilenceTick(int n);

 private:
  struct Connection {
    Pop3Session session;
    std::int32_t portNo = 0;
    HANDLE lookup = nullptr;
    SOCKET socket = INVALID_SOCKET;
    AccountMessages messages = {};
    bool tls = false;
    SilenceLimit silence;
    // WinSock writes a hostent, pointers and all, at the start of this buffer.
    alignas(hostent) char hostEntry[MAXGETHOSTSTRUCT] = {};
  };

  std::optional<CheckResult> Connect(Connection& connection);
  std::optional<CheckResult> Receive(Connection& connection, bool untilClosed);
  // Takes what a chunk brought: plain bytes, or records that give plaintext.
  std::optional<CheckResult> Take(Connection& connection, const char* chunk, std::size_t length);
  std::optional<CheckResult> CarryOut(Connection& connection, SessionAction action);
  std::optional<CheckResult> Fail(Connection& connection, CheckStatus status);
  void SendTls(Connection& connection);
  void Release(Connection& connection);

  HWND window_ = nullptr;
  UINT_PTR silenceTimer_ = 0;
  Connection connections_[kAccountCount];
  // One check runs one session at a time, so one TLS channel serves them all.
  SchannelEngine engine_;
  TlsChannel tls_{engine_};
};

}  // namespace zorvane
