// Day records from the planning host's calendars: the vacation days of resources that share a
// comparison calendar, and what a later run sees after that calendar was changed.

#include "resources/period_extraction.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/planning_host.hpp"
#include "support/regional.hpp"

namespace kx::resources {
namespace {

struct Day {
  std::string date;
  bool marked;
  bool operator==(const Day&) const = default;
};

std::vector<Day> Holidays(const clsResource& r) {
  std::vector<Day> days;
  for (const auto& h : r.colHolidays) days.push_back({ToText(h->varDate), h->blnIsHoliday});
  return days;
}

class VacationDays : public ::testing::Test {
 protected:
  void SetUp() override {
    RegionalSettings::SetCurrent(RegionalSettings::German());
    data_ = platform::NewProjectData("Quelle");
    standard_ = data_->FindCalendar("Standard");
    auto person = [&](std::int32_t uid, const std::string& name,
                      std::vector<platform::CalendarException> off) {
      auto cal = std::make_shared<platform::CalendarData>();
      cal->uid = 10 + uid;
      cal->name = name;
      cal->isBase = false;
      cal->base = standard_;
      cal->exceptions = std::move(off);
      data_->calendars.push_back(cal);
      auto r = std::make_shared<platform::ResourceData>();
      r->uid = r->id = uid;
      r->name = name;
      r->group = "Bau";
      r->calendar = cal;
      data_->resources.push_back(r);
    };
    // Anna: Monday to Friday 10. to 14.03.2025 and Monday 17.03.; Bert: Monday 17.03. only.
    person(1, "Anna",
           {{"Urlaub", DateSerial(2025, 3, 10), DateSerial(2025, 3, 14), false, {}},
            {"Urlaub", DateSerial(2025, 3, 17), DateSerial(2025, 3, 17), false, {}}});
    person(2, "Bert", {{"Urlaub", DateSerial(2025, 3, 17), DateSerial(2025, 3, 17), false, {}}});
    project_ = host_.AddProject(data_);
  }

  std::shared_ptr<clsResources> Run() {
    auto model = GetResourceData(*project_);
    PeriodOptions options;
    options.periodStart = DateSerial(2025, 1, 1);
    options.periodEnd = DateSerial(2025, 12, 31);
    ExtractHolidays(*model, *project_, options, nullptr);
    return model;
  }

  platform::PlanningHost host_;
  std::shared_ptr<platform::ProjectData> data_;
  std::shared_ptr<platform::CalendarData> standard_;
  host::ProjectPtr project_;
};

TEST_F(VacationDays, ResourcesSharingAComparisonCalendarEachGetTheirOwnDays) {
  const auto model = Run();
  ASSERT_EQ(model->colResources.Count(), 2);
  EXPECT_EQ(Holidays(*model->colResources.Item(1)),
            (std::vector<Day>{{"10.03.2025", true}, {"11.03.2025", true}, {"12.03.2025", true},
                              {"13.03.2025", true}, {"14.03.2025", true}, {"15.03.2025", false},
                              {"16.03.2025", false}, {"17.03.2025", true}}));
  EXPECT_EQ(Holidays(*model->colResources.Item(2)), (std::vector<Day>{{"17.03.2025", true}}));
  // One resource alone gives the same days as in the run of all.
  PeriodOptions options;
  options.periodStart = DateSerial(2025, 3, 1);
  options.periodEnd = DateSerial(2025, 3, 31);
  clsResource alone;
  alone.ProjectResource = model->colResources.Item(1)->ProjectResource;
  ExtractHolidaysOf(alone, project_->GetBaseCalendar("Standard"), options);
  EXPECT_EQ(Holidays(alone), Holidays(*model->colResources.Item(1)));
}

TEST_F(VacationDays, ALaterRunSeesTheComparisonCalendarAsChanged) {
  Run();
  ASSERT_TRUE(standard_->exceptions.empty() ||
              standard_->exceptions.back().to < DateSerial(2025, 3, 17));
  // 17.03. becomes a day off for everybody: no vacation day any more.
  standard_->exceptions.push_back(
      {"Betriebsruhe", DateSerial(2025, 3, 17), DateSerial(2025, 3, 17), false, {}});
  const auto model = Run();
  EXPECT_EQ(Holidays(*model->colResources.Item(1)).size(), 5u);
  EXPECT_EQ(Holidays(*model->colResources.Item(1)).back(), (Day{"14.03.2025", true}));
  EXPECT_TRUE(Holidays(*model->colResources.Item(2)).empty());
  // Back to work on 17.03.: Bert's vacation day counts again.
  standard_->exceptions.pop_back();
  EXPECT_EQ(Holidays(*Run()->colResources.Item(2)), (std::vector<Day>{{"17.03.2025", true}}));
}

}  // namespace
}  // namespace kx::resources
