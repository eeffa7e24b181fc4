#pragma once
// A source project in the planning host, an engine over it and a form that records the progress.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "chart/korvalinx.hpp"
#include "platform/planning_host.hpp"
#include "support/scripted_message_boxes.hpp"

namespace kx::chart::testing {

using platform::CalendarData;
using platform::CalendarException;
using platform::ProjectData;
using platform::ResourceData;

// Writes a one-line text file; can be told to fail.
class FakeFormat final : public platform::ProjectFileFormat {
 public:
  bool fail = false;
  std::vector<std::string> saved;
  std::shared_ptr<ProjectData> Load(const std::string& path) override {
    throw host::HostError(host::kErrFile, path + ": kann nicht gelesen werden");
  }
  void Save(const ProjectData& project, const std::string& path) override {
    if (fail) throw host::HostError(host::kErrFile, path + ": Datenträger voll");
    std::ofstream(path) << "chart " << project.tasks.size() << "\n";
    saved.push_back(path);
  }
};

struct ProgressStep {
  double percent;
  std::string text;
};

inline std::shared_ptr<CalendarData> Calendar(const std::string& name, std::int32_t uid,
                                              std::shared_ptr<CalendarData> base = nullptr) {
  auto c = std::make_shared<CalendarData>();
  c->name = name;
  c->uid = uid;
  c->isBase = base == nullptr;
  c->base = std::move(base);
  return c;
}

inline CalendarException DaysOff(Date from, Date to) {
  CalendarException e;
  e.name = "Urlaub";
  e.from = from;
  e.to = to;
  return e;
}

class ChartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    format = std::make_shared<FakeFormat>();
    host = std::make_shared<platform::PlanningHost>(format);
    source = platform::NewProjectData("Bau");
    source->fullName = "/nonexistent/Bau.xml";
    source->start = DateTimeSerial(2024, 1, 1, 8, 0);
    source->finish = DateTimeSerial(2024, 12, 31, 17, 0);
    standard = source->FindCalendar("Standard");
    dir = std::filesystem::temp_directory_path() /
          ("kx-chart-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // Adds a work resource with its own calendar on "Standard".
  std::shared_ptr<ResourceData> AddResource(const std::string& name, const std::string& group,
                                            int kind = 0) {
    auto r = std::make_shared<ResourceData>();
    r->uid = static_cast<std::int32_t>(source->resources.size()) + 1;
    r->id = r->uid;
    r->name = name;
    r->group = group;
    r->kind = kind;
    r->calendar = Calendar(name, 100 + r->uid, standard);
    source->calendars.push_back(r->calendar);
    source->resources.push_back(r);
    return r;
  }

  // Opens the source project and makes an engine for it with the given settings applied.
  clsKorvalinx& Engine() {
    host->AddProject(source);
    engine = std::make_unique<clsKorvalinx>(EngineContext{
        host.get(), &form, &boxes, &clock, nullptr, [] { return DateSerial(2024, 6, 1); }, nullptr});
    engine->lngColor = 1;
    engine->strChartPath = (dir / "chart.xml").string();
    engine->GetResourceData();
    progress.clear();
    form.Subscribe([this](const forms::Control* c, forms::Property p) {
      if (c == &form.lblProgress && p == forms::Property::Repaint)
        progress.push_back(
            {ToNumber(form.barProgress.Value()).value_or(-1), form.lblProgress.Caption()});
    });
    return *engine;
  }

  std::shared_ptr<ProjectData> Chart() const { return host->ActiveData(); }
  std::shared_ptr<platform::TaskData> Row(long row) const { return Chart()->tasks.at(row - 1); }

  std::shared_ptr<FakeFormat> format;
  std::shared_ptr<platform::PlanningHost> host;
  std::shared_ptr<ProjectData> source;
  std::shared_ptr<CalendarData> standard;
  forms::frmKorvalinx form;
  ScriptedMessageBoxes boxes;
  NoWaitClock clock;
  std::unique_ptr<clsKorvalinx> engine;
  std::vector<ProgressStep> progress;
  std::filesystem::path dir;
};

}  // namespace kx::chart::testing
