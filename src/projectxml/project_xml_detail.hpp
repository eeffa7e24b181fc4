#pragma once
// Pieces that the Project XML reader and writer share: custom field ids, the rule that turns
// timephased work into the gaps of a task bar, the host's default week and the companion file.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "model/model.hpp"
#include "projectxml/xml_source.hpp"

namespace kx::platform::pxml {

// What a project read from Project XML keeps of its file: the text as read and the companion
// file's text as it was then, so that a save can read the same model again and tell what the
// model changed since.
struct XmlSourceFile final : SourceFile {
  std::shared_ptr<const KeptText> text;
  std::optional<std::string> companion;
};

// The elements that the reader read the parts of a model from, by UID, and every UID the file
// gives, empty rows and the project's own entries among them.
struct NodeIndex {
  pugi::xml_node root;
  pugi::xml_node calendarList, taskList, resourceList, assignmentList;  // <Calendars>, ...
  std::unordered_map<std::int32_t, pugi::xml_node> calendars, resources, tasks;
  // The assignments of resources by their UID and their resource's UID, in the file's order
  // (a file may give one UID twice).
  std::map<std::pair<std::int32_t, std::int32_t>, std::vector<pugi::xml_node>> assignments;
  std::set<std::int32_t> calendarUids, resourceUids, taskUids, assignmentUids;
  // Of each calendar (by UID): its exceptions' elements, each with the days it gave before
  // overlaps were settled, and the days its work weeks gave.
  struct ExceptionElement {
    pugi::xml_node node;
    std::vector<CalendarException> days;
  };
  std::unordered_map<std::int32_t, std::vector<ExceptionElement>> exceptionsOf;
  std::unordered_map<std::int32_t, std::vector<CalendarException>> workWeekDaysOf;
};



// Custom task fields that the model keeps (model.hpp), and the format's name of one ("Number14").
using platform::CustomField;
using platform::CustomFieldOf;
using platform::FieldIdOf;
using platform::ModelFieldName;
std::string XmlFieldName(const CustomField& f);

// A stretch of timephased work as the gap rule sees it.
struct WorkStretch {
  Date start;
  Date finish;
  double minutes = 0.0;
};
// Returns the gaps of a task bar from the work of its assignments: a gap is a run of stretches
// with no work (explicit zeros) between stretches with work, where no assignment works; it runs
// from the start of its first zero stretch to the finish of its last one.
std::vector<std::pair<Date, Date>> GapsFromWork(std::vector<WorkStretch> stretches);
// Returns gaps sorted, with touching or overlapping gaps joined.
std::vector<std::pair<Date, Date>> NormalisedGaps(std::vector<std::pair<Date, Date>> gaps);

// The working times of a weekday (0 Sunday ... 6 Saturday) in a base calendar that leaves it to
// the host: 08:00-12:00 and 13:00-17:00 Monday to Friday, Saturday and Sunday off.
WorkingTimes HostDefaultTimes(int weekday);

// Row numbers above this are refused: no sheet has that many rows.
inline constexpr std::int64_t kMaxRow = 1 << 20;

// What the companion file holds besides the project's properties and definitions.
struct CompanionExtras {
  // Weekdays of base calendars (by the calendar's UID in the file) that the model leaves to the
  // host and that the file spells out.
  std::vector<std::pair<std::int32_t, std::vector<int>>> inheritedWeekdays;
  // The project calendar's name when no calendar of the file carries it.
  std::optional<std::string> projectCalendar;
  bool allFieldTitles = false;  // false: only titles of fields the file has no place for
  std::set<std::int32_t> longFieldTitles;  // titles longer than the file keeps
};

// Returns the companion file's JSON text.
std::string CompanionText(const ProjectData& project, const CompanionExtras& extras);
// Applies a companion file's text to a model read from its Project XML file. Returns false (and
// changes nothing) when the text is broken; `problem` then says what is wrong.
bool ApplyCompanion(const std::string& text, ProjectData& project, std::string& problem);

// Writes the Project XML text of `project`, whose file is called `fileName`, piece by piece into
// `sink`; returns what its companion file is to keep besides.
CompanionExtras WriteProjectXml(const ProjectData& project, const std::string& fileName,
                                std::function<void(std::string_view)> sink);

// The steps of saving a project file with its companion, in their order.
enum class SaveStep {
  ProjectWritten = 1,  // the project file's temporary file is complete
  CompanionWritten,    // the companion's temporary file is complete
  JournalWritten,      // the journal of the renames is in place
  CompanionRenamed,
  ProjectRenamed,
  JournalRemoved,
};
// Calls `hook` at each step of every save (null: none). For tests that stop a save midway.
void SetSaveHook(std::function<void(SaveStep)> hook);
// Adds a warning when a save of `projectPath` was interrupted after its journal was written: the
// file and its companion may then not be one pair until the next save to that place finishes
// it. Reading never carries a journal out.
void NoteInterruptedSave(const std::string& projectPath, std::vector<std::string>& warnings);

// A file's text read again with its elements noted: the model as it was read (with the
// companion file as it was then) and the parse that the index points into.
struct IndexedRead {
  std::string buffer;  // the text, parsed in place
  std::unique_ptr<XmlSource> source;
  NodeIndex index;
  std::shared_ptr<ProjectData> project;
};
// Reads the text that `file` keeps again, `name` standing for the file in messages. Throws as
// the reader does.
std::unique_ptr<IndexedRead> ReadWithIndex(const XmlSourceFile& file, const std::string& name);

// Writes `project` back into the text of the file it was read from (`file`): what the model
// holds and did not change stays as it was, byte for byte, and so does everything it does not
// hold; what it changed is written into the element it came from; what it added goes where the
// format puts it, with UIDs that the file does not use. The file's `Name` becomes `fileName`.
// The text goes to `sink` in pieces, in the encoding the file came in; returns what the
// companion file is to keep besides. Throws host::HostError when the text cannot be written
// back so.
CompanionExtras UpdateProjectXml(const ProjectData& project, const XmlSourceFile& file,
                                 const std::string& fileName,
                                 std::function<void(std::string_view)> sink);

}  // namespace kx::platform::pxml
