#include "mail/pop3_reply_reader.h"

#include <cstring>

namespace zorvane {

void Pop3ReplyReader::Reset() { *this = Pop3ReplyReader{}; }

std::size_t Pop3ReplyReader::Feed(const char* bytes, std::size_t length) {
  if (length > room()) length = room();
  std::memcpy(pending_ + pendingLength_, bytes, length);
  pendingLength_ += length;
  return length;
}

Pop3Reply Pop3ReplyReader::Next() {
  if (failed_) return {Pop3Reply::Kind::Failed, "", ""};
  const void* lineFeed = std::memchr(pending_, '\n', pendingLength_);
  const std::size_t consumed = lineFeed == nullptr
                                   ? pendingLength_
                                   : static_cast<std::size_t>(static_cast<const char*>(lineFeed) - pending_) + 1;
  // Without its line feed so far, a line that already fills a reply's length will be longer.
  if (consumed > kMaxLine || (lineFeed == nullptr && consumed == kMaxLine)) {
    failed_ = true;
    return {Pop3Reply::Kind::Failed, "", ""};
  }
  if (lineFeed == nullptr) return {Pop3Reply::Kind::None, "", ""};
  std::size_t length = consumed - 1;
  if (length > 0 && pending_[length - 1] == '\r') --length;
  std::memcpy(line_, pending_, length);
  line_[length] = '\0';
  std::memmove(pending_, pending_ + consumed, pendingLength_ - consumed);
  pendingLength_ -= consumed;

  if (inBody_) {
    if (std::strcmp(line_, ".") == 0) {
      inBody_ = false;
      return {Pop3Reply::Kind::BodyEnd, line_, ""};
    }
    // A line of the body that begins with '.' was sent with one more in front.
    return {Pop3Reply::Kind::BodyLine, line_[0] == '.' ? line_ + 1 : line_, ""};
  }
  // "-ERR [IN-USE] text": the code follows the indicator and one space.
  code_[0] = '\0';
  const char* space = std::strchr(line_, ' ');
  const char* close = space != nullptr && space[1] == '[' ? std::strchr(space + 2, ']') : nullptr;
  if (close != nullptr && static_cast<std::size_t>(close - (space + 2)) < sizeof code_) {
    std::memcpy(code_, space + 2, close - (space + 2));
    code_[close - (space + 2)] = '\0';
  }
  return {line_[0] == '-' ? Pop3Reply::Kind::Negative : Pop3Reply::Kind::Positive, line_, code_};
}

}  // namespace zorvane
