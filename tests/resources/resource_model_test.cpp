#include "resources/resource_model.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_host.hpp"
#include "platform/planning_host.hpp"

namespace kx::resources {
namespace {

using fakes::FakeProject;

std::vector<std::string> GroupNames(const clsResources& m) {
  std::vector<std::string> names;
  for (const auto& g : m.colResourceGroups) names.push_back(g->strName);
  return names;
}

std::vector<std::string> Names(const Collection<clsResource>& list) {
  std::vector<std::string> names;
  for (const auto& r : list) names.push_back(r->ProjectResource->GetResourceName());
  return names;
}

using Strings = std::vector<std::string>;

TEST(Collection, IsOneBasedAndOrdered) {
  Collection<clsWorkday> list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.Item(1), std::out_of_range);
  for (double h : {1.0, 2.0, 3.0}) {
    auto d = std::make_shared<clsWorkday>();
    d->dblHours = h;
    list.Add(d);
  }
  EXPECT_EQ(list.Item(1)->dblHours, 1.0);
  EXPECT_EQ(list.Item(3)->dblHours, 3.0);
  list.Remove(2);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(2)->dblHours, 3.0);
  EXPECT_THROW(list.Item(0), std::out_of_range);
  EXPECT_THROW(list.Remove(3), std::out_of_range);
  double sum = 0;
  for (const auto& d : list) sum += d->dblHours;
  EXPECT_EQ(sum, 4.0);
}

TEST(Collection, AppendOperationsReportTheirResult) {
  clsResource r;
  EXPECT_EQ(r.AddHoliday(std::make_shared<clsHoliday>()), 0);
  EXPECT_EQ(r.AddWorkday(std::make_shared<clsWorkday>()), 0);
  EXPECT_EQ(r.AddHoliday(nullptr), -1);
  EXPECT_EQ(r.colHolidays.Count(), 1);
  clsResourceGroup g;
  EXPECT_EQ(g.AddResource(nullptr), -1);
  clsResources m;
  EXPECT_EQ(m.AddResourceGroup(std::make_shared<clsResourceGroup>()), 0);
  EXPECT_EQ(m.AddResource(std::make_shared<clsResource>()), 0);
  EXPECT_EQ(m.AddResourceGroup(nullptr), -1);
  const clsWorkday w;
  EXPECT_TRUE(IsEmpty(w.varDate));
  EXPECT_FALSE(w.blnIsWorkday);
  EXPECT_EQ(w.dblHours, 0.0);
}

TEST(GetResourceData, EmptyProjectGivesAnEmptyModel) {
  FakeProject p;
  const auto m = GetResourceData(p);
  EXPECT_EQ(m->colResourceGroups.Count(), 0);
  EXPECT_EQ(m->colResources.Count(), 0);
  EXPECT_EQ(m->lngResourcesCount, 0);
}

TEST(GetResourceData, GroupsByExactGroupTextAndNoGroupBecomesKeine) {
  FakeProject p;
  auto empty = p.AddResource("Anna", "");
  p.AddResource("Bert", "Bau");
  auto blanks = p.AddResource("Carl", "   ");
  p.AddResource("Dora", " Bau");
  p.AddResource("Emil", "bau");
  p.AddEmptyRow();
  p.AddResource("Fritz", "Bau");
  const auto m = GetResourceData(p);
  EXPECT_EQ(GroupNames(*m), (Strings{"(keine)", "Bau", " Bau", "bau"}));
  EXPECT_EQ(empty->group, "(keine)");
  EXPECT_EQ(blanks->group, "(keine)");
  EXPECT_EQ(Names(m->colResourceGroups.Item(1)->colResources), (Strings{"Anna", "Carl"}));
  EXPECT_EQ(Names(m->colResourceGroups.Item(2)->colResources), (Strings{"Bert", "Fritz"}));
  EXPECT_EQ(Names(m->colResources), (Strings{"Anna", "Bert", "Carl", "Dora", "Emil", "Fritz"}));
  EXPECT_EQ(m->lngResourcesCount, 6);
  // One record, two lists.
  EXPECT_EQ(m->colResources.Item(1), m->colResourceGroups.Item(1)->colResources.Item(1));
  EXPECT_EQ(m->colResources.Item(1)->ProjectResource, p.resources[0]);
}

TEST(GetResourceData, ANameIsTakenOncePerGroup) {
  FakeProject p;
  p.AddResource("Anna", "Bau");
  p.AddResource("Anna", "Bau");
  p.AddResource("anna", "Bau");
  p.AddResource("Anna", "Büro");
  const auto m = GetResourceData(p);
  EXPECT_EQ(Names(m->colResourceGroups.Item(1)->colResources), (Strings{"Anna", "anna"}));
  EXPECT_EQ(Names(m->colResources), (Strings{"Anna", "anna", "Anna"}));
  EXPECT_EQ(m->lngResourcesCount, 3);
}

TEST(GetResourceData, InsertedProjectsAreReadDepthFirst) {
  auto a = std::make_shared<FakeProject>("A.xml");
  auto a1 = std::make_shared<FakeProject>("A1.xml");
  auto b = std::make_shared<FakeProject>("B.xml");
  FakeProject master("Master.xml");
  master.AddResource("M1", "Bau");
  master.AddResource("M2", "");
  a->AddResource("A-Res", "Bau");
  a->AddResource("M1", "Bau");  // in the master already
  a->Insert("A1.xml", a1);
  a1->AddResource("A1-Res", "Labor");
  a1->AddResource("M2", "Büro");  // same name, other group
  b->AddResource("B-Res", "");
  master.Insert("A.xml", a);
  master.Insert("Kaputt.xml", nullptr);  // cannot be loaded
  master.Insert("B.xml", b);
  const auto m = GetResourceData(master);
  EXPECT_EQ(Names(m->colResources), (Strings{"M1", "M2", "A-Res", "A1-Res", "M2", "B-Res"}));
  EXPECT_EQ(GroupNames(*m), (Strings{"Bau", "(keine)", "Labor", "Büro"}));
  EXPECT_EQ(m->lngResourcesCount, 6);
  EXPECT_EQ(std::dynamic_pointer_cast<fakes::FakeResource>(b->resources[0])->group, "(keine)");
}

TEST(GetResourceData, ProjectsInsertedIntoEachOtherAreReadOnce) {
  auto master = std::make_shared<FakeProject>("Master.xml");
  auto sub = std::make_shared<FakeProject>("Sub.xml");
  master->AddResource("M", "G");
  sub->AddResource("S", "G");
  master->Insert("Sub.xml", sub);
  sub->Insert("Master.xml", master);
  sub->Insert("Sub.xml", sub);
  const auto m = GetResourceData(*master);
  EXPECT_EQ(Names(m->colResources), (Strings{"M", "S"}));
  master->inserted.clear();  // break the shared-pointer cycle
  sub->inserted.clear();
}

TEST(GetResourceData, FailingReadsDoNotStopTheWalk) {
  FakeProject p;
  auto noName = p.AddResource("X", "Bau");
  noName->failName = true;
  auto noGroup = p.AddResource("Y", "Bau");
  noGroup->failGroup = true;
  auto readOnly = p.AddResource("Z", "");
  readOnly->failSetGroup = true;
  p.AddResource("W", "Bau");
  const auto m = GetResourceData(p);
  EXPECT_EQ(m->lngResourcesCount, 4);
  EXPECT_EQ(m->colResources.Count(), 4);
  EXPECT_EQ(GroupNames(*m), (Strings{"Bau", "(keine)", ""}));
  EXPECT_EQ(readOnly->group, "");

  FakeProject broken;
  broken.failResources = true;
  broken.Insert("Sub.xml", std::make_shared<FakeProject>("Sub.xml"));
  std::dynamic_pointer_cast<FakeProject>(broken.inserted[0].second)->AddResource("S", "G");
  const auto m2 = GetResourceData(broken);
  EXPECT_EQ(m2->lngResourcesCount, 1);
}

// Model with groups G1 (r1 with a holiday, r2 without), G2 (r3, r4 without), G3 (r5 with).
std::shared_ptr<clsResources> ModelWithDays() {
  FakeProject p;
  for (auto [name, group] :
       {std::pair{"r1", "G1"}, {"r2", "G1"}, {"r3", "G2"}, {"r4", "G2"}, {"r5", "G3"}})
    p.AddResource(name, group);
  auto m = GetResourceData(p);
  for (long i : {1L, 5L}) m->colResources.Item(i)->AddHoliday(std::make_shared<clsHoliday>());
  m->colResources.Item(3)->AddWorkday(std::make_shared<clsWorkday>());
  return m;
}

TEST(CheckNullValues, PrunesGroupsButKeepsTheFlatList) {
  auto m = ModelWithDays();
  EXPECT_EQ(CheckNullValues(*m, true, true, false), 0);
  EXPECT_EQ(GroupNames(*m), (Strings{"G1", "G2", "G3"}));
  EXPECT_EQ(m->colResourceGroups.Item(2)->colResources.Count(), 2);

  EXPECT_EQ(CheckNullValues(*m, false, true, false), 0);
  EXPECT_EQ(GroupNames(*m), (Strings{"G1", "G3"}));
  EXPECT_EQ(Names(m->colResourceGroups.Item(1)->colResources), (Strings{"r1"}));
  EXPECT_EQ(m->colResources.Count(), 5);
  EXPECT_EQ(m->lngResourcesCount, 5);

  m = ModelWithDays();
  CheckNullValues(*m, false, false, true);
  EXPECT_EQ(GroupNames(*m), (Strings{"G2"}));
  EXPECT_EQ(Names(m->colResourceGroups.Item(1)->colResources), (Strings{"r3"}));

  m = ModelWithDays();
  CheckNullValues(*m, false, true, true);  // either list empty removes a record
  EXPECT_EQ(m->colResourceGroups.Count(), 0);
  EXPECT_EQ(m->colResources.Count(), 5);

  m = ModelWithDays();
  CheckNullValues(*m, false, false, false);
  EXPECT_EQ(GroupNames(*m), (Strings{"G1", "G2", "G3"}));
}

TEST(GetResourceData, ReadsThePlanningHostsProjects) {
  auto resource = [](std::int32_t uid, const std::string& name, const std::string& group) {
    auto r = std::make_shared<platform::ResourceData>();
    r->uid = uid;
    r->id = uid;
    r->name = name;
    r->group = group;
    return r;
  };
  auto master = platform::NewProjectData("Master");
  master->resources = {resource(1, "Anna", ""), nullptr, resource(2, "Bert", "Bau")};
  auto sub = platform::NewProjectData("Sub");
  sub->fullName = "/projekte/Sub.xml";
  sub->resources = {resource(1, "Anna", "(keine)"), resource(2, "Carl", "Labor")};
  master->subprojects.push_back({"Sub.xml", 1, sub});
  master->subprojects.push_back({"Fehlt.xml", 2, nullptr});

  platform::PlanningHost host;
  const auto project = host.AddProject(master);
  const auto m = GetResourceData(*project);
  EXPECT_EQ(Names(m->colResources), (Strings{"Anna", "Bert", "Carl"}));
  EXPECT_EQ(GroupNames(*m), (Strings{"(keine)", "Bau", "Labor"}));
  EXPECT_EQ(m->lngResourcesCount, 3);
  EXPECT_EQ(master->resources[0]->group, "(keine)");
}

}  // namespace
}  // namespace kx::resources
