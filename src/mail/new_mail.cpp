#include "mail/new_mail.h"

#include <cstdio>
#include <cstring>

namespace zorvane {

namespace {

// A message number from 1 on at p; the end of its digits, or nullptr.
const char* ReadNumber(const char* p, std::int32_t* number) {
  std::int64_t value = 0;
  const char* digits = p;
  for (; *p >= '0' && *p <= '9' && value <= INT32_MAX; ++p) value = value * 10 + (*p - '0');
  if (p == digits || value < 1 || value > INT32_MAX) return nullptr;
  *number = static_cast<std::int32_t>(value);
  return p;
}

// An id at p, up to the next space or the end; the end of it, or nullptr.
const char* ReadId(const char* p, char (&id)[kMaxUid + 1]) {
  const std::size_t length = std::strcspn(p, " ");
  if (length < 1 || length > kMaxUid) return nullptr;
  for (std::size_t i = 0; i < length; ++i) {
    if (p[i] < 0x21 || p[i] > 0x7E) return nullptr;
  }
  std::memcpy(id, p, length);
  id[length] = '\0';
  return p + length;
}

// "<number> <id>", as a listing line or a single UIDL's reply has it after the indicator.
bool ReadListing(const char* text, std::int32_t* number, char (&id)[kMaxUid + 1]) {
  const char* p = ReadNumber(text, number);
  if (p == nullptr || *p != ' ') return false;
  while (*p == ' ') ++p;
  return ReadId(p, id) != nullptr;
}

}  // namespace

SeenMark ParseSeenMark(const char* text) {
  SeenMark mark = {};
  const char* p = ReadNumber(text, &mark.newest);
  if (p == nullptr || *p != ' ') return SeenMark{};
  while (p != nullptr && *p == ' ' && mark.idCount < kMaxSeenIds) p = ReadId(p + 1, mark.ids[mark.idCount++]);
  return p != nullptr && *p == '\0' ? mark : SeenMark{};
}

void FormatSeenMark(const SeenMark& mark, char (&text)[kSeenMarkBytes]) {
  text[0] = '\0';
  if (mark.newest < 1 || mark.idCount < 1) return;
  std::size_t length = static_cast<std::size_t>(std::snprintf(text, sizeof text, "%d", mark.newest));
  for (int i = 0; i < mark.idCount; ++i) {
    const std::size_t idLength = std::strlen(mark.ids[i]);
    if (length + 1 + idLength >= sizeof text) break;
    text[length++] = ' ';
    std::memcpy(text + length, mark.ids[i], idLength + 1);
    length += idLength;
  }
}

void NewMailCount::Start(const char* storedMark) {
  *this = NewMailCount{};
  stored_ = ParseSeenMark(storedMark);
}

void NewMailCount::Remember(std::int32_t number, const char* id) {
  if (recent_.idCount > 0 && number <= recent_.newest && number > recent_.newest - recent_.idCount) return;
  // The next older one goes at the end, while there is room.
  if (recent_.idCount > 0 && number == recent_.newest - recent_.idCount) {
    if (recent_.idCount < kMaxSeenIds) std::memcpy(recent_.ids[recent_.idCount++], id, std::strlen(id) + 1);
    return;
  }
  // A newer one goes in front; one that is not next to the others begins the run afresh.
  if (recent_.idCount > 0 && number != recent_.newest + 1) recent_.idCount = 0;
  const int kept = recent_.idCount < kMaxSeenIds ? recent_.idCount : kMaxSeenIds - 1;
  std::memmove(recent_.ids[1], recent_.ids[0], static_cast<std::size_t>(kept) * sizeof recent_.ids[0]);
  std::memcpy(recent_.ids[0], id, std::strlen(id) + 1);
  recent_.idCount = kept + 1;
  recent_.newest = number;
}

void NewMailCount::OnProbe(const char* listing) {
  std::int32_t number = 0;
  char id[kMaxUid + 1];
  if (listing == nullptr || !ReadListing(listing, &number, id) || number != stored_.newest) return;
  probeMatched_ = std::strcmp(id, stored_.ids[0]) == 0;
  if (probeMatched_) Remember(number, id);
}

NewMailCount::Plan NewMailCount::OnStat(std::int32_t count) {
  count_ = count > 0 ? count : 0;
  const std::int32_t oldest = count_ - kMaxSeenIds + 1;
  if (stored_.newest == 0 || (probeMatched_ && count_ >= stored_.newest)) {
    // Nothing remembered: all of it is new; or nothing before the remembered newest went.
    newCount_ = count_ - stored_.newest;
    const std::int32_t after = stored_.newest + 1;
    return {false, oldest > after ? oldest : after, count_};
  }
  listing_ = count_ > 0;
  return {listing_, 1, 0};
}

bool NewMailCount::OnListed(const char* listing) {
  std::int32_t number = 0;
  char id[kMaxUid + 1];
  if (!ReadListing(listing, &number, id)) return true;
  if (listing_) {
    // Seen messages come before new ones: what follows the last one remembered is new.
    ++lines_;
    int index = 0;
    while (index < stored_.idCount && std::strcmp(id, stored_.ids[index]) != 0) ++index;
    sinceSeen_ = index < stored_.idCount ? 0 : sinceSeen_ + 1;
  }
  Remember(number, id);
  return lines_ <= count_;
}

void NewMailCount::NextMark(char (&text)[kSeenMarkBytes]) const {
  SeenMark mark = recent_;
  // Where nothing before it went, the ids remembered last time are still the messages before these.
  for (int i = 0; probeMatched_ && i < stored_.idCount && mark.idCount < kMaxSeenIds; ++i) {
    if (mark.newest - mark.idCount == stored_.newest - i)
      std::memcpy(mark.ids[mark.idCount++], stored_.ids[i], sizeof mark.ids[0]);
  }
  FormatSeenMark(mark, text);
}

}  // namespace zorvane
