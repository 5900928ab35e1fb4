#include "mail/tls_channel.h"

#include <cstring>

#include "common/text.h"
#include "mail/byte_queue.h"

namespace zorvane {

void TlsChannel::Start(const char* host) {
  Stop();
  CopyTextCut(host_, host);
  state_ = State::Handshaking;
  std::size_t capacity = 0;
  unsigned char* out = SendRoom(&capacity);
  const TlsOutcome outcome = engine_.Begin(host_, out, capacity);
  sendingLength_ += outcome.produced;
  if (outcome.kind != TlsOutcome::Kind::Continue) state_ = State::Failed;
}

void TlsChannel::Stop() {
  if (state_ != State::Off) engine_.End();
  state_ = State::Off;
  inputLength_ = plainStart_ = plainLength_ = sendingLength_ = 0;
}

void TlsChannel::Receive(const char* bytes, std::size_t length) {
  if (state_ != State::Handshaking && state_ != State::Open) return;
  if (length > sizeof input_ - inputLength_) {
    state_ = State::Failed;  // more than two records without one being whole
    return;
  }
  std::memcpy(input_ + inputLength_, bytes, length);
  inputLength_ += length;
  if (state_ == State::Handshaking) Handshake();
}

void TlsChannel::Consume(std::size_t used) { inputLength_ = DropFront(input_, inputLength_, used); }

unsigned char* TlsChannel::SendRoom(std::size_t* capacity) {
  *capacity = sizeof sending_ - sendingLength_;
  return sending_ + sendingLength_;
}

void TlsChannel::Handshake() {
  while (state_ == State::Handshaking) {
    const TlsRecords records = FrameTlsRecords(input_, inputLength_);
    if (records.malformed) {
      state_ = State::Failed;  // a server that speaks no TLS: never wait for it
      return;
    }
    if (records.complete == 0) return;
    std::size_t capacity = 0;
    unsigned char* out = SendRoom(&capacity);
    const TlsOutcome outcome = engine_.Handshake(input_, records.complete, out, capacity);
    sendingLength_ += outcome.produced;
    Consume(outcome.used);
    switch (outcome.kind) {
      case TlsOutcome::Kind::Continue:
        if (outcome.used == 0) return;
        break;
      case TlsOutcome::Kind::Done:
        // The password goes out only to the server the account names, and
        // only under a protocol that still protects it.
        if (engine_.NegotiatedVersion() < kMinVersion) {
          state_ = State::Failed;
        } else {
          state_ = engine_.PeerTrusted(host_) ? State::Open : State::Untrusted;
        }
        return;
      case TlsOutcome::Kind::NeedMore: return;
      case TlsOutcome::Kind::Closed:
      case TlsOutcome::Kind::Failed: state_ = State::Failed; return;
    }
  }
}

std::size_t TlsChannel::ReadPlain(char* out, std::size_t capacity) {
  while (plainLength_ == 0 && state_ == State::Open) {
    const TlsRecords records = FrameTlsRecords(input_, inputLength_);
    if (records.malformed) {
      state_ = State::Failed;
      break;
    }
    if (records.complete == 0) break;
    const TlsOutcome outcome = engine_.Decrypt(input_, records.complete, plain_, sizeof plain_);
    Consume(outcome.used);
    plainStart_ = 0;
    plainLength_ = outcome.produced;
    if (outcome.kind == TlsOutcome::Kind::Closed) state_ = State::Closed;
    if (outcome.kind == TlsOutcome::Kind::Failed) state_ = State::Failed;
    if (outcome.kind == TlsOutcome::Kind::NeedMore || (outcome.used == 0 && outcome.produced == 0)) break;
  }
  // A channel that closed or failed hands out nothing more, not even what it
  // decrypted before: the session on top of it has ended.
  if (state_ != State::Open) return 0;
  const std::size_t length = plainLength_ < capacity ? plainLength_ : capacity;
  std::memcpy(out, plain_ + plainStart_, length);
  plainStart_ += length;
  plainLength_ -= length;
  return length;
}

void TlsChannel::Send(const char* plain, std::size_t length) {
  if (state_ != State::Open) return;
  std::size_t capacity = 0;
  unsigned char* out = SendRoom(&capacity);
  const std::size_t written = engine_.Encrypt(plain, length, out, capacity);
  if (written == 0) state_ = State::Failed;
  sendingLength_ += written;
}

void TlsChannel::Sent(std::size_t length) { sendingLength_ = DropFront(sending_, sendingLength_, length); }

void TlsChannel::Close() {
  if (state_ != State::Open) return;
  std::size_t capacity = 0;
  unsigned char* out = SendRoom(&capacity);
  sendingLength_ += engine_.CloseNotify(out, capacity);
  state_ = State::Closed;
}

}  // namespace zorvane
