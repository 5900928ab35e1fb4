#include "mail/tls_records.h"

namespace zorvane {

namespace {
constexpr std::size_t kHeader = 5;
constexpr unsigned char kFirstContentType = 20;  // change_cipher_spec
constexpr unsigned char kLastContentType = 24;   // heartbeat
constexpr unsigned char kVersionMajor = 3;
}  // namespace

TlsRecords FrameTlsRecords(const unsigned char* data, std::size_t length) {
  std::size_t at = 0;
  while (length - at >= 1) {
    const unsigned char* header = data + at;
    if (header[0] < kFirstContentType || header[0] > kLastContentType) return {at, true};
    if (length - at >= 2 && header[1] != kVersionMajor) return {at, true};
    if (length - at < kHeader) break;
    const std::size_t body = static_cast<std::size_t>(header[3]) << 8 | header[4];
    if (kHeader + body > kMaxTlsRecord) return {at, true};
    if (length - at < kHeader + body) break;
    at += kHeader + body;
  }
  return {at, false};
}

}  // namespace zorvane
