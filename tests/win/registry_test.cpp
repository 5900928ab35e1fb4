// The settings store against Wine's real registry.
#include <windows.h>

#include <cstring>
#include <string>

#include "settings/password.h"
#include "settings/settings_store.h"
#include "settings/win32_registry.h"
#include "win_check.h"

using namespace zorvane;

namespace {

const char kMakerPath[] = "Software\\Quillmoor Software";
const char kSettingsPath[] = "Software\\Quillmoor Software\\Mireth";

class CountingUi final : public SettingsUi {
 public:
  void ShowMessage(OwnerWindow, const char* text, const char*, MessageIcon) override {
    ++messages;
    lastText = text;
  }
  void PlayWelcomeSound() override { ++sounds; }
  int messages = 0;
  int sounds = 0;
  std::string lastText;
};

struct StoredValue {
  LONG result = ERROR_FILE_NOT_FOUND;
  DWORD type = 0;
  DWORD length = 0;
  unsigned char data[512] = {};
};

StoredValue ReadStored(const char* subkey, const char* name) {
  std::string path = kSettingsPath;
  if (subkey != nullptr) path += std::string("\\") + subkey;
  StoredValue value;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  value.length = sizeof value.data;
  value.result = RegQueryValueExA(key, name, nullptr, &value.type, value.data, &value.length);
  RegCloseKey(key);
  return value;
}

void WriteRaw(const char* subkey, const char* name, DWORD type, const void* data, DWORD length) {
  std::string path = kSettingsPath;
  if (*subkey != '\0') path += std::string("\\") + subkey;
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), length);
  RegCloseKey(key);
}

void DeleteSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kMakerPath); }

bool IsDword(const StoredValue& value, DWORD expected) {
  DWORD number = 0;
  std::memcpy(&number, value.data, 4);
  return value.result == ERROR_SUCCESS && value.type == REG_DWORD && value.length == 4 && number == expected;
}

bool IsEmptyText(const StoredValue& value, DWORD length) {
  if (value.result != ERROR_SUCCESS || value.type != REG_SZ || value.length != length) return false;
  for (DWORD i = 0; i < length; ++i) {
    if (value.data[i] != 0) return false;
  }
  return true;
}

int CountValues(const char* subkey) {
  std::string path = kSettingsPath;
  if (subkey != nullptr) path += std::string("\\") + subkey;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
  DWORD count = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return static_cast<int>(count);
}

// A first start on an empty settings key, as every check below begins with.
struct FreshSettings {
  FreshSettings() {
    DeleteSettings();
    store.CheckFirstStart(nullptr);
  }
  Win32Registry registry;
  CountingUi ui;
  Settings settings = {};
  SettingsStore store{registry, ui, settings};
};

PopAccount MakeAccount(const char* name, const char* password) {
  PopAccount account = {};
  std::strcpy(account.NAME, name);
  std::strcpy(account.Serv, "127.0.0.1");
  std::strcpy(account.UserId, "user");
  std::strcpy(account.PassWord, password);
  account.PortNo = 1110;
  account.ChkFlg = 1;
  return account;
}

void FirstStartWritesDefaults() {
  FreshSettings fresh;
  auto& [registry, ui, settings, store] = fresh;
  CHECK(ui.sounds == 1);
  CHECK(ui.messages == 1);
  CHECK(IsDword(ReadStored(nullptr, "BOOT"), 1));
  CHECK(IsDword(ReadStored(nullptr, "ChkTime"), 10));
  CHECK(IsDword(ReadStored(nullptr, "ChkOpti"), 0));
  CHECK(IsDword(ReadStored(nullptr, "IsChk"), 0));
  CHECK(CountValues(nullptr) == 4);
  for (const char* subkey : {"POP1", "POP2", "POP3", "POP4"}) {
    CHECK(IsDword(ReadStored(subkey, "ChkFlg"), 0));
    CHECK(IsDword(ReadStored(subkey, "Imagetype"), 0));
    CHECK(IsDword(ReadStored(subkey, "PortNo"), 110));
    for (const char* name : {"NAME", "PassWord", "Serv", "UserId"}) CHECK(IsEmptyText(ReadStored(subkey, name), 256));
    CHECK(CountValues(subkey) == 7);
  }

  // The next start is not a first start.
  store.CheckFirstStart(nullptr);
  CHECK(ui.messages == 1);
  for (int n = 1; n <= 4; ++n) store.LoadAccount(nullptr, n);
  CHECK(ui.messages == 1);
  CHECK(settings.options.ChkTime == 10);
  CHECK(settings.account(4).PortNo == 110);
  CHECK(settings.account(4).NAME[0] == '\0');
}

void PasswordsSurviveTheRegistry() {
  FreshSettings fresh;
  auto& [registry, ui, settings, store] = fresh;

  store.SaveAccount(nullptr, 1, MakeAccount("日本語の名前", "pässwörd"));
  store.SaveAccount(nullptr, 2, MakeAccount("ascii", "secretN"));

  Settings reloaded = {};
  SettingsStore reader(registry, ui, reloaded);
  reader.LoadAccount(nullptr, 1);
  reader.LoadAccount(nullptr, 2);
  CHECK(std::strcmp(reloaded.account(1).PassWord, "pässwörd") == 0);
  CHECK(std::strcmp(reloaded.account(1).NAME, "日本語の名前") == 0);
  CHECK(std::strcmp(reloaded.account(2).PassWord, "secretN") == 0);
  CHECK(reloaded.account(1).PortNo == 1110);
  CHECK(reloaded.account(1).ChkFlg == 1);

  // ASCII passwords are stored byte for byte as always: XOR 0x4E, the key byte kept.
  const StoredValue stored = ReadStored("POP2", "PassWord");
  CHECK(stored.type == REG_SZ && stored.length == 64);
  const char expected[] = {'s' ^ 0x4E, 'e' ^ 0x4E, 'c' ^ 0x4E, 'r' ^ 0x4E, 'e' ^ 0x4E, 't' ^ 0x4E, 'N', 0};
  CHECK(std::memcmp(stored.data, expected, sizeof expected) == 0);
  CHECK(ReadStored("POP1", "NAME").length == 128);
  CHECK(ReadStored("POP1", "Serv").length == 128);
  CHECK(ReadStored("POP1", "UserId").length == 64);
  CHECK(ReadStored("POP1", "PassWord").length == 64);
}

void SavingKeepsImagetype() {
  FreshSettings fresh;
  auto& [registry, ui, settings, store] = fresh;
  const DWORD three = 3;
  WriteRaw("POP3", "Imagetype", REG_DWORD, &three, 4);
  store.LoadAccount(nullptr, 3);
  store.SaveAccount(nullptr, 3, MakeAccount("three", "pw"));
  CHECK(IsDword(ReadStored("POP3", "Imagetype"), 3));
  CHECK(settings.account(3).Imagetype == 3);
}

void LongTextsAreCutOnLoad() {
  FreshSettings fresh;
  auto& [registry, ui, settings, store] = fresh;
  const std::string server(200, 's');
  WriteRaw("POP2", "Serv", REG_SZ, server.c_str(), static_cast<DWORD>(server.size() + 1));
  std::string name;
  for (int i = 0; i < 43; ++i) name += "あ";  // 129 bytes
  WriteRaw("POP2", "NAME", REG_SZ, name.c_str(), static_cast<DWORD>(name.size() + 1));
  store.LoadAccount(nullptr, 2);
  CHECK(std::strlen(settings.account(2).Serv) == 127);
  CHECK(std::strlen(settings.account(2).NAME) == 126);  // 42 whole characters
  CHECK(ui.messages == 1);  // only the welcome
}

void ClearingAccountOneRereadsOptions() {
  FreshSettings fresh;
  auto& [registry, ui, settings, store] = fresh;
  store.SaveAccount(nullptr, 1, MakeAccount("one", "pw"));
  const DWORD thirty = 30;
  WriteRaw("", "ChkTime", REG_DWORD, &thirty, 4);
  store.ClearAccount(nullptr, 1);
  CHECK(settings.options.ChkTime == 30);
  CHECK(settings.account(1).NAME[0] == '\0');
  CHECK(IsEmptyText(ReadStored("POP1", "NAME"), 256));
  CHECK(IsDword(ReadStored("POP1", "ChkFlg"), 0));
}

}  // namespace

int main() {
  CHECK(GetACP() == CP_UTF8);
  FirstStartWritesDefaults();
  PasswordsSurviveTheRegistry();
  SavingKeepsImagetype();
  LongTextsAreCutOnLoad();
  ClearingAccountOneRereadsOptions();
  DeleteSettings();
  return wincheck::Finish();
}
