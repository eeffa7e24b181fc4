#pragma once
// The current user's registry: named, typed values under key paths ("Software\Halvex\...",
// backslashes between the parts) below a predefined root. `RegistryStore` keeps the values;
// SetRegString / GetRegString apply the rules of the text values the add-in reads and writes.
// Texts are UTF-8 and stay so: nothing is converted to a single-byte code page.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace kx {

using RegRoot = std::uint32_t;
inline constexpr RegRoot HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr RegRoot HKEY_CURRENT_USER = 0x80000001u;
inline constexpr RegRoot HKEY_LOCAL_MACHINE = 0x80000002u;

// Value types: 1 text, 2 text with unexpanded references, 4 32-bit number.
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_DWORD = 4;

// The longest value data a read takes, in bytes; a text needs one more byte for its end zero.
inline constexpr std::size_t kRegReadLimit = 1024;

struct RegValue {
  std::uint32_t type = REG_SZ;
  std::string text;          // the data of every type but REG_DWORD (may hold zero bytes)
  std::uint32_t number = 0;  // the data of REG_DWORD
  bool operator==(const RegValue&) const = default;
};

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;
  // Returns the value `name` of key `keyPath`, or nullopt when the key or the value does not
  // exist or cannot be read. Never creates anything.
  virtual std::optional<RegValue> Read(RegRoot root, const std::string& keyPath,
                                       const std::string& name) = 0;
  // Writes the value, creating the key when it is missing; returns false when it cannot.
  virtual bool Write(RegRoot root, const std::string& keyPath, const std::string& name,
                     const RegValue& value) = 0;
  virtual bool KeyExists(RegRoot root, const std::string& keyPath) = 0;
};

// Keeps the values in memory (tests, and a program that must not touch the user's store).
// Key paths and value names compare without regard to ASCII letter case, as the registry does.
class MemoryRegistryStore final : public RegistryStore {
 public:
  std::optional<RegValue> Read(RegRoot root, const std::string& keyPath,
                               const std::string& name) override;
  bool Write(RegRoot root, const std::string& keyPath, const std::string& name,
             const RegValue& value) override;
  bool KeyExists(RegRoot root, const std::string& keyPath) override;

  // Makes every following Write fail (true) or succeed again (false).
  void FailWrites(bool fail) { failWrites_ = fail; }
  std::size_t ValueCount() const;

 private:
  struct Key {
    std::map<std::string, RegValue> values;  // by lower-cased name
  };
  std::map<std::pair<RegRoot, std::string>, Key> keys_;  // by root and lower-cased path
  bool failWrites_ = false;
};

// The store that SetRegString / GetRegString use when none is passed. A program installs the
// user's store at start; until then it is an empty MemoryRegistryStore.
RegistryStore& DefaultRegistry();
void SetDefaultRegistry(std::shared_ptr<RegistryStore> store);

// Writes `data` as a text value under `keyPath` (created when missing); an empty `data` is
// stored as " " and the caller's variable holds " " afterwards. Returns true when written.
bool SetRegString(RegistryStore& store, RegRoot root, const std::string& keyPath,
                  const std::string& valueName, std::string& data);
bool SetRegString(RegRoot root, const std::string& keyPath, const std::string& valueName,
                  std::string& data);

// Returns the text of the value: types 1 and 2 as stored (references not expanded), cut at the
// first zero character; type 4 as the signed decimal number ("-1" for 0xFFFFFFFF). Returns ""
// when the key or value is missing, when a text with its end zero needs more than 1024 bytes,
// and for any other type.
std::string GetRegString(RegistryStore& store, RegRoot root, const std::string& keyPath,
                         const std::string& valueName);
std::string GetRegString(RegRoot root, const std::string& keyPath, const std::string& valueName);

// Where the desktop host keeps the per-user program settings of its applications and add-ins
// (below HKEY_CURRENT_USER): "<key>\\<application>\\<section>", one text value per setting.
inline constexpr const char* kProgramSettingsKey =
    "Software\\Korvalinx Planer\\Programmeinstellungen";

// Returns the program setting `key` of `application` in `section`, or `fallback` when it is
// missing or cannot be read.
std::string GetSetting(RegistryStore& store, const std::string& application,
                       const std::string& section, const std::string& key,
                       const std::string& fallback);
// Writes the program setting; returns true when written.
bool SaveSetting(RegistryStore& store, const std::string& application, const std::string& section,
                 const std::string& key, const std::string& value);

// Returns "1" for true, "0" for false.
inline std::string BoolToText(bool value) {
  return value ? "1" : "0";
}

}  // namespace kx
