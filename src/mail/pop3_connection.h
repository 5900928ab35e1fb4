#pragma once
// One account's attempt at its POP3 server, without I/O: which address is
// tried and when the next one is, plain or TLS (port 995, or after STLS), how
// long a server may stay silent, and the one place where what happened
// becomes the account's status. It runs the account's POP3 dialogue and
// drives the TLS channel. The transport feeds it what the network and the
// clock did, then carries out what Next() answers until it answers None.
#include <cstddef>
#include <cstdint>

#include "mail/check_result.h"
#include "mail/net_address.h"
#include "mail/pop3_dialogue.h"
#include "mail/silence_limit.h"
#include "mail/tls_channel.h"
#include "settings/settings.h"

namespace zorvane {

// The POP3 port over TLS from the first byte on.
constexpr std::int32_t kPop3sPort = 995;

struct ConnectionAction {
  enum class Kind {
    None,     // wait for the next event
    Connect,  // close the socket there may be, then connect a new one to address:port
    Send,     // send bytes[0, length) on the socket, then tell OnSent how many went
    Finish,   // close the socket; report is the account's outcome
    Close,    // close the socket; the attempt was abandoned, there is no outcome
  };
  Kind kind;
  NetAddress address;
  std::uint16_t port;
  const char* bytes;
  std::size_t length;
  SessionReport report;
};

class Pop3Connection {
 public:
  static constexpr std::size_t kMaxAddresses = 16;
  // A connect that has not completed by then makes way for the next address.
  static constexpr std::uint64_t kConnectLimitMs = 10000;
  // What one OnReceived takes at most: all of it, every time.
  static constexpr std::size_t kMaxReceive = Pop3ReplyReader::kMaxRead;

  explicit Pop3Connection(TlsChannel& tls) : tls_(tls) {}

  // Begins an attempt at the account's server; servicePort is the service
  // database's POP3 port, 0 when it has none. Looking up host() is the
  // transport's part.
  void Start(const PopAccount& account, std::uint16_t servicePort);
  // Ends the attempt without an outcome and forgets the account's
  // parameters; an open TLS session is still closed properly.
  void Abandon();

  bool active() const { return phase_ != Phase::Idle; }
  bool resolving() const { return phase_ == Phase::Resolving; }
  // Whether the clock matters now: OnTick may end a connect or the attempt.
  bool timed() const;
  // TLS from the first byte, or after an STLS the server completed before:
  // worth preparing the crypto while the lookup runs.
  bool expectsTls() const { return implicitTls_ || dialogue_.requiresTls(); }
  const char* host() const { return host_; }

  void OnLookupNotStarted();
  // The lookup's answer, in the resolver's order; none when it failed.
  void OnResolved(const NetAddress* addresses, std::size_t count, std::uint64_t nowMs);
  void OnConnectFailed(std::uint64_t nowMs);
  void OnConnected(std::uint64_t nowMs);
  // Returns how many bytes were taken: all of them, up to kMaxReceive.
  std::size_t OnReceived(const char* bytes, std::size_t length, std::uint64_t nowMs);
  // After a Send: how many of its bytes the socket took. Fewer than all hold
  // the rest back until OnWritable.
  void OnSent(std::size_t length);
  void OnWritable();
  // The stream ended or failed, after everything received was given.
  void OnPeerClosed();
  void OnTick(std::uint64_t nowMs);

  ConnectionAction Next();

 private:
  enum class Phase {
    Idle,
    Resolving,    // the transport looks the host up
    ConnectDue,   // Next() asks for the connect to addresses_[current_]
    Connecting,   // that connect runs
    Handshaking,  // TLS is being set up, from the first byte or after STLS
    Talking,      // the dialogue runs and its outcome is open
    Leaving,      // the outcome is settled: nothing the server does changes it
    Finishing,    // ended with an outcome: what is still to send goes, then Finish
    Dropping,     // abandoned: what is still to send goes, then Close
  };
  // Why an attempt ends.
  enum class Ending {
    LookupNotStarted,
    NoAddress,
    Unreachable,
    Silent,
    PeerGone,
    TlsBroken,
    OutOfStep,  // answers to commands the server cannot have read yet
    DialogueOver,
  };

  void TryNextAddress(std::uint64_t nowMs);
  // One step of TLS or the dialogue; false when nothing moved.
  bool Step();
  bool Carry(const DialogueAction& action);
  void End(Ending ending);
  CheckStatus StatusOf(Ending ending) const;
  bool usingTls() const { return tls_.state() != TlsChannel::State::Off; }
  const char* unsent() const;
  std::size_t unsentLength() const;

  TlsChannel& tls_;
  Pop3Dialogue dialogue_;
  SilenceLimit silence_;
  Phase phase_ = Phase::Idle;
  char host_[128] = {};
  bool implicitTls_ = false;
  std::uint16_t port_ = 0;
  NetAddress addresses_[kMaxAddresses] = {};
  std::size_t addressCount_ = 0;
  std::size_t current_ = 0;
  std::uint64_t attemptSinceMs_ = 0;
  std::uint64_t nowMs_ = 0;
  // Commands waiting for the socket (in TLS, the channel holds them).
  char plainOut_[512] = {};
  std::size_t plainOutLength_ = 0;
  bool writeBlocked_ = false;  // the socket took less than all: wait for OnWritable
  SessionReport report_ = {};
};

}  // namespace zorvane
