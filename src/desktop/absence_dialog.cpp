#include "desktop/absence_dialog.hpp"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <functional>
#include <utility>
#include <vector>

#include "chart/checks.hpp"
#include "chart/korvalinx.hpp"
#include "exports/absence_export.hpp"
#include "exports/chart_table.hpp"
#include "model/project_ops.hpp"
#include "projectxml/project_xml.hpp"
#include "settings/chart_settings.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"

namespace kx::desktop {
namespace {

constexpr int kProject = 0, kYear = 1, kRange = 2;
constexpr const char* kOwnCalendar = "(Basiskalender jeder Ressource)";

QString Q(const std::string& text) { return QString::fromStdString(text); }

QDate ToQDate(Date d) {
  const CivilDate c = ToCivil(d);
  return QDate(c.year, c.month, c.day);
}

Date FromQDate(const QDate& d) { return DateSerial(d.year(), d.month(), d.day()); }

// Sorts by the number kept with a cell where both have one, else by the text.
class SortedItem final : public QTableWidgetItem {
 public:
  using QTableWidgetItem::QTableWidgetItem;
  bool operator<(const QTableWidgetItem& other) const override {
    const QVariant mine = data(Qt::UserRole), theirs = other.data(Qt::UserRole);
    if (mine.isValid() && theirs.isValid()) return mine.toDouble() < theirs.toDouble();
    return QString::localeAwareCompare(text(), other.text()) < 0;
  }
};

// A cell that sorts by `key` (a number or a date) and shows `text`.
QTableWidgetItem* Cell(const QString& text, std::optional<double> key = std::nullopt) {
  auto* item = new SortedItem(text);
  if (key) {
    item->setData(Qt::UserRole, *key);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

QTableWidget* Table(const QStringList& titles, QWidget* parent) {
  auto* table = new QTableWidget(0, static_cast<int>(titles.size()), parent);
  table->setHorizontalHeaderLabels(titles);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->setVisible(false);
  table->horizontalHeader()->setStretchLastSection(true);
  table->setAlternatingRowColors(true);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
  return table;
}

}  // namespace

AbsenceDialog::AbsenceDialog(platform::PlanningHost& host, RegistryStore* store,
                             MessageBoxes* boxes, QWidget* parent)
    : QDialog(parent), host_(host), store_(store), boxes_(boxes) {
  setWindowTitle(QStringLiteral("Konflikte und Anwesenheit"));
  setObjectName(QStringLiteral("absenceDialog"));
  auto* layout = new QVBoxLayout(this);

  // The choices, preset from the settings stored in the project, else the user's defaults.
  chart::clsKorvalinx engine(chart::EngineContext{&host_, nullptr, nullptr, nullptr, store_,
                                                  nullptr, nullptr});
  engine.GetSettings();
  const auto project = host_.ActiveData();
  projectName_ = project ? (project->title.empty() ? project->name : project->title) : std::string();

  auto* choices = new QGridLayout();
  choices->addWidget(new QLabel(QStringLiteral("Zeitraum:"), this), 0, 0);
  period_ = new QButtonGroup(this);
  auto* whole = new QRadioButton(QStringLiteral("&Gesamtes Projekt"), this);
  auto* year = new QRadioButton(QStringLiteral("&Jahr"), this);
  auto* range = new QRadioButton(QStringLiteral("&Von"), this);
  period_->addButton(whole, kProject);
  period_->addButton(year, kYear);
  period_->addButton(range, kRange);
  year_ = new QSpinBox(this);
  year_->setRange(settings::kFirstYear, settings::kLastYear);
  year_->setValue(engine.lngPlanDurationYear);
  from_ = new QDateEdit(this);
  to_ = new QDateEdit(this);
  for (QDateEdit* edit : {from_, to_}) {
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  }
  const auto preset = chart::SettingsPeriod(engine);
  const Date today = settings::LocalToday();
  from_->setDate(ToQDate(preset ? preset->first : today));
  to_->setDate(ToQDate(preset ? preset->last : today));
  period_->button(engine.lngPlanDuration == settings::kPeriodYear    ? kYear
                  : engine.lngPlanDuration == settings::kPeriodRange ? kRange
                                                                     : kProject)
      ->setChecked(true);
  auto* periodRow = new QHBoxLayout();
  periodRow->addWidget(whole);
  periodRow->addSpacing(12);
  periodRow->addWidget(year);
  periodRow->addWidget(year_);
  periodRow->addSpacing(12);
  periodRow->addWidget(range);
  periodRow->addWidget(from_);
  periodRow->addWidget(new QLabel(QStringLiteral("bis"), this));
  periodRow->addWidget(to_);
  periodRow->addStretch(1);
  choices->addLayout(periodRow, 0, 1);

  choices->addWidget(new QLabel(QStringLiteral("Vergleichs&kalender:"), this), 1, 0);
  calendar_ = new QComboBox(this);
  calendar_->setObjectName(QStringLiteral("calendar"));
  calendar_->addItem(QString::fromUtf8(kOwnCalendar));
  if (project)
    for (const auto& c : project->calendars)
      if (c && c->isBase) calendar_->addItem(Q(c->name));
  if (engine.lngCalendarType != settings::kCalendarOwn) {
    const int at = calendar_->findText(Q(engine.strCalendar));
    if (at >= 0) calendar_->setCurrentIndex(at);
  }
  choices->addWidget(calendar_, 1, 1);
  qobject_cast<QLabel*>(choices->itemAtPosition(1, 0)->widget())->setBuddy(calendar_);

  choices->addWidget(new QLabel(QStringLiteral("&Filter:"), this), 2, 0);
  filter_ = new QComboBox(this);
  filter_->setObjectName(QStringLiteral("filter"));
  if (project)
    for (const auto& f : project->definitions.filters)
      if (!f.taskFilter) filter_->addItem(Q(f.name));
  const std::string chosen = engine.lngResourceType == settings::kResourcesFiltered
                                 ? engine.strResourceFilter
                                 : std::string(kAllResourcesFilter);
  if (const int at = filter_->findText(Q(chosen)); at >= 0) filter_->setCurrentIndex(at);
  choices->addWidget(filter_, 2, 1);
  qobject_cast<QLabel*>(choices->itemAtPosition(2, 0)->widget())->setBuddy(filter_);

  choices->addWidget(new QLabel(QStringLiteral("&Höchstens abwesend:"), this), 3, 0);
  auto* limitRow = new QHBoxLayout();
  limit_ = new QLineEdit(QStringLiteral("50%"), this);
  limit_->setObjectName(QStringLiteral("limit"));
  limit_->setPlaceholderText(QStringLiteral("z. B. 2 oder 50%"));
  limit_->setMaximumWidth(110);
  auto* compute = new QPushButton(QStringLiteral("&Berechnen"), this);
  compute->setObjectName(QStringLiteral("compute"));
  compute->setDefault(true);
  limitRow->addWidget(limit_);
  limitRow->addWidget(new QLabel(QStringLiteral("je Gruppe (Personen oder Prozent)"), this));
  limitRow->addStretch(1);
  limitRow->addWidget(compute);
  choices->addLayout(limitRow, 3, 1);
  qobject_cast<QLabel*>(choices->itemAtPosition(3, 0)->widget())->setBuddy(limit_);
  choices->setColumnStretch(1, 1);
  layout->addLayout(choices);

  tabs_ = new QTabWidget(this);
  conflicts_ = Table({QStringLiteral("Gruppe"), QStringLiteral("Ressource"), QStringLiteral("Datum"),
                      QStringLiteral("Stunden"), QStringLiteral("Vorgänge")},
                     tabs_);
  conflicts_->setObjectName(QStringLiteral("conflicts"));
  over_ = Table({QStringLiteral("Gruppe"), QStringLiteral("Datum"), QStringLiteral("Ressourcen"),
                 QStringLiteral("abwesend"), QStringLiteral("anwesend")},
                tabs_);
  over_->setObjectName(QStringLiteral("overLimit"));
  // Numbers only: the counts stay beside their headings; the group's name takes the rest.
  over_->horizontalHeader()->setStretchLastSection(false);
  over_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  const auto page = [&](QTableWidget* table, bool conflicts) {
    auto* widget = new QWidget(tabs_);
    auto* box = new QVBoxLayout(widget);
    box->addWidget(table, 1);
    auto* buttons = new QHBoxLayout();
    auto* copy = new QPushButton(QStringLiteral("&Kopieren"), widget);
    auto* save = new QPushButton(QStringLiteral("&Speichern unter..."), widget);
    save->setToolTip(QStringLiteral("als CSV-Datei (.csv) oder Arbeitsmappe (.xlsx)"));
    buttons->addWidget(copy);
    buttons->addStretch(1);
    buttons->addWidget(save);
    box->addLayout(buttons);
    connect(copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(SelectedText()); });
    connect(save, &QPushButton::clicked, this, [this, conflicts] { AskExport(conflicts); });
    return widget;
  };
  tabs_->addTab(page(conflicts_, true), QStringLiteral("Konflikte"));
  tabs_->addTab(page(over_, false), QStringLiteral("Tage über der Grenze"));
  layout->addWidget(tabs_, 1);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("summary"));
  layout->addWidget(summary_);
  auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
  layout->addWidget(close);
  connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(compute, &QPushButton::clicked, this, [this] { Compute(); });
  resize(900, 600);
}

void AbsenceDialog::Say(const std::string& text) {
  if (boxes_) ShowMessage(*boxes_, text, kProductTitle, MsgIcon::Exclamation);
}

bool AbsenceDialog::Compute() {
  const auto source = host_.ActiveData();
  if (!source) {
    Say("Es ist kein Projekt geöffnet.");
    return false;
  }
  std::optional<chart::AbsenceLimit> limit;
  const std::string limitText = limit_->text().trimmed().toStdString();
  if (!limitText.empty() && !(limit = chart::ParseAbsenceLimit(limitText))) {
    Say("\"" + limitText + "\" ist keine Grenze: eine Zahl wie 2 oder ein Anteil wie 50%.");
    return false;
  }
  chart::clsKorvalinx engine(chart::EngineContext{&host_, nullptr, nullptr, nullptr, store_,
                                                  nullptr, nullptr});
  engine.GetSettings();
  chart::AbsenceOptions look;
  switch (period_->checkedId()) {
    case kYear:
      look.first = DateSerial(year_->value(), 1, 1);
      look.last = DateSerial(year_->value(), 12, 31);
      break;
    case kRange:
      look.first = FromQDate(from_->date());
      look.last = FromQDate(to_->date());
      break;
    default: {
      engine.lngPlanDuration = settings::kPeriodProject;
      const auto whole = chart::SettingsPeriod(engine);
      if (!whole) {
        Say("Der Zeitraum des Projekts kann nicht bestimmt werden.");
        return false;
      }
      look.first = whole->first;
      look.last = whole->last;
    }
  }
  if (const auto problem = chart::CheckDateRange(look.first, look.last)) {
    Say(problem->text);
    return false;
  }
  if (const auto problem = chart::CheckCalendarYears(look.first, look.last)) {
    Say(problem->text);
    return false;
  }
  if (calendar_->currentIndex() > 0) {
    look.calendarType = settings::kCalendarSpecial;
    look.calendar = calendar_->currentText().toStdString();
  }
  look.limit = limit;

  // The resources as a chart reads them; the filter is tested here, not applied to the
  // project's view. A resource of an inserted project, which the filter's project does not
  // hold, is kept. Reading writes "(keine)" into the group of a resource without one: the
  // dialog only looks, so the groups are put back as they were.
  std::vector<std::pair<std::shared_ptr<platform::ResourceData>, std::string>> groups;
  std::function<void(const platform::ProjectData&, int)> keep = [&](const platform::ProjectData& p,
                                                                     int depth) {
    for (const auto& r : p.resources)
      if (r) groups.emplace_back(r, r->group);
    for (const auto& sub : p.subprojects)
      if (sub.project && depth < 64) keep(*sub.project, depth + 1);
  };
  keep(*source, 0);
  engine.GetResourceData();
  for (const auto& [resource, group] : groups) resource->group = group;
  const platform::FilterDefinition* filter =
      platform::detail::FindFilter(source->definitions, filter_->currentText().toStdString(), false);
  resources::clsResources kept;
  for (const auto& resource : engine.objResources->colResources) {
    bool shown = true;
    if (filter && !filter->criteria.empty()) {
      host::Resume r;
      const auto uid = r.Get([&] { return resource->ProjectResource->GetResourceUniqueId(); }, -1);
      for (const auto& candidate : source->resources) {
        if (!candidate || candidate->uid != uid) continue;
        try {
          shown = platform::detail::PassesFilter(*source, *candidate, *filter);
        } catch (const host::HostError&) {
          shown = true;
        }
        break;
      }
    }
    if (shown) kept.AddResource(resource);
  }
  if (engine.objResources->colResources.Empty()) {
    Say("Das Projekt \"" + projectName_ + "\" enthält keine Ressourcen.");
    return false;
  }
  if (kept.colResources.Empty()) {
    Say("Der Filter \"" + filter_->currentText().toStdString() +
        "\" lässt keine Ressource des Projekts übrig.");
    return false;
  }
  const auto project = host_.GetActiveProject();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  report_ = chart::ComputeAbsence(*chart::WholeGroups(kept), *project, look);
  QApplication::restoreOverrideCursor();
  Fill();
  return true;
}

void AbsenceDialog::Fill() {
  for (QTableWidget* table : {conflicts_, over_}) {
    table->setSortingEnabled(false);
    table->setRowCount(0);
  }
  if (!report_) return;
  const chart::AbsenceReport& report = *report_;
  int row = 0;
  for (const auto& c : report.conflicts) {
    conflicts_->insertRow(row);
    QString tasks;
    for (const auto& t : c.tasks) tasks += (tasks.isEmpty() ? "" : ", ") + Q(t);
    conflicts_->setItem(row, 0, Cell(Q(c.group)));
    conflicts_->setItem(row, 1, Cell(Q(c.resource)));
    conflicts_->setItem(row, 2, Cell(Q(exports::DayText(c.day)), c.day.serial));
    conflicts_->setItem(row, 3, Cell(Q(exports::HoursText(c.hours)), c.hours));
    conflicts_->setItem(row, 4, Cell(tasks));
    ++row;
  }
  row = 0;
  long days = 0;
  for (const auto& group : report.groups) {
    for (long d = 0; d < report.DayCount(); ++d) {
      if (!report.Over(group, d)) continue;
      const auto i = static_cast<std::size_t>(d);
      over_->insertRow(row);
      over_->setItem(row, 0, Cell(Q(group.name)));
      over_->setItem(row, 1, Cell(Q(exports::DayText(report.Day(d))), report.Day(d).serial));
      over_->setItem(row, 2, Cell(QString::number(group.resources), group.resources));
      over_->setItem(row, 3, Cell(QString::number(group.absent[i]), group.absent[i]));
      over_->setItem(row, 4, Cell(QString::number(group.present[i]), group.present[i]));
      ++row;
      ++days;
    }
  }
  for (QTableWidget* table : {conflicts_, over_}) {
    // In the report's order (group by group, day by day) until a click on a column sorts by it:
    // dates and numbers by their kept keys, not as texts.
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    table->resizeColumnsToContents();
  }
  tabs_->setTabText(0, QStringLiteral("Konflikte (%1)").arg(report.conflicts.size()));
  tabs_->setTabText(1, QStringLiteral("Tage über der Grenze (%1)").arg(days));
  summary_->setText(QStringLiteral("%1 bis %2: %3 Konflikte, %4 Tage über der Grenze%5.")
                        .arg(Q(exports::DayText(report.first)), Q(exports::DayText(report.last)))
                        .arg(report.conflicts.size())
                        .arg(days)
                        .arg(report.limit ? QStringLiteral(" (mehr als %1 abwesend)")
                                                .arg(Q(chart::AbsenceLimitText(*report.limit)))
                                          : QStringLiteral(" (keine Grenze)")));
}

QString AbsenceDialog::SelectedText() const {
  const auto* table = tabs_->currentIndex() == 0 ? conflicts_ : over_;
  QStringList lines;
  QStringList header;
  for (int c = 0; c < table->columnCount(); ++c) header << table->horizontalHeaderItem(c)->text();
  lines << header.join('\t');
  for (int r = 0; r < table->rowCount(); ++r) {
    if (!table->selectionModel()->isRowSelected(r, QModelIndex())) continue;
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c)
      cells << (table->item(r, c) ? table->item(r, c)->text() : QString());
    lines << cells.join('\t');
  }
  return lines.join('\n') + '\n';
}

void AbsenceDialog::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    QApplication::clipboard()->setText(SelectedText());
    return;
  }
  QDialog::keyPressEvent(event);
}

void AbsenceDialog::AskExport(bool conflicts) {
  if (!report_ && !Compute()) return;
  // Proposed beside the project's file, where its charts and exports are.
  QString folder;
  if (const auto project = host_.ActiveData(); project && !project->fullName.empty())
    folder = QFileInfo(QString::fromStdString(project->fullName)).absolutePath() + '/';
  QString chosen;
  QString path = QFileDialog::getSaveFileName(
      this, conflicts ? QStringLiteral("Konflikte speichern") : QStringLiteral("Anwesenheit speichern"),
      folder + (conflicts ? QStringLiteral("konflikte.csv") : QStringLiteral("anwesenheit.csv")),
      QStringLiteral("CSV-Datei (*.csv);;Arbeitsmappe (*.xlsx)"), &chosen);
  if (path.isEmpty()) return;
  // A name without either ending gets the one of the file type chosen.
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QStringLiteral("csv") && suffix != QStringLiteral("xlsx"))
    path += chosen.contains(QStringLiteral("xlsx")) ? QStringLiteral(".xlsx") : QStringLiteral(".csv");
  Export(conflicts, path.toStdString());
}

bool AbsenceDialog::Export(bool conflicts, const std::string& path) {
  if (!report_) return false;
  for (const std::string& guarded : host_.GetGuardedFiles()) {
    if (SamePath(path, guarded)) {
      Say("Die Datei \"" + path + "\" gehört zu einem geöffneten Projekt (\"" + guarded +
          "\") und wird nicht überschrieben.");
      return false;
    }
  }
  if (const auto hit = platform::ProjectFileAt(path)) {
    Say("Die Datei \"" + path + "\" würde " + *hit + " überschreiben.");
    return false;
  }
  const bool workbook =
      QFileInfo(QString::fromStdString(path)).suffix().compare(QStringLiteral("xlsx"), Qt::CaseInsensitive) == 0;
  const std::string title =
      std::string(conflicts ? "Konflikte" : "Anwesenheit") + (projectName_.empty() ? "" : " " + projectName_);
  try {
    if (conflicts && workbook) exports::WriteConflictsXlsx(*report_, title, path);
    if (conflicts && !workbook) exports::WriteConflictsCsv(*report_, path);
    if (!conflicts && workbook) exports::WritePresenceXlsx(*report_, title, path);
    if (!conflicts && !workbook) exports::WritePresenceCsv(*report_, path);
  } catch (const std::exception& e) {
    Say("Die Datei \"" + path + "\" konnte nicht geschrieben werden:\r\n" + e.what());
    return false;
  }
  return true;
}

}  // namespace kx::desktop
