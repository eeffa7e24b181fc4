#include "desktop/add_ins.hpp"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "support/product.hpp"

namespace kx::desktop {

namespace {

int LoadBehaviorOf(RegistryStore& store, const std::string& key) {
  const auto value = store.Read(HKEY_CURRENT_USER, key, "LoadBehavior");
  if (!value) return 0;
  if (value->type == REG_DWORD) return static_cast<int>(value->number);
  try {
    return std::stoi(GetRegString(store, HKEY_CURRENT_USER, key, "LoadBehavior"));
  } catch (const std::exception&) {
    return 0;  // unreadable: not loaded
  }
}

std::string AddInKey() {
  return std::string(kAddInsKey) + "\\" + addin::kProgId;
}

void WriteLoadBehavior(RegistryStore& store, int value) {
  RegValue load;
  load.type = REG_DWORD;
  load.number = static_cast<std::uint32_t>(value);
  store.Write(HKEY_CURRENT_USER, AddInKey(), "LoadBehavior", load);
}

}  // namespace

AddInSlot::AddInSlot(host::Application& host, addin::Connect& connect, RegistryStore& store)
    : host_(host), connect_(connect), store_(store) {}

AddInSlot::~AddInSlot() = default;

std::string AddInSlot::FriendlyName() {
  const std::string name = GetRegString(store_, HKEY_CURRENT_USER, AddInKey(), "FriendlyName");
  return name.empty() ? GetProgId() : name;
}

std::string AddInSlot::Description() {
  return GetRegString(store_, HKEY_CURRENT_USER, AddInKey(), "Description");
}

bool AddInSlot::LoadsAtStartup() {
  return LoadBehaviorOf(store_, AddInKey()) == (kStartupBit | kLoadedBit);
}

bool AddInSlot::ShowsOnConnect() {
  return GetSetting(store_, kProductTitle, "Settings", "DisplayOnConnect", "0") == "1";
}

void AddInSlot::Load(int connectMode) {
  if (connected_) return;
  connected_ = true;
  WriteLoadBehavior(store_, LoadBehaviorOf(store_, AddInKey()) | kLoadedBit | kStartupBit);
  connect_.OnConnection(&host_, connectMode, this);
}

void AddInSlot::Unload(int removeMode) {
  if (!connected_) return;
  connected_ = false;
  connect_.OnDisconnection(removeMode);
  if (removeMode == addin::kRemoveUserClosed)
    WriteLoadBehavior(store_, LoadBehaviorOf(store_, AddInKey()) & ~kLoadedBit);
}

bool RegisterAddIn(RegistryStore& store) {
  const std::string key = AddInKey();
  if (!store.KeyExists(HKEY_CURRENT_USER, key)) {
    std::string name = kProductTitle, description = addin::kAddInDescription;
    SetRegString(store, HKEY_CURRENT_USER, key, "FriendlyName", name);
    SetRegString(store, HKEY_CURRENT_USER, key, "Description", description);
    WriteLoadBehavior(store, addin::kLoadAtStartup);
  }
  return LoadBehaviorOf(store, key) == addin::kLoadAtStartup;
}

AddInsDialog::AddInsDialog(const std::vector<AddInSlot*>& addIns, QWidget* parent)
    : QDialog(parent), addIns_(addIns) {
  setWindowTitle(QStringLiteral("Add-Ins"));
  setObjectName(QStringLiteral("addInsDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("&Verfügbare Add-Ins:"), this);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("addIns"));
  label->setBuddy(list_);
  for (AddInSlot* a : addIns_) {
    auto* item = new QListWidgetItem(QString::fromStdString(a->FriendlyName()), list_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(a->Connected() ? Qt::Checked : Qt::Unchecked);
  }
  details_ = new QLabel(this);
  details_->setWordWrap(true);
  details_->setMinimumHeight(48);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowDetails(); });
  connect(list_, &QListWidget::itemChanged, this, [this] { ShowDetails(); });
  layout->addWidget(label);
  layout->addWidget(list_);
  layout->addWidget(details_);
  layout->addWidget(buttons);
  if (list_->count() > 0) list_->setCurrentRow(0);
  resize(420, 260);
}

void AddInsDialog::ShowDetails() {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(addIns_.size())) {
    details_->clear();
    return;
  }
  AddInSlot* a = addIns_[static_cast<std::size_t>(row)];
  const bool checked = list_->item(row)->checkState() == Qt::Checked;
  details_->setText(QStringLiteral("Beschreibung: ") + QString::fromStdString(a->Description()) +
                    QStringLiteral("\nLadeverhalten: ") +
                    (checked ? QStringLiteral("Beim Start laden") : QStringLiteral("Nicht geladen")));
}

void AddInsDialog::Apply() {
  for (int row = 0; row < list_->count() && row < static_cast<int>(addIns_.size()); ++row) {
    AddInSlot* a = addIns_[static_cast<std::size_t>(row)];
    const bool checked = list_->item(row)->checkState() == Qt::Checked;
    if (checked && !a->Connected()) a->Load(addin::kConnectAfterStartup);
    if (!checked && a->Connected()) a->Unload(addin::kRemoveUserClosed);
  }
}

}  // namespace kx::desktop
