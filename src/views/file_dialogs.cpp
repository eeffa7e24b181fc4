#include "views/file_dialogs.hpp"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QStandardPaths>
#include <QTreeView>
#include <algorithm>
#include <vector>

#include "views/qt_text.hpp"

namespace kx::views {
namespace {

QWidget* Owner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

// Splits a list of texts each ended by a zero character; stops at the first empty one.
std::vector<std::string> ZeroSeparated(const std::string& list) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t end = list.find('\0', at);
    const std::string part = list.substr(at, end == std::string::npos ? end : end - at);
    if (end == std::string::npos) {
      if (!part.empty()) parts.push_back(part);
      break;
    }
    parts.push_back(part);
    at = end + 1;
    if (at < list.size() && list[at] == '\0') break;  // the closing pair
  }
  return parts;
}

int CharacterCount(const std::string& text) {
  return static_cast<int>(ToQt(text).size());
}

std::optional<std::string> Run(QFileDialog& dialog, int maxFile) {
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return SelectionBuffer(files, maxFile);
}

}  // namespace

QStringList NameFilters(const std::string& filterList) {
  const std::vector<std::string> parts = ZeroSeparated(filterList);
  QStringList filters;
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    const QString text = ToQt(parts[i]);
    QString patterns = i + 1 < parts.size() ? ToQt(parts[i + 1]) : QString();
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    patterns = patterns.simplified();
    if (patterns.isEmpty()) {
      // A text with its patterns in brackets ("Projekte (*.mpp)") filters by them.
      filters << (text.endsWith(QLatin1Char(')')) && text.contains(QLatin1Char('('))
                      ? text
                      : text + QStringLiteral(" (*)"));
    } else if (text.endsWith(QStringLiteral("(") + patterns + QStringLiteral(")"))) {
      filters << text;
    } else {
      filters << text + QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
  }
  if (filters.isEmpty()) filters << QStringLiteral("Alle Dateien (*)");
  return filters;
}

void Configure(QFileDialog& dialog, const FileDialogRequest& request, bool save) {
  dialog.setWindowTitle(ToQt(request.title));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (save) {
    dialog.setFileMode(QFileDialog::AnyFile);
  } else if (request.flags & kOfnAllowMultiSelect) {
    dialog.setFileMode(QFileDialog::ExistingFiles);
  } else if (request.flags & kOfnFileMustExist) {
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    dialog.setFileMode(QFileDialog::AnyFile);
  }
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !(request.flags & kOfnOverwritePrompt));
  const QStringList filters = NameFilters(request.filter);
  dialog.setNameFilters(filters);
  const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size()
                        ? request.filterIndex - 1
                        : 0;
  dialog.selectNameFilter(filters.at(index));
  dialog.setDefaultSuffix(ToQt(request.defaultExt));
  if (!request.initialDir.empty() && QFileInfo(ToQt(request.initialDir)).isDir()) {
    dialog.setDirectory(ToQt(request.initialDir));
  }
  const std::string proposed = request.file.substr(0, request.file.find('\0'));
  if (!proposed.empty()) dialog.selectFile(ToQt(proposed));
  // Wide enough for the list's name, size, type and date columns, within the screen.
  QSize size(920, 560);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
  dialog.resize(size);
  // Qt's list keeps narrow columns in a wide dialog: room for whole sizes, types and dates.
  if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    const int widths[] = {std::max(200, size.width() - 560), 110, 150, 150};
    for (int column = 0; column < 4; ++column)
      list->header()->resizeSection(column, widths[column]);
  }
}

std::string SelectionBuffer(const QStringList& files, int maxFile) {
  std::string buffer;
  if (files.size() == 1) {
    buffer = FromQt(QDir::cleanPath(files.front()));
  } else {
    buffer = FromQt(QFileInfo(files.front()).absolutePath());
    for (const QString& file : files) {
      buffer.push_back('\0');
      buffer += FromQt(QFileInfo(file).fileName());
    }
  }
  // The buffer needs room for its closing zero characters too.
  const int length = CharacterCount(buffer);
  if (maxFile > 0 && length + 1 >= maxFile) {
    throw FileDialogError(kErrDialogUnexpected,
                          "Die gewählten Dateinamen sind zu lang: " + std::to_string(length) +
                              " Zeichen, höchstens " + std::to_string(maxFile - 2) +
                              " Zeichen sind möglich.");
  }
  buffer.append(2, '\0');
  return buffer;
}

std::optional<std::string> QtFileDialogs::Open(const FileDialogRequest& request) {
  QFileDialog dialog(Owner());
  Configure(dialog, request, false);
  return Run(dialog, request.maxFile);
}

std::optional<std::string> QtFileDialogs::Save(const FileDialogRequest& request) {
  QFileDialog dialog(Owner());
  Configure(dialog, request, true);
  return Run(dialog, request.maxFile);
}

std::optional<std::string> QtFileDialogs::Folder() {
  QFileDialog dialog(Owner());
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  QString root = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (!QFileInfo(root).isDir()) root = QDir::homePath();
  dialog.setDirectory(root);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return FromQt(QDir::cleanPath(dialog.selectedFiles().front()));
}

}  // namespace kx::views
