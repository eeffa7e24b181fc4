#pragma once
// The open, save and folder dialogs behind clsFileDlg, shown with Qt: title, file types,
// default extension, initial folder, proposed name, multiple selection and the overwrite prompt
// as the question's flags ask. Where the desktop offers no dialog of its own, Qt's is used.

#include <QFileDialog>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

#include "support/file_dialog.hpp"

namespace kx::views {

class QtFileDialogs final : public PlatformFileDialogs {
 public:
  std::optional<std::string> Open(const FileDialogRequest& request) override;
  std::optional<std::string> Save(const FileDialogRequest& request) override;
  std::optional<std::string> Folder() override;
};

// Returns Qt's name filters for a filter list "text\0pattern\0...\0\0": "text (pattern)", the
// patterns separated by blanks; a text that already ends with its patterns in brackets stays as
// it is, and one without a pattern matches every file.
QStringList NameFilters(const std::string& filterList);

// Prepares the dialog for an open or save question (without showing it).
void Configure(QFileDialog& dialog, const FileDialogRequest& request, bool save);

// Returns the file buffer for the chosen files: "path\0\0" for one, "folder\0name1\0name2\0\0"
// for several; throws FileDialogError when it holds more than `maxFile` characters.
std::string SelectionBuffer(const QStringList& files, int maxFile);

}  // namespace kx::views
