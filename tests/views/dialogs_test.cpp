// Message boxes, file dialogs and Qt's German texts, without running a dialog.

#include <QAbstractButton>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <clocale>

#include "addin/error_report.hpp"
#include "support/file_dialog.hpp"
#include "views/event_clock.hpp"
#include "views/file_dialogs.hpp"
#include "views/german.hpp"
#include "views/message_boxes.hpp"

using namespace kx;         // NOLINT(google-build-using-namespace)
using namespace kx::views;  // NOLINT(google-build-using-namespace)

namespace {

// As the desktop program does before its application is made.
const bool kGermanProcess = (UseGermanProcessLocale(), true);

std::string Z(const char* text, std::size_t size) {
  return std::string(text, size);
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    const GermanTexts german = UseGerman(*qApp);
    QVERIFY2(german.translated,
             qPrintable("Qt's German catalogue not found in " + german.catalogue));
  }

  void qtTextsAndLocaleAreGerman() {
    QVERIFY(kGermanProcess);
    QCOMPARE(QLocale().name(), QStringLiteral("de_DE"));
    // The file dialog's list writes dates the system's way: German whatever the environment
    // said, while the C library's numbers stay those of "C".
    QCOMPARE(QLocale::system().name(), QStringLiteral("de_DE"));
    QCOMPARE(QLocale::system().toString(QDate(2026, 12, 9), QLocale::ShortFormat),
             QStringLiteral("09.12.26"));
    KeepCNumbers();
    QCOMPARE(std::string(std::setlocale(LC_NUMERIC, nullptr)), std::string("C"));
    QCOMPARE(QLocale().toString(38.5, 'f', 1), QStringLiteral("38,5"));
    QCOMPARE(QLocale().toString(QDate(2005, 12, 31), QStringLiteral("dd.MM.yyyy")),
             QStringLiteral("31.12.2005"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Suchen in:"));
    std::unique_ptr<QMessageBox> box(
        MakeMessageBox({"Frage", "Korvalinx", MsgButtons::YesNoCancel, MsgIcon::Question, 1}));
    QCOMPARE(box->button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    QCOMPARE(box->button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
    QCOMPARE(box->button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
  }

  void messageBoxKeepsTheExactTextAndItsButtons() {
    // The error report: six lines, trailing blanks kept.
    const std::string report = addin::AddInErrText(-2147, "");
    std::unique_ptr<QMessageBox> box(MakeMessageBox(
        {report, "Korvalinx", MsgButtons::Ok, MsgIcon::Exclamation, 1}));
    QCOMPARE(box->windowTitle(), QStringLiteral("Korvalinx"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    const QStringList lines = box->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QStringLiteral("Es ist folgender Fehler aufgetreten:      "));
    QCOMPARE(lines[1], QString());
    QCOMPARE(lines[2], QStringLiteral("Fehlernummer: -2147"));
    QCOMPARE(lines[3], QStringLiteral("Fehlerbeschreibung: "));
    QVERIFY(lines[5].endsWith(QStringLiteral("support@korvalinx.de      ")));
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->escapeButton(), box->button(QMessageBox::Ok));

    // A question: Yes by default, the close button answers No.
    box.reset(MakeMessageBox({"Das Projekt enthält doppelte Ressourcennamen.      \r\n"
                              "Trotzdem fortfahren?",
                              "Korvalinx", MsgButtons::YesNo, MsgIcon::Question, 1}));
    QCOMPARE(box->icon(), QMessageBox::Question);
    QCOMPARE(box->text(), QStringLiteral("Das Projekt enthält doppelte Ressourcennamen.      \n"
                                         "Trotzdem fortfahren?"));
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
    QCOMPARE(box->escapeButton(), box->button(QMessageBox::No));

    // The second button as default; a position that does not exist falls back to the first.
    box.reset(MakeMessageBox({"?", "T", MsgButtons::OkCancel, MsgIcon::Information, 2}));
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::Cancel));
    QCOMPARE(box->escapeButton(), box->button(QMessageBox::Cancel));
    QCOMPARE(box->icon(), QMessageBox::Information);
    box.reset(MakeMessageBox({"?", "T", MsgButtons::OkCancel, MsgIcon::None, 7}));
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::Ok));
    QCOMPARE(box->icon(), QMessageBox::NoIcon);
  }

  void shownBoxAnswersWithTheButtonPressed() {
    QtMessageBoxes boxes;
    const auto press = [](int key) {
      QTimer::singleShot(0, [key] {
        QWidget* box = QApplication::activeModalWidget();
        if (box != nullptr) QTest::keyClick(box, static_cast<Qt::Key>(key));
      });
    };
    press(Qt::Key_Return);
    QCOMPARE(boxes.Show({"?", "T", MsgButtons::YesNo, MsgIcon::Question, 1}), MsgAnswer::Yes);
    press(Qt::Key_Return);
    QCOMPARE(boxes.Show({"?", "T", MsgButtons::YesNo, MsgIcon::Question, 2}), MsgAnswer::No);
    press(Qt::Key_Escape);
    QCOMPARE(boxes.Show({"?", "T", MsgButtons::YesNoCancel, MsgIcon::Question, 1}),
             MsgAnswer::Cancel);
    press(Qt::Key_Escape);
    QCOMPARE(boxes.Show({"!", "T", MsgButtons::Ok, MsgIcon::Exclamation, 1}), MsgAnswer::Ok);
  }

  void filterListsBecomeQtNameFilters() {
    QCOMPARE(NameFilters(Z("Projekte (*.mpp)\0\0\0", 19)),
             QStringList{QStringLiteral("Projekte (*.mpp)")});
    QCOMPARE(NameFilters(Z("Alle Dateien\0*.*\0\0", 19)),
             QStringList{QStringLiteral("Alle Dateien (*.*)")});
    QCOMPARE(NameFilters(Z("Texte\0*.txt;*.csv\0Projekte (*.mpp)\0*.mpp\0\0", 42)),
             (QStringList{QStringLiteral("Texte (*.txt *.csv)"), QStringLiteral("Projekte (*.mpp)")}));
    // A text without pattern and without brackets lets every file through.
    QCOMPARE(NameFilters(Z("Alles\0\0\0", 8)), QStringList{QStringLiteral("Alles (*)")});
    QCOMPARE(NameFilters(std::string()), QStringList{QStringLiteral("Alle Dateien (*)")});
  }

  void saveQuestionConfiguresTheDialog() {
    QTemporaryDir dir;
    FileDialogRequest request;
    request.filter = Z("Projekte (*.mpp)\0\0\0", 19);
    request.title = "Ressourcendiagramm speichern";
    request.file = std::string("Ressourcendiagramm für Bau") + std::string(10, '\0');
    request.maxFile = 512;
    request.initialDir = dir.path().toStdString();
    request.flags = kOfnPathMustExist | kOfnHideReadOnly | kOfnOverwritePrompt;
    request.defaultExt = "mpp";
    QFileDialog dialog;
    Configure(dialog, request, true);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Ressourcendiagramm speichern"));
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog.defaultSuffix(), QStringLiteral("mpp"));
    QCOMPARE(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());
    QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(dialog.nameFilters(), QStringList{QStringLiteral("Projekte (*.mpp)")});

    // Without the prompt bit nothing asks before a file is replaced; several files to open.
    request.flags = kOfnExplorer | kOfnAllowMultiSelect | kOfnFileMustExist;
    QFileDialog open;
    Configure(open, request, false);
    QCOMPARE(open.acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(open.fileMode(), QFileDialog::ExistingFiles);
    QVERIFY(open.testOption(QFileDialog::DontConfirmOverwrite));
    request.flags = kOfnFileMustExist;
    QFileDialog one;
    Configure(one, request, false);
    QCOMPARE(one.fileMode(), QFileDialog::ExistingFile);
  }

  void chosenFilesFillTheBufferAsTheClassReadsIt() {
    QCOMPARE(SelectionBuffer({QStringLiteral("/tmp/a/Plan für Bau.mpp")}, 512),
             std::string("/tmp/a/Plan für Bau.mpp") + std::string(2, '\0'));
    const std::string several =
        SelectionBuffer({QStringLiteral("/tmp/a/x.mpp"), QStringLiteral("/tmp/a/y.mpp")}, 2000);
    QCOMPARE(several, Z("/tmp/a\0x.mpp\0y.mpp\0\0", 20));
    QVERIFY_THROWS_EXCEPTION(FileDialogError,
                             SelectionBuffer({QStringLiteral("/tmp/") + QString(600, 'x')}, 512));

    // clsFileDlg reads such buffers back: three files in one folder.
    ScriptedFileDialogs scripted;
    scripted.Answer(SelectionBuffer({QStringLiteral("/tmp/a/1.mpp"), QStringLiteral("/tmp/a/2.mpp"),
                                     QStringLiteral("/tmp/a/3.mpp")},
                                    2000));
    SilentMessageBoxes silent;
    clsFileDlg dialog(scripted, silent);
    dialog.MultiSelect(true);
    QCOMPARE(dialog.ShowOpen(), std::string("/tmp/a/1.mpp"));
    QCOMPARE(dialog.FileCount(), 3);
    QCOMPARE(dialog.GetNextFile(), std::string("/tmp/a/2.mpp"));
  }

  void waitsLetTimersAndDrawingRun() {
    DrawingClock clock;
    bool timerRan = false;
    QTimer::singleShot(5, [&] { timerRan = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    clock.Wait(40);
    QVERIFY(elapsed.elapsed() >= 40);
    QVERIFY(timerRan);
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
