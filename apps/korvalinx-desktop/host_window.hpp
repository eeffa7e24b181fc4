#pragma once
// The desktop host's main window: the open projects of the planning host, the active one drawn
// as its Gantt view by the chart renderer, and the host's command bars as the menu bar and
// toolbars. Clicks on the host's own controls run the window's commands; clicks on an add-in's
// controls go to the add-in through the command bar service.

#include <QMainWindow>
#include <memory>
#include <string>

#include "platform/command_bars.hpp"
#include "platform/planning_host.hpp"

class QScrollArea;

namespace kx::desktop {

class HostWindow final : public QMainWindow {
 public:
  HostWindow(platform::PlanningHost& host, platform::CommandBarService& bars,
             QWidget* parent = nullptr);
  ~HostWindow() override;

  // Draws the menus and toolbars anew from the command bars.
  void RebuildBars();
  // Shows the active project (title and Gantt view) anew.
  void ShowActiveProject();
  // Opens a Project XML file as a new active project; false after a German message.
  bool OpenFile(const std::string& path);

 private:
  void Run(const platform::CommandBarService::ControlView& control);

  platform::PlanningHost& host_;
  platform::CommandBarService& bars_;
  QScrollArea* scroll_ = nullptr;
  double dayWidth_ = 16;
};

}  // namespace kx::desktop
