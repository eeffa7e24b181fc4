#include "desktop/host_window.hpp"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <functional>
#include <type_traits>

#include "chart/chart_view.hpp"
#include "desktop/absence_dialog.hpp"
#include "desktop/add_ins.hpp"
#include "desktop/chart_exports.hpp"
#include "desktop/command_icons.hpp"
#include "desktop/gantt_view.hpp"
#include "desktop/holidays_dialog.hpp"
#include "desktop/host_window_state.hpp"
#include "desktop/resource_sheet.hpp"
#include "gantt/chart_painter.hpp"
#include "gantt/picture_file.hpp"
#include "settings/chart_settings.hpp"
#include "support/file_writer.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"
#include "support/text.hpp"

namespace kx::desktop {
namespace {

constexpr double kMinDayWidth = 1.0;
constexpr double kMaxDayWidth = 200.0;

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
    case kIdInsertHolidays:
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
    case platform::kIdFileSaveAs:
      return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
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

// A whole number kept in the store; nullopt when missing or not one.
std::optional<int> StoredNumber(RegistryStore* store, const std::string& name) {
  if (store == nullptr) return std::nullopt;
  const std::string text = Trim(GetRegString(*store, HKEY_CURRENT_USER, kWindowKey, name));
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + 1)
    parts.push_back(text.substr(at, end - at));
  parts.push_back(text.substr(at));
  return parts;
}

std::string ColumnsValue(const std::string& view) {
  return "Spalten " + (view.empty() ? std::string("Balkendiagramm (Gantt)") : view);
}

}  // namespace

using window::ProjectName;
using window::Text;

std::size_t window::StateOf(const platform::ProjectData& project) {
  std::size_t state = std::hash<std::string>{}(project.title);
  const auto mix = [&state](std::size_t value) {
    state ^= value + 0x9e3779b97f4a7c15ULL + (state << 6) + (state >> 2);
  };
  mix(project.tasks.size());
  mix(project.resources.size());
  mix(project.calendars.size());
  for (const auto& calendar : project.calendars) {
    if (!calendar) continue;
    mix(std::hash<std::string>{}(calendar->name));
    mix(calendar->exceptions.size());
    for (const auto& exception : calendar->exceptions) {
      mix(std::hash<std::string>{}(exception.name));
      mix(std::hash<double>{}(exception.from.serial));
      mix(std::hash<double>{}(exception.to.serial));
      mix(exception.working ? 1 : 0);
    }
  }
  for (const auto& property : project.properties) {
    mix(std::hash<std::string>{}(property.name));
    mix(std::hash<std::string>{}(property.value));
  }
  return state;
}

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
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  statusBar()->addWidget(status_, 1);
  // A save that waits for another write of its file (a lock held) says so in the status bar
  // while the window goes on drawing itself; clicks and keys wait until the save is done.
  notices_ = std::make_unique<ScopedWriterNotices>(
      [this](const std::string& text) {
        statusBar()->showMessage(Text(text), static_cast<int>(LockWaitLimit().count()) + 1000);
        statusBar()->repaint();
      },
      [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
  RestoreLayout();
  // What the user dragged in the Gantt view is kept at once.
  gantt_->SetOnLayoutChanged([this] { SaveLayout(); });

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
  const auto addControl = [this](auto* target, const platform::CommandBarService::ControlView& c) {
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
            if constexpr (std::is_same_v<decltype(target), QMenu*>)
              AddWindowEntries(target, "File");
            // The files opened last, before "Beenden".
            int number = 0;
            for (const std::string& path : RecentFiles()) {
              if (number == 0) target->addSeparator();
              ++number;
              QAction* recent =
                  target->addAction(QStringLiteral("&%1 %2").arg(number).arg(Text(path)));
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
        if (popup.opens == "Tools") {  // the window's own command, beside the bars
          menu->addSeparator();
          QAction* absence = menu->addAction(QStringLiteral("Konflikte und An&wesenheit..."));
          absence->setObjectName(QStringLiteral("absenceDialog"));
          connect(absence, &QAction::triggered, this, [this] {
            if (host_.ActiveData())
              AbsenceDialog(host_, services_.store, services_.boxes, this).exec();
          });
        }
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
  UpdateCommands();
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
    QAction* a =
        menu->addAction(QStringLiteral("&%1 %2").arg(number).arg(Text(ProjectName(*project))));
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
  // Saving, switching or zooming keeps the place the user scrolled to.
  if (shown_ != nullptr && gantt_->Model() != nullptr)
    places_[shown_] = {gantt_->horizontalScrollBar()->value(),
                       gantt_->verticalScrollBar()->value()};
  shown_ = nullptr;
  const auto project = host_.ActiveData();
  if (!project) {
    setWindowTitle(Text(kHostTitle));
    viewName_->clear();
    gantt_->ShowProject(nullptr, dayWidth_);
    sheet_->ShowProject(nullptr);
    stack_->setCurrentWidget(gantt_);
    UpdateCommands();
    return;
  }
  // A project met for the first time (opened, made by an add-in) is as its file holds it.
  if (savedStates_.find(project.get()) == savedStates_.end()) MarkSaved(*project);
  setWindowTitle(Text(ProjectName(*project)) + (ActiveUnsaved() ? QStringLiteral("*") : QString()) +
                 QStringLiteral(" – ") + Text(kHostTitle));
  const auto it = sheets_.find(project.get());
  const Sheet sheet = it != sheets_.end() ? it->second : Sheet::Gantt;
  sheets_[project.get()] = sheet;
  if (sheet == Sheet::Gantt) {
    gantt_->ShowProject(project.get(), dayWidth_);
    const std::string& view = project->definitions.currentView;
    viewName_->setText(Text(view.empty() ? "Balkendiagramm (Gantt)" : view));
    // The widths the user gave this view's columns.
    if (services_.store != nullptr) {
      std::vector<double> widths;
      for (const std::string& w :
           Split(GetRegString(*services_.store, HKEY_CURRENT_USER, kWindowKey, ColumnsValue(view)),
                 ';')) {
        double value = 0.0;
        const std::string t = Trim(w);
        const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
        widths.push_back(error == std::errc() && end == t.data() + t.size() ? value : 0.0);
      }
      if (!widths.empty()) gantt_->SetColumnWidths(widths);
    }
    if (const auto place = places_.find(project.get()); place != places_.end()) {
      gantt_->horizontalScrollBar()->setValue(place->second.x());
      gantt_->verticalScrollBar()->setValue(place->second.y());
    }
    shown_ = project.get();
    stack_->setCurrentWidget(gantt_);
    gantt_->setFocus();  // the keys scroll the chart
  } else {
    sheet_->ShowProject(project);
    viewName_->setText(QStringLiteral("Ressource: Tabelle"));
    stack_->setCurrentWidget(sheet_);
  }
  UpdateCommands();
}

bool HostWindow::ActiveUnsaved() const {
  const auto project = host_.ActiveData();
  if (!project) return false;
  const auto it = savedStates_.find(project.get());
  return it != savedStates_.end() && it->second != window::StateOf(*project);
}

void HostWindow::MarkSaved(const platform::ProjectData& project) {
  savedStates_[&project] = window::StateOf(project);
}

void HostWindow::UpdateCommands() {
  const auto project = host_.ActiveData();
  const bool gantt = project && CurrentSheet() == Sheet::Gantt && gantt_->Model() != nullptr;
  for (QAction* action : findChildren<QAction*>()) {
    bool ok = false;
    const int id = action->objectName().toInt(&ok);
    if (!ok || !WindowRuns(id)) continue;
    switch (id) {
      case platform::kIdFileSave:
      case platform::kIdFileSaveAs:
      case platform::kIdFileClose:
      case platform::kIdViewGantt:
      case platform::kIdViewResourceSheet:
        action->setEnabled(project != nullptr);
        break;
      case platform::kIdZoomIn:
        action->setEnabled(gantt && dayWidth_ < kMaxDayWidth);
        break;
      case platform::kIdZoomOut:
        action->setEnabled(gantt && dayWidth_ > kMinDayWidth);
        break;
      default:
        break;
    }
  }
  for (QAction* action : findChildren<QAction*>(QStringLiteral("chartOutput")))
    action->setEnabled(gantt);
  ShowStatus();
}

void HostWindow::ShowStatus() {
  const auto project = host_.ActiveData();
  if (!project) {
    status_->setText(QStringLiteral("Kein Projekt geöffnet"));
    return;
  }
  QStringList parts{Text(ProjectName(*project))};
  if (CurrentSheet() == Sheet::Gantt && gantt_->Model() != nullptr) {
    const gantt::ChartModel& model = *gantt_->Model();
    parts << QStringLiteral("%1 Zeilen").arg(model.rows.size())
          << QStringLiteral("Zeitraum %1").arg(Text(gantt::PeriodText(model.period)))
          << QStringLiteral("Zoom %1 Pixel je Tag")
                 .arg(QLocale().toString(gantt_->DayWidth(), 'f', 1));
  } else if (CurrentSheet() == Sheet::Resources) {
    parts << QStringLiteral("%1 Ressourcen").arg(project->resources.size());
  }
  if (ActiveUnsaved()) parts << QStringLiteral("Nicht gespeicherte Änderungen");
  status_->setText(parts.join(QStringLiteral("   |   ")));
}

void HostWindow::RestoreLayout() {
  const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  const QRect free = where != nullptr ? where->availableGeometry() : QRect(0, 0, 1200, 700);
  // Room for the window manager's frame and title bar around the window's own area.
  constexpr int kFrameWidth = 12, kFrameHeight = 40;
  const int width = std::clamp(StoredNumber(services_.store, "Breite").value_or(1200), 400,
                               std::max(400, free.width() - kFrameWidth));
  const int height = std::clamp(StoredNumber(services_.store, "Hoehe").value_or(700), 300,
                                std::max(300, free.height() - kFrameHeight));
  resize(width, height);
  const auto left = StoredNumber(services_.store, "Links");
  const auto top = StoredNumber(services_.store, "Oben");
  const int x = left ? std::clamp(*left, free.left(),
                                  std::max(free.left(), free.right() - width - kFrameWidth))
                     : free.left() + std::max(0, (free.width() - width - kFrameWidth) / 2);
  const int y = top ? std::clamp(*top, free.top(),
                                 std::max(free.top(), free.bottom() - height - kFrameHeight))
                    : free.top() + std::max(0, (free.height() - height - kFrameHeight) / 2);
  move(x, y);
  if (StoredNumber(services_.store, "Maximiert").value_or(0) == 1)
    setWindowState(windowState() | Qt::WindowMaximized);
  if (const auto table = StoredNumber(services_.store, "Tabellenbreite"); table && *table > 0)
    gantt_->SetTableShown(*table);
}

void HostWindow::SaveLayout() {
  if (services_.store == nullptr) return;
  RegistryStore& store = *services_.store;
  const auto put = [&](const std::string& name, const std::string& value) {
    std::string text = value;
    SetRegString(store, HKEY_CURRENT_USER, kWindowKey, name, text);
  };
  const bool maximized = isMaximized();
  put("Maximiert", maximized ? "1" : "0");
  if (!maximized) {
    const QRect place = normalGeometry().isValid() ? normalGeometry() : geometry();
    put("Links", std::to_string(pos().x()));
    put("Oben", std::to_string(pos().y()));
    put("Breite", std::to_string(place.width()));
    put("Hoehe", std::to_string(place.height()));
  }
  if (gantt_->TableChosen() > 0.0)
    put("Tabellenbreite", std::to_string(static_cast<int>(std::lround(gantt_->TableChosen()))));
  if (gantt_->Model() != nullptr && gantt_->ColumnsChosen()) {
    std::string widths;
    for (const double w : gantt_->ColumnWidths())
      widths += (widths.empty() ? "" : ";") + std::to_string(static_cast<int>(std::lround(w)));
    put(ColumnsValue(gantt_->Model()->viewName), widths);
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
      dayWidth_ = std::min(dayWidth_ * 1.5, kMaxDayWidth);
      gantt_->SetDayWidth(dayWidth_);
      UpdateCommands();
      return;
    case platform::kIdZoomOut:
      dayWidth_ = std::max(dayWidth_ / 1.5, kMinDayWidth);
      gantt_->SetDayWidth(dayWidth_);
      UpdateCommands();
      return;
    case platform::kIdAddIns: {
      AddInsDialog dialog(addIns_, this);
      if (dialog.exec() == QDialog::Accepted) dialog.Apply();
      return;
    }
    case kIdInsertHolidays:
      if (InsertHolidays(host_, this)) ShowActiveProject();  // the view shades them
      return;
    case platform::kIdAbout:
      QMessageBox::about(this, QStringLiteral("Über Korvalinx Planer"),
                         QStringLiteral("Korvalinx Planer mit dem Add-In Korvalinx %1\n\n"
                                        "Öffnet Projektpläne (Project XML) und erstellt aus ihren "
                                        "Ressourcen Ressourcenzeitpläne und Urlaubspläne.")
                             .arg(Text(kProductVersion)));
      return;
    default:
      return;
  }
}

void HostWindow::AddWindowEntries(QMenu* menu, const std::string& opens) {
  if (opens != "File") return;
  menu->addSeparator();
  QMenu* exports = menu->addMenu(QStringLiteral("E&xportieren"));
  exports->setObjectName(QStringLiteral("exportMenu"));
  for (const ExportFormat& format : ExportFormats()) {
    QAction* action = exports->addAction(QString::fromUtf8(format.caption));
    action->setObjectName(QStringLiteral("chartOutput"));
    action->setData(QString::fromUtf8(format.name));
    const ExportKind kind = format.kind;
    connect(action, &QAction::triggered, this, [this, kind] { Export(kind); });
    if (format.kind == ExportKind::Svg) exports->addSeparator();
  }
  QAction* preview = menu->addAction(QStringLiteral("Seiten&ansicht..."));
  preview->setObjectName(QStringLiteral("chartOutput"));
  preview->setData(QStringLiteral("printPreview"));
  connect(preview, &QAction::triggered, this, [this] { Print(true); });
  QAction* print = menu->addAction(QStringLiteral("&Drucken..."));
  print->setObjectName(QStringLiteral("chartOutput"));
  print->setData(QStringLiteral("print"));
  print->setShortcut(QKeySequence::Print);
  connect(print, &QAction::triggered, this, [this] { Print(false); });
}

std::shared_ptr<platform::ProjectData> HostWindow::SourceOfActive() {
  const auto project = host_.ActiveData();
  if (!project) return nullptr;
  if (const auto it = chartSources_.find(project.get()); it != chartSources_.end()) {
    const auto source = it->second.lock();
    const auto open = host_.OpenData();
    if (source && std::find(open.begin(), open.end(), source) != open.end()) return source;
    Tell("Das Projekt, aus dem " + Quoted(ProjectName(*project)) +
             " erstellt wurde, ist nicht mehr geöffnet. Öffnen Sie es und exportieren Sie dort.",
         MsgIcon::Exclamation);
    return nullptr;
  }
  if (project->calendarName == chart::kNeutralCalendar) {
    Tell("Die Tage der Ressourcen stehen in dem Projekt, aus dem " + Quoted(ProjectName(*project)) +
             " erstellt wurde. Öffnen Sie dieses Projekt und exportieren Sie dort, oder erstellen "
             "Sie das Diagramm mit dem Korvalinx Assistenten neu.",
         MsgIcon::Information);
    return nullptr;
  }
  return project;
}

void HostWindow::Run(const platform::CommandBarService::ControlView& control) {
  if (control.id != host::kCustomControlId) {
    RunBuiltIn(control.id);
    return;
  }
  // An add-in's control: its action string "!<ProgId>" names the add-in, which is loaded first
  // when the user had unloaded it; then its click events run (the wizard, for our own add-in).
  const auto before = host_.ActiveData();
  bool shown = false;
  for (AddInSlot* a : addIns_) {
    if (!a->Connected() && control.onAction == "!<" + a->GetProgId() + ">") {
      a->Load(addin::kConnectAfterStartup);
      shown = a->ShowsOnConnect();  // it has shown itself already
    }
  }
  if (!shown) bars_.Click(control.state);
  // The chart it made is the active project now; it was made from the project active before.
  if (const auto after = host_.ActiveData(); after && before && after != before)
    chartSources_[after.get()] = before;
  ShowActiveProject();
}

}  // namespace kx::desktop
