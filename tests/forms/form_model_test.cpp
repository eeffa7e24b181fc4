#include "forms/form_model.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/error.hpp"
#include "forms/bar_colors.hpp"
#include "forms/frm_info.hpp"
#include "forms/frm_korvalinx.hpp"
#include "support/date.hpp"

namespace kx::forms {
namespace {

// Records every notification as "name.Property" ("form.Width" for the form itself).
struct Recorder {
  explicit Recorder(Form& form) {
    form.Subscribe([this](const Control* c, Property p) {
      seen.push_back((c ? c->Name() : std::string("form")) + "." + PropertyName(p));
    });
  }
  std::vector<std::string> seen;
};

std::int32_t ErrorNumber(const std::function<void()>& step) {
  try {
    step();
  } catch (const FormError& e) {
    return e.number();
  }
  return 0;
}

TEST(FormModelTest, OptionArraysAreExclusiveAndIndependentOfEachOther) {
  frmKorvalinx frm;
  frm.optPlan[1].SetValue(true);
  frm.optCalendar[0].SetValue(true);
  EXPECT_TRUE(frm.optPlan[1].IsOn());
  EXPECT_FALSE(frm.optPlan[0].IsOn());

  frm.optPlan[0].SetValue(true);
  EXPECT_TRUE(frm.optPlan[0].IsOn());
  EXPECT_FALSE(frm.optPlan[1].IsOn());
  EXPECT_TRUE(frm.optCalendar[0].IsOn());  // another array in the same frame is untouched

  ASSERT_TRUE(frm.optDate[2].Click());
  EXPECT_FALSE(frm.optDate[0].IsOn());
  EXPECT_FALSE(frm.optDate[1].IsOn());
  EXPECT_TRUE(frm.optDate[2].IsOn());
  EXPECT_EQ(std::get<bool>(frm.optDate[2].Value()), true);

  // Switching off from code leaves the group without a button on.
  frm.optDate[2].SetValue(false);
  for (Control* c : frm.optDate.Members()) EXPECT_FALSE(c->IsOn());

  EXPECT_EQ(frm.optDate.LBound(), 0);
  EXPECT_EQ(frm.optDate.UBound(), 2);
  EXPECT_EQ(frm.optPlan.Count(), 2);
  EXPECT_EQ(frm.optResources.UBound(), 1);
  EXPECT_EQ(frm.optColor.UBound(), 1);
}

TEST(FormModelTest, ObserversAreToldOfEveryChangeAndOnlyOfChanges) {
  frmKorvalinx frm;
  Recorder rec(frm);
  frm.cmdFinish.SetCaption("Fertig");
  frm.cmdFinish.SetCaption("Fertig");  // same value: no notification
  frm.cmdNext.SetTag("Step2");
  frm.fraStep1.Move(kOffForm, kOffForm);
  frm.cmdBack.SetEnabled(false);
  frm.cboYear.AddItem("1984");
  frm.cboYear.SetListIndex(0);
  frm.optPlan[1].SetValue(true);
  frm.optPlan[0].SetValue(true);
  frm.chkGroup.SetValue(std::int32_t{1});
  frm.barProgress.SetValue(40.0);
  frm.lblProgress.SetCaption("Ressourcen werden gelesen...");
  frm.lblProgress.Repaint();
  frm.barProgress.Repaint();
  frm.SetWidth(11100);  // unchanged
  frm.SetHeight(8000);
  EXPECT_EQ(rec.seen, (std::vector<std::string>{
                          "cmdFinish.Caption", "cmdNext.Tag", "fraStep1.Left", "fraStep1.Top",
                          "cmdBack.Enabled", "cboYear.List", "cboYear.ListIndex", "cboYear.Text",
                          "optPlan(1).Value", "optPlan(1).Value", "optPlan(0).Value",
                          "chkGroup.Value", "barProgress.Value", "lblProgress.Caption",
                          "lblProgress.Refresh", "barProgress.Refresh", "form.Height"}));
  EXPECT_EQ(frm.lblProgress.RepaintCount(), 1);
  EXPECT_EQ(frm.barProgress.RepaintCount(), 1);
}

TEST(FormModelTest, ListenersCanUnsubscribeEvenWhileBeingTold) {
  frmKorvalinx frm;
  int first = 0;
  int second = 0;
  int id1 = 0;
  id1 = frm.Subscribe([&](const Control*, Property) {
    ++first;
    frm.Unsubscribe(id1);
  });
  const int id2 = frm.Subscribe([&](const Control*, Property) { ++second; });
  frm.cmdNext.SetTag("Step1");
  frm.cmdNext.SetTag("Step2");
  frm.Unsubscribe(id2);
  frm.cmdNext.SetTag("Step3");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);
}

TEST(FormModelTest, CodeRaisesClickAsAUserWould) {
  frmKorvalinx frm;
  std::vector<std::string> clicks;
  for (Control* c : frm.optPlan.Members()) {
    c->onClick = [&](Control& self) {
      // The handler sees the group already settled.
      EXPECT_TRUE(self.IsOn());
      for (Control* other : frm.optPlan.Members()) {
        if (other != &self) {
          EXPECT_FALSE(other->IsOn());
        }
      }
      clicks.push_back(self.Name());
    };
  }
  frm.chkGroup.onClick = [&](Control& self) {
    clicks.push_back(self.Name() + "=" + std::to_string(self.CheckValue()));
  };
  frm.cboFilter.onClick = [&](Control& self) { clicks.push_back(self.Name() + ":" + self.Text()); };

  frm.optPlan[1].SetValue(true);
  frm.optPlan[1].SetValue(true);   // already on: still a click
  frm.optPlan[1].SetValue(false);  // switching off: no click
  frm.chkGroup.SetValue(std::int32_t{1});
  frm.chkGroup.SetValue(std::int32_t{1});  // unchanged: no click
  frm.chkGroup.SetValue(false);
  frm.cboFilter.AddItem("Alle Ressourcen");
  frm.cboFilter.AddItem("Gruppe");
  frm.cboFilter.SetText("Gruppe");  // selects the item, but a text is no click
  EXPECT_EQ(frm.cboFilter.ListIndex(), 1);
  frm.cboFilter.SetListIndex(0);
  frm.cboFilter.SetListIndex(0);  // unchanged: no click
  frm.cboFilter.Pick(0);          // a user's pick clicks even on the same item
  EXPECT_EQ(clicks,
            (std::vector<std::string>{"optPlan(1)", "optPlan(1)", "chkGroup=1", "chkGroup=0",
                                      "cboFilter:Alle Ressourcen", "cboFilter:Alle Ressourcen"}));
}

TEST(FormModelTest, UserActionsNeedAnEnabledVisibleControl) {
  frmKorvalinx frm;
  int clicks = 0;
  frm.cmdBack.onClick = [&](Control&) { ++clicks; };
  frm.cmdBack.SetEnabled(false);
  EXPECT_FALSE(frm.cmdBack.Click());
  frm.cmdBack.SetEnabled(true);
  EXPECT_TRUE(frm.cmdBack.Click());
  EXPECT_EQ(clicks, 1);

  // A control in a disabled frame takes no clicks either; code still sets it.
  frm.fraStep6.SetEnabled(false);
  EXPECT_FALSE(frm.chkNull.Click());
  EXPECT_EQ(frm.chkNull.CheckValue(), kUnchecked);
  frm.fraStep6.SetEnabled(true);
  EXPECT_TRUE(frm.chkNull.Click());
  EXPECT_EQ(frm.chkNull.CheckValue(), kChecked);
  EXPECT_TRUE(frm.chkNull.Click());
  EXPECT_EQ(frm.chkNull.CheckValue(), kUnchecked);

  frm.txtChartPath.SetVisible(false);
  EXPECT_FALSE(frm.txtChartPath.Type("/tmp/x.mpp"));
  EXPECT_EQ(frm.txtChartPath.Text(), "");
}

TEST(FormModelTest, FailuresAreFormErrorsThatResumeSkips) {
  frmKorvalinx frm;
  EXPECT_EQ(ErrorNumber([&] { frm.Item("cmdNichtDa"); }), kErrNoSuchControl);
  EXPECT_EQ(ErrorNumber([&] { frm.optPlan[2]; }), kErrNoSuchArrayElement);
  EXPECT_EQ(ErrorNumber([&] { frm.cboYear.SetListIndex(0); }), kErrInvalidIndex);
  EXPECT_EQ(ErrorNumber([&] { frm.imcColor.SelectedItem(); }), kErrNoObject);
  EXPECT_EQ(ErrorNumber([&] { frm.txtChartPath.SetCaption("x"); }), kErrNotSupported);
  EXPECT_EQ(ErrorNumber([&] { frm.lblStep1.SetTabStop(false); }), kErrNotSupported);
  EXPECT_EQ(ErrorNumber([&] { frm.barProgress.SetValue(100.5); }), kErrInvalidValue);
  EXPECT_EQ(ErrorNumber([&] { frm.chkNull.SetValue(std::int32_t{3}); }), kErrInvalidValue);
  EXPECT_EQ(ErrorNumber([&] { frm.dtpDateFrom.SetValue(std::string("32.13.2005")); }),
            kErrInvalidValue);
  EXPECT_EQ(ErrorNumber([&] { frm.dtpDateFrom.SetValue(3.5); }), host::kErrTypeMismatch);
  EXPECT_EQ(ErrorNumber([&] { frm.imcColor.SetImageList("imlFehlt"); }), kErrNoSuchControl);
  frm.cmdNext.SetEnabled(false);
  EXPECT_EQ(ErrorNumber([&] { frm.cmdNext.SetFocus(); }), kErrInvalidCall);
  frm.imcColor.AddItem(ListItem{"Rot", "c01", "c01"});
  EXPECT_EQ(ErrorNumber([&] {
              frm.imcColor.AddItem(ListItem{"Rot", "c01", "c01"});
            }),
            kErrKeyNotUnique);

  // In skip-and-continue mode the failing step is passed over and the next one runs.
  host::Resume r;
  r([&] { frm.Item("lblGibtEsNicht").SetCaption("x"); });
  r([&] { frm.lblProgress.SetCaption("weiter"); });
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(r.Failures().at(0).number, kErrNoSuchControl);
  EXPECT_EQ(frm.lblProgress.Caption(), "weiter");
}

TEST(FormModelTest, ValuesOfCheckBoxesBarsAndDatePickers) {
  frmKorvalinx frm;
  frm.chkGroup.SetValue(true);
  EXPECT_EQ(frm.chkGroup.CheckValue(), kChecked);
  frm.chkGroup.SetValue(std::int32_t{kGrayed});
  EXPECT_EQ(frm.chkGroup.CheckValue(), kGrayed);
  frm.barProgress.SetValue(std::int32_t{100});
  EXPECT_DOUBLE_EQ(frm.barProgress.BarValue(), 100.0);
  frm.dtpDateFrom.SetValue(std::string("31.12.2005"));
  EXPECT_EQ(frm.dtpDateFrom.DateValue(), DateSerial(2005, 12, 31));
  frm.dtpDateTo.SetValue(DateSerial(2006, 1, 15));
  EXPECT_EQ(std::get<Date>(frm.dtpDateTo.Value()), DateSerial(2006, 1, 15));
}

TEST(FormModelTest, ControlOrderNamesAndContainers) {
  frmKorvalinx frm;
  ASSERT_FALSE(frm.Controls().empty());
  EXPECT_EQ(frm.Controls().front()->Name(), "cmdInfo");
  EXPECT_EQ(frm.Controls().front(), &frm.cmdInfo);

  for (const char* name : {"cmdInfo",     "cmdCancel",   "cmdBack",         "cmdNext",
                           "cmdFinish",   "imgTop",      "fraSeparatorTop", "fraSeparatorBottom",
                           "fraStep1",    "fraStep7",    "lblStep1",        "lblStep7",
                           "lblStep101",  "lblStep204",  "lblStep302",      "lblStep403",
                           "lblStep503",  "lblStep603",  "lblStep702",      "txtChartPath",
                           "cmdSave",     "optPlan(0)",  "optPlan(1)",      "optCalendar(1)",
                           "cboCalendar", "optDate(2)",  "cboYear",         "dtpDateFrom",
                           "dtpDateTo",   "lblDateFrom", "lblDateTo",       "optResources(1)",
                           "lblFilter",   "cboFilter",   "optColor(1)",     "imcColor",
                           "chkGroup",    "chkNull",     "cmdSetDefaults",  "lblProgress",
                           "barProgress", "imlKorvalinx"}) {
    EXPECT_NE(frm.Find(name), nullptr) << name;
  }
  EXPECT_EQ(frm.Find("optPlan"), nullptr);  // the array itself is no control
  EXPECT_EQ(&frm.Item("optPlan(1)"), &frm.optPlan[1]);
  EXPECT_EQ(&frm.Array("optDate"), &frm.optDate);
  EXPECT_EQ(frm.optPlan[1].ArrayName(), "optPlan");
  EXPECT_EQ(frm.optPlan[1].Index(), 1);
  EXPECT_EQ(frm.cmdNext.Index(), -1);

  EXPECT_EQ(frm.lblStep3.Container(), &frm.fraStep3);
  EXPECT_EQ(frm.optCalendar[1].Container(), &frm.fraStep2);
  EXPECT_EQ(frm.dtpDateTo.Container(), &frm.fraStep3);
  EXPECT_EQ(frm.imcColor.Container(), &frm.fraStep5);
  EXPECT_EQ(frm.cmdSetDefaults.Container(), &frm.fraStep7);
  EXPECT_EQ(frm.cmdNext.Container(), nullptr);
  EXPECT_EQ(frm.barProgress.Container(), nullptr);
  std::vector<std::string> step4;
  for (Control* c : frm.ControlsIn(frm.fraStep4)) step4.push_back(c->Name());
  EXPECT_EQ(step4, (std::vector<std::string>{"lblStep4", "lblStep401", "lblStep402", "lblStep403",
                                             "optResources(0)", "optResources(1)", "lblFilter",
                                             "cboFilter"}));
  for (int step = 1; step <= kStepCount; ++step) {
    EXPECT_EQ(frm.StepFrame(step).Name(), "fraStep" + std::to_string(step));
    EXPECT_EQ(frm.ControlsIn(frm.StepFrame(step)).front()->Caption(),
              "Schritt " + std::to_string(step) + " von 7");
  }
  EXPECT_EQ(ErrorNumber([&] { frm.StepFrame(8); }), kErrNoSuchArrayElement);
}

TEST(FormModelTest, CaptionsTooltipsAndGeometry) {
  frmKorvalinx frm;
  EXPECT_EQ(frm.Caption(), "Korvalinx Assistent");
  EXPECT_EQ(frm.Width(), 11100);
  EXPECT_EQ(frm.Height(), 7680);

  struct Button {
    Control& c;
    const char* caption;
    int left;
    int width;
    const char* toolTip;
  };
  for (const Button& b : {
           Button{frm.cmdCancel, "Abbrechen", 5640, 1200,
                  "Klicken Sie hier, um den Assistent zu verlassen, ohne ein Diagramm zu "
                  "erstellen."},
           Button{frm.cmdBack, "< Zurück", 6960, 1215,
                  "Klicken Sie hier, um zum vorigen Schritt zu gelangen."},
           Button{frm.cmdNext, "Weiter >", 8175, 1200,
                  "Klicken Sie hier, um zum nächsten Schritt zu gelangen."},
           Button{frm.cmdFinish, "Ende", 9600, 1200,
                  "Klicken Sie hier, um das Diagramm mit den gewählten Einstellungen zu "
                  "erstellen."},
           Button{frm.cmdInfo, "", 360, 360, "Klicken Sie hier, um den Infodialog aufzurufen."},
       }) {
    EXPECT_EQ(b.c.Caption(), b.caption);
    EXPECT_EQ(b.c.Left(), b.left);
    EXPECT_EQ(b.c.Width(), b.width);
    EXPECT_EQ(b.c.Top(), 6720);
    EXPECT_EQ(b.c.Height(), 375);
    EXPECT_EQ(b.c.ToolTip(), b.toolTip);
  }

  EXPECT_EQ(frm.lblStep301.Caption(),
            "Für welchen Zeitraum soll das Ressourcen- diagramm erstellt werden?");
  EXPECT_EQ(frm.lblStep603.Caption(),
            "Deaktivieren Sie die Option \"Nullwerte verwenden\", wenn Sie Ressourcen ohne "
            "Zeitplanwerte nicht ins Diagramm übernehmen wollen.");
  EXPECT_EQ(frm.lblStep101.Caption(),
            "Herzlich Willkommen beim Assistenten zur Erstellung von Ressourcendiagrammen für "
            "Projekte.");
  EXPECT_EQ(frm.optCalendar[1].Caption(), "spezieller Kalender");
  EXPECT_EQ(frm.optCalendar[1].ToolTip(),
            "Wählen Sie diese Option, um Abweichungen von einem speziellen Kalender als Urlaub zu "
            "interpretieren.");
  EXPECT_EQ(frm.optDate[2].Caption(), "Zeitraum");
  EXPECT_EQ(frm.optResources[1].Caption(), "Gefilterte Ressourcen");
  EXPECT_EQ(frm.optColor[0].ToolTip(),
            "Wählen Sie diese Option, um alle Balken des Ressourcendiagramms in der selben Farbe "
            "zu erstellen.");
  EXPECT_EQ(frm.chkGroup.Caption(), "Ressourcengruppen zusammenfassen");
  EXPECT_EQ(frm.chkNull.Caption(), "Nullwerte verwenden");
  EXPECT_EQ(frm.cmdSave.Caption(), "Speichern...");
  EXPECT_EQ(frm.cmdSetDefaults.Caption(), "Als Standard festlegen");
  EXPECT_EQ(frm.lblDateFrom.Caption(), "von");
  EXPECT_EQ(frm.lblDateTo.Caption(), "bis");
  EXPECT_EQ(frm.lblFilter.Caption(), "Filter");
  EXPECT_EQ(frm.cboYear.ToolTip(), "Wählen Sie hier das Jahr aus.");
  EXPECT_EQ(frm.imcColor.ToolTip(), "Wählen Sie hier die Balkenfarbe aus.");

  // Step 1 stands in place, the other steps and the progress controls wait off the form.
  EXPECT_EQ(frm.fraStep1.Left(), kStepLeft);
  EXPECT_EQ(frm.fraStep1.Top(), kStepTop);
  for (int step = 2; step <= kStepCount; ++step) EXPECT_EQ(frm.StepFrame(step).Left(), kOffForm);
  EXPECT_EQ(frm.lblProgress.Left(), kOffForm);
  EXPECT_EQ(frm.barProgress.Left(), kOffForm);
}

TEST(FormModelTest, TabIndexesStayAGaplessOrder) {
  frmKorvalinx frm;
  const int count = static_cast<int>(frm.TabOrder().size());
  // The wizard's step 2 order, set from 0 up as the logic does it.
  std::vector<Control*> wanted = {&frm.cmdNext,     &frm.cmdFinish,      &frm.optPlan[0],
                                  &frm.optPlan[1],  &frm.optCalendar[0], &frm.optCalendar[1],
                                  &frm.cboCalendar, &frm.cmdCancel,      &frm.cmdBack};
  for (std::size_t i = 0; i < wanted.size(); ++i) wanted[i]->SetTabIndex(static_cast<int>(i));
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    EXPECT_EQ(frm.TabOrder()[i], wanted[i]);
    EXPECT_EQ(wanted[i]->TabIndex(), static_cast<int>(i));
  }
  std::vector<bool> used(static_cast<std::size_t>(count), false);
  for (Control* c : frm.TabOrder()) used[static_cast<std::size_t>(c->TabIndex())] = true;
  EXPECT_EQ(std::count(used.begin(), used.end(), true), count);
  frm.cmdInfo.SetTabIndex(100000);  // beyond the end: last
  EXPECT_EQ(frm.cmdInfo.TabIndex(), count - 1);
  EXPECT_EQ(frm.imgTop.Supports(Property::TabIndex), false);
}

TEST(FormModelTest, FocusFollowsSetFocusAndLeavesDisabledControls) {
  frmKorvalinx frm;
  frm.cmdNext.SetFocus();
  EXPECT_TRUE(frm.cmdNext.HasFocus());
  EXPECT_EQ(frm.ActiveControl(), &frm.cmdNext);
  frm.cmdNext.SetEnabled(false);
  EXPECT_EQ(frm.ActiveControl(), nullptr);
}

TEST(FormModelTest, TextSelectionStaysInsideTheText) {
  frmKorvalinx frm;
  frm.txtChartPath.SetText("/tmp/plan.mpp");
  frm.txtChartPath.SetSelStart(5);
  frm.txtChartPath.SetSelLength(100);
  EXPECT_EQ(frm.txtChartPath.SelLength(), 8);
  frm.txtChartPath.SetSelStart(0);
  frm.txtChartPath.SetSelLength(0);
  EXPECT_EQ(frm.txtChartPath.SelStart(), 0);
  EXPECT_EQ(frm.txtChartPath.SelLength(), 0);
  EXPECT_EQ(ErrorNumber([&] { frm.txtChartPath.SetSelStart(14); }), kErrInvalidValue);
}

TEST(FormModelTest, UnloadRunsHandlersAndRestoresTheBuiltState) {
  frmKorvalinx frm;
  int loads = 0;
  int unloads = 0;
  int clicks = 0;
  frm.onLoad = [&](Form&) { ++loads; };
  frm.onUnload = [&](Form&) { ++unloads; };
  frm.cmdFinish.onClick = [&](Control&) { ++clicks; };
  EXPECT_FALSE(frm.Loaded());
  frm.Show();
  frm.Show();
  EXPECT_TRUE(frm.Loaded());
  EXPECT_TRUE(frm.Visible());
  EXPECT_EQ(loads, 1);

  frm.cmdFinish.SetCaption("Fertig");
  frm.cmdFinish.SetTag("Exit");
  frm.cmdFinish.SetTabIndex(0);
  frm.cboYear.AddItem("2005");
  frm.optPlan[1].SetValue(true);
  frm.imcColor.SetImageList("imlKorvalinx");
  Recorder rec(frm);
  frm.Unload();
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(frm.Loaded());
  EXPECT_FALSE(frm.Visible());
  EXPECT_EQ(frm.cmdFinish.Caption(), "Ende");
  EXPECT_EQ(frm.cmdFinish.Tag(), "");
  EXPECT_EQ(frm.cmdFinish.TabIndex(), 4);
  EXPECT_EQ(frm.cboYear.ListCount(), 0);
  EXPECT_FALSE(frm.optPlan[1].IsOn());
  EXPECT_EQ(frm.imcColor.ImageList(), "");
  EXPECT_EQ(frm.imlKorvalinx.Images().size(), 17u);  // built in, so it stays
  EXPECT_NE(std::find(rec.seen.begin(), rec.seen.end(), "cmdFinish.Caption"), rec.seen.end());
  EXPECT_NE(std::find(rec.seen.begin(), rec.seen.end(), "form.Visible"), rec.seen.end());
  frm.cmdFinish.Click();
  EXPECT_EQ(clicks, 1);  // handlers stay connected
  frm.Load();
  EXPECT_EQ(loads, 2);
}

TEST(BarColorsTest, TableOrderKeysAndCodes) {
  const auto& colors = BarColors();
  EXPECT_EQ(colors[0].position, 1);
  EXPECT_STREQ(colors[0].key, "c16");
  EXPECT_STREQ(colors[0].text, "Automatisch");
  EXPECT_EQ(colors[0].hostColor, 16);
  EXPECT_STREQ(colors[16].key, "c15");
  EXPECT_STREQ(colors[16].text, "Silber");
  EXPECT_EQ(colors[16].hostColor, 15);
  for (std::size_t i = 0; i < colors.size(); ++i) {
    EXPECT_EQ(colors[i].position, static_cast<int>(i) + 1);
    EXPECT_EQ(std::stoi(std::string(colors[i].key + 1)), colors[i].hostColor);
  }
  ASSERT_NE(FindBarColor("c07"), nullptr);
  EXPECT_STREQ(FindBarColor("c07")->text, "Weiß");
  EXPECT_EQ(FindBarColor("c17"), nullptr);
}

TEST(BarColorsTest, SwatchPixels) {
  constexpr Rgb kBackground{255, 0, 128};
  constexpr Rgb kBlack{0, 0, 0};
  const std::vector<Swatch> swatches = DrawSwatches();
  ASSERT_EQ(swatches.size(), 17u);
  EXPECT_EQ(swatches.front().key, "c00");
  EXPECT_EQ(swatches.front().tag, "black");
  EXPECT_EQ(swatches.back().key, "c16");
  EXPECT_EQ(swatches.back().tag, "auto");
  EXPECT_EQ(swatches[8].tag, "maroon");

  const Image red = DrawSwatch(*FindBarColor("c01"));
  ASSERT_EQ(red.width, 16);
  ASSERT_EQ(red.height, 16);
  EXPECT_EQ(red.rgb.size(), 16u * 16u * 3u);
  for (int i = 0; i < 16; ++i) {
    for (int edge : {0, 1, 14, 15}) {
      EXPECT_EQ(red.Pixel(i, edge), kBackground);
      EXPECT_EQ(red.Pixel(edge, i), kBackground);
    }
  }
  for (int i = 2; i <= 13; ++i) {
    EXPECT_EQ(red.Pixel(i, 2), kBlack);
    EXPECT_EQ(red.Pixel(i, 13), kBlack);
    EXPECT_EQ(red.Pixel(2, i), kBlack);
    EXPECT_EQ(red.Pixel(13, i), kBlack);
  }
  for (int y = 3; y <= 12; ++y) {
    for (int x = 3; x <= 12; ++x) EXPECT_EQ(red.Pixel(x, y), (Rgb{255, 0, 0}));
  }

  for (const char* key : {"c00", "c16"}) {
    const Image black = DrawSwatch(*FindBarColor(key));
    for (int y = 2; y <= 13; ++y) {
      for (int x = 2; x <= 13; ++x) EXPECT_EQ(black.Pixel(x, y), kBlack) << key;
    }
    EXPECT_EQ(black.Pixel(1, 1), kBackground);
  }
  // Position 1 is "Automatisch" with a black square, position 17 "Silber".
  EXPECT_EQ(DrawSwatch(BarColors()[0]).Pixel(7, 7), kBlack);
  EXPECT_EQ(DrawSwatch(BarColors()[16]).Pixel(7, 7), (Rgb{192, 192, 192}));
  EXPECT_EQ(DrawSwatch(BarColors()[16]).Pixel(2, 7), kBlack);
}

TEST(BarColorsTest, FormImageListHoldsTheSwatches) {
  frmKorvalinx frm;
  const auto& images = frm.imlKorvalinx.Images();
  ASSERT_EQ(images.size(), 17u);
  EXPECT_EQ(frm.imlKorvalinx.FindImage("c09").tag, "green");
  EXPECT_EQ(frm.imlKorvalinx.FindImage("c09").picture.Pixel(5, 5), (Rgb{0, 128, 0}));
  EXPECT_EQ(ErrorNumber([&] { frm.imlKorvalinx.FindImage("c17"); }), kErrInvalidIndex);

  // The list preparation's use: image list, seventeen items, selection by position.
  frm.imcColor.SetImageList("imlKorvalinx");
  for (const auto& c : BarColors()) frm.imcColor.AddItem(ListItem{c.text, c.key, c.key});
  frm.imcColor.SetListIndex(16);
  EXPECT_EQ(frm.imcColor.SelectedItem().text, "Silber");
  EXPECT_EQ(frm.imcColor.Text(), "Silber");
  EXPECT_EQ(frm.imcColor.FindKey("c16"), 0);
}

TEST(FormModelTest, UnderlineAndPointerMovesReachOnlyWhatCanTakeThem) {
  frmInfo frm;
  frm.Load();
  Recorder recorder(frm);
  frm.lblWeb.SetFontUnderline(true);
  frm.lblWeb.SetFontUnderline(true);  // no change, no notification
  EXPECT_EQ(recorder.seen, std::vector<std::string>{"lblWeb.FontUnderline"});
  EXPECT_EQ(ErrorNumber([&] { frm.imgLogo.SetFontUnderline(true); }), kErrNotSupported);

  int overLink = 0;
  int overForm = 0;
  frm.lblWeb.onMouseMove = [&](Control&) { ++overLink; };
  frm.onMouseMove = [&](Form&) { ++overForm; };
  EXPECT_TRUE(frm.lblWeb.MouseMove());
  frm.MouseMove();
  frm.lblWeb.SetEnabled(false);
  EXPECT_FALSE(frm.lblWeb.MouseMove());
  EXPECT_EQ(overLink, 1);
  EXPECT_EQ(overForm, 1);

  // Unloading restores the plain link; an unloaded form hears no pointer.
  frm.Unload();
  EXPECT_FALSE(frm.lblWeb.FontUnderline());
  EXPECT_TRUE(frm.lblWeb.Enabled());
  frm.MouseMove();
  EXPECT_EQ(overForm, 1);
  EXPECT_EQ(frm.imgLogo.Tag(), kMakerPage);
}

}  // namespace
}  // namespace kx::forms
