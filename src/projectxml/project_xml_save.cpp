// Saving a project file and its companion as one, through the program's one file writer.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/error.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/project_xml_detail.hpp"
#include "support/file_writer.hpp"
#include "support/paths.hpp"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Saving
//
// A project file and its companion are saved as one, under the project file's write lock: both
// go to temporary files beside their targets; once both are complete, a journal
// ".<name>.kxjournal" records the renames still to make; then both are renamed and the journal
// is removed. After a crash before the journal exists the old pair is still in place and the
// temporary files are stale; after it, the next save to the same file finishes the recorded
// renames first. The journal is a record, not a command: it is carried out only when it names
// nothing but this file's own temporary files and targets, in the folder it was written in, and
// belongs to this user; anything else is refused and left as it is.

constexpr std::string_view kJournalSuffix = ".kxjournal";
constexpr const char* kJournalFormat = "korvalinx-save";
constexpr off_t kLongestJournal = 1 << 16;

std::function<void(pxml::SaveStep)>& SaveHook() {
  static std::function<void(pxml::SaveStep)> hook;
  return hook;
}

void Step(pxml::SaveStep step) {
  if (SaveHook()) SaveHook()(step);
}

std::string JournalPath(const std::string& projectPath) {
  return HiddenNameBeside(projectPath, kJournalSuffix);
}

std::string FileNameOf(const std::string& path) { return fs::path(path).filename().string(); }

// An open folder, closed with the object.
class FolderHandle {
 public:
  explicit FolderHandle(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~FolderHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Finishes the save of `path` that its journal records, if one was interrupted. Call it with the
// file's write lock held. Throws host::HostError, leaving the journal as it is, when the journal
// is not one that a save of this file wrote in this folder.
void FinishInterruptedSave(const std::string& path) {
  const std::string journal = JournalPath(path);
  const std::string journalName = FileNameOf(journal);
  const FolderHandle folder(FolderOfPath(path));
  struct stat st {};
  if (folder.fd() < 0 ||
      ::fstatat(folder.fd(), journalName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return;  // no journal; or no folder, which the save itself reports
  const auto refuse = [&](const std::string& why) {
    throw host::HostError(host::kErrFile,
                          journal + ": das Speicherprotokoll wird nicht ausgeführt (" + why +
                              "); es bleibt unverändert, und \"" + path +
                              "\" wird nicht gespeichert, solange es dort liegt");
  };
  if (!S_ISREG(st.st_mode)) refuse("es ist keine gewöhnliche Datei");
  if (st.st_uid != ::geteuid()) refuse("es gehört einem anderen Benutzer");
  if (st.st_size > kLongestJournal) refuse("es ist zu groß");
  std::string text;
  {
    const int fd = ::openat(folder.fd(), journalName.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) refuse(SystemErrorText(errno));
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0 &&
                    text.size() <= static_cast<std::size_t>(kLongestJournal);)
      text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
  }
  struct stat here {};
  if (::fstat(folder.fd(), &here) != 0) refuse(SystemErrorText(errno));

  // Every rename is checked before the first is made.
  const std::string targets[] = {FileNameOf(path), FileNameOf(CompanionPath(path))};
  std::vector<std::pair<std::string, std::string>> renames;
  const auto j = nlohmann::json::parse(text, nullptr, false);
  const auto number = [&j](const char* key) -> std::optional<std::uint64_t> {
    const auto id = j.find("folder");
    if (id == j.end() || !id->is_object()) return std::nullopt;
    const auto n = id->find(key);
    if (n == id->end() || !n->is_number_unsigned()) return std::nullopt;
    return n->get<std::uint64_t>();
  };
  const auto format = j.is_object() ? j.find("format") : j.end();
  if (format == j.end() || !format->is_string() || format->get<std::string>() != kJournalFormat)
    refuse("es ist kein Speicherprotokoll dieses Programms");
  const auto list = j.find("renames");
  if (list == j.end() || !list->is_array() || list->empty() || list->size() > 2)
    refuse("es nennt keine Umbenennungen dieser Speicherung");
  for (const auto& step : *list) {
    const auto from = step.is_object() ? step.find("from") : step.end();
    const auto to = step.is_object() ? step.find("to") : step.end();
    if (from == step.end() || to == step.end() || !from->is_string() || !to->is_string())
      refuse("es nennt keine Umbenennungen dieser Speicherung");
    const std::string source = from->get<std::string>(), target = to->get<std::string>();
    if (std::find(std::begin(targets), std::end(targets), target) == std::end(targets) ||
        !IsTempNameOf(source, target) || source.find('/') != std::string::npos)
      refuse("es nennt Dateien, die nicht zu dieser Speicherung gehören: \"" + source +
             "\" nach \"" + target + "\"");
    renames.emplace_back(source, target);
  }
  if (number("device") != static_cast<std::uint64_t>(here.st_dev) ||
      number("inode") != static_cast<std::uint64_t>(here.st_ino))
    refuse("es wurde in einem anderen Ordner geschrieben");
  for (auto it = renames.begin(); it != renames.end();) {
    const std::string& source = it->first;
    struct stat temp {};
    if (::fstatat(folder.fd(), source.c_str(), &temp, AT_SYMLINK_NOFOLLOW) != 0) {
      it = renames.erase(it);  // renamed already
      continue;
    }
    if (!S_ISREG(temp.st_mode) || temp.st_uid != ::geteuid())
      refuse("\"" + source + "\" ist keine Datei dieses Benutzers");
    ++it;
  }
  if (const int error = CarryOutRenames(folder.fd(), renames, journalName))
    throw host::HostError(host::kErrFile,
                          path + ": das unterbrochene Speichern kann nicht abgeschlossen werden (" +
                              SystemErrorText(error) + ")");
}

// The journal of a save whose temporary files are complete.
std::string JournalText(const std::string& folder, const TempFile& xml, const TempFile& side) {
  struct stat here {};
  if (::stat(folder.c_str(), &here) != 0) throw FileWriteError(xml.Target(), errno);
  nlohmann::json journal;
  journal["format"] = kJournalFormat;
  journal["folder"] = {{"device", static_cast<std::uint64_t>(here.st_dev)},
                       {"inode", static_cast<std::uint64_t>(here.st_ino)}};
  journal["renames"] = nlohmann::json::array(
      {{{"from", FileNameOf(side.Path())}, {"to", FileNameOf(side.Target())}},
       {{"from", FileNameOf(xml.Path())}, {"to", FileNameOf(xml.Target())}}});
  return journal.dump() + "\n";
}

// Keeps a companion file that is not one (damaged, or another program's) as
// "<file>.corrupt-<time>" before a save replaces it.
void KeepDamagedCompanion(const std::string& companion) {
  struct stat st {};
  if (::lstat(companion.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  std::string text;
  {
    const int fd = ::open(companion.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    char buf[1 << 16];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
      text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
  }
  ProjectData scratch;
  std::string problem;
  if (pxml::ApplyCompanion(text, scratch, problem)) return;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = companion + ".corrupt-" + stamp;
  for (int n = 1; n < 1000; ++n) {
    const std::string copy = n == 1 ? base : base + "-" + std::to_string(n);
    if (::link(companion.c_str(), copy.c_str()) == 0) return;
    if (errno == EEXIST) continue;
    std::error_code ec;  // a file system without hard links: a copy
    if (fs::copy_file(companion, copy, ec)) return;
    if (ec == std::errc::file_exists) continue;
    throw FileWriteError(companion, ec.value());
  }
}

// Where the settings save writes the companion of `path`: the companion itself, or, when it is
// a link of this user's, the companion file it leads to, so that the link stays. A link that
// leads to anything but a companion file (by its name and, where it exists, its content) is not
// followed and not replaced.
std::string CompanionTargetOf(const std::string& path) {
  const std::string companion = CompanionPath(path);
  const std::string target = WriteTargetOf(companion);
  if (target == companion) return companion;
  const auto refuse = [&] {
    throw FileWriteError(companion, companion + ": die Begleitdatei ist ein Verweis auf \"" +
                                        target +
                                        "\", die keine Begleitdatei ist; sie wird nicht "
                                        "geschrieben");
  };
  const auto kept = KeptFileOf(target);
  if (!kept || kept->what != "die Begleitdatei" || SamePath(target, path)) refuse();
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    std::string text, problem;
    const int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) refuse();
    char buf[1 << 16];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
      text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    ProjectData scratch;
    if (!pxml::ApplyCompanion(text, scratch, problem)) refuse();
  }
  return target;
}

void SavePair(const ProjectData& project, const std::string& given) {
  const std::string path = WriteTargetOf(given);
  const std::string folder = FolderOfPath(path);
  const std::string companion = CompanionPath(path);
  const std::string journalPath = JournalPath(path);
  const TargetLock lock(path);
  FinishInterruptedSave(path);
  for (const std::string& file : {path, companion, journalPath}) RemoveAbandonedTemps(file);
  // The project file streams into its temporary file as it is written.
  TempFile xml(TempFile::Streamed{true}, path, path);
  // A project read from Project XML is written back into the text it was read from, so that
  // the file keeps everything the model does not hold; any other is written from the model.
  const auto* source = dynamic_cast<const pxml::XmlSourceFile*>(project.source.get());
  const auto sink = [&xml](std::string_view piece) { xml.Append(piece); };
  const pxml::CompanionExtras extras =
      source && source->text ? pxml::UpdateProjectXml(project, *source, FileNameOf(path), sink)
                             : pxml::WriteProjectXml(project, FileNameOf(path), sink);
  xml.Finish();
  const std::string companionText = pxml::CompanionText(project, extras);
  KeepDamagedCompanion(companion);
  Step(pxml::SaveStep::ProjectWritten);
  TempFile side(companion, companionText, ::access(companion.c_str(), F_OK) == 0 ? companion : path);
  Step(pxml::SaveStep::CompanionWritten);
  TempFile record(journalPath, JournalText(folder, xml, side), path);
  record.Commit();
  SyncFolder(folder);
  Step(pxml::SaveStep::JournalWritten);
  // The earlier companion stays reachable until the project file is in place, so that a rename
  // that fails leaves the earlier pair.
  CommitTogether(
      {&side, &xml},
      [](std::size_t placed) {
        Step(placed == 1 ? pxml::SaveStep::CompanionRenamed : pxml::SaveStep::ProjectRenamed);
      },
      [&journalPath] { ::unlink(journalPath.c_str()); });  // nothing of it is to be carried out
  SyncFolder(folder);
  ::unlink(journalPath.c_str());
  SyncFolder(folder);
  Step(pxml::SaveStep::JournalRemoved);
}

// Runs a write; a failure reaches the host as its file error.
template <typename Write>
void AsHostError(Write&& write) {
  try {
    write();
  } catch (const FileWriteError& e) {
    throw host::HostError(host::kErrFile, e.what());
  }
}

}  // namespace

void pxml::SetSaveHook(std::function<void(SaveStep)> hook) {
  SaveHook() = std::move(hook);
}

void pxml::NoteInterruptedSave(const std::string& projectPath,
                               std::vector<std::string>& warnings) {
  const std::string journal = JournalPath(projectPath);
  struct stat st {};
  if (::lstat(journal.c_str(), &st) != 0) return;
  warnings.push_back(projectPath + ": das Speichern dieser Datei wurde unterbrochen (\"" +
                     journal +
                     "\"); Projektdatei und Begleitdatei passen womöglich nicht zueinander, bis "
                     "sie an derselben Stelle wieder gespeichert wird");
}

void SaveProjectXml(const ProjectData& project, const std::string& path) {
  AsHostError([&] { SavePair(project, path); });
}

namespace {

// A save of the companion alone never writes the project file: finishing an interrupted save of
// the pair would rename a temporary file over it. That save is the project file's to repeat.
void RefuseAfterInterruptedSave(const std::string& path) {
  const std::string journal = JournalPath(path);
  struct stat st {};
  if (::lstat(journal.c_str(), &st) != 0) return;
  throw host::HostError(host::kErrFile,
                        path + ": das letzte Speichern dieser Datei wurde unterbrochen (\"" +
                            journal +
                            "\") und muss wiederholt werden; bis dahin werden die Einstellungen "
                            "nicht in der Begleitdatei gespeichert, und die Projektdatei bleibt, "
                            "wie sie ist");
}

}  // namespace

void SaveCompanionOnly(const ProjectData& project, const std::string& path) {
  pxml::CompanionExtras extras;
  extras.allFieldTitles = true;
  const std::string text = pxml::CompanionText(project, extras);
  AsHostError([&] {
    const TargetLock lock(path);
    RefuseAfterInterruptedSave(path);
    const std::string companion = CompanionTargetOf(path);
    RemoveAbandonedTemps(companion);
    KeepDamagedCompanion(companion);
    TempFile file(companion, text, ::access(companion.c_str(), F_OK) == 0 ? companion : path);
    file.Commit();
    SyncFolder(FolderOfPath(companion));
  });
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  AsHostError([&] { WriteFileWhole(path, content); });
}

void ProjectXmlFormat::Save(const ProjectData& project, const std::string& path) {
  SaveProjectXml(project, path);
}

std::optional<KeptFile> KeptFileOf(const std::string& path) {
  const fs::path p(path);
  const std::string name = p.filename().string();
  const auto endsWith = [&name](std::string_view end) {
    return name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
  };
  const auto beside = [&p](std::string project) {
    return (p.has_parent_path() ? (p.parent_path() / project) : fs::path(project)).string();
  };
  constexpr std::string_view kCompanion = ".korvalinx.json";
  if (endsWith(kCompanion))
    return KeptFile{"die Begleitdatei", beside(name.substr(0, name.size() - kCompanion.size()))};
  if (name.size() < 2 || name[0] != '.') return std::nullopt;
  for (const auto& [end, what] : {std::pair{kJournalSuffix, "das Speicherprotokoll"},
                                  std::pair{std::string_view(".kxlock"), "die Sperrdatei"}})
    if (endsWith(end)) return KeptFile{what, beside(name.substr(1, name.size() - 1 - end.size()))};
  if (const auto at = name.rfind(".kxtmp-"); at != std::string::npos && at > 1 &&
                                             IsTempNameOf(name, name.substr(1, at - 1)))
    return KeptFile{"eine temporäre Datei", beside(name.substr(1, at - 1))};
  return std::nullopt;
}

std::vector<std::string> ProjectXmlFormat::FilesBeside(const std::string& path) {
  return {CompanionPath(path), JournalPath(path)};
}

}  // namespace kx::platform
