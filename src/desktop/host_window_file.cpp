// The host window's file commands: open, save and save as (asking for a name and what to do
// with unsaved changes), close, the recent files, the exports of a chart and printing.

#include <QCloseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <algorithm>
#include <filesystem>

#include "desktop/chart_exports.hpp"
#include "desktop/gantt_view.hpp"
#include "desktop/host_window.hpp"
#include "desktop/host_window_state.hpp"
#include "gantt/chart_painter.hpp"
#include "gantt/picture_file.hpp"
#include "support/file_writer.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"
#include "support/text.hpp"

namespace kx::desktop {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

const std::string kProjectFilter = "Projekte (*.xml)\0*.xml\0Alle Dateien (*.*)\0*.*\0\0"s;

}  // namespace

using window::ProjectName;
using window::StateOf;
using window::Text;

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
  if (const auto opened = host_.ActiveData()) MarkSaved(*opened);
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

std::optional<std::string> HostWindow::AskFileName(bool save, const std::string& proposed,
                                                   const FileType* type) {
  if (services_.dialogs == nullptr) return std::nullopt;
  FileDialogRequest request;
  request.filter = type != nullptr ? type->filter : kProjectFilter;
  request.maxFile = 4096;
  request.file = proposed;
  request.file.resize(static_cast<std::size_t>(request.maxFile), '\0');
  request.title = type != nullptr ? type->title : save ? "Speichern unter" : "Öffnen";
  request.defaultExt = type != nullptr ? type->extension : "xml";
  // The window asks itself before it replaces a project file; Qt asks before an export does.
  request.flags = kOfnExplorer | kOfnHideReadOnly | kOfnPathMustExist |
                  (save ? 0 : kOfnFileMustExist) | (type != nullptr ? kOfnOverwritePrompt : 0);
  // A project without a file is proposed in the folder of the file opened last.
  std::string folder = fs::path(proposed).parent_path().string();
  if (folder.empty()) {
    const auto recent = RecentFiles();
    if (!recent.empty()) folder = fs::path(recent.front()).parent_path().string();
  }
  request.initialDir = folder;
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
  MarkSaved(*project);
  AddRecentFile(path);
  ShowActiveProject();
  return true;
}

bool HostWindow::SettleUnsaved(const std::shared_ptr<platform::ProjectData>& project) {
  const auto saved = savedStates_.find(project.get());
  const bool changed = saved != savedStates_.end() && saved->second != StateOf(*project);
  if (!project->fullName.empty() && !changed) return true;
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
  savedStates_.erase(project.get());
  chartSources_.erase(project.get());
  places_.erase(project.get());
  if (shown_ == project.get()) shown_ = nullptr;
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
  SaveLayout();
  event->accept();
}

std::vector<std::string> HostWindow::RecentFiles() const {
  std::vector<std::string> files;
  if (services_.store == nullptr) return files;
  for (int i = 1; i <= kRecentFiles; ++i) {
    // An empty place is kept as a blank.
    const std::string path = Trim(GetRegString(*services_.store, HKEY_CURRENT_USER, kRecentFilesKey,
                                               "Datei" + std::to_string(i)));
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
    SetRegString(*services_.store, HKEY_CURRENT_USER, kRecentFilesKey, "Datei" + std::to_string(i),
                 value);
  }
  RebuildBars();
}

bool HostWindow::Export(ExportKind kind) {
  const auto project = host_.ActiveData();
  if (!project || gantt_->Model() == nullptr) return false;
  const ExportFormat& format = FormatOf(kind);
  std::shared_ptr<platform::ProjectData> source;
  if (!format.picture) {
    source = SourceOfActive();
    if (!source) return false;
    if (source->fullName.empty()) {
      Tell("Das Projekt " + Quoted(ProjectName(*source)) +
               " hat noch keine Datei. Speichern Sie es, bevor Sie exportieren.",
           MsgIcon::Exclamation);
      return false;
    }
  }
  std::string proposed = ProjectName(*project) + "." + format.extension;
  if (!project->fullName.empty())
    proposed = (fs::path(project->fullName).parent_path() /
                (fs::path(project->fullName).stem().string() + "." + format.extension))
                   .string();
  const FileType type{"Exportieren",
                      std::string(format.filter, std::strlen(format.filter) + 1) + '\0',
                      format.extension};
  const auto path = AskFileName(true, proposed, &type);
  if (!path) return false;
  if (const std::string refusal = GuardedTarget(host_, format, *path); !refusal.empty()) {
    Tell(refusal, MsgIcon::Exclamation);
    return false;
  }
  SilentMessageBoxes silent;
  MessageBoxes& boxes = services_.boxes != nullptr ? *services_.boxes : silent;
  std::optional<std::string> done;
  if (format.picture) {
    done = ExportPicture(*project, format, *path, boxes);
  } else {
    MemoryRegistryStore memory;
    RegistryStore& store = services_.store != nullptr ? *services_.store : memory;
    settings::ChartSettings chosen;
    for (const host::ProjectPtr& open : host_.GetOpenProjects())
      if (platform::PlanningHost::DataOf(open) == source)
        settings::GetSettings(chosen, *open, store, settings::LocalToday());
    done = ExportDays(source->fullName, chosen, format, *path, boxes, store);
  }
  if (!done) return false;
  statusBar()->showMessage(Text(*done), 15000);
  return true;
}

void HostWindow::PrintChart(QPrinter& printer) {
  if (gantt_->Model() == nullptr) return;
  gantt::PictureOptions options;
  options.columnWidths = gantt_->ColumnWidths();
  options.dayWidth = gantt::FittedDayWidth(*gantt_->Model(), options, printer.pageLayout());
  const gantt::ChartPainter chart(*gantt_->Model(), options);
  QPainter p(&printer);
  if (!p.isActive()) {
    Tell("Der Drucker kann nicht angesprochen werden.", MsgIcon::Exclamation);
    return;
  }
  const bool range = printer.printRange() == QPrinter::PageRange;
  gantt::PaintPages(chart, printer, p, range ? printer.fromPage() : 1,
                    range ? printer.toPage() : 0);
}

void HostWindow::Print(bool preview) {
  const auto project = host_.ActiveData();
  if (!project || gantt_->Model() == nullptr) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
  printer.setDocName(Text(ProjectName(*project)));
  printer.setCreator(Text(kHostTitle));
  if (preview) {
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("printPreview"));
    dialog.setWindowTitle(QStringLiteral("Seitenansicht – ") + Text(ProjectName(*project)));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { PrintChart(*target); });
    dialog.resize(std::min(1100, width()), std::min(800, height()));
    dialog.exec();
    return;
  }
  QPrintDialog dialog(&printer, this);
  dialog.setWindowTitle(QStringLiteral("Drucken"));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (dialog.exec() != QDialog::Accepted) return;
  PrintChart(printer);
  statusBar()->showMessage(QStringLiteral("Gedruckt: ") + Text(ProjectName(*project)), 15000);
}

}  // namespace kx::desktop
