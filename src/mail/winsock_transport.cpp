#include "mail/winsock_transport.h"

#include "mail/port_choice.h"

namespace zorvane {

namespace {
// One recv takes at most this much, and the machine is fed no more at once.
constexpr int kChunkSize = 256;
// How much of a closing server's last words is read before the socket closes.
constexpr int kMaxDrainReads = 64;
// The POP3 port over TLS from the first byte on.
constexpr std::int32_t kPop3sPort = 995;
constexpr UINT kSilenceCheckMs = 1000;
}  // namespace

void WinsockTransport::Attach(HWND window, const AccountMessages (&messages)[kAccountCount], UINT_PTR silenceTimer) {
  window_ = window;
  silenceTimer_ = silenceTimer;
  for (int i = 0; i < kAccountCount; ++i) connections_[i].messages = messages[i];
}

std::optional<CheckResult> WinsockTransport::StartSession(int n, const PopAccount& account) {
  Connection& connection = connections_[n - 1];
  Release(connection);
  connection.session.Start(account.Serv, account.UserId, account.PassWord);
  connection.portNo = account.PortNo;
  connection.tls = account.PortNo == kPop3sPort;
  connection.lookup = WSAAsyncGetHostByName(window_, connection.messages.lookupDone, connection.session.host(),
                                            connection.hostEntry, sizeof connection.hostEntry);
  if (connection.lookup == nullptr) return Fail(connection, CheckStatus::LookupNotStarted);
  if (connection.tls) engine_.Prepare();  // while the lookup runs
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
  connection.silence.Restart(GetTickCount64());
  SetTimer(window_, silenceTimer_, kSilenceCheckMs, nullptr);
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
      if (connection.tls) {
        tls_.Start(connection.session.host());
        SendTls(connection);
        if (tls_.state() == TlsChannel::State::Failed) {
          return CarryOut(connection, connection.session.OnSecureChannelFailed());
        }
      }
      return std::nullopt;
    case FD_READ: return Receive(connection, false);
    case FD_CLOSE: return Receive(connection, true);
    default: return std::nullopt;
  }
}

std::optional<CheckResult> WinsockTransport::OnSilenceTick(int n) {
  Connection& connection = connections_[n - 1];
  if (!connection.session.active() || !connection.silence.Expired(GetTickCount64())) return std::nullopt;
  return Fail(connection, CheckStatus::Disconnected);
}

std::optional<CheckResult> WinsockTransport::Receive(Connection& connection, bool untilClosed) {
  // On FD_READ one recv is enough: WinSock posts another FD_READ while data
  // waits. On FD_CLOSE what the server sent before it closed is read to the end.
  for (;;) {
    char chunk[kChunkSize];
    const int received = recv(connection.socket, chunk, sizeof chunk, 0);
    if (received > 0) {
      connection.silence.Restart(GetTickCount64());
      const std::optional<CheckResult> ended = Take(connection, chunk, static_cast<std::size_t>(received));
      if (ended || !untilClosed) return ended;
      continue;
    }
    if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK && !untilClosed) return std::nullopt;
    // A server that hangs up in the handshake never let the session begin.
    const bool handshaking = connection.tls && tls_.state() == TlsChannel::State::Handshaking;
    return CarryOut(connection, handshaking ? connection.session.OnSecureChannelFailed()
                                            : connection.session.OnConnectionLost());
  }
}

std::optional<CheckResult> WinsockTransport::Take(Connection& connection, const char* chunk, std::size_t length) {
  if (!connection.tls) {
    connection.session.Feed(chunk, length);
    return CarryOut(connection, connection.session.Poll());
  }
  tls_.Receive(chunk, length);
  SendTls(connection);
  if (tls_.state() == TlsChannel::State::Handshaking) return std::nullopt;
  char plain[kChunkSize];
  for (std::size_t got; (got = tls_.ReadPlain(plain, sizeof plain)) > 0;) {
    connection.session.Feed(plain, got);
    if (std::optional<CheckResult> ended = CarryOut(connection, connection.session.Poll())) return ended;
  }
  switch (tls_.state()) {
    case TlsChannel::State::Open: return std::nullopt;
    case TlsChannel::State::Closed: return CarryOut(connection, connection.session.OnConnectionLost());
    default: break;
  }
  // No TLS server, a failed handshake or a certificate that does not name the
  // account's server; or a record that cannot be read later on.
  return CarryOut(connection, connection.session.OnSecureChannelFailed());
}

std::optional<CheckResult> WinsockTransport::CarryOut(Connection& connection, SessionAction action) {
  for (; action.kind != SessionAction::Kind::None; action = connection.session.Poll()) {
    if (action.kind == SessionAction::Kind::Finish) {
      // Closed before the check hands on: the display may run from there.
      Release(connection);
      return connection.session.result();
    }
    if (connection.tls) {
      tls_.Send(action.bytes, action.length);
      SendTls(connection);
    } else {
      send(connection.socket, action.bytes, static_cast<int>(action.length), 0);
    }
    connection.silence.Restart(GetTickCount64());
  }
  return std::nullopt;
}

void WinsockTransport::SendTls(Connection& connection) {
  if (tls_.sendingLength() == 0) return;
  send(connection.socket, tls_.sending(), static_cast<int>(tls_.sendingLength()), 0);
  tls_.Sent();
}

std::optional<CheckResult> WinsockTransport::Fail(Connection& connection, CheckStatus status) {
  return CarryOut(connection, connection.session.Fail(status));
}

void WinsockTransport::Release(Connection& connection) {
  connection.silence.Stop();
  KillTimer(window_, silenceTimer_);
  if (connection.tls) tls_.Stop();
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
