#include "support/registry.hpp"

#include <utility>

#include "support/text.hpp"

namespace kx {
namespace {

std::shared_ptr<RegistryStore>& DefaultStorage() {
  static std::shared_ptr<RegistryStore> store = std::make_shared<MemoryRegistryStore>();
  return store;
}

}  // namespace

std::optional<RegValue> MemoryRegistryStore::Read(RegRoot root, const std::string& keyPath,
                                                  const std::string& name) {
  const auto key = keys_.find({root, AsciiLower(keyPath)});
  if (key == keys_.end()) return std::nullopt;
  const auto value = key->second.values.find(AsciiLower(name));
  if (value == key->second.values.end()) return std::nullopt;
  return value->second;
}

bool MemoryRegistryStore::Write(RegRoot root, const std::string& keyPath, const std::string& name,
                                const RegValue& value) {
  if (failWrites_) return false;
  keys_[{root, AsciiLower(keyPath)}].values[AsciiLower(name)] = value;
  return true;
}

bool MemoryRegistryStore::KeyExists(RegRoot root, const std::string& keyPath) {
  return keys_.count({root, AsciiLower(keyPath)}) != 0;
}

std::size_t MemoryRegistryStore::ValueCount() const {
  std::size_t n = 0;
  for (const auto& [path, key] : keys_) n += key.values.size();
  return n;
}

RegistryStore& DefaultRegistry() {
  return *DefaultStorage();
}

void SetDefaultRegistry(std::shared_ptr<RegistryStore> store) {
  DefaultStorage() = store ? std::move(store) : std::make_shared<MemoryRegistryStore>();
}

bool SetRegString(RegistryStore& store, RegRoot root, const std::string& keyPath,
                  const std::string& valueName, std::string& data) {
  if (data.empty()) data.push_back(' ');
  try {
    return store.Write(root, keyPath, valueName, RegValue{REG_SZ, data, 0});
  } catch (...) {
    return false;
  }
}

bool SetRegString(RegRoot root, const std::string& keyPath, const std::string& valueName,
                  std::string& data) {
  return SetRegString(DefaultRegistry(), root, keyPath, valueName, data);
}

std::string GetRegString(RegistryStore& store, RegRoot root, const std::string& keyPath,
                         const std::string& valueName) {
  std::optional<RegValue> value;
  try {
    value = store.Read(root, keyPath, valueName);
  } catch (...) {
    return {};
  }
  if (!value) return {};
  switch (value->type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      if (value->text.size() + 1 > kRegReadLimit) return {};
      const auto zero = value->text.find('\0');
      return zero == std::string::npos ? value->text : value->text.substr(0, zero);
    }
    case REG_DWORD:
      return std::to_string(static_cast<std::int32_t>(value->number));
    default:
      return {};
  }
}

std::string GetRegString(RegRoot root, const std::string& keyPath, const std::string& valueName) {
  return GetRegString(DefaultRegistry(), root, keyPath, valueName);
}

std::string GetSetting(RegistryStore& store, const std::string& application,
                       const std::string& section, const std::string& key,
                       const std::string& fallback) {
  const std::string path = std::string(kProgramSettingsKey) + "\\" + application + "\\" + section;
  std::optional<RegValue> value;
  try {
    value = store.Read(HKEY_CURRENT_USER, path, key);
  } catch (...) {
    return fallback;
  }
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return fallback;
  return value->text;
}

bool SaveSetting(RegistryStore& store, const std::string& application, const std::string& section,
                 const std::string& key, const std::string& value) {
  std::string data = value;
  return SetRegString(store, HKEY_CURRENT_USER,
                      std::string(kProgramSettingsKey) + "\\" + application + "\\" + section, key,
                      data);
}

}  // namespace kx
