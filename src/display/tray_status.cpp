#include "display/tray_status.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "common/text.h"
#include "display/result_text.h"

namespace zorvane {

namespace {

// An account's line: its name, then its count, or "エラー" and why.
struct TipLine {
  char name[sizeof ResultText::NameText];
  char rest[sizeof " " + sizeof ResultText::CountText + sizeof "：" + sizeof ResultText::DetailText];
};

// The units of the names when each is cut to at most cap.
std::size_t NameUnits(const TipLine* lines, int count, std::size_t cap) {
  std::size_t units = 0;
  for (int i = 0; i < count; ++i) units += std::min(Utf16Length(lines[i].name), cap);
  return units;
}

}  // namespace

void TrayStatus::CheckFinished(const Settings& settings, const CheckCycle& cycle, ClockTime finished) {
  TipLine lines[kAccountCount];
  int count = 0;
  for (int n = 1; n <= kAccountCount; ++n) {
    const PopAccount& account = settings.account(n);
    const CheckResult& result = cycle.result(n);
    bool& waiting = mailWaiting_[n - 1];
    if (!TakesPartInChecks(account)) {
      waiting = false;
      continue;
    }
    // A failure keeps what the last check that reached the account found;
    // an account that announces only new mail waits with new mail only.
    const bool failed = result.Status != CheckStatus::Ok;
    if (!failed) waiting = AnnouncedCount(result) > 0;
    const ResultText text = BuildResultText(account, result);
    TipLine& line = lines[count++];
    CopyTextCut(line.name, text.NameText);
    std::snprintf(line.rest, sizeof line.rest, " %s%s%s", text.CountText, failed ? "：" : "",
                  failed ? text.DetailText : "");
  }

  char header[32];
  std::snprintf(header, sizeof header, "Zorvane %02d:%02d", finished.hour, finished.minute);
  std::size_t fixed = Utf16Length(header);
  for (int i = 0; i < count; ++i) fixed += 1 + Utf16Length(lines[i].rest);
  const std::size_t room = fixed < kTrayTipUnits ? kTrayTipUnits - fixed : 0;
  // Where the names do not all fit, the longest are cut first, to one length.
  std::size_t cap = kTrayTipUnits;
  while (cap > 0 && NameUnits(lines, count, cap) > room) --cap;

  std::size_t used = 0;
  const auto append = [&](const char* text, std::size_t bytes) {
    used += CopyTextCut(tip_ + used, sizeof tip_ - used, text, bytes);
  };
  append(header, sizeof header);
  for (int i = 0; i < count; ++i) {
    append("\n", 1);
    append(lines[i].name, Utf16PrefixLength(lines[i].name, cap));
    append(lines[i].rest, sizeof lines[i].rest);
  }
  // Failure texts too long to leave a name any room still end within the tip.
  tip_[Utf16PrefixLength(tip_, kTrayTipUnits)] = '\0';
}

bool TrayStatus::mailWaiting() const {
  return std::any_of(std::begin(mailWaiting_), std::end(mailWaiting_), [](bool waiting) { return waiting; });
}

}  // namespace zorvane
