#pragma once
// Project XML files: the interchange format of planning tools (namespace
// http://schemas.microsoft.com/project). The reader fills the planning host's model from a file
// and the projects inserted into it; the writer stores any model as Project XML. What the format
// has no place for (custom document properties, views, tables, filters, bar styles, options, bar
// colours) lives in a companion file "<file>.korvalinx.json" beside the project file.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.hpp"
#include "model/project_file.hpp"

namespace kx::platform {

inline constexpr const char* kProjectXmlNamespace = "http://schemas.microsoft.com/project";

struct LoadResult {
  std::shared_ptr<ProjectData> project;
  std::vector<std::string> warnings;  // German, each naming its file (and line where it has one)
};

namespace pxml {
struct NodeIndex;
}

struct ReadOptions {
  bool loadSubprojects = true;  // read the files of inserted projects
  bool readCompanion = true;    // read "<file>.korvalinx.json" when it exists
  // Files from this size on that end with their assignments, as most do, are parsed in two parts
  // at once.
  std::size_t parseInPartsFrom = std::size_t{8} << 20;
  // Keep the file's text with the project (ProjectData::source), so that saving the project
  // writes back everything the model does not hold. Costs a copy of the text.
  bool keepSource = true;
  // Where the reader notes the elements it read each part of the model from (for the save).
  pxml::NodeIndex* index = nullptr;
};

// Reads a Project XML file with its inserted projects and its companion file. Throws
// host::HostError (kErrFile) whose message reads "<file>:<line>: <what is wrong>" when the file
// cannot be read, when it, its companion or an inserted project is a named pipe, socket or device
// (never read, so that nothing waits on one), is no XML, is cut off, is XML of another kind, holds
// a date, duration or number that does not parse, refers to a calendar, resource or task that it
// does not define, has a calendar whose base calendars form a loop, or inserts a project that
// inserts it again. A missing inserted project and a broken companion file only give warnings.
LoadResult ReadProjectXml(const std::string& path, const ReadOptions& options = {});

// Reads Project XML from memory; `name` stands for the file in messages, and inserted projects
// are looked for beside it. Throws as ReadProjectXml.
LoadResult ReadProjectXmlText(std::string_view text, const std::string& name,
                              const ReadOptions& options = {});

// Returns the Project XML text of a model.
std::string ProjectXmlText(const ProjectData& project);

// Writes the model as Project XML to `path`, whatever its extension, and its companion file
// beside it, as one: both go to temporary files in the same folder (".<name>.kxtmp-XXXXXX")
// that are renamed over their targets once both are complete, so that a failed save leaves the
// earlier pair as it was, and a save that a crash stopped leaves the earlier pair or (finished
// by the next save to that folder or the next read of the file) the new one. A companion file
// that is damaged is kept as "<companion>.corrupt-<time>" before it is replaced. Throws
// host::HostError (kErrFile) naming the file when it cannot write.
void SaveProjectXml(const ProjectData& project, const std::string& path);

// Writes only the companion file of the Project XML file `path` (the project's custom document
// properties, definitions and bar colours); the Project XML file itself is not touched. A
// damaged companion is kept as "<companion>.corrupt-<time>" first. Throws host::HostError
// (kErrFile) when it cannot write, and when the last save of `path` was interrupted (its journal
// is there): only a save of the project file finishes that.
void SaveCompanionOnly(const ProjectData& project, const std::string& path);

// Returns the companion file's path of a project file: "<path>.korvalinx.json".
std::string CompanionPath(const std::string& projectPath);

// A file that the program keeps beside a project file, named as such.
struct KeptFile {
  std::string what;     // "die Begleitdatei", "das Speicherprotokoll", ...
  std::string project;  // the project file it belongs to
};
// Whether `path` is named as a file kept beside a project (its companion, the journal or the lock
// of its save, a temporary file of a write): no output may take such a name.
std::optional<KeptFile> KeptFileOf(const std::string& path);
// Whether `path`, or the file that its links lead to, is named as a file kept beside a project.
std::optional<KeptFile> KeptFileAt(const std::string& path);
// What of a project an output that is no project file (an export, a picture) at `path` would
// replace: a file kept beside a project (KeptFileAt), or a Project XML file (by its beginning,
// where the links lead). A German phrase naming it ("die Begleitdatei des Projekts "<plan>"",
// "die Projektdatei "<file>""), or nothing.
std::optional<std::string> ProjectFileAt(const std::string& path);

// The planning host's file format: Project XML with its companion file.
class ProjectXmlFormat final : public ProjectFileFormat {
 public:
  std::shared_ptr<ProjectData> Load(const std::string& path) override;
  void Save(const ProjectData& project, const std::string& path) override;
  // The companion file, and the journal that a save keeps while it renames its files.
  std::vector<std::string> FilesBeside(const std::string& path) override;
  // The warnings of the last Load.
  const std::vector<std::string>& LastWarnings() const { return warnings_; }

 private:
  std::vector<std::string> warnings_;
};

// Writes `content` to `path` through a temporary file beside it that is renamed over the
// target. Throws host::HostError (kErrFile) naming the file when it cannot.
void WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace kx::platform
