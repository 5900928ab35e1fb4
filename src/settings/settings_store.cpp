#include "settings/settings_store.h"

#include <cstddef>
#include <cstring>

#include "common/text.h"
#include "settings/password.h"
#include "settings/settings_keys.h"

namespace zorvane {

const char kWelcomeText[] =
    "この度は、「Zorvane」をダウンロードして頂き誠に有り難うございます。\n"
    "最初にタスクトレイ上のアイコンを右クリックして\n"
    "メールチェックを行うPOP3サーバの設定を行って下さい。\n\n"
    "作者：Zorvane開発チーム\n"
    "E-Mail：zorvane-dev@example.com";

namespace {

const char kWelcomeTitle[] = "ようこそ！！";
const char kInvalidAccountText[] = "レジストリが不正です";
const char kProgramErrorTitle[] = "Zorvaneエラー";
const char kBootName[] = "BOOT";

// A default text is empty, written as this many zero bytes.
constexpr std::uint32_t kDefaultTextLength = 256;

enum class Kind { Text, Number };

// One stored value of an account or of the options. The records reuse the
// registry names as field names, so each row spells its name once.
struct StoredValue {
  const char* name;
  Kind kind;
  std::size_t offset;         // of the field in its record
  std::size_t width;          // of the field, in bytes
  std::uint32_t savedLength;  // data bytes a save writes; 0: a save leaves the value alone
  std::int32_t initial;       // a default number
  int defaultsTurn;           // defaults go out in this order, not a save's; -1: never one
};

#define STORED_TEXT(Record, field, turn) \
  { #field, Kind::Text, offsetof(Record, field), sizeof(Record::field), sizeof(Record::field), 0, turn }
#define STORED_NUMBER(Record, field, saved, initial, turn) \
  { #field, Kind::Number, offsetof(Record, field), sizeof(std::int32_t), (saved) ? 4u : 0u, initial, turn }

// In the order a save writes them; the ball graphic type is only ever written
// as a default.
constexpr StoredValue kAccountValues[] = {
    STORED_TEXT(PopAccount, NAME, 3),
    STORED_TEXT(PopAccount, Serv, 5),
    STORED_TEXT(PopAccount, UserId, 6),
    STORED_TEXT(PopAccount, PassWord, 4),
    STORED_NUMBER(PopAccount, PortNo, true, kDefaultPortNo, 2),
    STORED_NUMBER(PopAccount, ChkFlg, true, 0, 0),
    STORED_NUMBER(PopAccount, Imagetype, false, 0, 1),
    // Newer than the first start's defaults: an account without them reads 0 and "".
    STORED_NUMBER(PopAccount, StlsFlg, true, kStlsWhenOffered, -1),
    STORED_NUMBER(PopAccount, NewFlg, true, 0, -1),
    STORED_TEXT(PopAccount, SeenUidl, -1),
};

constexpr StoredValue kOptionValues[] = {
    STORED_NUMBER(CheckOptions, ChkTime, true, 10, 0),
    STORED_NUMBER(CheckOptions, ChkOpti, true, 0, 1),
    STORED_NUMBER(CheckOptions, IsChk, true, 0, 2),
};

#undef STORED_TEXT
#undef STORED_NUMBER

template <std::size_t N>
using Table = const StoredValue (&)[N];

template <typename Record>
char* FieldOf(Record& record, const StoredValue& value) {
  return reinterpret_cast<char*>(&record) + value.offset;
}
template <typename Record>
const char* FieldOf(const Record& record, const StoredValue& value) {
  return reinterpret_cast<const char*>(&record) + value.offset;
}

std::int32_t NumberOf(const char* field) {
  std::int32_t number;
  std::memcpy(&number, field, sizeof number);
  return number;
}

void WriteDefault(SettingsKeys& keys, RegKey key, const StoredValue& value) {
  if (value.kind == Kind::Text) {
    keys.WriteText(key, value.name, "", 1, kDefaultTextLength);
  } else {
    keys.WriteNumber(key, value.name, static_cast<std::uint32_t>(value.initial));
  }
}

// The first start's defaults in their turns; with newer, then the values it never wrote.
template <std::size_t N>
void WriteDefaults(SettingsKeys& keys, RegKey key, Table<N> table, bool newer = false) {
  for (int turn = 0; turn < static_cast<int>(N); ++turn) {
    for (const StoredValue& value : table) {
      if (value.defaultsTurn == turn) WriteDefault(keys, key, value);
    }
  }
  for (const StoredValue& value : table) {
    if (newer && value.defaultsTurn < 0) WriteDefault(keys, key, value);
  }
}

template <std::size_t N, typename Record>
void WriteSaved(SettingsKeys& keys, RegKey key, Table<N> table, const Record& record) {
  for (const StoredValue& value : table) {
    if (value.savedLength == 0) continue;
    const char* field = FieldOf(record, value);
    if (value.kind == Kind::Text)
      keys.WriteText(key, value.name, field, value.width, value.savedLength);
    else
      keys.WriteNumber(key, value.name, static_cast<std::uint32_t>(NumberOf(field)));
  }
}

// Only a value of the exact name and of its row's type reaches the record.
template <std::size_t N, typename Record>
void LoadValues(SettingsKeys& keys, RegKey key, Table<N> table, Record& record) {
  keys.ForEachValue(key, [&](const char* name, std::uint32_t type, const unsigned char* data, std::uint32_t size) {
    for (const StoredValue& value : table) {
      if (std::strcmp(name, value.name) != 0) continue;
      char* field = FieldOf(record, value);
      // The data buffer is emptied before each value, so a short number reads
      // as if its missing bytes were zero.
      if (value.kind == Kind::Text && type == kRegSz) {
        CopyTextCut(field, value.width, reinterpret_cast<const char*>(data), size);
      } else if (value.kind == Kind::Number && type == kRegDword) {
        const std::uint32_t number = ReadLittleEndian32(data);
        std::memcpy(field, &number, sizeof number);
      }
    }
  });
}

}  // namespace

void SettingsStore::CheckFirstStart(OwnerWindow owner) {
  SettingsKeys keys(registry_, ui_, owner);
  // The type is not looked at: any 4-byte value holding 1 means "started before".
  if (keys.HoldsNumber(keys.settings(), kBootName, 1)) return;
  ui_.PlayWelcomeSound();
  ui_.ShowMessage(owner, kWelcomeText, kWelcomeTitle, MessageIcon::Information);
  keys.WriteNumber(keys.settings(), kBootName, 1);
  WriteDefaults(keys, keys.settings(), kOptionValues);
  for (int n = 1; n <= kAccountCount; ++n) WriteDefaults(keys, keys.OpenAccount(n), kAccountValues);
}

bool SettingsStore::AcceptsAccountNumber(OwnerWindow owner, int n) {
  if (IsValidAccountNumber(n)) return true;
  ui_.ShowMessage(owner, kInvalidAccountText, kProgramErrorTitle, MessageIcon::Error);
  return false;
}

void SettingsStore::LoadAccount(OwnerWindow owner, int n) {
  if (!AcceptsAccountNumber(owner, n)) return;
  SettingsKeys keys(registry_, ui_, owner);
  if (n == 1) LoadValues(keys, keys.settings(), kOptionValues, settings_.options);
  const RegKey accountKey = keys.OpenAccount(n);
  if (accountKey == 0) keys.ReportError();
  PopAccount record = {};
  LoadValues(keys, accountKey, kAccountValues, record);
  ScramblePassword(record.PassWord);
  settings_.account(n) = record;
}

void SettingsStore::SaveOptions(OwnerWindow owner) {
  SettingsKeys keys(registry_, ui_, owner);
  WriteSaved(keys, keys.settings(), kOptionValues, settings_.options);
}

void SettingsStore::SaveAccount(OwnerWindow owner, int n, const PopAccount& record) {
  if (!AcceptsAccountNumber(owner, n)) return;
  PopAccount stored = record;
  CopyTextCut(stored.PassWord, sizeof stored.PassWord, record.PassWord, sizeof record.PassWord);
  ScramblePassword(stored.PassWord);
  {
    SettingsKeys keys(registry_, ui_, owner);
    const RegKey accountKey = keys.OpenAccount(n);
    if (accountKey == 0) keys.ReportError();
    keys.WriteNumber(keys.settings(), kBootName, 1);
    WriteSaved(keys, accountKey, kAccountValues, stored);
  }
  PopAccount& account = settings_.account(n);
  for (const StoredValue& value : kAccountValues) {
    if (value.savedLength == 0) continue;
    char* field = FieldOf(account, value);
    const char* source = FieldOf(record, value);
    if (value.kind == Kind::Text)
      CopyTextCut(field, value.width, source, value.width);
    else
      std::memcpy(field, source, value.width);
  }
}

void SettingsStore::RememberStartTls(OwnerWindow owner, int n) {
  if (!AcceptsAccountNumber(owner, n)) return;
  // In memory even when the registry fails: at least until the exit.
  settings_.account(n).StlsFlg = kStlsRequired;
  SettingsKeys keys(registry_, ui_, owner);
  const RegKey accountKey = keys.OpenAccount(n);
  if (accountKey == 0) keys.ReportError();
  keys.WriteNumber(accountKey, "StlsFlg", kStlsRequired);
}

void SettingsStore::SaveSeenMark(OwnerWindow owner, int n, const char* mark) {
  if (!AcceptsAccountNumber(owner, n)) return;
  PopAccount& account = settings_.account(n);
  CopyTextCut(account.SeenUidl, mark);
  SettingsKeys keys(registry_, ui_, owner);
  const RegKey accountKey = keys.OpenAccount(n);
  if (accountKey == 0) keys.ReportError();
  keys.WriteText(accountKey, "SeenUidl", account.SeenUidl, sizeof account.SeenUidl, sizeof account.SeenUidl);
}

void SettingsStore::ClearAccount(OwnerWindow owner, int n) {
  if (!AcceptsAccountNumber(owner, n)) return;
  {
    SettingsKeys keys(registry_, ui_, owner);
    // The next account in the slot inherits nothing, not even what the first start never wrote. A failure here is
    // not reported.
    WriteDefaults(keys, keys.OpenAccount(n), kAccountValues, true);
  }
  LoadAccount(owner, n);
}

}  // namespace zorvane
