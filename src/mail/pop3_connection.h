#pragma once
// One account's connection to its POP3 server, without I/O: which address is
// tried and when the next one is, plain or TLS, how long a server may stay
// silent, and what a failure at each step means for the account. It owns the
// account's POP3 machine and drives the TLS channel. The transport feeds it
// what the network and the clock did, then carries out what Next() answers
// until it answers None.
#include <cstddef>
#include <cstdint>

#include "mail/net_address.h"
#include "mail/pop3_session.h"
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
    Send,     // send bytes[0, length) on the socket
    Finish,   // close the socket; result is the account's outcome
    Close,    // close the socket; the session was abandoned, there is no outcome
  };
  Kind kind;
  NetAddress address;
  std::uint16_t port;
  const char* bytes;
  std::size_t length;
  CheckResult result;
};

class Pop3Connection {
 public:
  static constexpr std::size_t kMaxAddresses = 16;
  // A connect that has not completed by then makes way for the next address.
  static constexpr std::uint64_t kConnectLimitMs = 10000;
  // What one OnReceived takes at most: the POP3 machine's pending text is
  // bounded, so bytes go in no faster than its lines come out.
  static constexpr std::size_t kMaxReceive = 256;

  // Several connections may share one channel: only one of them is ever busy.
  explicit Pop3Connection(TlsChannel& tls) : tls_(tls) {}

  // Begins a session with the account's server; servicePort is the service
  // database's POP3 port, 0 when it has none. Looking up host() is the
  // transport's part.
  void Start(const PopAccount& account, std::uint16_t servicePort);
  // Ends the session without an outcome and forgets the account's
  // parameters; an open TLS session is still closed properly.
  void Abandon();

  bool active() const { return phase_ != Phase::Idle; }
  bool resolving() const { return phase_ == Phase::Resolving; }
  // Whether the clock matters now: OnTick may end an attempt or the session.
  bool timed() const { return phase_ == Phase::Connecting || phase_ == Phase::Connected; }
  bool secure() const { return secure_; }
  const char* host() const { return session_.host(); }

  void OnLookupNotStarted();
  // The lookup's answer, in the resolver's order; none when it failed.
  void OnResolved(const NetAddress* addresses, std::size_t count, std::uint64_t nowMs);
  void OnConnectFailed(std::uint64_t nowMs);
  void OnConnected(std::uint64_t nowMs);
  // Returns how many bytes were taken: at most kMaxReceive.
  std::size_t OnReceived(const char* bytes, std::size_t length, std::uint64_t nowMs);
  // The stream ended or a receive failed, after everything received was given.
  void OnPeerClosed();
  void OnTick(std::uint64_t nowMs);

  ConnectionAction Next();

 private:
  enum class Phase { Idle, Resolving, Connecting, Connected, Ending };

  void TryNextAddress(std::uint64_t nowMs);
  // Runs the dialogue one step: a line to the POP3 machine, its answer out.
  // True when it did something and another step may follow.
  bool Converse(ConnectionAction* plainSend);
  void End(SessionAction finish);

  TlsChannel& tls_;
  Pop3Session session_;
  SilenceLimit silence_;
  Phase phase_ = Phase::Idle;
  bool secure_ = false;
  bool usingTls_ = false;      // tls_ carries this session
  bool tlsHandedOut_ = false;  // the transport has sent tls_.sending()
  bool peerClosed_ = false;
  bool connectDue_ = false;  // Next() asks for the connect to addresses_[current_]
  std::uint16_t port_ = 0;
  NetAddress addresses_[kMaxAddresses] = {};
  std::size_t addressCount_ = 0;
  std::size_t current_ = 0;
  std::uint64_t attemptSinceMs_ = 0;
  std::uint64_t nowMs_ = 0;
  bool hasOutcome_ = false;
  CheckResult outcome_ = {};
};

}  // namespace zorvane
