#pragma once
// The current user's registry values in a file of the user's configuration folder
// ($XDG_CONFIG_HOME/korvalinx/registry.json, else ~/.config/korvalinx/registry.json):
//
//   { "korvalinx-registry": 1,
//     "HKEY_CURRENT_USER": { "Software\\Halvex\\Korvalinx\\Settings":
//                              { "Color": { "type": 1, "data": "5" } } } }
//
// Texts are UTF-8. Every write takes an exclusive lock (flock on "<file>.lock"), reads the file
// anew, changes the one value, writes a temporary file beside it, syncs it and renames it over
// the file, so that processes writing at the same time keep all their values. A file that is no
// valid store reads as holding no values, with a warning; the next write keeps it as
// "<file>.corrupt-<yyyymmdd-hhmmss>" (a second name of it, else a copy) before it replaces it,
// so nothing is lost. A named pipe, socket or device at the file's place is never read.
// Only HKEY_CURRENT_USER is kept: other roots read nothing and cannot be written.

#include <functional>
#include <string>
#include <utility>

#include "support/registry.hpp"

namespace kx::platform {

class UserRegistryStore final : public RegistryStore {
 public:
  explicit UserRegistryStore(std::string path);

  // Returns the store file of this user, or "" when neither XDG_CONFIG_HOME (absolute) nor a
  // home folder is known.
  static std::string DefaultPath();

  std::optional<RegValue> Read(RegRoot root, const std::string& keyPath,
                               const std::string& name) override;
  // Returns false when the folder, the lock or the file cannot be written, when the file exists
  // but cannot be read, and for a text that is not valid UTF-8.
  bool Write(RegRoot root, const std::string& keyPath, const std::string& name,
             const RegValue& value) override;
  bool KeyExists(RegRoot root, const std::string& keyPath) override;

  const std::string& Path() const { return path_; }
  // Returns where the last write of this object kept a corrupt file, or "" when it did not.
  const std::string& SetAsidePath() const { return setAside_; }

  // A German refusal naming the file when it is a named pipe, socket or device, else "".
  std::string Refusal() const;
  // Where this object's German warnings go: once that the file is damaged and passed over, and
  // where a write kept it.
  void OnWarning(std::function<void(const std::string&)> warn) { warn_ = std::move(warn); }

 private:
  void Warn(const std::string& text);
  void TellDamage(const std::string& problem);

  std::string path_;
  std::string setAside_;
  std::function<void(const std::string&)> warn_;
  bool damageTold_ = false;
};

}  // namespace kx::platform
