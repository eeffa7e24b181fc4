#include "support/file_dialog.hpp"

#include <filesystem>
#include <utility>

namespace kx {

namespace {

constexpr int kBufferLength = 512;
constexpr int kMultiBufferLength = 2000;
constexpr std::string_view kZero("\0", 1);
constexpr std::string_view kZeroPair("\0\0", 2);

// Returns the number of characters (not bytes) of a UTF-8 text.
int CharacterCount(std::string_view text) {
  int count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

// Returns the text up to its first zero character.
std::string UpToZero(std::string_view buffer) {
  return std::string(buffer.substr(0, buffer.find('\0')));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ScriptedFileDialogs

void ScriptedFileDialogs::Answer(std::optional<std::string> buffer) {
  script_.push_back({std::move(buffer), false, 0, {}});
}

void ScriptedFileDialogs::Fail(std::int32_t number, std::string description) {
  script_.push_back({std::nullopt, true, number, std::move(description)});
}

std::string ScriptedFileDialogs::OneFile(std::string_view path) {
  std::string buffer(path);
  buffer.append(kZeroPair);
  return buffer;
}

std::string ScriptedFileDialogs::SeveralFiles(std::string_view folder,
                                              const std::vector<std::string>& names) {
  std::string buffer(folder);
  for (const auto& name : names) {
    buffer.append(kZero);
    buffer += name;
  }
  buffer.append(kZeroPair);
  return buffer;
}

std::optional<std::string> ScriptedFileDialogs::Next(Kind kind, const FileDialogRequest& request) {
  calls_.push_back({kind, request});
  if (script_.empty()) return std::nullopt;
  Step step = std::move(script_.front());
  script_.pop_front();
  if (step.fails) throw FileDialogError(step.number, step.description);
  return std::move(step.answer);
}

std::optional<std::string> ScriptedFileDialogs::Open(const FileDialogRequest& request) {
  return Next(Kind::Open, request);
}

std::optional<std::string> ScriptedFileDialogs::Save(const FileDialogRequest& request) {
  return Next(Kind::Save, request);
}

std::optional<std::string> ScriptedFileDialogs::Folder() {
  return Next(Kind::Folder, {});
}

// ---------------------------------------------------------------------------------------------
// clsFileDlg

clsFileDlg::clsFileDlg(PlatformFileDialogs& dialogs, MessageBoxes& boxes)
    : dialogs_(dialogs), boxes_(boxes) {
  try {
    initialDir_ = std::filesystem::current_path().string();
  } catch (const std::exception& e) {
    Report("Class_Initialize", e);
  }
}

void clsFileDlg::DefaultFileName(std::string strAktDefaultFileName) {
  defaultFileName_ = std::move(strAktDefaultFileName);
}

void clsFileDlg::Filter(std::string aktFilter) {
  const bool endsWithPair = aktFilter.size() >= 2 && aktFilter.ends_with(kZeroPair);
  if (!endsWithPair) aktFilter.append(kZeroPair);
  filter_ = std::move(aktFilter);
}

void clsFileDlg::MultiSelect(bool blnAktMultiSelect) {
  multiSelect_ = blnAktMultiSelect;
  bufferLength_ = kMultiBufferLength;
}

void clsFileDlg::MultiSelectOCXCompatible(bool blnAktKompatibel) {
  compatible_ = blnAktKompatibel;
  if (blnAktKompatibel) {
    multiSelect_ = true;
    bufferLength_ = kMultiBufferLength;
  }
}

void clsFileDlg::Report(const char* procedure, const std::exception& failure) {
  ShowMessage(boxes_, failure.what(), std::string("Exit_") + procedure, MsgIcon::None);
}

std::string clsFileDlg::BuildFilter() {
  std::string list;
  try {
    for (int i = 0; i < 5; ++i) {
      if (filterText_[i].empty() || filterSuffix_[i].empty()) continue;
      list += filterText_[i];
      list.append(kZero);
      list += filterSuffix_[i];
      list.append(kZero);
    }
    if (!filter_.empty()) {
      while (!filter_.empty() && filter_.back() == '\0') filter_.pop_back();
      list = filter_ + std::string(kZero) + list;
    }
    if (list.empty()) {
      list = "Alle Dateien";
      list.append(kZero);
      list += "*.*";
    }
    list.append(kZeroPair);
  } catch (const std::exception& e) {
    Report("BuildFilter", e);
  }
  return list;
}

void clsFileDlg::CheckFlags(std::string_view intention) {
  if (flags_ == 0) {
    if (intention == "Open") {
      flags_ = kOfnFileMustExist | kOfnPathMustExist | kOfnHideReadOnly;
      if (multiSelect_) flags_ |= kOfnExplorer | kOfnAllowMultiSelect;
    } else if (intention == "Save") {
      flags_ = kOfnPathMustExist | kOfnHideReadOnly | kOfnOverwritePrompt;
    }
  } else if (multiSelect_) {
    flags_ |= kOfnExplorer | kOfnAllowMultiSelect;
  }
}

int clsFileDlg::CountFiles(std::string_view text) {
  int count = 0;
  try {
    for (const char c : text) {
      if (c == '\0') ++count;
    }
  } catch (const std::exception& e) {
    Report("CountFiles", e);
  }
  return count;
}

std::string clsFileDlg::ParseAuswahl(std::string_view strAuswahl, bool blnFirstCall) {
  std::string result;
  try {
    if (blnFirstCall) {
      // The selection ends at its first pair of zero characters; keep one of them, so that
      // every name in it is followed by exactly one zero character.
      std::string selection(strAuswahl.substr(0, strAuswahl.find(kZeroPair)));
      selection.append(kZero);
      selectionRest_ = selection;
      const std::size_t firstZero = selection.find('\0');
      if (firstZero + 1 == selection.size()) {
        // One file: "path\0".
        result = selection.substr(0, firstZero);
        fileCount_ = 1;
        selectionRest_.clear();
        selectionFolder_.clear();
      } else {
        selectionFolder_ = selection.substr(0, firstZero);
        if (selectionFolder_.ends_with('/')) selectionFolder_.pop_back();
        selectionRest_ = selection.substr(firstZero + 1);
        fileCount_ = CountFiles(selectionRest_);
        const std::size_t end = selectionRest_.find('\0');
        const std::string name = selectionRest_.substr(0, end);
        selectionRest_.erase(0, end + 1);
        result = selectionFolder_ + "/" + name;
      }
    } else {
      const std::size_t end = selectionRest_.find('\0');
      if (end != std::string::npos) {
        const std::string name = selectionRest_.substr(0, end);
        selectionRest_.erase(0, end + 1);
        result = selectionFolder_ + "/" + name;
      }
    }
  } catch (const std::exception& e) {
    Report("ParseAuswahl", e);
  }
  return result;
}

std::string clsFileDlg::GetNextFile() {
  return ParseAuswahl({}, false);
}

FileDialogRequest clsFileDlg::Request(std::string filter) {
  const int length = CharacterCount(defaultFileName_);
  // The buffer needs room for the name's closing zero character too.
  if (length >= bufferLength_) {
    throw FileDialogError(kErrDialogArgument,
                          "Der vorgeschlagene Dateiname ist zu lang: " + std::to_string(length) +
                              " Zeichen, höchstens " + std::to_string(bufferLength_ - 1) +
                              " Zeichen sind möglich.");
  }
  FileDialogRequest request;
  request.filter = std::move(filter);
  request.filterIndex = 1;
  request.file = defaultFileName_;
  request.file.append(static_cast<std::size_t>(bufferLength_ - length), '\0');
  request.maxFile = bufferLength_;
  request.initialDir = initialDir_;
  request.title = title_;
  request.flags = flags_;
  request.defaultExt = defaultExt_;
  return request;
}

std::string clsFileDlg::ShowOpen() {
  std::string result;
  fileName_.clear();
  try {
    std::string filter = BuildFilter();
    CheckFlags("Open");
    if (title_.empty()) title_ = "Datei öffnen";
    const std::optional<std::string> buffer = dialogs_.Open(Request(std::move(filter)));
    selectionFolder_.clear();
    selectionRest_.clear();
    if (!buffer) {
      fileCount_ = 0;
    } else if (!multiSelect_) {
      fileCount_ = 1;
      result = UpToZero(*buffer);
    } else if (compatible_) {
      result = buffer->substr(0, buffer->find(kZeroPair));
    } else {
      result = ParseAuswahl(*buffer, true);
    }
  } catch (const std::exception& e) {
    fileCount_ = 0;
    result.clear();
    Report("ShowOpen", e);
  }
  fileName_ = result;
  return result;
}

std::string clsFileDlg::ShowSave() {
  std::string result;
  fileName_.clear();
  try {
    std::string filter = BuildFilter();
    CheckFlags("Save");
    if (title_.empty()) title_ = "Datei speichern unter";
    const std::optional<std::string> buffer = dialogs_.Save(Request(std::move(filter)));
    if (buffer) result = UpToZero(*buffer);
  } catch (const std::exception& e) {
    result.clear();
    Report("ShowSave", e);
  }
  fileName_ = result;
  return result;
}

std::string clsFileDlg::ShowFolder() {
  std::string result;
  try {
    const std::optional<std::string> folder = dialogs_.Folder();
    if (folder) result = UpToZero(*folder);
  } catch (const std::exception& e) {
    const auto* known = dynamic_cast<const FileDialogError*>(&e);
    const std::int32_t number = known != nullptr ? known->number() : kErrDialogUnexpected;
    ShowMessage(boxes_, std::to_string(number) + ": " + e.what(), "ShowFolder", MsgIcon::None);
    result.clear();
  }
  fileName_ = result;
  return result;
}

// ---------------------------------------------------------------------------------------------

namespace basFileDialog {

std::string FileDialog(PlatformFileDialogs& dialogs, MessageBoxes& boxes, const std::string& title,
                       const std::string& intention, const std::string& initDir,
                       const std::string& defaultFileName, const std::string& defaultExt,
                       const std::string& filter) {
  clsFileDlg dialog(dialogs, boxes);
  if (!initDir.empty()) dialog.DefaultDir(initDir);
  dialog.DefaultExt(defaultExt);
  dialog.Filter(filter);
  dialog.DialogTitle(title);
  dialog.DefaultFileName(defaultFileName);
  if (intention == "Open") return dialog.ShowOpen();
  if (intention == "Save") return dialog.ShowSave();
  return {};
}

}  // namespace basFileDialog

}  // namespace kx
