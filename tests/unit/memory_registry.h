#pragma once
// The current user's registry in memory, with RegEnumValueA's buffer rules,
// failures a test can inject, a count of the keys left open and a journal of
// every write.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "settings/registry.h"

namespace zorvane::testing {

struct Value {
  std::string name;
  std::uint32_t type;
  std::vector<unsigned char> data;
  bool operator==(const Value& o) const { return std::tie(name, type, data) == std::tie(o.name, o.type, o.data); }
};

inline std::vector<unsigned char> Dword(std::uint32_t v) {
  return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v >> 16),
          static_cast<unsigned char>(v >> 24)};
}
// The text, its terminator and zero bytes up to length.
inline std::vector<unsigned char> Text(const std::string& text, std::size_t length = 0) {
  std::vector<unsigned char> data(text.begin(), text.end());
  data.resize(std::max(length, text.size() + 1));
  return data;
}

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
    const auto found = keys.find(open_[key]);
    if (found == keys.end() || index >= found->second.size()) return kRegNoMoreItems;
    const Value& value = found->second[index];
    if (value.name.size() + 1 > *nameSize) return kRegMoreData;
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameSize = static_cast<std::uint32_t>(value.name.size());
    *type = value.type;
    return Copy(value.data, data, dataSize);
  }
  RegResult SetValue(RegKey key, const char* name, std::uint32_t type, const unsigned char* data,
                     std::uint32_t size) override {
    journal.push_back(Written(key, name, type, data, size));
    if (!open_.count(key)) return 6;  // ERROR_INVALID_HANDLE
    Put(open_[key], name, type, std::vector<unsigned char>(data, data + size));
    return kRegOk;
  }

  // A rewritten value keeps its place in the enumeration order.
  void Put(const std::string& path, const std::string& name, std::uint32_t type, std::vector<unsigned char> data) {
    std::vector<Value>& values = keys[path];
    auto it = std::find_if(values.begin(), values.end(), [&](const Value& v) { return v.name == name; });
    if (it == values.end()) it = values.insert(values.end(), Value{name, 0, {}});
    *it = {name, type, std::move(data)};
  }
  const Value* Find(const std::string& path, const std::string& name) const {
    const auto key = keys.find(path);
    if (key == keys.end()) return nullptr;
    const auto it = std::find_if(key->second.begin(), key->second.end(), [&](const Value& v) { return v.name == name; });
    return it == key->second.end() ? nullptr : &*it;
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
  // "key|name|type|length|data": the key's last name ("-" when not open); a
  // 4-byte number in decimal, else the text to its first zero byte followed by
  // every later non-zero byte as "+offset:value".
  std::string Written(RegKey key, const char* name, std::uint32_t type, const unsigned char* data, std::uint32_t size) {
    const std::string path = open_.count(key) ? open_[key] : "-";
    std::string text = path.substr(path.rfind('\\') + 1) + "|" + name + "|" + std::to_string(type) + "|" +
                       std::to_string(size) + "|";
    if (type == kRegDword && size == 4) {
      return text + std::to_string(data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24);
    }
    const std::uint32_t end = static_cast<std::uint32_t>(std::find(data, data + size, 0) - data);
    text.append(reinterpret_cast<const char*>(data), end);
    for (std::uint32_t i = end; i < size; ++i) {
      if (data[i] != 0) text += "+" + std::to_string(i) + ":" + std::to_string(data[i]);
    }
    return text;
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

}  // namespace zorvane::testing
