#pragma once
// The resource sheet of a project in the desktop window ("Ressource: Tabelle"): one line per row
// of the sheet with Nr., Name, Art, Gruppe, Basiskalender and Einmalige Nr., and the project's
// resource filters to choose from.

#include <QWidget>
#include <memory>

#include "model/model.hpp"

class QComboBox;
class QTableWidget;

namespace kx::desktop {

class ResourceSheet final : public QWidget {
 public:
  explicit ResourceSheet(QWidget* parent = nullptr);

  // Shows the resources of `project` (kept: the sheet reads it again when the filter changes);
  // null shows an empty sheet.
  void ShowProject(std::shared_ptr<const platform::ProjectData> project);
  // Applies the resource filter of that name ("Alle Ressourcen" lets every resource through);
  // false when the project has no such filter.
  bool ApplyFilter(const QString& name);

  QTableWidget* Table() const { return table_; }
  QComboBox* Filters() const { return filters_; }

 private:
  void Fill();

  std::shared_ptr<const platform::ProjectData> project_;
  QComboBox* filters_ = nullptr;
  QTableWidget* table_ = nullptr;
};

}  // namespace kx::desktop
