#include "mail/winsock_transport.h"

#include <ws2tcpip.h>

#include <cstring>

namespace zorvane {

namespace {
// How much of a closing server's last words is read before the socket closes.
constexpr int kMaxDrainReads = 64;
constexpr UINT kTickMs = 1000;
}  // namespace

void WinsockTransport::Attach(HWND window, const AccountMessages (&messages)[kAccountCount], UINT_PTR timer) {
  window_ = window;
  timer_ = timer;
  for (int i = 0; i < kAccountCount; ++i) {
    accounts_[i].lookup.Attach(window, messages[i].lookupDone);
    accounts_[i].socketEvent = messages[i].socketEvent;
  }
}

std::optional<CheckResult> WinsockTransport::StartSession(int n, const PopAccount& popAccount) {
  Account& account = accounts_[n - 1];
  CloseSocket(account);
  const servent* service = getservbyname("pop3", "tcp");
  account.connection.Start(popAccount, service != nullptr ? ntohs(service->s_port) : 0);
  if (!account.lookup.Start(account.connection.host())) {
    account.connection.OnLookupNotStarted();
  } else if (account.connection.secure()) {
    engine_.Prepare();  // while the lookup runs
  }
  return CarryOut(account);
}

std::optional<CheckResult> WinsockTransport::OnLookupDone(int n, WPARAM wParam, LPARAM lParam) {
  Account& account = accounts_[n - 1];
  NetAddress addresses[Pop3Connection::kMaxAddresses];
  std::size_t count = 0;
  if (!account.lookup.Take(wParam, lParam, addresses, Pop3Connection::kMaxAddresses, &count)) return std::nullopt;
  account.connection.OnResolved(addresses, count, GetTickCount64());
  return CarryOut(account);
}

std::optional<CheckResult> WinsockTransport::OnSocketEvent(int n, WPARAM wParam, LPARAM lParam) {
  Account& account = accounts_[n - 1];
  // A notification queued for a socket that has since been closed is stale.
  if (account.socket == INVALID_SOCKET || static_cast<SOCKET>(wParam) != account.socket) return std::nullopt;
  switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
      if (WSAGETSELECTERROR(lParam) != 0) {
        account.connection.OnConnectFailed(GetTickCount64());
      } else {
        account.connection.OnConnected(GetTickCount64());
      }
      return CarryOut(account);
    case FD_READ: return Receive(account, false);
    case FD_CLOSE: return Receive(account, true);
    default: return std::nullopt;
  }
}

std::optional<CheckResult> WinsockTransport::OnTimerTick(int n) {
  Account& account = accounts_[n - 1];
  if (!account.connection.timed()) return std::nullopt;
  account.connection.OnTick(GetTickCount64());
  return CarryOut(account);
}

std::optional<CheckResult> WinsockTransport::Receive(Account& account, bool untilClosed) {
  // On FD_READ one recv is enough: WinSock posts another FD_READ while data
  // waits. On FD_CLOSE what the server sent before it closed is read to the end.
  for (;;) {
    char chunk[Pop3Connection::kMaxReceive];
    const int received = recv(account.socket, chunk, sizeof chunk, 0);
    if (received > 0) {
      account.connection.OnReceived(chunk, static_cast<std::size_t>(received), GetTickCount64());
      const std::optional<CheckResult> ended = CarryOut(account);
      if (ended || !untilClosed || account.socket == INVALID_SOCKET) return ended;
      continue;
    }
    if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK && !untilClosed) return std::nullopt;
    account.connection.OnPeerClosed();
    return CarryOut(account);
  }
}

std::optional<CheckResult> WinsockTransport::CarryOut(Account& account) {
  for (;;) {
    const ConnectionAction action = account.connection.Next();
    switch (action.kind) {
      case ConnectionAction::Kind::None: return std::nullopt;
      case ConnectionAction::Kind::Connect:
        if (!Connect(account, action)) account.connection.OnConnectFailed(GetTickCount64());
        break;
      case ConnectionAction::Kind::Send: send(account.socket, action.bytes, static_cast<int>(action.length), 0); break;
      case ConnectionAction::Kind::Finish:
      case ConnectionAction::Kind::Close:
        // Closed before the check hands on: the display may run from there.
        account.lookup.Cancel();
        CloseSocket(account);
        KillTimer(window_, timer_);
        if (action.kind == ConnectionAction::Kind::Finish) return action.result;
        return std::nullopt;
    }
  }
}

bool WinsockTransport::Connect(Account& account, const ConnectionAction& action) {
  CloseSocket(account);
  SetTimer(window_, timer_, kTickMs, nullptr);
  sockaddr_storage address = {};
  int length = 0;
  if (action.address.family == NetAddress::Family::V4) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(action.port);
    std::memcpy(&v4->sin_addr, action.address.bytes, 4);
    length = sizeof *v4;
  } else {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(action.port);
    std::memcpy(&v6->sin6_addr, action.address.bytes, 16);
    v6->sin6_scope_id = action.address.scopeId;
    length = sizeof *v6;
  }
  account.socket = socket(address.ss_family, SOCK_STREAM, IPPROTO_TCP);
  return account.socket != INVALID_SOCKET &&
         WSAAsyncSelect(account.socket, window_, account.socketEvent, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) ==
             0 &&
         (connect(account.socket, reinterpret_cast<const sockaddr*>(&address), length) == 0 ||
          WSAGetLastError() == WSAEWOULDBLOCK);
}

void WinsockTransport::CloseSocket(Account& account) {
  if (account.socket == INVALID_SOCKET) return;
  shutdown(account.socket, SD_SEND);
  // Take what is already waiting (the reply to QUIT, usually), no more; a
  // server that keeps sending cannot hold the program here.
  char discard[Pop3Connection::kMaxReceive];
  for (int read = 0; read < kMaxDrainReads; ++read) {
    if (recv(account.socket, discard, sizeof discard, 0) <= 0) break;
  }
  shutdown(account.socket, SD_BOTH);
  closesocket(account.socket);
  account.socket = INVALID_SOCKET;
}

void WinsockTransport::CloseAllSessions() {
  for (Account& account : accounts_) {
    account.connection.Abandon();
    CarryOut(account);  // an open TLS session's close_notify, then the socket closes
  }
}

}  // namespace zorvane
