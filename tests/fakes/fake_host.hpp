#pragma once
// Small stand-ins for the host objects the add-in's logic reads: projects with resources,
// inserted projects and custom properties, each able to fail on command. Operations nobody
// set up throw kErrNotAvailable.

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/host.hpp"
#include "support/text.hpp"

namespace kx::fakes {

[[noreturn]] inline void NotAvailable(const char* what) {
  throw host::HostError(host::kErrNotAvailable, std::string(what) + " gibt es hier nicht");
}

class FakeResource final : public host::Resource {
 public:
  FakeResource(std::string resName, std::string resGroup, std::int32_t resUid)
      : name(std::move(resName)), group(std::move(resGroup)), uid(resUid) {}

  std::string GetResourceName() override {
    ++nameReads;
    if (failName) throw host::HostError(host::kErrUnexpected, "Name nicht lesbar");
    return name;
  }
  std::string GetResourceGroup() override {
    if (failGroup) throw host::HostError(host::kErrUnexpected, "Gruppe nicht lesbar");
    return group;
  }
  void SetResourceGroup(const std::string& g) override {
    if (failSetGroup) throw host::HostError(host::kErrUnexpected, "Gruppe nicht schreibbar");
    group = g;
  }
  std::int32_t GetResourceUniqueId() override {
    if (failUid) throw host::HostError(host::kErrUnexpected, "Nummer nicht lesbar");
    return uid;
  }
  int GetResourceKind() override { return host::kWorkResource; }
  host::CalendarPtr GetResourceCalendar() override { NotAvailable("Kalender"); }
  std::string GetResourceBaseCalendarName() override { NotAvailable("Basiskalender"); }
  std::vector<host::DailyWorkItem> GetDailyWork(const Value&, const Value&) override {
    NotAvailable("Arbeit");
  }

  std::string name;
  std::string group;
  std::int32_t uid;
  bool failName = false, failGroup = false, failSetGroup = false, failUid = false;
  int nameReads = 0;
};

class FakeProperties final : public host::CustomProperties {
 public:
  long Count() override {
    if (failCount) throw host::HostError(host::kErrUnexpected, "Eigenschaften nicht lesbar");
    return static_cast<long>(list.size());
  }
  host::CustomProperty Item(long index) override {
    if (index < 1 || index > static_cast<long>(list.size()))
      throw host::HostError(host::kErrNotFound, "keine Eigenschaft " + std::to_string(index));
    return list[static_cast<std::size_t>(index - 1)];
  }
  host::CustomProperty Item(const std::string& name) override {
    if (failLookup.count(name)) throw host::HostError(host::kErrUnexpected, "nicht lesbar");
    return *Find(name);
  }
  void Delete(const std::string& name) override { list.erase(Find(name)); }
  void Add(const std::string& name, bool link, int type, const Value& value) override {
    for (const auto& p : list)
      if (AsciiLower(p.name) == AsciiLower(name))
        throw host::HostError(host::kErrInvalidArgument, "gibt es schon: " + name);
    list.push_back({name, ToText(value), type, link});
  }

  // Appends a text property.
  void Set(std::string name, std::string value) {
    list.push_back({std::move(name), std::move(value), 4, false});
  }
  // Returns the value of the property named exactly `name`, or "<fehlt>".
  std::string ValueOf(const std::string& name) const {
    for (const auto& p : list)
      if (p.name == name) return p.value;
    return "<fehlt>";
  }

  std::vector<host::CustomProperty> list;
  bool failCount = false;
  std::set<std::string> failLookup;

 private:
  std::vector<host::CustomProperty>::iterator Find(const std::string& name) {
    const auto it = std::find_if(list.begin(), list.end(), [&](const host::CustomProperty& p) {
      return AsciiLower(p.name) == AsciiLower(name);
    });
    if (it == list.end()) throw host::HostError(host::kErrNotFound, "keine Eigenschaft " + name);
    return it;
  }
};

class FakeProject final : public host::Project {
 public:
  explicit FakeProject(std::string projectName = "Quelle.xml") : name(std::move(projectName)) {}

  std::string GetProjectName() override {
    if (failName) throw host::HostError(host::kErrNoProject, "kein Projekt");
    return name;
  }
  std::string GetProjectFullName() override { return fullName.empty() ? name : fullName; }
  std::string GetProjectFolder() override { return {}; }
  Date GetProjectStart() override {
    if (failDates) throw host::HostError(host::kErrUnexpected, "Anfang nicht lesbar");
    return start;
  }
  void SetProjectStart(const Value&) override { NotAvailable("Projektanfang"); }
  Date GetProjectFinish() override {
    if (failDates) throw host::HostError(host::kErrUnexpected, "Ende nicht lesbar");
    return finish;
  }
  std::vector<host::ResourcePtr> GetProjectResources() override {
    if (failResources) throw host::HostError(host::kErrUnexpected, "Ressourcen nicht lesbar");
    return resources;
  }
  long GetResourceCount() override {
    if (failResources) throw host::HostError(host::kErrUnexpected, "Ressourcen nicht lesbar");
    return static_cast<long>(resources.size());
  }
  std::vector<host::SubprojectEntry> GetSubprojects() override {
    std::vector<host::SubprojectEntry> entries;
    for (std::size_t i = 0; i < inserted.size(); ++i)
      entries.push_back({inserted[i].first, static_cast<long>(i + 1)});
    return entries;
  }
  host::ProjectPtr GetSubprojectProject(const host::SubprojectEntry& entry) override {
    const auto& [file, project] = inserted.at(static_cast<std::size_t>(entry.taskRow - 1));
    if (!project) throw host::HostError(host::kErrFile, file + " lässt sich nicht laden");
    return project;
  }
  std::vector<host::CalendarPtr> GetBaseCalendars() override { return {}; }
  host::CalendarPtr GetBaseCalendar(const std::string&) override { NotAvailable("Kalender"); }
  std::vector<std::string> GetResourceFilters() override { return {}; }
  host::Tasks& GetProjectTasks() override { NotAvailable("Vorgänge"); }
  host::CustomProperties& GetCustomProperties() override {
    if (failProperties) throw host::HostError(host::kErrUnexpected, "keine Eigenschaften");
    return properties;
  }

  // Appends a resource row and returns it.
  std::shared_ptr<FakeResource> AddResource(std::string resName, std::string group = "",
                                            std::int32_t uid = 0) {
    auto r = std::make_shared<FakeResource>(std::move(resName), std::move(group),
                                            uid != 0 ? uid : nextUid++);
    resources.push_back(r);
    return r;
  }
  void AddEmptyRow() { resources.push_back(nullptr); }
  // Inserts `project` (null: a file that cannot be loaded).
  void Insert(std::string file, host::ProjectPtr project) {
    inserted.emplace_back(std::move(file), std::move(project));
  }

  std::string name;
  std::string fullName;
  Date start = DateSerial(2024, 3, 4);
  Date finish = DateSerial(2024, 9, 27);
  std::vector<host::ResourcePtr> resources;
  std::vector<std::pair<std::string, host::ProjectPtr>> inserted;
  FakeProperties properties;
  bool failName = false, failDates = false, failResources = false, failProperties = false;
  std::int32_t nextUid = 1;
};

class FakeApplication final : public host::Application {
 public:
  host::ProjectPtr GetActiveProject() override {
    if (!active) throw host::HostError(host::kErrNoProject, "Es ist kein Projekt geöffnet");
    return active;
  }
  std::vector<host::ProjectPtr> GetOpenProjects() override {
    return active ? std::vector<host::ProjectPtr>{active} : std::vector<host::ProjectPtr>{};
  }
  void CreateNewProject() override { NotAvailable("neues Projekt"); }
  void SaveProjectAs(const std::string&) override { NotAvailable("Speichern"); }
  void SetScreenUpdating(bool) override {}
  host::ActiveView& GetActiveView() override { NotAvailable("Ansicht"); }
  host::Definitions& GetDefinitions() override { NotAvailable("Definitionen"); }

  std::shared_ptr<FakeProject> active;
};

}  // namespace kx::fakes
