#include "desktop/holidays_dialog.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "holidays/holiday_calendar.hpp"
#include "host/error.hpp"

namespace kx::desktop {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// "des Jahres 2025", "der Jahre 2025 bis 2027".
QString Years(int first, int last) {
  return first == last ? QStringLiteral("des Jahres %1").arg(first)
                       : QStringLiteral("der Jahre %1 bis %2").arg(first).arg(last);
}

}  // namespace

void AddHolidaysCommand(platform::CommandBarService& bars) {
  for (const auto& control : bars.MenuOf("Tools"))
    if (control.id == kIdInsertHolidays) return;
  try {
    bars.AddBuiltIn("Tools", host::kControlButton, kInsertHolidaysCaption, kIdInsertHolidays);
  } catch (const host::HostError&) {
    // A store without "Tools" is not used (the host's own bars stay); nothing to add to.
  }
}

HolidaysDialog::HolidaysDialog(int firstYear, int lastYear, std::optional<holidays::State> preset,
                               QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Feiertage einfügen"));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(
      QStringLiteral("Die gesetzlichen Feiertage eines Landes werden als Basiskalender "
                     "„Feiertage <Land>“ in das aktive Projekt eingefügt: die Arbeitswoche des "
                     "Projektkalenders, die Feiertage %1 als arbeitsfreie Tage. Ist "
                     "der Kalender schon da, wird er auf den neuen Stand gebracht.")
          .arg(Years(firstYear, lastYear)),
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto* form = new QFormLayout;
  states_ = new QComboBox(this);
  for (const holidays::State s : holidays::AllStates())
    states_->addItem(Text(holidays::Name(s)) + " (" + holidays::Code(s) + ")",
                     static_cast<int>(s));
  if (preset) states_->setCurrentIndex(static_cast<int>(*preset));
  form->addRow(QStringLiteral("&Land:"), states_);
  layout->addLayout(form);
  auto* note = new QLabel(Text(holidays::NotIncludedNote()), this);
  note->setWordWrap(true);
  note->setStyleSheet(QStringLiteral("color: #555555;"));
  layout->addWidget(note);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Einfügen"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  setMinimumWidth(460);
}

holidays::State HolidaysDialog::State() const {
  return static_cast<holidays::State>(states_->currentData().toInt());
}

bool InsertHolidays(platform::PlanningHost& host, QWidget* parent) {
  const QString title = QStringLiteral("Feiertage einfügen");
  const auto data = host.ActiveData();
  if (data == nullptr) {
    QMessageBox::information(parent, title, QStringLiteral("Es ist kein Projekt geöffnet."));
    return false;
  }
  // The years the project spans: from its start to its finish.
  int first = ToCivil(data->start).year, last = first;
  try {
    const auto project = host.GetActiveProject();
    first = ToCivil(project->GetProjectStart()).year;
    last = std::max(first, ToCivil(project->GetProjectFinish()).year);
  } catch (const host::HostError&) {
    // The start the model keeps serves alone.
  }
  first = std::clamp(first, holidays::kFirstYear, holidays::kLastYear);
  last = std::clamp(last, first, holidays::kLastYear);

  // A calendar inserted before is offered again.
  std::optional<holidays::State> preset;
  for (const holidays::State s : holidays::AllStates())
    if (data->FindCalendar(holidays::CalendarName(s)) != nullptr) preset = s;

  HolidaysDialog dialog(first, last, preset, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  const holidays::State state = dialog.State();
  holidays::InsertedCalendar done;
  try {
    done = holidays::InsertHolidayCalendar(*data, state, first, last);
  } catch (const std::invalid_argument& e) {
    QMessageBox::warning(parent, title, Text(e.what()));
    return false;
  }
  QMessageBox::information(
      parent, title,
      QStringLiteral("Der Kalender „%1“ wurde %2: %3 Feiertage %4.\n\n"
                     "Speichern Sie das Projekt, um ihn zu behalten.")
          .arg(Text(holidays::CalendarName(state)),
               done.added ? QStringLiteral("eingefügt") : QStringLiteral("aktualisiert"))
          .arg(done.days)
          .arg(Years(done.firstYear, done.lastYear)));
  return true;
}

}  // namespace kx::desktop
