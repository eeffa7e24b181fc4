#pragma once
// The desktop host's main window: the open projects of the planning host, the active one shown
// in its Gantt view (drawn by the chart renderer) or its resource sheet, and the host's command
// bars as the menu bar and toolbars. Clicks on the host's own controls run the window's
// commands; clicks on an add-in's controls go to the add-in through the command bar service.

#include <QMainWindow>
#include <QPoint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/command_bar_service.hpp"
#include "platform/planning_host.hpp"
#include "support/file_dialog.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"

namespace kx {
class ScopedWriterNotices;
}

class QLabel;
class QMenu;
class QPrinter;
class QStackedWidget;

namespace kx::desktop {

class AddInSlot;
class GanttView;
class ResourceSheet;
enum class ExportKind;

// The host's name, in its title bar and its messages.
inline constexpr const char* kHostTitle = "Korvalinx Planer";
// Where the store keeps the files opened last (below HKEY_CURRENT_USER): "Datei1" is the newest.
inline constexpr const char* kRecentFilesKey = "Software\\Korvalinx Planer\\Zuletzt geöffnet";
inline constexpr int kRecentFiles = 4;
// Where the store keeps the window's place and size, the table's share of the Gantt view and
// the widths of each view's columns.
inline constexpr const char* kWindowKey = "Software\\Korvalinx Planer\\Fenster";

// What the window asks and remembers with: its questions and messages, its file dialogs and the
// per-user store. Missing ones: no questions (every answer the first button), no dialogs, no
// list of recent files.
struct WindowServices {
  MessageBoxes* boxes = nullptr;
  PlatformFileDialogs* dialogs = nullptr;
  RegistryStore* store = nullptr;
};

class HostWindow final : public QMainWindow {
 public:
  enum class Sheet { Gantt, Resources };

  HostWindow(platform::PlanningHost& host, platform::CommandBarService& bars,
             WindowServices services = {}, QWidget* parent = nullptr);
  ~HostWindow() override;

  // The add-ins that the "Add-Ins..." dialog lists and that the add-ins' controls load on
  // demand.
  void SetAddIns(std::vector<AddInSlot*> addIns) { addIns_ = std::move(addIns); }

  // Draws the menus and toolbars anew from the command bars.
  void RebuildBars();
  // Shows the active project (title, view and its content) anew.
  void ShowActiveProject();
  // Opens a Project XML file as a new active project; false after a German message.
  bool OpenFile(const std::string& path);
  // "Speichern" (under the project's file; a project never saved asks for a name) and
  // "Speichern unter..." (asks for a name). Asks before replacing a file that this host did not
  // write. False when nothing was saved.
  bool SaveActive(bool askForName);
  // "Schließen": takes the active project off, after asking about one that was never saved.
  // False when the user kept it.
  bool CloseActive();
  void ShowSheet(Sheet sheet);
  Sheet CurrentSheet() const;
  // Runs one of the host's own commands by its built-in identifier.
  void RunBuiltIn(std::int32_t id);
  // "Datei > Exportieren": the shown chart as a picture, or the days of its resources as a
  // table, calendar or workbook (made from the project it was made from, with the settings
  // that project holds). Asks for the file; false when nothing was written.
  bool Export(ExportKind kind);
  // "Drucken..." and "Seitenansicht": the shown chart on A4 landscape pages unless the user
  // chooses otherwise in Qt's dialogs.
  void Print(bool preview);
  // Draws the shown chart on the printer's pages.
  void PrintChart(QPrinter& printer);
  // The files opened last, newest first.
  std::vector<std::string> RecentFiles() const;
  // Whether the active project has changes that are not in its file (or has no file yet).
  bool ActiveUnsaved() const;
  // Place and size from the store, fitted to the screen's free area (the first start: 1200 x
  // 700 or less, centred); kept in the store when the window closes.
  void RestoreLayout();
  void SaveLayout();

  GanttView* Gantt() const { return gantt_; }
  ResourceSheet* Resources() const { return sheet_; }
  QLabel* ViewName() const { return viewName_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Run(const platform::CommandBarService::ControlView& control);
  // Enables the commands that can act now and fills the status bar.
  void UpdateCommands();
  void ShowStatus();
  // Remembers what the project holds as it is in its file, after opening or saving it.
  void MarkSaved(const platform::ProjectData& project);
  void AddRecentFile(const std::string& path);
  void FillWindowMenu(QMenu* menu);
  // The type of file a dialog asks for.
  struct FileType {
    std::string title, filter, extension;
  };
  std::optional<std::string> AskFileName(bool save, const std::string& proposed,
                                         const FileType* type = nullptr);
  // The window's own entries of a menu of the command bars ("File": Exportieren, Seitenansicht,
  // Drucken), added before the entry `before` of that menu.
  void AddWindowEntries(QMenu* menu, const std::string& opens);
  // The project whose resources the active chart shows (itself when it is no chart); null after
  // a message when it is not known.
  std::shared_ptr<platform::ProjectData> SourceOfActive();
  // Asks about the unsaved work of `project`: true to go on (saved or given up), false to stop.
  bool SettleUnsaved(const std::shared_ptr<platform::ProjectData>& project);
  MsgAnswer Ask(const std::string& text, MsgButtons buttons, MsgIcon icon, int defaultButton);
  void Tell(const std::string& text, MsgIcon icon);

  platform::PlanningHost& host_;
  platform::CommandBarService& bars_;
  WindowServices services_;
  std::vector<AddInSlot*> addIns_;
  QLabel* viewName_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  GanttView* gantt_ = nullptr;
  ResourceSheet* sheet_ = nullptr;
  std::map<const platform::ProjectData*, Sheet> sheets_;  // the sheet each open project shows
  std::map<const platform::ProjectData*, std::size_t> savedStates_;  // as in its file
  // Where the Gantt view of each project was scrolled to, kept while others are shown.
  std::map<const platform::ProjectData*, QPoint> places_;
  const platform::ProjectData* shown_ = nullptr;  // the project the Gantt view shows
  // The project each chart made in this window was made from.
  std::map<const platform::ProjectData*, std::weak_ptr<platform::ProjectData>> chartSources_;
  QLabel* status_ = nullptr;
  double dayWidth_ = 16;
  std::unique_ptr<ScopedWriterNotices> notices_;  // what the writer says while it waits
};

}  // namespace kx::desktop
