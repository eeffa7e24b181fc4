#include "desktop/resource_sheet.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/host_objects.hpp"
#include "support/product.hpp"

namespace kx::desktop {

namespace {

// The sheet's columns: the field each shows, its title and whether numbers sit at the right.
struct SheetColumn {
  const char* field;
  bool number;
};
constexpr SheetColumn kColumns[] = {{"Nr.", true},         {"Name", false},
                                    {"Art", false},        {"Gruppe", false},
                                    {"Basiskalender", false}, {"Einmalige Nr.", true}};

}  // namespace

ResourceSheet::ResourceSheet(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("resourceSheet"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(8, 2, 8, 4);
  // Alt+F stays with the menu "Fenster".
  auto* label = new QLabel(QStringLiteral("Fi&lter:"), this);
  filters_ = new QComboBox(this);
  filters_->setObjectName(QStringLiteral("resourceFilter"));
  filters_->setMinimumContentsLength(24);
  label->setBuddy(filters_);
  bar->addWidget(label);
  bar->addWidget(filters_);
  bar->addStretch();
  layout->addLayout(bar);

  table_ = new QTableWidget(this);
  table_->setObjectName(QStringLiteral("resourceTable"));
  table_->setColumnCount(static_cast<int>(std::size(kColumns)));
  QStringList titles;
  for (const auto& c : kColumns) titles << QString::fromUtf8(c.field);
  table_->setHorizontalHeaderLabels(titles);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setAlternatingRowColors(true);
  table_->horizontalHeader()->setStretchLastSection(false);
  layout->addWidget(table_);

  connect(filters_, &QComboBox::currentTextChanged, this, [this] { Fill(); });
}

void ResourceSheet::ShowProject(std::shared_ptr<const platform::ProjectData> project) {
  project_ = std::move(project);
  const QSignalBlocker quiet(filters_);
  filters_->clear();
  if (project_ != nullptr) {
    for (const auto& f : project_->definitions.filters)
      if (!f.taskFilter) filters_->addItem(QString::fromStdString(f.name));
    const int all = filters_->findText(QString::fromUtf8(kAllResourcesFilter));
    filters_->setCurrentIndex(all >= 0 ? all : 0);
  }
  Fill();
}

bool ResourceSheet::ApplyFilter(const QString& name) {
  const int at = filters_->findText(name);
  if (at < 0) return false;
  filters_->setCurrentIndex(at);
  Fill();
  return true;
}

void ResourceSheet::Fill() {
  table_->setRowCount(0);
  if (project_ == nullptr) return;
  const platform::FilterDefinition* filter = platform::detail::FindFilter(
      project_->definitions, filters_->currentText().toStdString(), false);
  const bool everything = filter == nullptr || filter->criteria.empty();
  int row = 0;
  for (const auto& resource : project_->resources) {
    // An empty row of the sheet stays empty, and a filter leaves it out.
    if (resource == nullptr && !everything) continue;
    bool shown = true;
    if (resource != nullptr && !everything) {
      try {
        shown = platform::detail::PassesFilter(*project_, *resource, *filter);
      } catch (const host::HostError&) {
        shown = true;  // a filter the sheet cannot apply hides nothing
      }
    }
    if (!shown) continue;
    table_->insertRow(row);
    if (resource != nullptr) {
      int column = 0;
      for (const auto& c : kColumns) {
        auto* item = new QTableWidgetItem(QString::fromStdString(
            platform::detail::ResourceFieldText(*project_, *resource, c.field)));
        if (c.number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(row, column++, item);
      }
    }
    ++row;
  }
  table_->resizeColumnsToContents();
}

}  // namespace kx::desktop
