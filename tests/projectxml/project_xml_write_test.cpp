#include <gtest/gtest.h>

#include "host/error.hpp"
#include "testing/model_diff.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/xml_values.hpp"
#include "projectxml/test_files.hpp"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;
using testing::Fixture;
using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

constexpr const char* kFixtureFiles[] = {"assignment-assignments-project2016-mspdi.xml",
                                         "calendar-calendars-project2002-mspdi.xml",
                                         "calendar-calendars-project2010-mspdi.xml",
                                         "calendar-calendars-project2019-mspdi.xml",
                                         "calendar-recurring-exceptions-project2010-mspdi.xml",
                                         "mspdisplittask.xml",
                                         "mspditimephased.xml",
                                         "resource-type-project2010-mspdi.xml",
                                         "sample.xml"};

// Saves `p` as `dir/name` and reads it back.
std::shared_ptr<ProjectData> SavedAndRead(const ProjectData& p, const TempDir& dir,
                                          const std::string& name) {
  SaveProjectXml(p, dir / name);
  const LoadResult r = ReadProjectXml(dir / name);
  EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
  return r.project;
}

TEST(ProjectXmlWrite, EveryFixtureSurvivesSaveAndLoad) {
  KX_NEED_FIXTURES();
  for (const char* file : kFixtureFiles) {
    SCOPED_TRACE(file);
    TempDir dir;
    const auto original = ReadProjectXml(Fixture(file)).project;
    const auto again = SavedAndRead(*original, dir, file);
    EXPECT_EQ(ModelDifference(*original, *again), "");
    // Writing what was read back gives the same text.
    EXPECT_EQ(ProjectXmlText(*again), ProjectXmlText(*original));
  }
}

std::shared_ptr<CalendarData> Calendar(std::int32_t uid, const std::string& name) {
  auto c = std::make_shared<CalendarData>();
  c->uid = uid;
  c->name = name;
  return c;
}

// A chart project as the chart run leaves it: the neutral calendar, group and resource rows with
// gaps, custom fields, colours, hidden bars, and the view's definitions and options.
std::shared_ptr<ProjectData> ChartProject() {
  auto p = std::make_shared<ProjectData>();
  p->name = "urlaub.mpp";
  p->title = "Urlaubsplan 2025";
  p->start = DateTimeSerial(2025, 1, 1, 8, 0);
  p->calendarName = "KXNeutral";
  auto standard = Calendar(1, "Standard");
  auto neutral = Calendar(2, "KXNeutral");
  for (int d : {0, 6})
    neutral->weekdays[d] = {false, {{8.0 / 24, 12.0 / 24}, {13.0 / 24, 17.0 / 24}}};
  p->calendars = {standard, neutral};

  auto group = std::make_shared<TaskData>();
  group->uid = 1;
  group->id = 1;
  group->name = "Rohbau";
  group->summary = true;
  group->dates = {{"Datum7", DateSerial(2025, 1, 1)}, {"Datum8", DateSerial(2025, 12, 31)}};
  auto row = std::make_shared<TaskData>();
  row->uid = 2;
  row->id = 2;
  row->name = "Maier, Anna & Söhne <Bau>";
  row->outlineLevel = 2;
  row->rollup = true;
  row->start = DateTimeSerial(2025, 3, 3, 8, 0);
  row->finish = DateTimeSerial(2025, 3, 8, 8, 0);
  row->durationMinutes = 4 * 480.0;
  row->gaps = {{DateTimeSerial(2025, 3, 6, 8, 0), DateTimeSerial(2025, 3, 7, 8, 0)}};
  row->barColour = 3;
  row->numbers = {{"Zahl14", 4.0}};
  row->dates = group->dates;
  auto hidden = std::make_shared<TaskData>();
  hidden->uid = 3;
  hidden->id = 3;
  hidden->name = "Huber";
  hidden->outlineLevel = 2;
  hidden->rollup = true;
  hidden->hiddenBar = true;
  hidden->numbers = {{"Zahl14", 0.0}};
  p->tasks = {group, row, hidden};

  Definitions& d = p->definitions;
  d.tables = {{"Urlaub", true, {{"Nr.", "", 6, 1}, {"Name", "", 24, 0}, {"Zahl14", "", 18, 2}}}};
  d.views = {{"Balkendiagramm: Urlaub", true, "Urlaub", "Alle Vorgänge", "Ohne Gruppe"}};
  d.filters = {{"Bau", false, {{"Gruppe", "gleich", "Bau", "Und"}}}};
  d.barStyles = {
      {"Vorgang", "Normal", "Anfang", "Ende", {0, 0, 5, 1, 15, 3, 0, 0, 5}, 1, "Ressourcennamen"}};
  d.customFieldTitles = {{188743990, "Anzahl Urlaubstage"},
                         {188743951, "Bereich von"},
                         {188743731, "Text1 hat keinen Platz im Format"}};
  d.customFieldProperties = {{188743990, {{1, std::int32_t{0}}, {2, std::int32_t{3}}, {3, false}}}};
  d.options = {{"SetViewOptions",
                {{0, std::string("Balkendiagramm (Gantt)")},
                 {1, std::int16_t{9}},
                 {6, std::string("€")},
                 {9, false}}},
               {"SetCalendarOptions", {{4, 8.0}, {2, std::string("08:00")}, {7, Date(45000.5)}}}};
  d.finalViewCommands = {2};
  d.currentView = "Balkendiagramm: Urlaub";
  d.currentTable = "Urlaub";
  d.currentFilter = "Alle Vorgänge";
  p->properties = {{"KXPlanType", "1", 4, false}, {"KXCalendar", "Standard", 4, false}};
  return p;
}

TEST(ProjectXmlWrite, ChartProjectSurvivesSaveAndLoad) {
  TempDir dir;
  const auto chart = ChartProject();
  const auto again = SavedAndRead(*chart, dir, "urlaub.mpp");
  EXPECT_EQ(ModelDifference(*chart, *again), "");
  EXPECT_TRUE(again->calendars[1]->weekdays[1].inherited);  // left to the host, as it was
  EXPECT_FALSE(again->calendars[1]->weekdays[0].inherited);

  // Project XML whatever the extension; the chart's fields where the format keeps them.
  const std::string xml = ReadText(dir / "urlaub.mpp");
  EXPECT_EQ(xml.rfind("<?xml", 0), 0u);
  for (const char* part :
       {"<FieldID>188743990</FieldID>\n\t\t\t<FieldName>Number14</FieldName>\n\t\t\t<Alias>Anzahl "
        "Urlaubstage</Alias>",
        "<FieldName>Date7</FieldName>\n\t\t\t<Alias>Bereich von</Alias>",
        "<Name>Maier, Anna &amp; Söhne &lt;Bau&gt;</Name>", "<HideBar>1</HideBar>",
        "<Rollup>1</Rollup>", "<OutlineLevel>2</OutlineLevel>", "<ResourceUID>-65535</ResourceUID>",
        "<Start>2025-03-06T08:00:00</Start>\n\t\t\t\t<Finish>2025-03-07T08:00:00</Finish>\n\t\t\t\t"
        "<Unit>2</Unit>\n\t\t\t\t<Value>PT0H0M0S</Value>",
        "<Name>KXNeutral</Name>"})
    EXPECT_NE(xml.find(part), std::string::npos) << part;
  const std::string side = ReadText(CompanionPath(dir / "urlaub.mpp"));
  EXPECT_NE(side.find("\"barColours\""), std::string::npos);
  EXPECT_NE(side.find("Text1 hat keinen Platz im Format"), std::string::npos);
  EXPECT_EQ(side.find("Anzahl Urlaubstage"), std::string::npos);  // in the Project XML file

  // Without its companion the file still gives calendars, rows, gaps and fields.
  fs::remove(CompanionPath(dir / "urlaub.mpp"));
  const auto bare = ReadProjectXml(dir / "urlaub.mpp").project;
  EXPECT_EQ(bare->tasks[1]->gaps, chart->tasks[1]->gaps);
  EXPECT_EQ(bare->tasks[1]->numbers, chart->tasks[1]->numbers);
  EXPECT_FALSE(bare->tasks[1]->barColour);
  EXPECT_TRUE(bare->properties.empty());
  EXPECT_EQ(bare->calendarName, "KXNeutral");
  EXPECT_FALSE(bare->calendars[1]->weekdays[1].inherited);  // spelled out in the file
  EXPECT_EQ(bare->calendars[1]->weekdays[1].times, chart->calendars[1]->weekdays[0].times);
}

TEST(ProjectXmlWrite, ModelsWithoutUidsOrWithEmptyRowsAreWrittenConsistently) {
  TempDir dir;
  auto p = ChartProject();
  for (auto& t : p->tasks) t->uid = 0;  // rows typed in without numbers
  p->tasks.insert(p->tasks.begin() + 1, nullptr);
  auto r = std::make_shared<ResourceData>();
  r->name = "Beton C25/30";
  r->kind = 1;
  auto a = std::make_shared<AssignmentData>();
  a->taskUid = 424242;  // no such task
  a->timephased = {{DateTimeSerial(2025, 3, 3, 8, 0), DateTimeSerial(2025, 3, 3, 17, 0), 480}};
  r->assignments = {a};
  r->calendar = Calendar(0, "Beton");  // a calendar the project's list does not hold
  r->calendar->isBase = false;
  p->resources = {nullptr, r};
  SaveProjectXml(*p, dir / "x.xml");
  const LoadResult back = ReadProjectXml(dir / "x.xml");
  const ProjectData& q = *back.project;
  ASSERT_EQ(q.tasks.size(), 4u);
  EXPECT_FALSE(q.tasks[1]);
  std::set<std::int32_t> uids;
  for (const auto& t : q.tasks)
    if (t) uids.insert(t->uid);
  EXPECT_EQ(uids.size(), 3u);
  EXPECT_EQ(uids.count(0), 0u);
  ASSERT_EQ(q.resources.size(), 2u);
  EXPECT_FALSE(q.resources[0]);
  EXPECT_EQ(q.resources[1]->kind, 1);
  EXPECT_EQ(q.resources[1]->calendar->name, "Beton");
  EXPECT_EQ(q.resources[1]->assignments.at(0)->taskUid, 0);  // the task it named does not exist
  EXPECT_EQ(q.tasks[2]->gaps, p->tasks[2]->gaps);
  EXPECT_EQ(q.tasks[2]->barColour, 3);  // colours follow their rows
}

// Stretches that follow each other share their texts: each start and value must still be its
// own, whether it repeats the one before or not.
TEST(ProjectXmlWrite, FollowingStretchesKeepTheirOwnStartsAndValues) {
  TempDir dir;
  auto p = ChartProject();
  auto r = std::make_shared<ResourceData>();
  r->name = "Kran";
  r->uid = 77;
  auto a = std::make_shared<AssignmentData>();
  a->uid = 5;
  a->taskUid = p->tasks[0]->uid;
  a->resourceUid = r->uid;
  const auto on = [](int day, int hour) { return DateTimeSerial(2031, 3, day, hour, 0); };
  a->timephased = {{on(3, 8), on(4, 8), 480},  {on(4, 8), on(5, 8), 480},
                   {on(5, 8), on(6, 8), 0},    {on(6, 8), on(7, 8), 240},
                   {on(10, 8), on(11, 8), 240}, {on(11, 8), on(11, 17), 480}};
  a->start = a->timephased.front().start;
  a->finish = a->timephased.back().finish;
  a->workMinutes = 1920;
  r->assignments = {a};
  p->resources.push_back(r);
  SaveProjectXml(*p, dir / "x.xml");
  const std::string xml = ReadText(dir / "x.xml");
  std::string expected;
  for (const auto& w : a->timephased)
    expected += "<Start>" + FormatXmlDateTime(w.start) + "</Start>\n\t\t\t\t<Finish>" +
                FormatXmlDateTime(w.finish) + "</Finish>\n\t\t\t\t<Unit>2</Unit>\n\t\t\t\t<Value>" +
                FormatXmlDuration(w.minutes) + "</Value>";
  std::string written;
  std::size_t at = xml.find("\t\t\t\t<Start>2031-03-03T08");
  for (std::size_t i = 0; i < a->timephased.size() && at != std::string::npos;
       ++i, at = xml.find("\t\t\t\t<Start>", at + 1)) {
    const std::size_t end = xml.find("</Value>", at);
    if (end == std::string::npos) break;
    written += xml.substr(at + 4, end + 8 - at - 4);
  }
  EXPECT_EQ(written, expected);
  const auto back = ReadProjectXml(dir / "x.xml").project;
  const auto& read = back->resources.back()->assignments.at(0)->timephased;
  ASSERT_EQ(read.size(), a->timephased.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].start, a->timephased[i].start) << i;
    EXPECT_EQ(read[i].finish, a->timephased[i].finish) << i;
    EXPECT_EQ(read[i].minutes, a->timephased[i].minutes) << i;
  }
}

TEST(ProjectXmlWrite, CompanionOnlyLeavesTheUsersFileAlone) {
  KX_NEED_FIXTURES();
  TempDir dir;
  const std::string file = dir / "quelle.xml";
  fs::copy_file(Fixture("sample.xml"), file);
  const std::string before = ReadText(file);
  auto p = ReadProjectXml(file).project;
  p->properties.push_back({"KXGroupResources", "1", 4, false});
  p->properties.push_back({"KXResourceFilter", "Gruppe \"Bau\"", 4, false});
  SaveCompanionOnly(*p, file);
  EXPECT_EQ(ReadText(file), before);
  const auto again = ReadProjectXml(file).project;
  EXPECT_EQ(ModelDifference(*p, *again), "");

  // A broken companion file is passed over with a warning.
  WriteText(CompanionPath(file), "{\"format\": \"korvalinx-companion\", \"version\": 1, \"propert");
  LoadResult r = ReadProjectXml(file);
  EXPECT_TRUE(r.project->properties.empty());
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].rfind(
                CompanionPath(file) + ": Begleitdatei ist beschädigt und wird übergangen (", 0),
            0u)
      << r.warnings[0];
  // One wrong value spoils all of it: nothing is taken over in part.
  SaveCompanionOnly(*p, file);
  WriteText(CompanionPath(file),
            testing::Replaced(ReadText(CompanionPath(file)), "\"type\": 4", "\"type\": \"vier\""));
  r = ReadProjectXml(file);
  EXPECT_TRUE(r.project->properties.empty());
  EXPECT_EQ(r.warnings.size(), 1u);
  // Another program's JSON file of that name is no companion file either.
  WriteText(CompanionPath(file), "{\"properties\": []}");
  EXPECT_EQ(ReadProjectXml(file).warnings.size(), 1u);
}

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ProjectXmlWrite, AFailedSaveLeavesWhatWasThere) {
  TempDir dir;
  const auto chart = ChartProject();
  try {
    SaveProjectXml(*chart, dir / "fehlt/urlaub.xml");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.number(), host::kErrFile);
    EXPECT_EQ(e.description().rfind(dir / "fehlt/urlaub.xml", 0), 0u) << e.description();
  }
  EXPECT_TRUE(FilesIn(dir.path()).empty());

  // An earlier save stays as it was when the next one cannot complete.
  SaveProjectXml(*chart, dir / "urlaub.xml");
  const std::string before = ReadText(dir / "urlaub.xml");
  fs::remove(CompanionPath(dir / "urlaub.xml"));
  fs::create_directory(CompanionPath(dir / "urlaub.xml"));  // in the companion's way
  fs::create_directory(CompanionPath(dir / "urlaub.xml") + "/inhalt");
  chart->title = "geändert";
  EXPECT_THROW(SaveProjectXml(*chart, dir / "urlaub.xml"), host::HostError);
  EXPECT_EQ(ReadText(dir / "urlaub.xml"), before);
  EXPECT_EQ(FilesIn(dir.path()),
            (std::vector<std::string>{"urlaub.xml", "urlaub.xml.korvalinx.json"}));

  // A folder in the way of the project file itself.
  fs::create_directories(dir.path() / "ordner.xml/inhalt");
  EXPECT_THROW(SaveProjectXml(*chart, dir / "ordner.xml"), host::HostError);
  EXPECT_TRUE(fs::is_directory(dir.path() / "ordner.xml/inhalt"));
  EXPECT_EQ(FilesIn(dir.path()),
            (std::vector<std::string>{"ordner.xml", "urlaub.xml", "urlaub.xml.korvalinx.json"}));
}

}  // namespace
}  // namespace kx::platform
