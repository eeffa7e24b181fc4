// Reading Project XML files into the planning host's model.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>

#include <pugixml.hpp>

#include "host/error.hpp"
#include "projectxml/calendar_reader.hpp"
#include "projectxml/element_reader.hpp"
#include "projectxml/file_text.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/project_xml_detail.hpp"
#include "projectxml/xml_source.hpp"
#include "projectxml/xml_values.hpp"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;
using pugi::xml_node;
using xml_read::CalendarReader;
using xml_read::DayCache;
using xml_read::ElementReader;
using xml_read::Quoted;
using xml_read::Tag;
using xml_read::Text;

// Unassigned work of a task (placeholder assignments) carries this resource UID.
constexpr std::int32_t kNoResource = -65535;

// The file name of a path that may use Windows separators.
std::string FileNamePart(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Assignments from this many on are read by two threads.
constexpr std::size_t kParallelAssignments = 512;

struct TaskEntry {
  TaskData* task = nullptr;  // null: an empty row
  bool hasZeroWork = false;
  std::vector<pxml::WorkStretch> unassigned;  // work of placeholder assignments
  std::vector<AssignmentData*> assignments;
};

// Loads one file and, through the same loader, the files inserted into it.
class Loader {
 public:
  Loader(const ReadOptions& options, std::vector<std::string>& warnings)
      : options_(options), warnings_(warnings) {}

  std::shared_ptr<ProjectData> LoadPath(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
      throw host::HostError(host::kErrFile, path + ": Datei kann nicht gelesen werden");
    pxml::NoteInterruptedSave(path, warnings_);
    return Load(nullptr, {}, path);
  }

  // Reads `*bytes` in place, `original` being their unparsed text and `path` standing for the
  // file in messages; or, with null `bytes`, the file `path`.
  std::shared_ptr<ProjectData> Load(std::string* bytes, std::string_view original,
                                    const std::string& path);

  std::vector<std::string> loading_;  // canonical paths of the files being read, outermost first

 private:
  const ReadOptions& options_;
  std::vector<std::string>& warnings_;
};

// Walks the elements of one file's parse into the model.
class FileReader : ElementReader {
 public:
  // Fails unless the file is Project XML (its root <Project> in the format's namespace).
  FileReader(Loader& loader, const ReadOptions& options, std::vector<std::string>& warnings,
             const std::string& path, const XmlSource& source)
      : ElementReader(source, warnings),
        loader_(loader),
        options_(options),
        path_(path),
        source_(source),
        calendars_(*this),
        index_(options.index) {
    calendars_.NoteIn(index_);
  }

  std::shared_ptr<ProjectData> Read();

 private:
  void ReadHeader(xml_node root);
  void ReadResources(xml_node resources);
  void ReadTasks(xml_node tasks);
  // What one assignment gives, kept apart until all are read.
  struct AssignmentResult {
    std::shared_ptr<AssignmentData> assignment;
    TaskEntry* task = nullptr;
    ResourceData* resource = nullptr;  // null: the work is no one's
    bool zeroWork = false;
    std::vector<pxml::WorkStretch> unassigned;
  };
  // The assignments, and those of the fragments after them.
  void ReadAssignments(xml_node assignments);
  // Reads one assignment without changing anything, so that two threads may. The result points
  // at its task's entry of `tasks` (the reader's own), which is changed only once all are read.
  AssignmentResult ReadAssignment(xml_node node, DayCache& cache,
                                  std::unordered_map<std::int32_t, TaskEntry>& tasks) const;
  void ReadTimephased(xml_node node, DayCache& cache, AssignmentResult& out) const;
  void DeriveGaps();
  void ReadSubprojects();
  void ReadCompanion();
  template <class T>
  void PlaceRows(
      std::vector<std::pair<std::int64_t, std::pair<xml_node, std::shared_ptr<T>>>>& rows,
      std::vector<std::shared_ptr<T>>& out, const char* what);

  Loader& loader_;
  const ReadOptions& options_;
  const std::string& path_;
  const XmlSource& source_;
  CalendarReader calendars_;
  std::shared_ptr<ProjectData> project_;
  std::unordered_map<std::int32_t, ResourceData*> resources_;  // null: an empty row
  std::unordered_map<std::int32_t, TaskEntry> tasks_;
  std::vector<std::pair<xml_node, TaskData*>> subprojectTasks_;
  xml_node projectCalendarNode_;
  std::optional<std::int32_t> projectCalendarUid_;
  pxml::NodeIndex* index_;                // null: the elements are noted nowhere
  std::optional<std::string> companionText_;  // the companion file as read
};

std::shared_ptr<ProjectData> FileReader::Read() {
  const xml_node root = source_.Root();

  project_ = std::make_shared<ProjectData>();
  project_->name = FileNamePart(path_);
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(path_), ec);
  project_->fullName = ec ? path_ : absolute.lexically_normal().string();

  ReadHeader(root);
  xml_node calendars, tasks, resources, assignments;
  for (xml_node c = root.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "Calendars")
      calendars = c;
    else if (n == "Tasks")
      tasks = c;
    else if (n == "Resources")
      resources = c;
    else if (n == "Assignments")
      assignments = c;
  }
  if (index_) {
    index_->root = root;
    index_->calendarList = calendars;
    index_->taskList = tasks;
    index_->resourceList = resources;
    index_->assignmentList = assignments;
  }
  calendars_.Read(calendars, project_->calendars);
  if (projectCalendarUid_)  // without one the project keeps the host's "Standard"
    project_->calendarName =
        calendars_.ByUid(projectCalendarNode_, *projectCalendarUid_, "das Projekt")->name;
  ReadResources(resources);
  ReadTasks(tasks);
  ReadAssignments(assignments);
  DeriveGaps();
  if (options_.readCompanion) ReadCompanion();
  if (const auto kept = source_.Kept()) {
    auto file = std::make_shared<pxml::XmlSourceFile>();
    file->text = kept;
    file->companion = std::move(companionText_);
    project_->source = std::move(file);
  }
  if (options_.loadSubprojects) ReadSubprojects();
  return std::move(project_);
}

void FileReader::ReadHeader(xml_node root) {
  for (xml_node c = root.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "Title") {
      project_->title = Text(c);
    } else if (n == "StartDate") {
      project_->start = DateOf(c);
    } else if (n == "FinishDate") {
      project_->finish = DateOf(c);
    } else if (n == "CalendarUID") {
      projectCalendarUid_ = IntOf(c);
      projectCalendarNode_ = c;
    } else if (n == "DefaultStartTime") {
      project_->dayStartTime = TimeOf(c);
    } else if (n == "DefaultFinishTime") {
      const double t = TimeOf(c);
      project_->dayFinishTime = t == 0.0 ? 1.0 : t;
    } else if (n == "MinutesPerDay") {
      project_->minutesPerDay = NumberOf(c);
    } else if (n == "MinutesPerWeek") {
      project_->minutesPerWeek = NumberOf(c);
    } else if (n == "DaysPerMonth") {
      project_->daysPerMonth = IntOf(c);
    } else if (n == "ExtendedAttributes") {
      for (xml_node a = c.first_child(); a; a = a.next_sibling()) {
        std::optional<std::int32_t> id;
        std::string alias;
        for (xml_node f = a.first_child(); f; f = f.next_sibling()) {
          const Tag fn = LocalName(f.name());
          if (fn == "FieldID")
            id = IntOf(f);
          else if (fn == "Alias")
            alias = Text(f);
        }
        if (id && !alias.empty()) project_->definitions.customFieldTitles[*id] = alias;
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Rows

template <class T>
void FileReader::PlaceRows(
    std::vector<std::pair<std::int64_t, std::pair<xml_node, std::shared_ptr<T>>>>& rows,
    std::vector<std::shared_ptr<T>>& out, const char* what) {
  std::int64_t last = 0;
  std::vector<std::pair<xml_node, std::shared_ptr<T>>> extra;  // rows without a free number
  std::int64_t maxRow = 0;
  for (auto& [id, item] : rows) {
    if (id <= 0) id = last + 1;
    last = id;
    maxRow = std::max(maxRow, id);
  }
  out.assign(static_cast<std::size_t>(maxRow), nullptr);
  std::vector<bool> taken(static_cast<std::size_t>(maxRow), false);
  for (auto& [id, item] : rows) {
    const auto index = static_cast<std::size_t>(id - 1);
    if (taken[index]) {
      Warn(item.first, std::string(what) + " Nr. " + std::to_string(id) +
                           " ist doppelt vergeben; die Zeile wird ans Ende gestellt");
      extra.push_back(std::move(item));
      continue;
    }
    taken[index] = true;
    out[index] = std::move(item.second);
  }
  for (auto& [node, item] : extra) {
    if (item) item->id = static_cast<std::int32_t>(out.size() + 1);
    out.push_back(std::move(item));
  }
  for (std::size_t i = 0; i < out.size(); ++i)
    if (out[i]) out[i]->id = static_cast<std::int32_t>(i + 1);
}

void FileReader::ReadResources(xml_node resources) {
  std::vector<std::pair<std::int64_t, std::pair<xml_node, std::shared_ptr<ResourceData>>>> rows;
  for (xml_node node = resources.first_child(); node; node = node.next_sibling()) {
    if (LocalName(node.name()) != "Resource") continue;
    auto r = std::make_shared<ResourceData>();
    std::optional<std::int32_t> uid;
    std::int64_t id = 0;
    bool isNull = false, isCost = false, named = false;
    int type = 1;
    xml_node calendarNode, idNode;
    std::int32_t calendarUid = -1;
    for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
      const Tag n = LocalName(c.name());
      if (n == "UID")
        uid = IntOf(c);
      else if (n == "ID") {
        id = IntOf(c);
        idNode = c;
      } else if (n == "Name") {
        r->name = Text(c);
        named = true;
      } else if (n == "Type")
        type = IntOf(c);
      else if (n == "IsNull")
        isNull = BoolOf(c);
      else if (n == "Initials")
        r->initials = Text(c);
      else if (n == "Group")
        r->group = Text(c);
      else if (n == "CalendarUID") {
        calendarUid = IntOf(c);
        calendarNode = c;
      } else if (n == "IsCostResource")
        isCost = BoolOf(c);
    }
    if (!uid) Fail(node, "Ressource " + Quoted(r->name) + " ohne <UID>");
    if (index_) index_->resourceUids.insert(*uid);
    if (*uid == 0) continue;  // the project's own entry, no row of the sheet
    if (resources_.count(*uid))
      Fail(node, "Ressourcen-UID " + std::to_string(*uid) + " ist doppelt vergeben");
    if (id > pxml::kMaxRow) Fail(idNode, "Ressourcen-Nr. " + std::to_string(id) + " ist zu groß");
    r->uid = *uid;
    // The format counts 0 material, 1 work, 2 cost; cost resources of older files say so apart.
    r->kind = isCost || type == 2 ? 2 : type == 0 ? 1 : 0;
    if (calendarUid != -1)
      r->calendar = calendars_.ByUid(calendarNode, calendarUid, "die Ressource " + Quoted(r->name));
    // A row without <Name> is empty; one whose name is empty or blanks keeps its row and work.
    const bool empty = isNull || !named;
    resources_[*uid] = empty ? nullptr : r.get();
    if (index_ && !empty) index_->resources.emplace(*uid, node);
    rows.push_back({id, {node, empty ? nullptr : r}});
  }
  PlaceRows(rows, project_->resources, "Ressourcen");
}

void FileReader::ReadTasks(xml_node tasks) {
  std::vector<std::pair<std::int64_t, std::pair<xml_node, std::shared_ptr<TaskData>>>> rows;
  for (xml_node node = tasks.first_child(); node; node = node.next_sibling()) {
    if (LocalName(node.name()) != "Task") continue;
    auto t = std::make_shared<TaskData>();
    std::optional<std::int32_t> uid;
    std::int64_t id = 0;
    bool isNull = false, isSubproject = false;
    xml_node idNode, subNode;
    std::string subName;
    for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
      const Tag n = LocalName(c.name());
      if (n == "UID")
        uid = IntOf(c);
      else if (n == "ID") {
        id = IntOf(c);
        idNode = c;
      } else if (n == "Name")
        t->name = Text(c);
      else if (n == "IsNull")
        isNull = BoolOf(c);
      else if (n == "OutlineLevel")
        t->outlineLevel = IntOf(c);
      else if (n == "Summary")
        t->summary = BoolOf(c);
      else if (n == "Start")
        t->start = DateOf(c);
      else if (n == "Finish")
        t->finish = DateOf(c);
      else if (n == "Duration")
        t->durationMinutes = DurationOf(c);
      else if (n == "Rollup")
        t->rollup = BoolOf(c);
      else if (n == "HideBar")
        t->hiddenBar = BoolOf(c);
      else if (n == "IsSubproject")
        isSubproject = BoolOf(c);
      else if (n == "SubprojectName") {
        subName = Text(c);
        subNode = c;
      } else if (n == "ExtendedAttribute") {
        std::optional<std::int32_t> field;
        xml_node value;
        for (xml_node a = c.first_child(); a; a = a.next_sibling()) {
          const Tag an = LocalName(a.name());
          if (an == "FieldID")
            field = IntOf(a);
          else if (an == "Value")
            value = a;
        }
        const auto known = field ? pxml::CustomFieldOf(*field) : std::nullopt;
        if (!known || !value || *value.child_value() == '\0') continue;
        if (known->isDate)
          t->dates[pxml::ModelFieldName(*known)] = DateOf(value);
        else
          t->numbers[pxml::ModelFieldName(*known)] = NumberOf(value);
      }
    }
    if (!uid) Fail(node, "Vorgang " + Quoted(t->name) + " ohne <UID>");
    if (index_) index_->taskUids.insert(*uid);
    if (*uid == 0) continue;  // the project summary task, no row of the sheet
    if (tasks_.count(*uid))
      Fail(node, "Vorgangs-UID " + std::to_string(*uid) + " ist doppelt vergeben");
    if (id > pxml::kMaxRow) Fail(idNode, "Vorgangs-Nr. " + std::to_string(id) + " ist zu groß");
    t->uid = *uid;
    if (isSubproject && !subName.empty() && !isNull) {
      t->subprojectFile = subName;
      subprojectTasks_.emplace_back(subNode, t.get());
    }
    tasks_[*uid].task = isNull ? nullptr : t.get();
    if (index_ && !isNull) index_->tasks.emplace(*uid, node);
    rows.push_back({id, {node, isNull ? nullptr : t}});
  }
  PlaceRows(rows, project_->tasks, "Vorgangs");
}

// ---------------------------------------------------------------------------------------------
// Assignments

void FileReader::ReadTimephased(xml_node node, DayCache& cache, AssignmentResult& out) const {
  // Planned work is the assignment's remaining work (type 1) plus its actual work (type 2); the
  // two cover different days, and actual overtime (type 3) is part of actual work already.
  int type = 0;
  xml_node typeNode, start, finish, unitNode, value;
  for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "Type")
      typeNode = c;
    else if (n == "Start")
      start = c;
    else if (n == "Finish")
      finish = c;
    else if (n == "Unit")
      unitNode = c;
    else if (n == "Value")
      value = c;
  }
  if (typeNode) {
    const char* t = typeNode.child_value();
    type = (t[0] == '1' || t[0] == '2') && t[1] == '\0' ? t[0] - '0' : IntOf(typeNode);
  }
  // Stretches without a value are time without work (nights, weekends): nothing to keep.
  if ((type != 1 && type != 2) || !value || *value.child_value() == '\0') return;
  if (!start || !finish) Fail(node, "Zeitphasendaten ohne <Start> oder <Finish>");
  // Without a unit a stretch counts as the day planning tools record work by.
  TimeUnit unit = TimeUnit::kDay;
  if (unitNode) {
    const char* u = unitNode.child_value();
    const int code = u[0] >= '0' && u[0] <= '9' && u[1] == '\0' ? u[0] - '0' : IntOf(unitNode);
    // A unit that the format does not know is spread by the hours, as every stretch once was.
    unit = code == 1 || code == 2 || code == 3 || code == 5 || code == 8 ? static_cast<TimeUnit>(code)
                                                                         : TimeUnit::kMinute;
  }
  const TimephasedWork w{DateOf(start, cache), DateOf(finish, cache), DurationOf(value), unit,
                         static_cast<std::uint8_t>(type)};
  if (w.minutes == 0) out.zeroWork = true;
  if (out.resource)
    out.assignment->timephased.push_back(w);
  else if (out.task)
    out.unassigned.push_back({w.start, w.finish, w.minutes});
}

FileReader::AssignmentResult FileReader::ReadAssignment(
    xml_node node, DayCache& cache, std::unordered_map<std::int32_t, TaskEntry>& tasks) const {
  AssignmentResult out;
  out.assignment = std::make_shared<AssignmentData>();
  AssignmentData& a = *out.assignment;
  xml_node resourceNode, taskNode, firstStretch;
  bool haveTask = false, haveResource = false;
  std::size_t stretches = 0;
  for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "TimephasedData") {  // read below, once the owners are known
      if (stretches++ == 0) firstStretch = c;
    } else if (n == "UID")
      a.uid = IntOf(c);
    else if (n == "TaskUID") {
      a.taskUid = IntOf(c);
      taskNode = c;
      haveTask = true;
    } else if (n == "ResourceUID") {
      a.resourceUid = IntOf(c);
      resourceNode = c;
      haveResource = true;
    } else if (n == "Start")
      a.start = DateOf(c, cache);
    else if (n == "Finish")
      a.finish = DateOf(c, cache);
    else if (n == "Work")
      a.workMinutes = DurationOf(c);
  }
  if (!haveTask) Fail(node, "Zuordnung ohne <TaskUID>");
  if (a.taskUid != 0) {
    const auto it = tasks.find(a.taskUid);
    if (it == tasks.end())
      Fail(taskNode,
           "Vorgangs-UID " + std::to_string(a.taskUid) + " der Zuordnung ist nicht definiert");
    out.task = &it->second;
  }
  if (haveResource && a.resourceUid != kNoResource && a.resourceUid != 0) {
    const auto it = resources_.find(a.resourceUid);
    if (it == resources_.end())
      Fail(resourceNode, "Ressourcen-UID " + std::to_string(a.resourceUid) +
                             " der Zuordnung ist nicht definiert");
    out.resource = it->second;  // null for an empty row: the work is no one's
  }
  if (out.resource) a.timephased.reserve(stretches);
  for (xml_node c = firstStretch; c; c = c.next_sibling())
    if (LocalName(c.name()) == "TimephasedData") ReadTimephased(c, cache, out);
  const auto byStart = [](const TimephasedWork& x, const TimephasedWork& y) {
    return x.start < y.start;
  };
  if (!std::is_sorted(a.timephased.begin(), a.timephased.end(), byStart))
    std::stable_sort(a.timephased.begin(), a.timephased.end(), byStart);
  return out;
}

void FileReader::ReadAssignments(xml_node assignments) {
  const auto [middle, tail] = source_.LaterAssignments();
  std::vector<xml_node> nodes;
  for (const xml_node part : {assignments, middle, tail})
    for (xml_node node = part.first_child(); node; node = node.next_sibling())
      if (LocalName(node.name()) == "Assignment") nodes.push_back(node);

  // Large files: the second half is read on a second thread. Each half stops at its first
  // error; the error that comes first in the file is the one reported.
  std::vector<AssignmentResult> results(nodes.size());
  struct Part {
    std::size_t begin = 0, end = 0;
    std::exception_ptr error;
  };
  auto readPart = [&](Part& part) {
    DayCache cache;
    try {
      for (std::size_t i = part.begin; i < part.end; ++i)
        results[i] = ReadAssignment(nodes[i], cache, tasks_);
    } catch (...) {
      part.error = std::current_exception();
    }
  };
  Part first{0, nodes.size(), nullptr}, second{nodes.size(), nodes.size(), nullptr};
  std::thread helper;
  if (nodes.size() >= kParallelAssignments) {
    first.end = second.begin = nodes.size() / 2;
    try {
      helper = std::thread(readPart, std::ref(second));
    } catch (const std::system_error&) {
      first.end = nodes.size();  // no second thread to be had: one reads all
      second.begin = nodes.size();
    }
  }
  readPart(first);
  if (helper.joinable()) helper.join();
  if (first.error) std::rethrow_exception(first.error);
  if (second.error) std::rethrow_exception(second.error);

  for (std::size_t i = 0; i < results.size(); ++i) {
    AssignmentResult& r = results[i];
    if (index_) {
      index_->assignmentUids.insert(r.assignment->uid);
      if (r.resource) index_->assignments[{r.assignment->uid, r.resource->uid}].push_back(nodes[i]);
    }
    if (r.task) {
      r.task->hasZeroWork = r.task->hasZeroWork || r.zeroWork;
      for (auto& w : r.unassigned) r.task->unassigned.push_back(w);
    }
    if (!r.resource) continue;
    if (r.task) r.task->assignments.push_back(r.assignment.get());
    r.resource->assignments.push_back(std::move(r.assignment));
  }
}

void FileReader::DeriveGaps() {
  for (auto& [uid, entry] : tasks_) {
    if (!entry.task || !entry.hasZeroWork) continue;
    std::vector<pxml::WorkStretch> stretches = std::move(entry.unassigned);
    for (const AssignmentData* a : entry.assignments)
      for (const TimephasedWork& w : a->timephased)
        stretches.push_back({w.start, w.finish, w.minutes});
    entry.task->gaps = pxml::GapsFromWork(std::move(stretches));
  }
}

// ---------------------------------------------------------------------------------------------
// Inserted projects and the companion file

void FileReader::ReadSubprojects() {
  const fs::path folder = fs::path(path_).parent_path();
  for (const auto& [node, task] : subprojectTasks_) {
    std::string name = task->subprojectFile;
    std::replace(name.begin(), name.end(), '\\', '/');
    std::vector<fs::path> candidates;
    const fs::path named(name);
    const bool windowsAbsolute = name.size() > 2 && name[1] == ':' && name[2] == '/';
    if (named.is_absolute() || windowsAbsolute)
      candidates.push_back(named);
    else
      candidates.push_back(folder / named);
    candidates.push_back(folder / FileNamePart(name));
    std::optional<fs::path> found;
    for (const auto& c : candidates) {
      std::error_code ec;
      // A pipe or device of the name is found, and refused when it is read.
      if (fs::exists(c, ec) && !fs::is_directory(c, ec)) {
        found = c;
        break;
      }
    }
    if (!found) {
      Warn(node, "eingefügtes Projekt " + Quoted(task->subprojectFile) +
                     " wurde nicht gefunden und wird übergangen");
      continue;
    }
    std::error_code ec;
    const std::string canonical = fs::weakly_canonical(*found, ec).string();
    if (std::find(loader_.loading_.begin(), loader_.loading_.end(), canonical) !=
        loader_.loading_.end())
      Fail(node, "eingefügtes Projekt " + Quoted(task->subprojectFile) +
                     " fügt dieses Projekt selbst wieder ein (Schleife)");
    std::string sub = found->string();
    SubprojectData entry;
    entry.sourceFile = task->subprojectFile;
    entry.taskRow = task->id;
    entry.project = loader_.LoadPath(sub);
    project_->subprojects.push_back(std::move(entry));
  }
}

void FileReader::ReadCompanion() {
  const std::string companion = CompanionPath(path_);
  std::error_code ec;
  if (!fs::exists(companion, ec)) return;
  FileText file;
  bool ok = false;
  try {
    ok = ReadFileText(
        companion, [](std::string_view) { return std::optional<bool>(false); }, file);
  } catch (const std::bad_alloc&) {
    throw host::HostError(host::kErrFile, OutOfMemoryText(companion, file.size));
  }
  if (!ok && file.kind == FileKind::Special)
    throw host::HostError(host::kErrFile, NotRegularFileText(companion));
  std::string problem = "Datei kann nicht gelesen werden";
  if (ok && pxml::ApplyCompanion(std::string(file.view()), *project_, problem)) {
    if (options_.keepSource) companionText_ = std::string(file.view());
    return;
  }
  AddWarning(companion + ": Begleitdatei ist beschädigt und wird übergangen (" + problem + ")");
}

std::shared_ptr<ProjectData> Loader::Load(std::string* bytes, std::string_view original,
                                          const std::string& path) {
  std::error_code ec;
  const std::string canonical = fs::weakly_canonical(fs::path(path), ec).string();
  loading_.push_back(ec ? path : canonical);
  std::optional<XmlSource> source;
  if (bytes)
    source.emplace(*bytes, original, path, options_.keepSource);
  else
    source.emplace(path, options_.parseInPartsFrom, options_.keepSource);
  auto project = FileReader(*this, options_, warnings_, path, *source).Read();
  loading_.pop_back();
  return project;
}

}  // namespace

std::string CompanionPath(const std::string& projectPath) {
  return projectPath + ".korvalinx.json";
}

LoadResult ReadProjectXml(const std::string& path, const ReadOptions& options) {
  LoadResult result;
  Loader loader(options, result.warnings);
  result.project = loader.LoadPath(path);
  return result;
}

LoadResult ReadProjectXmlText(std::string_view text, const std::string& name,
                              const ReadOptions& options) {
  LoadResult result;
  Loader loader(options, result.warnings);
  std::string bytes(text);
  result.project = loader.Load(&bytes, text, name);
  return result;
}

std::unique_ptr<pxml::IndexedRead> pxml::ReadWithIndex(const XmlSourceFile& file,
                                                       const std::string& name) {
  auto read = std::make_unique<IndexedRead>();
  read->buffer = file.text->utf8;
  read->source = std::make_unique<XmlSource>(read->buffer, file.text->utf8, name, false,
                                             pugi::encoding_utf8);
  ReadOptions options;
  options.loadSubprojects = false;
  options.readCompanion = false;
  options.keepSource = false;
  options.index = &read->index;
  std::vector<std::string> warnings;
  Loader loader(options, warnings);
  read->project = FileReader(loader, options, warnings, name, *read->source).Read();
  std::string problem;
  if (file.companion) ApplyCompanion(*file.companion, *read->project, problem);
  return read;
}

std::shared_ptr<ProjectData> ProjectXmlFormat::Load(const std::string& path) {
  LoadResult r = ReadProjectXml(path);
  warnings_ = std::move(r.warnings);
  return r.project;
}

}  // namespace kx::platform
