#include "mail/schannel_engine.h"

#include <wincrypt.h>

#include <cstring>
#include <memory>

#include "common/text.h"

namespace zorvane {

namespace {

// The certificate is checked by PeerTrusted, against the account's own name,
// before the session goes on.
constexpr ULONG kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                           ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                           ISC_REQ_MANUAL_CRED_VALIDATION;

using CertificateOwner = std::unique_ptr<const CERT_CONTEXT, BOOL(WINAPI*)(PCCERT_CONTEXT)>;
using ChainOwner = std::unique_ptr<const CERT_CHAIN_CONTEXT, void(WINAPI*)(PCCERT_CHAIN_CONTEXT)>;
using TokenOwner = std::unique_ptr<void, SECURITY_STATUS(WINAPI*)(PVOID)>;

}  // namespace

void SchannelEngine::Prepare() {
  if (prepared_) return;
  prepared_ = true;
  // The first chain a process builds fills the root store and loads the
  // crypto providers; under Wine that takes about 150 ms, which the server
  // would spend waiting for USER. Building one chain now, while the host
  // lookup runs, moves that out of the session.
  HCERTSTORE roots = CertOpenSystemStoreA(0, "ROOT");
  if (roots == nullptr) return;
  if (const CertificateOwner any{CertEnumCertificatesInStore(roots, nullptr), CertFreeCertificateContext}) {
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    PCCERT_CHAIN_CONTEXT built = nullptr;
    if (CertGetCertificateChain(nullptr, any.get(), nullptr, nullptr, &chainPara, 0, nullptr, &built)) {
      CertFreeCertificateChain(built);
    }
  }
  CertCloseStore(roots, 0);
}

TlsOutcome SchannelEngine::Begin(const char* host, unsigned char* out, std::size_t capacity) {
  End();
  CopyTextCut(host_, host);
  SCHANNEL_CRED credentials = {};
  credentials.dwVersion = SCHANNEL_CRED_VERSION;
  credentials.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
  // TLS 1.2, which every Windows from 10 on speaks through this structure;
  // left to the system, older protocols would be offered too.
  credentials.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  if (AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr, &credentials,
                                nullptr, nullptr, &credentials_, nullptr) != SEC_E_OK) {
    return {TlsOutcome::Kind::Failed, 0, 0};
  }
  haveCredentials_ = true;
  return Step(nullptr, 0, out, capacity);
}

TlsOutcome SchannelEngine::Handshake(const unsigned char* in, std::size_t length, unsigned char* out,
                                     std::size_t capacity) {
  SecBuffer buffers[2] = {{static_cast<ULONG>(length), SECBUFFER_TOKEN, const_cast<unsigned char*>(in)},
                          {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc input = {SECBUFFER_VERSION, 2, buffers};
  return Step(&input, length, out, capacity);
}

SECURITY_STATUS SchannelEngine::Initialize(SecBufferDesc* input, unsigned char* out, std::size_t capacity,
                                           std::size_t* produced) {
  SecBuffer token = {0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc output = {SECBUFFER_VERSION, 1, &token};
  ULONG attributes = 0;
  const SECURITY_STATUS status =
      InitializeSecurityContextA(&credentials_, haveContext_ ? &context_ : nullptr, host_, kRequest, 0, 0, input, 0,
                                 haveContext_ ? nullptr : &context_, &output, &attributes, nullptr);
  const TokenOwner tokenOwner(token.pvBuffer, FreeContextBuffer);
  *produced = 0;
  if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) return status;
  haveContext_ = true;
  if (token.cbBuffer > capacity) return SEC_E_BUFFER_TOO_SMALL;
  if (token.cbBuffer > 0) std::memcpy(out, token.pvBuffer, token.cbBuffer);
  *produced = token.cbBuffer;
  return status;
}

TlsOutcome SchannelEngine::Step(SecBufferDesc* input, std::size_t inputLength, unsigned char* out,
                                std::size_t capacity) {
  if (!haveCredentials_) return {TlsOutcome::Kind::Failed, 0, 0};
  std::size_t produced = 0;
  const SECURITY_STATUS status = Initialize(input, out, capacity, &produced);
  if (status == SEC_E_INCOMPLETE_MESSAGE) return {TlsOutcome::Kind::NeedMore, 0, 0};
  if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) return {TlsOutcome::Kind::Failed, 0, 0};
  // What follows the handshake's last message (the server's first records)
  // is handed back as extra, for the next call.
  std::size_t used = inputLength;
  if (input != nullptr && input->pBuffers[1].BufferType == SECBUFFER_EXTRA) used -= input->pBuffers[1].cbBuffer;
  if (status == SEC_I_CONTINUE_NEEDED) return {TlsOutcome::Kind::Continue, used, produced};
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK) {
    return {TlsOutcome::Kind::Failed, used, 0};
  }
  return {TlsOutcome::Kind::Done, used, produced};
}

std::uint16_t SchannelEngine::NegotiatedVersion() {
  SecPkgContext_ConnectionInfo info = {};
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK) return 0;
  // The protocol bits of either side: whichever the handshake used.
  const struct {
    DWORD protocols;
    std::uint16_t version;
  } versions[] = {{SP_PROT_TLS1_3, 0x0304},
                  {SP_PROT_TLS1_2, 0x0303},
                  {SP_PROT_TLS1_1, 0x0302},
                  {SP_PROT_TLS1_0, 0x0301},
                  {SP_PROT_SSL3, 0x0300}};
  for (const auto& known : versions) {
    if ((info.dwProtocol & known.protocols) != 0) return known.version;
  }
  return 0;
}

bool SchannelEngine::PeerTrusted(const char* host) {
  PCCERT_CONTEXT remote = nullptr;
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &remote) != SEC_E_OK || remote == nullptr) {
    return false;
  }
  const CertificateOwner certificate(remote, CertFreeCertificateContext);
  CERT_CHAIN_PARA chainPara = {};
  chainPara.cbSize = sizeof chainPara;
  PCCERT_CHAIN_CONTEXT built = nullptr;
  if (!CertGetCertificateChain(nullptr, remote, nullptr, remote->hCertStore, &chainPara, 0, nullptr, &built)) {
    return false;
  }
  const ChainOwner chain(built, CertFreeCertificateChain);
  // Every flaw of the chain counts (a missing issuer too, which not every SSL
  // policy check reports), except validity periods that do not nest.
  if ((built->TrustStatus.dwErrorStatus & ~static_cast<DWORD>(CERT_TRUST_IS_NOT_TIME_NESTED)) != 0) return false;
  wchar_t name[128] = {};
  if (MultiByteToWideChar(CP_UTF8, 0, host, -1, name, 128) == 0) return false;
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = name;
  CERT_CHAIN_POLICY_PARA policy = {};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS result = {};
  result.cbSize = sizeof result;
  return CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, built, &policy, &result) && result.dwError == 0;
}

TlsOutcome SchannelEngine::Decrypt(unsigned char* in, std::size_t length, unsigned char* out, std::size_t capacity) {
  SecBuffer buffers[4] = {{static_cast<ULONG>(length), SECBUFFER_DATA, in},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc message = {SECBUFFER_VERSION, 4, buffers};
  const SECURITY_STATUS status = DecryptMessage(&context_, &message, 0, nullptr);
  if (status == SEC_E_INCOMPLETE_MESSAGE) return {TlsOutcome::Kind::NeedMore, 0, 0};
  if (status == SEC_I_CONTEXT_EXPIRED) return {TlsOutcome::Kind::Closed, length, 0};
  if (status != SEC_E_OK) return {TlsOutcome::Kind::Failed, length, 0};
  std::size_t used = length;
  std::size_t produced = 0;
  for (const SecBuffer& buffer : buffers) {
    if (buffer.BufferType == SECBUFFER_EXTRA) used -= buffer.cbBuffer;
    if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer <= capacity) {
      std::memmove(out, buffer.pvBuffer, buffer.cbBuffer);
      produced = buffer.cbBuffer;
    }
  }
  return {TlsOutcome::Kind::Continue, used, produced};
}

std::size_t SchannelEngine::Encrypt(const char* plain, std::size_t length, unsigned char* out, std::size_t capacity) {
  if (length > sizes_.cbMaximumMessage || sizes_.cbHeader + length + sizes_.cbTrailer > capacity) return 0;
  std::memcpy(out + sizes_.cbHeader, plain, length);
  SecBuffer buffers[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, out},
                          {static_cast<ULONG>(length), SECBUFFER_DATA, out + sizes_.cbHeader},
                          {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, out + sizes_.cbHeader + length},
                          {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc message = {SECBUFFER_VERSION, 4, buffers};
  if (EncryptMessage(&context_, 0, &message, 0) != SEC_E_OK) return 0;
  return buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
}

std::size_t SchannelEngine::CloseNotify(unsigned char* out, std::size_t capacity) {
  if (!haveContext_) return 0;
  DWORD type = SCHANNEL_SHUTDOWN;
  SecBuffer control = {sizeof type, SECBUFFER_TOKEN, &type};
  SecBufferDesc controlDesc = {SECBUFFER_VERSION, 1, &control};
  if (ApplyControlToken(&context_, &controlDesc) != SEC_E_OK) return 0;
  // After the shutdown token the next call gives the alert record to send.
  std::size_t produced = 0;
  const SECURITY_STATUS status = Initialize(nullptr, out, capacity, &produced);
  return status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ? produced : 0;
}

void SchannelEngine::End() {
  if (haveContext_) DeleteSecurityContext(&context_);
  if (haveCredentials_) FreeCredentialsHandle(&credentials_);
  haveContext_ = haveCredentials_ = false;
}

}  // namespace zorvane
