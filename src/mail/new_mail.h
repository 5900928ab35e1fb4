#pragma once
// Which of a mailbox's messages are new: those that arrived after the newest
// message of the last announcement the user saw. What an account keeps of
// that announcement is a seen mark of bounded size: the number of its newest
// message then, and the unique ids (UIDL, RFC 1939) of that message and of a
// few before it. A check asks for the id at that number alone; when it still
// matches, nothing before it was deleted and exactly the messages after it
// are new. Otherwise the whole listing is read: seen messages come before new
// ones, so what follows the last remembered id in it is new; when none is
// there, the mailbox was emptied and every message is new.
#include <cstddef>
#include <cstdint>

#include "mail/check_result.h"

namespace zorvane {

// A unique id is 1 to 70 characters from 0x21 to 0x7E.
constexpr std::size_t kMaxUid = 70;
// Ids remembered at most; a mark with long ids holds fewer.
constexpr int kMaxSeenIds = 16;

struct SeenMark {
  std::int32_t newest;  // the newest message's number; 0: nothing remembered
  int idCount;
  char ids[kMaxSeenIds][kMaxUid + 1];  // newest first
};

// "<newest> <id> <id> ...": anything else reads as nothing remembered.
SeenMark ParseSeenMark(const char* text);
// As many ids as fit, newest first; "" for nothing remembered.
void FormatSeenMark(const SeenMark& mark, char (&text)[kSeenMarkBytes]);

class NewMailCount {
 public:
  // What to ask the server for once STAT has told the count.
  struct Plan {
    bool listAll;        // UIDL without an argument: the whole listing
    std::int32_t first;  // else UIDL n for n from first to last (none when first > last)
    std::int32_t last;
  };

  void Start(const char* storedMark);
  // The message whose id is asked for beside STAT; 0: none.
  std::int32_t probe() const { return stored_.newest; }
  // The reply to UIDL probe(): "<number> <id>" after the indicator, or nullptr when refused.
  void OnProbe(const char* listing);
  Plan OnStat(std::int32_t count);
  // A line of the whole listing, or the reply to a single UIDL, after the indicator. False
  // when the listing has grown longer than the mailbox STAT described.
  bool OnListed(const char* listing);
  // The whole listing has ended.
  void OnListingEnd() { newCount_ = sinceSeen_; }

  std::int32_t newCount() const { return newCount_; }
  // The mark to keep once the user has seen this check's announcement.
  void NextMark(char (&text)[kSeenMarkBytes]) const;

 private:
  // Keeps the ids of a run of consecutive messages, the newest ones heard of.
  void Remember(std::int32_t number, const char* id);

  SeenMark stored_ = {};
  bool probeMatched_ = false;
  bool listing_ = false;
  std::int32_t count_ = 0;
  std::int32_t newCount_ = 0;
  // Of the listing: lines read, and how many came after the last remembered id.
  std::int32_t lines_ = 0;
  std::int32_t sinceSeen_ = 0;
  // The newest messages whose ids are known, newest first.
  SeenMark recent_ = {};
};

}  // namespace zorvane
