#include "forms/frm_korvalinx.hpp"

#include <string>

#include "forms/bar_colors.hpp"
#include "support/product.hpp"

namespace kx::forms {

namespace {

using K = ControlKind;

constexpr int kButtonTop = 6720;
constexpr int kButtonHeight = 375;
constexpr int kFrameWidth = 10380;
constexpr int kFrameHeight = 4440;
constexpr int kLine = 240;  // one line of label text
constexpr int kOptionHeight = 300;
constexpr int kListHeight = 315;

Geometry Text(int top, int lines) {
  return {0, top, kFrameWidth, lines * kLine};
}

}  // namespace

frmKorvalinx::frmKorvalinx()
    : Form("frmKorvalinx", kWizardCaption, kFormWidth, kFormHeight),
      cmdInfo(Add({K::Button,
                   "cmdInfo",
                   nullptr,
                   {360, kButtonTop, 360, kButtonHeight},
                   "",
                   "Klicken Sie hier, um den Infodialog aufzurufen."})),
      cmdCancel(Add({K::Button,
                     "cmdCancel",
                     nullptr,
                     {5640, kButtonTop, 1200, kButtonHeight},
                     "Abbrechen",
                     "Klicken Sie hier, um den Assistent zu verlassen, ohne ein Diagramm zu "
                     "erstellen."})),
      cmdBack(Add({K::Button,
                   "cmdBack",
                   nullptr,
                   {6960, kButtonTop, 1215, kButtonHeight},
                   "< Zurück",
                   "Klicken Sie hier, um zum vorigen Schritt zu gelangen."})),
      cmdNext(Add({K::Button,
                   "cmdNext",
                   nullptr,
                   {8175, kButtonTop, 1200, kButtonHeight},
                   "Weiter >",
                   "Klicken Sie hier, um zum nächsten Schritt zu gelangen."})),
      cmdFinish(Add({K::Button,
                     "cmdFinish",
                     nullptr,
                     {kFinishLeft, kButtonTop, 1200, kButtonHeight},
                     "Ende",
                     "Klicken Sie hier, um das Diagramm mit den gewählten Einstellungen zu "
                     "erstellen."})),
      imgTop(Add({K::Image, "imgTop", nullptr, {0, 0, kFormWidth, 1680}, "", ""})),
      fraSeparatorTop(
          Add({K::Frame, "fraSeparatorTop", nullptr, {0, 1680, kFormWidth, 30}, "", ""})),
      fraSeparatorBottom(
          Add({K::Frame, "fraSeparatorBottom", nullptr, {0, 6480, kFormWidth, 30}, "", ""})),

      fraStep1(AddFrame(1)),
      lblStep1(AddLabel("lblStep1", fraStep1, Text(0, 1), "Schritt 1 von 7")),
      lblStep101(AddLabel("lblStep101", fraStep1, Text(480, 2),
                          "Herzlich Willkommen beim Assistenten zur Erstellung von "
                          "Ressourcendiagrammen für Projekte.")),
      lblStep102(AddLabel("lblStep102", fraStep1, Text(1080, 2),
                          "Dieser Assistent hilft Ihnen beim Erstellen von Ressourcendiagrammen "
                          "sowie beim Formatieren der einzelnen Elemente des Diagramms.")),
      lblStep103(AddLabel("lblStep103", fraStep1, Text(1680, 2),
                          "Klicken Sie auf die Schaltfläche Speichern, um den Speicherort für das "
                          "zu erstellende Ressourcendiagramm festzulegen.")),
      txtChartPath(
          Add({K::TextBox, "txtChartPath", &fraStep1, {0, 2400, 8760, kListHeight}, "", ""})),
      cmdSave(Add({K::Button,
                   "cmdSave",
                   &fraStep1,
                   {8880, 2370, 1500, kButtonHeight},
                   "Speichern...",
                   "Klicken Sie hier, um den Speicherort des Ressourcendiagramms festzulegen."})),

      fraStep2(AddFrame(2)),
      lblStep2(AddLabel("lblStep2", fraStep2, Text(0, 1), "Schritt 2 von 7")),
      lblStep201(AddLabel("lblStep201", fraStep2, Text(480, 1),
                          "Der Assistent kann Ressourcenzeitpläne oder Urlaubspläne erstellen.")),
      lblStep202(AddLabel("lblStep202", fraStep2, Text(840, 2),
                          "Ein Ressourcenzeitplan stellt die Arbeitszeit der am Projekt "
                          "beteiligten Ressourcen als Balkendiagramm grafisch dar.")),
      lblStep203(AddLabel("lblStep203", fraStep2, Text(1440, 2),
                          "Ein Urlaubsplan stellt die in den Kalendern der Ressourcen hinterlegte "
                          "arbeitsfreie Zeit als Balkendiagramm grafisch dar.")),
      lblStep204(AddLabel("lblStep204", fraStep2, Text(2040, 2),
                          "Legen Sie für die Option Urlaubsplan fest, ob die Abweichungen zum "
                          "jeweiligen Ressourcenbasiskalender oder zu einem speziellen Kalender "
                          "als Urlaub interpretiert werden sollen.")),
      optPlan(
          AddOptions("optPlan", fraStep2,
                     {{"Ressourcenzeitplan",
                       "Wählen Sie diese Option, um einen Ressourcenzeitplan zu erstellen.",
                       {240, 2760, 4000, kOptionHeight}},
                      {"Urlaubsplan",
                       "Wählen Sie diese Option, um einen Urlaubsplan für Ressourcen zu erstellen.",
                       {240, 3120, 4000, kOptionHeight}}})),
      optCalendar(AddOptions(
          "optCalendar", fraStep2,
          {{"Ressourcenbasiskalender",
            "Wählen Sie diese Option, um Abweichungen vom Ressourcenbasiskalender als Urlaub zu "
            "interpretieren.",
            {4800, 2760, 3600, kOptionHeight}},
           {"spezieller Kalender",
            "Wählen Sie diese Option, um Abweichungen von einem speziellen Kalender als Urlaub zu "
            "interpretieren.",
            {4800, 3120, 3600, kOptionHeight}}})),
      cboCalendar(Add({K::ComboBox,
                       "cboCalendar",
                       &fraStep2,
                       {5040, 3480, 3600, kListHeight},
                       "",
                       "Wählen Sie hier den speziellen Kalender aus."})),

      fraStep3(AddFrame(3)),
      lblStep3(AddLabel("lblStep3", fraStep3, Text(0, 1), "Schritt 3 von 7")),
      lblStep301(AddLabel("lblStep301", fraStep3, Text(480, 2),
                          "Für welchen Zeitraum soll das Ressourcen- diagramm erstellt werden?")),
      lblStep302(AddLabel("lblStep302", fraStep3, Text(1080, 2),
                          "Der Assistent kann Diagramme für die Dauer des Projekts, für ein Jahr "
                          "oder für einen frei wählbaren Datumsbereich erstellen.")),
      optDate(AddOptions(
          "optDate", fraStep3,
          {{"Projektdauer",
            "Wählen Sie diese Option, um das Ressourcendiagramm für die gesamte Projektdauer zu "
            "erstellen.",
            {240, 1800, 3000, kOptionHeight}},
           {"Jahr",
            "Wählen Sie diese Option, um das Ressourcendiagramm für ein ausgewähltes Jahr zu "
            "erstellen.",
            {240, 2160, 3000, kOptionHeight}},
           {"Zeitraum",
            "Wählen Sie diese Option, um das Ressourcendiagramm für einen frei wählbaren Zeitraum "
            "zu erstellen.",
            {240, 2520, 3000, kOptionHeight}}})),
      cboYear(Add({K::ComboBox,
                   "cboYear",
                   &fraStep3,
                   {3360, 2160, 1500, kListHeight},
                   "",
                   "Wählen Sie hier das Jahr aus."})),
      lblDateFrom(AddLabel("lblDateFrom", fraStep3, {3360, 2560, 480, 255}, "von")),
      dtpDateFrom(Add({K::DatePicker,
                       "dtpDateFrom",
                       &fraStep3,
                       {3840, 2520, 1800, kListHeight},
                       "",
                       "Wählen Sie hier das Anfangsdatum für das Diagramm aus."})),
      lblDateTo(AddLabel("lblDateTo", fraStep3, {5880, 2560, 480, 255}, "bis")),
      dtpDateTo(Add({K::DatePicker,
                     "dtpDateTo",
                     &fraStep3,
                     {6360, 2520, 1800, kListHeight},
                     "",
                     "Wählen Sie hier das Enddatum für das Diagramm aus."})),

      fraStep4(AddFrame(4)),
      lblStep4(AddLabel("lblStep4", fraStep4, Text(0, 1), "Schritt 4 von 7")),
      lblStep401(AddLabel("lblStep401", fraStep4, Text(480, 1),
                          "Der Assistent kann Diagramme für alle oder für ausgewählte Ressourcen "
                          "erstellen.")),
      lblStep402(AddLabel("lblStep402", fraStep4, Text(840, 2),
                          "Wenn der Assistent nur ausgewählte Ressourcen berücksichtigen soll, "
                          "können Sie hier einen Ressourcenfilter setzen.")),
      lblStep403(AddLabel("lblStep403", fraStep4, Text(1440, 2),
                          "Sollte der gewünschte Filter nicht verfügbar sein, können Sie im "
                          "aktuellen Projekt einen entsprechenden Filter erstellen.")),
      optResources(AddOptions(
          "optResources", fraStep4,
          {{kAllResourcesFilter,
            "Wählen Sie diese Option, um das Ressourcendiagramm für alle Ressourcen zu erstellen.",
            {240, 2160, 4000, kOptionHeight}},
           {"Gefilterte Ressourcen",
            "Wählen Sie diese Option, um das Ressourcendiagramm für gefilterte Ressourcen zu "
            "erstellen.",
            {240, 2520, 4000, kOptionHeight}}})),
      lblFilter(AddLabel("lblFilter", fraStep4, {480, 2940, 720, 255}, "Filter")),
      cboFilter(Add({K::ComboBox,
                     "cboFilter",
                     &fraStep4,
                     {1320, 2900, 4800, kListHeight},
                     "",
                     "Wählen Sie hier den Ressourcenfilter aus."})),

      fraStep5(AddFrame(5)),
      lblStep5(AddLabel("lblStep5", fraStep5, Text(0, 1), "Schritt 5 von 7")),
      lblStep501(AddLabel("lblStep501", fraStep5, Text(480, 1),
                          "Der Assistent kann die Diagrammbalken einfarbig oder mit "
                          "unterschiedlichen Farben versehen.")),
      lblStep502(AddLabel("lblStep502", fraStep5, Text(840, 1),
                          "Wählen Sie für die Option einfarbig die gewünschte Farbe aus.")),
      lblStep503(AddLabel("lblStep503", fraStep5, Text(1200, 2),
                          "Für die Option mehrfarbig weist der Assistent automatisch "
                          "unterschiedliche Farben zu.")),
      optColor(AddOptions(
          "optColor", fraStep5,
          {{"einfarbig",
            "Wählen Sie diese Option, um alle Balken des Ressourcendiagramms in der selben Farbe "
            "zu erstellen.",
            {240, 1920, 3000, kOptionHeight}},
           {"mehrfarbig",
            "Wählen Sie diese Option, um die Balken des Ressourcendiagramms in unterschiedlichen "
            "Farben zu erstellen.",
            {240, 2280, 3000, kOptionHeight}}})),
      imcColor(Add({K::ImageCombo,
                    "imcColor",
                    &fraStep5,
                    {3360, 1900, 3600, 330},
                    "",
                    "Wählen Sie hier die Balkenfarbe aus."})),

      fraStep6(AddFrame(6)),
      lblStep6(AddLabel("lblStep6", fraStep6, Text(0, 1), "Schritt 6 von 7")),
      lblStep601(AddLabel("lblStep601", fraStep6, Text(480, 1),
                          "Legen Sie hier die Gruppierungsoptionen fest.")),
      lblStep602(AddLabel("lblStep602", fraStep6, Text(840, 1),
                          "Der Assistent kann die Ressourcen in Ressourcengruppen "
                          "zusammenfassen.")),
      lblStep603(AddLabel("lblStep603", fraStep6, Text(1200, 2),
                          "Deaktivieren Sie die Option \"Nullwerte verwenden\", wenn Sie "
                          "Ressourcen ohne Zeitplanwerte nicht ins Diagramm übernehmen wollen.")),
      chkGroup(Add({K::CheckBox,
                    "chkGroup",
                    &fraStep6,
                    {240, 1920, 5000, kOptionHeight},
                    "Ressourcengruppen zusammenfassen",
                    "Aktivieren Sie das Kontrollkästchen, um die Ressourcen nach "
                    "Ressourcengruppen zusammenzufassen."})),
      chkNull(Add({K::CheckBox,
                   "chkNull",
                   &fraStep6,
                   {240, 2280, 5000, kOptionHeight},
                   "Nullwerte verwenden",
                   "Aktivieren Sie das Kontrollkästchen, um Ressourcen ohne Zeitplanwerte ins "
                   "Diagramm zu übernehmen."})),

      fraStep7(AddFrame(7)),
      lblStep7(AddLabel("lblStep7", fraStep7, Text(0, 1), "Schritt 7 von 7")),
      lblStep701(AddLabel("lblStep701", fraStep7, Text(480, 2),
                          "Sollen die gewählten Einstellungen für das Ressourcendiagramm als "
                          "Standard für neue Diagramme verwendet werden?")),
      lblStep702(AddLabel("lblStep702", fraStep7, Text(1080, 1),
                          "Durch Klicken auf die Schaltfläche Ende wird der Diagrammexport "
                          "gestartet.")),
      cmdSetDefaults(Add({K::Button,
                          "cmdSetDefaults",
                          &fraStep7,
                          {0, 1560, 2400, kButtonHeight},
                          "Als Standard festlegen",
                          "Klicken Sie hier, um die aktuellen Diagrammeinstellungen für neue "
                          "Diagramme zu speichern."})),

      lblProgress(Add(
          {K::Label, "lblProgress", nullptr, {kOffForm, kProgressLabelTop, 7260, 255}, "", ""})),
      barProgress(Add({K::ProgressBar,
                       "barProgress",
                       nullptr,
                       {kOffForm, kProgressBarTop, 7260, kOptionHeight},
                       "",
                       ""})),
      imlKorvalinx(Add({K::ImageList, "imlKorvalinx", nullptr, {0, 0, 0, 0}, "", ""})) {
  for (auto& swatch : DrawSwatches()) {
    imlKorvalinx.AddImage(swatch.key, swatch.tag, std::move(swatch.image));
  }
  CommitDesign(imlKorvalinx);
}

frmKorvalinx::~frmKorvalinx() = default;

Control& frmKorvalinx::StepFrame(int step) const {
  switch (step) {
    case 1:
      return fraStep1;
    case 2:
      return fraStep2;
    case 3:
      return fraStep3;
    case 4:
      return fraStep4;
    case 5:
      return fraStep5;
    case 6:
      return fraStep6;
    case 7:
      return fraStep7;
    default:
      throw FormError(kErrNoSuchArrayElement,
                      "Den Schritt " + std::to_string(step) + " gibt es im Assistenten nicht.");
  }
}

Control& frmKorvalinx::AddFrame(int step) {
  // Step 1 stands in the visible place; the others wait outside the form.
  const int left = step == 1 ? kStepLeft : kOffForm;
  return Add({K::Frame,
              "fraStep" + std::to_string(step),
              nullptr,
              {left, kStepTop, kFrameWidth, kFrameHeight},
              "",
              ""});
}

Control& frmKorvalinx::AddLabel(const char* name, Control& frame, Geometry geometry,
                                const char* caption) {
  return Add({K::Label, name, &frame, geometry, caption, ""});
}

ControlArray& frmKorvalinx::AddOptions(const char* name, Control& frame,
                                       std::initializer_list<OptionDesign> options) {
  int index = 0;
  for (const OptionDesign& o : options) {
    AddMember({K::OptionButton, name, &frame, o.geometry, o.caption, o.toolTip}, index++);
  }
  return Array(name);
}

}  // namespace kx::forms
