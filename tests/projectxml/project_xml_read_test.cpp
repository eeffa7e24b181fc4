#include <gtest/gtest.h>

#include <numeric>

#include "host/error.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/test_files.hpp"

namespace kx::platform {
namespace {

using testing::Fixture;
using testing::LineOf;
using testing::ReadText;
using testing::Replaced;
using testing::TempDir;
using testing::WriteText;

std::size_t Count(const auto& list) {
  return static_cast<std::size_t>(
      std::count_if(list.begin(), list.end(), [](const auto& p) { return p != nullptr; }));
}

std::size_t Exceptions(const ProjectData& p) {
  std::size_t n = 0;
  for (const auto& c : p.calendars) n += c->exceptions.size();
  return n;
}

std::size_t Assignments(const ProjectData& p) {
  std::size_t n = 0;
  for (const auto& r : p.resources)
    if (r) n += r->assignments.size();
  return n;
}

// Counted in the files: <Task> and <Resource> elements without the UID 0 entries, <Calendar>
// elements, old-form exception days (<DayType>0) and assignments whose ResourceUID is a resource.
struct Counts {
  const char* file;
  std::size_t tasks, resources, calendars, exceptions, assignments;
};
constexpr Counts kFixtures[] = {
    {"assignment-assignments-project2016-mspdi.xml", 3, 3, 4, 0, 3},
    {"calendar-calendars-project2002-mspdi.xml", 0, 2, 5, 0, 0},
    {"calendar-calendars-project2010-mspdi.xml", 0, 2, 5, 0, 0},
    {"calendar-calendars-project2019-mspdi.xml", 0, 2, 5, 0, 0},
    {"calendar-recurring-exceptions-project2010-mspdi.xml", 0, 0, 1, 138, 0},
    {"mspdisplittask.xml", 2, 0, 1, 0, 0},
    {"mspditimephased.xml", 40, 41, 44, 0, 40},
    {"resource-type-project2010-mspdi.xml", 0, 15, 16, 0, 0},
    {"sample.xml", 19, 2, 4, 0, 2},
};

TEST(ProjectXmlRead, EveryFixtureLoadsWithWhatItHolds) {
  KX_NEED_FIXTURES();
  for (const Counts& c : kFixtures) {
    SCOPED_TRACE(c.file);
    const LoadResult r = ReadProjectXml(Fixture(c.file));
    ASSERT_TRUE(r.project);
    EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
    const ProjectData& p = *r.project;
    EXPECT_EQ(p.name, c.file);
    EXPECT_EQ(Count(p.tasks), c.tasks);
    EXPECT_EQ(p.tasks.size(), c.tasks);  // no gaps in the numbering
    EXPECT_EQ(Count(p.resources), c.resources);
    EXPECT_EQ(p.calendars.size(), c.calendars);
    EXPECT_EQ(Exceptions(p), c.exceptions);
    EXPECT_EQ(Assignments(p), c.assignments);
    for (std::size_t i = 0; i < p.tasks.size(); ++i)
      EXPECT_EQ(p.tasks[i]->id, static_cast<int>(i + 1));
  }
}

TEST(ProjectXmlRead, ProjectCalendarsAndResources) {
  KX_NEED_FIXTURES();
  const auto p = ReadProjectXml(Fixture("sample.xml")).project;
  EXPECT_EQ(p->title, "sample");
  EXPECT_EQ(p->start, DateTimeSerial(2003, 1, 7, 8, 0));
  EXPECT_EQ(p->calendarName, "Standard");
  EXPECT_EQ(p->minutesPerDay, 480.0);
  ASSERT_EQ(p->resources.size(), 2u);
  const ResourceData& second = *p->resources[1];
  EXPECT_EQ(second.name, "Second Resource");
  EXPECT_EQ(second.initials, "SR");
  EXPECT_EQ(second.kind, 0);
  ASSERT_TRUE(second.calendar);
  EXPECT_FALSE(second.calendar->isBase);
  ASSERT_TRUE(second.calendar->base);
  EXPECT_EQ(second.calendar->base->name, "Night Shift");
  EXPECT_TRUE(
      second.calendar->weekdays[1].inherited);  // a resource calendar leaves days to its base
  // Night shift: Monday 23:00 to midnight, Tuesday 00:00-03:00, 04:00-08:00, 23:00-24:00.
  const CalendarData& night = *second.calendar->base;
  EXPECT_EQ(night.weekdays[1].times, (WorkingTimes{{23.0 / 24, 1.0}}));
  EXPECT_EQ(night.weekdays[2].times,
            (WorkingTimes{{0.0, 3.0 / 24}, {4.0 / 24, 8.0 / 24}, {23.0 / 24, 1.0}}));
  EXPECT_FALSE(night.weekdays[0].inherited);
  EXPECT_TRUE(night.weekdays[0].times.empty());  // Sunday off

  // BaseCalendarUID 0 in a base calendar of a newer file means none.
  const auto cal2019 = ReadProjectXml(Fixture("calendar-calendars-project2019-mspdi.xml")).project;
  for (const auto& c : cal2019->calendars) EXPECT_EQ(c->isBase, c->base == nullptr) << c->name;
  EXPECT_EQ(cal2019->resources[0]->calendar->name, "Resource One");
  EXPECT_EQ(cal2019->resources[0]->calendar->base->name, "Standard");

  const auto types = ReadProjectXml(Fixture("resource-type-project2010-mspdi.xml")).project;
  for (const auto& r : types->resources) {
    const int expected = r->name.rfind("Cost", 0) == 0       ? 2
                         : r->name.rfind("Material", 0) == 0 ? 1
                                                             : 0;
    EXPECT_EQ(r->kind, expected) << r->name;
  }
}

// The new-form exceptions of the fixture expand to exactly the days its old form lists.
TEST(ProjectXmlRead, RecurringExceptionsMatchTheOldFormDayByDay) {
  KX_NEED_FIXTURES();
  const std::string path = Fixture("calendar-recurring-exceptions-project2010-mspdi.xml");
  const std::string text = ReadText(path);
  const auto fromNew = ReadProjectXml(path).project->calendars.at(0)->exceptions;
  const auto begin = text.find("<Exceptions>");
  const auto end = text.find("</Exceptions>") + std::string("</Exceptions>").size();
  ASSERT_NE(begin, std::string::npos);
  const std::string oldOnly = text.substr(0, begin) + text.substr(end);
  const auto fromOld =
      ReadProjectXmlText(oldOnly, "alt.xml", {false, false}).project->calendars.at(0)->exceptions;
  ASSERT_EQ(fromNew.size(), fromOld.size());
  for (std::size_t i = 0; i < fromNew.size(); ++i) {
    SCOPED_TRACE(FormatIsoDate(fromNew[i].from) + " " + fromNew[i].name);
    EXPECT_EQ(fromNew[i].from, fromOld[i].from);
    EXPECT_EQ(fromNew[i].to, fromOld[i].to);
    EXPECT_EQ(fromNew[i].working, fromOld[i].working);
    EXPECT_EQ(fromNew[i].times, fromOld[i].times);
  }
  EXPECT_EQ(fromNew.front().name, "Daily 1");
  EXPECT_EQ(fromNew.front().to, DateSerial(2000, 1, 3));
  const CalendarException& working = fromNew.back();
  EXPECT_EQ(working.name, "Recurring Working");
  EXPECT_EQ(working.from, DateSerial(2010, 3, 6));
  EXPECT_TRUE(working.working);
  EXPECT_EQ(working.times, (WorkingTimes{{9.0 / 24, 13.0 / 24}, {14.0 / 24, 17.0 / 24}}));
  for (std::size_t i = 1; i < fromNew.size(); ++i) EXPECT_LT(fromNew[i - 1].to, fromNew[i].from);
}

TEST(ProjectXmlRead, SplitsBecomeGapsAndWorkIsCountedOnce) {
  KX_NEED_FIXTURES();
  const auto split = ReadProjectXml(Fixture("mspdisplittask.xml")).project;
  using Gaps = std::vector<std::pair<Date, Date>>;
  EXPECT_EQ(split->tasks[0]->gaps,
            (Gaps{{DateTimeSerial(2006, 9, 26, 17, 0), DateTimeSerial(2006, 9, 29, 17, 0)}}));
  EXPECT_EQ(split->tasks[1]->gaps,
            (Gaps{{DateTimeSerial(2006, 9, 25, 17, 0), DateTimeSerial(2006, 9, 27, 17, 0)},
                  {DateTimeSerial(2006, 10, 4, 17, 0), DateTimeSerial(2006, 10, 9, 17, 0)}}));
  EXPECT_EQ(split->tasks[1]->durationMinutes, 120 * 60.0);

  // Remaining and actual work together give each assignment's work, and no stretch is empty.
  for (const char* file :
       {"mspditimephased.xml", "assignment-assignments-project2016-mspdi.xml", "sample.xml"}) {
    const auto p = ReadProjectXml(Fixture(file)).project;
    for (const auto& r : p->resources) {
      for (const auto& a : r->assignments) {
        if (a->timephased.empty()) continue;
        const double sum =
            std::accumulate(a->timephased.begin(), a->timephased.end(), 0.0,
                            [](double s, const TimephasedWork& w) { return s + w.minutes; });
        EXPECT_NEAR(sum, a->workMinutes, 1.0) << file << " assignment " << a->uid;
        for (std::size_t i = 1; i < a->timephased.size(); ++i)
          EXPECT_LE(a->timephased[i - 1].start, a->timephased[i].start);
      }
    }
  }
  // Gaps are tasks' only: the contoured task of this file has days without work.
  const auto contoured = ReadProjectXml(Fixture("mspditimephased.xml")).project;
  EXPECT_FALSE(contoured->tasks[4]->gaps.empty());
}

TEST(ProjectXmlRead, CustomFieldsHiddenBarsAndSubprojectNames) {
  const std::string xml = R"(<?xml version="1.0"?>
<Project xmlns="http://schemas.microsoft.com/project">
  <Name>x.xml</Name><StartDate>2025-01-01T08:00:00</StartDate>
  <ExtendedAttributes>
    <ExtendedAttribute><FieldID>188743990</FieldID><FieldName>Number14</FieldName><Alias>Anzahl Urlaubstage</Alias></ExtendedAttribute>
  </ExtendedAttributes>
  <Calendars/>
  <Tasks>
    <Task><UID>0</UID><ID>0</ID><Name>Projekt</Name></Task>
    <Task><UID>7</UID><ID>1</ID><Name>Bau</Name><OutlineLevel>1</OutlineLevel><Summary>1</Summary></Task>
    <Task><UID>8</UID><ID>3</ID><Name>Maier</Name><OutlineLevel>2</OutlineLevel><HideBar>1</HideBar><Rollup>1</Rollup>
      <ExtendedAttribute><FieldID>188743990</FieldID><Value>4</Value></ExtendedAttribute>
      <ExtendedAttribute><FieldID>188743951</FieldID><Value>2025-01-01T00:00:00</Value></ExtendedAttribute>
      <ExtendedAttribute><FieldID>188743731</FieldID><Value>Text bleibt unbeachtet</Value></ExtendedAttribute>
    </Task>
    <Task><UID>9</UID><ID>4</ID><Name>Außenanlagen</Name><IsSubproject>1</IsSubproject><SubprojectName>C:\Pläne\aussen.mpp</SubprojectName></Task>
    <Task><UID>10</UID><ID>5</ID><IsNull>1</IsNull></Task>
  </Tasks>
</Project>)";
  const LoadResult r = ReadProjectXmlText(xml, "x.xml");
  const ProjectData& p = *r.project;
  ASSERT_EQ(p.tasks.size(), 5u);
  EXPECT_FALSE(p.tasks[1]);  // no task 2
  EXPECT_FALSE(p.tasks[4]);  // an empty row
  EXPECT_TRUE(p.tasks[0]->summary);
  const TaskData& maier = *p.tasks[2];
  EXPECT_EQ(maier.outlineLevel, 2);
  EXPECT_TRUE(maier.hiddenBar);
  EXPECT_TRUE(maier.rollup);
  EXPECT_EQ(maier.numbers, (std::map<std::string, double>{{"Zahl14", 4.0}}));
  EXPECT_EQ(maier.dates, (std::map<std::string, Date>{{"Datum7", DateSerial(2025, 1, 1)}}));
  EXPECT_EQ(p.definitions.customFieldTitles.at(188743990), "Anzahl Urlaubstage");
  EXPECT_EQ(p.tasks[3]->subprojectFile, "C:\\Pläne\\aussen.mpp");
  ASSERT_EQ(r.warnings.size(), 1u);  // the inserted project is not there
  EXPECT_EQ(r.warnings[0], "x.xml:" + std::to_string(LineOf(xml, "<SubprojectName>")) +
                               ": eingefügtes Projekt \"C:\\Pläne\\aussen.mpp\" wurde nicht "
                               "gefunden und wird übergangen");
  EXPECT_TRUE(p.subprojects.empty());
}

// ---------------------------------------------------------------------------------------------
// Broken input: each message names the file and the line.

std::string ErrorOf(const std::string& text, const std::string& name = "beispiel.xml") {
  try {
    ReadProjectXmlText(text, name, {false, false});
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.number(), host::kErrFile);
    return e.description();
  }
  return "(kein Fehler)";
}

TEST(ProjectXmlRead, BrokenFilesAreRefusedWithFileAndLine) {
  KX_NEED_FIXTURES();
  const std::string sample = ReadText(Fixture("mspdisplittask.xml"));

  EXPECT_EQ(ErrorOf("Dies ist kein XML.\n"),
            "beispiel.xml:1: keine XML-Datei: kein Wurzelelement gefunden");
  EXPECT_EQ(ErrorOf(""), "beispiel.xml:1: keine XML-Datei: kein Wurzelelement gefunden");
  EXPECT_EQ(ErrorOf("\x89PNG\r\n\x1a\n binary"),
            "beispiel.xml:1: keine XML-Datei: kein Wurzelelement gefunden");

  const std::string cut = sample.substr(0, sample.size() / 2);
  EXPECT_EQ(ErrorOf(cut),
            "beispiel.xml:" + std::to_string(1 + std::count(cut.begin(), cut.end(), '\n')) +
                ": die Datei endet mitten im XML (unvollständig oder abgeschnitten)");
  EXPECT_EQ(
      ErrorOf("<Project xmlns=\"http://schemas.microsoft.com/project\">\n<Tasks>\n</Project>"),
      "beispiel.xml:3: kein gültiges XML: End-Tag passt nicht zum Start-Tag");

  const std::string other = ReadText(Fixture("TwentyFourHourCalendar.xml"));
  EXPECT_EQ(ErrorOf(other, "TwentyFourHourCalendar.xml"),
            "TwentyFourHourCalendar.xml:1: keine Project-XML-Datei: das Wurzelelement ist "
            "<APIBusinessObjects>, erwartet wird <Project> im Namensraum "
            "http://schemas.microsoft.com/project");
  EXPECT_EQ(ErrorOf("<Project><Name>x</Name></Project>"),
            "beispiel.xml:1: keine Project-XML-Datei: das Wurzelelement <Project> gehört nicht "
            "zum Namensraum http://schemas.microsoft.com/project");

  auto broken = [&](const std::string& from, const std::string& to) {
    const std::string text = Replaced(sample, from, to);
    return std::make_pair(ErrorOf(text), LineOf(text, to));
  };
  auto [date, dateLine] = broken("<Start>2006-09-21T08:00:00</Start>\n\t\t\t<Finish>2006-10-09",
                                 "<Start>2024-13-01</Start>\n\t\t\t<Finish>2006-10-09");
  EXPECT_EQ(date,
            "beispiel.xml:" + std::to_string(dateLine) + ": Datum \"2024-13-01\" ist ungültig");
  auto [duration, durationLine] =
      broken("<Duration>PT80H0M0S</Duration>", "<Duration>80 Stunden</Duration>");
  EXPECT_EQ(duration,
            "beispiel.xml:" + std::to_string(durationLine) + ": Dauer \"80 Stunden\" ist ungültig");
  auto [number, numberLine] =
      broken("<OutlineLevel>1</OutlineLevel>", "<OutlineLevel>eins</OutlineLevel>");
  EXPECT_EQ(number, "beispiel.xml:" + std::to_string(numberLine) +
                        ": Zahl \"eins\" in <OutlineLevel> ist ungültig");
}

// What the parser would take although XML does not: each named with its line.
TEST(ProjectXmlRead, XmlThatIsNotWellFormedIsRefused) {
  const std::string head =
      "<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">\n";
  const std::string tail = "</Project>\n";
  EXPECT_EQ(ErrorOf(head + "<Name>A & B</Name>\n" + tail),
            "beispiel.xml:3: kein gültiges XML: ein \"&\", das keinen Verweis beginnt (als Zeichen "
            "wird es &amp; geschrieben)");
  EXPECT_EQ(
      ErrorOf(head + "<Name>A&nbsp;B</Name>\n" + tail),
      "beispiel.xml:3: kein gültiges XML: der Verweis \"&nbsp;\" ist nicht bekannt (XML kennt "
      "&amp; &lt; &gt; &quot; &apos;)");
  EXPECT_EQ(ErrorOf(head + "<Name>A&#65</Name>\n" + tail),
            "beispiel.xml:3: kein gültiges XML: der Zeichenverweis \"&#65<\" ist unvollständig");
  EXPECT_EQ(ErrorOf("<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/"
                    "project\"\n xmlns=\"x\">\n" +
                    tail),
            "beispiel.xml:2: kein gültiges XML: das Attribut \"xmlns\" steht zweimal im Element "
            "\"Project\"");
  EXPECT_EQ(ErrorOf(head + tail + "<Project></Project>\n"),
            "beispiel.xml:4: kein gültiges XML: nach dem Wurzelelement \"Project\" folgt ein "
            "zweites Element \"Project\"");
  EXPECT_EQ(ErrorOf(head + tail + "Text\n"),
            "beispiel.xml:4: kein gültiges XML: Text außerhalb des Wurzelelements");
  // What XML allows stays allowed: the five references, characters by number, "&" in comments,
  // CDATA and processing instructions, comments after the root.
  EXPECT_EQ(ErrorOf(head +
                    "<!-- A & B -->\n<Name>&amp;&lt;&gt;&quot;&apos;&#38;&#x26;"
                    "<![CDATA[ & ]]></Name>\n<?pi & ?>" +
                    tail + "<!-- Ende -->\n"),
            "(kein Fehler)");
}

TEST(ProjectXmlRead, ReferencesThatNothingDefinesAreRefused) {
  KX_NEED_FIXTURES();
  const std::string sample = ReadText(Fixture("sample.xml"));  // one line after the declaration
  EXPECT_EQ(
      ErrorOf(Replaced(sample, "<CalendarUID>3</CalendarUID>", "<CalendarUID>33</CalendarUID>")),
      "beispiel.xml:2: Kalender-UID 33 für die Ressource \"First Resource\" ist nicht definiert");
  EXPECT_EQ(ErrorOf(Replaced(sample, "<TaskUID>2</TaskUID><ResourceUID>1<",
                             "<TaskUID>2</TaskUID><ResourceUID>5<")),
            "beispiel.xml:2: Ressourcen-UID 5 der Zuordnung ist nicht definiert");
  EXPECT_EQ(ErrorOf(Replaced(sample, "<TaskUID>2</TaskUID><ResourceUID>1<",
                             "<TaskUID>99</TaskUID><ResourceUID>1<")),
            "beispiel.xml:2: Vorgangs-UID 99 der Zuordnung ist nicht definiert");
  // First Resource's calendar builds on Second Resource's, which builds on First Resource's.
  std::string loop = Replaced(
      sample, "<Name>First Resource</Name><IsBaseCalendar>0</IsBaseCalendar><BaseCalendarUID>1<",
      "<Name>First Resource</Name><IsBaseCalendar>0</IsBaseCalendar><BaseCalendarUID>4<");
  loop = Replaced(
      loop, "<Name>Second Resource</Name><IsBaseCalendar>0</IsBaseCalendar><BaseCalendarUID>2<",
      "<Name>Second Resource</Name><IsBaseCalendar>0</IsBaseCalendar><BaseCalendarUID>3<");
  const std::string message = ErrorOf(loop);
  EXPECT_EQ(message.find("beispiel.xml:2: die Basiskalender von \""), 0u) << message;
  EXPECT_NE(message.find("\" bilden eine Schleife"), std::string::npos) << message;
  EXPECT_EQ(ErrorOf(Replaced(sample, "<UID>2</UID><Name>Night Shift</Name>",
                             "<UID>1</UID><Name>Night Shift</Name>")),
            "beispiel.xml:2: Kalender-UID 1 ist doppelt vergeben");
}

TEST(ProjectXmlRead, FilesOnDiskAndTheirLines) {
  KX_NEED_FIXTURES();
  TempDir dir;
  EXPECT_THROW(ReadProjectXml(dir / "fehlt.xml"), host::HostError);
  try {
    ReadProjectXml(dir / "fehlt.xml");
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.description(), dir / "fehlt.xml" + ": Datei kann nicht gelesen werden");
  }
  const std::string text =
      Replaced(ReadText(Fixture("mspdisplittask.xml")), "<Finish>2006-10-09T17:00:00</Finish>",
               "<Finish>2006-10-09T17:00:00x</Finish>");
  WriteText(dir / "kaputt.xml", text);
  try {
    ReadProjectXml(dir / "kaputt.xml");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.description(), dir / "kaputt.xml" + ":" +
                                   std::to_string(LineOf(text, "2006-10-09T17:00:00x")) +
                                   ": Datum \"2006-10-09T17:00:00x\" ist ungültig");
  }
  // A start tag over several lines: the parse in place writes over the line break that ends its
  // name, and the fault after it is named on its line all the same.
  std::string spread =
      "<?xml version=\"1.0\"?>\n<Project\n  xmlns=\"http://schemas.microsoft.com/project\">\n";
  for (int i = 0; i < 10; ++i) spread += "<Title>Neubau</Title>\n";
  spread += "<Tasks></Taskx>\n</Project>\n";
  WriteText(dir / "verteilt.xml", spread);
  const std::string fault = ":14: kein gültiges XML: End-Tag passt nicht zum Start-Tag";
  ASSERT_EQ(LineOf(spread, "</Taskx>"), 14);
  EXPECT_EQ(ErrorOf(spread, "verteilt.xml"), "verteilt.xml" + fault);
  try {
    ReadProjectXml(dir / "verteilt.xml");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.description(), dir / "verteilt.xml" + fault);
  }
}

// ---------------------------------------------------------------------------------------------
// Inserted projects

std::string Minimal(const std::string& tasks) {
  return "<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">\n"
         "<StartDate>2025-01-01T08:00:00</StartDate>\n<Tasks>\n" +
         tasks + "</Tasks>\n</Project>\n";
}

std::string SubTask(int uid, const std::string& file) {
  return "<Task><UID>" + std::to_string(uid) + "</UID><ID>" + std::to_string(uid) +
         "</ID><Name>Teil</Name><IsSubproject>1</IsSubproject>\n<SubprojectName>" + file +
         "</SubprojectName></Task>\n";
}

TEST(ProjectXmlRead, InsertedProjectsAreReadBesideTheirMaster) {
  TempDir dir;
  std::filesystem::create_directories(dir.path() / "teile");
  WriteText(dir / "haupt.xml", Minimal(SubTask(1, "teile\\a.xml") + SubTask(2, "weg.xml")));
  WriteText(dir / "teile/a.xml", Minimal(SubTask(1, "b.xml")));
  WriteText(dir / "teile/b.xml", Minimal(""));
  const LoadResult r = ReadProjectXml(dir / "haupt.xml");
  ASSERT_EQ(r.project->subprojects.size(), 1u);
  const SubprojectData& a = r.project->subprojects[0];
  EXPECT_EQ(a.sourceFile, "teile\\a.xml");
  EXPECT_EQ(a.taskRow, 1);
  ASSERT_TRUE(a.project);
  EXPECT_EQ(a.project->name, "a.xml");
  ASSERT_EQ(a.project->subprojects.size(), 1u);  // b.xml, beside a.xml
  EXPECT_EQ(a.project->subprojects[0].project->name, "b.xml");
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0], dir / "haupt.xml" +
                               ":8: eingefügtes Projekt \"weg.xml\" wurde nicht "
                               "gefunden und wird übergangen");

  // b.xml inserting haupt.xml again closes a loop.
  WriteText(dir / "teile/b.xml", Minimal(SubTask(1, "../haupt.xml")));
  try {
    ReadProjectXml(dir / "haupt.xml");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.description(), dir / "teile/b.xml" +
                                   ":6: eingefügtes Projekt \"../haupt.xml\" "
                                   "fügt dieses Projekt selbst wieder ein (Schleife)");
  }
  // A project inserting itself.
  WriteText(dir / "selbst.xml", Minimal(SubTask(1, "selbst.xml")));
  EXPECT_THROW(ReadProjectXml(dir / "selbst.xml"), host::HostError);
}

}  // namespace
}  // namespace kx::platform

namespace kx::platform {
namespace {

TEST(ProjectXmlRead, WorkWeeksBecomeExceptionsWhereNoExceptionIs) {
  const std::string xml = R"(<Project xmlns="http://schemas.microsoft.com/project">
<Calendars><Calendar><UID>1</UID><Name>Standard</Name><IsBaseCalendar>1</IsBaseCalendar>
 <WeekDays><WeekDay><DayType>6</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>08:00:00</FromTime><ToTime>12:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay>
  <WeekDay><DayType>0</DayType><DayWorking>0</DayWorking><TimePeriod><FromDate>2025-06-13T00:00:00</FromDate><ToDate>2025-06-13T23:59:00</ToDate></TimePeriod></WeekDay></WeekDays>
 <WorkWeeks><WorkWeek><TimePeriod><FromDate>2025-06-01T00:00:00</FromDate><ToDate>2025-06-30T23:59:00</ToDate></TimePeriod><Name>Sommer</Name>
  <WeekDays><WeekDay><DayType>6</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>07:00:00</FromTime><ToTime>13:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay>
   <WeekDay><DayType>7</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>07:00:00</FromTime><ToTime>13:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay></WeekDays></WorkWeek></WorkWeeks>
</Calendar></Calendars></Project>)";
  const auto p = ReadProjectXmlText(xml, "w.xml").project;
  std::vector<std::string> days;
  for (const auto& e : p->calendars[0]->exceptions) {
    days.push_back(FormatIsoDate(e.from) + ".." + FormatIsoDate(e.to) + " " + e.name);
    if (e.name == "Sommer") {
      EXPECT_EQ(e.times, (WorkingTimes{{7.0 / 24, 13.0 / 24}}));
    }
  }
  // Fridays and Saturdays of June from 07:00 to 13:00, joined where they follow each other,
  // except the 13th, an exception of its own.
  EXPECT_EQ(days, (std::vector<std::string>{
                      "2025-06-06..2025-06-07 Sommer", "2025-06-13..2025-06-13 ",
                      "2025-06-14..2025-06-14 Sommer", "2025-06-20..2025-06-21 Sommer",
                      "2025-06-27..2025-06-28 Sommer"}));
}

TEST(ProjectXmlRead, EmptyRowsPrefixesAndUnusualDates) {
  const std::string xml = R"(<?xml version="1.0"?>
<p:Project xmlns:p="http://schemas.microsoft.com/project">
<p:Tasks><p:Task><p:UID>1</p:UID><p:ID>1</p:ID><p:Name>A</p:Name>
  <p:Start>2025-01-01T24:00:00</p:Start><p:Finish>2025-01-01T08:00:00</p:Finish><p:Duration>-PT1H30M0S</p:Duration></p:Task></p:Tasks>
<p:Resources>
 <p:Resource><p:UID>1</p:UID><p:ID>1</p:ID><p:Name>Anna</p:Name></p:Resource>
 <p:Resource><p:UID>2</p:UID><p:ID>2</p:ID><p:IsNull>1</p:IsNull></p:Resource>
 <p:Resource><p:UID>3</p:UID><p:ID>3</p:ID></p:Resource>
</p:Resources>
<p:Assignments>
 <p:Assignment><p:UID>7</p:UID><p:TaskUID>1</p:TaskUID><p:ResourceUID>2</p:ResourceUID><p:Work>PT8H0M0S</p:Work></p:Assignment>
 <p:Assignment><p:UID>8</p:UID><p:TaskUID>1</p:TaskUID><p:ResourceUID>1</p:ResourceUID><p:Work>PT8H0M0S</p:Work>
  <p:TimephasedData><p:Type>3</p:Type><p:Start>2025-01-02T08:00:00</p:Start><p:Finish>2025-01-02T17:00:00</p:Finish><p:Value>PT1H0M0S</p:Value></p:TimephasedData>
  <p:TimephasedData><p:Type>2</p:Type><p:Start>2025-01-02T08:00:00</p:Start><p:Finish>2025-01-02T17:00:00</p:Finish><p:Value>PT8H0M0S</p:Value></p:TimephasedData></p:Assignment>
</p:Assignments></p:Project>)";
  const auto p = ReadProjectXmlText(xml, "p.xml").project;
  ASSERT_EQ(p->tasks.size(), 1u);
  EXPECT_EQ(p->tasks[0]->start, DateSerial(2025, 1, 2));  // 24:00 is the next midnight
  EXPECT_EQ(p->tasks[0]->finish, DateTimeSerial(2025, 1, 1, 8, 0));
  EXPECT_EQ(p->tasks[0]->durationMinutes, -90.0);
  ASSERT_EQ(p->resources.size(), 3u);
  EXPECT_TRUE(p->resources[0]);
  EXPECT_FALSE(p->resources[1]);                       // an empty row
  EXPECT_FALSE(p->resources[2]);                       // a row without a name
  ASSERT_EQ(p->resources[0]->assignments.size(), 1u);  // the empty row's work is no one's
  const auto& work = p->resources[0]->assignments[0]->timephased;
  ASSERT_EQ(work.size(), 1u);  // actual overtime is part of the actual work
  EXPECT_EQ(work[0].minutes, 480.0);
}

TEST(ProjectXmlRead, TheHostsFileFormatKeepsItsWarnings) {
  TempDir dir;
  WriteText(dir / "m.xml", Minimal(SubTask(1, "fehlt.xml")));
  ProjectXmlFormat format;
  const auto p = format.Load(dir / "m.xml");
  ASSERT_TRUE(p);
  EXPECT_EQ(format.LastWarnings().size(), 1u);
  format.Save(*p, dir / "kopie.mpp");
  EXPECT_TRUE(std::filesystem::exists(dir / "kopie.mpp"));
  EXPECT_TRUE(std::filesystem::exists(dir / "kopie.mpp.korvalinx.json"));
  EXPECT_EQ(ReadProjectXml(dir / "kopie.mpp").project->tasks[0]->subprojectFile, "fehlt.xml");
}

}  // namespace
}  // namespace kx::platform

namespace kx::platform {
namespace {

// A project of `count` assignments of one resource, each with a day of work, its timephased
// data opened by `timephased`.
std::string ManyAssignments(int count, const std::string& timephased = "<TimephasedData>") {
  std::string xml =
      "<Project xmlns=\"http://schemas.microsoft.com/project\">\n"
      "<Tasks><Task><UID>1</UID><ID>1</ID><Name>T</Name></Task></Tasks>\n"
      "<Resources><Resource><UID>1</UID><ID>1</ID><Name>R</Name></Resource></Resources>\n"
      "<Assignments>\n";
  for (int i = 0; i < count; ++i) {
    const std::string day = FormatIsoDate(Date(DateSerial(2025, 1, 1).serial + i));
    xml += "<Assignment><UID>" + std::to_string(i) +
           "</UID><TaskUID>1</TaskUID><ResourceUID>1</ResourceUID>\n" + timephased +
           "<Type>1</Type><Start>" + day + "T08:00:00</Start><Finish>" + day +
           "T17:00:00</Finish><Value>PT8H0M0S</Value></TimephasedData></Assignment>\n";
  }
  return xml + "</Assignments></Project>\n";
}

TEST(ProjectXmlRead, ManyAssignmentsKeepTheirOrderAndTheFirstErrorIsReported) {
  const std::string xml = ManyAssignments(1200);
  const auto p = ReadProjectXmlText(xml, "viele.xml").project;
  const auto& list = p->resources[0]->assignments;
  ASSERT_EQ(list.size(), 1200u);
  for (int i = 0; i < 1200; ++i) {
    ASSERT_EQ(list[static_cast<std::size_t>(i)]->uid, i);
    ASSERT_EQ(list[static_cast<std::size_t>(i)]->timephased.at(0).start.serial,
              DateTimeSerial(2025, 1, 1, 8, 0).serial + i);
  }
  EXPECT_EQ(p->tasks[0]->id, 1);

  // With a prefix on every name: both threads read the names as the file writes them.
  std::string prefixed = Replaced(xml, "xmlns=", "xmlns:p=");
  for (std::size_t at = 0; (at = prefixed.find('<', at)) != std::string::npos; at += 3)
    prefixed.insert(prefixed[at + 1] == '/' ? at + 2 : at + 1, "p:");
  const auto q = ReadProjectXmlText(prefixed, "p.xml").project;
  ASSERT_EQ(q->resources[0]->assignments.size(), 1200u);
  EXPECT_EQ(q->resources[0]->assignments.back()->uid, 1199);
  EXPECT_EQ(q->resources[0]->assignments.back()->timephased.at(0).start.serial,
            list.back()->timephased.at(0).start.serial);

  // Broken dates in both halves of the file: the earlier one is named.
  std::string broken = Replaced(xml, "2025-02-10T17:00:00", "2025-02-30T17:00:00");
  broken = Replaced(broken, "2027-01-10T17:00:00", "2027-01-10T17:00:0x");
  EXPECT_EQ(ErrorOf(broken), "beispiel.xml:" + std::to_string(LineOf(broken, "2025-02-30")) +
                                 ": Datum \"2025-02-30T17:00:00\" ist ungültig");
  const std::string late = Replaced(xml, "2027-01-10T17:00:00", "2027-01-10T17:00:0x");
  EXPECT_EQ(ErrorOf(late), "beispiel.xml:" + std::to_string(LineOf(late, "17:00:0x")) +
                               ": Datum \"2027-01-10T17:00:0x\" ist ungültig");
}

// Files from 64 KB on are parsed in two parts here, as files from 8 MB on are.
constexpr ReadOptions kInParts{false, false, 64 << 10};

// The error a file on disk gives when read as large files are, or "(kein Fehler)".
std::string FileErrorOf(const std::string& path) {
  try {
    ReadProjectXml(path, kInParts);
  } catch (const host::HostError& e) {
    return e.description();
  }
  return "(kein Fehler)";
}

// The start of the assignment `steps` assignments away from the one that holds `at`.
std::size_t AssignmentNear(const std::string& xml, std::size_t at, int steps) {
  std::size_t pos = xml.rfind("<Assignment>", at);
  for (; steps < 0; ++steps) pos = xml.rfind("<Assignment>", pos - 1);
  for (; steps > 0; --steps) pos = xml.find("<Assignment>", pos + 1);
  return pos;
}

// Large files are parsed in parts at once; what they hold, and where their faults are named,
// must be what one parse of the whole text gives.
TEST(ProjectXmlRead, LargeFilesOnDiskReadAsOneText) {
  constexpr int kCount = 4000;  // about 900 KB
  // Start tags over two lines, whose line breaks the parse in place writes over.
  const std::string xml = ManyAssignments(kCount, "<TimephasedData\n>");
  ASSERT_GT(xml.size(), kInParts.parseInPartsFrom);
  TempDir dir;
  const std::string path = dir / "gross.xml";
  const auto expectAll = [&](const std::string& text) {
    WriteText(path, text);
    const auto p = ReadProjectXml(path, kInParts).project;
    const auto& list = p->resources.at(0)->assignments;
    ASSERT_EQ(list.size(), std::size_t{kCount});
    for (int i = 0; i < kCount; ++i) {
      ASSERT_EQ(list[static_cast<std::size_t>(i)]->uid, i);
      ASSERT_NEAR(list[static_cast<std::size_t>(i)]->timephased.at(0).start.serial,
                  DateTimeSerial(2025, 1, 1, 8, 0).serial + i, 1e-6);
    }
  };
  expectAll(xml);

  // A broken date in each assignment around the middle, where the parts meet: the file's own
  // line is named wherever the date stands.
  for (int steps = -1; steps <= 1; ++steps) {
    std::string broken = xml;
    const std::size_t at = broken.find("T17:00:00<", AssignmentNear(xml, xml.size() / 2, steps));
    broken.replace(at, 9, "T17:00:0x");
    WriteText(path, broken);
    EXPECT_EQ(FileErrorOf(path), path + ":" + std::to_string(LineOf(broken, "17:00:0x")) +
                                     ": Datum \"" + broken.substr(at - 10, 19) + "\" ist ungültig")
        << steps;
  }

  // A fault of the XML itself in the second part: as the text read from memory names it.
  std::string broken = xml;
  const std::size_t at =
      broken.find("</TimephasedData>", AssignmentNear(xml, xml.size() / 5 * 4, 0));
  broken.replace(at, 17, "</TimephasedDatum>");
  WriteText(path, broken);
  const std::string error = FileErrorOf(path);
  EXPECT_EQ(error, ErrorOf(broken, path));
  EXPECT_NE(error.find("End-Tag passt nicht"), std::string::npos) << error;

  // An attribute twice in the second part, and a second root after the first: refused there too.
  std::string twice = xml;
  twice.insert(twice.find("<TimephasedData", AssignmentNear(xml, xml.size() / 5 * 4, 0)) + 15,
               " a=\"1\" a=\"2\"");
  WriteText(path, twice);
  EXPECT_EQ(FileErrorOf(path), path + ":" + std::to_string(LineOf(twice, " a=\"1\"")) +
                                   ": kein gültiges XML: das Attribut \"a\" steht zweimal im "
                                   "Element \"TimephasedData\"");
  WriteText(path, xml + "<Project/>\n");
  EXPECT_NE(FileErrorOf(path).find(": kein gültiges XML: nach dem Wurzelelement \"Project\" folgt "
                                   "ein zweites Element \"Project\""),
            std::string::npos);

  // Tags in comments are no place to divide the file: it is read whole all the same.
  std::string commented;
  std::size_t from = 0;
  for (std::size_t end = xml.find("</TimephasedData>"); end != std::string::npos;
       from = end + 17, end = xml.find("</TimephasedData>", from))
    commented.append(xml, from, end + 17 - from).append("<!-- </Assignment> <Assignment> -->");
  commented.append(xml, from);
  expectAll(commented);
}

}  // namespace
}  // namespace kx::platform
