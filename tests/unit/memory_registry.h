#pragma once
// The current user's registry in memory, with RegEnumValueA's buffer rules, failures a test can inject, a count of
// the keys left open and a journal of every write.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings/registry.h"
#include "settings/settings_store.h"
#include "settings/settings_ui.h"
#include "settings/startup_entry.h"

namespace zorvane::testing {

using Texts = std::vector<std::string>;
struct Value {
  std::string name;
  std::uint32_t type;
  std::vector<unsigned char> data;
};

// Message boxes ("title|text") and the welcome sound ("sound"), logged between the writes.
struct JournalUi : SettingsUi {
  explicit JournalUi(std::vector<std::string>& log) : journal(log) {}
  void ShowMessage(OwnerWindow, const char* text, const char* title, MessageIcon) override {
    journal.push_back(std::string(title) + "|" + text);
  }
  void PlayWelcomeSound() override { journal.push_back("sound"); }
  std::vector<std::string>& journal;
};

class MemoryRegistry : public RegistryBackend {
 public:
  RegKey OpenSoftwareKey() override { return failOpen.count("Software") ? 0 : Open("Software"); }
  RegKey CreateOrOpenKey(RegKey parent, const char* name) override {
    const std::string path = open_.count(parent) ? open_[parent] + "\\" + name : "";
    return path.empty() || failOpen.count(path) ? 0 : Open(path);
  }
  void CloseKey(RegKey key) override { badHandles += open_.erase(key) == 0; }
  RegResult QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                       std::uint32_t* size) override {
    const Value* value = open_.count(key) ? Find(open_[key], name) : nullptr;
    if (value == nullptr) return 2;  // ERROR_FILE_NOT_FOUND
    *type = value->type;
    return Copy(value->data, data, size);
  }
  RegResult EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize, std::uint32_t* type,
                      unsigned char* data, std::uint32_t* dataSize) override {
    // Past this many calls an enumeration can only be a loop that never ends.
    if (++enumCalls > 10000 || !open_.count(key)) return kRegNoMoreItems;
    if (failEnum.count(open_[key])) return failEnum[open_[key]];
    if (index >= keys[open_[key]].size()) return kRegNoMoreItems;
    const Value& value = keys[open_[key]][index];
    if (value.name.size() + 1 > *nameSize) return kRegMoreData;
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameSize = static_cast<std::uint32_t>(value.name.size());
    *type = value.type;
    return Copy(value.data, data, dataSize);
  }
  // Journal: "key|name|type|length|data", the key's last name ("-" when not open); a 4-byte number in decimal,
  // else the text to its first zero byte and every later non-zero byte as "+offset:value".
  RegResult SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                     std::uint32_t size) override {
    const std::string path = open_.count(key) ? open_[key] : "-";
    std::string& entry = journal.emplace_back(path.substr(path.rfind('\\') + 1) + "|" + name + "|" +
                                              std::to_string(type) + "|" + std::to_string(size) + "|");
    const bool number = type == kRegDword && size == 4;
    if (number) entry += std::to_string(data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24);
    for (std::uint32_t i = 0, text = 1; i < size && !number; ++i) {
      text = text && data[i] != 0;
      if (text)
        entry += static_cast<char>(data[i]);
      else if (data[i] != 0)
        entry += "+" + std::to_string(i) + ":" + std::to_string(data[i]);
    }
    if (!open_.count(key)) return 6;  // ERROR_INVALID_HANDLE
    Put(path, name, type, std::vector<unsigned char>(data, data + size));
    return kRegOk;
  }
  // Journal: "name|deleted"; the value stays.
  RegResult DeleteValue(RegKey key, const char* name) override {
    journal.push_back(name + std::string("|deleted"));
    return open_.count(key) ? kRegOk : 6;
  }

  // A rewritten value keeps its place in the enumeration order.
  void Put(const std::string& path, const std::string& name, std::uint32_t type, std::vector<unsigned char> data) {
    if (Value* value = Find(path, name))
      *value = {name, type, std::move(data)};
    else
      keys[path].push_back({name, type, std::move(data)});
  }
  Value* Find(const std::string& path, const std::string& name) {
    std::vector<Value>& values = keys[path];
    const auto it = std::find_if(values.begin(), values.end(), [&](const Value& v) { return v.name == name; });
    return it == values.end() ? nullptr : &*it;
  }
  std::size_t openKeys() const { return open_.size(); }

  std::map<std::string, std::vector<Value>> keys;
  std::vector<std::string> journal;
  std::set<std::string> failOpen;
  std::map<std::string, RegResult> failEnum;
  int badHandles = 0;
  int enumCalls = 0;

 private:
  RegKey Open(const std::string& path) {
    open_[++last_] = path;
    return last_;
  }
  static RegResult Copy(const std::vector<unsigned char>& value, unsigned char* data, std::uint32_t* size) {
    const bool fits = value.size() <= *size;
    if (fits) std::copy(value.begin(), value.end(), data);
    *size = static_cast<std::uint32_t>(value.size());
    return fits ? kRegOk : kRegMoreData;
  }

  std::map<RegKey, std::string> open_;
  RegKey last_ = 0x100;
};

struct SettingsInMemory {
  MemoryRegistry registry;
  JournalUi ui{registry.journal};
  Settings settings = {};
  SettingsStore store{registry, ui, settings};
  StartupEntry startup{registry, ui, "C:\\Zorvane\\zorvane.exe"};
};

}  // namespace zorvane::testing
