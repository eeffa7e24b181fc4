#include "support/file_dialog.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kx {
namespace {

using namespace std::string_literals;

class RecordingBoxes final : public MessageBoxes {
 public:
  MsgAnswer Show(const MessageRequest& request) override {
    shown.push_back(request);
    return MsgAnswer::Ok;
  }
  std::vector<MessageRequest> shown;
};

class FileDialogTest : public ::testing::Test {
 protected:
  const FileDialogRequest& LastRequest() const { return dialogs.Calls().back().request; }

  ScriptedFileDialogs dialogs;
  RecordingBoxes boxes;
  clsFileDlg dlg{dialogs, boxes};
};

TEST_F(FileDialogTest, WithoutFilterOffersAllFiles) {
  dlg.ShowOpen();
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(LastRequest().filter, "Alle Dateien\0*.*\0\0"s);
  EXPECT_EQ(LastRequest().filterIndex, 1);
}

TEST_F(FileDialogTest, ExplicitFilterComesFirstThenNumberedPairsInOrder) {
  dlg.Filter("Projekte\0*.mpp\0"s);
  dlg.Filter3Text("Drei");
  dlg.Filter3Suffix("*.3");
  dlg.Filter1Text("Eins");
  dlg.Filter1Suffix("*.1");
  dlg.Filter2Text("ohne Muster");  // no pattern: left out
  dlg.Filter4Suffix("*.4");        // no text: left out
  dlg.ShowSave();
  EXPECT_EQ(LastRequest().filter, "Projekte\0*.mpp\0Eins\0*.1\0Drei\0*.3\0\0\0"s);
}

TEST_F(FileDialogTest, FilterTextWithoutZeroGivesOneEntryWithEmptyPattern) {
  dlg.Filter("Projekte (*.mpp)");
  dlg.ShowSave();
  const std::string& filter = LastRequest().filter;
  EXPECT_EQ(filter, "Projekte (*.mpp)\0\0\0"s);
  // Display text, then an empty pattern: the list ends right after the first entry.
  EXPECT_EQ(filter.substr(0, filter.find('\0')), "Projekte (*.mpp)");
  EXPECT_EQ(filter.find("\0\0"s), filter.find('\0'));
}

TEST_F(FileDialogTest, CheckFlagsByIntention) {
  dlg.ShowOpen();
  EXPECT_EQ(LastRequest().flags, 6148);

  clsFileDlg multi(dialogs, boxes);
  multi.MultiSelect(true);
  multi.ShowOpen();
  EXPECT_EQ(LastRequest().flags, 530948);

  clsFileDlg save(dialogs, boxes);
  save.ShowSave();
  EXPECT_EQ(LastRequest().flags, 2054);

  // Explicit flags stay as they are, only multiple selection adds its two bits.
  clsFileDlg explicitFlags(dialogs, boxes);
  explicitFlags.Flags(0x4);
  explicitFlags.ShowSave();
  EXPECT_EQ(LastRequest().flags, 0x4);
  explicitFlags.ShowOpen();
  EXPECT_EQ(LastRequest().flags, 0x4);
  explicitFlags.MultiSelect(true);
  explicitFlags.ShowOpen();
  EXPECT_EQ(LastRequest().flags, 0x4 | 0x80200);
  explicitFlags.ShowOpen();  // adding again changes nothing
  EXPECT_EQ(LastRequest().flags, 0x4 | 0x80200);
}

TEST_F(FileDialogTest, RequestCarriesBufferFolderTitleAndExtension) {
  dlg.DefaultDir("/home/anna/Projekte");
  dlg.DefaultFileName("Plan");
  dlg.DefaultExt("mpp");
  dlg.ShowSave();
  const FileDialogRequest& r = LastRequest();
  EXPECT_EQ(r.maxFile, 512);
  EXPECT_EQ(r.file.size(), 512u);
  EXPECT_EQ(r.file, "Plan" + std::string(508, '\0'));
  EXPECT_EQ(r.initialDir, "/home/anna/Projekte");
  EXPECT_EQ(r.title, "Datei speichern unter");
  EXPECT_EQ(r.defaultExt, "mpp");

  clsFileDlg open(dialogs, boxes);
  open.MultiSelect(false);  // setting it at all enlarges the buffer
  open.ShowOpen();
  EXPECT_EQ(LastRequest().maxFile, 2000);
  EXPECT_EQ(LastRequest().title, "Datei öffnen");
  EXPECT_EQ(LastRequest().initialDir, std::filesystem::current_path().string());
}

TEST_F(FileDialogTest, ThreeFilesInOneFolderAreHandedOutOneByOne) {
  dlg.MultiSelect(true);
  dialogs.Answer(ScriptedFileDialogs::SeveralFiles("/daten/plan", {"a.mpp", "b.mpp", "c.mpp"}));
  EXPECT_EQ(dlg.ShowOpen(), "/daten/plan/a.mpp");
  EXPECT_EQ(dlg.FileName(), "/daten/plan/a.mpp");
  EXPECT_EQ(dlg.FileCount(), 3);
  EXPECT_EQ(dlg.GetNextFile(), "/daten/plan/b.mpp");
  EXPECT_EQ(dlg.GetNextFile(), "/daten/plan/c.mpp");
  EXPECT_EQ(dlg.GetNextFile(), "");
  EXPECT_EQ(dlg.GetNextFile(), "");

  // A cancel afterwards: nothing chosen, nothing left to hand out.
  EXPECT_EQ(dlg.ShowOpen(), "");
  EXPECT_EQ(dlg.FileName(), "");
  EXPECT_EQ(dlg.FileCount(), 0);
  EXPECT_EQ(dlg.GetNextFile(), "");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FileDialogTest, SingleFileWithMultipleSelection) {
  dlg.MultiSelect(true);
  dialogs.Answer(ScriptedFileDialogs::OneFile("/daten/x.mpp"));
  EXPECT_EQ(dlg.ShowOpen(), "/daten/x.mpp");
  EXPECT_EQ(dlg.FileCount(), 1);
  EXPECT_EQ(dlg.GetNextFile(), "");
}

TEST_F(FileDialogTest, SingleFileWithoutMultipleSelectionCountsOne) {
  dialogs.Answer(ScriptedFileDialogs::OneFile("/daten/x.mpp"));
  EXPECT_EQ(dlg.ShowOpen(), "/daten/x.mpp");
  EXPECT_EQ(dlg.FileCount(), 1);
}

TEST_F(FileDialogTest, FilesInTheRootFolderGetOneSeparator) {
  dlg.MultiSelect(true);
  dialogs.Answer(ScriptedFileDialogs::SeveralFiles("/", {"a.mpp", "b.mpp"}));
  EXPECT_EQ(dlg.ShowOpen(), "/a.mpp");
  EXPECT_EQ(dlg.GetNextFile(), "/b.mpp");
  EXPECT_EQ(dlg.FileCount(), 2);
}

TEST_F(FileDialogTest, CompatibleModeReturnsTheWholeSelection) {
  dlg.MultiSelectOCXCompatible(true);
  dialogs.Answer(ScriptedFileDialogs::SeveralFiles("/daten", {"a.mpp", "b.mpp"}));
  EXPECT_EQ(dlg.ShowOpen(), "/daten\0a.mpp\0b.mpp"s);
  EXPECT_EQ(dlg.FileCount(), 0);  // untouched in this mode
  EXPECT_EQ(LastRequest().flags, 530948);
}

TEST_F(FileDialogTest, DefaultFileNameLongerThanTheBufferIsReported) {
  dlg.DefaultFileName(std::string(600, 'x'));
  dialogs.Answer(ScriptedFileDialogs::OneFile("/daten/x.mpp"));
  EXPECT_EQ(dlg.ShowSave(), "");
  EXPECT_EQ(dlg.FileName(), "");
  EXPECT_TRUE(dialogs.Calls().empty());  // no dialog shown
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Exit_ShowSave");
  EXPECT_EQ(boxes.shown[0].icon, MsgIcon::None);
  EXPECT_EQ(boxes.shown[0].buttons, MsgButtons::Ok);
  EXPECT_NE(boxes.shown[0].text.find("600"), std::string::npos);

  // Characters count, not bytes: 511 umlauts fit the 512-character buffer.
  clsFileDlg umlauts(dialogs, boxes);
  umlauts.DefaultFileName([] {
    std::string s;
    for (int i = 0; i < 511; ++i) s += "ü";
    return s;
  }());
  umlauts.ShowOpen();
  EXPECT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(boxes.shown.size(), 1u);

  // With multiple selection the buffer holds 2000 characters.
  clsFileDlg multi(dialogs, boxes);
  multi.MultiSelect(true);
  multi.DefaultFileName(std::string(600, 'x'));
  multi.ShowOpen();
  EXPECT_EQ(dialogs.Calls().size(), 2u);
  multi.DefaultFileName(std::string(2000, 'x'));
  EXPECT_EQ(multi.ShowOpen(), "");
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].title, "Exit_ShowOpen");
}

TEST_F(FileDialogTest, DialogFailuresAreReportedWithTheirTitles) {
  dialogs.Fail(1200, "Dialog kaputt");
  EXPECT_EQ(dlg.ShowOpen(), "");
  EXPECT_EQ(dlg.FileCount(), 0);
  dialogs.Fail(1200, "Dialog kaputt");
  EXPECT_EQ(dlg.ShowSave(), "");
  dialogs.Fail(77, "Ordner kaputt");
  EXPECT_EQ(dlg.ShowFolder(), "");
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[0].title, "Exit_ShowOpen");
  EXPECT_EQ(boxes.shown[0].text, "Dialog kaputt");
  EXPECT_EQ(boxes.shown[1].title, "Exit_ShowSave");
  EXPECT_EQ(boxes.shown[2].title, "ShowFolder");
  EXPECT_EQ(boxes.shown[2].text, "77: Ordner kaputt");
}

TEST_F(FileDialogTest, ShowFolderReturnsTheFolderOrEmpty) {
  dialogs.Answer("/home/anna/Diagramme"s);
  EXPECT_EQ(dlg.ShowFolder(), "/home/anna/Diagramme");
  EXPECT_EQ(dlg.FileName(), "/home/anna/Diagramme");
  EXPECT_EQ(dlg.ShowFolder(), "");  // cancelled
  EXPECT_EQ(dlg.FileName(), "");
  EXPECT_EQ(dialogs.Calls().back().kind, ScriptedFileDialogs::Kind::Folder);
}

TEST(FileDialogInitTest, UnreadableCurrentFolderIsReportedAndLeavesTheFolderEmpty) {
  namespace fs = std::filesystem;
  const fs::path home = fs::current_path();
  const fs::path gone = fs::temp_directory_path() / "kx_file_dialog_gone";
  fs::create_directories(gone);
  fs::current_path(gone);
  fs::remove(gone);  // the process now stands in a folder that no longer exists
  ScriptedFileDialogs dialogs;
  RecordingBoxes boxes;
  clsFileDlg dlg(dialogs, boxes);
  fs::current_path(home);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Exit_Class_Initialize");
  EXPECT_EQ(dlg.InitialFolder(), "");
}

TEST(BasFileDialogTest, SaveQuestionOfTheWizard) {
  ScriptedFileDialogs dialogs;
  RecordingBoxes boxes;
  dialogs.Answer(ScriptedFileDialogs::OneFile("/projekte/Ressourcendiagramm für Bau.mpp"));
  const std::string path =
      basFileDialog::FileDialog(dialogs, boxes, "Ressourcendiagramm speichern", "Save", "/projekte",
                                "Ressourcendiagramm für Bau", "mpp", "Projekte (*.mpp)");
  EXPECT_EQ(path, "/projekte/Ressourcendiagramm für Bau.mpp");
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  const auto& call = dialogs.Calls()[0];
  EXPECT_EQ(call.kind, ScriptedFileDialogs::Kind::Save);
  EXPECT_EQ(call.request.title, "Ressourcendiagramm speichern");
  EXPECT_EQ(call.request.initialDir, "/projekte");
  EXPECT_EQ(call.request.defaultExt, "mpp");
  EXPECT_EQ(call.request.filter, "Projekte (*.mpp)\0\0\0"s);
  EXPECT_EQ(call.request.flags, 2054);
  EXPECT_TRUE(call.request.file.starts_with("Ressourcendiagramm für Bau\0"s));

  // An empty folder keeps the current folder; a cancel gives empty text.
  EXPECT_EQ(basFileDialog::FileDialog(dialogs, boxes, "T", "Open", "", "", "", ""), "");
  EXPECT_EQ(dialogs.Calls().back().kind, ScriptedFileDialogs::Kind::Open);
  EXPECT_EQ(dialogs.Calls().back().request.initialDir, std::filesystem::current_path().string());

  // Another intention shows no dialog.
  EXPECT_EQ(basFileDialog::FileDialog(dialogs, boxes, "T", "Folder", "", "", "", ""), "");
  EXPECT_EQ(dialogs.Calls().size(), 2u);
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace kx
