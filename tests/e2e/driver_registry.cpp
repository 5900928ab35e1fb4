#include "driver_registry.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <utility>

#include "driver_support.h"

namespace zdriver {

namespace {

constexpr const char* kMakerKey = "Software\\Quillmoor Software";
constexpr const char* kSettingsKey = "Software\\Quillmoor Software\\Mireth";

const std::pair<DWORD, const char*> kTypeNames[] = {
    {REG_NONE, "REG_NONE"},   {REG_SZ, "REG_SZ"},       {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {REG_BINARY, "REG_BINARY"}, {REG_DWORD, "REG_DWORD"}, {REG_DWORD_BIG_ENDIAN, "REG_DWORD_BIG_ENDIAN"},
    {REG_MULTI_SZ, "REG_MULTI_SZ"}, {REG_QWORD, "REG_QWORD"},
};

struct Value {
  std::string subkey;
  std::string name;
  DWORD type;
  std::vector<BYTE> data;
};

class Key {
 public:
  explicit Key(HKEY key) : key_(key) {}
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() { RegCloseKey(key_); }
  HKEY get() const { return key_; }

 private:
  HKEY key_;
};

std::string TypeName(DWORD type) {
  for (const auto& [number, name] : kTypeNames) {
    if (number == type) return name;
  }
  return std::to_string(type);
}

std::string Hex(const std::vector<BYTE>& data) {
  std::string text;
  char pair[3];
  for (BYTE byte : data) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text;
}

std::string SettingsPath(const std::string& subkey) {
  return subkey == "." ? kSettingsKey : std::string(kSettingsKey) + "\\" + subkey;
}

void CollectValues(HKEY key, const std::string& subkey, std::vector<Value>& values) {
  std::vector<char> name(32768);
  std::vector<BYTE> data(4096);
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataLength = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG status = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_MORE_DATA) {
      data.resize(data.size() * 2);  // retry the same index with room for the data
      continue;
    }
    if (status != ERROR_SUCCESS) throw Failure("RegEnumValueA failed in " + subkey + ": " + std::to_string(status));
    values.push_back({subkey, std::string(name.data(), nameLength), type,
                      std::vector<BYTE>(data.begin(), data.begin() + dataLength)});
    ++index;
  }

  std::vector<char> child(256);
  for (DWORD index = 0;; ++index) {
    DWORD childLength = static_cast<DWORD>(child.size());
    LONG status = RegEnumKeyExA(key, index, child.data(), &childLength, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) throw Failure("RegEnumKeyExA failed in " + subkey + ": " + std::to_string(status));
    std::string childName(child.data(), childLength);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(key, childName.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
      throw Failure("cannot open subkey " + childName);
    }
    Key childKey(opened);
    CollectValues(childKey.get(), subkey == "." ? childName : subkey + "\\" + childName, values);
  }
}

}  // namespace

void DumpSettings() {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    throw Failure(std::string("no key HKCU\\") + kSettingsKey);
  }
  Key settings(opened);
  std::vector<Value> values;
  CollectValues(settings.get(), ".", values);
  std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) {
    return std::tie(a.subkey, a.name) < std::tie(b.subkey, b.name);
  });
  for (const Value& value : values) {
    Print(EscapeField(value.subkey) + "\t" + EscapeField(value.name) + "\t" + TypeName(value.type) + "\t" +
          std::to_string(value.data.size()) + "\t" + Hex(value.data) + "\n");
  }
}

void DeleteMakerKey() {
  LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, kMakerKey);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    throw Failure("RegDeleteTreeA failed: " + std::to_string(status));
  }
}

void SetSettingsValue(const std::string& subkey, const std::string& name, DWORD type,
                      const std::vector<BYTE>& data) {
  HKEY created = nullptr;
  LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, SettingsPath(subkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) throw Failure("cannot create key " + SettingsPath(subkey));
  Key key(created);
  status = RegSetValueExA(key.get(), name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
  if (status != ERROR_SUCCESS) throw Failure("RegSetValueExA failed: " + std::to_string(status));
}

void DeleteSettingsValue(const std::string& subkey, const std::string& name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsPath(subkey).c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) {
    throw Failure("no key " + SettingsPath(subkey));
  }
  Key key(opened);
  LONG status = RegDeleteValueA(key.get(), name.c_str());
  if (status != ERROR_SUCCESS) throw Failure("cannot delete value " + name + ": " + std::to_string(status));
}

DWORD ParseValueType(const std::string& text) {
  for (const auto& [number, name] : kTypeNames) {
    if (text == name) return number;
  }
  std::int64_t value = ParseInteger(text, "a value type (REG_SZ, REG_DWORD, ... or a number)");
  if (value < 0 || value > 0xFFFFFFFFLL) throw UsageError("value type out of range: " + text);
  return static_cast<DWORD>(value);
}

std::vector<BYTE> ParseHex(const std::string& text) {
  if (text.size() % 2 != 0) throw UsageError("hex data needs two digits per byte: " + text);
  std::vector<BYTE> bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    std::string pair = text.substr(i, 2);
    if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      throw UsageError("not hex data: " + text);
    }
    bytes.push_back(static_cast<BYTE>(std::stoul(pair, nullptr, 16)));
  }
  return bytes;
}

}  // namespace zdriver
