#include <gtest/gtest.h>

#include "addin/project_tools.hpp"
#include "wizard/wizard_fixture.hpp"

namespace kx::wizard::testing {
namespace {

using LaunchTest = WizardTest;

TEST_F(LaunchTest, WithoutAProjectOnlyThatMessageIsShownAndNothingIsLoaded) {
  user.script = [](KorvalinxWizard&) { FAIL() << "Der Assistent darf nicht erscheinen."; };
  connect->Show();
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Es ist kein Projekt geöffnet!      ");
  EXPECT_EQ(boxes.Last().title, "Korvalinx");
  EXPECT_EQ(boxes.Last().icon, MsgIcon::Exclamation);
  EXPECT_EQ(user.shown, 0);
  // The form exists and is published, but it was not loaded.
  ASSERT_NE(connect->objWizard, nullptr);
  EXPECT_FALSE(Wizard().Loaded());
  EXPECT_EQ(connect->shared.gfrmKorvalinx, connect->objWizard.get());
  EXPECT_EQ(connect->shared.gobjApplication, host.get());
  EXPECT_FALSE(Wizard().HasEngine());

  // Without any application the launch ends the same way.
  boxes.Clear();
  connect->objApplication = nullptr;
  connect->Show();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{addin::kTextNoProject});
  EXPECT_EQ(connect->shared.gobjApplication, nullptr);
}

TEST_F(LaunchTest, ProjectWithoutResourcesGetsNoWizard) {
  source->resources.clear();
  Launch([](KorvalinxWizard&) { FAIL() << "Der Assistent darf nicht erscheinen."; });
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Das Projekt enthält keine Ressourcen.      "});
  EXPECT_EQ(user.shown, 0);
  EXPECT_FALSE(Wizard().Loaded());
}

TEST_F(LaunchTest, DuplicateNamesAskWhetherToGoOn) {
  AddResource("anna", "Bau");  // letter case differs: no duplicate
  Launch([](KorvalinxWizard& w) { UserClick(w.cmdCancel); });
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(user.shown, 1);

  AddResource("Anna", "Büro");
  boxes.Answer(MsgAnswer::No);
  Launch([](KorvalinxWizard&) { FAIL() << "Der Assistent darf nicht erscheinen."; });
  ASSERT_EQ(boxes.Count(), 1u);
  const MessageRequest& question = boxes.Last();
  EXPECT_EQ(question.text,
            "Das Projekt enthält doppelte Ressourcennamen.      \r\nTrotzdem fortfahren?");
  EXPECT_EQ(question.title, "Korvalinx");
  EXPECT_EQ(question.buttons, MsgButtons::YesNo);
  EXPECT_EQ(question.icon, MsgIcon::Question);
  EXPECT_EQ(question.defaultButton, 1);
  EXPECT_EQ(user.shown, 1);
  EXPECT_FALSE(Wizard().Loaded());

  boxes.Answer(MsgAnswer::Yes);
  Launch([](KorvalinxWizard& w) { UserClick(w.cmdCancel); });
  EXPECT_EQ(user.shown, 2);
}

TEST_F(LaunchTest, ConnectedFromOutsideTheWizardOpensAtOnce) {
  host->AddProject(source);
  connect->objApplication = nullptr;
  user.script = [](KorvalinxWizard& w) { UserClick(w.cmdCancel); };
  connect->OnConnection(host.get(), addin::kConnectAfterStartup);
  EXPECT_EQ(connect->objApplication, host.get());
  EXPECT_EQ(user.shown, 0);

  connect->OnConnection(host.get(), addin::kConnectExternal);
  EXPECT_EQ(user.shown, 1);
  EXPECT_FALSE(Wizard().Loaded());  // closed by "Abbrechen"
}

TEST_F(LaunchTest, WizardOpensOnStepOneWithOnlyTheButtonsInTheTabOrder) {
  Launch([&](KorvalinxWizard& w) {
    EXPECT_TRUE(w.Visible());
    EXPECT_EQ(w.Width(), kFormWidth);
    EXPECT_EQ(w.Height(), kFormHeight);
    EXPECT_EQ(w.Caption(), "Korvalinx Assistent");
    EXPECT_EQ(w.CurrentStep(), 1);
    EXPECT_EQ(ShownSteps(w), std::vector<int>{1});
    EXPECT_EQ(w.ActiveControl(), &w.cmdNext);
    EXPECT_FALSE(w.cmdBack.Enabled());
    EXPECT_TRUE(w.cmdNext.Enabled());
    EXPECT_EQ(w.cmdFinish.Tag(), "");
    EXPECT_EQ(TabStops(w), (std::vector<std::string>{"cmdNext", "cmdFinish", "cmdSave", "cmdCancel",
                                                     "cmdBack"}));
    EXPECT_FALSE(OnForm(w.lblProgress));
    EXPECT_FALSE(OnForm(w.barProgress));
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  EXPECT_EQ(user.shown, 1);
}

TEST_F(LaunchTest, SecondLaunchReusesTheFormAndReadsEverythingAnew) {
  const frmKorvalinx* first = nullptr;
  Launch([&](KorvalinxWizard& w) {
    first = &w;
    EXPECT_EQ(w.cboFilter.ListCount(), 6);
    EXPECT_EQ(w.cboCalendar.ListCount(), 2);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  source->definitions.filters.push_back({"Neu", false, {}});
  source->calendars.push_back(Calendar("Nachtschicht", 30));
  registry.Write(HKEY_CURRENT_USER, settings::kSettingsKey, "PlanType", {REG_SZ, "1", 0});
  Launch([&](KorvalinxWizard& w) {
    EXPECT_EQ(&w, first);
    EXPECT_EQ(w.cboFilter.ListCount(), 7);
    EXPECT_EQ(w.cboCalendar.ListCount(), 3);
    EXPECT_TRUE(w.optPlan[1].IsOn());
    EXPECT_EQ(w.cboYear.ListCount(), 66);
    EXPECT_EQ(w.imcColor.ListCount(), 17);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  EXPECT_EQ(user.shown, 2);
}

TEST_F(LaunchTest, WindowClosedWithoutUnloadingIsUnloadedAfterwards) {
  Launch([](KorvalinxWizard& w) { EXPECT_TRUE(w.HasEngine()); });
  EXPECT_FALSE(Wizard().Loaded());
  EXPECT_FALSE(Wizard().HasEngine());
}

}  // namespace
}  // namespace kx::wizard::testing
