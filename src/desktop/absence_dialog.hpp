#pragma once
// "Extras > Konflikte und Anwesenheit...": for the active project, the days on which a resource
// is on vacation and yet has work (conflicts), and the days on which more of a group are away
// than a limit allows. The period, the comparison calendar, the resource filter and the limit are
// chosen as in the wizard (preset from the project's stored settings); both tables sort and
// copy, and each can be saved as a CSV file or a workbook.

#include <QDialog>
#include <optional>
#include <string>

#include "chart/absence.hpp"
#include "platform/planning_host.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;
class QTabWidget;

namespace kx::desktop {

class AbsenceDialog final : public QDialog {
 public:
  // `store` holds the user's defaults (may be null: the default store); `boxes` says what went
  // wrong (may be null: nothing is said).
  AbsenceDialog(platform::PlanningHost& host, RegistryStore* store, MessageBoxes* boxes,
                QWidget* parent = nullptr);

  // Computes both tables for the choices shown; false after a German message.
  bool Compute();
  // Writes the conflicts (`conflicts`) or the presence table to `path`, as a workbook when the
  // name ends in ".xlsx", else as CSV. Refuses a file of an open project. False after a message.
  bool Export(bool conflicts, const std::string& path);
  // The selected rows of the shown table as tab-separated lines, with the header.
  QString SelectedText() const;

  QTableWidget* ConflictTable() const { return conflicts_; }
  QTableWidget* OverTable() const { return over_; }
  QTabWidget* Tabs() const { return tabs_; }
  const std::optional<chart::AbsenceReport>& Report() const { return report_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Say(const std::string& text);
  void Fill();
  void AskExport(bool conflicts);

  platform::PlanningHost& host_;
  RegistryStore* store_;
  MessageBoxes* boxes_;
  QButtonGroup* period_ = nullptr;
  QSpinBox* year_ = nullptr;
  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  QComboBox* calendar_ = nullptr;
  QComboBox* filter_ = nullptr;
  QLineEdit* limit_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QTableWidget* conflicts_ = nullptr;
  QTableWidget* over_ = nullptr;
  QLabel* summary_ = nullptr;
  std::optional<chart::AbsenceReport> report_;
  std::string projectName_;
};

}  // namespace kx::desktop
