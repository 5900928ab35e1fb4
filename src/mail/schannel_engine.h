#pragma once
// TLS through the system's SChannel (SSPI): no library of our own, and the
// system's root store decides whom to trust.
#include <windows.h>
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>

#include "mail/tls_engine.h"

namespace zorvane {

class SchannelEngine final : public TlsEngine {
 public:
  SchannelEngine() = default;
  SchannelEngine(const SchannelEngine&) = delete;
  SchannelEngine& operator=(const SchannelEngine&) = delete;
  ~SchannelEngine() override { End(); }

  // Does once, ahead of the first session, what the first certificate check
  // of a process would otherwise do in the middle of it.
  void Prepare();

  TlsOutcome Begin(const char* host, unsigned char* out, std::size_t capacity) override;
  TlsOutcome Handshake(const unsigned char* in, std::size_t length, unsigned char* out, std::size_t capacity) override;
  std::uint16_t NegotiatedVersion() override;
  bool PeerTrusted(const char* host) override;
  TlsOutcome Decrypt(unsigned char* in, std::size_t length, unsigned char* out, std::size_t capacity) override;
  std::size_t Encrypt(const char* plain, std::size_t length, unsigned char* out, std::size_t capacity) override;
  std::size_t CloseNotify(unsigned char* out, std::size_t capacity) override;
  void End() override;

 private:
  TlsOutcome Step(SecBufferDesc* input, std::size_t inputLength, unsigned char* out, std::size_t capacity);
  // One InitializeSecurityContext call; its token, if any, copied to out.
  SECURITY_STATUS Initialize(SecBufferDesc* input, unsigned char* out, std::size_t capacity, std::size_t* produced);

  CredHandle credentials_ = {};
  bool haveCredentials_ = false;
  CtxtHandle context_ = {};
  bool haveContext_ = false;
  char host_[128] = {};
  SecPkgContext_StreamSizes sizes_ = {};
  bool prepared_ = false;
};

}  // namespace zorvane
