#include "platform/planning_host.hpp"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

#include "platform/host_objects.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"
#include "support/regional.hpp"
#include "support/text.hpp"

namespace kx::platform {

using detail::Fail;
using detail::ProjectState;
using detail::Quoted;

namespace {

constexpr const char* kNoProjectText = "Es ist kein Projekt geöffnet.";

// The file name of a path: what follows its last "/" or "\".
std::string FileName(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder of a path, without a trailing separator; empty for a bare file name.
std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return {};
  std::string folder = path.substr(0, slash);
  while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return AsciiLower(a) == AsciiLower(b);
}

// ---- resources ----

class ResourceObject final : public host::Resource {
 public:
  ResourceObject(std::shared_ptr<ProjectState> state, std::shared_ptr<ResourceData> data)
      : state_(std::move(state)), data_(std::move(data)) {}
  std::string GetResourceName() override { return data_->name; }
  std::string GetResourceGroup() override { return data_->group; }
  void SetResourceGroup(const std::string& group) override { data_->group = group; }
  std::int32_t GetResourceUniqueId() override { return data_->uid; }
  int GetResourceKind() override { return data_->kind; }
  host::CalendarPtr GetResourceCalendar() override {
    auto cal = data_->calendar != nullptr ? data_->calendar : state_->data->ProjectCalendar();
    if (cal == nullptr) {
      Fail(host::kErrNotFound,
           "Der Kalender " + Quoted(state_->data->calendarName) + " ist nicht vorhanden.");
    }
    return state_->CalendarHandle(cal);
  }
  std::string GetResourceBaseCalendarName() override {
    return detail::ResourceFieldText(*state_->data, *data_, "Basiskalender");
  }
  std::vector<host::DailyWorkItem> GetDailyWork(const Value& from, const Value& to) override {
    return detail::DailyWork(*state_->data, *data_, detail::RequireDate(from, "Beginn"),
                             detail::RequireDate(to, "Ende"));
  }
  std::vector<host::TaskDailyWork> GetDailyWorkByTask(const Value& from, const Value& to) override {
    return detail::DailyWorkByTask(*state_->data, *data_, detail::RequireDate(from, "Beginn"),
                                   detail::RequireDate(to, "Ende"));
  }

 private:
  std::shared_ptr<ProjectState> state_;
  std::shared_ptr<ResourceData> data_;
};

// ---- task sheet ----

class TasksObject final : public host::Tasks {
 public:
  explicit TasksObject(std::shared_ptr<ProjectData> data) : data_(std::move(data)) {}
  long Count() override { return static_cast<long>(data_->tasks.size()); }
  host::TaskPtr Item(long row) override {
    if (row < 1 || row > Count() || data_->tasks[static_cast<std::size_t>(row - 1)] == nullptr) {
      Fail(host::kErrNotFound, "In Zeile " + std::to_string(row) + " steht kein Vorgang.");
    }
    return detail::MakeTask(data_, data_->tasks[static_cast<std::size_t>(row - 1)]);
  }

 private:
  std::shared_ptr<ProjectData> data_;
};

// ---- custom document properties ----

class PropertiesObject final : public host::CustomProperties {
 public:
  explicit PropertiesObject(std::shared_ptr<ProjectData> data) : data_(std::move(data)) {}
  long Count() override { return static_cast<long>(data_->properties.size()); }
  host::CustomProperty Item(long index) override {
    if (index < 1 || index > Count()) {
      Fail(host::kErrNotFound, "Es gibt keine Eigenschaft Nummer " + std::to_string(index) + ".");
    }
    return ToHost(data_->properties[static_cast<std::size_t>(index - 1)]);
  }
  host::CustomProperty Item(const std::string& name) override { return ToHost(*Find(name)); }
  void Delete(const std::string& name) override {
    auto& list = data_->properties;
    list.erase(list.begin() + (Find(name) - list.data()));
  }
  void Add(const std::string& name, bool linkToContent, int type, const Value& value) override {
    if (Trim(name).empty()) Fail(host::kErrInvalidArgument, "Es fehlt der Name der Eigenschaft.");
    for (const auto& p : data_->properties) {
      if (SameNameIgnoringCase(p.name, name)) {
        Fail(host::kErrInvalidArgument,
             "Die Eigenschaft " + Quoted(name) + " ist bereits vorhanden.");
      }
    }
    data_->properties.push_back({name, ToText(value), type, linkToContent});
  }

 private:
  static host::CustomProperty ToHost(const PropertyData& p) {
    return {p.name, p.value, p.type, p.linkToContent};
  }
  PropertyData* Find(const std::string& name) {
    for (auto& p : data_->properties) {
      if (SameNameIgnoringCase(p.name, name)) return &p;
    }
    Fail(host::kErrNotFound, "Die Eigenschaft " + Quoted(name) + " ist nicht vorhanden.");
  }
  std::shared_ptr<ProjectData> data_;
};

// ---- projects ----

class ProjectObject final : public host::Project {
 public:
  explicit ProjectObject(std::shared_ptr<ProjectState> state) : state_(std::move(state)) {}

  const std::shared_ptr<ProjectData>& Data() const { return state_->data; }

  std::string GetProjectName() override { return Data()->name; }
  std::string GetProjectTitle() override {
    return Data()->title.empty() ? Data()->name : Data()->title;
  }
  void SetProjectTitle(const std::string& title) override { Data()->title = title; }
  std::string GetProjectFullName() override {
    return Data()->fullName.empty() ? Data()->name : Data()->fullName;
  }
  std::string GetProjectFolder() override { return FolderOf(Data()->fullName); }
  Date GetProjectStart() override { return Data()->start; }
  void SetProjectStart(const Value& start) override {
    Date d = detail::RequireDate(start, "Projektanfang");
    const auto* text = std::get_if<std::string>(&start);
    if (text != nullptr && Trim(*text).find_first_of(" T") == std::string::npos) {
      d = Date(d.serial + Data()->dayStartTime);  // a date alone: at the start of the day
    }
    Data()->start = d;
  }
  Date GetProjectFinish() override {
    if (Data()->finish) return *Data()->finish;
    std::optional<Date> latest;
    for (const auto& t : Data()->tasks) {
      if (t != nullptr && (!latest || t->finish > *latest)) latest = t->finish;
    }
    return latest.value_or(Data()->start);
  }
  std::vector<host::ResourcePtr> GetProjectResources() override {
    std::vector<host::ResourcePtr> list;
    list.reserve(Data()->resources.size());
    for (const auto& r : Data()->resources) {
      list.push_back(r == nullptr ? nullptr : std::make_shared<ResourceObject>(state_, r));
    }
    return list;
  }
  long GetResourceCount() override { return static_cast<long>(Data()->resources.size()); }
  std::vector<host::SubprojectEntry> GetSubprojects() override {
    std::vector<host::SubprojectEntry> list;
    for (const auto& s : Data()->subprojects) list.push_back({s.sourceFile, s.taskRow});
    return list;
  }
  host::ProjectPtr GetSubprojectProject(const host::SubprojectEntry& entry) override {
    for (const auto& s : Data()->subprojects) {
      if (s.sourceFile != entry.sourceFile || s.taskRow != entry.taskRow) continue;
      if (s.project == nullptr) {
        Fail(host::kErrFile,
             "Das eingefügte Projekt " + Quoted(s.sourceFile) + " kann nicht geladen werden.");
      }
      return detail::MakeProject(state_->SubState(s.project));
    }
    Fail(host::kErrNotFound, "Das eingefügte Projekt " + Quoted(entry.sourceFile) + " in Zeile " +
                                 std::to_string(entry.taskRow) + " ist nicht vorhanden.");
  }
  std::vector<host::CalendarPtr> GetBaseCalendars() override {
    std::vector<host::CalendarPtr> list;
    for (const auto& c : Data()->calendars) {
      if (c != nullptr && c->isBase) list.push_back(state_->CalendarHandle(c));
    }
    return list;
  }
  host::CalendarPtr GetBaseCalendar(const std::string& name) override {
    auto cal = state_->FindBaseCalendar(name);
    if (cal == nullptr) {
      Fail(host::kErrNotFound, "Der Kalender " + Quoted(name) + " ist nicht vorhanden.");
    }
    return state_->CalendarHandle(cal);
  }
  std::vector<std::string> GetResourceFilters() override {
    const auto& builtIns = detail::BuiltInResourceFilters();
    std::vector<std::string> names;
    for (const auto& name : builtIns) {
      if (detail::FindFilter(Data()->definitions, name, false) != nullptr) names.push_back(name);
    }
    for (const auto& f : Data()->definitions.filters) {
      if (!f.taskFilter && std::find(builtIns.begin(), builtIns.end(), f.name) == builtIns.end()) {
        names.push_back(f.name);
      }
    }
    return names;
  }
  host::Tasks& GetProjectTasks() override {
    if (state_->tasks == nullptr) state_->tasks = std::make_shared<TasksObject>(Data());
    return *state_->tasks;
  }
  host::CustomProperties& GetCustomProperties() override {
    if (state_->properties == nullptr) {
      state_->properties = std::make_shared<PropertiesObject>(Data());
    }
    return *state_->properties;
  }

 private:
  std::shared_ptr<ProjectState> state_;
};

// ---- the active project's view and definitions ----

// Where the host objects below find the active project.
struct ActiveSource {
  std::vector<std::shared_ptr<ProjectState>> open;
  std::shared_ptr<ProjectState> active;

  ProjectState& Active() const {
    if (active == nullptr) Fail(host::kErrNoProject, kNoProjectText);
    return *active;
  }
};

class ActiveViewObject final : public host::ActiveView {
 public:
  explicit ActiveViewObject(const ActiveSource& source) : source_(source) {}

  void SelectTaskCell(long row, const std::string& column, bool relative) override {
    ProjectState& s = TaskSheet();
    const long target = relative ? s.selectedRow + row : row;
    if (target < 1) {
      Fail(host::kErrInvalidArgument, "Die Zeile " + std::to_string(target) + " gibt es nicht.");
    }
    if (!column.empty()) RequireColumn(s, column);
    s.selectedRow = target;
  }
  void SetTaskField(const std::string& field, const std::string& value) override {
    ProjectState& s = TaskSheet();
    detail::SetTaskField(*s.data, s.selectedRow, field, value);
  }
  void FormatTaskBar(long taskNumber, int colour) override {
    ProjectState& s = source_.Active();
    auto& tasks = s.data->tasks;
    if (taskNumber < 1 || taskNumber > static_cast<long>(tasks.size()) ||
        tasks[static_cast<std::size_t>(taskNumber - 1)] == nullptr) {
      Fail(host::kErrNotFound, "Den Vorgang " + std::to_string(taskNumber) + " gibt es nicht.");
    }
    if (colour < 0 || colour > 16) {
      Fail(host::kErrInvalidArgument, "Die Farbe " + std::to_string(colour) + " gibt es nicht.");
    }
    tasks[static_cast<std::size_t>(taskNumber - 1)]->barColour = colour;
  }
  void CompleteTaskRow() override { ++source_.Active().completedRows; }
  void SelectColumn(const std::string& field) override { RequireColumn(source_.Active(), field); }
  bool FindRow(const std::string& field, const std::string& test, const Value& value) override {
    ProjectState& s = source_.Active();
    const ProjectData& p = *s.data;
    const std::string text = ToText(value);
    detail::CompareField("", test, text);  // an unknown test fails even without rows
    const bool taskView = IsTaskView(p);
    const FilterDefinition* filter =
        detail::FindFilter(p.definitions, p.definitions.currentFilter, taskView);
    if (taskView) {
      for (const auto& t : p.tasks) {
        if (t == nullptr) continue;
        if (filter != nullptr && !detail::PassesFilter(*t, *filter)) continue;
        if (detail::CompareField(detail::TaskFieldText(*t, field), test, text)) return true;
      }
      return false;
    }
    // Looking a resource up by its unique number compares numbers, not texts.
    const std::string key = AsciiLower(Trim(field));
    const std::string op = AsciiLower(Trim(test));
    const auto number = ParseNumber(text, RegionalSettings::German());
    if (key == "einmalige nr." && (op == "gleich" || op == "=") && number) {
      using Limits = std::numeric_limits<std::int32_t>;
      const bool whole =
          *number == std::floor(*number) && *number >= Limits::min() && *number <= Limits::max();
      const ResourceData* first =
          whole ? s.FindResourceByUid(static_cast<std::int32_t>(*number)) : nullptr;
      if (first == nullptr) return false;
      if (filter == nullptr || detail::PassesFilter(p, *first, *filter)) return true;
      // Another resource of the same number may pass the filter.
      for (const auto& r : p.resources) {
        if (r != nullptr && r->uid == *number &&
            (filter == nullptr || detail::PassesFilter(p, *r, *filter)))
          return true;
      }
      return false;
    }
    // The field test first: the filter is evaluated only for rows that match it.
    for (const auto& r : p.resources) {
      if (r == nullptr) continue;
      if (!detail::CompareField(detail::ResourceFieldText(p, *r, field), test, text)) continue;
      if (filter == nullptr || detail::PassesFilter(p, *r, *filter)) return true;
    }
    return false;
  }
  void ApplyTable(const std::string& name) override {
    Definitions& d = source_.Active().data->definitions;
    if (detail::FindTable(d, name, IsTaskView(*source_.Active().data)) == nullptr) {
      Fail(host::kErrNotFound, "Die Tabelle " + Quoted(name) + " ist nicht vorhanden.");
    }
    d.currentTable = name;
  }
  void ApplyFilter(const std::string& name) override {
    Definitions& d = source_.Active().data->definitions;
    if (detail::FindFilter(d, name, IsTaskView(*source_.Active().data)) == nullptr) {
      Fail(host::kErrNotFound, "Der Filter " + Quoted(name) + " ist nicht vorhanden.");
    }
    d.currentFilter = name;
  }
  void ApplyView(const std::string& name) override {
    Definitions& d = source_.Active().data->definitions;
    const ViewDefinition* view = detail::FindView(d, name);
    if (view == nullptr) {
      Fail(host::kErrNotFound, "Die Ansicht " + Quoted(name) + " ist nicht vorhanden.");
    }
    d.currentView = view->name;
    d.currentTable = view->table;
    d.currentFilter = !view->filter.empty() ? view->filter
                      : view->taskView      ? "Alle Vorgänge"
                                            : kAllResourcesFilter;
  }

 private:
  static bool IsTaskView(const ProjectData& p) {
    const ViewDefinition* view = detail::FindView(p.definitions, p.definitions.currentView);
    return view == nullptr || view->taskView;
  }
  ProjectState& TaskSheet() {
    ProjectState& s = source_.Active();
    if (!IsTaskView(*s.data)) {
      Fail(host::kErrNotAvailable,
           "Die Ansicht " + Quoted(s.data->definitions.currentView) + " zeigt keine Vorgänge.");
    }
    return s;
  }
  static void RequireColumn(const ProjectState& s, const std::string& field) {
    const Definitions& d = s.data->definitions;
    const TableDefinition* table = detail::FindTable(d, d.currentTable, IsTaskView(*s.data));
    if (table != nullptr) {
      for (const auto& c : table->columns) {
        if (SameNameIgnoringCase(c.field, field)) return;
      }
    }
    Fail(host::kErrNotFound,
         "Die Tabelle " + Quoted(d.currentTable) + " hat keine Spalte " + Quoted(field) + ".");
  }
  const ActiveSource& source_;
};

class DefinitionsObject final : public host::Definitions {
 public:
  explicit DefinitionsObject(const ActiveSource& source) : source_(source) {}
  void EditTable(const NamedArgs& a) override { detail::EditTable(Data(), a); }
  void EditView(const NamedArgs& a) override { detail::EditView(Data(), a); }
  void DeleteBarStyles(const NamedArgs& a) override { detail::DeleteBarStyles(Data(), a); }
  void EditBarStyle(const NamedArgs& a) override { detail::EditBarStyle(Data(), a); }
  void FinalViewCommand(std::int32_t command) override {
    Data().definitions.finalViewCommands.push_back(command);
  }
  void RenameCustomField(const NamedArgs& a) override { detail::RenameCustomField(Data(), a); }
  void SetCustomFieldProperties(const NamedArgs& a) override {
    detail::SetCustomFieldProperties(Data(), a);
  }
  void CreateBaseCalendar(const NamedArgs& a) override { detail::CreateBaseCalendar(Data(), a); }
  void SetCalendarWeekday(const NamedArgs& a) override { detail::SetCalendarWeekday(Data(), a); }
  void SetProjectInformation(const NamedArgs& a) override {
    detail::SetProjectInformation(Data(), a);
  }
  void SetViewOptions(const NamedArgs& a) override {
    detail::MergeOptions(Data(), "SetViewOptions", a);
  }
  void SetCalendarOptions(const NamedArgs& a) override { detail::SetCalendarOptions(Data(), a); }
  void SetOptionGroupA(const NamedArgs& a) override {
    detail::MergeOptions(Data(), "SetOptionGroupA", a);
  }
  void SetOptionGroupB(const NamedArgs& a) override {
    detail::MergeOptions(Data(), "SetOptionGroupB", a);
  }
  void SetOptionGroupC(const NamedArgs& a) override {
    detail::MergeOptions(Data(), "SetOptionGroupC", a);
  }
  void SetOptionGroupD(const NamedArgs& a) override {
    detail::MergeOptions(Data(), "SetOptionGroupD", a);
  }

 private:
  ProjectData& Data() { return *source_.Active().data; }
  const ActiveSource& source_;
};

}  // namespace

host::ProjectPtr detail::MakeProject(std::shared_ptr<ProjectState> state) {
  return std::make_shared<ProjectObject>(std::move(state));
}


struct PlanningHost::Impl {
  ActiveSource source;
  ActiveViewObject view{source};
  DefinitionsObject definitions{source};
  int newProjects = 0;
};

PlanningHost::PlanningHost(std::shared_ptr<ProjectFileFormat> files)
    : impl_(std::make_unique<Impl>()), files_(std::move(files)) {}

PlanningHost::~PlanningHost() = default;

host::ProjectPtr PlanningHost::OpenProject(const std::string& path) {
  if (files_ == nullptr) {
    Fail(host::kErrFile, "Für Projektdateien ist kein Dateiformat eingerichtet.");
  }
  auto data = files_->Load(path);
  if (data == nullptr) {
    Fail(host::kErrFile, "Die Datei " + Quoted(path) + " konnte nicht gelesen werden.");
  }
  if (data->fullName.empty()) data->fullName = path;
  if (data->name.empty()) data->name = FileName(path);
  return AddProject(std::move(data));
}

host::ProjectPtr PlanningHost::AddProject(std::shared_ptr<ProjectData> data) {
  if (data == nullptr) Fail(host::kErrInvalidArgument, "Es fehlt das Projekt.");
  auto& open = impl_->source.open;
  for (const auto& s : open) {
    if (s->data == data) {
      impl_->source.active = s;
      return detail::MakeProject(s);
    }
  }
  detail::EnsureBuiltIns(data->definitions);
  auto state = std::make_shared<ProjectState>(std::move(data));
  open.push_back(state);
  impl_->source.active = state;
  return detail::MakeProject(state);
}

std::shared_ptr<ProjectData> PlanningHost::ActiveData() const {
  return impl_->source.active != nullptr ? impl_->source.active->data : nullptr;
}

std::shared_ptr<ProjectData> PlanningHost::DataOf(const host::ProjectPtr& project) {
  const auto* object = dynamic_cast<const ProjectObject*>(project.get());
  return object != nullptr ? object->Data() : nullptr;
}

host::ProjectPtr PlanningHost::GetActiveProject() {
  ProjectState& s = impl_->source.Active();
  (void)s;
  return detail::MakeProject(impl_->source.active);
}

std::vector<host::ProjectPtr> PlanningHost::GetOpenProjects() {
  std::vector<host::ProjectPtr> list;
  for (const auto& s : impl_->source.open) list.push_back(detail::MakeProject(s));
  return list;
}

void PlanningHost::CreateNewProject() {
  ++impl_->newProjects;
  AddProject(NewProjectData("Projekt" + std::to_string(impl_->newProjects)));
}

void PlanningHost::SaveProjectAs(const std::string& path) {
  ProjectState& s = impl_->source.Active();
  if (files_ == nullptr) {
    Fail(host::kErrFile, "Für Projektdateien ist kein Dateiformat eingerichtet.");
  }
  if (Trim(path).empty()) Fail(host::kErrFile, "Es fehlt der Dateiname.");
  // The project's own earlier file may be replaced; no file of any other project.
  std::vector<std::string> guarded;
  for (const auto& other : impl_->source.open)
    if (other->data) AddGuardedFiles(*other->data, other != impl_->source.active, guarded);
  for (const std::string& written : GetFilesOfSave(path))
    for (const std::string& g : guarded)
      if (SameFile(written, g))
        Fail(host::kErrFile, "Die Datei " + Quoted(written) +
                                 " gehört zu einem geöffneten Projekt und wird nicht "
                                 "überschrieben.");
  files_->Save(*s.data, path);
  s.data->fullName = path;
  s.data->name = FileName(path);
  if (!WroteFile(path)) written_.push_back(path);
}

bool PlanningHost::WroteFile(const std::string& path) const {
  for (const std::string& w : written_)
    if (SameFile(w, path)) return true;
  return false;
}

void PlanningHost::SetScreenUpdating(bool on) {
  const bool changed = on != screenUpdating_;
  screenUpdating_ = on;
  if (changed && onScreenUpdating_) onScreenUpdating_(on);
}

std::vector<std::shared_ptr<ProjectData>> PlanningHost::OpenData() const {
  std::vector<std::shared_ptr<ProjectData>> list;
  for (const auto& s : impl_->source.open) list.push_back(s->data);
  return list;
}

bool PlanningHost::ActivateProject(const std::shared_ptr<ProjectData>& data) {
  for (const auto& s : impl_->source.open) {
    if (s->data == data) {
      impl_->source.active = s;
      return true;
    }
  }
  return false;
}

bool PlanningHost::CloseProject(const std::shared_ptr<ProjectData>& data) {
  auto& open = impl_->source.open;
  const auto it =
      std::find_if(open.begin(), open.end(), [&](const auto& s) { return s->data == data; });
  if (it == open.end()) return false;
  const bool wasActive = *it == impl_->source.active;
  open.erase(it);
  if (wasActive) impl_->source.active = open.empty() ? nullptr : open.back();
  return true;
}

void PlanningHost::AddGuardedFiles(const ProjectData& project, bool ownFiles,
                                   std::vector<std::string>& out) const {
  if (ownFiles && !project.fullName.empty()) {
    out.push_back(project.fullName);
    if (files_)
      for (auto& f : files_->FilesBeside(project.fullName)) out.push_back(std::move(f));
  }
  for (const auto& sub : project.subprojects)
    if (sub.project) AddGuardedFiles(*sub.project, true, out);
}

std::vector<std::string> PlanningHost::GetGuardedFiles() {
  std::vector<std::string> files;
  for (const auto& s : impl_->source.open)
    if (s->data) AddGuardedFiles(*s->data, true, files);
  return files;
}

std::vector<std::string> PlanningHost::GetFilesOfSave(const std::string& path) {
  std::vector<std::string> files{path};
  if (files_)
    for (auto& f : files_->FilesBeside(path)) files.push_back(std::move(f));
  return files;
}

host::ActiveView& PlanningHost::GetActiveView() {
  impl_->source.Active();
  return impl_->view;
}

host::Definitions& PlanningHost::GetDefinitions() {
  impl_->source.Active();
  return impl_->definitions;
}

host::CommandBars& PlanningHost::GetCommandBars() {
  if (!commandBars_) return host::Application::GetCommandBars();
  return *commandBars_;
}

}  // namespace kx::platform
