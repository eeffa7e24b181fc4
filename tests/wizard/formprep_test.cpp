#include <gtest/gtest.h>

#include "forms/bar_colors.hpp"
#include "wizard/wizard_fixture.hpp"

namespace kx::wizard::testing {
namespace {

// An engine over the source project that fills a plain wizard form (no handlers connected).
class FormprepTest : public WizardTest {
 protected:
  chart::clsKorvalinx& Engine() {
    host->AddProject(source);
    engine = std::make_unique<chart::clsKorvalinx>(chart::EngineContext{
        host.get(), &form, &boxes, &clock, &registry, [] { return DateSerial(2024, 6, 1); }, nullptr});
    engine->GetSettings();
    engine->GetResourceData();
    return *engine;
  }
  frmKorvalinx form;
  std::unique_ptr<chart::clsKorvalinx> engine;
};

TEST_F(FormprepTest, ListsAndDefaultsFromAnEmptyStore) {
  auto& e = Engine();
  form.Load();
  EXPECT_EQ(e.Formprep(), 0);

  EXPECT_EQ(form.cboCalendar.Items().size(), 2u);
  EXPECT_EQ(form.cboCalendar.Item(0).text, "Standard");
  EXPECT_EQ(form.cboCalendar.Item(1).text, "Betriebskalender");
  EXPECT_EQ(form.cboCalendar.Text(), "Standard");

  ASSERT_EQ(form.cboYear.ListCount(), 66);
  EXPECT_EQ(form.cboYear.Item(0).text, "1984");
  EXPECT_EQ(form.cboYear.Item(65).text, "2049");
  EXPECT_EQ(form.cboYear.Text(), "2024");

  std::vector<std::string> filters;
  for (const auto& item : form.cboFilter.Items()) filters.push_back(item.text);
  EXPECT_EQ(filters,
            (std::vector<std::string>{"Alle Ressourcen", "Arbeitsressourcen", "Materialressourcen",
                                      "Kostenressourcen", "Gruppe Bau", "Niemand"}));
  EXPECT_EQ(form.cboFilter.Text(), "Alle Ressourcen");

  EXPECT_TRUE(form.optPlan[0].IsOn());
  EXPECT_TRUE(form.optCalendar[0].IsOn());
  EXPECT_TRUE(form.optDate[0].IsOn());
  EXPECT_TRUE(form.optResources[0].IsOn());
  EXPECT_TRUE(form.optColor[0].IsOn());
  EXPECT_EQ(form.chkGroup.CheckValue(), kUnchecked);
  EXPECT_EQ(form.dtpDateFrom.DateValue(), source->start);
  EXPECT_EQ(form.dtpDateTo.DateValue(), source->finish);

  // The colours: seventeen items in the table's order, "Automatisch" selected.
  EXPECT_EQ(form.imcColor.ImageList(), "imlKorvalinx");
  ASSERT_EQ(form.imcColor.ListCount(), 17);
  for (int i = 0; i < 17; ++i) {
    const BarColor& colour = BarColors()[static_cast<std::size_t>(i)];
    EXPECT_EQ(form.imcColor.Item(i), (ListItem{colour.text, colour.key, colour.key}));
  }
  EXPECT_EQ(form.imcColor.SelectedItem().text, "Automatisch");
}

TEST_F(FormprepTest, SwatchPicturesComeFromTheImageList) {
  auto& e = Engine();
  e.Formprep();
  const Control& list = form.Item(form.imcColor.ImageList());
  const auto picture = [&](int position) {
    return list.FindImage(form.imcColor.Item(position - 1).imageKey).picture;
  };
  const Rgb background{255, 0, 128};
  const Rgb black{0, 0, 0};
  const Image red = picture(3);  // "Rot"
  ASSERT_EQ(red.width, 16);
  ASSERT_EQ(red.height, 16);
  EXPECT_EQ(red.Pixel(0, 0), background);
  EXPECT_EQ(red.Pixel(1, 7), background);
  EXPECT_EQ(red.Pixel(14, 7), background);
  EXPECT_EQ(red.Pixel(2, 2), black);
  EXPECT_EQ(red.Pixel(13, 13), black);
  EXPECT_EQ(red.Pixel(3, 3), (Rgb{255, 0, 0}));
  EXPECT_EQ(red.Pixel(12, 12), (Rgb{255, 0, 0}));
  EXPECT_EQ(picture(17).Pixel(7, 7), (Rgb{192, 192, 192}));  // "Silber"
  EXPECT_EQ(picture(9).Pixel(7, 7), (Rgb{255, 255, 255}));   // "Weiß"
  EXPECT_EQ(picture(1).Pixel(7, 7), black);                  // "Automatisch"
  EXPECT_EQ(picture(1).Pixel(15, 15), background);
  EXPECT_EQ(list.FindImage("c16").tag, "auto");
}

TEST_F(FormprepTest, StoredSettingsSelectTheirControls) {
  auto& e = Engine();
  e.lngColor = 17;
  e.lngPlanType = 1;
  e.lngCalendarType = 1;
  e.strCalendar = "Betriebskalender";
  e.lngPlanDuration = 2;
  e.lngPlanDurationYear = 1984;
  e.varPlanDurationStart = std::string("01.02.2024");
  e.varPlanDurationFinish = std::string("29.02.2024");
  e.lngResourceType = 1;
  e.strResourceFilter = "Gruppe Bau";
  e.lngColorType = 1;
  e.blnGroupResources = true;
  e.blnUseNullValues = true;
  EXPECT_EQ(e.Formprep(), 0);
  EXPECT_EQ(form.imcColor.SelectedItem().text, "Silber");
  EXPECT_TRUE(form.optPlan[1].IsOn());
  EXPECT_TRUE(form.optCalendar[1].IsOn());
  EXPECT_EQ(form.cboCalendar.Text(), "Betriebskalender");
  EXPECT_TRUE(form.optDate[2].IsOn());
  EXPECT_EQ(form.cboYear.Text(), "1984");
  EXPECT_EQ(form.cboYear.ListIndex(), 0);
  EXPECT_EQ(form.dtpDateFrom.DateValue(), DateSerial(2024, 2, 1));
  EXPECT_EQ(form.dtpDateTo.DateValue(), DateSerial(2024, 2, 29));
  EXPECT_TRUE(form.optResources[0].IsOn());
  EXPECT_EQ(form.cboFilter.Text(), "Gruppe Bau");
  EXPECT_TRUE(form.optColor[1].IsOn());
  EXPECT_EQ(form.chkGroup.CheckValue(), kChecked);
  EXPECT_EQ(form.chkNull.CheckValue(), kChecked);

  e.lngColor = 1;
  EXPECT_EQ(e.Formprep(), 0);
  EXPECT_EQ(form.imcColor.SelectedItem().text, "Automatisch");
  EXPECT_EQ(form.imcColor.ListCount(), 17);
}

TEST_F(FormprepTest, FailingStepsAreSkippedAndReported) {
  source->calendars.push_back(Calendar("Standard", 90));  // a second calendar of that name
  source->definitions.filters.clear();
  auto& e = Engine();
  // The host lists its built-in filters only when the project defines them.
  source->definitions.filters.clear();
  e.lngColor = 18;
  e.lngPlanDuration = 3;
  EXPECT_EQ(e.Formprep(), -1);
  EXPECT_EQ(form.cboCalendar.ListCount(), 2);
  EXPECT_EQ(form.imcColor.ListCount(), 17);
  EXPECT_EQ(form.imcColor.ListIndex(), -1);
  EXPECT_EQ(form.cboFilter.ListCount(), 0);
  EXPECT_EQ(form.cboFilter.Text(), "Alle Ressourcen");
  // The steps after the failures still ran.
  EXPECT_EQ(form.cboYear.ListCount(), 66);
  EXPECT_TRUE(form.optColor[0].IsOn());

  e.lngColor = 0;
  EXPECT_EQ(e.Formprep(), -1);
  EXPECT_EQ(form.imcColor.ListIndex(), -1);

  // Without a form there is nothing to fill.
  chart::clsKorvalinx formless(
      chart::EngineContext{host.get(), nullptr, &boxes, &clock, &registry, nullptr, nullptr});
  EXPECT_EQ(formless.Formprep(), -1);
}

}  // namespace
}  // namespace kx::wizard::testing
