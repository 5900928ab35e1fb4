// Loads the settings as at start-up (an optional first start, then accounts 1 to 4) from any registry: values
// of any type, length and name, keys that fail to open, enumerations that fail. Checks that
// - every text field is zero-terminated within its width and holds the stored text whole when it fits, else its
//   longest prefix that fits without splitting a UTF-8 character (the password once unscrambled);
// - options and account numbers come only from REG_DWORDs of the exact names (their first four bytes, missing
//   ones zero); what is not found stays as it was (options) or is 0 (accounts);
// - the welcome comes, and anything is written, exactly when BOOT is not a 4-byte value holding 1;
// - whatever the options hold, the auto-check period is off or 5 to 99 minutes, and the display mode one of three;
// - the mark of the last new mail seen is nothing or one that reads back as it is written;
// - nothing crashes, every key opened is closed, once, and every enumeration ends.
// Input: bits of the keys that fail to open (Software, maker, settings, POP1..4) and of those whose enumeration
// fails (settings, POP1..4), its error, a flag (bit 0: first start), then values: key (settings, POP1..4), type,
// name length (250 and up: too long), name, two bytes of data length, data.
#include "../unit/memory_registry.h"
#include "fuzz_input.h"
#include "mail/new_mail.h"
#include "settings/options.h"
#include "settings/password.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

using namespace zorvane;
using testing::Value;

namespace {

const std::string kKeys[] = {"Software", "Software\\Quillmoor Software", "Software\\Quillmoor Software\\Mireth"};
std::string KeyPath(int k) { return k == 0 ? kKeys[2] : kKeys[2] + "\\POP" + std::to_string(k); }

void CheckText(const char* field, std::size_t width, const Value* stored, bool password) {
  FUZZ_CHECK(std::memchr(field, '\0', width) != nullptr);
  std::string got(field);
  if (password) ScramblePassword(got.data());
  FUZZ_CHECK(got == CutText(stored ? std::string(stored->data.begin(), stored->data.end()) : "", width));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in{data, data + size};
  testing::MemoryRegistry registry;
  const int failOpen = in.byte();
  const int failEnum = in.byte();
  const int enumError = in.byte() % 6;
  const int flags = in.byte();
  for (int k = 0; k < 7; ++k)
    if (failOpen >> k & 1) registry.failOpen.insert(k < 3 ? kKeys[k] : KeyPath(k - 2));
  const RegResult errors[] = {2, 5, 6, 87, 1009, kRegNoMoreItems};
  for (int k = 0; k < 5; ++k)
    if (failEnum >> k & 1) registry.failEnum[KeyPath(k)] = errors[enumError];
  while (in.more()) {
    const int key = in.byte() % 5;
    const int type = in.byte() % 8;
    const int nameLength = in.byte();
    const std::string name = in.bytes(nameLength < 250 ? nameLength : 250 + (nameLength - 250) * 10);
    const int low = in.byte();
    const int high = in.byte();
    const std::string value = in.bytes((low | high << 8) % 300);
    registry.Put(KeyPath(key), name.substr(0, name.find('\0')), type, {value.begin(), value.end()});
  }
  // A key opens when neither it nor a key above it is made to fail.
  const auto opens = [&](int k) {
    return !(registry.failOpen.count(kKeys[0]) + registry.failOpen.count(kKeys[1]) + registry.failOpen.count(kKeys[2]) +
             registry.failOpen.count(KeyPath(k)));
  };
  testing::JournalUi ui{registry.journal};
  Settings settings;
  std::memset(&settings, 'A', sizeof settings);  // whatever was there before must not survive
  settings.options = {-7, -8, -9};
  SettingsStore store(registry, ui, settings);
  if (flags & 1) {
    const Value* boot = opens(0) ? registry.Find(KeyPath(0), "BOOT") : nullptr;
    const bool started = boot && boot->data.size() == 4 && ReadLittleEndian32(boot->data.data()) == 1;
    store.CheckFirstStart(nullptr);
    FUZZ_CHECK(registry.journal.empty() == started &&
               std::count(registry.journal.begin(), registry.journal.end(), "sound") == (started ? 0 : 1));
  }
  for (int n = 1; n <= kAccountCount; ++n) store.LoadAccount(nullptr, n);
  FUZZ_CHECK(registry.openKeys() == 0 && registry.badHandles == 0 && registry.enumCalls < 10000);

  // What a load may take: a value of the exact name and type that fits the enumeration's buffer.
  const auto found = [&](int k, const char* name, std::uint32_t type) -> const Value* {
    const Value* v = opens(k) && !registry.failEnum.count(KeyPath(k)) ? registry.Find(KeyPath(k), name) : nullptr;
    return v && v->type == type && v->data.size() <= 256 ? v : nullptr;
  };
  const auto number = [&](int k, const char* name, std::int32_t otherwise) {
    unsigned char bytes[4] = {};  // missing ones: zero
    const Value* v = found(k, name, kRegDword);
    if (v) std::copy_n(v->data.begin(), std::min<std::size_t>(4, v->data.size()), bytes);
    return v ? static_cast<std::int32_t>(ReadLittleEndian32(bytes)) : otherwise;
  };
  const CheckOptions& o = settings.options;
  FUZZ_CHECK(o.IsChk == number(0, "IsChk", -7) && o.ChkTime == number(0, "ChkTime", -8) &&
             o.ChkOpti == number(0, "ChkOpti", -9));
  // Whatever they hold, the timer is off or runs a period the general dialog could have stored, and a display mode
  // other than balls only or the dialog only means both.
  const unsigned minutes = static_cast<unsigned>(std::clamp(o.ChkTime, 5, 99));
  FUZZ_CHECK(AutoCheckPeriodMs(o) == (o.IsChk == 0 ? 0 : minutes * 60000));
  FUZZ_CHECK(DisplayModeOf(o) ==
             (o.ChkOpti == 1 || o.ChkOpti == 2 ? DisplayMode(o.ChkOpti) : DisplayMode::BallsAndDialog));
  for (int n = 1; n <= kAccountCount; ++n) {
    const PopAccount& a = settings.account(n);
    FUZZ_CHECK(a.PortNo == number(n, "PortNo", 0) && a.ChkFlg == number(n, "ChkFlg", 0) &&
               a.Imagetype == number(n, "Imagetype", 0) && a.StlsFlg == number(n, "StlsFlg", 0) &&
               a.NewFlg == number(n, "NewFlg", 0));
    CheckText(a.SeenUidl, sizeof a.SeenUidl, found(n, "SeenUidl", kRegSz), false);
    // Whatever it holds, the mark it gives is nothing or one that reads back as it is written.
    const SeenMark mark = ParseSeenMark(a.SeenUidl);
    char written[kSeenMarkBytes];
    char again[kSeenMarkBytes];
    FormatSeenMark(mark, written);
    FormatSeenMark(ParseSeenMark(written), again);
    FUZZ_CHECK((mark.newest == 0) == (mark.idCount == 0) && std::strcmp(written, again) == 0);
    CheckText(a.NAME, sizeof a.NAME, found(n, "NAME", kRegSz), false);
    CheckText(a.Serv, sizeof a.Serv, found(n, "Serv", kRegSz), false);
    CheckText(a.UserId, sizeof a.UserId, found(n, "UserId", kRegSz), false);
    CheckText(a.PassWord, sizeof a.PassWord, found(n, "PassWord", kRegSz), true);
  }
  return 0;
}
