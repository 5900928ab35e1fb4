#pragma once
// POP3 replies out of the bytes a server sends, knowing nothing of the commands
// that asked for them: status lines ("+OK" or "-ERR", and the response code in
// brackets that may follow, RFC 2449) and, where the dialogue says one follows,
// a multi-line body up to its line ".", dot-unstuffed. Its buffers are fixed:
// a line longer than a POP3 reply may be fails the reader for good.
#include <cstddef>

namespace zorvane {

struct Pop3Reply {
  enum class Kind {
    None,      // no whole line yet
    Positive,  // a status line that does not begin with '-'
    Negative,  // a status line that begins with '-'
    BodyLine,  // a line of a multi-line body
    BodyEnd,   // the body's closing "."
    Failed,    // a line of more than kMaxLine bytes: no POP3 server sends one
  };
  Kind kind;
  // The line without its line end; valid until the next call of Next.
  const char* text;
  // Of a status line: its response code, without the brackets; "" when it has none.
  const char* code;
};

class Pop3ReplyReader {
 public:
  // A reply line is at most 512 bytes with its CR LF (RFC 1939).
  static constexpr std::size_t kMaxLine = 512;
  // Room for a read of this size is always left once the lines are taken out.
  static constexpr std::size_t kMaxRead = 256;

  // Forgets everything received and not yet read, and a failure.
  void Reset();
  // Takes what there is room for; returns how many bytes that was.
  std::size_t Feed(const char* bytes, std::size_t length);
  std::size_t room() const { return sizeof pending_ - pendingLength_; }
  // The next status line or body line. After a positive status line whose
  // command is answered with a body, ExpectBody before the next call.
  Pop3Reply Next();
  void ExpectBody() { inBody_ = true; }

 private:
  char pending_[kMaxLine + kMaxRead] = {};
  std::size_t pendingLength_ = 0;
  char line_[kMaxLine] = {};
  char code_[32] = {};
  bool inBody_ = false;
  bool failed_ = false;
};

}  // namespace zorvane
