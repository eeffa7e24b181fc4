#include <gtest/gtest.h>

#include "wizard/option_tools.hpp"
#include "wizard/wizard_fixture.hpp"

namespace kx::wizard::testing {
namespace {

TEST_F(WizardTest, VacationPlanFromStepOneToTheChartAndASecondLaunch) {
  const fs::path chart = dir / "Urlaub.mpp";
  std::ofstream(chart) << "alt\n";
  dialogs.Answer(ScriptedFileDialogs::OneFile(chart.string()));

  Launch([&](KorvalinxWizard& w) {
    // Step 1: forward without a location, then the location from the save dialog.
    ASSERT_EQ(w.CurrentStep(), 1);
    EXPECT_TRUE(UserClick(w.cmdNext));
    EXPECT_EQ(boxes.Last().text, chart::kTextPathMissing);
    EXPECT_EQ(boxes.Last().title, "Korvalinx Assistent");
    EXPECT_EQ(boxes.Last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(w.CurrentStep(), 1);
    EXPECT_TRUE(UserClick(w.cmdSave));
    EXPECT_EQ(w.txtChartPath.Text(), chart.string());
    EXPECT_EQ(ReadFile(chart), "alt\n");
    EXPECT_TRUE(UserClick(w.cmdNext));
    ASSERT_EQ(w.CurrentStep(), 2);
    EXPECT_EQ(ShownSteps(w), std::vector<int>{2});

    // Step 2: vacation plan against a special calendar.
    EXPECT_FALSE(w.optCalendar[0].Enabled());
    EXPECT_TRUE(UserClick(w.optPlan[1]));
    EXPECT_TRUE(w.optCalendar[1].Enabled());
    EXPECT_FALSE(w.cboCalendar.Enabled());
    EXPECT_TRUE(UserClick(w.optCalendar[1]));
    EXPECT_TRUE(UserPick(w.cboCalendar, "Betriebskalender"));
    EXPECT_TRUE(UserClick(w.cmdNext));
    ASSERT_EQ(w.CurrentStep(), 3);

    // Step 3: a range that ends before it starts is refused, then one year.
    EXPECT_TRUE(UserClick(w.optDate[2]));
    EXPECT_TRUE(UserSetDate(w.dtpDateFrom, DateSerial(2024, 6, 10)));
    EXPECT_TRUE(UserSetDate(w.dtpDateTo, DateSerial(2024, 6, 9)));
    EXPECT_TRUE(UserClick(w.cmdNext));
    EXPECT_EQ(boxes.Last().text, chart::kTextDateOrder);
    EXPECT_EQ(boxes.Last().title, "Korvalinx");
    EXPECT_EQ(w.CurrentStep(), 3);
    EXPECT_TRUE(UserSetDate(w.dtpDateTo, DateTimeSerial(2024, 6, 10, 9, 0)));
    EXPECT_TRUE(UserClick(w.optDate[1]));
    EXPECT_FALSE(UserSetDate(w.dtpDateTo, DateSerial(2024, 7, 1)));
    EXPECT_TRUE(UserPick(w.cboYear, "2024"));
    EXPECT_TRUE(UserClick(w.cmdNext));
    ASSERT_EQ(w.CurrentStep(), 4);

    // Step 4: a filter that lets nobody through is refused.
    EXPECT_FALSE(OnForm(w.cboFilter) && w.cboFilter.EffectivelyEnabled());
    EXPECT_TRUE(UserClick(w.optResources[1]));
    EXPECT_TRUE(UserPick(w.cboFilter, "Niemand"));
    EXPECT_EQ(w.objKorvalinx().objResources->lngResourcesCount, 0);
    EXPECT_TRUE(UserClick(w.cmdNext));
    EXPECT_EQ(boxes.Last().text, chart::kTextNoChartResources);
    EXPECT_EQ(boxes.Last().title, "Korvalinx Assistent");
    EXPECT_EQ(w.CurrentStep(), 4);
    EXPECT_TRUE(UserPick(w.cboFilter, "Gruppe Bau"));
    EXPECT_TRUE(UserClick(w.cmdNext));
    ASSERT_EQ(w.CurrentStep(), 5);
    EXPECT_EQ(w.objKorvalinx().objResources->lngResourcesCount, 2);

    // Step 5: changing colours disable the colour list.
    EXPECT_TRUE(UserClick(w.optColor[1]));
    EXPECT_FALSE(w.imcColor.Enabled());
    EXPECT_TRUE(UserClick(w.cmdNext));

    // Step 6: grouping enables "Nullwerte verwenden".
    ASSERT_EQ(w.CurrentStep(), 6);
    EXPECT_FALSE(w.chkNull.Enabled());
    EXPECT_TRUE(UserClick(w.chkGroup));
    EXPECT_TRUE(w.chkNull.Enabled());
    EXPECT_TRUE(UserClick(w.cmdNext));

    // Step 7: the defaults, a step back and forward, then the chart.
    ASSERT_EQ(w.CurrentStep(), 7);
    EXPECT_FALSE(w.cmdNext.Enabled());
    EXPECT_TRUE(UserClick(w.cmdSetDefaults));
    EXPECT_EQ(boxes.Last().text, "Die aktuellen Diagrammeinstellungen wurden gespeichert.    ");
    EXPECT_EQ(boxes.Last().icon, MsgIcon::Information);
    EXPECT_EQ(boxes.Last().title, "Korvalinx Assistent");
    EXPECT_EQ(w.CurrentStep(), 7);
    EXPECT_TRUE(UserClick(w.cmdBack));
    EXPECT_EQ(w.CurrentStep(), 6);
    EXPECT_TRUE(UserClick(w.cmdNext));
    const std::size_t messagesBeforeRun = boxes.Count();
    EXPECT_TRUE(UserClick(w.cmdFinish));

    EXPECT_EQ(boxes.Count(), messagesBeforeRun);
    EXPECT_EQ(w.objKorvalinx().LastRunOutcome(), chart::RunOutcome::Saved);
    EXPECT_EQ(ReadFile(chart).rfind("chart ", 0), 0u);
    EXPECT_EQ(w.cmdFinish.Caption(), "Fertig");
    EXPECT_EQ(w.cmdFinish.ToolTip(), "Klicken Sie hier, um den Assistenten zu schließen.");
    EXPECT_EQ(w.cmdFinish.Tag(), "Exit");
    EXPECT_EQ(w.cmdFinish.Left(), kFinishLeft);
    for (Control* c : {&w.cmdInfo, &w.cmdBack, &w.cmdNext, &w.cmdCancel}) {
      EXPECT_FALSE(OnForm(*c)) << c->Name();
    }
    EXPECT_TRUE(ShownSteps(w).empty());
    EXPECT_EQ(w.barProgress.BarValue(), 100.0);
    EXPECT_EQ(w.lblProgress.Caption(), "Urlaubsplan wurde erstellt.");
    EXPECT_TRUE(OnForm(w.lblProgress));
    EXPECT_TRUE(host->ScreenUpdating());

    EXPECT_TRUE(UserClick(w.cmdFinish));
    EXPECT_FALSE(w.Loaded());
    EXPECT_FALSE(w.HasEngine());
  });
  EXPECT_EQ(user.shown, 1);

  // The chart: the group "Bau" with Anna; Bernd has no vacation, Carla is filtered out.
  EXPECT_EQ(ChartRows(), (std::vector<std::string>{"Bau", "Anna"}));
  EXPECT_EQ(format->saved, std::vector<std::string>{chart.string()});

  // The user's defaults.
  EXPECT_EQ(Stored("GroupResources"), "1");
  EXPECT_EQ(Stored("UseNullValues"), "0");
  EXPECT_EQ(Stored("PlanType"), "1");
  EXPECT_EQ(Stored("PlanDuration"), "1");
  EXPECT_EQ(Stored("PlanDurationYear"), "2024");
  EXPECT_EQ(Stored("PlanDurationStart"), "10.06.2024");
  EXPECT_EQ(Stored("PlanDurationEnd"), "10.06.2024 09:00");
  EXPECT_EQ(Stored("ColorType"), "1");
  EXPECT_EQ(Stored("Color"), "1");
  EXPECT_EQ(Stored("ResourceType"), "1");
  EXPECT_EQ(Stored("ResourceFilter"), "Gruppe Bau");
  EXPECT_EQ(Stored("CalendarType"), "1");
  EXPECT_EQ(Stored("Calendar"), "Betriebskalender");

  // A second launch starts at step 1 with a fresh engine and the settings stored in the project.
  const auto shownBefore = boxes.Count();
  Launch([&](KorvalinxWizard& w) {
    EXPECT_EQ(w.CurrentStep(), 1);
    EXPECT_EQ(ShownSteps(w), std::vector<int>{1});
    EXPECT_EQ(w.cmdFinish.Caption(), "Ende");
    EXPECT_EQ(w.cmdFinish.ToolTip(),
              "Klicken Sie hier, um das Diagramm mit den gewählten Einstellungen zu erstellen.");
    EXPECT_TRUE(OnForm(w.cmdNext));
    EXPECT_FALSE(OnForm(w.lblProgress));
    EXPECT_TRUE(w.txtChartPath.Text().empty());
    auto& e = w.objKorvalinx();
    EXPECT_EQ(e.lngColorCounter, 0);
    EXPECT_EQ(e.objResources->colResources.Count(), 3);
    EXPECT_EQ(e.lngPlanType, 1);
    EXPECT_EQ(e.lngResourceType, 1);
    EXPECT_TRUE(w.optPlan[1].IsOn());
    EXPECT_TRUE(w.optCalendar[1].IsOn());
    EXPECT_EQ(w.cboCalendar.Text(), "Betriebskalender");
    EXPECT_TRUE(w.cboCalendar.Enabled());
    EXPECT_TRUE(w.optDate[1].IsOn());
    EXPECT_EQ(w.cboYear.Text(), "2024");
    EXPECT_TRUE(w.optResources[0].IsOn());
    EXPECT_EQ(w.cboFilter.Text(), "Gruppe Bau");
    EXPECT_FALSE(w.cboFilter.Enabled());
    EXPECT_TRUE(w.optColor[1].IsOn());
    EXPECT_EQ(w.chkGroup.CheckValue(), kChecked);
    EXPECT_TRUE(w.chkNull.Enabled());
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  EXPECT_EQ(user.shown, 2);
  EXPECT_EQ(boxes.Count(), shownBefore);
}

TEST_F(WizardTest, TabOrderAndFocusOfEveryStepInBothDirections) {
  const std::vector<std::string> cancelBack{"cmdCancel", "cmdBack"};
  const auto order = [&](std::vector<std::string> middle) {
    std::vector<std::string> all{"cmdNext", "cmdFinish"};
    all.insert(all.end(), middle.begin(), middle.end());
    all.insert(all.end(), cancelBack.begin(), cancelBack.end());
    return all;
  };
  const std::vector<std::vector<std::string>> forward{
      order({"cmdSave"}),
      order({"optPlan(0)", "optPlan(1)", "optCalendar(0)", "optCalendar(1)", "cboCalendar"}),
      order({"optDate(0)", "optDate(1)", "optDate(2)", "cboYear", "dtpDateFrom", "dtpDateTo"}),
      order({"optResources(0)", "optResources(1)", "cboFilter"}),
      order({"optColor(0)", "optColor(1)", "imcColor"}),
      order({"chkGroup", "chkNull"}),
      order({"cmdSetDefaults"})};
  std::vector<std::vector<std::string>> back = forward;
  back[0] = order({"txtChartPath", "cmdSave"});
  back[2] =
      order({"optDate(0)", "optDate(1)", "cboYear", "optDate(2)", "dtpDateFrom", "dtpDateTo"});
  back[4] = order({"optColor(0)", "imcColor", "optColor(1)"});

  Launch([&](KorvalinxWizard& w) {
    EXPECT_EQ(TabStops(w), forward[0]);
    EXPECT_EQ(w.ActiveControl(), &w.cmdNext);
    EXPECT_FALSE(w.cmdBack.Enabled());
    UserType(w.txtChartPath, (dir / "Diagramm.mpp").string());
    w.txtChartPath.SetSelStart(3);
    w.txtChartPath.SetSelLength(4);
    for (int step = 2; step <= kStepCount; ++step) {
      ASSERT_TRUE(UserClick(w.cmdNext));
      ASSERT_EQ(w.CurrentStep(), step);
      EXPECT_EQ(TabStops(w), forward[step - 1]) << "Schritt " << step << " vorwärts";
      EXPECT_EQ(ShownSteps(w), std::vector<int>{step});
      EXPECT_EQ(w.StepFrame(step - 1).Top(), kOffForm);
      EXPECT_TRUE(w.cmdBack.Enabled());
      EXPECT_EQ(w.cmdNext.Enabled(), step != kStepCount);
      EXPECT_EQ(w.ActiveControl(), step == kStepCount ? &w.cmdFinish : &w.cmdNext);
    }
    // In step 7 "Weiter >" does nothing even when its handler runs.
    w.cmdNext_Click();
    EXPECT_EQ(w.CurrentStep(), 7);
    for (int step = kStepCount - 1; step >= 1; --step) {
      ASSERT_TRUE(UserClick(w.cmdBack));
      ASSERT_EQ(w.CurrentStep(), step);
      EXPECT_EQ(TabStops(w), back[step - 1]) << "Schritt " << step << " zurück";
      EXPECT_EQ(ShownSteps(w), std::vector<int>{step});
      EXPECT_EQ(w.ActiveControl(), &w.cmdNext);
    }
    EXPECT_FALSE(w.cmdBack.Enabled());
    EXPECT_EQ(w.txtChartPath.SelStart(), 0);
    EXPECT_EQ(w.txtChartPath.SelLength(), 0);
    // In step 1 "< Zurück" does nothing even when its handler runs.
    w.cmdBack_Click();
    EXPECT_EQ(w.CurrentStep(), 1);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
}

TEST_F(WizardTest, FinishJumpsToTheStepWhoseCheckFailed) {
  Launch([&](KorvalinxWizard& w) {
    // Step 1 with a location and an end before the start: the date message, then step 3.
    UserType(w.txtChartPath, (dir / "Diagramm.mpp").string());
    w.dtpDateFrom.SetValue(Value(DateSerial(2024, 5, 2)));
    w.dtpDateTo.SetValue(Value(DateSerial(2024, 5, 1)));
    EXPECT_TRUE(UserClick(w.cmdFinish));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{chart::kTextDateOrder});
    EXPECT_EQ(boxes.Last().title, "Korvalinx");
    EXPECT_EQ(w.CurrentStep(), 3);
    EXPECT_EQ(ShownSteps(w), std::vector<int>{3});
    EXPECT_TRUE(w.cmdBack.Enabled());
    EXPECT_TRUE(w.cmdNext.Enabled());
    EXPECT_EQ(w.StepFrame(1).Left(), kOffForm);

    // A filter that lets nobody through: "Ende" shows the resource message and step 4.
    w.dtpDateTo.SetValue(Value(DateSerial(2024, 5, 2)));
    ASSERT_TRUE(GoTo(w, 4));
    EXPECT_TRUE(UserClick(w.optResources[1]));
    EXPECT_TRUE(UserPick(w.cboFilter, "Niemand"));
    EXPECT_TRUE(UserClick(w.optResources[0]));  // all resources again ...
    EXPECT_TRUE(UserClick(w.optResources[1]));  // ... and the filter the list shows
    EXPECT_EQ(w.objKorvalinx().objResources->lngResourcesCount, 0);
    boxes.Clear();
    EXPECT_TRUE(UserClick(w.cmdFinish));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{chart::kTextNoChartResources});
    EXPECT_EQ(w.CurrentStep(), 4);
    EXPECT_EQ(ShownSteps(w), std::vector<int>{4});
    EXPECT_EQ(w.cmdFinish.Caption(), "Ende");

    // With an empty location "Ende" shows only the first path message, also in step 5.
    EXPECT_TRUE(UserPick(w.cboFilter, "Gruppe Bau"));
    ASSERT_TRUE(GoTo(w, 5));
    w.txtChartPath.SetText("");
    boxes.Clear();
    EXPECT_TRUE(UserClick(w.cmdFinish));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{chart::kTextPathMissing});
    EXPECT_EQ(w.CurrentStep(), 5);
    EXPECT_EQ(ShownSteps(w), std::vector<int>{5});
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  EXPECT_TRUE(format->saved.empty());
}

TEST_F(WizardTest, RefusedLocationMessageHasFourBlanksWhenRaisedByFinish) {
  const fs::path locked = dir / "Gesperrt.mpp";
  std::ofstream(locked) << "alt\n";
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  Launch([&](KorvalinxWizard& w) {
    UserType(w.txtChartPath, locked.string());
    EXPECT_TRUE(UserClick(w.cmdNext));
    EXPECT_TRUE(UserClick(w.cmdFinish));
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{chart::kTextPathRefused, chart::kTextPathRefusedAtFinish}));
    EXPECT_EQ(boxes.Last().title, "Korvalinx Assistent");
    EXPECT_NE(boxes.Requests()[1].text.find("einen    \r\n"), std::string::npos);
    EXPECT_EQ(w.CurrentStep(), 1);

    // The source project's own file is open in the host.
    boxes.Clear();
    UserType(w.txtChartPath, (dir / "." / "Bau.xml").string());
    EXPECT_TRUE(UserClick(w.cmdNext));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{chart::kTextPathRefused});
    EXPECT_EQ(w.CurrentStep(), 1);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  EXPECT_EQ(ReadFile(locked), "alt\n");
}

TEST_F(WizardTest, DateCheckRunsOnLeavingStepThreeWhateverThePeriodOption) {
  Launch([&](KorvalinxWizard& w) {
    ASSERT_TRUE(GoTo(w, 3));
    EXPECT_TRUE(w.optDate[0].IsOn());
    // Start and end on the same day pass, whatever their times.
    w.dtpDateFrom.SetValue(Value(DateTimeSerial(2024, 5, 2, 17, 0)));
    w.dtpDateTo.SetValue(Value(DateTimeSerial(2024, 5, 2, 8, 0)));
    EXPECT_TRUE(UserClick(w.cmdNext));
    EXPECT_EQ(w.CurrentStep(), 4);
    // The disabled pickers keep their dates, and a later start still fails.
    EXPECT_TRUE(UserClick(w.cmdBack));
    w.dtpDateFrom.SetValue(Value(DateSerial(2024, 5, 3)));
    EXPECT_FALSE(w.dtpDateFrom.Enabled());
    EXPECT_TRUE(UserClick(w.cmdNext));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{chart::kTextDateOrder});
    EXPECT_EQ(w.CurrentStep(), 3);
    // Back to step 2 and forward again runs no check on the way to step 3.
    EXPECT_TRUE(UserClick(w.cmdBack));
    EXPECT_TRUE(UserClick(w.cmdNext));
    EXPECT_EQ(w.CurrentStep(), 3);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
}

TEST_F(WizardTest, EnablingRulesFollowTheChosenOptions) {
  Launch([&](KorvalinxWizard& w) {
    w.optPlan[1].SetValue(Value(true));
    w.optCalendar[0].SetValue(Value(true));
    EXPECT_TRUE(w.optCalendar[0].Enabled());
    EXPECT_TRUE(w.optCalendar[1].Enabled());
    EXPECT_FALSE(w.cboCalendar.Enabled());
    w.optCalendar[1].SetValue(Value(true));
    EXPECT_TRUE(w.cboCalendar.Enabled());
    w.optPlan[0].SetValue(Value(true));
    EXPECT_FALSE(w.optCalendar[0].Enabled());
    EXPECT_FALSE(w.optCalendar[1].Enabled());
    EXPECT_FALSE(w.cboCalendar.Enabled());

    w.optDate[0].SetValue(Value(true));
    EXPECT_FALSE(w.cboYear.Enabled());
    EXPECT_FALSE(w.dtpDateFrom.Enabled());
    EXPECT_FALSE(w.dtpDateTo.Enabled());
    w.optDate[1].SetValue(Value(true));
    EXPECT_TRUE(w.cboYear.Enabled());
    EXPECT_FALSE(w.dtpDateFrom.Enabled());
    w.optDate[2].SetValue(Value(true));
    EXPECT_FALSE(w.cboYear.Enabled());
    EXPECT_TRUE(w.dtpDateFrom.Enabled());
    EXPECT_TRUE(w.dtpDateTo.Enabled());

    w.optColor[1].SetValue(Value(true));
    EXPECT_FALSE(w.imcColor.Enabled());
    w.optColor[0].SetValue(Value(true));
    EXPECT_TRUE(w.imcColor.Enabled());

    w.optResources[1].SetValue(Value(true));
    EXPECT_TRUE(w.cboFilter.Enabled());
    w.optResources[0].SetValue(Value(true));
    EXPECT_FALSE(w.cboFilter.Enabled());

    // Clearing the grouping disables "Nullwerte verwenden" but keeps its check mark.
    w.chkGroup.SetValue(Value(std::int32_t{kChecked}));
    w.chkNull.SetValue(Value(std::int32_t{kChecked}));
    w.chkGroup.SetValue(Value(std::int32_t{kUnchecked}));
    EXPECT_FALSE(w.chkNull.Enabled());
    EXPECT_EQ(w.chkNull.CheckValue(), kChecked);
    w.ReadControls();
    EXPECT_TRUE(w.objKorvalinx().blnUseNullValues);
    EXPECT_FALSE(w.objKorvalinx().blnGroupResources);

    // A group with no button on keeps the dependent controls and reads as its first choice.
    w.optDate[2].SetValue(Value(false));
    w.objKorvalinx().lngPlanDuration = 2;
    EXPECT_EQ(w.SetControls(), 0);
    EXPECT_TRUE(w.dtpDateFrom.Enabled());
    w.ReadControls();
    EXPECT_EQ(w.objKorvalinx().lngPlanDuration, 0);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
}

TEST_F(WizardTest, ReadControlsCopiesEveryControlIntoTheEngine) {
  Launch([&](KorvalinxWizard& w) {
    auto& e = w.objKorvalinx();
    w.txtChartPath.SetText("/tmp/x.mpp");
    w.optPlan[1].SetValue(Value(true));
    w.optCalendar[1].SetValue(Value(true));
    w.cboCalendar.SetText("Betriebskalender");
    w.optDate[2].SetValue(Value(true));
    w.cboYear.SetText("2031,6 ");
    w.dtpDateFrom.SetValue(Value(DateSerial(2024, 2, 29)));
    w.dtpDateTo.SetValue(Value(DateTimeSerial(2025, 1, 5, 12, 0)));
    w.optResources[1].SetValue(Value(true));
    w.cboFilter.SetText("Gruppe Bau");
    w.optColor[1].SetValue(Value(true));
    w.imcColor.SetListIndex(16);
    w.chkGroup.SetValue(Value(std::int32_t{kChecked}));
    EXPECT_EQ(w.ReadControls(), 0);
    EXPECT_EQ(e.strChartPath, "/tmp/x.mpp");
    EXPECT_EQ(e.lngPlanType, 1);
    EXPECT_EQ(e.lngCalendarType, 1);
    EXPECT_EQ(e.strCalendar, "Betriebskalender");
    EXPECT_EQ(e.lngPlanDuration, 2);
    EXPECT_EQ(e.lngPlanDurationYear, 2031);
    EXPECT_EQ(e.varPlanDurationStart, Value(std::string("29.02.2024")));
    EXPECT_EQ(e.varPlanDurationFinish, Value(std::string("05.01.2025")));
    EXPECT_EQ(e.lngResourceType, 1);
    EXPECT_EQ(e.strResourceFilter, "Gruppe Bau");
    EXPECT_EQ(e.lngColorType, 1);
    EXPECT_EQ(e.lngColor, 17);
    EXPECT_TRUE(e.blnGroupResources);
    // The filter was not picked: the model still holds everybody.
    EXPECT_EQ(e.objResources->lngResourcesCount, 3);

    // A year that is no number gives 0; no selected colour leaves the colour as it was.
    w.cboYear.SetText("kein Jahr");
    w.imcColor.SetListIndex(-1);
    EXPECT_EQ(w.ReadControls(), -1);
    EXPECT_EQ(e.lngPlanDurationYear, 0);
    EXPECT_EQ(e.lngColor, 17);
    w.cboYear.SetText("99999999999");
    w.ReadControls();
    EXPECT_EQ(e.lngPlanDurationYear, 0);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
}

TEST_F(WizardTest, ResourceChoiceRebuildsTheModelOnlyWhileTheWizardIsShown) {
  user.beforeShow = [&](KorvalinxWizard& w) {
    // Prepared but not shown: no filter has been applied in the source project.
    EXPECT_FALSE(w.Visible());
    EXPECT_TRUE(w.optResources[0].IsOn());
    EXPECT_NE(source->definitions.currentView, "Ressource: Tabelle");
    EXPECT_EQ(w.objKorvalinx().objResources->lngResourcesCount, 3);
  };
  Launch([&](KorvalinxWizard& w) {
    ASSERT_TRUE(GoTo(w, 4));
    EXPECT_FALSE(UserPick(w.cboFilter, "Gruppe Bau"));  // disabled with "Alle Ressourcen"
    w.cboFilter.SetText("Gruppe Bau");
    EXPECT_TRUE(UserClick(w.optResources[1]));
    EXPECT_EQ(source->definitions.currentView, "Ressource: Tabelle");
    EXPECT_EQ(source->definitions.currentFilter, "Gruppe Bau");
    EXPECT_EQ(w.objKorvalinx().objResources->lngResourcesCount, 2);
    EXPECT_TRUE(UserPick(w.cboFilter, "Arbeitsressourcen"));
    EXPECT_EQ(w.objKorvalinx().objResources->lngResourcesCount, 3);
    EXPECT_TRUE(UserClick(w.optResources[0]));
    EXPECT_EQ(source->definitions.currentFilter, "Alle Ressourcen");
    EXPECT_EQ(w.objKorvalinx().objResources->colResources.Count(), 3);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
}

TEST_F(WizardTest, SaveDialogProposesTheChartFileAndDeletesNothing) {
  const fs::path existing = dir / "Vorhanden.mpp";
  std::ofstream(existing) << "alt\n";
  dialogs.Answer(ScriptedFileDialogs::OneFile(existing.string()));
  dialogs.Answer(std::nullopt);
  dialogs.Answer(ScriptedFileDialogs::OneFile("/Diagramm.mpp"));
  Launch([&](KorvalinxWizard& w) {
    EXPECT_TRUE(UserClick(w.cmdSave));
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    const FileDialogRequest& request = dialogs.Calls()[0].request;
    EXPECT_EQ(dialogs.Calls()[0].kind, ScriptedFileDialogs::Kind::Save);
    EXPECT_EQ(request.title, "Ressourcendiagramm speichern");
    EXPECT_EQ(request.initialDir, dir.string());
    EXPECT_EQ(request.file.substr(0, request.file.find('\0')), "Ressourcendiagramm für Bau");
    EXPECT_EQ(request.defaultExt, "xml");
    EXPECT_EQ(request.filter.substr(0, request.filter.find('\0')), "Projekte (*.xml)");
    EXPECT_EQ(w.txtChartPath.Text(), existing.string());
    EXPECT_EQ(ReadFile(existing), "alt\n");
    // An existing ordinary file passes the check: the chart replaces it only once saved.
    EXPECT_TRUE(UserClick(w.cmdNext));
    EXPECT_EQ(w.CurrentStep(), 2);
    EXPECT_TRUE(UserClick(w.cmdBack));

    // Cancelling the dialog keeps the path; a file in the root folder comes back as "/name".
    EXPECT_TRUE(UserClick(w.cmdSave));
    EXPECT_EQ(w.txtChartPath.Text(), existing.string());
    EXPECT_TRUE(UserClick(w.cmdSave));
    EXPECT_EQ(w.txtChartPath.Text(), "/Diagramm.mpp");
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(ReadFile(existing), "alt\n");
}

TEST_F(WizardTest, CancelClosesWithoutAnyHostCallAndLeavesFilesAsTheyWere) {
  const fs::path existing = dir / "Vorhanden.mpp";
  std::ofstream(existing) << "alt\n";
  dialogs.Answer(ScriptedFileDialogs::OneFile(existing.string()));
  host->SetScreenUpdating(false);
  Launch([&](KorvalinxWizard& w) {
    EXPECT_TRUE(UserClick(w.cmdSave));
    ASSERT_TRUE(GoTo(w, 7));
    EXPECT_TRUE(UserClick(w.cmdCancel));
    EXPECT_FALSE(w.Loaded());
    EXPECT_FALSE(w.Visible());
    EXPECT_FALSE(w.HasEngine());
  });
  EXPECT_EQ(ReadFile(existing), "alt\n");
  EXPECT_EQ(host->GetOpenProjects().size(), 1u);
  EXPECT_FALSE(host->ScreenUpdating());
  EXPECT_TRUE(source->properties.empty());
}

TEST_F(WizardTest, RunShowsOnlyTheProgressAndReplacesAnEarlierChartFile) {
  const fs::path chart = dir / "Plan.mpp";
  std::ofstream(chart) << "alt\n";
  std::vector<std::string> duringRun;
  Launch([&](KorvalinxWizard& w) {
    UserType(w.txtChartPath, chart.string());
    const int id = w.Subscribe([&](const Control* c, Property p) {
      if (c == &w.lblProgress && p == Property::Repaint && duringRun.empty()) {
        for (Control* x : {&w.cmdInfo, &w.cmdBack, &w.cmdNext, &w.cmdCancel, &w.cmdFinish,
                           &w.lblProgress, &w.barProgress}) {
          if (OnForm(*x)) duringRun.push_back(x->Name());
        }
        if (!ShownSteps(w).empty()) duringRun.push_back("Schritt");
      }
    });
    EXPECT_TRUE(UserClick(w.cmdFinish));
    w.Unsubscribe(id);
    EXPECT_EQ(w.lblProgress.Left(), kProgressLeft);
    EXPECT_EQ(w.lblProgress.Top(), kProgressLabelTop);
    EXPECT_EQ(w.barProgress.Top(), kProgressBarTop);
    EXPECT_EQ(w.lblProgress.Caption(), "Ressourcendiagramm wurde erstellt.");
    EXPECT_EQ(w.ActiveControl(), &w.cmdFinish);
    EXPECT_TRUE(UserClick(w.cmdFinish));
  });
  EXPECT_EQ(duringRun, (std::vector<std::string>{"lblProgress", "barProgress"}));
  EXPECT_EQ(ReadFile(chart).rfind("chart ", 0), 0u);
  // The settings went into the source project before the run.
  ASSERT_EQ(source->properties.size(), 13u);
  EXPECT_EQ(source->properties[0].name, "KXGroupResources");
}

// Records the order of the registry writes.
class RecordingRegistry final : public RegistryStore {
 public:
  std::vector<std::pair<std::string, std::string>> writes;
  MemoryRegistryStore store;
  std::optional<RegValue> Read(RegRoot root, const std::string& key,
                               const std::string& name) override {
    return store.Read(root, key, name);
  }
  bool Write(RegRoot root, const std::string& key, const std::string& name,
             const RegValue& value) override {
    writes.emplace_back(name, value.text);
    return store.Write(root, key, name, value);
  }
  bool KeyExists(RegRoot root, const std::string& key) override {
    return store.KeyExists(root, key);
  }
};

TEST_F(WizardTest, DefaultsAreWrittenInOrderAlsoFromDisabledControls) {
  RecordingRegistry recording;
  WizardServices services;
  services.boxes = &boxes;
  services.registry = &recording;
  services.today = [] { return DateSerial(2024, 6, 1); };
  connect = std::make_unique<addin::Connect>(&user, services);
  connect->objApplication = host.get();
  Launch([&](KorvalinxWizard& w) {
    w.optPlan[1].SetValue(Value(true));
    w.optCalendar[1].SetValue(Value(true));
    w.optDate[0].SetValue(Value(true));
    w.cboYear.SetText("2030");
    w.dtpDateFrom.SetValue(Value(DateSerial(2024, 2, 1)));
    w.dtpDateTo.SetValue(Value(DateSerial(2024, 3, 1)));
    w.optResources[1].SetValue(Value(true));
    w.optColor[1].SetValue(Value(true));
    w.imcColor.SetListIndex(16);
    w.chkGroup.SetValue(Value(std::int32_t{kChecked}));
    ASSERT_TRUE(GoTo(w, 7));
    w.cboFilter.SetText("");
    EXPECT_TRUE(UserClick(w.cmdSetDefaults));
    EXPECT_TRUE(UserClick(w.cmdSetDefaults));
    EXPECT_EQ(w.CurrentStep(), 7);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  const std::vector<std::pair<std::string, std::string>> once{{"GroupResources", "1"},
                                                              {"UseNullValues", "0"},
                                                              {"PlanType", "1"},
                                                              {"PlanDuration", "0"},
                                                              {"PlanDurationYear", "2030"},
                                                              {"PlanDurationStart", "01.02.2024"},
                                                              {"PlanDurationEnd", "01.03.2024"},
                                                              {"ColorType", "1"},
                                                              {"Color", "17"},
                                                              {"ResourceType", "1"},
                                                              {"ResourceFilter", " "},
                                                              {"CalendarType", "1"},
                                                              {"Calendar", "Standard"}};
  std::vector<std::pair<std::string, std::string>> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(recording.writes, twice);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>(2, kTextDefaultsSaved)));
  // The engine and the project were left alone.
  EXPECT_TRUE(source->properties.empty());

  // A store that takes nothing: the confirmation is shown all the same.
  recording.store.FailWrites(true);
  recording.writes.clear();
  boxes.Clear();
  Launch([&](KorvalinxWizard& w) {
    ASSERT_TRUE(GoTo(w, 7));
    EXPECT_TRUE(UserClick(w.cmdSetDefaults));
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  EXPECT_EQ(recording.writes.size(), 13u);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kTextDefaultsSaved});
}

TEST_F(WizardTest, InformationButtonOpensTheHookAndKeepsTheStep) {
  Launch([&](KorvalinxWizard& w) {
    ASSERT_TRUE(GoTo(w, 3));
    EXPECT_TRUE(OnForm(w.cmdInfo));
    EXPECT_TRUE(UserClick(w.cmdInfo));
    EXPECT_EQ(info->calls, 1);
    EXPECT_EQ(info->owner, &w);
    EXPECT_EQ(w.CurrentStep(), 3);
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  // Without an information dialog the button does nothing.
  WizardServices services;
  services.boxes = &boxes;
  services.registry = &registry;
  connect = std::make_unique<addin::Connect>(&user, services);
  connect->objApplication = host.get();
  Launch([&](KorvalinxWizard& w) {
    EXPECT_TRUE(UserClick(w.cmdInfo));
    EXPECT_EQ(w.CurrentStep(), 1);
    EXPECT_TRUE(w.Loaded());
    EXPECT_TRUE(UserClick(w.cmdCancel));
  });
  EXPECT_EQ(info->calls, 1);
}

TEST(OptionToolsTest, SelectedOptionIsTheFirstButtonOnZeroForNoneMinusOneWhenUnreadable) {
  class Options : public Form {
   public:
    Options() : Form("frmOptions", "", 100, 100) {
      for (int i : {0, 1, 2})
        AddMember({ControlKind::OptionButton, "optA", nullptr, {}, "", ""}, i);
      AddMember({ControlKind::OptionButton, "optGap", nullptr, {}, "", ""}, 0);
      AddMember({ControlKind::OptionButton, "optGap", nullptr, {}, "", ""}, 2);
      AddMember({ControlKind::CheckBox, "optMixed", nullptr, {}, "", ""}, 0);
    }
  } form;
  using basOptionTools::GetSelectedOption;
  EXPECT_EQ(GetSelectedOption(form.Array("optA")), 0);
  form.Array("optA")[2].SetValue(Value(true));
  EXPECT_EQ(GetSelectedOption(form.Array("optA")), 2);
  form.Array("optA")[1].SetValue(Value(true));
  EXPECT_EQ(GetSelectedOption(form.Array("optA")), 1);
  EXPECT_EQ(GetSelectedOption(form.Array("optGap")), -1);
  form.Array("optGap")[0].SetValue(Value(true));
  EXPECT_EQ(GetSelectedOption(form.Array("optGap")), 0);
  EXPECT_EQ(GetSelectedOption(form.Array("optMixed")), -1);
}

}  // namespace
}  // namespace kx::wizard::testing
