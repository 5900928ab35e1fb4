#include "mail/winsock_transport.h"

#include "mail/port_choice.h"

namespace zorvane {

namespace {
// One recv takes at most this much; the machine's line buffer is larger.
constexpr int kChunkSize = 256;
// How much of a closing server's last words is read before the socket closes.
constexpr int kMaxDrainReads = 64;
}  // namespace

void WinsockTransport::Attach(HWND window, const AccountMessages (&messages)[kAccountCount]) {
  window_ = window;
  for (int i = 0; i < kAccountCount; ++i) connections_[i].messages = messages[i];
}

std::optional<CheckResult> WinsockTransport::StartSession(int n, const PopAccount& account) {
  Connection& connection = connections_[n - 1];
  Release(connection);
  connection.session.Start(account.Serv, account.UserId, account.PassWord);
  connection.portNo = account.PortNo;
  connection.lookup = WSAAsyncGetHostByName(window_, connection.messages.lookupDone, connection.session.host(),
                                            connection.hostEntry, sizeof connection.hostEntry);
  if (connection.lookup == nullptr) return Fail(connection, CheckStatus::LookupNotStarted);
  return std::nullopt;
}

std::optional<CheckResult> WinsockTransport::OnLookupDone(int n, WPARAM wParam, LPARAM lParam) {
  Connection& connection = connections_[n - 1];
  // Only the completion of the request still outstanding counts; one that
  // was cancelled or belongs to an earlier check is ignored.
  if (connection.lookup == nullptr || reinterpret_cast<HANDLE>(wParam) != connection.lookup) return std::nullopt;
  connection.lookup = nullptr;
  if (!connection.session.active()) return std::nullopt;
  const auto* host = reinterpret_cast<const hostent*>(connection.hostEntry);
  if (WSAGETASYNCERROR(lParam) != 0 || host->h_addrtype != AF_INET || host->h_length != 4 ||
      host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) {
    return Fail(connection, CheckStatus::HostNotFound);
  }
  return Connect(connection);
}

std::optional<CheckResult> WinsockTransport::Connect(Connection& connection) {
  connection.socket = socket(AF_INET, SOCK_STREAM, 0);
  if (connection.socket == INVALID_SOCKET ||
      WSAAsyncSelect(connection.socket, window_, connection.messages.socketEvent,
                     FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) != 0) {
    return Fail(connection, CheckStatus::SocketError);
  }
  const servent* service = getservbyname("pop3", "tcp");
  const std::uint16_t servicePort = service != nullptr ? ntohs(service->s_port) : 0;

  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(ChooseConnectPort(connection.portNo, servicePort));
  const auto* host = reinterpret_cast<const hostent*>(connection.hostEntry);
  CopyMemory(&address.sin_addr, host->h_addr_list[0], 4);
  if (connect(connection.socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    return Fail(connection, CheckStatus::SocketError);
  }
  connection.session.OnConnecting();
  return std::nullopt;
}

std::optional<CheckResult> WinsockTransport::OnSocketEvent(int n, WPARAM wParam, LPARAM lParam) {
  Connection& connection = connections_[n - 1];
  // A notification queued for a socket that has since been closed is stale.
  if (connection.socket == INVALID_SOCKET || static_cast<SOCKET>(wParam) != connection.socket) return std::nullopt;
  if (!connection.session.active()) return std::nullopt;
  switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
      // Refused or timed out: waiting for the watchdog would hold up the other accounts.
      if (WSAGETSELECTERROR(lParam) != 0) return Fail(connection, CheckStatus::SocketError);
      return std::nullopt;
    case FD_READ: return Receive(connection, false);
    case FD_CLOSE: return Receive(connection, true);
    default: return std::nullopt;
  }
}

std::optional<CheckResult> WinsockTransport::Receive(Connection& connection, bool untilClosed) {
  // On FD_READ one recv is enough: WinSock posts another FD_READ while data
  // waits. On FD_CLOSE what the server sent before it closed is read to the end.
  for (;;) {
    char chunk[kChunkSize];
    const int received = recv(connection.socket, chunk, sizeof chunk, 0);
    if (received > 0) {
      connection.session.Feed(chunk, static_cast<std::size_t>(received));
      const std::optional<CheckResult> ended = CarryOut(connection, connection.session.Poll());
      if (ended || !untilClosed) return ended;
      continue;
    }
    if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK && !untilClosed) return std::nullopt;
    return CarryOut(connection, connection.session.OnConnectionLost());
  }
}

std::optional<CheckResult> WinsockTransport::CarryOut(Connection& connection, SessionAction action) {
  for (; action.kind != SessionAction::Kind::None; action = connection.session.Poll()) {
    if (action.kind == SessionAction::Kind::Finish) {
      // Closed before the check hands on: the display may run a modal loop.
      Release(connection);
      return connection.session.result();
    }
    send(connection.socket, action.bytes, static_cast<int>(action.length), 0);
  }
  return std::nullopt;
}

std::optional<CheckResult> WinsockTransport::Fail(Connection& connection, CheckStatus status) {
  return CarryOut(connection, connection.session.Fail(status));
}

void WinsockTransport::Release(Connection& connection) {
  if (connection.lookup != nullptr) {
    WSACancelAsyncRequest(connection.lookup);
    connection.lookup = nullptr;
  }
  if (connection.socket != INVALID_SOCKET) {
    shutdown(connection.socket, 1);
    // Take what is already waiting (the reply to QUIT, usually), no more; a
    // server that keeps sending cannot hold the program here.
    char discard[kChunkSize];
    for (int read = 0; read < kMaxDrainReads; ++read) {
      if (recv(connection.socket, discard, sizeof discard - 1, 0) <= 0) break;
    }
    shutdown(connection.socket, 2);
    closesocket(connection.socket);
    connection.socket = INVALID_SOCKET;
  }
}

void WinsockTransport::CloseAllSessions() {
  for (Connection& connection : connections_) {
    Release(connection);
    connection.session.Clear();
  }
}

}  // namespace zorvane
