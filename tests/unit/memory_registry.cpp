#include "memory_registry.h"

#include <algorithm>
#include <cstring>

namespace zorvane::testing {

const char kSettingsPath[] = "Software\\Quillmoor Software\\Mireth";

std::string AccountPath(int n) { return std::string(kSettingsPath) + "\\POP" + std::to_string(n); }

std::vector<unsigned char> DwordBytes(std::uint32_t value) {
  return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
          static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

std::vector<unsigned char> TextBytes(const std::string& text, std::size_t dataLength) {
  std::vector<unsigned char> bytes(text.begin(), text.end());
  bytes.resize(std::max(dataLength, text.size() + 1), 0);
  return bytes;
}

MemoryRegistry::MemoryRegistry() { keys_["Software"]; }

const std::string* MemoryRegistry::PathOf(RegKey key) {
  // 0 is "no key": the store carries on after a failed open and its calls
  // then fail, which is expected. Any other unknown handle is a fault.
  if (key == 0) return nullptr;
  auto it = handles_.find(key);
  if (it == handles_.end()) {
    ++badHandleUses_;
    return nullptr;
  }
  return &it->second;
}

RegKey MemoryRegistry::NewHandle(const std::string& path) {
  const RegKey key = nextHandle_++;
  handles_[key] = path;
  return key;
}

RegKey MemoryRegistry::OpenSoftwareKey() {
  if (failOpen_.count("Software") != 0) return 0;
  return NewHandle("Software");
}

RegKey MemoryRegistry::CreateOrOpenKey(RegKey parent, const char* name) {
  const std::string* parentPath = PathOf(parent);
  if (parentPath == nullptr) return 0;
  const std::string path = *parentPath + "\\" + name;
  if (failOpen_.count(path) != 0) return 0;
  keys_[path];
  return NewHandle(path);
}

void MemoryRegistry::CloseKey(RegKey key) {
  if (key == 0 || handles_.erase(key) == 0) ++badHandleUses_;
}

RegResult MemoryRegistry::QueryValue(RegKey key, const char* name, std::uint32_t* type,
                                     unsigned char* data, std::uint32_t* size) {
  const std::string* path = PathOf(key);
  if (path == nullptr) return kInvalidHandle;
  const auto found = Find(*path, name);
  if (!found) return kFileNotFound;
  const auto length = static_cast<std::uint32_t>(found->data.size());
  *type = found->type;
  if (length > *size) {
    *size = length;
    return kRegMoreData;
  }
  std::copy(found->data.begin(), found->data.end(), data);
  *size = length;
  return kRegOk;
}

RegResult MemoryRegistry::EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                                    std::uint32_t* type, unsigned char* data, std::uint32_t* dataSize) {
  if (++enumCalls_ > kEnumCallLimit) return kRegNoMoreItems;
  const std::string* path = PathOf(key);
  if (path == nullptr) return kInvalidHandle;
  auto failure = failEnum_.find(*path);
  if (failure != failEnum_.end()) return failure->second;
  const std::vector<StoredValue>& values = keys_[*path];
  if (index >= values.size()) return kRegNoMoreItems;
  const StoredValue& value = values[index];
  // Like RegEnumValueA: the name buffer must hold the terminator too; a data
  // buffer that is too small gets the needed size back.
  const auto dataLength = static_cast<std::uint32_t>(value.data.size());
  if (value.name.size() + 1 > *nameSize || dataLength > *dataSize) {
    if (dataLength > *dataSize) *dataSize = dataLength;
    return kRegMoreData;
  }
  std::memcpy(name, value.name.c_str(), value.name.size() + 1);
  *nameSize = static_cast<std::uint32_t>(value.name.size());
  *type = value.type;
  std::copy(value.data.begin(), value.data.end(), data);
  *dataSize = dataLength;
  return kRegOk;
}

RegResult MemoryRegistry::SetValue(RegKey key, const char* name, std::uint32_t type,
                                   const unsigned char* data, std::uint32_t size) {
  const std::string* path = PathOf(key);
  if (path == nullptr) return kInvalidHandle;
  ++writeCount_;
  Put(*path, name, type, std::vector<unsigned char>(data, data + size));
  return kRegOk;
}

void MemoryRegistry::Put(const std::string& path, const std::string& name, std::uint32_t type,
                         std::vector<unsigned char> data) {
  std::vector<StoredValue>& values = keys_[path];
  // A rewritten value keeps its place in the enumeration order.
  auto it = std::find_if(values.begin(), values.end(), [&](const StoredValue& v) { return v.name == name; });
  if (it != values.end()) {
    it->type = type;
    it->data = std::move(data);
  } else {
    values.push_back({name, type, std::move(data)});
  }
}

void MemoryRegistry::PutDword(const std::string& path, const std::string& name, std::uint32_t value) {
  Put(path, name, kRegDword, DwordBytes(value));
}

void MemoryRegistry::PutText(const std::string& path, const std::string& name, const std::string& text,
                             std::size_t dataLength) {
  Put(path, name, kRegSz, TextBytes(text, dataLength));
}

std::optional<StoredValue> MemoryRegistry::Find(const std::string& path, const std::string& name) const {
  auto key = keys_.find(path);
  if (key == keys_.end()) return std::nullopt;
  for (const StoredValue& value : key->second) {
    if (value.name == name) return value;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> MemoryRegistry::Dword(const std::string& path, const std::string& name) const {
  auto value = Find(path, name);
  if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
  const auto& d = value->data;
  return static_cast<std::uint32_t>(d[0] | d[1] << 8 | d[2] << 16 | static_cast<std::uint32_t>(d[3]) << 24);
}

std::size_t MemoryRegistry::ValueCount(const std::string& path) const {
  auto key = keys_.find(path);
  return key == keys_.end() ? 0 : key->second.size();
}

}  // namespace zorvane::testing
