#include "mail/pop3_connection.h"

#include <cstring>

#include "common/text.h"
#include "mail/byte_queue.h"
#include "mail/port_choice.h"

namespace zorvane {

namespace {

bool SameAddress(const NetAddress& a, const NetAddress& b) {
  const std::size_t length = a.family == NetAddress::Family::V4 ? 4 : sizeof a.bytes;
  return a.family == b.family && a.scopeId == b.scopeId && std::memcmp(a.bytes, b.bytes, length) == 0;
}

ConnectionAction Action(ConnectionAction::Kind kind) { return {kind, {}, 0, nullptr, 0, {}}; }

StartTlsUse UseOf(std::int32_t stlsFlg) {
  switch (stlsFlg) {
    case kStlsRequired: return StartTlsUse::Required;
    case kStlsNever: return StartTlsUse::Never;
    default: return StartTlsUse::WhenOffered;
  }
}

}  // namespace

void Pop3Connection::Start(const PopAccount& account, std::uint16_t servicePort) {
  tls_.Stop();
  CopyTextCut(host_, account.Serv);
  implicitTls_ = account.PortNo == kPop3sPort;
  port_ = ChooseConnectPort(account.PortNo, servicePort);
  dialogue_.Start(account.UserId, account.PassWord, UseOf(account.StlsFlg), implicitTls_,
                  AnnouncesOnlyNewMail(account) ? account.SeenUidl : nullptr);
  addressCount_ = 0;
  current_ = 0;
  plainOutLength_ = 0;
  writeBlocked_ = false;
  report_ = {};
  phase_ = Phase::Resolving;
}

void Pop3Connection::Abandon() {
  dialogue_.Clear();
  host_[0] = '\0';
  if (phase_ == Phase::Idle) return;
  // close_notify, to a server that is still there.
  if (phase_ == Phase::Talking || phase_ == Phase::Leaving) tls_.Close();
  phase_ = Phase::Dropping;
}

bool Pop3Connection::timed() const {
  return phase_ == Phase::Connecting || phase_ == Phase::Handshaking || phase_ == Phase::Talking ||
         phase_ == Phase::Leaving;
}

void Pop3Connection::OnLookupNotStarted() {
  if (phase_ == Phase::Resolving) End(Ending::LookupNotStarted);
}

void Pop3Connection::OnResolved(const NetAddress* addresses, std::size_t count, std::uint64_t nowMs) {
  if (phase_ != Phase::Resolving) return;
  // An address the resolver gives twice (once per socket type, say) is tried once.
  for (std::size_t i = 0; i < count && addressCount_ < kMaxAddresses; ++i) {
    bool seen = false;
    for (std::size_t j = 0; j < addressCount_ && !seen; ++j) seen = SameAddress(addresses[i], addresses_[j]);
    if (!seen) addresses_[addressCount_++] = addresses[i];
  }
  if (addressCount_ == 0) return End(Ending::NoAddress);
  phase_ = Phase::ConnectDue;
  nowMs_ = attemptSinceMs_ = nowMs;
  // The whole attempt, over every address, is bounded like a silent server.
  silence_.Restart(nowMs);
}

void Pop3Connection::TryNextAddress(std::uint64_t nowMs) {
  if (++current_ == addressCount_) return End(Ending::Unreachable);
  attemptSinceMs_ = nowMs;
  phase_ = Phase::ConnectDue;
}

void Pop3Connection::OnConnectFailed(std::uint64_t nowMs) {
  // Only the attempt under way can fail; once connected the session never
  // moves to another address: the password goes to one server only.
  if (phase_ == Phase::Connecting) TryNextAddress(nowMs);
}

void Pop3Connection::OnConnected(std::uint64_t nowMs) {
  if (phase_ != Phase::Connecting) return;
  nowMs_ = nowMs;
  silence_.Restart(nowMs);
  phase_ = Phase::Talking;
  if (implicitTls_) {
    tls_.Start(host_);
    phase_ = Phase::Handshaking;
  }
}

std::size_t Pop3Connection::OnReceived(const char* bytes, std::size_t length, std::uint64_t nowMs) {
  if (length > kMaxReceive) length = kMaxReceive;
  if (phase_ != Phase::Handshaking && phase_ != Phase::Talking && phase_ != Phase::Leaving) return length;
  nowMs_ = nowMs;
  silence_.Restart(nowMs);
  if (!usingTls()) return dialogue_.Feed(bytes, length);  // all: what came before has been answered
  tls_.Receive(bytes, length);
  return length;
}

const char* Pop3Connection::unsent() const { return usingTls() ? tls_.sending() : plainOut_; }

std::size_t Pop3Connection::unsentLength() const { return usingTls() ? tls_.sendingLength() : plainOutLength_; }

void Pop3Connection::OnSent(std::size_t length) {
  if (usingTls()) {
    tls_.Sent(length);
  } else {
    plainOutLength_ = DropFront(plainOut_, plainOutLength_, length);
  }
  writeBlocked_ = unsentLength() > 0;
}

void Pop3Connection::OnWritable() { writeBlocked_ = false; }

void Pop3Connection::OnPeerClosed() {
  if (phase_ == Phase::Connecting) return TryNextAddress(nowMs_);
  if (phase_ == Phase::Handshaking || phase_ == Phase::Talking || phase_ == Phase::Leaving) End(Ending::PeerGone);
}

void Pop3Connection::OnTick(std::uint64_t nowMs) {
  if (!timed()) return;
  nowMs_ = nowMs;
  if (silence_.Expired(nowMs)) return End(Ending::Silent);
  if (phase_ == Phase::Connecting && nowMs - attemptSinceMs_ >= kConnectLimitMs) TryNextAddress(nowMs);
}

CheckStatus Pop3Connection::StatusOf(Ending ending) const {
  switch (ending) {
    case Ending::LookupNotStarted: return CheckStatus::LookupNotStarted;
    case Ending::NoAddress: return CheckStatus::HostNotFound;
    case Ending::Unreachable: return CheckStatus::SocketError;
    default: break;
  }
  switch (phase_) {
    case Phase::Connecting: return CheckStatus::SocketError;  // no address answered within the limit
    case Phase::Handshaking:
      if (ending == Ending::Silent) return CheckStatus::Disconnected;
      return tls_.state() == TlsChannel::State::Untrusted ? CheckStatus::CertificateUntrusted : CheckStatus::TlsFailed;
    default: break;
  }
  // What the server said, once the dialogue is over or its outcome settled; silent, gone or broken before that.
  const DialogueOutcome& outcome = dialogue_.outcome();
  const bool said = phase_ == Phase::Leaving || ending == Ending::DialogueOver;
  return said && outcome.kind != DialogueOutcome::Kind::Open ? outcome.status : CheckStatus::Disconnected;
}

void Pop3Connection::End(Ending ending) {
  const CheckStatus status = StatusOf(ending);
  const DialogueOutcome& outcome = dialogue_.outcome();
  const bool counted = status == CheckStatus::Ok && outcome.kind == DialogueOutcome::Kind::Counted;
  report_ = {{counted ? outcome.count : 0, counted ? outcome.size : 0, status}, dialogue_.upgraded(), {}};
  if (counted) {
    report_.result.New = dialogue_.newMail();
    if (report_.result.New == NewMail::Counted) {
      report_.result.NewCount = dialogue_.newCount();
      dialogue_.NextSeenMark(report_.seenMark);
    }
  }
  // close_notify before the socket closes, to a server still there to read it.
  if (ending != Ending::PeerGone) tls_.Close();
  dialogue_.Clear();
  phase_ = Phase::Finishing;
}

bool Pop3Connection::Carry(const DialogueAction& action) {
  switch (action.kind) {
    case DialogueAction::Kind::None: return false;
    case DialogueAction::Kind::End: End(Ending::DialogueOver); return true;
    case DialogueAction::Kind::StartTls:
      if (plainOutLength_ > 0) {
        End(Ending::OutOfStep);
        return true;
      }
      tls_.Start(host_);
      phase_ = Phase::Handshaking;
      return true;
    case DialogueAction::Kind::Send: break;
  }
  silence_.Restart(nowMs_);
  if (usingTls()) {
    tls_.Send(action.bytes, action.length);
  } else if (action.length <= sizeof plainOut_ - plainOutLength_) {
    std::memcpy(plainOut_ + plainOutLength_, action.bytes, action.length);
    plainOutLength_ += action.length;
  } else {
    End(Ending::OutOfStep);
  }
  return true;
}

bool Pop3Connection::Step() {
  if (phase_ == Phase::Handshaking) {
    switch (tls_.state()) {
      case TlsChannel::State::Handshaking: return false;
      case TlsChannel::State::Open:
        phase_ = Phase::Talking;
        Carry(dialogue_.OnTlsReady());
        return true;
      default: End(Ending::TlsBroken); return true;
    }
  }
  if (phase_ != Phase::Talking && phase_ != Phase::Leaving) return false;
  // Plaintext goes in as far as the dialogue has room; it always has for a whole read.
  char piece[kMaxReceive];
  for (std::size_t got;
       usingTls() && dialogue_.room() >= sizeof piece && (got = tls_.ReadPlain(piece, sizeof piece)) > 0;) {
    dialogue_.Feed(piece, got);
  }
  const DialogueAction action = dialogue_.Next();
  if (action.kind == DialogueAction::Kind::None && usingTls() && tls_.state() != TlsChannel::State::Open) {
    End(Ending::TlsBroken);  // a broken record or the server's alert
    return true;
  }
  const bool moved = Carry(action);
  if (phase_ == Phase::Talking && dialogue_.settled()) phase_ = Phase::Leaving;
  return moved;
}

ConnectionAction Pop3Connection::Next() {
  if (phase_ == Phase::ConnectDue) {
    phase_ = Phase::Connecting;
    ConnectionAction connect = Action(ConnectionAction::Kind::Connect);
    connect.address = addresses_[current_];
    connect.port = port_;
    return connect;
  }
  for (;;) {
    if (unsentLength() > 0 && !writeBlocked_) {
      ConnectionAction send = Action(ConnectionAction::Kind::Send);
      send.bytes = unsent();
      send.length = unsentLength();
      return send;
    }
    if (!Step()) break;
  }
  if (phase_ != Phase::Finishing && phase_ != Phase::Dropping) return Action(ConnectionAction::Kind::None);
  // What a socket that stopped taking bytes still holds is given up: the session is over.
  ConnectionAction end =
      Action(phase_ == Phase::Finishing ? ConnectionAction::Kind::Finish : ConnectionAction::Kind::Close);
  end.report = report_;
  phase_ = Phase::Idle;
  tls_.Stop();
  plainOutLength_ = 0;
  writeBlocked_ = false;
  return end;
}

}  // namespace zorvane
