#include <gtest/gtest.h>

#include <map>

#include "platform/planning_host.hpp"
#include "platform_fixture.hpp"
#include "support/regional.hpp"

namespace kx::platform {
namespace {

using testing::ErrorOf;
using testing::I16;
using testing::Resource;

// Keeps saved projects in memory.
class MemoryFiles final : public ProjectFileFormat {
 public:
  std::map<std::string, ProjectData> saved;
  std::shared_ptr<ProjectData> Load(const std::string& path) override {
    const auto it = saved.find(path);
    if (it == saved.end()) throw host::HostError(host::kErrFile, "nicht da: " + path);
    return std::make_shared<ProjectData>(it->second);
  }
  void Save(const ProjectData& project, const std::string& path) override { saved[path] = project; }
};

TEST(Application, WithoutAProjectEverythingProjectBoundFails) {
  PlanningHost host;
  EXPECT_EQ(ErrorOf([&] { host.GetActiveProject(); }), host::kErrNoProject);
  EXPECT_EQ(ErrorOf([&] { host.GetActiveView(); }), host::kErrNoProject);
  EXPECT_EQ(ErrorOf([&] { host.GetDefinitions(); }), host::kErrNoProject);
  EXPECT_EQ(ErrorOf([&] { host.SaveProjectAs("/tmp/x.xml"); }), host::kErrNoProject);
  EXPECT_EQ(ErrorOf([&] { host.OpenProject("/tmp/x.xml"); }), host::kErrFile);
  EXPECT_TRUE(host.GetOpenProjects().empty());
  EXPECT_EQ(host.ActiveData(), nullptr);
}

TEST(Application, NewProjectsAreNumberedAndSavedThroughTheFileFormat) {
  auto files = std::make_shared<MemoryFiles>();
  PlanningHost host;
  host.CreateNewProject();
  EXPECT_EQ(ErrorOf([&] { host.SaveProjectAs("/daten/plan.xml"); }), host::kErrFile);
  host.SetFileFormat(files);
  host.CreateNewProject();
  ASSERT_EQ(host.GetOpenProjects().size(), 2u);
  auto project = host.GetActiveProject();
  EXPECT_EQ(project->GetProjectName(), "Projekt2");
  EXPECT_EQ(project->GetProjectFullName(), "Projekt2");
  EXPECT_EQ(project->GetProjectFolder(), "");
  EXPECT_EQ(host.GetOpenProjects()[0]->GetProjectName(), "Projekt1");

  auto cal = project->GetBaseCalendar("Standard");
  EXPECT_EQ(project->GetBaseCalendars().size(), 1u);
  EXPECT_EQ(host.ActiveData()->calendarName, "Standard");

  host.SaveProjectAs("/daten/plan.xml");
  EXPECT_EQ(files->saved.count("/daten/plan.xml"), 1u);
  EXPECT_EQ(project->GetProjectName(), "plan.xml");
  EXPECT_EQ(project->GetProjectFullName(), "/daten/plan.xml");
  EXPECT_EQ(project->GetProjectFolder(), "/daten");

  auto reopened = host.OpenProject("/daten/plan.xml");
  EXPECT_EQ(host.GetOpenProjects().size(), 3u);
  EXPECT_EQ(host.GetActiveProject()->GetProjectFullName(), "/daten/plan.xml");
  EXPECT_EQ(PlanningHost::DataOf(reopened), host.ActiveData());
  EXPECT_EQ(ErrorOf([&] { host.OpenProject("/daten/fehlt.xml"); }), host::kErrFile);

  host.SetScreenUpdating(false);
  EXPECT_FALSE(host.ScreenUpdating());
}

TEST(Application, ProjectsAreActivatedAndClosedAndTheHostKnowsWhatItWrote) {
  auto files = std::make_shared<MemoryFiles>();
  PlanningHost host(files);
  std::vector<bool> switched;
  host.SetOnScreenUpdating([&](bool on) { switched.push_back(on); });
  host.CreateNewProject();
  host.CreateNewProject();
  host.CreateNewProject();
  const auto open = host.OpenData();
  ASSERT_EQ(open.size(), 3u);
  EXPECT_EQ(host.ActiveData(), open[2]);

  EXPECT_TRUE(host.ActivateProject(open[0]));
  EXPECT_EQ(host.GetActiveProject()->GetProjectName(), "Projekt1");
  EXPECT_FALSE(host.ActivateProject(NewProjectData("fremd")));
  EXPECT_EQ(host.ActiveData(), open[0]);

  // Closing another project keeps the active one; closing the active one activates the one
  // opened last.
  EXPECT_TRUE(host.CloseProject(open[1]));
  EXPECT_EQ(host.ActiveData(), open[0]);
  EXPECT_FALSE(host.CloseProject(open[1]));
  EXPECT_TRUE(host.CloseProject(open[0]));
  EXPECT_EQ(host.ActiveData(), open[2]);
  EXPECT_TRUE(host.CloseProject(open[2]));
  EXPECT_EQ(host.ActiveData(), nullptr);
  EXPECT_EQ(ErrorOf([&] { host.GetActiveProject(); }), host::kErrNoProject);

  // A file read is not one the host wrote; once saved over, it is.
  files->saved["/daten/quelle.xml"] = *NewProjectData("quelle.xml");
  host.OpenProject("/daten/quelle.xml");
  EXPECT_FALSE(host.WroteFile("/daten/quelle.xml"));
  host.SaveProjectAs("/daten/kopie.xml");
  EXPECT_TRUE(host.WroteFile("/daten/kopie.xml"));
  EXPECT_TRUE(host.WroteFile("/daten/../daten/kopie.xml"));
  EXPECT_FALSE(host.WroteFile("/daten/quelle.xml"));

  // Only a real switch is reported.
  host.SetScreenUpdating(true);
  host.SetScreenUpdating(false);
  host.SetScreenUpdating(false);
  host.SetScreenUpdating(true);
  EXPECT_EQ(switched, (std::vector<bool>{false, true}));
}

TEST(Project, StartFinishResourcesAndSharedHandles) {
  RegionalSettings::SetCurrent(RegionalSettings::German());
  auto p = NewProjectData("Quelle");
  p->resources = {Resource(7, "Anna", "Bau"), nullptr, Resource(9, "Kies", "Bau", 1)};
  PlanningHost host;
  auto project = host.AddProject(p);

  project->SetProjectStart(std::string("01.01.2024"));
  EXPECT_EQ(project->GetProjectStart(), DateTimeSerial(2024, 1, 1, 8, 0));
  EXPECT_EQ(project->GetProjectFinish(), project->GetProjectStart());
  EXPECT_EQ(ErrorOf([&] { project->SetProjectStart(std::string("31.02.2024")); }),
            host::kErrInvalidArgument);
  p->finish = DateSerial(2024, 6, 30);
  EXPECT_EQ(project->GetProjectFinish(), DateSerial(2024, 6, 30));

  const auto resources = project->GetProjectResources();
  ASSERT_EQ(resources.size(), 3u);
  EXPECT_EQ(project->GetResourceCount(), 3);
  EXPECT_EQ(resources[1], nullptr);
  EXPECT_EQ(resources[2]->GetResourceKind(), host::kMaterialResource);
  EXPECT_EQ(resources[0]->GetResourceUniqueId(), 7);
  // No resource calendar: the project calendar.
  EXPECT_EQ(resources[0]->GetResourceCalendar()->GetCalendarName(), "Standard");
  EXPECT_EQ(resources[0]->GetResourceBaseCalendarName(), "Standard");

  resources[0]->SetResourceGroup("Büro");
  EXPECT_EQ(project->GetProjectResources()[0]->GetResourceGroup(), "Büro");
  EXPECT_EQ(host.GetActiveProject()->GetProjectResources()[0]->GetResourceGroup(), "Büro");
  EXPECT_EQ(p->resources[0]->group, "Büro");
}

TEST(Project, InsertedProjects) {
  auto master = NewProjectData("Master");
  auto sub = NewProjectData("Teil");
  sub->resources = {Resource(1, "Carla", "Bau")};
  master->subprojects = {{"C:\\Pläne\\Teil.mpp", 3, sub}, {"fehlt.mpp", 5, nullptr}};
  PlanningHost host;
  auto project = host.AddProject(master);
  const auto entries = project->GetSubprojects();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].sourceFile, "C:\\Pläne\\Teil.mpp");
  EXPECT_EQ(entries[0].taskRow, 3);
  auto inserted = project->GetSubprojectProject(entries[0]);
  EXPECT_EQ(inserted->GetProjectName(), "Teil");
  EXPECT_EQ(inserted->GetProjectResources().at(0)->GetResourceName(), "Carla");
  EXPECT_EQ(ErrorOf([&] { project->GetSubprojectProject(entries[1]); }), host::kErrFile);
  EXPECT_EQ(ErrorOf([&] { project->GetSubprojectProject({"anders.mpp", 3}); }), host::kErrNotFound);
}

TEST(Project, CustomPropertiesKeepTheirOrder) {
  PlanningHost host;
  host.CreateNewProject();
  host::CustomProperties& props = host.GetActiveProject()->GetCustomProperties();
  props.Add("KXPlanType", false, 4, std::string("1"));
  props.Add("KXColor", false, 4, std::int32_t{5});
  props.Add("KXCalendar", false, 4, std::string("Standard"));
  EXPECT_EQ(ErrorOf([&] { props.Add("kxcolor", false, 4, std::string("2")); }),
            host::kErrInvalidArgument);

  props.Delete("kxcolor");  // letter case ignored
  props.Add("KXColor", false, 4, std::string("7"));
  ASSERT_EQ(props.Count(), 3);
  EXPECT_EQ(props.Item(1).name, "KXPlanType");
  EXPECT_EQ(props.Item(2).name, "KXCalendar");
  EXPECT_EQ(props.Item(3).name, "KXColor");
  EXPECT_EQ(props.Item("KXCOLOR").value, "7");
  EXPECT_EQ(props.Item(3).type, 4);
  EXPECT_EQ(ErrorOf([&] { props.Item(4); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { props.Item(0); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { props.Item("KXGroupResources"); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { props.Delete("KXGroupResources"); }), host::kErrNotFound);
  EXPECT_EQ(host.ActiveData()->properties.size(), 3u);
}

class ResourceView : public ::testing::Test {
 protected:
  void SetUp() override {
    auto p = NewProjectData("Quelle");
    p->resources = {Resource(11, "Anna", "Bau"), Resource(12, "Bernd", "Büro"), nullptr,
                    Resource(13, "Carla", "bau"), Resource(14, "Kies", "Bau", 1)};
    p->definitions.filters.push_back({"Nur Bau", false, {{"Gruppe", "gleich", "Bau", "Und"}}});
    p->definitions.filters.push_back(
        {"Bau ohne Material",
         false,
         {{"Gruppe", "Gleich", "Bau", "Und"}, {"Art", "ungleich", "Material", "Und"}}});
    host_.AddProject(p);
    view_ = &host_.GetActiveView();
  }
  bool Shown(std::int32_t uid) { return view_->FindRow("Einmalige Nr.", "Gleich", uid); }

  PlanningHost host_;
  host::ActiveView* view_ = nullptr;
};

TEST_F(ResourceView, AFilterLetsThroughExactlyItsResources) {
  EXPECT_EQ(host_.GetActiveProject()->GetResourceFilters(),
            (std::vector<std::string>{"Alle Ressourcen", "Arbeitsressourcen", "Materialressourcen",
                                      "Kostenressourcen", "Nur Bau", "Bau ohne Material"}));
  view_->ApplyView("Ressource: Tabelle");
  view_->ApplyTable("&Eingabe");
  view_->ApplyFilter("Nur Bau");
  EXPECT_TRUE(Shown(11));
  EXPECT_FALSE(Shown(12));
  EXPECT_TRUE(Shown(13));  // "gleich" ignores letter case
  EXPECT_TRUE(Shown(14));
  EXPECT_FALSE(Shown(0));  // the empty row is never found
  EXPECT_FALSE(view_->FindRow("Name", "gleich", std::string("")));

  view_->ApplyFilter("Bau ohne Material");
  EXPECT_FALSE(Shown(14));
  EXPECT_TRUE(Shown(11));
  view_->ApplyFilter("Materialressourcen");
  EXPECT_TRUE(Shown(14));
  EXPECT_FALSE(Shown(11));

  // Applying the view again shows all resources.
  view_->ApplyView("Ressource: Tabelle");
  for (std::int32_t uid : {11, 12, 13, 14}) EXPECT_TRUE(Shown(uid));
  EXPECT_TRUE(view_->FindRow("Einmalige Nr.", "größer als", std::int32_t{13}));
  EXPECT_FALSE(view_->FindRow("Einmalige Nr.", "größer als", std::int32_t{14}));
  EXPECT_TRUE(view_->FindRow("Name", "enthält", std::string("ERN")));

  EXPECT_EQ(ErrorOf([&] { view_->ApplyFilter("Alle Vorgänge"); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { view_->ApplyFilter("Gibt es nicht"); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { view_->ApplyView("Gibt es nicht"); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { view_->FindRow("Name", "ähnlich", std::string("A")); }),
            host::kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { view_->FindRow("Farbe", "gleich", std::string("A")); }),
            host::kErrInvalidArgument);
}

// Resources are looked up by their numbers from what the host remembers of the list: a list that
// changed since must be looked at as it is now.
TEST_F(ResourceView, NumbersAreFoundInTheListAsItIsNow) {
  view_->ApplyView("Ressource: Tabelle");
  for (std::int32_t uid : {11, 12, 13, 14}) EXPECT_TRUE(Shown(uid));
  auto& list = host_.ActiveData()->resources;
  list.erase(list.begin());                      // Anna goes, the others move up
  list.push_back(Resource(11, "Anna", "Büro"));  // and comes back at the end
  list.insert(list.begin(), Resource(15, "Dora", "Bau"));
  list[1]->uid = 16;  // Bernd's number changes in place
  EXPECT_TRUE(Shown(11));
  EXPECT_FALSE(Shown(12));
  for (std::int32_t uid : {13, 14, 15, 16}) EXPECT_TRUE(Shown(uid)) << uid;
  EXPECT_FALSE(view_->FindRow("Einmalige Nr.", "Gleich", 13.5));

  // Two resources of one number: the second passes the filter the first does not.
  list.push_back(Resource(13, "Carla", "Büro"));
  view_->ApplyFilter("Nur Bau");
  EXPECT_TRUE(Shown(13));
  list[3]->group = "Büro";  // the first Carla leaves the group
  EXPECT_FALSE(Shown(13));
  list.back()->group = "Bau";
  EXPECT_TRUE(Shown(13));
}

TEST_F(ResourceView, SelectColumnFailsUntilTheColumnIsAppended) {
  view_->ApplyView("Ressource: Tabelle");
  view_->ApplyTable("&Eingabe");
  view_->SelectColumn("Name");
  EXPECT_EQ(ErrorOf([&] { view_->SelectColumn("Einmalige Nr."); }), host::kErrNotFound);

  host_.GetDefinitions().EditTable({{0, std::string("&Eingabe")},
                                    {1, false},
                                    {4, std::string()},
                                    {5, std::string()},
                                    {6, std::string("Einmalige Nr.")},
                                    {7, std::string()},
                                    {8, I16{10}},
                                    {9, I16{2}},
                                    {10, true},
                                    {11, true},
                                    {12, I16{255}},
                                    {13, I16{1}},
                                    {14, I16{1}},
                                    {15, I16{1}}});
  view_->SelectColumn("Einmalige Nr.");
  const Definitions& d = host_.ActiveData()->definitions;
  const auto resourceTable = std::find_if(d.tables.begin(), d.tables.end(), [](const auto& t) {
    return !t.taskTable && t.name == "&Eingabe";
  });
  ASSERT_NE(resourceTable, d.tables.end());
  EXPECT_EQ(resourceTable->columns.back().field, "Einmalige Nr.");
  EXPECT_EQ(resourceTable->columns.back().width, 10);
  EXPECT_EQ(resourceTable->columns.back().align, 2);
  // The task table of the same name is another table.
  view_->ApplyView("Balkendiagramm (Gantt)");
  EXPECT_EQ(ErrorOf([&] { view_->SelectColumn("Einmalige Nr."); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { view_->ApplyTable("Gibt es nicht"); }), host::kErrNotFound);
}

TEST(Definitions, ChartViewCallsAreKeptAndCanBeReadBack) {
  PlanningHost host;
  host.CreateNewProject();
  host::Definitions& d = host.GetDefinitions();
  d.RenameCustomField({{0, std::int32_t{188743990}}, {1, std::string("Anzahl Urlaubstage")}});
  d.SetCustomFieldProperties({{0, std::int32_t{188743990}}, {1, I16{0}}, {2, I16{3}}, {3, false}});
  d.EditTable({{0, std::string("Urlaub")},
               {1, true},
               {2, true},
               {3, true},
               {5, std::string("Nr.")},
               {7, std::string()},
               {8, I16{6}},
               {9, I16{1}}});
  d.EditTable({{0, std::string("Urlaub")},
               {1, true},
               {6, std::string("Name")},
               {7, std::string()},
               {8, I16{24}},
               {9, I16{0}}});
  d.EditView({{0, std::string("Balkendiagramm: Urlaub")},
              {1, true},
              {3, I16{1}},
              {4, true},
              {5, false},
              {6, std::string("Urlaub")},
              {7, std::string("Alle Vorgänge")},
              {8, std::string("Ohne Gruppe")}});
  host.GetActiveView().ApplyView("Balkendiagramm: Urlaub");
  host.GetActiveView().SelectColumn("Name");
  d.DeleteBarStyles({{0, std::string("*")}});
  d.EditBarStyle({{0, std::string("-1")},
                  {1, true},
                  {2, std::string("Vorgang")},
                  {3, I16{0}},
                  {4, I16{0}},
                  {5, I16{5}},
                  {6, I16{1}},
                  {7, I16{15}},
                  {8, I16{3}},
                  {9, I16{0}},
                  {10, I16{0}},
                  {11, I16{5}},
                  {12, std::string("Normal")},
                  {13, I16{1}},
                  {14, std::string("Anfang")},
                  {15, std::string("Ende")},
                  {19, std::string("Ressourcennamen")}});
  d.FinalViewCommand(2);
  d.SetCalendarOptions({{4, 7.5}});
  d.SetViewOptions({{6, std::string("€")}});
  d.SetViewOptions({{8, I16{0}}});

  const Definitions& defs = host.ActiveData()->definitions;
  EXPECT_EQ(defs.customFieldTitles.at(188743990), "Anzahl Urlaubstage");
  EXPECT_EQ(defs.customFieldProperties.at(188743990).size(), 4u);
  const TableDefinition* table = nullptr;
  for (const auto& t : defs.tables) {
    if (t.name == "Urlaub") table = &t;
  }
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->columns.size(), 2u);
  EXPECT_EQ(table->columns[0].align, 1);
  EXPECT_EQ(table->columns[1].width, 24);
  EXPECT_EQ(defs.currentView, "Balkendiagramm: Urlaub");
  EXPECT_EQ(defs.currentTable, "Urlaub");
  EXPECT_EQ(defs.currentFilter, "Alle Vorgänge");
  ASSERT_EQ(defs.barStyles.size(), 1u);
  EXPECT_EQ(defs.barStyles[0].codes[4], 15);
  EXPECT_EQ(defs.barStyles[0].barText, "Ressourcennamen");
  EXPECT_EQ(defs.finalViewCommands, std::vector<std::int32_t>{2});
  EXPECT_EQ(host.ActiveData()->minutesPerDay, 450.0);
  EXPECT_EQ(defs.options.at("SetViewOptions").size(), 2u);
  EXPECT_EQ(ErrorOf([&] {
              d.EditView({{0, std::string("V")}, {6, std::string("Fehlt")}});
            }),
            host::kErrNotFound);
}

TEST(Definitions, CalendarsThroughTheDefinitions) {
  PlanningHost host;
  host.CreateNewProject();
  host::Definitions& d = host.GetDefinitions();
  testing::UseSevenDayCalendar(host);
  EXPECT_EQ(host.ActiveData()->calendarName, "KXNeutral");
  auto cal = host.GetActiveProject()->GetBaseCalendar("KXNeutral");
  auto day = [&](int dd) {
    return cal->GetCalendarYear(2024)->GetYearMonth(3)->GetMonthDay(dd)->GetDayShiftStart(1);
  };
  EXPECT_EQ(day(23), 8.0 / 24);  // Saturday
  EXPECT_EQ(day(24), 8.0 / 24);  // Sunday
  d.SetCalendarWeekday({{0, std::string("KXNeutral")}, {3, I16{2}}, {4, false}});
  EXPECT_FALSE(day(18));  // Monday now off

  EXPECT_EQ(ErrorOf([&] {
              d.CreateBaseCalendar({{0, std::string("KXNeutral")}});
            }),
            host::kErrInvalidArgument);
  try {
    d.SetProjectInformation({{12, std::string("X")}});
    FAIL() << "no error";
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.number(), host::kErrNotFound);
    EXPECT_EQ(e.description(), "Der Kalender \"X\" ist nicht vorhanden.");
  }
  EXPECT_EQ(host.ActiveData()->calendarName, "KXNeutral");

  // A calendar keeps at least one working day.
  d.CreateBaseCalendar({{0, std::string("Leer")}});
  for (I16 wd = 2; wd <= 5; ++wd) {
    d.SetCalendarWeekday({{0, std::string("Leer")}, {3, wd}, {4, false}});
  }
  EXPECT_EQ(ErrorOf([&] {
              d.SetCalendarWeekday({{0, std::string("Leer")}, {3, I16{6}}, {4, false}});
            }),
            host::kErrInvalidArgument);
  EXPECT_FALSE(
      host.ActiveData()->FindCalendar("Leer")->WorkingTimesOn(DateSerial(2024, 3, 22)).empty());
  EXPECT_EQ(ErrorOf([&] {
              d.SetCalendarWeekday({{0, std::string("KXNeutral")}, {3, I16{8}}, {4, true}});
            }),
            host::kErrInvalidArgument);
}

}  // namespace
}  // namespace kx::platform
