#include "host_window.hpp"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <type_traits>
#include <filesystem>

#include "add_ins.hpp"
#include "command_icons.hpp"
#include "gantt_view.hpp"
#include "resource_sheet.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"
#include "support/text.hpp"

namespace kx::desktop {
namespace {

namespace fs = std::filesystem;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string ProjectName(const platform::ProjectData& project) {
  return project.title.empty() ? project.name : project.title;
}

using namespace std::string_literals;
const std::string kProjectFilter = "Projekte (*.xml)\0*.xml\0Alle Dateien (*.*)\0*.*\0\0"s;

// The commands of the host's own controls that this window carries out.
bool WindowRuns(std::int32_t id) {
  switch (id) {
    case platform::kIdFileOpen:
    case platform::kIdFileSave:
    case platform::kIdFileSaveAs:
    case platform::kIdFileClose:
    case platform::kIdFileExit:
    case platform::kIdViewGantt:
    case platform::kIdViewResourceSheet:
    case platform::kIdZoomIn:
    case platform::kIdZoomOut:
    case platform::kIdAddIns:
    case platform::kIdAbout:
      return true;
    default:
      return false;
  }
}

// The keys of the host's own menu commands.
QKeySequence ShortcutOf(std::int32_t id) {
  switch (id) {
    case platform::kIdFileOpen:
      return QKeySequence::Open;
    case platform::kIdFileSave:
      return QKeySequence::Save;
    case platform::kIdFileClose:
      return QKeySequence::Close;
    case platform::kIdFileExit:
      return QKeySequence::Quit;
    case platform::kIdZoomIn:
      return QKeySequence::ZoomIn;
    case platform::kIdZoomOut:
      return QKeySequence::ZoomOut;
    default:
      return {};
  }
}

}  // namespace

HostWindow::HostWindow(platform::PlanningHost& host, platform::CommandBarService& bars,
                       WindowServices services, QWidget* parent)
    : QMainWindow(parent), host_(host), bars_(bars), services_(services) {
  auto* centre = new QWidget(this);
  auto* layout = new QVBoxLayout(centre);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  viewName_ = new QLabel(centre);
  viewName_->setObjectName(QStringLiteral("viewName"));
  viewName_->setContentsMargins(8, 4, 8, 4);
  QFont bold = viewName_->font();
  bold.setBold(true);
  viewName_->setFont(bold);
  stack_ = new QStackedWidget(centre);
  gantt_ = new GanttView(stack_);
  sheet_ = new ResourceSheet(stack_);
  stack_->addWidget(gantt_);
  stack_->addWidget(sheet_);
  layout->addWidget(viewName_);
  layout->addWidget(stack_, 1);
  setCentralWidget(centre);
  resize(1200, 700);

  // Redrawn after the click that changed them has finished, never inside it.
  bars_.SetOnChange([this] {
    QMetaObject::invokeMethod(
        this, [this] { RebuildBars(); }, Qt::QueuedConnection);
  });
  // While an add-in has switched screen updating off, the window keeps its last picture; once
  // it is on again, the window shows what the add-in did.
  host_.SetOnScreenUpdating([this](bool on) {
    setUpdatesEnabled(on);
    if (on) {
      QMetaObject::invokeMethod(
          this, [this] { ShowActiveProject(); }, Qt::QueuedConnection);
    }
  });
  RebuildBars();
  ShowActiveProject();
}

HostWindow::~HostWindow() {
  bars_.SetOnChange(nullptr);
  host_.SetOnScreenUpdating(nullptr);
}

void HostWindow::RebuildBars() {
  menuBar()->clear();
  // The old menus go once the click that may have changed the bars has finished.
  for (QMenu* old : menuBar()->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) {
    old->setObjectName(QString());
    old->deleteLater();
  }
  for (QToolBar* old : findChildren<QToolBar*>()) {
    old->setObjectName(QString());
    removeToolBar(old);
    old->deleteLater();
  }
  const auto addControl = [this](auto* target,
                                 const platform::CommandBarService::ControlView& c) {
    QAction* action = target->addAction(Text(c.caption));
    // Keys on the menus' entries only: a toolbar button with the same key would make it
    // ambiguous.
    if constexpr (std::is_same_v<decltype(target), QMenu*>) action->setShortcut(ShortcutOf(c.id));
    action->setObjectName(Text(c.tag.empty() ? std::to_string(c.id) : c.tag));
    action->setIcon(ControlIcon(c.faceId, c.id));
    if (c.id != host::kCustomControlId && !WindowRuns(c.id)) {
      action->setEnabled(false);  // a command this host does not have
    }
    connect(action, &QAction::triggered, this, [this, c] { Run(c); });
  };
  const auto addControls =
      [&](auto* target, const std::vector<platform::CommandBarService::ControlView>& controls,
          bool fileMenu) {
        bool first = true;
        for (const auto& c : controls) {
          if (fileMenu && c.id == platform::kIdFileExit) {
            // The files opened last, before "Beenden".
            int number = 0;
            for (const std::string& path : RecentFiles()) {
              if (number == 0) target->addSeparator();
              ++number;
              QAction* recent = target->addAction(
                  QStringLiteral("&%1 %2").arg(number).arg(Text(path)));
              recent->setObjectName(QStringLiteral("recent%1").arg(number));
              connect(recent, &QAction::triggered, this, [this, path] { OpenFile(path); });
            }
          }
          if (c.beginGroup && !first) target->addSeparator();
          first = false;
          addControl(target, c);
        }
      };
  for (const auto& bar : bars_.Bars()) {
    if (bar.position == host::kBarMenuBar) {
      for (const auto& popup : bar.controls) {
        QMenu* menu = menuBar()->addMenu(Text(popup.caption));
        menu->setObjectName(Text(popup.opens));
        addControls(menu, bars_.MenuOf(popup.opens), popup.opens == "File");
        if (popup.opens == "Window") {
          connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillWindowMenu(menu); });
          FillWindowMenu(menu);
        }
      }
    } else if (bar.position != host::kBarPopup && bar.visible) {
      QToolBar* toolbar = addToolBar(Text(bar.name));
      toolbar->setObjectName(Text(bar.name));
      toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      addControls(toolbar, bar.controls, false);
    }
  }
}

void HostWindow::FillWindowMenu(QMenu* menu) {
  for (QAction* a : menu->actions())
    if (a->property("openProject").isValid()) {
      menu->removeAction(a);
      a->deleteLater();
    }
  const auto active = host_.ActiveData();
  int number = 0;
  for (const auto& project : host_.OpenData()) {
    ++number;
    QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(number).arg(Text(ProjectName(*project))));
    a->setProperty("openProject", number);
    a->setCheckable(true);
    a->setChecked(project == active);
    const std::weak_ptr<platform::ProjectData> weak = project;
    connect(a, &QAction::triggered, this, [this, weak] {
      if (const auto d = weak.lock(); d && host_.ActivateProject(d)) ShowActiveProject();
    });
  }
}

void HostWindow::ShowActiveProject() {
  const auto project = host_.ActiveData();
  if (!project) {
    setWindowTitle(Text(kHostTitle));
    viewName_->clear();
    gantt_->ShowProject(nullptr, dayWidth_);
    sheet_->ShowProject(nullptr);
    stack_->setCurrentWidget(gantt_);
    return;
  }
  setWindowTitle(Text(ProjectName(*project)) + QStringLiteral(" – ") + Text(kHostTitle));
  const auto it = sheets_.find(project.get());
  const Sheet sheet = it != sheets_.end() ? it->second : Sheet::Gantt;
  sheets_[project.get()] = sheet;
  if (sheet == Sheet::Gantt) {
    gantt_->ShowProject(project.get(), dayWidth_);
    const std::string& view = project->definitions.currentView;
    viewName_->setText(Text(view.empty() ? "Balkendiagramm (Gantt)" : view));
    stack_->setCurrentWidget(gantt_);
  } else {
    sheet_->ShowProject(project);
    viewName_->setText(QStringLiteral("Ressource: Tabelle"));
    stack_->setCurrentWidget(sheet_);
  }
}

void HostWindow::ShowSheet(Sheet sheet) {
  const auto project = host_.ActiveData();
  if (!project) return;
  sheets_[project.get()] = sheet;
  ShowActiveProject();
}

HostWindow::Sheet HostWindow::CurrentSheet() const {
  return stack_->currentWidget() == sheet_ ? Sheet::Resources : Sheet::Gantt;
}

bool HostWindow::OpenFile(const std::string& path) {
  // A file that is open already is brought to the front, not read a second time.
  for (const auto& project : host_.OpenData()) {
    if (!project->fullName.empty() && SameFile(project->fullName, path)) {
      host_.ActivateProject(project);
      AddRecentFile(path);
      ShowActiveProject();
      return true;
    }
  }
  host::Resume open;
  if (!open([&] { host_.OpenProject(path); })) {
    Tell("Die Projektdatei " + Quoted(path) + " kann nicht geöffnet werden:\r\n" +
             open.Failures().back().description,
         MsgIcon::Exclamation);
    return false;
  }
  AddRecentFile(path);
  ShowActiveProject();
  return true;
}

MsgAnswer HostWindow::Ask(const std::string& text, MsgButtons buttons, MsgIcon icon,
                          int defaultButton) {
  SilentMessageBoxes silent;
  MessageBoxes& boxes = services_.boxes != nullptr ? *services_.boxes : silent;
  return boxes.Show({text, kHostTitle, buttons, icon, defaultButton});
}

void HostWindow::Tell(const std::string& text, MsgIcon icon) {
  Ask(text, MsgButtons::Ok, icon, 1);
}

std::optional<std::string> HostWindow::AskFileName(bool save, const std::string& proposed) {
  if (services_.dialogs == nullptr) return std::nullopt;
  FileDialogRequest request;
  request.filter = kProjectFilter;
  request.maxFile = 4096;
  request.file = proposed;
  request.file.resize(static_cast<std::size_t>(request.maxFile), '\0');
  request.title = save ? "Speichern unter" : "Öffnen";
  request.defaultExt = "xml";
  request.flags = kOfnExplorer | kOfnHideReadOnly | kOfnPathMustExist |
                  (save ? 0 : kOfnFileMustExist);  // the window asks before replacing itself
  if (!proposed.empty()) request.initialDir = fs::path(proposed).parent_path().string();
  std::optional<std::string> buffer;
  try {
    buffer = save ? services_.dialogs->Save(request) : services_.dialogs->Open(request);
  } catch (const FileDialogError& e) {
    Tell(std::string("Der Dateidialog konnte nicht angezeigt werden:\r\n") + e.what(),
         MsgIcon::Exclamation);
    return std::nullopt;
  }
  if (!buffer) return std::nullopt;
  std::string path = buffer->substr(0, buffer->find('\0'));
  if (path.empty()) return std::nullopt;
  return path;
}

bool HostWindow::SaveActive(bool askForName) {
  const auto project = host_.ActiveData();
  if (!project) return false;
  std::string path = project->fullName;
  const bool named = askForName || path.empty();
  if (named) {
    const std::string proposed = path.empty() ? ProjectName(*project) + ".xml" : path;
    const auto chosen = AskFileName(true, proposed);
    if (!chosen) return false;
    path = *chosen;
  }
  std::error_code ec;
  if (fs::exists(path, ec)) {
    if (!host_.WroteFile(path)) {
      // The user's own file, read but never written here: what this host does not read of it
      // would be lost.
      const std::string text =
          "Die Datei " + Quoted(path) +
          " wurde nicht mit Korvalinx Planer gespeichert. Wenn Sie sie überschreiben, gehen "
          "Angaben verloren, die Korvalinx Planer nicht liest.\r\n\r\nMöchten Sie die Datei "
          "überschreiben?";
      if (Ask(text, MsgButtons::YesNo, MsgIcon::Exclamation, 2) != MsgAnswer::Yes) return false;
    } else if (named && !SameFile(path, project->fullName)) {
      const std::string text =
          "Die Datei " + Quoted(path) + " ist bereits vorhanden.\r\n\r\nMöchten Sie sie ersetzen?";
      if (Ask(text, MsgButtons::YesNo, MsgIcon::Question, 2) != MsgAnswer::Yes) return false;
    }
  }
  host::Resume save;
  if (!save([&] { host_.SaveProjectAs(path); })) {
    Tell("Das Projekt " + Quoted(ProjectName(*project)) + " wurde nicht gespeichert:\r\n" +
             save.Failures().back().description,
         MsgIcon::Exclamation);
    return false;
  }
  AddRecentFile(path);
  ShowActiveProject();
  return true;
}

bool HostWindow::SettleUnsaved(const std::shared_ptr<platform::ProjectData>& project) {
  if (!project->fullName.empty()) return true;
  const MsgAnswer answer =
      Ask("Möchten Sie die Änderungen an " + Quoted(ProjectName(*project)) + " speichern?",
          MsgButtons::YesNoCancel, MsgIcon::Question, 1);
  if (answer == MsgAnswer::Cancel) return false;
  if (answer == MsgAnswer::No) return true;
  host_.ActivateProject(project);
  return SaveActive(false);
}

bool HostWindow::CloseActive() {
  const auto project = host_.ActiveData();
  if (!project) return false;
  if (!SettleUnsaved(project)) return false;
  host_.CloseProject(project);
  sheets_.erase(project.get());
  ShowActiveProject();
  return true;
}

void HostWindow::closeEvent(QCloseEvent* event) {
  for (const auto& project : host_.OpenData()) {
    if (!SettleUnsaved(project)) {
      ShowActiveProject();
      event->ignore();
      return;
    }
  }
  event->accept();
}

std::vector<std::string> HostWindow::RecentFiles() const {
  std::vector<std::string> files;
  if (services_.store == nullptr) return files;
  for (int i = 1; i <= kRecentFiles; ++i) {
    // An empty place is kept as a blank.
    const std::string path = Trim(GetRegString(*services_.store, HKEY_CURRENT_USER,
                                               kRecentFilesKey, "Datei" + std::to_string(i)));
    if (!path.empty()) files.push_back(path);
  }
  return files;
}

void HostWindow::AddRecentFile(const std::string& path) {
  if (services_.store == nullptr) return;
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  const std::string full = ec ? path : absolute.lexically_normal().string();
  std::vector<std::string> files{full};
  for (const std::string& f : RecentFiles())
    if (!SameFile(f, full) && files.size() < static_cast<std::size_t>(kRecentFiles))
      files.push_back(f);
  for (int i = 1; i <= kRecentFiles; ++i) {
    std::string value = i <= static_cast<int>(files.size()) ? files[static_cast<std::size_t>(i - 1)]
                                                             : std::string();
    SetRegString(*services_.store, HKEY_CURRENT_USER, kRecentFilesKey,
                 "Datei" + std::to_string(i), value);
  }
  RebuildBars();
}

void HostWindow::RunBuiltIn(std::int32_t id) {
  switch (id) {
    case platform::kIdFileOpen: {
      const auto active = host_.ActiveData();
      const auto path = AskFileName(false, active ? active->fullName : std::string());
      if (path) OpenFile(*path);
      return;
    }
    case platform::kIdFileSave:
      SaveActive(false);
      return;
    case platform::kIdFileSaveAs:
      SaveActive(true);
      return;
    case platform::kIdFileClose:
      CloseActive();
      return;
    case platform::kIdFileExit:
      close();
      return;
    case platform::kIdViewGantt:
      ShowSheet(Sheet::Gantt);
      return;
    case platform::kIdViewResourceSheet:
      ShowSheet(Sheet::Resources);
      return;
    case platform::kIdZoomIn:
      dayWidth_ = std::min(dayWidth_ * 1.5, 200.0);
      gantt_->SetDayWidth(dayWidth_);
      return;
    case platform::kIdZoomOut:
      dayWidth_ = std::max(dayWidth_ / 1.5, 1.0);
      gantt_->SetDayWidth(dayWidth_);
      return;
    case platform::kIdAddIns: {
      AddInsDialog dialog(addIns_, this);
      if (dialog.exec() == QDialog::Accepted) dialog.Apply();
      return;
    }
    case platform::kIdAbout:
      QMessageBox::about(this, QStringLiteral("Über Korvalinx Planer"),
                         QStringLiteral("Korvalinx Planer\n\nDer Planungs-Host für das Add-In "
                                        "Korvalinx %1.")
                             .arg(Text(kProductVersion)));
      return;
    default:
      return;
  }
}

void HostWindow::Run(const platform::CommandBarService::ControlView& control) {
  if (control.id != host::kCustomControlId) {
    RunBuiltIn(control.id);
    return;
  }
  // An add-in's control: its action string "!<ProgId>" names the add-in, which is loaded first
  // when the user had unloaded it; then its click events run (the wizard, for our own add-in).
  bool shown = false;
  for (AddInSlot* a : addIns_) {
    if (!a->Connected() && control.onAction == "!<" + a->GetProgId() + ">") {
      a->Load(addin::kConnectAfterStartup);
      shown = a->ShowsOnConnect();  // it has shown itself already
    }
  }
  if (!shown) bars_.Click(control.state);
  // The chart it made is the active project now.
  ShowActiveProject();
}

}  // namespace kx::desktop
