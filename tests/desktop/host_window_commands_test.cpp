// The desktop host's own commands on Qt's offscreen platform: saving without rewriting the
// user's files behind their back, closing and switching projects, the files opened last, the
// resource sheet with its filters, a chart project in its own view with a header that stays while
// the rows scroll, screen updating, and the add-ins dialog that loads and unloads Korvalinx.
// The keyboard path through the menus needs a real display: tests/desktop/x_session.sh.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "desktop/add_ins.hpp"
#include "desktop/chart_exports.hpp"
#include "connect/connect.hpp"
#include "desktop/desktop_testing.hpp"
#include "desktop/gantt_view.hpp"
#include "desktop/host_window.hpp"
#include "job/chart_job.hpp"
#include "projectxml/project_xml.hpp"
#include "desktop/resource_sheet.hpp"
#include "settings/chart_settings.hpp"
#include "support/scripted_message_boxes.hpp"
#include "views/file_dialogs.hpp"

namespace {

using namespace kx;
using kx::testing::Texts;
namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A scratch folder with the example project and the project it inserts.
struct Folder {
  QTemporaryDir dir;
  fs::path path() const { return fs::path(dir.path().toStdString()); }
  std::string Examples() const {
    for (const char* f : {"neubau_buerogebaeude.xml", "aussenanlagen.xml"})
      fs::copy_file(fs::path(KX_EXAMPLES_DIR) / f, path() / f,
                    fs::copy_options::overwrite_existing);
    return (path() / "neubau_buerogebaeude.xml").string();
  }
  // A vacation plan of the example for 2025, made by the chart job.
  std::string VacationPlan() const {
    const std::string source = Examples();
    job::ChartJobOptions options;
    options.source = source;
    options.output = (path() / "urlaub.xml").string();
    options.plan = settings::kPlanVacation;
    options.year = 2025;
    ScriptedMessageBoxes boxes;
    MemoryRegistryStore registry;
    const int code = job::RunChartJob(options, {boxes, registry, {}, {}, nullptr});
    return code == 0 ? *options.output : std::string();
  }
};

// The window with a host that reads Project XML, scripted questions and dialogs and a store.
struct Desk {
  platform::PlanningHost host{std::make_shared<platform::ProjectXmlFormat>()};
  std::shared_ptr<platform::CommandBarService> bars =
      std::make_shared<platform::CommandBarService>();
  ScriptedMessageBoxes boxes;
  ScriptedFileDialogs dialogs;
  MemoryRegistryStore store;
  std::unique_ptr<desktop::HostWindow> window;
  Desk() {
    host.SetCommandBars(bars);
    window = std::make_unique<desktop::HostWindow>(
        host, *bars, desktop::WindowServices{&boxes, &dialogs, &store});
  }
  QMenu* Menu(const char* bar) const { return window->findChild<QMenu*>(QString::fromUtf8(bar)); }
};

std::string LoadBehavior(RegistryStore& store) {
  return GetRegString(store, HKEY_CURRENT_USER,
                      std::string(desktop::kAddInsKey) + "\\" + addin::kProgId, "LoadBehavior");
}

}  // namespace

class HostWindowCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void savingAsksBeforeReplacingAFileTheHostDidNotWrite() {
    Folder folder;
    const std::string source = folder.Examples();
    const std::string original = Read(source);
    Desk desk;
    QVERIFY(desk.window->OpenFile(source));

    // "Speichern" over the file that was read: the user is asked, No is the default.
    desk.boxes.Answer(MsgAnswer::No);
    QVERIFY(!desk.window->SaveActive(false));
    QVERIFY(desk.boxes.Last().text.find("wurde nicht mit Korvalinx Planer gespeichert") !=
            std::string::npos);
    QCOMPARE(desk.boxes.Last().buttons, MsgButtons::YesNo);
    QCOMPARE(desk.boxes.Last().defaultButton, 2);
    QCOMPARE(Read(source), original);

    desk.host.ActiveData()->title = "Neubau Bürogebäude, geändert";
    desk.boxes.Answer(MsgAnswer::Yes);
    QVERIFY(desk.window->SaveActive(false));
    QVERIFY(Read(source).find("Neubau Bürogebäude, geändert") != std::string::npos);
    // What the host wrote itself it saves over without asking again.
    const std::size_t asked = desk.boxes.Count();
    QVERIFY(desk.window->SaveActive(false));
    QCOMPARE(desk.boxes.Count(), asked);

    // "Speichern unter..." to a new file, then to it again from another name: "bereits vorhanden".
    const std::string copy = (folder.path() / "kopie.xml").string();
    desk.dialogs.Answer(ScriptedFileDialogs::OneFile(copy));
    QVERIFY(desk.window->SaveActive(true));
    QCOMPARE(desk.boxes.Count(), asked);
    QVERIFY(desk.window->windowTitle().endsWith(QStringLiteral(" – Korvalinx Planer")));
    // The host's files are Project XML, shown and named so in Qt's dialog.
    QFileDialog shown;
    views::Configure(shown, desk.dialogs.Calls().back().request, true);
    QCOMPARE(shown.nameFilters().front(), QStringLiteral("Projekte (*.xml)"));
    QCOMPARE(shown.defaultSuffix(), QStringLiteral("xml"));
    const std::string third = (folder.path() / "dritte.xml").string();
    desk.dialogs.Answer(ScriptedFileDialogs::OneFile(third));
    QVERIFY(desk.window->SaveActive(true));
    desk.dialogs.Answer(ScriptedFileDialogs::OneFile(copy));
    desk.boxes.Answer(MsgAnswer::No);
    QVERIFY(!desk.window->SaveActive(true));
    QVERIFY(desk.boxes.Last().text.find("ist bereits vorhanden") != std::string::npos);

    // The inserted project's file is refused by the host, and stays as it was.
    const fs::path inserted = folder.path() / "aussenanlagen.xml";
    const std::string insertedBytes = Read(inserted);
    desk.dialogs.Answer(ScriptedFileDialogs::OneFile(inserted.string()));
    desk.boxes.Answer(MsgAnswer::Yes);
    QVERIFY(!desk.window->SaveActive(true));
    QVERIFY(desk.boxes.Last().text.find("wurde nicht gespeichert") != std::string::npos);
    QVERIFY(desk.boxes.Last().text.find("aussenanlagen.xml") != std::string::npos);
    QCOMPARE(Read(inserted), insertedBytes);

    // A cancelled dialog saves nothing.
    desk.dialogs.Answer(std::nullopt);
    QVERIFY(!desk.window->SaveActive(true));
  }

  void projectsAreSwitchedInTheWindowMenuAndClosed() {
    Folder folder;
    Desk desk;
    desk.host.CreateNewProject();
    QVERIFY(desk.window->OpenFile(folder.Examples()));
    QCOMPARE(desk.window->windowTitle(), QStringLiteral("Neubau Bürogebäude – Korvalinx Planer"));

    QMenu* windows = desk.Menu("Window");
    QVERIFY(windows != nullptr);
    emit windows->aboutToShow();
    QCOMPARE(Texts(windows->actions()),
             (QStringList{"&1 Projekt1", "&2 Neubau Bürogebäude"}));
    QVERIFY(windows->actions().at(1)->isChecked());
    windows->actions().at(0)->trigger();
    QCOMPARE(desk.window->windowTitle(), QStringLiteral("Projekt1 – Korvalinx Planer"));
    emit windows->aboutToShow();
    QVERIFY(windows->actions().at(0)->isChecked());
    QCOMPARE(windows->actions().size(), 2);

    // A project never saved: Cancel keeps it, "Ja" with a cancelled dialog keeps it, No closes.
    desk.boxes.Answer(MsgAnswer::Cancel);
    QVERIFY(!desk.window->CloseActive());
    QCOMPARE(desk.boxes.Last().text, std::string("Möchten Sie die Änderungen an \"Projekt1\" speichern?"));
    desk.boxes.Answer(MsgAnswer::Yes);
    desk.dialogs.Answer(std::nullopt);
    QVERIFY(!desk.window->CloseActive());
    QCOMPARE(desk.host.OpenData().size(), std::size_t{2});
    desk.boxes.Answer(MsgAnswer::No);
    QVERIFY(desk.window->CloseActive());
    QCOMPARE(desk.window->windowTitle(), QStringLiteral("Neubau Bürogebäude – Korvalinx Planer"));

    // A project with its file closes without a question; then the window is empty.
    const std::size_t asked = desk.boxes.Count();
    desk.window->RunBuiltIn(platform::kIdFileClose);
    QCOMPARE(desk.boxes.Count(), asked);
    QCOMPARE(desk.window->windowTitle(), QStringLiteral("Korvalinx Planer"));
    QVERIFY(desk.window->ViewName()->text().isEmpty());
    desk.window->RunBuiltIn(platform::kIdFileSave);  // nothing to save: nothing happens
    QCOMPARE(desk.boxes.Count(), asked);
  }

  void theFilesOpenedLastAreKeptNewestFirst() {
    Folder folder;
    const std::string source = folder.Examples();
    std::vector<std::string> files;
    for (int i = 1; i <= 5; ++i) {
      const fs::path p = folder.path() / ("plan" + std::to_string(i) + ".xml");
      fs::copy_file(source, p);
      files.push_back(p.string());
    }
    Desk desk;
    QVERIFY(desk.window->OpenFile(files[0]));
    QCOMPARE(desk.window->RecentFiles(), std::vector<std::string>{files[0]});
    for (const auto& f : files) QVERIFY(desk.window->OpenFile(f));
    QVERIFY(!desk.window->OpenFile((folder.path() / "fehlt.xml").string()));
    QVERIFY(desk.boxes.Last().text.find("fehlt.xml") != std::string::npos);
    QCOMPARE(desk.window->RecentFiles(),
             (std::vector<std::string>{files[4], files[3], files[2], files[1]}));
    QVERIFY(desk.window->OpenFile(files[2]));
    QCOMPARE(desk.window->RecentFiles(),
             (std::vector<std::string>{files[2], files[4], files[3], files[1]}));
    // That file was open already: it is the active project again, not opened twice.
    QCOMPARE(desk.host.OpenData().size(), std::size_t{5});
    QCOMPARE(desk.host.ActiveData(), desk.host.OpenData()[2]);

    // In the "Datei" menu, before "Beenden"; the list outlives the window in the store.
    QCoreApplication::processEvents();
    const QStringList items = Texts(desk.Menu("File")->actions());
    const auto exit = items.indexOf(QStringLiteral("&Beenden"));
    QVERIFY2(exit >= 7, qPrintable(items.join(", ")));
    QCOMPARE(items.at(exit - 6), QStringLiteral("-"));
    QCOMPARE(items.at(exit - 5), QStringLiteral("&1 ") + QString::fromStdString(files[2]));
    QCOMPARE(items.at(exit - 1), QStringLiteral("-"));
    QCOMPARE(desk.Menu("File")->actions().at(exit)->shortcut(), QKeySequence(QKeySequence::Quit));
    desktop::HostWindow again(desk.host, *desk.bars, {&desk.boxes, &desk.dialogs, &desk.store});
    QCOMPARE(again.RecentFiles().front(), files[2]);
  }

  void theResourceSheetShowsTheResourcesThroughTheProjectsFilters() {
    Folder folder;
    Desk desk;
    QVERIFY(desk.window->OpenFile(folder.Examples()));
    desk.window->RunBuiltIn(platform::kIdViewResourceSheet);
    QCOMPARE(desk.window->CurrentSheet(), desktop::HostWindow::Sheet::Resources);
    QCOMPARE(desk.window->ViewName()->text(), QStringLiteral("Ressource: Tabelle"));
    QTableWidget* table = desk.window->Resources()->Table();
    QStringList headers;
    for (int c = 0; c < table->columnCount(); ++c)
      headers << table->horizontalHeaderItem(c)->text();
    QCOMPARE(headers, (QStringList{"Nr.", "Name", "Art", "Gruppe", "Basiskalender",
                                   "Einmalige Nr."}));
    const auto rowsWith = [&](int column, const QString& text) {
      int n = 0;
      for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, column) != nullptr && table->item(r, column)->text() == text) ++n;
      return n;
    };
    QCOMPARE(table->rowCount(), static_cast<int>(desk.host.ActiveData()->resources.size()));
    QCOMPARE(rowsWith(2, QStringLiteral("Material")), 1);
    QCOMPARE(rowsWith(1, QStringLiteral("Beton C25/30")), 1);
    QCOMPARE(desk.window->Resources()->Filters()->currentText(), QStringLiteral("Alle Ressourcen"));

    QVERIFY(desk.window->Resources()->ApplyFilter(QStringLiteral("Arbeitsressourcen")));
    QCOMPARE(rowsWith(2, QStringLiteral("Material")), 0);
    QCOMPARE(table->rowCount(), rowsWith(2, QStringLiteral("Arbeit")));
    QVERIFY(desk.window->Resources()->ApplyFilter(QStringLiteral("Materialressourcen")));
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("Beton C25/30"));
    QVERIFY(!desk.window->Resources()->ApplyFilter(QStringLiteral("Gibt es nicht")));

    // Each project keeps the view it shows.
    desk.host.CreateNewProject();
    desk.window->ShowActiveProject();
    QCOMPARE(desk.window->CurrentSheet(), desktop::HostWindow::Sheet::Gantt);
    desk.host.ActivateProject(desk.host.OpenData().front());
    desk.window->ShowActiveProject();
    QCOMPARE(desk.window->CurrentSheet(), desktop::HostWindow::Sheet::Resources);
    desk.window->RunBuiltIn(platform::kIdViewGantt);
    QCOMPARE(desk.window->ViewName()->text(), QStringLiteral("Balkendiagramm (Gantt)"));
  }

  void aChartProjectOpensInItsOwnViewAndItsHeaderStaysWhileItScrolls() {
    Folder folder;
    const std::string chart = folder.VacationPlan();
    QVERIFY(!chart.empty());
    Desk desk;
    QVERIFY(desk.window->OpenFile(chart));
    QCOMPARE(desk.window->ViewName()->text(), QStringLiteral("Balkendiagramm: Urlaub"));
    desktop::GanttView* gantt = desk.window->Gantt();
    QVERIFY(gantt->Model() != nullptr);
    QCOMPARE(gantt->Model()->viewName, std::string("Balkendiagramm: Urlaub"));
    QVERIFY(gantt->Model()->rows.size() > 20);

    desk.window->resize(900, 420);
    desk.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(desk.window.get()));
    const auto* painter = gantt->Painter();
    const int fixed = static_cast<int>(painter->HeaderHeight());
    const int table = static_cast<int>(gantt->TableShown());
    const int whole = static_cast<int>(painter->TableWidth());
    QVERIFY(table > 0 && table <= whole);
    const int rowHeight = static_cast<int>(painter->Options().rowHeight);
    QVERIFY(gantt->verticalScrollBar()->maximum() > 3 * rowHeight);
    QVERIFY(gantt->horizontalScrollBar()->maximum() > 100);
    // The tooltip names the row and, over a bar, its days.
    const auto& rows = gantt->Model()->rows;
    const auto withBar = std::find_if(rows.begin(), rows.end(), [](const gantt::Row& r) {
      return !r.bars.empty() && !r.bars.front().parts.empty();
    });
    QVERIFY(withBar != rows.end());
    const int at = static_cast<int>(withBar - rows.begin());
    const gantt::DaySpan part = withBar->bars.front().parts.front();
    const double dayWidth = painter->Scale().DayWidth();
    const int px =
        static_cast<int>(whole + (part.first - gantt->Model()->period.first + 0.5) * dayWidth);
    const int py = at * rowHeight + rowHeight / 2;
    gantt->horizontalScrollBar()->setValue(std::max(0, px - whole - 20));
    gantt->verticalScrollBar()->setValue(std::max(0, py - rowHeight));
    const int x = px - whole + table - gantt->horizontalScrollBar()->value();
    const int y = fixed + py - gantt->verticalScrollBar()->value();
    QVERIFY(x > table && x < gantt->viewport()->width() && y < gantt->viewport()->height());
    const auto nameColumn = std::find_if(
        gantt->Model()->columns.begin(), gantt->Model()->columns.end(),
        [](const gantt::Column& c) { return c.field == "Name"; });
    QVERIFY(nameColumn != gantt->Model()->columns.end());
    const QString name = QString::fromStdString(
        withBar->cells.at(static_cast<std::size_t>(nameColumn - gantt->Model()->columns.begin())));
    const QString tip = gantt->TipAt(QPoint(x, y));
    QVERIFY2(tip.startsWith(name + QStringLiteral("\n")), qPrintable(tip));
    QVERIFY2(tip.endsWith(QString::fromStdString(gantt::PeriodText(part))), qPrintable(tip));
    QCOMPARE(gantt->TipAt(QPoint(5, y)), name);  // over the table: the name alone
    gantt->horizontalScrollBar()->setValue(0);
    gantt->verticalScrollBar()->setValue(0);
    QVERIFY(gantt->TipAt(QPoint(5, fixed - 2)).isEmpty());
    const QImage before = gantt->viewport()->grab().toImage();
    const int width = before.width(), height = before.height();

    gantt->verticalScrollBar()->setValue(3 * rowHeight);
    const QImage down = gantt->viewport()->grab().toImage();
    QCOMPARE(down.copy(0, 0, width, fixed), before.copy(0, 0, width, fixed));
    QVERIFY(down.copy(0, fixed, width, height - fixed) !=
            before.copy(0, fixed, width, height - fixed));
    QCOMPARE(gantt->RowAt(QPoint(5, fixed + 2)), std::optional<std::size_t>(3));
    QCOMPARE(gantt->RowAt(QPoint(5, fixed - 2)), std::optional<std::size_t>());

    gantt->horizontalScrollBar()->setValue(200);
    const QImage right = gantt->viewport()->grab().toImage();
    QCOMPARE(right.copy(0, 0, table, height), down.copy(0, 0, table, height));
    QVERIFY(right.copy(table, 0, width - table, height) !=
            down.copy(table, 0, width - table, height));

    // Scrolled to the end of the year, header and bars are the painter's own drawing of those
    // days, and the table is the one of the first days.
    const QSizeF full = painter->Size();
    QImage drawn(full.toSize(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
      QPainter p(&drawn);
      painter->Paint(p);
    }
    gantt->verticalScrollBar()->setValue(0);
    gantt->horizontalScrollBar()->setValue(gantt->horizontalScrollBar()->maximum());
    const int dx = gantt->horizontalScrollBar()->value();
    const QImage december =
        gantt->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int rowsShown = std::min(height, static_cast<int>(full.height()) - 1);
    QCOMPARE(december.copy(table, 0, width - table, rowsShown),
             drawn.copy(whole + dx, 0, width - table, rowsShown));
    QCOMPARE(december.copy(0, 0, table - 1, rowsShown), drawn.copy(0, 0, table - 1, rowsShown));

    // Zooming keeps the view on the same days.
    gantt->horizontalScrollBar()->setValue(200);
    const double wide = gantt->DayWidth();
    desk.window->RunBuiltIn(platform::kIdZoomIn);
    QVERIFY(gantt->DayWidth() > wide);
    QVERIFY(std::abs(gantt->horizontalScrollBar()->value() - 200 * gantt->DayWidth() / wide) <= 1);
    // Showing the project anew (after a save, back from another project) keeps the place.
    gantt->verticalScrollBar()->setValue(2 * rowHeight);
    const QPoint place(gantt->horizontalScrollBar()->value(), gantt->verticalScrollBar()->value());
    desk.window->ShowActiveProject();
    QCOMPARE(QPoint(gantt->horizontalScrollBar()->value(), gantt->verticalScrollBar()->value()),
             place);
    desk.window->hide();
  }

  void theWindowFitsTheScreenKeepsItsPlaceAndMarksUnsavedWork() {
    Folder folder;
    Desk first;
    QAction* save = first.window->findChild<QAction*>(QString::number(platform::kIdFileSave));
    QAction* saveAs = first.window->findChild<QAction*>(QString::number(platform::kIdFileSaveAs));
    QAction* zoomIn = first.window->findChild<QAction*>(QString::number(platform::kIdZoomIn));
    QVERIFY(save != nullptr && saveAs != nullptr && zoomIn != nullptr);
    QVERIFY(!save->isEnabled() && !saveAs->isEnabled() && !zoomIn->isEnabled());  // no project
    QCOMPARE(saveAs->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));

    // A place from a larger screen, or a damaged one, is fitted to this screen.
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    std::string value = "9000";
    SetRegString(first.store, HKEY_CURRENT_USER, desktop::kWindowKey, "Breite", value);
    value = "7000";
    SetRegString(first.store, HKEY_CURRENT_USER, desktop::kWindowKey, "Hoehe", value);
    value = "-4000";
    SetRegString(first.store, HKEY_CURRENT_USER, desktop::kWindowKey, "Links", value);
    value = "oben";
    SetRegString(first.store, HKEY_CURRENT_USER, desktop::kWindowKey, "Oben", value);
    desktop::HostWindow fitted(first.host, *first.bars,
                               {&first.boxes, &first.dialogs, &first.store});
    QVERIFY(fitted.width() <= free.width() && fitted.height() <= free.height());
    QVERIFY(free.contains(fitted.pos()));

    QVERIFY(first.window->OpenFile(folder.Examples()));
    QVERIFY(save->isEnabled() && zoomIn->isEnabled());
    QCOMPARE(first.window->windowTitle(), QStringLiteral("Neubau Bürogebäude – Korvalinx Planer"));
    // A day off added to a calendar (a holiday calendar brought up to date) is unsaved work, and
    // taking it away again is not.
    auto& days = first.host.ActiveData()->calendars.front()->exceptions;
    days.push_back({"Fronleichnam", Date(46192.0), Date(46192.0), false, {}});
    first.window->ShowActiveProject();
    QCOMPARE(first.window->windowTitle(), QStringLiteral("Neubau Bürogebäude* – Korvalinx Planer"));
    days.pop_back();
    first.window->ShowActiveProject();
    QCOMPARE(first.window->windowTitle(), QStringLiteral("Neubau Bürogebäude – Korvalinx Planer"));
    first.host.ActiveData()->properties.push_back({"KXPlan", "1", 4, false});  // as the wizard does
    first.window->ShowActiveProject();
    QCOMPARE(first.window->windowTitle(), QStringLiteral("Neubau Bürogebäude* – Korvalinx Planer"));

    // Closing asks about the change; the place is kept for the next start.
    first.window->resize(640, 480);
    first.boxes.Answer(MsgAnswer::No);
    QVERIFY(first.window->close());
    QCOMPARE(first.boxes.Last().text,
             std::string("Möchten Sie die Änderungen an \"Neubau Bürogebäude\" speichern?"));
    QCOMPARE(GetRegString(first.store, HKEY_CURRENT_USER, desktop::kWindowKey, "Breite"),
             std::string("640"));
    desktop::HostWindow again(first.host, *first.bars,
                              {&first.boxes, &first.dialogs, &first.store});
    QCOMPARE(again.size(), QSize(640, 480));
  }

  void theExportCommandsWriteTheShownChartAndItsDays() {
    Folder folder;
    const std::string source = folder.Examples();
    const std::string original = Read(source);
    Desk desk;
    QVERIFY(desk.window->OpenFile(source));
    std::map<std::string, std::string> written;
    for (const desktop::ExportFormat& format : desktop::ExportFormats()) {
      const std::string path =
          (folder.path() / (std::string("ausgabe.") + format.extension)).string();
      desk.dialogs.Answer(ScriptedFileDialogs::OneFile(path));
      QVERIFY2(desk.window->Export(format.kind), format.name);
      QCOMPARE(desk.dialogs.Calls().back().request.defaultExt, std::string(format.extension));
      written[format.extension] = Read(path);
    }
    QVERIFY(written["pdf"].rfind("%PDF", 0) == 0);
    QVERIFY(written["png"].rfind("\x89PNG", 0) == 0);
    QVERIFY(written["svg"].find("<svg") != std::string::npos);
    // The days come from the chart job, as the command line writes them.
    QVERIFY2(written["csv"].rfind("\xEF\xBB\xBFGruppe;Ressource;", 0) == 0, written["csv"].c_str());
    QVERIFY(written["ics"].find("BEGIN:VCALENDAR") != std::string::npos);
    QVERIFY(written["xlsx"].rfind("PK", 0) == 0);

    // An export never replaces a project's file.
    const std::size_t asked = desk.boxes.Count();
    desk.dialogs.Answer(ScriptedFileDialogs::OneFile(source));
    QVERIFY(!desk.window->Export(desktop::ExportKind::Csv));
    QCOMPARE(desk.boxes.Count(), asked + 1);
    QVERIFY(desk.boxes.Last().text.find("würde die Datei") != std::string::npos);
    QCOMPARE(Read(source), original);

    // A chart opened from its file does not know the project its days come from: its picture
    // is exported, its days are not.
    QVERIFY(desk.window->OpenFile(folder.VacationPlan()));
    desk.dialogs.Answer(ScriptedFileDialogs::OneFile((folder.path() / "urlaub.png").string()));
    QVERIFY(desk.window->Export(desktop::ExportKind::Png));
    const std::size_t calls = desk.dialogs.Calls().size();
    QVERIFY(!desk.window->Export(desktop::ExportKind::Ics));
    QCOMPARE(desk.dialogs.Calls().size(), calls);  // said so before asking for a file
    QVERIFY(desk.boxes.Last().text.find("Die Tage der Ressourcen stehen") != std::string::npos);
  }

  void screenUpdatingSwitchesTheWindowsDrawing() {
    Desk desk;
    desk.host.SetScreenUpdating(false);
    QVERIFY(!desk.window->updatesEnabled());
    desk.host.CreateNewProject();  // as a chart run does, with the window still
    QCOMPARE(desk.window->windowTitle(), QStringLiteral("Korvalinx Planer"));
    desk.host.SetScreenUpdating(true);
    QVERIFY(desk.window->updatesEnabled());
    QCoreApplication::processEvents();
    QCOMPARE(desk.window->windowTitle(), QStringLiteral("Projekt1 – Korvalinx Planer"));
  }

  void theAddInsDialogUnloadsAndLoadsKorvalinx() {
    Folder folder;
    Desk desk;
    QVERIFY(desk.window->OpenFile(folder.Examples()));
    testing::CountingPresenter presenter;
    addin::Connect connect(&presenter, {&desk.boxes, nullptr, nullptr, &desk.store, nullptr, nullptr});
    desktop::AddInSlot korvalinx(desk.host, connect, desk.store);
    desk.window->SetAddIns({&korvalinx});
    QVERIFY(desktop::RegisterAddIn(desk.store));
    korvalinx.Load(addin::kConnectStartup);
    QCoreApplication::processEvents();
    const auto entries = [&] {
      return Texts(desk.Menu("Tools")->actions()).count(QStringLiteral("&Korvalinx Assistent"));
    };
    QCOMPARE(entries(), 1);
    const QStringList loaded = Texts(desk.Menu("Tools")->actions());
    // The entries carry the chart icon.
    QToolBar* toolbar = desk.window->findChild<QToolBar*>(QStringLiteral("Korvalinx"));
    QVERIFY(toolbar != nullptr && !toolbar->actions().isEmpty());
    QVERIFY(!toolbar->actions().front()->icon().isNull());

    // Through the window's "Add-Ins..." entry: the user takes the check mark off.
    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      auto* list = dialog->findChild<QListWidget*>(QStringLiteral("addIns"));
      QCOMPARE(list->count(), 1);
      QCOMPARE(list->item(0)->text(), QStringLiteral("Korvalinx"));
      QCOMPARE(list->item(0)->checkState(), Qt::Checked);
      list->item(0)->setCheckState(Qt::Unchecked);
      dialog->accept();
    });
    desk.window->RunBuiltIn(platform::kIdAddIns);
    QVERIFY(!korvalinx.Connected());
    QCoreApplication::processEvents();
    QCOMPARE(entries(), 0);
    QCOMPARE(LoadBehavior(desk.store), std::string("2"));
    QVERIFY(!desktop::RegisterAddIn(desk.store));  // the next start leaves it unloaded

    // Cancelled, the dialog changes nothing; checked again and accepted, Korvalinx is back.
    desktop::AddInsDialog cancelled({&korvalinx});
    cancelled.List()->item(0)->setCheckState(Qt::Checked);
    cancelled.reject();
    QVERIFY(!korvalinx.Connected());
    desktop::AddInsDialog dialog({&korvalinx});
    dialog.List()->item(0)->setCheckState(Qt::Checked);
    dialog.Apply();
    QVERIFY(korvalinx.Connected());
    QCoreApplication::processEvents();
    QCOMPARE(Texts(desk.Menu("Tools")->actions()), loaded);  // no separator more
    QCOMPARE(LoadBehavior(desk.store), std::string("3"));
    QCOMPARE(presenter.shown, 0);  // "DisplayOnConnect" is not set

    // At shutdown the entries stay, and the store still loads it at the next start.
    korvalinx.Unload(addin::kRemoveHostShutdown);
    QCoreApplication::processEvents();
    QCOMPARE(entries(), 1);
    QVERIFY(desktop::RegisterAddIn(desk.store));

    // A click on an entry of the add-in while it is not loaded loads it and starts the wizard
    // once, also when it shows itself on connecting.
    for (const char* display : {"0", "1"}) {
      SaveSetting(desk.store, "Korvalinx", "Settings", "DisplayOnConnect", display);
      presenter.shown = 0;
      korvalinx.Unload(addin::kRemoveHostShutdown);
      QVERIFY(!korvalinx.Connected());
      QToolBar* bar = desk.window->findChild<QToolBar*>(QStringLiteral("Korvalinx"));
      QVERIFY(bar != nullptr && !bar->actions().isEmpty());
      bar->actions().front()->trigger();
      QVERIFY(korvalinx.Connected());
      QCOMPARE(presenter.shown, 1);
      QCoreApplication::processEvents();
    }
  }
};

QTEST_MAIN(HostWindowCommandsTest)
#include "host_window_commands_test.moc"
