// Saving a plan that was read from Project XML keeps everything it held: unchanged, it is the
// file it was, byte for byte but for its name; changed, only the elements of what changed differ.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include <pugixml.hpp>

#include "host/error.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/test_files.hpp"
#include "testing/test_folder.hpp"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::Replaced;
using testing::WriteText;

// Every leaf of a file: its path, the UID of the calendar, task, resource or assignment that
// holds it, and its text. Only the file's name is left out.
std::multiset<std::string> Leaves(const std::string& text) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_buffer(text.data(), text.size())) << text.substr(0, 200);
  std::multiset<std::string> leaves;
  const auto walk = [&](auto&& self, pugi::xml_node n, const std::string& path,
                        const std::string& owner) -> void {
    std::string here = owner;
    const std::string name = n.name();
    if (name == "Calendar" || name == "Task" || name == "Resource" || name == "Assignment")
      here = name + "#" + n.child_value("UID");
    bool leaf = true;
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_element) {
        leaf = false;
        self(self, c, path + "/" + name, here);
      }
    if (leaf && path + "/" + name != "/Project/Name")
      leaves.insert(path + "/" + name + "|" + here + "|" + n.child_value());
  };
  walk(walk, doc.document_element(), "", "");
  return leaves;
}

// What is in `a` and not in `b`, for a message.
std::string Missing(const std::multiset<std::string>& a, const std::multiset<std::string>& b) {
  std::vector<std::string> d;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(d));
  std::string s;
  for (std::size_t i = 0; i < d.size() && i < 12; ++i) s += "  " + d[i] + "\n";
  return s + std::to_string(d.size()) + " in all";
}

// The text without the content of its <Name> below the root, which a save sets to the file.
std::string WithoutName(std::string text) {
  const auto at = text.find("<Name>");
  if (at != std::string::npos) text.erase(at, text.find("</Name>", at) - at);
  return text;
}

// The real Project XML files (one fixture is a plan of another kind) and the examples.
std::vector<std::string> RealPlans() {
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(kx::testing::FixturesDir()))
    if (e.path().extension() == ".xml" &&
        ReadText(e.path().string()).find("<Project xmlns=") != std::string::npos)
      files.push_back(e.path().string());
  for (const auto& e : fs::directory_iterator(KX_EXAMPLES_DIR))
    if (e.path().extension() == ".xml") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

// A resource's vacation, added as the window and the import add one: to its own calendar, made
// from its base calendar where it has none.
void AddVacation(ProjectData& p, ResourceData& r, Date from, Date to) {
  if (!r.calendar) {
    auto c = std::make_shared<CalendarData>();
    c->uid = 0;  // the save finds one the file does not use
    c->name = r.name;
    c->isBase = false;
    c->base = p.ProjectCalendar();
    p.calendars.push_back(c);
    r.calendar = c;
  }
  auto& list = r.calendar->exceptions;
  list.push_back({"Urlaub", from, to, false, {}});
  std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.from < b.from; });
}

TEST(ProjectXmlUpdate, RealPlansSavedUnchangedAreTheFilesTheyWere) {
  KX_NEED_FIXTURES();
  const kx::testing::TestFolder dir("kx-update");
  for (const std::string& file : RealPlans()) {
    SCOPED_TRACE(file);
    const auto read = ReadProjectXml(file);
    const std::string saved = (dir / "gespeichert.xml").string();
    SaveProjectXml(*read.project, saved);
    EXPECT_EQ(WithoutName(ReadText(saved)), WithoutName(ReadText(file)));
  }
}

TEST(ProjectXmlUpdate, AVacationChangesOnlyItsResourcesCalendar) {
  KX_NEED_FIXTURES();
  const kx::testing::TestFolder dir("kx-update");
  for (const std::string& file : RealPlans()) {
    SCOPED_TRACE(file);
    auto read = ReadProjectXml(file, {.loadSubprojects = false});
    ProjectData& p = *read.project;
    const auto r = std::find_if(p.resources.begin(), p.resources.end(),
                                [](const auto& x) { return x && x->kind == 0; });
    if (r == p.resources.end()) continue;
    const bool hadCalendar = (*r)->calendar != nullptr;
    AddVacation(p, **r, DateSerial(2031, 8, 4), DateSerial(2031, 8, 15));
    const std::string saved = (dir / "urlaub.xml").string();
    SaveProjectXml(p, saved);

    const auto again = ReadProjectXml(saved, {.loadSubprojects = false});
    const ResourceData* back = nullptr;
    for (const auto& x : again.project->resources)
      if (x && x->uid == (*r)->uid) back = x.get();
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->calendar, nullptr);
    EXPECT_EQ(back->calendar->exceptions, (*r)->calendar->exceptions);
    EXPECT_EQ(back->calendar->WorkingMinutesOn(DateSerial(2031, 8, 6)), 0.0);

    // Outside that calendar (and, for a new one, the resource's reference to it) every leaf
    // is what it was.
    const std::string owner = "Calendar#" + std::to_string(back->calendar->uid);
    const std::string reference = "/Project/Resources/Resource/CalendarUID|Resource#" +
                                  std::to_string(back->uid) + "|";
    auto before = Leaves(ReadText(file)), after = Leaves(ReadText(saved));
    for (auto* set : {&before, &after})
      std::erase_if(*set, [&](const std::string& leaf) {
        return leaf.find("|" + owner + "|") != std::string::npos ||
               (!hadCalendar && leaf.rfind(reference, 0) == 0);
      });
    EXPECT_TRUE(before == after) << "lost:\n" << Missing(before, after) << "\nadded:\n"
                                 << Missing(after, before);
  }
}

// A small plan in a file's own spelling, with what the model does not hold.
std::string SmallPlan(const std::string& nl) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>" + nl +
         "<!-- geplant von Hand -->" + nl +
         "<Project xmlns=\"http://schemas.microsoft.com/project\">" + nl +
         "  <Name>klein.xml</Name>" + nl + "  <CurrencySymbol>£</CurrencySymbol>" + nl +
         "  <StartDate>2026-01-05T08:00:00</StartDate>" + nl + "  <Calendars>" + nl +
         "    <Calendar><UID>1</UID><Name>Standard</Name><IsBaseCalendar>1</IsBaseCalendar>"
         "<GUID>abc</GUID></Calendar>" + nl + "  </Calendars>" + nl + "  <Resources>" + nl +
         "    <Resource>" + nl + "      <UID>1</UID>" + nl + "      <ID>1</ID>" + nl +
         "      <Name>Anna Berg</Name>" + nl + "      <Group>Bau</Group>" + nl +
         "      <Notes>Rückfragen &amp; Termine</Notes>" + nl +
         "      <Baseline><Number>0</Number><Work>PT8H0M0S</Work></Baseline>" + nl +
         "      <x:Extra xmlns:x=\"urn:x\">kept</x:Extra>" + nl + "    </Resource>" + nl +
         "    <Resource><UID>2</UID><ID>2</ID><Name>Ben Kurz</Name></Resource>" + nl +
         "  </Resources>" + nl + "</Project>" + nl;
}

TEST(ProjectXmlUpdate, AChangedValueKeepsTheElementsOtherChildrenAndTheFilesSpelling) {
  const kx::testing::TestFolder dir("kx-update");
  for (const std::string nl : {"\n", "\r\n"}) {
    SCOPED_TRACE(nl.size());
    const std::string source = (dir / "klein.xml").string();
    WriteText(source, "\xEF\xBB\xBF" + SmallPlan(nl));
    auto read = ReadProjectXml(source);
    read.project->resources[0]->group = "Ausbau";
    read.project->resources.pop_back();  // Ben Kurz leaves the plan
    const std::string saved = (dir / "neu.xml").string();
    SaveProjectXml(*read.project, saved);
    std::string expected = Replaced(SmallPlan(nl), "<Group>Bau</Group>", "<Group>Ausbau</Group>");
    expected = Replaced(expected, nl + "    <Resource><UID>2</UID><ID>2</ID><Name>Ben Kurz</Name></Resource>", "");
    expected = Replaced(expected, "<Name>klein.xml</Name>", "<Name>neu.xml</Name>");
    EXPECT_EQ(ReadText(saved), "\xEF\xBB\xBF" + expected);
  }
}

TEST(ProjectXmlUpdate, UtfSixteenIsWrittenBackAsUtfSixteen) {
  const kx::testing::TestFolder dir("kx-update");
  const std::string utf8 = Replaced(SmallPlan("\n"), "encoding=\"UTF-8\"", "encoding=\"UTF-16\"");
  std::string utf16 = "\xFF\xFE";
  // The plan's characters are all below U+0100 but the pound sign, also one unit.
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    unsigned code = c;
    if (c >= 0xC0) {
      code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
      ++i;
    }
    ++i;
    utf16 += static_cast<char>(code & 0xFF);
    utf16 += static_cast<char>(code >> 8);
  }
  const std::string source = (dir / "klein.xml").string();
  WriteText(source, utf16);
  auto read = ReadProjectXml(source);
  ASSERT_EQ(read.project->resources.size(), 2u);
  EXPECT_EQ(read.project->resources[0]->name, "Anna Berg");
  const std::string same = (dir / "klein.xml").string() + ".kopie.xml";
  SaveProjectXml(*read.project, same);
  const std::string back = ReadText(same);
  ASSERT_GT(back.size(), 2u);
  EXPECT_EQ(back.substr(0, 2), "\xFF\xFE");
  read.project->resources[1]->name = "Ben Kürz";
  SaveProjectXml(*read.project, same);
  EXPECT_EQ(ReadText(same).find("\xFF\xFE", 2), std::string::npos);  // one byte order mark
  const auto again = ReadProjectXml(same);
  EXPECT_EQ(again.project->resources[1]->name, "Ben Kürz");
  EXPECT_EQ(again.project->resources[0]->group, "Bau");
}

TEST(ProjectXmlUpdate, NewThingsTakeUidsThatTheFileDoesNotUse) {
  const kx::testing::TestFolder dir("kx-update");
  const std::string source = (dir / "klein.xml").string();
  // UID 3 belongs to an empty row, which the model does not show.
  WriteText(source, Replaced(SmallPlan("\n"), "  </Resources>",
                             "    <Resource><UID>3</UID><ID>3</ID><IsNull>1</IsNull></Resource>\n"
                             "  </Resources>"));
  auto read = ReadProjectXml(source);
  auto r = std::make_shared<ResourceData>();
  r->uid = 3;
  r->name = "Cem Demir";
  read.project->resources.push_back(r);
  AddVacation(*read.project, *r, DateSerial(2026, 8, 3), DateSerial(2026, 8, 14));
  const std::string saved = (dir / "neu.xml").string();
  SaveProjectXml(*read.project, saved);
  const auto again = ReadProjectXml(saved);
  const auto& rows = again.project->resources;
  const auto cem = std::find_if(rows.begin(), rows.end(),
                                [](const auto& x) { return x && x->name == "Cem Demir"; });
  ASSERT_NE(cem, rows.end());
  EXPECT_NE((*cem)->uid, 3);
  ASSERT_NE((*cem)->calendar, nullptr);
  EXPECT_NE((*cem)->calendar->uid, 1);
  EXPECT_EQ((*cem)->calendar->exceptions.size(), 1u);
  EXPECT_NE(ReadText(saved).find("<GUID>abc</GUID>"), std::string::npos);
}

TEST(ProjectXmlUpdate, ANewExceptionKeepsTheRepeatingOnesAsTheFileWritesThem) {
  KX_NEED_FIXTURES();
  const kx::testing::TestFolder dir("kx-update");
  const std::string file = testing::Fixture("calendar-recurring-exceptions-project2010-mspdi.xml");
  auto read = ReadProjectXml(file);
  const auto standard = read.project->FindCalendar("Standard");
  ASSERT_NE(standard, nullptr);
  auto& list = standard->exceptions;
  list.push_back({"Betriebsausflug", DateSerial(2090, 6, 14), DateSerial(2090, 6, 14), false, {}});
  std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.from < b.from; });
  const std::string saved = (dir / "neu.xml").string();
  SaveProjectXml(*read.project, saved);
  const std::string before = ReadText(file), after = ReadText(saved);
  std::size_t kept = 0, all = 0;
  for (std::size_t at = before.find("<Exception>"); at != std::string::npos;
       at = before.find("<Exception>", at + 1)) {
    ++all;
    kept += after.find(before.substr(at, before.find("</Exception>", at) - at)) != std::string::npos;
  }
  EXPECT_EQ(kept, all);
  EXPECT_EQ(ReadProjectXml(saved).project->FindCalendar("Standard")->exceptions, list);
}

// Files of other tools' making: Latin-1 with umlauts, an empty project in one empty-element
// tag, an assignment UID given twice. Saved with a change, each reads back as the model was.
TEST(ProjectXmlUpdate, CraftedFilesReadBackAsTheyWereSaved) {
  const kx::testing::TestFolder dir("kx-update");
  const std::string source = (dir / "plan.xml").string(), saved = (dir / "neu.xml").string();
  WriteText(source, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                    "<Project xmlns=\"http://schemas.microsoft.com/project\">\n <Resources>\n"
                    "  <Resource><UID>1</UID><ID>1</ID><Name>Anna B\xFCrg</Name></Resource>\n"
                    "  <Resource><UID>2</UID><ID>2</ID><Name>Ben</Name></Resource>\n"
                    " </Resources>\n</Project>\n");
  auto read = ReadProjectXml(source);
  read.project->resources[1]->group = "Süd";
  SaveProjectXml(*read.project, saved);
  EXPECT_NE(ReadText(saved).find("<Name>Anna B\xFCrg</Name>"), std::string::npos);
  auto again = ReadProjectXml(saved);
  EXPECT_EQ(again.project->resources[0]->name, "Anna Bürg");
  EXPECT_EQ(again.project->resources[1]->group, "Süd");

  WriteText(source, "<Project xmlns=\"http://schemas.microsoft.com/project\"/>");
  read = ReadProjectXml(source);
  auto r = std::make_shared<ResourceData>();
  r->name = "Cem";
  read.project->resources.push_back(r);
  SaveProjectXml(*read.project, saved);
  again = ReadProjectXml(saved);
  ASSERT_EQ(again.project->resources.size(), 1u);
  EXPECT_EQ(again.project->resources[0]->name, "Cem");

  const std::string twice =
      "<Project xmlns=\"http://schemas.microsoft.com/project\"><Tasks><Task><UID>1</UID><ID>1</ID>"
      "<Name>A</Name></Task></Tasks><Resources><Resource><UID>1</UID><ID>1</ID><Name>Anna</Name>"
      "</Resource><Resource><UID>2</UID><ID>2</ID><Name>Ben</Name></Resource></Resources>"
      "<Assignments><Assignment><UID>7</UID><TaskUID>1</TaskUID><ResourceUID>1</ResourceUID>"
      "<Work>PT8H0M0S</Work></Assignment><Assignment><UID>7</UID><TaskUID>1</TaskUID>"
      "<ResourceUID>2</ResourceUID><Work>PT8H0M0S</Work></Assignment></Assignments></Project>";
  WriteText(source, twice);
  read = ReadProjectXml(source);
  SaveProjectXml(*read.project, saved);
  EXPECT_EQ(ReadText(saved), twice);
}

// A day that a work week of the file gives cannot be taken away by removing its exception: the
// work week would give it again. The save says so and writes nothing, rather than another plan.
TEST(ProjectXmlUpdate, ADayThatAWorkWeekGivesIsNotSilentlyGivenBack) {
  const kx::testing::TestFolder dir("kx-update");
  const std::string source = (dir / "plan.xml").string(), saved = (dir / "neu.xml").string();
  WriteText(source, R"(<?xml version="1.0" encoding="UTF-8"?>
<Project xmlns="http://schemas.microsoft.com/project">
  <Name>ww.xml</Name>
  <CalendarUID>1</CalendarUID>
  <Calendars>
    <Calendar>
      <UID>1</UID>
      <Name>Standard</Name>
      <IsBaseCalendar>1</IsBaseCalendar>
      <WeekDays>
        <WeekDay><DayType>1</DayType><DayWorking>0</DayWorking></WeekDay>
        <WeekDay><DayType>2</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>08:00:00</FromTime><ToTime>16:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay>
        <WeekDay><DayType>3</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>08:00:00</FromTime><ToTime>16:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay>
        <WeekDay><DayType>4</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>08:00:00</FromTime><ToTime>16:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay>
        <WeekDay><DayType>5</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>08:00:00</FromTime><ToTime>16:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay>
        <WeekDay><DayType>6</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>08:00:00</FromTime><ToTime>16:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay>
        <WeekDay><DayType>7</DayType><DayWorking>0</DayWorking></WeekDay>
      </WeekDays>
      <Exceptions>
        <Exception>
          <EnteredByOccurrences>1</EnteredByOccurrences>
          <TimePeriod><FromDate>2026-01-05T00:00:00</FromDate><ToDate>2026-03-30T23:59:00</ToDate></TimePeriod>
          <Occurrences>13</Occurrences>
          <Name>Montags frei</Name>
          <Type>6</Type>
          <Period>1</Period>
          <DaysOfWeek>2</DaysOfWeek>
          <DayWorking>0</DayWorking>
        </Exception>
      </Exceptions>
      <WorkWeeks>
        <WorkWeek>
          <TimePeriod><FromDate>2026-03-02T00:00:00</FromDate><ToDate>2026-03-13T23:59:00</ToDate></TimePeriod>
          <Name>Kurze Wochen</Name>
          <WeekDays>
            <WeekDay><DayType>6</DayType><DayWorking>0</DayWorking></WeekDay>
            <WeekDay><DayType>2</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>10:00:00</FromTime><ToTime>12:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay>
          </WeekDays>
        </WorkWeek>
      </WorkWeeks>
    </Calendar>
  </Calendars>
</Project>
)");
  auto read = ReadProjectXml(source);
  auto& list = read.project->FindCalendar("Standard")->exceptions;
  const auto friday = std::find_if(list.begin(), list.end(), [](const auto& e) {
    return e.from == DateSerial(2026, 3, 6);
  });
  ASSERT_NE(friday, list.end());
  list.erase(friday);
  try {
    SaveProjectXml(*read.project, saved);
    ADD_FAILURE() << "saved";
  } catch (const host::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("Arbeitswochen"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(saved));
}

}  // namespace
}  // namespace kx::platform
