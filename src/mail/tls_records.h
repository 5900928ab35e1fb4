#pragma once
// TLS record framing: 5 header bytes (content type, version, length), then
// the record. The channel hands SChannel only whole records, and refuses a
// stream that is no TLS at all at its first bytes instead of waiting on it.
#include <cstddef>

namespace zorvane {

// The largest record a peer may send: 2^14 bytes of plaintext, 2048 of
// expansion and the header.
constexpr std::size_t kMaxTlsRecord = 16384 + 2048 + 5;

struct TlsRecords {
  std::size_t complete;  // length of the prefix that holds whole records
  bool malformed;        // a header that no TLS peer sends
};

TlsRecords FrameTlsRecords(const unsigned char* data, std::size_t length);

}  // namespace zorvane
