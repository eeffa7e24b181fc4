#pragma once
// A host application that records every view and definition call with its arguments, and can
// be told to fail a call by name. Project-level operations are not served.

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/host.hpp"

namespace kx::testing {

struct RecordedCall {
  std::string op;
  NamedArgs args;
};

class RecordingHost final : public host::Application,
                            public host::ActiveView,
                            public host::Definitions {
 public:
  std::vector<RecordedCall> calls;
  std::set<std::string> failing;  // operations that throw

  std::vector<RecordedCall> CallsOf(const std::string& op) const {
    std::vector<RecordedCall> out;
    for (const auto& c : calls)
      if (c.op == op) out.push_back(c);
    return out;
  }

  // Application
  host::ProjectPtr GetActiveProject() override { throw Fail("GetActiveProject"); }
  std::vector<host::ProjectPtr> GetOpenProjects() override { return {}; }
  void CreateNewProject() override { Record("CreateNewProject", {}); }
  void SaveProjectAs(const std::string& path) override { Record("SaveProjectAs", {{0, path}}); }
  void SetScreenUpdating(bool on) override { Record("SetScreenUpdating", {{0, on}}); }
  host::ActiveView& GetActiveView() override { return *this; }
  host::Definitions& GetDefinitions() override { return *this; }

  // ActiveView
  void SelectTaskCell(long row, const std::string& column, bool relative) override {
    Record("SelectTaskCell", {{0, static_cast<std::int32_t>(row)}, {1, column}, {2, relative}});
  }
  void SetTaskField(const std::string& field, const std::string& value) override {
    Record("SetTaskField", {{0, field}, {1, value}});
  }
  void FormatTaskBar(long task, int colour) override {
    Record("FormatTaskBar", {{0, static_cast<std::int32_t>(task)}, {1, colour}});
  }
  void CompleteTaskRow() override { Record("CompleteTaskRow", {}); }
  void SelectColumn(const std::string& field) override { Record("SelectColumn", {{0, field}}); }
  bool FindRow(const std::string& field, const std::string& test, const Value& value) override {
    Record("FindRow", {{0, field}, {1, test}, {2, value}});
    return true;
  }
  void ApplyTable(const std::string& name) override { Record("ApplyTable", {{0, name}}); }
  void ApplyFilter(const std::string& name) override { Record("ApplyFilter", {{0, name}}); }
  void ApplyView(const std::string& name) override { Record("ApplyView", {{0, name}}); }

  // Definitions
  void EditTable(const NamedArgs& a) override { Record("EditTable", a); }
  void EditView(const NamedArgs& a) override { Record("EditView", a); }
  void DeleteBarStyles(const NamedArgs& a) override { Record("DeleteBarStyles", a); }
  void EditBarStyle(const NamedArgs& a) override { Record("EditBarStyle", a); }
  void FinalViewCommand(std::int32_t c) override { Record("FinalViewCommand", {{0, c}}); }
  void RenameCustomField(const NamedArgs& a) override { Record("RenameCustomField", a); }
  void SetCustomFieldProperties(const NamedArgs& a) override {
    Record("SetCustomFieldProperties", a);
  }
  void CreateBaseCalendar(const NamedArgs& a) override { Record("CreateBaseCalendar", a); }
  void SetCalendarWeekday(const NamedArgs& a) override { Record("SetCalendarWeekday", a); }
  void SetProjectInformation(const NamedArgs& a) override { Record("SetProjectInformation", a); }
  void SetViewOptions(const NamedArgs& a) override { Record("SetViewOptions", a); }
  void SetCalendarOptions(const NamedArgs& a) override { Record("SetCalendarOptions", a); }
  void SetOptionGroupA(const NamedArgs& a) override { Record("SetOptionGroupA", a); }
  void SetOptionGroupB(const NamedArgs& a) override { Record("SetOptionGroupB", a); }
  void SetOptionGroupC(const NamedArgs& a) override { Record("SetOptionGroupC", a); }
  void SetOptionGroupD(const NamedArgs& a) override { Record("SetOptionGroupD", a); }

 private:
  host::HostError Fail(const std::string& op) {
    return host::HostError(host::kErrNotAvailable, op + " schlägt fehl");
  }
  void Record(const std::string& op, NamedArgs args) {
    calls.push_back({op, std::move(args)});
    if (failing.count(op)) throw Fail(op);
  }
};

}  // namespace kx::testing
