#include "mail/pop3_connection.h"

#include <cstring>

#include "mail/port_choice.h"

namespace zorvane {

namespace {

bool SameAddress(const NetAddress& a, const NetAddress& b) {
  const std::size_t length = a.family == NetAddress::Family::V4 ? 4 : sizeof a.bytes;
  return a.family == b.family && a.scopeId == b.scopeId && std::memcmp(a.bytes, b.bytes, length) == 0;
}

ConnectionAction Action(ConnectionAction::Kind kind) { return {kind, {}, 0, nullptr, 0, {}}; }

ConnectionAction SendAction(const char* bytes, std::size_t length) {
  ConnectionAction action = Action(ConnectionAction::Kind::Send);
  action.bytes = bytes;
  action.length = length;
  return action;
}

}  // namespace

void Pop3Connection::Start(const PopAccount& account, std::uint16_t servicePort) {
  if (usingTls_) tls_.Stop();
  usingTls_ = tlsHandedOut_ = peerClosed_ = connectDue_ = hasOutcome_ = false;
  addressCount_ = current_ = 0;
  session_.Start(account.Serv, account.UserId, account.PassWord);
  secure_ = account.PortNo == kPop3sPort;
  port_ = ChooseConnectPort(account.PortNo, servicePort);
  phase_ = Phase::Resolving;
}

void Pop3Connection::Abandon() {
  session_.Clear();
  if (phase_ == Phase::Idle) return;
  if (usingTls_ && !peerClosed_) tls_.Close();
  hasOutcome_ = false;
  connectDue_ = false;
  phase_ = Phase::Ending;
}

void Pop3Connection::OnLookupNotStarted() {
  if (phase_ == Phase::Resolving) End(session_.Fail(CheckStatus::LookupNotStarted));
}

void Pop3Connection::OnResolved(const NetAddress* addresses, std::size_t count, std::uint64_t nowMs) {
  if (phase_ != Phase::Resolving) return;
  // An address the resolver gives twice (once per socket type, say) is tried once.
  for (std::size_t i = 0; i < count && addressCount_ < kMaxAddresses; ++i) {
    bool seen = false;
    for (std::size_t j = 0; j < addressCount_ && !seen; ++j) seen = SameAddress(addresses[i], addresses_[j]);
    if (!seen) addresses_[addressCount_++] = addresses[i];
  }
  if (addressCount_ == 0) return End(session_.Fail(CheckStatus::HostNotFound));
  phase_ = Phase::Connecting;
  nowMs_ = attemptSinceMs_ = nowMs;
  connectDue_ = true;
  // The whole attempt, over every address, is bounded like a silent server.
  silence_.Restart(nowMs);
}

void Pop3Connection::TryNextAddress(std::uint64_t nowMs) {
  if (++current_ == addressCount_) return End(session_.Fail(CheckStatus::SocketError));
  attemptSinceMs_ = nowMs;
  connectDue_ = true;
}

void Pop3Connection::OnConnectFailed(std::uint64_t nowMs) {
  // Only the attempt under way can fail; once connected the session never
  // moves to another address: the password goes to one server only.
  if (phase_ == Phase::Connecting && !connectDue_) TryNextAddress(nowMs);
}

void Pop3Connection::OnConnected(std::uint64_t nowMs) {
  if (phase_ != Phase::Connecting || connectDue_) return;
  phase_ = Phase::Connected;
  nowMs_ = nowMs;
  silence_.Restart(nowMs);
  session_.OnConnecting();
  if (secure_) {
    tls_.Start(session_.host());
    usingTls_ = true;
  }
}

std::size_t Pop3Connection::OnReceived(const char* bytes, std::size_t length, std::uint64_t nowMs) {
  if (length > kMaxReceive) length = kMaxReceive;
  if (phase_ != Phase::Connected) return length;
  nowMs_ = nowMs;
  silence_.Restart(nowMs);
  if (usingTls_) {
    tls_.Receive(bytes, length);
  } else {
    session_.Feed(bytes, length);
  }
  return length;
}

void Pop3Connection::OnPeerClosed() {
  if (phase_ == Phase::Connecting && !connectDue_) return TryNextAddress(nowMs_);
  if (phase_ != Phase::Connected) return;
  peerClosed_ = true;
  // A server that hangs up in the handshake never let the session begin.
  const bool handshaking = usingTls_ && tls_.state() == TlsChannel::State::Handshaking;
  End(handshaking ? session_.OnSecureChannelFailed() : session_.OnConnectionLost());
}

void Pop3Connection::OnTick(std::uint64_t nowMs) {
  if (!timed()) return;
  nowMs_ = nowMs;
  if (silence_.Expired(nowMs)) {
    // No address answered in time, or the server went silent.
    return End(session_.Fail(phase_ == Phase::Connecting ? CheckStatus::SocketError : CheckStatus::Disconnected));
  }
  if (phase_ == Phase::Connecting && !connectDue_ && nowMs - attemptSinceMs_ >= kConnectLimitMs) {
    TryNextAddress(nowMs);
  }
}

void Pop3Connection::End(SessionAction finish) {
  if (finish.kind != SessionAction::Kind::Finish) return;
  phase_ = Phase::Ending;
  connectDue_ = false;
  hasOutcome_ = true;
  outcome_ = session_.result();
  // close_notify before the socket closes, to a server still there to read it.
  if (usingTls_ && !peerClosed_) tls_.Close();
}

bool Pop3Connection::Converse(ConnectionAction* plainSend) {
  SessionAction action = session_.Poll();
  if (usingTls_) {
    // Plaintext goes in only while the machine has no complete line left, so
    // its pending text never holds more than half a line and a piece.
    char piece[kMaxReceive];
    for (std::size_t got;
         action.kind == SessionAction::Kind::None && (got = tls_.ReadPlain(piece, sizeof piece)) > 0;) {
      session_.Feed(piece, got);
      action = session_.Poll();
    }
    if (action.kind == SessionAction::Kind::None) {
      switch (tls_.state()) {
        // No TLS server, a failed handshake, a protocol below the minimum or a
        // certificate that does not name the server; later, a broken record.
        case TlsChannel::State::Failed: action = session_.OnSecureChannelFailed(); break;
        case TlsChannel::State::Closed: action = session_.OnConnectionLost(); break;
        default: return false;
      }
    }
  }
  switch (action.kind) {
    case SessionAction::Kind::None: return false;
    case SessionAction::Kind::Finish: End(action); return true;
    case SessionAction::Kind::Send: break;
  }
  silence_.Restart(nowMs_);
  if (usingTls_) {
    tls_.Send(action.bytes, action.length);
  } else {
    *plainSend = SendAction(action.bytes, action.length);
  }
  return true;
}

ConnectionAction Pop3Connection::Next() {
  if (tlsHandedOut_) {
    tls_.Sent();
    tlsHandedOut_ = false;
  }
  if (connectDue_) {
    connectDue_ = false;
    ConnectionAction connect = Action(ConnectionAction::Kind::Connect);
    connect.address = addresses_[current_];
    connect.port = port_;
    return connect;
  }
  for (;;) {
    if (usingTls_ && tls_.sendingLength() > 0) {
      tlsHandedOut_ = true;
      return SendAction(tls_.sending(), tls_.sendingLength());
    }
    ConnectionAction plainSend = Action(ConnectionAction::Kind::None);
    if (phase_ != Phase::Connected || !Converse(&plainSend)) break;
    if (plainSend.kind == ConnectionAction::Kind::Send) return plainSend;
  }
  if (phase_ != Phase::Ending) return Action(ConnectionAction::Kind::None);
  phase_ = Phase::Idle;
  if (usingTls_) tls_.Stop();
  usingTls_ = false;
  ConnectionAction end = Action(hasOutcome_ ? ConnectionAction::Kind::Finish : ConnectionAction::Kind::Close);
  end.result = outcome_;
  hasOutcome_ = false;
  return end;
}

}  // namespace zorvane
