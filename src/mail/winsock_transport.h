#pragma once
// Carries the four POP3 sessions over WinSock in its window-message mode.
#include <winsock.h>

#include "mail/check_cycle.h"
#include "settings/settings.h"

namespace zorvane {

class WinsockTransport {
 public:
  WinsockTransport(CheckCycle& cycle, const Settings& settings) : cycle_(cycle), settings_(settings) {}

  // Requests the lookup of account n's server; its completion arrives at
  // window as the account's lookup-done message.
  void BeginLookup(HWND window, int n);
  void OnLookupDone(HWND window, int n, WPARAM wParam, LPARAM lParam);
  void OnSocketEvent(int n, WPARAM wParam, LPARAM lParam);
  // Withdraws every lookup and closes every connection.
  void CloseAll();

 private:
  struct Connection {
    HANDLE lookup = nullptr;
    SOCKET socket = INVALID_SOCKET;
    unsigned short port = 0;
    char hostEntry[MAXGETHOSTSTRUCT] = {};
  };

  void Connect(HWND window, int n);
  bool ReadOnce(int n);
  void ReadUntilClosed(int n);
  // Carries out what the session asks for after its input changed; returns
  // false once the session has ended and the check was handed on.
  bool CarryOut(int n, SessionAction action);
  void Fail(int n, std::int32_t status);
  void Release(int n);

  CheckCycle& cycle_;
  const Settings& settings_;
  Connection connections_[kAccountCount];
};

}  // namespace zorvane
