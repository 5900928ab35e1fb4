#include "mail/winsock_transport.h"

#include "mail/port_choice.h"
#include "shell/message_routes.h"

namespace zorvane {

namespace {
constexpr int kMaxDrainReads = 64;
}  // namespace

void WinsockTransport::BeginLookup(HWND window, int n) {
  Release(n);
  Connection& connection = connections_[n - 1];
  connection.port = 0;
  Pop3Session& session = cycle_.session(n);
  connection.lookup = WSAAsyncGetHostByName(window, LookupMessageFor(n), session.host(), connection.hostEntry,
                                            sizeof connection.hostEntry);
  if (connection.lookup == nullptr) Fail(n, StatusLookupNotStarted);
}

void WinsockTransport::OnLookupDone(HWND window, int n, WPARAM wParam, LPARAM lParam) {
  Connection& connection = connections_[n - 1];
  // Only the completion of the request still outstanding counts; one that
  // was cancelled or belongs to an earlier check is ignored.
  if (connection.lookup == nullptr || reinterpret_cast<HANDLE>(wParam) != connection.lookup) return;
  connection.lookup = nullptr;
  if (!cycle_.session(n).active()) return;
  const hostent* host = reinterpret_cast<const hostent*>(connection.hostEntry);
  if (WSAGETASYNCERROR(lParam) != 0 || host->h_addrtype != AF_INET || host->h_length != 4 ||
      host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) {
    Fail(n, StatusHostNotFound);
    return;
  }
  Connect(window, n);
}

void WinsockTransport::Connect(HWND window, int n) {
  Connection& connection = connections_[n - 1];
  connection.socket = socket(AF_INET, SOCK_STREAM, 0);
  if (connection.socket == INVALID_SOCKET) {
    Fail(n, StatusSocketError);
    return;
  }
  if (WSAAsyncSelect(connection.socket, window, SocketMessageFor(n), FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) !=
      0) {
    Fail(n, StatusSocketError);
    return;
  }
  const servent* service = getservbyname("pop3", "tcp");
  const unsigned short servicePort = service != nullptr ? ntohs(service->s_port) : 0;
  connection.port = ChooseConnectPort(settings_.account(n).PortNo, servicePort);

  const hostent* host = reinterpret_cast<const hostent*>(connection.hostEntry);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(connection.port);
  CopyMemory(&address.sin_addr, host->h_addr_list[0], 4);
  if (connect(connection.socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    Fail(n, StatusSocketError);
    return;
  }
  cycle_.session(n).OnConnecting();
}

void WinsockTransport::OnSocketEvent(int n, WPARAM wParam, LPARAM lParam) {
  Connection& connection = connections_[n - 1];
  // A notification queued for a socket that has since been closed is stale.
  if (connection.socket == INVALID_SOCKET || static_cast<SOCKET>(wParam) != connection.socket) return;
  if (!cycle_.session(n).active()) return;
  switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
      if (WSAGETSELECTERROR(lParam) != 0) Fail(n, StatusSocketError);  // refused or timed out
      break;
    case FD_READ:
      ReadOnce(n);
      break;
    case FD_CLOSE:
      ReadUntilClosed(n);
      break;
    default:
      break;
  }
}

bool WinsockTransport::ReadOnce(int n) {
  Connection& connection = connections_[n - 1];
  char chunk[Pop3Session::kChunkSize];
  const int received = recv(connection.socket, chunk, sizeof chunk, 0);
  if (received > 0) {
    Pop3Session& session = cycle_.session(n);
    session.Feed(chunk, static_cast<std::size_t>(received));
    return CarryOut(n, session.Poll());
  }
  if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return true;  // nothing there after all
  if (received == 0) return CarryOut(n, cycle_.session(n).OnPeerClosed());
  Fail(n, StatusDisconnected);
  return false;
}

void WinsockTransport::ReadUntilClosed(int n) {
  // What the server sent before it closed is read first; the connection
  // has ended, so this stops at the end of the stream.
  for (;;) {
    Connection& connection = connections_[n - 1];
    char chunk[Pop3Session::kChunkSize];
    const int received = recv(connection.socket, chunk, sizeof chunk, 0);
    if (received <= 0) break;
    Pop3Session& session = cycle_.session(n);
    session.Feed(chunk, static_cast<std::size_t>(received));
    if (!CarryOut(n, session.Poll())) return;
  }
  CarryOut(n, cycle_.session(n).OnPeerClosed());
}

bool WinsockTransport::CarryOut(int n, SessionAction action) {
  Pop3Session& session = cycle_.session(n);
  for (; action.kind != SessionAction::None; action = session.Poll()) {
    if (action.kind == SessionAction::Finish) {
      Release(n);
      // The display may run from here (modal); afterwards this account may
      // already belong to a new check, so nothing of it is touched again.
      cycle_.AdvanceCheck(n);
      return false;
    }
    send(connections_[n - 1].socket, action.bytes, static_cast<int>(action.length), 0);
  }
  return true;
}

void WinsockTransport::Fail(int n, std::int32_t status) { CarryOut(n, cycle_.session(n).Fail(status)); }

void WinsockTransport::Release(int n) {
  Connection& connection = connections_[n - 1];
  if (connection.lookup != nullptr) {
    WSACancelAsyncRequest(connection.lookup);
    connection.lookup = nullptr;
  }
  if (connection.socket != INVALID_SOCKET) {
    shutdown(connection.socket, 1);
    // Take what is already waiting (the reply to QUIT, usually), no more; a
    // server that keeps sending cannot hold the program here.
    char discard[256];
    for (int read = 0; read < kMaxDrainReads; ++read) {
      if (recv(connection.socket, discard, sizeof discard - 1, 0) <= 0) break;
    }
    shutdown(connection.socket, 2);
    closesocket(connection.socket);
    connection.socket = INVALID_SOCKET;
  }
}

void WinsockTransport::CloseAll() {
  for (int n = 1; n <= kAccountCount; ++n) Release(n);
}

}  // namespace zorvane
