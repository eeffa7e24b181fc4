#include "platform/user_store.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>
#include <vector>

#include "support/file_writer.hpp"
#include "support/readable_file.hpp"

namespace kx::platform {
namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

constexpr const char* kFormatMember = "korvalinx-registry";
constexpr const char* kUserRoot = "HKEY_CURRENT_USER";

// A file descriptor that closes itself.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

enum class FileState { Missing, Read, Unreadable, Special };

// Reads the whole file into `text`; a named pipe, socket or device is not read.
FileState ReadWhole(const std::string& path, std::string& text) {
  FileKind kind = FileKind::Missing;
  const FileHandle fd = OpenRegularFile(path, kind);
  if (kind == FileKind::Missing) return FileState::Missing;
  if (kind == FileKind::Special) return FileState::Special;
  if (!fd.ok()) return FileState::Unreadable;
  text.clear();
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileState::Unreadable;
    }
    text.append(buf, static_cast<std::size_t>(n));
  }
  return FileState::Read;
}

// True when `doc` has the shape of a store: an object whose root member is an object of keys,
// each key an object of values. Single malformed values are tolerated (they read as missing).
bool WellFormed(const Json& doc) {
  if (!doc.is_object()) return false;
  const auto root = doc.find(kUserRoot);
  if (root == doc.end()) return true;
  if (!root->is_object()) return false;
  for (const auto& key : *root)
    if (!key.is_object()) return false;
  return true;
}

// Parses the store text; nullopt when it is no valid store, with `problem` telling why.
std::optional<Json> Parse(const std::string& text, std::string* problem = nullptr) {
  Json doc;
  try {
    doc = Json::parse(text);
  } catch (const Json::parse_error& e) {
    if (problem) *problem = "kein gültiges JSON, Fehler an Byte " + std::to_string(e.byte);
    return std::nullopt;
  }
  if (!WellFormed(doc)) {
    if (problem) *problem = "der Inhalt hat nicht den erwarteten Aufbau";
    return std::nullopt;
  }
  return doc;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Returns the member of `object` whose name equals `name` without regard to ASCII letter case.
template <class J>
auto FindNoCase(J& object, const std::string& name) -> decltype(object.begin()) {
  auto exact = object.find(name);
  if (exact != object.end()) return exact;
  for (auto it = object.begin(); it != object.end(); ++it)
    if (EqualNoCase(it.key(), name)) return it;
  return object.end();
}

std::optional<RegValue> ToRegValue(const Json& entry) {
  if (!entry.is_object()) return std::nullopt;
  const auto type = entry.find("type");
  const auto data = entry.find("data");
  if (type == entry.end() || data == entry.end() || !type->is_number_unsigned())
    return std::nullopt;
  const auto t = type->get<std::uint64_t>();
  if (t > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  RegValue v;
  v.type = static_cast<std::uint32_t>(t);
  if (v.type == REG_DWORD) {
    if (!data->is_number_integer()) return std::nullopt;
    const auto n = data->get<std::int64_t>();
    if (n < std::numeric_limits<std::int32_t>::min() ||
        n > static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max()))
      return std::nullopt;
    v.number = static_cast<std::uint32_t>(n);
  } else {
    if (!data->is_string()) return std::nullopt;
    v.text = data->get<std::string>();
  }
  return v;
}

Json ToJson(const RegValue& v) {
  Json entry = Json::object();
  entry["type"] = v.type;
  if (v.type == REG_DWORD) {
    entry["data"] = v.number;
  } else {
    entry["data"] = v.text;
  }
  return entry;
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local);
  return buf;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Keeps a damaged store, whose text is `text`, under a name that is not taken yet: a second
// name of the file, else a copy. The file itself stays until it is replaced. Returns the name,
// or "" when neither can be made.
std::string KeepDamaged(const std::string& path, const std::string& text) {
  const std::string base = path + ".corrupt-" + Timestamp();
  for (int n = 1; n < 1000; ++n) {
    const std::string target = n == 1 ? base : base + "-" + std::to_string(n);
    if (::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
      return target;
    if (errno == EEXIST) continue;
    // A file system without hard links: a copy of what was read.
    Fd copy(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!copy.ok()) {
      if (errno == EEXIST) continue;
      return {};
    }
    const bool written = WriteAll(copy.get(), text) && ::fsync(copy.get()) == 0;
    if (::close(copy.release()) == 0 && written) return target;
    ::unlink(target.c_str());
    return {};
  }
  return {};
}

// Writes `text` over the store at `path` through the program's one writer (its lock held): a
// new store is this user's alone.
bool ReplaceFile(const std::string& path, const std::string& text) {
  try {
    RemoveAbandonedTemps(path);
    TempFile file =
        ::access(path.c_str(), F_OK) == 0 ? TempFile(path, text) : TempFile(path, text, 0600u);
    file.Commit();
    SyncFolder(FolderOfPath(path));
    return true;
  } catch (const FileWriteError&) {
    return false;
  }
}

// The store as it is, or nullopt; `problem` tells why a file that is there is no store.
std::optional<Json> LoadForReading(const std::string& path, std::string& problem) {
  std::string text;
  if (path.empty() || ReadWhole(path, text) != FileState::Read) return std::nullopt;
  return Parse(text, &problem);
}

}  // namespace

UserRegistryStore::UserRegistryStore(std::string path) : path_(std::move(path)) {}

std::string UserRegistryStore::Refusal() const {
  FileKind kind = FileKind::Missing;
  if (!path_.empty()) OpenRegularFile(path_, kind);
  return kind == FileKind::Special ? NotRegularFileText(path_) : std::string();
}

void UserRegistryStore::Warn(const std::string& text) {
  if (warn_) warn_(text);
}

void UserRegistryStore::TellDamage(const std::string& problem) {
  if (problem.empty() || damageTold_) return;
  damageTold_ = true;
  Warn(path_ + ": die gespeicherten Einstellungen sind beschädigt (" + problem +
       ") und werden übergangen");
}

std::string UserRegistryStore::DefaultPath() {
  fs::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      if (const passwd* pw = ::getpwuid(::getuid())) home = pw->pw_dir;
    }
    if (!home || !*home) return {};
    base = fs::path(home) / ".config";
  }
  return (base / "korvalinx" / "registry.json").string();
}

std::optional<RegValue> UserRegistryStore::Read(RegRoot root, const std::string& keyPath,
                                                const std::string& name) {
  if (root != HKEY_CURRENT_USER) return std::nullopt;
  std::string problem;
  const auto doc = LoadForReading(path_, problem);
  TellDamage(problem);
  if (!doc) return std::nullopt;
  const auto rootIt = doc->find(kUserRoot);
  if (rootIt == doc->end()) return std::nullopt;
  const auto key = FindNoCase(*rootIt, keyPath);
  if (key == rootIt->end()) return std::nullopt;
  const auto value = FindNoCase(*key, name);
  if (value == key->end()) return std::nullopt;
  return ToRegValue(*value);
}

bool UserRegistryStore::KeyExists(RegRoot root, const std::string& keyPath) {
  if (root != HKEY_CURRENT_USER) return false;
  std::string problem;
  const auto doc = LoadForReading(path_, problem);
  TellDamage(problem);
  if (!doc) return false;
  const auto rootIt = doc->find(kUserRoot);
  return rootIt != doc->end() && FindNoCase(*rootIt, keyPath) != rootIt->end();
}

bool UserRegistryStore::Write(RegRoot root, const std::string& keyPath, const std::string& name,
                              const RegValue& value) {
  if (root != HKEY_CURRENT_USER || path_.empty()) return false;
  std::error_code ec;
  const fs::path dir = fs::path(path_).parent_path();
  if (!dir.empty()) fs::create_directories(dir, ec);
  if (ec) return false;

  std::optional<TargetLock> lock;
  try {
    lock.emplace(path_);
  } catch (const FileWriteError&) {
    return false;
  }

  Json doc = Json::object();
  std::string text, problem;
  switch (ReadWhole(path_, text)) {
    case FileState::Missing:
      break;
    case FileState::Unreadable:
    case FileState::Special:
      return false;
    case FileState::Read:
      if (auto parsed = Parse(text, &problem)) {
        doc = std::move(*parsed);
      } else {
        // Nothing is replaced before the damaged file is kept.
        std::string kept = KeepDamaged(path_, text);
        if (kept.empty()) return false;
        damageTold_ = true;
        Warn(path_ + ": die gespeicherten Einstellungen sind beschädigt (" + problem +
             "); die Datei wurde als \"" + kept + "\" aufbewahrt und wird neu angelegt");
        setAside_ = std::move(kept);
      }
      break;
  }
  try {
    doc[kFormatMember] = 1;
    Json& keys = doc[kUserRoot];
    if (keys.is_null()) keys = Json::object();
    auto key = FindNoCase(keys, keyPath);
    if (key == keys.end()) key = keys.emplace(keyPath, Json::object()).first;
    auto entry = FindNoCase(*key, name);
    if (entry == key->end()) {
      key->emplace(name, ToJson(value));
    } else {
      *entry = ToJson(value);
    }
    text = doc.dump(2, ' ', /*ensure_ascii=*/false) + "\n";
  } catch (const Json::exception&) {
    return false;  // a text that is not valid UTF-8
  }
  return ReplaceFile(path_, text);
}

}  // namespace kx::platform
