// "Konflikte und Anwesenheit..." on Qt's offscreen platform: the tables of a small plan, their
// sorting by number, their copy, and the export that never replaces the project's own file.

#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "desktop/absence_dialog.hpp"
#include "projectxml/project_xml.hpp"
#include "support/scripted_message_boxes.hpp"

namespace {

using namespace kx;

// Mon 8 to Fri 19 June 2026. Anna works 10 hours on her vacation day, Wednesday 10th; Ben 7.5
// hours on his, and Dora 6 hours on the 16th in her vacation week.
std::string Plan() {
  const auto calendar = [](int uid, const char* from, const char* to) {
    return "<Calendar><UID>" + std::to_string(uid) + "</UID><Name>R" + std::to_string(uid) +
           "</Name><IsBaseCalendar>0</IsBaseCalendar><BaseCalendarUID>1</BaseCalendarUID>"
           "<WeekDays><WeekDay><DayType>0</DayType><DayWorking>0</DayWorking><TimePeriod>"
           "<FromDate>2026-06-" + from + "T00:00:00</FromDate><ToDate>2026-06-" + to +
           "T23:59:00</ToDate></TimePeriod></WeekDay></WeekDays></Calendar>";
  };
  const auto resource = [](int uid, const char* name, const char* calendarUid) {
    return "<Resource><UID>" + std::to_string(uid) + "</UID><ID>" + std::to_string(uid) +
           "</ID><Name>" + name + "</Name><Group>Montage</Group><Type>1</Type><CalendarUID>" +
           calendarUid + "</CalendarUID></Resource>";
  };
  const auto work = [](int uid, const char* day, const char* value) {
    return "<Assignment><UID>" + std::to_string(uid) + "</UID><TaskUID>1</TaskUID><ResourceUID>" +
           std::to_string(uid) + "</ResourceUID><TimephasedData><Type>1</Type><UID>" +
           std::to_string(uid) + "</UID><Start>2026-06-" + day + "T08:00:00</Start><Finish>2026-06-" +
           day + "T17:00:00</Finish><Unit>2</Unit><Value>" + value +
           "</Value></TimephasedData></Assignment>";
  };
  return "<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">"
         "<StartDate>2026-06-08T08:00:00</StartDate><FinishDate>2026-06-19T17:00:00</FinishDate>"
         "<CalendarUID>1</CalendarUID><Calendars><Calendar><UID>1</UID><Name>Standard</Name>"
         "<IsBaseCalendar>1</IsBaseCalendar></Calendar>" +
         calendar(2, "10", "10") + calendar(3, "09", "11") + calendar(4, "15", "19") +
         "</Calendars><Tasks><Task><UID>1</UID><ID>1</ID><Name>Montage</Name>"
         "<Start>2026-06-08T08:00:00</Start><Finish>2026-06-19T17:00:00</Finish></Task></Tasks>"
         "<Resources>" +
         resource(1, "Anna", "2") + resource(2, "Ben", "3") + resource(4, "Dora", "4") +
         "<Resource><UID>5</UID><ID>5</ID><Name>Eva</Name><Type>1</Type></Resource>" +
         "</Resources><Assignments>" + work(1, "10", "PT10H0M0S") + work(2, "10", "PT7H30M0S") +
         work(4, "16", "PT6H0M0S") + "</Assignments></Project>\n";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

QStringList Column(const QTableWidget& table, int column) {
  QStringList out;
  for (int r = 0; r < table.rowCount(); ++r) out << table.item(r, column)->text();
  return out;
}

}  // namespace

class AbsenceDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void TablesSortByNumberCopyAndExportWithoutTouchingTheProject() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto at = [&](const char* name) { return (dir.path() + "/" + name).toStdString(); };
    const std::string source = at("montage.xml");
    std::ofstream(source, std::ios::binary) << Plan();
    platform::PlanningHost host(std::make_shared<platform::ProjectXmlFormat>());
    host.OpenProject(source);
    MemoryRegistryStore store;
    ScriptedMessageBoxes boxes;
    desktop::AbsenceDialog dialog(host, &store, &boxes);
    dialog.findChild<QLineEdit*>(QStringLiteral("limit"))->setText(QStringLiteral("1"));
    dialog.findChildren<QRadioButton*>().front()->setChecked(true);  // the whole project
    QVERIFY(dialog.Compute());

    QTableWidget& conflicts = *dialog.ConflictTable();
    QCOMPARE(Column(conflicts, 1), (QStringList{"Anna", "Ben", "Dora"}));
    conflicts.sortItems(3, Qt::AscendingOrder);  // hours as numbers, not as texts
    QCOMPARE(Column(conflicts, 3), (QStringList{"6", "7,5", "10"}));
    // Two of three away on Wednesday pass a limit of one; Dora alone is one.
    QCOMPARE(Column(*dialog.OverTable(), 1), (QStringList{"10.06.2026"}));
    // Eva, in no group, is counted under "(keine)", but her project keeps her without a group.
    QCOMPARE(dialog.Report()->groups.back().name, std::string("(keine)"));
    QCOMPARE(host.ActiveData()->resources.back()->group, std::string());

    conflicts.selectRow(0);
    QCOMPARE(dialog.SelectedText(),
             QStringLiteral("Gruppe\tRessource\tDatum\tStunden\tVorgänge\n"
                            "Montage\tDora\t16.06.2026\t6\tMontage\n"));

    const std::string before = ReadFile(source);
    QVERIFY(!dialog.Export(true, source));
    QCOMPARE(boxes.Requests().size(), std::size_t{1});
    QCOMPARE(ReadFile(source), before);
    QVERIFY(dialog.Export(false, at("a.csv")));
    QVERIFY(ReadFile(at("a.csv"))
                .starts_with("\xEF\xBB\xBFGruppe;Datum;Ressourcen;abwesend;anwesend;über Grenze\r\n"));
    QVERIFY(dialog.Export(true, at("k.xlsx")));
    QVERIFY(ReadFile(at("k.xlsx")).starts_with("PK"));
    QVERIFY(dialog.Export(true, at("K.XLSX")));  // the ending in capitals is a workbook too
    QVERIFY(ReadFile(at("K.XLSX")).starts_with("PK"));
  }

  // A project without resources (a chart project has none) is said so, not counted as nothing.
  void AProjectWithoutResourcesIsSaidSo() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string source = (dir.path() + "/leer.xml").toStdString();
    std::ofstream(source, std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">"
           "<Title>Leer</Title><StartDate>2026-06-08T08:00:00</StartDate>"
           "<FinishDate>2026-06-19T17:00:00</FinishDate></Project>\n";
    platform::PlanningHost host(std::make_shared<platform::ProjectXmlFormat>());
    host.OpenProject(source);
    MemoryRegistryStore store;
    ScriptedMessageBoxes boxes;
    desktop::AbsenceDialog dialog(host, &store, &boxes);
    QVERIFY(!dialog.Compute());
    QCOMPARE(boxes.Requests().size(), std::size_t{1});
    QVERIFY(boxes.Requests().front().text.find("enthält keine Ressourcen") != std::string::npos);
    QCOMPARE(dialog.Report().has_value(), false);
  }
};

QTEST_MAIN(AbsenceDialogTest)
#include "absence_dialog_test.moc"
