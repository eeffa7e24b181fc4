#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "absence_command.hpp"
#include "command_line.hpp"
#include "job/chart_job.hpp"
#include "testing/test_folder.hpp"

namespace kx::app {
namespace {

namespace fs = std::filesystem;

using kx::testing::ReadFile;

// Mon 8 to Mon 15 June 2026, all on "Montage": Anna works every day from Monday to Friday and has
// vacation on Wednesday; Ben has vacation from Tuesday to Thursday and 7.5 hours of work on the
// Wednesday; Carl is always there.
class AbsenceCommand : public ::testing::Test {
 protected:
  void SetUp() override {
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
    const auto work = [](int uid, int firstDay, const std::vector<const char*>& values) {
      std::string xml = "<Assignment><UID>" + std::to_string(uid) +
                        "</UID><TaskUID>1</TaskUID><ResourceUID>" + std::to_string(uid) +
                        "</ResourceUID>";
      for (std::size_t i = 0; i < values.size(); ++i) {
        const int d = firstDay + static_cast<int>(i);
        const std::string day = std::string("2026-06-") + (d < 10 ? "0" : "") + std::to_string(d);
        xml += "<TimephasedData><Type>1</Type><UID>" + std::to_string(uid) + "</UID><Start>" +
               day + "T08:00:00</Start><Finish>" + day + "T17:00:00</Finish><Unit>2</Unit>" +
               (*values[i] ? std::string("<Value>") + values[i] + "</Value>" : "") +
               "</TimephasedData>";
      }
      return xml + "</Assignment>";
    };
    std::ofstream(source, std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">"
           "<StartDate>2026-06-08T08:00:00</StartDate><FinishDate>2026-06-15T17:00:00</FinishDate>"
           "<CalendarUID>1</CalendarUID><Calendars><Calendar><UID>1</UID><Name>Standard</Name>"
           "<IsBaseCalendar>1</IsBaseCalendar></Calendar>"
        << calendar(2, "10", "10") << calendar(3, "09", "11")
        << "</Calendars><Tasks><Task><UID>1</UID><ID>1</ID><Name>Montage</Name>"
           "<Start>2026-06-08T08:00:00</Start><Finish>2026-06-15T17:00:00</Finish></Task></Tasks>"
           "<Resources>"
        << resource(1, "Anna", "2") << resource(2, "Ben", "3") << resource(3, "Carl", "-1")
        << "</Resources><Assignments>"
        << work(1, 8, {"PT8H0M0S", "PT8H0M0S", "PT8H0M0S", "PT8H0M0S", "PT8H0M0S"})
        << work(2, 10, {"PT7H30M0S"}) << "</Assignments></Project>\n";
  }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    CommandLineEnvironment env{out, err, &registry};
    return RunCommandLine(args, env);
  }
  std::string At(const char* name) const { return (folder / name).string(); }

  kx::testing::TestFolder folder{"kx-cli-absence"};
  std::string source = At("montage.xml");
  MemoryRegistryStore registry;
  std::ostringstream out, err;
};

TEST_F(AbsenceCommand, WorkOnVacationDaysIsFoundWrittenAndEndsWithFour) {
  ASSERT_EQ(Run({"conflicts", source, "--period", "project", "--csv", At("k.csv"), "--xlsx",
                 At("k.xlsx")}),
            job::kExitFound)
      << err.str();
  EXPECT_EQ(ReadFile(At("k.csv")),
            "\xEF\xBB\xBFGruppe;Ressource;Datum;Stunden;Vorgänge\r\n"
            "Montage;Anna;10.06.2026;8;Montage\r\n"
            "Montage;Ben;10.06.2026;7,5;Montage\r\n");
  EXPECT_NE(out.str().find("2 Konflikte bei 2 Ressourcen"), std::string::npos) << out.str();
  EXPECT_EQ(ReadFile(At("k.xlsx")).substr(0, 2), "PK");
  // Before Wednesday Ben is away but has no work: no conflict, exit 0.
  EXPECT_EQ(Run({"conflicts", source, "--from", "08.06.2026", "--to", "2026-06-09"}),
            job::kExitOk)
      << err.str();
  EXPECT_NE(out.str().find("Keine Konflikte"), std::string::npos);
  // Compared with a state's holidays (none in that week) the same two days remain.
  EXPECT_EQ(Run({"conflicts", source, "--period", "project", "--holidays", "NW"}),
            job::kExitFound)
      << err.str();
  EXPECT_NE(out.str().find("2 Konflikte bei 2 Ressourcen"), std::string::npos) << out.str();
}

TEST_F(AbsenceCommand, PresencePassesTheLimitOnlyWhereMoreAreAway) {
  ASSERT_EQ(Run({"presence", source, "--period", "project", "--max-absent", "50%", "--csv",
                 At("a.csv")}),
            job::kExitFound)
      << err.str();
  const std::string csv = ReadFile(At("a.csv"));
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBFGruppe;Datum;Ressourcen;abwesend;anwesend;über Grenze\r\n"
                      "Montage;08.06.2026;3;0;3;nein\r\n"
                      "Montage;09.06.2026;3;1;2;nein\r\n"
                      "Montage;10.06.2026;3;2;1;ja\r\n",
                      0),
            0u)
      << csv;
  EXPECT_NE(csv.find("Montage;13.06.2026;3;0;0;nein\r\n"), std::string::npos);
  EXPECT_NE(out.str().find("Montage  10.06.2026"), std::string::npos) << out.str();
  EXPECT_EQ(Run({"presence", source, "--period", "project", "--max-absent", "2"}), job::kExitOk);
  EXPECT_EQ(Run({"presence", source, "--period", "project"}), job::kExitOk);
}

// A name is one field whatever it holds, and never a formula; the hours stay numbers.
TEST_F(AbsenceCommand, NamesInTheCsvFilesAreQuotedFieldsAndNoFormulas) {
  std::string xml = ReadFile(source);
  const auto replace = [&xml](const std::string& from, const std::string& to) {
    ASSERT_NE(xml.find(from), std::string::npos) << from;
    xml.replace(xml.find(from), from.size(), to);
  };
  replace("<Name>Anna</Name><Group>Montage</Group>",
          "<Name>=1+2</Name><Group>x&#10;* * * * * root evil.sh</Group>");
  replace("<Name>Ben</Name>", "<Name>@Ben; \"B\"</Name>");
  std::ofstream(source, std::ios::binary) << xml;
  const std::string group = "\"x\n* * * * * root evil.sh\"";
  ASSERT_EQ(Run({"conflicts", source, "--period", "project", "--csv", At("k.csv")}),
            job::kExitFound)
      << err.str();
  EXPECT_EQ(ReadFile(At("k.csv")),
            "\xEF\xBB\xBFGruppe;Ressource;Datum;Stunden;Vorgänge\r\n" + group +
                ";'=1+2;10.06.2026;8;Montage\r\n"
                "Montage;\"'@Ben; \"\"B\"\"\";10.06.2026;7,5;Montage\r\n");
  ASSERT_EQ(Run({"presence", source, "--period", "project", "--csv", At("a.csv")}),
            job::kExitOk)
      << err.str();
  const std::string csv = ReadFile(At("a.csv"));
  EXPECT_NE(csv.find("\r\n" + group + ";10.06.2026;1;1;0;\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\r\nMontage;10.06.2026;2;1;1;\r\n"), std::string::npos) << csv;
}

TEST_F(AbsenceCommand, BadInputWritesNothing) {
  const std::string before = ReadFile(source);
  // An output onto the source is refused before the source is read further.
  EXPECT_EQ(Run({"conflicts", source, "--year", "2026", "--csv", source}), job::kExitBadInput);
  EXPECT_NE(err.str().find("Quelldatei"), std::string::npos) << err.str();
  EXPECT_EQ(ReadFile(source), before);
  EXPECT_EQ(Run({"presence", source, "--year", "2026", "--max-absent", "120%"}),
            job::kExitBadInput);
  EXPECT_NE(err.str().find("--max-absent"), std::string::npos) << err.str();
  EXPECT_EQ(Run({"conflicts", source, "--year", "2026", "--calendar", "Nacht"}),
            job::kExitBadInput);
  EXPECT_NE(err.str().find("Basiskalender \"Nacht\""), std::string::npos) << err.str();
  EXPECT_EQ(Run({"presence", source, "--holidays", "NW", "--calendar", "Standard"}),
            job::kExitBadInput);
  EXPECT_NE(err.str().find("--calendar und --holidays"), std::string::npos) << err.str();
}

TEST(AbsenceColumns, ALineBreakInANameStaysInItsRow) {
  EXPECT_EQ(Columns({{"Gruppe", "Datum"}, {"Nord\nSüd", "01.06.2026"}, {"Ost", "02.06.2026"}}),
            "  Gruppe    Datum\n"
            "  Nord Süd  01.06.2026\n"
            "  Ost       02.06.2026\n");
}

}  // namespace
}  // namespace kx::app
