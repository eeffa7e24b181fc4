#pragma once
// File dialogs as a service: `clsFileDlg` prepares one open, save or folder question, the
// platform's dialogs answer it, and `basFileDialog::FileDialog` asks one question in one call.
// Texts handed to and from the dialogs are UTF-8; paths use "/" between folder and name.

#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/message_box.hpp"

namespace kx {

// Dialog option bits.
inline constexpr std::int32_t kOfnOverwritePrompt = 0x2;
inline constexpr std::int32_t kOfnHideReadOnly = 0x4;
inline constexpr std::int32_t kOfnAllowMultiSelect = 0x200;
inline constexpr std::int32_t kOfnPathMustExist = 0x800;
inline constexpr std::int32_t kOfnFileMustExist = 0x1000;
inline constexpr std::int32_t kOfnExplorer = 0x80000;

// Number of an unexpected dialog failure that carries no number of its own.
inline constexpr std::int32_t kErrDialogUnexpected = 440;
// Number of an argument the dialog cannot take (a proposed name too long for the buffer).
inline constexpr std::int32_t kErrDialogArgument = 5;

// A failure of a file dialog, with a number and a German description.
class FileDialogError : public std::runtime_error {
 public:
  FileDialogError(std::int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  std::int32_t number() const { return number_; }

 private:
  std::int32_t number_;
};

// One open or save question as the platform's dialog receives it.
struct FileDialogRequest {
  std::string filter;      // display text '\0' pattern '\0' ..., ending with "\0\0"
  int filterIndex = 1;     // preselected pair, from 1
  std::string file;        // the file buffer: the proposed name, then '\0' up to maxFile
  int maxFile = 0;         // length of the file buffer in characters
  std::string initialDir;  // folder the dialog opens in
  std::string title;       // dialog caption
  std::int32_t flags = 0;
  std::string defaultExt;  // added to a typed name without extension; without the point
};

// The platform's open, save and folder dialogs (Qt in the desktop program, scripted in tests).
class PlatformFileDialogs {
 public:
  virtual ~PlatformFileDialogs() = default;
  // Return the filled file buffer: "path\0\0" for one file, "folder\0name1\0name2\0\0" for a
  // multiple selection; nullopt when the user cancelled. Throw on an unexpected failure.
  virtual std::optional<std::string> Open(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> Save(const FileDialogRequest& request) = 0;
  // Shows the folder browser with the desktop as root; returns the chosen folder, nullopt when
  // cancelled. Throws on an unexpected failure.
  virtual std::optional<std::string> Folder() = 0;
};

// Answers dialogs from a script and records every question; a dialog without a scripted answer
// is cancelled.
class ScriptedFileDialogs final : public PlatformFileDialogs {
 public:
  enum class Kind { Open, Save, Folder };
  struct Call {
    Kind kind;
    FileDialogRequest request;  // empty for the folder browser
  };

  // Queues the answer to the next dialog: a buffer (or folder), or nullopt for a cancel.
  void Answer(std::optional<std::string> buffer);
  // Queues a failure of the next dialog.
  void Fail(std::int32_t number, std::string description);
  const std::vector<Call>& Calls() const { return calls_; }

  // The buffer of one chosen file: path "\0\0".
  static std::string OneFile(std::string_view path);
  // The buffer of several files chosen in one folder: folder "\0" name1 "\0" name2 ... "\0\0".
  static std::string SeveralFiles(std::string_view folder, const std::vector<std::string>& names);

  std::optional<std::string> Open(const FileDialogRequest& request) override;
  std::optional<std::string> Save(const FileDialogRequest& request) override;
  std::optional<std::string> Folder() override;

 private:
  struct Step {
    std::optional<std::string> answer;
    bool fails = false;
    std::int32_t number = 0;
    std::string description;
  };
  std::optional<std::string> Next(Kind kind, const FileDialogRequest& request);
  std::deque<Step> script_;
  std::vector<Call> calls_;
};

// One file, save or folder question. Unexpected failures are shown through `boxes` with the
// title "Exit_" and the procedure's name ("ShowFolder" with "number: description").
class clsFileDlg {
 public:
  // The initial folder is the process's current folder.
  clsFileDlg(PlatformFileDialogs& dialogs, MessageBoxes& boxes);

  // Write-only properties.
  void hwnd(std::int64_t lngAktHWnd) { owner_ = lngAktHWnd; }  // stored; dialogs open unowned
  void DefaultDir(std::string strAktDefaultDir) { initialDir_ = std::move(strAktDefaultDir); }
  void InitDir(std::string strAktDefaultDir) { initialDir_ = std::move(strAktDefaultDir); }
  void DefaultFileName(std::string strAktDefaultFileName);
  void DefaultExt(std::string strAktDefaultExt) { defaultExt_ = std::move(strAktDefaultExt); }
  void DialogTitle(std::string Title) { title_ = std::move(Title); }
  // Pairs of display text and pattern, each ended by '\0'; "\0\0" is added unless present.
  void Filter(std::string aktFilter);
  void Filter1Text(std::string FilterText) { filterText_[0] = std::move(FilterText); }
  void Filter2Text(std::string FilterText) { filterText_[1] = std::move(FilterText); }
  void Filter3Text(std::string FilterText) { filterText_[2] = std::move(FilterText); }
  void Filter4Text(std::string FilterText) { filterText_[3] = std::move(FilterText); }
  void Filter5Text(std::string FilterText) { filterText_[4] = std::move(FilterText); }
  void Filter1Suffix(std::string FilterSuffix) { filterSuffix_[0] = std::move(FilterSuffix); }
  void Filter2Suffix(std::string FilterSuffix) { filterSuffix_[1] = std::move(FilterSuffix); }
  void Filter3Suffix(std::string FilterSuffix) { filterSuffix_[2] = std::move(FilterSuffix); }
  void Filter4Suffix(std::string FilterSuffix) { filterSuffix_[3] = std::move(FilterSuffix); }
  void Filter5Suffix(std::string FilterSuffix) { filterSuffix_[4] = std::move(FilterSuffix); }
  void Flags(std::int32_t lngAktFlags) { flags_ = lngAktFlags; }
  // Sets the buffer length to 2000 characters, whatever the value.
  void MultiSelect(bool blnAktMultiSelect);
  // True also switches multiple selection on (buffer 2000 characters).
  void MultiSelectOCXCompatible(bool blnAktKompatibel);

  // Read-only properties.
  const std::string& FileName() const { return fileName_; }  // the last result
  int FileCount() const { return fileCount_; }               // files of the last ShowOpen
  // Returns the next file of a multiple selection as folder "/" name; empty text when none is
  // left.
  std::string GetNextFile();

  // Return the chosen path (several files: the first; compatible mode: the whole selection
  // "folder\0name1\0name2"), or empty text when cancelled or failed.
  std::string ShowOpen();
  std::string ShowSave();
  // Returns the chosen folder, or empty text when cancelled or failed.
  std::string ShowFolder();

  // Present settings, for callers that want to look (the flags as CheckFlags left them).
  const std::string& InitialFolder() const { return initialDir_; }
  std::int64_t OwnerWindow() const { return owner_; }
  std::int32_t CurrentFlags() const { return flags_; }
  int BufferLength() const { return bufferLength_; }

 private:
  std::string BuildFilter();
  void CheckFlags(std::string_view intention);
  std::string ParseAuswahl(std::string_view strAuswahl, bool blnFirstCall);
  int CountFiles(std::string_view text);
  // Returns the question for the dialog; throws FileDialogError when the proposed name does not
  // fit the buffer.
  FileDialogRequest Request(std::string filter);
  void Report(const char* procedure, const std::exception& failure);

  PlatformFileDialogs& dialogs_;
  MessageBoxes& boxes_;
  std::int64_t owner_ = 0;
  std::string title_;
  std::string filter_;
  std::string filterText_[5];
  std::string filterSuffix_[5];
  std::string defaultExt_;
  std::string initialDir_;
  std::string defaultFileName_;
  std::int32_t flags_ = 0;
  bool multiSelect_ = false;
  bool compatible_ = false;
  int bufferLength_ = 512;
  std::string fileName_;
  int fileCount_ = 0;
  std::string selectionFolder_;
  std::string selectionRest_;
};

namespace basFileDialog {

// Asks one question: `intention` "Open" or "Save" shows that dialog and returns the chosen path
// (empty when cancelled); any other intention returns empty text without a dialog. An empty
// `initDir` keeps the current folder.
std::string FileDialog(PlatformFileDialogs& dialogs, MessageBoxes& boxes, const std::string& title,
                       const std::string& intention, const std::string& initDir,
                       const std::string& defaultFileName, const std::string& defaultExt,
                       const std::string& filter);

}  // namespace basFileDialog

}  // namespace kx
