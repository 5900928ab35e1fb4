#include "settings/settings_store.h"

#include <cstring>
#include <initializer_list>

#include "common/text.h"
#include "settings/password.h"

namespace zorvane {

const char kWelcomeText[] =
    "この度は、「Zorvane」をダウンロードして頂き誠に有り難うございます。\n"
    "最初にタスクトレイ上のアイコンを右クリックして\n"
    "メールチェックを行うPOP3サーバの設定を行って下さい。\n\n"
    "作者：Zorvane開発チーム\n"
    "E-Mail：zorvane-dev@example.com";

namespace {

const char kWelcomeTitle[] = "ようこそ！！";
const char kRegistryErrorText[] = "レジストリのエラー";
const char kEnumErrorText[] = "レジストリのエラー5";
const char kInvalidAccountText[] = "レジストリが不正です";
const char kWarningTitle[] = "警告";
const char kProgramErrorTitle[] = "Zorvaneエラー";

constexpr std::uint32_t kEnumBufferSize = 256;
constexpr std::uint32_t kDefaultTextLength = 256;

const char* const kAccountKeyNames[kAccountCount] = {"POP1", "POP2", "POP3", "POP4"};

std::uint32_t ReadLittleEndian32(const unsigned char* data) {
  return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
         static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

bool IsNamed(const char* name, const char* expected) { return std::strcmp(name, expected) == 0; }

}  // namespace

SettingsStore::OpenKeys SettingsStore::OpenSettingsKey(OwnerWindow owner) {
  OpenKeys keys;
  keys.software = registry_.OpenSoftwareKey();
  if (keys.software == 0) ReportRegistryError(owner);
  keys.maker = registry_.CreateOrOpenKey(keys.software, "Quillmoor Software");
  if (keys.maker == 0) ReportRegistryError(owner);
  keys.settings = registry_.CreateOrOpenKey(keys.maker, "Mireth");
  if (keys.settings == 0) ReportRegistryError(owner);
  return keys;
}

void SettingsStore::CloseSettingsKey(OpenKeys& keys) {
  for (RegKey* key : {&keys.account, &keys.settings, &keys.maker, &keys.software}) {
    if (*key != 0) registry_.CloseKey(*key);
    *key = 0;
  }
}

void SettingsStore::ReportRegistryError(OwnerWindow owner) {
  ui_.ShowMessage(owner, kRegistryErrorText, kWarningTitle, MessageIcon::Error);
}

void SettingsStore::WriteDword(RegKey key, const char* name, std::uint32_t value) {
  const unsigned char data[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  registry_.SetValue(key, name, kRegDword, data, sizeof data);
}

void SettingsStore::WriteText(RegKey key, const char* name, const char* text, std::uint32_t dataLength) {
  // The text, its terminator and zero bytes up to the fixed data length.
  char data[kDefaultTextLength] = {};
  CopyTextCut(data, dataLength, text);
  registry_.SetValue(key, name, kRegSz, reinterpret_cast<const unsigned char*>(data), dataLength);
}

void SettingsStore::CheckFirstStart(OwnerWindow owner) {
  OpenKeys keys = OpenSettingsKey(owner);
  unsigned char boot[4] = {};
  std::uint32_t type = 0;
  std::uint32_t size = sizeof boot;
  const RegResult result = registry_.QueryValue(keys.settings, "BOOT", &type, boot, &size);
  // The type is not looked at: any 4-byte value holding 1 means "started before".
  const bool startedBefore = result == kRegOk && size == sizeof boot && ReadLittleEndian32(boot) == 1;
  if (!startedBefore) {
    ui_.PlayWelcomeSound();
    ui_.ShowMessage(owner, kWelcomeText, kWelcomeTitle, MessageIcon::Information);
    WriteDword(keys.settings, "BOOT", 1);
    WriteDefaultSettings(keys.settings);
  }
  CloseSettingsKey(keys);
}

void SettingsStore::WriteDefaultSettings(RegKey settingsKey) {
  WriteDword(settingsKey, "ChkTime", 10);
  WriteDword(settingsKey, "ChkOpti", 0);
  WriteDword(settingsKey, "IsChk", 0);
  for (const char* keyName : kAccountKeyNames) {
    const RegKey accountKey = registry_.CreateOrOpenKey(settingsKey, keyName);
    WriteAccountDefaults(accountKey);
    if (accountKey != 0) registry_.CloseKey(accountKey);
  }
}

void SettingsStore::WriteAccountDefaults(RegKey accountKey) {
  WriteDword(accountKey, "ChkFlg", 0);
  WriteDword(accountKey, "Imagetype", 0);
  WriteDword(accountKey, "PortNo", kDefaultPortNo);
  for (const char* name : {"NAME", "PassWord", "Serv", "UserId"}) {
    WriteText(accountKey, name, "", kDefaultTextLength);
  }
}

template <typename Apply>
void SettingsStore::EnumerateValues(OwnerWindow owner, RegKey key, Apply apply) {
  // A key that could not be opened has been reported already; enumerating it
  // would only fail at every index.
  if (key == 0) return;
  for (std::uint32_t index = 0;; ++index) {
    char name[kEnumBufferSize] = {};
    unsigned char data[kEnumBufferSize] = {};
    std::uint32_t nameSize = kEnumBufferSize;
    std::uint32_t dataSize = kEnumBufferSize;
    std::uint32_t type = 0;
    const RegResult result = registry_.EnumValue(key, index, name, &nameSize, &type, data, &dataSize);
    if (result == kRegNoMoreItems) return;
    if (result != kRegOk) {
      ui_.ShowMessage(owner, kEnumErrorText, kWarningTitle, MessageIcon::Error);
      // A value too large for the buffers is skipped; any other failure would
      // repeat at every further index, so the enumeration ends here.
      if (result == kRegMoreData) continue;
      return;
    }
    name[kEnumBufferSize - 1] = '\0';
    if (dataSize > kEnumBufferSize) dataSize = kEnumBufferSize;
    apply(name, type, data, dataSize);
  }
}

void SettingsStore::LoadOptions(OwnerWindow owner, RegKey settingsKey) {
  CheckOptions& options = settings_.options;
  EnumerateValues(owner, settingsKey,
                  [&](const char* name, std::uint32_t type, const unsigned char* data, std::uint32_t) {
                    if (type != kRegDword) return;
                    const auto value = static_cast<std::int32_t>(ReadLittleEndian32(data));
                    if (IsNamed(name, "ChkTime")) options.ChkTime = value;
                    else if (IsNamed(name, "ChkOpti")) options.ChkOpti = value;
                    else if (IsNamed(name, "IsChk")) options.IsChk = value;
                  });
}

void SettingsStore::LoadAccountValues(OwnerWindow owner, RegKey accountKey, PopAccount& record) {
  EnumerateValues(owner, accountKey,
                  [&](const char* name, std::uint32_t type, const unsigned char* data, std::uint32_t size) {
                    const char* text = reinterpret_cast<const char*>(data);
                    if (type == kRegSz) {
                      if (IsNamed(name, "NAME")) CopyTextCut(record.NAME, sizeof record.NAME, text, size);
                      else if (IsNamed(name, "PassWord")) CopyTextCut(record.PassWord, sizeof record.PassWord, text, size);
                      else if (IsNamed(name, "Serv")) CopyTextCut(record.Serv, sizeof record.Serv, text, size);
                      else if (IsNamed(name, "UserId")) CopyTextCut(record.UserId, sizeof record.UserId, text, size);
                    } else if (type == kRegDword) {
                      const auto value = static_cast<std::int32_t>(ReadLittleEndian32(data));
                      if (IsNamed(name, "PortNo")) record.PortNo = value;
                      else if (IsNamed(name, "ChkFlg")) record.ChkFlg = value;
                      else if (IsNamed(name, "Imagetype")) record.Imagetype = value;
                    }
                  });
}

void SettingsStore::LoadAccount(OwnerWindow owner, int n) {
  if (!IsValidAccountNumber(n)) {
    ui_.ShowMessage(owner, kInvalidAccountText, kProgramErrorTitle, MessageIcon::Error);
    return;
  }
  OpenKeys keys = OpenSettingsKey(owner);
  if (n == 1) LoadOptions(owner, keys.settings);
  keys.account = registry_.CreateOrOpenKey(keys.settings, kAccountKeyNames[n - 1]);
  if (keys.account == 0) ReportRegistryError(owner);
  PopAccount record = {};
  LoadAccountValues(owner, keys.account, record);
  ScramblePassword(record.PassWord);
  settings_.account(n) = record;
  CloseSettingsKey(keys);
}

void SettingsStore::SaveOptions(OwnerWindow owner) {
  OpenKeys keys = OpenSettingsKey(owner);
  const CheckOptions& options = settings_.options;
  WriteDword(keys.settings, "ChkTime", static_cast<std::uint32_t>(options.ChkTime));
  WriteDword(keys.settings, "ChkOpti", static_cast<std::uint32_t>(options.ChkOpti));
  WriteDword(keys.settings, "IsChk", static_cast<std::uint32_t>(options.IsChk));
  CloseSettingsKey(keys);
}

void SettingsStore::SaveAccount(OwnerWindow owner, int n, const PopAccount& record) {
  if (!IsValidAccountNumber(n)) {
    ui_.ShowMessage(owner, kInvalidAccountText, kProgramErrorTitle, MessageIcon::Error);
    return;
  }
  char storedPassword[sizeof record.PassWord];
  CopyTextCut(storedPassword, record.PassWord);
  ScramblePassword(storedPassword);

  OpenKeys keys = OpenSettingsKey(owner);
  keys.account = registry_.CreateOrOpenKey(keys.settings, kAccountKeyNames[n - 1]);
  if (keys.account == 0) ReportRegistryError(owner);
  WriteDword(keys.settings, "BOOT", 1);
  WriteText(keys.account, "NAME", record.NAME, sizeof record.NAME);
  WriteText(keys.account, "Serv", record.Serv, sizeof record.Serv);
  WriteText(keys.account, "UserId", record.UserId, sizeof record.UserId);
  WriteText(keys.account, "PassWord", storedPassword, sizeof record.PassWord);
  WriteDword(keys.account, "PortNo", static_cast<std::uint32_t>(record.PortNo));
  WriteDword(keys.account, "ChkFlg", static_cast<std::uint32_t>(record.ChkFlg));
  CloseSettingsKey(keys);

  PopAccount& account = settings_.account(n);
  CopyTextCut(account.NAME, record.NAME);
  CopyTextCut(account.Serv, record.Serv);
  CopyTextCut(account.UserId, record.UserId);
  CopyTextCut(account.PassWord, record.PassWord);
  account.PortNo = record.PortNo;
  account.ChkFlg = record.ChkFlg;
}

void SettingsStore::ClearAccount(OwnerWindow owner, int n) {
  if (!IsValidAccountNumber(n)) {
    ui_.ShowMessage(owner, kInvalidAccountText, kProgramErrorTitle, MessageIcon::Error);
    return;
  }
  OpenKeys keys = OpenSettingsKey(owner);
  keys.account = registry_.CreateOrOpenKey(keys.settings, kAccountKeyNames[n - 1]);
  WriteAccountDefaults(keys.account);
  CloseSettingsKey(keys);
  LoadAccount(owner, n);
}

}  // namespace zorvane
