#pragma once
// A source project in the planning host, the add-in's connection over it and a scripted user
// who works the wizard through the form model's user actions.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "connect/connect.hpp"
#include "chart/chart_fixture.hpp"
#include "platform/planning_host.hpp"
#include "support/file_dialog.hpp"
#include "support/registry.hpp"
#include "support/scripted_message_boxes.hpp"
#include "chart/checks.hpp"
#include "wizard/wizard.hpp"

namespace kx::wizard::testing {

namespace fs = std::filesystem;
using chart::testing::Calendar;
using chart::testing::DaysOff;
using chart::testing::FakeFormat;
using platform::ProjectData;
using platform::ResourceData;

// Shows the wizard and lets a script act as the user until it returns.
class ScriptedUser final : public ModalPresenter {
 public:
  std::function<void(KorvalinxWizard&)> beforeShow;
  std::function<void(KorvalinxWizard&)> script;
  int shown = 0;

  void ShowModal(frmKorvalinx& form) override {
    ++shown;
    auto& wizard = dynamic_cast<KorvalinxWizard&>(form);
    if (beforeShow) beforeShow(wizard);
    form.Show();
    if (script) script(wizard);
  }
};

class RecordingInfo final : public InfoPresenter {
 public:
  int calls = 0;
  frmKorvalinx* owner = nullptr;
  void ShowInfo(frmKorvalinx& form) override {
    ++calls;
    owner = &form;
  }
};

// True when the control and its frames stand inside the form (not moved off it).
inline bool OnForm(const Control& control) {
  for (const Control* c = &control; c != nullptr; c = c->Container()) {
    if (c->Left() <= kOffForm || c->Top() <= kOffForm) return false;
  }
  return true;
}

// The user's actions: each only reaches a control that is on the form, enabled and visible.
inline bool UserClick(Control& control) {
  return OnForm(control) && control.Click();
}

inline bool UserPick(Control& list, const std::string& text) {
  if (!OnForm(list)) return false;
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.Item(i).text == text) return list.Pick(i);
  }
  return false;
}

inline bool UserType(Control& control, const std::string& text) {
  return OnForm(control) && control.Type(text);
}

inline bool UserSetDate(Control& picker, Date date) {
  if (!OnForm(picker) || !picker.EffectivelyEnabled()) return false;
  picker.SetValue(Value(date));
  return true;
}

// Names of the controls that take part in the tab order, by tab index.
inline std::vector<std::string> TabStops(const Form& form) {
  std::vector<std::string> names;
  for (const Control* c : form.TabOrder()) {
    if (c->Supports(Property::TabStop) && c->TabStop()) names.push_back(c->Name());
  }
  return names;
}

// The steps whose frames stand on the form.
inline std::vector<int> ShownSteps(const frmKorvalinx& form) {
  std::vector<int> steps;
  for (int s = 1; s <= kStepCount; ++s) {
    if (OnForm(form.StepFrame(s))) steps.push_back(s);
  }
  return steps;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("kx-wizard-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);

    format = std::make_shared<FakeFormat>();
    host = std::make_shared<platform::PlanningHost>(format);
    source = platform::NewProjectData("Bau");
    source->fullName = (dir / "Bau.xml").string();
    source->start = DateTimeSerial(2024, 1, 1, 8, 0);
    source->finish = DateTimeSerial(2024, 12, 31, 17, 0);
    standard = source->FindCalendar("Standard");
    source->calendars.push_back(Calendar("Betriebskalender", 20));
    anna = AddResource("Anna", "Bau");
    anna->calendar->exceptions = {DaysOff(DateSerial(2024, 3, 4), DateSerial(2024, 3, 8))};
    AddResource("Bernd", "Bau");
    AddResource("Carla", "Büro");
    source->definitions.filters.push_back(
        {"Gruppe Bau", false, {{"Gruppe", "gleich", "Bau", "Und"}}});
    source->definitions.filters.push_back({"Niemand", false, {{"Name", "gleich", "-", "Und"}}});

    WizardServices services;
    services.boxes = &boxes;
    services.dialogs = &dialogs;
    services.clock = &clock;
    services.registry = &registry;
    services.today = [] { return DateSerial(2024, 6, 1); };
    services.info = info.get();
    connect = std::make_unique<addin::Connect>(&user, services);
    connect->objApplication = host.get();
  }

  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
  }

  std::shared_ptr<ResourceData> AddResource(const std::string& name, const std::string& group) {
    auto r = std::make_shared<ResourceData>();
    r->uid = static_cast<std::int32_t>(source->resources.size()) + 1;
    r->id = r->uid;
    r->name = name;
    r->group = group;
    r->calendar = Calendar(name, 100 + r->uid, standard);
    source->calendars.push_back(r->calendar);
    source->resources.push_back(r);
    return r;
  }

  // Opens the source project (again) and launches the wizard with `script` as the user.
  void Launch(std::function<void(KorvalinxWizard&)> script) {
    host->AddProject(source);
    user.script = std::move(script);
    connect->Show();
  }

  KorvalinxWizard& Wizard() { return *connect->objWizard; }

  // Types a chart path in step 1 and goes forward to `step`; false when a step refused.
  bool GoTo(KorvalinxWizard& w, int step) {
    if (w.CurrentStep() == 1 && w.txtChartPath.Text().empty()) {
      UserType(w.txtChartPath, (dir / "Diagramm.mpp").string());
    }
    while (w.CurrentStep() < step) {
      const int before = w.CurrentStep();
      if (!UserClick(w.cmdNext) || w.CurrentStep() == before) return false;
    }
    return w.CurrentStep() == step;
  }

  std::string Stored(const std::string& name) {
    return GetRegString(registry, HKEY_CURRENT_USER, settings::kSettingsKey, name);
  }

  // Names of the chart project's rows.
  std::vector<std::string> ChartRows() const {
    std::vector<std::string> names;
    for (const auto& t : host->ActiveData()->tasks) {
      if (t) names.push_back(t->name);
    }
    return names;
  }

  fs::path dir;
  std::shared_ptr<FakeFormat> format;
  std::shared_ptr<platform::PlanningHost> host;
  std::shared_ptr<ProjectData> source;
  std::shared_ptr<platform::CalendarData> standard;
  std::shared_ptr<ResourceData> anna;
  ScriptedMessageBoxes boxes;
  ScriptedFileDialogs dialogs;
  NoWaitClock clock;
  MemoryRegistryStore registry;
  std::unique_ptr<RecordingInfo> info = std::make_unique<RecordingInfo>();
  ScriptedUser user;
  std::unique_ptr<addin::Connect> connect;
};

}  // namespace kx::wizard::testing
