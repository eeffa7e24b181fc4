#include "host_window.hpp"

#include <QAction>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScrollArea>
#include <QToolBar>

#include "gantt/chart_model.hpp"
#include "gantt/chart_painter.hpp"

namespace kx::desktop {
namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The Gantt view of one project, at its natural size, inside the window's scroll area.
class GanttWidget final : public QWidget {
 public:
  GanttWidget(const platform::ProjectData& project, double dayWidth)
      : model_(gantt::BuildChartModel(project)), painter_(model_, Options(dayWidth)) {
    const QSizeF size = painter_.Size();
    setFixedSize(static_cast<int>(size.width()) + 1, static_cast<int>(size.height()) + 1);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    painter_.Paint(p);
  }

 private:
  static gantt::PictureOptions Options(double dayWidth) {
    gantt::PictureOptions o;
    o.dayWidth = dayWidth;
    return o;
  }
  gantt::ChartModel model_;
  gantt::ChartPainter painter_;
};

}  // namespace

HostWindow::HostWindow(platform::PlanningHost& host, platform::CommandBarService& bars,
                       QWidget* parent)
    : QMainWindow(parent), host_(host), bars_(bars) {
  scroll_ = new QScrollArea(this);
  scroll_->setBackgroundRole(QPalette::Base);
  setCentralWidget(scroll_);
  resize(1200, 700);
  // Redrawn after the click that changed them has finished, never inside it.
  bars_.SetOnChange([this] {
    QMetaObject::invokeMethod(
        this, [this] { RebuildBars(); }, Qt::QueuedConnection);
  });
  RebuildBars();
  ShowActiveProject();
}

HostWindow::~HostWindow() {
  bars_.SetOnChange(nullptr);
}

void HostWindow::RebuildBars() {
  menuBar()->clear();
  for (QToolBar* old : findChildren<QToolBar*>()) {
    removeToolBar(old);
    old->deleteLater();
  }
  const auto addControls =
      [this](auto* target, const std::vector<platform::CommandBarService::ControlView>& controls) {
        bool first = true;
        for (const auto& c : controls) {
          if (c.beginGroup && !first) target->addSeparator();
          first = false;
          QAction* action = target->addAction(Text(c.caption));
          action->setObjectName(Text(c.tag.empty() ? std::to_string(c.id) : c.tag));
          connect(action, &QAction::triggered, this, [this, c] { Run(c); });
        }
      };
  for (const auto& bar : bars_.Bars()) {
    if (bar.position == host::kBarMenuBar) {
      for (const auto& popup : bar.controls) {
        QMenu* menu = menuBar()->addMenu(Text(popup.caption));
        addControls(menu, bars_.MenuOf(popup.opens));
      }
    } else if (bar.position != host::kBarPopup && bar.visible) {
      QToolBar* toolbar = addToolBar(Text(bar.name));
      toolbar->setObjectName(Text(bar.name));
      toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
      addControls(toolbar, bar.controls);
    }
  }
}

void HostWindow::ShowActiveProject() {
  const auto project = host_.ActiveData();
  if (!project) {
    setWindowTitle(QStringLiteral("Korvalinx Planer"));
    scroll_->setWidget(new QWidget);
    return;
  }
  const std::string name = project->title.empty() ? project->name : project->title;
  setWindowTitle(Text(name) + QStringLiteral(" – Korvalinx Planer"));
  scroll_->setWidget(new GanttWidget(*project, dayWidth_));
}

bool HostWindow::OpenFile(const std::string& path) {
  host::Resume open;
  if (!open([&] { host_.OpenProject(path); })) {
    QMessageBox::warning(this, QStringLiteral("Korvalinx Planer"),
                         Text("Die Projektdatei \"" + path + "\" kann nicht geöffnet werden:\n" +
                              open.Failures().back().description));
    return false;
  }
  ShowActiveProject();
  return true;
}

void HostWindow::Run(const platform::CommandBarService::ControlView& control) {
  switch (control.id) {
    case platform::kIdFileOpen: {
      const QString path =
          QFileDialog::getOpenFileName(this, QStringLiteral("Öffnen"), QString(),
                                       QStringLiteral("Project XML (*.xml);;Alle Dateien (*)"));
      if (!path.isEmpty()) OpenFile(path.toStdString());
      return;
    }
    case platform::kIdFileExit:
      close();
      return;
    case platform::kIdZoomIn:
      dayWidth_ = std::min(dayWidth_ * 1.5, 200.0);
      ShowActiveProject();
      return;
    case platform::kIdZoomOut:
      dayWidth_ = std::max(dayWidth_ / 1.5, 1.0);
      ShowActiveProject();
      return;
    case host::kCustomControlId:
      // An add-in's control: its click events run (the wizard, for our own add-in); the
      // chart it made is the active project afterwards.
      bars_.Click(control.state);
      ShowActiveProject();
      return;
    default:
      return;
  }
}

}  // namespace kx::desktop
