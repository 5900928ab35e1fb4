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
    lookups_[i].Attach(window, messages[i].lookupDone);
    socketEvents_[i] = messages[i].socketEvent;
  }
}

std::optional<SessionReport> WinsockTransport::StartSession(int n, const PopAccount& account) {
  CloseAllSessions();
  current_ = n;
  const servent* service = getservbyname("pop3", "tcp");
  connection_.Start(account, service != nullptr ? ntohs(service->s_port) : 0);
  if (!lookups_[n - 1].Start(connection_.host())) {
    connection_.OnLookupNotStarted();
  } else if (connection_.expectsTls()) {
    engine_.Prepare();  // while the lookup runs
  }
  return CarryOut();
}

std::optional<SessionReport> WinsockTransport::OnLookupDone(int n, WPARAM wParam, LPARAM lParam) {
  NetAddress addresses[Pop3Connection::kMaxAddresses];
  std::size_t count = 0;
  if (!lookups_[n - 1].Take(wParam, lParam, addresses, Pop3Connection::kMaxAddresses, &count)) return std::nullopt;
  connection_.OnResolved(addresses, count, GetTickCount64());
  return CarryOut();
}

std::optional<SessionReport> WinsockTransport::OnSocketEvent(int n, WPARAM wParam, LPARAM lParam) {
  // A notification queued for a socket that has since been closed is stale.
  if (n != current_ || socket_ == INVALID_SOCKET || static_cast<SOCKET>(wParam) != socket_) return std::nullopt;
  switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
      if (WSAGETSELECTERROR(lParam) != 0) {
        connection_.OnConnectFailed(GetTickCount64());
      } else {
        connection_.OnConnected(GetTickCount64());
      }
      return CarryOut();
    case FD_WRITE: connection_.OnWritable(); return CarryOut();
    case FD_READ: return Receive(false);
    case FD_CLOSE: return Receive(true);
    default: return std::nullopt;
  }
}

std::optional<SessionReport> WinsockTransport::OnTimerTick() {
  if (!connection_.timed()) return std::nullopt;
  connection_.OnTick(GetTickCount64());
  return CarryOut();
}

std::optional<SessionReport> WinsockTransport::Receive(bool untilClosed) {
  // On FD_READ one recv is enough: WinSock posts another FD_READ while data
  // waits. On FD_CLOSE what the server sent before it closed is read to the end.
  for (;;) {
    char chunk[Pop3Connection::kMaxReceive];
    const int received = recv(socket_, chunk, sizeof chunk, 0);
    if (received > 0) {
      // The connection takes a whole read once it has answered the one before.
      connection_.OnReceived(chunk, static_cast<std::size_t>(received), GetTickCount64());
      const std::optional<SessionReport> ended = CarryOut();
      if (ended || !untilClosed || socket_ == INVALID_SOCKET) return ended;
      continue;
    }
    if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK && !untilClosed) return std::nullopt;
    connection_.OnPeerClosed();
    return CarryOut();
  }
}

std::optional<SessionReport> WinsockTransport::CarryOut() {
  for (;;) {
    const ConnectionAction action = connection_.Next();
    switch (action.kind) {
      case ConnectionAction::Kind::None: return std::nullopt;
      case ConnectionAction::Kind::Connect:
        if (!Connect(action)) connection_.OnConnectFailed(GetTickCount64());
        break;
      case ConnectionAction::Kind::Send: {
        const int sent = send(socket_, action.bytes, static_cast<int>(action.length), 0);
        if (sent >= 0) {
          connection_.OnSent(static_cast<std::size_t>(sent));  // the rest waits for FD_WRITE
        } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
          connection_.OnSent(0);
        } else {
          connection_.OnPeerClosed();
        }
        break;
      }
      case ConnectionAction::Kind::Finish:
      case ConnectionAction::Kind::Close:
        // Closed before the check hands on: the display may run from there.
        CloseSocket();
        KillTimer(window_, timer_);
        if (action.kind == ConnectionAction::Kind::Finish) return action.report;
        return std::nullopt;
    }
  }
}

bool WinsockTransport::Connect(const ConnectionAction& action) {
  CloseSocket();
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
  socket_ = socket(address.ss_family, SOCK_STREAM, IPPROTO_TCP);
  const long events = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;
  return socket_ != INVALID_SOCKET && WSAAsyncSelect(socket_, window_, socketEvents_[current_ - 1], events) == 0 &&
         (connect(socket_, reinterpret_cast<const sockaddr*>(&address), length) == 0 ||
          WSAGetLastError() == WSAEWOULDBLOCK);
}

void WinsockTransport::CloseSocket() {
  if (socket_ == INVALID_SOCKET) return;
  shutdown(socket_, SD_SEND);
  // Take what is already waiting (the reply to QUIT, usually), no more; a
  // server that keeps sending cannot hold the program here.
  char discard[Pop3Connection::kMaxReceive];
  for (int read = 0; read < kMaxDrainReads; ++read) {
    if (recv(socket_, discard, sizeof discard, 0) <= 0) break;
  }
  shutdown(socket_, SD_BOTH);
  closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

void WinsockTransport::CloseAllSessions() {
  if (current_ == 0) return;
  connection_.Abandon();
  CarryOut();  // an open TLS session's close_notify, then the socket closes
  for (HostLookup& lookup : lookups_) lookup.Cancel();
}

}  // namespace zorvane
