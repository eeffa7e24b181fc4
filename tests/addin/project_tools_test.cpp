#include "addin/project_tools.hpp"

#include <gtest/gtest.h>

#include "fakes/fake_host.hpp"
#include "platform/planning_host.hpp"
#include "support/scripted_message_boxes.hpp"

namespace kx::addin {
namespace {

using fakes::FakeApplication;
using fakes::FakeProject;

void ExpectWarning(const ScriptedMessageBoxes& boxes, const std::string& text,
                   const std::string& title = "Korvalinx") {
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, text);
  EXPECT_EQ(boxes.Last().title, title);
  EXPECT_EQ(boxes.Last().buttons, MsgButtons::Ok);
  EXPECT_EQ(boxes.Last().icon, MsgIcon::Exclamation);
}

TEST(CheckActiveProject, NeedsAProjectWhoseNameCanBeRead) {
  FakeApplication app;
  ScriptedMessageBoxes boxes;
  EXPECT_FALSE(CheckActiveProject(app, false, "Korvalinx", boxes));
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_FALSE(CheckActiveProject(app, true, "Korvalinx", boxes));
  ExpectWarning(boxes, "Es ist kein Projekt geöffnet!      ");

  app.active = std::make_shared<FakeProject>();
  boxes.Clear();
  EXPECT_TRUE(CheckActiveProject(app, true, "Korvalinx", boxes));
  app.active->failName = true;
  EXPECT_FALSE(CheckActiveProject(app, false, "Korvalinx", boxes));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST(CheckResources, NeedsAtLeastOneReadableResource) {
  FakeApplication app;
  ScriptedMessageBoxes boxes;
  EXPECT_FALSE(CheckResources(app, true, "Titel", boxes));  // no project: the same message
  ExpectWarning(boxes, "Das Projekt enthält keine Ressourcen.      ", "Titel");

  app.active = std::make_shared<FakeProject>();
  boxes.Clear();
  EXPECT_FALSE(CheckResources(app, true, "Korvalinx", boxes));
  ExpectWarning(boxes, "Das Projekt enthält keine Ressourcen.      ");

  app.active->AddResource("Anna");
  boxes.Clear();
  EXPECT_TRUE(CheckResources(app, true, "Korvalinx", boxes));
  EXPECT_EQ(boxes.Count(), 0u);
  app.active->failResources = true;
  EXPECT_FALSE(CheckResources(app, false, "Korvalinx", boxes));
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST(HasDuplicateResourceNames, SameExactNameWithAnotherId) {
  FakeApplication app;
  ScriptedMessageBoxes boxes;
  EXPECT_FALSE(HasDuplicateResourceNames(app, true, "Korvalinx", boxes));  // no project

  app.active = std::make_shared<FakeProject>();
  auto& p = *app.active;
  p.AddResource("Anna");
  EXPECT_FALSE(HasDuplicateResourceNames(app, true, "Korvalinx", boxes));
  p.AddResource("anna");
  p.AddResource("Anna ");
  p.AddEmptyRow();
  p.resources.push_back(p.resources[0]);  // the same resource twice is no duplicate
  EXPECT_FALSE(HasDuplicateResourceNames(app, true, "Korvalinx", boxes));
  EXPECT_EQ(boxes.Count(), 0u);

  p.AddResource("Anna");
  EXPECT_TRUE(HasDuplicateResourceNames(app, false, "Korvalinx", boxes));
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_TRUE(HasDuplicateResourceNames(app, true, "Korvalinx", boxes));
  ExpectWarning(boxes, "Das Projekt enthält doppelte Ressourcennamen.      ");
}

TEST(HasDuplicateResourceNames, AFailingReadDoesNotStopTheWalk) {
  FakeApplication app;
  ScriptedMessageBoxes boxes;
  app.active = std::make_shared<FakeProject>();
  auto& p = *app.active;
  p.AddResource("Anna")->failName = true;
  p.AddResource("Anna")->failUid = true;
  p.AddResource("Bert");
  EXPECT_FALSE(HasDuplicateResourceNames(app, false, "Korvalinx", boxes));
  p.AddResource("Bert");
  EXPECT_TRUE(HasDuplicateResourceNames(app, false, "Korvalinx", boxes));
}

TEST(HasDuplicateResourceNames, StopsAtTheFirstDuplicate) {
  FakeApplication app;
  ScriptedMessageBoxes boxes;
  app.active = std::make_shared<FakeProject>();
  auto& p = *app.active;
  p.AddResource("Anna");
  p.AddResource("Anna");
  auto later = p.AddResource("Carl");
  EXPECT_TRUE(HasDuplicateResourceNames(app, false, "Korvalinx", boxes));
  EXPECT_EQ(later->nameReads, 0);
  EXPECT_EQ(std::string(kTextDuplicateQuestion),
            std::string(kTextDuplicateNames) + "\r\nTrotzdem fortfahren?");
}

TEST(ProjectChecks, OnThePlanningHost) {
  platform::PlanningHost host;
  ScriptedMessageBoxes boxes;
  EXPECT_FALSE(CheckActiveProject(host, true, "Korvalinx", boxes));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kTextNoProject});

  auto data = platform::NewProjectData("Quelle");
  for (std::int32_t uid : {1, 2}) {
    auto r = std::make_shared<platform::ResourceData>();
    r->uid = uid;
    r->name = "Anna";
    data->resources.push_back(r);
  }
  host.AddProject(data);
  EXPECT_TRUE(CheckActiveProject(host, true, "Korvalinx", boxes));
  EXPECT_TRUE(CheckResources(host, true, "Korvalinx", boxes));
  EXPECT_TRUE(HasDuplicateResourceNames(host, false, "Korvalinx", boxes));
  data->resources[1]->name = "anna";
  EXPECT_FALSE(HasDuplicateResourceNames(host, false, "Korvalinx", boxes));
  EXPECT_EQ(boxes.Count(), 1u);
}

}  // namespace
}  // namespace kx::addin
