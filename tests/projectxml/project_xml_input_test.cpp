// Input that the reader refuses or reads with a warning, each with a German message naming the
// file (and the line where there is one).

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

const char* const kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Project xmlns=\"http://schemas.microsoft.com/project\">\n"
    "<StartDate>2025-01-01T08:00:00</StartDate>\n"
    "<Resources>\n";

std::string WithResource(const std::string& name) {
  return std::string(kHead) + "<Resource><UID>1</UID><ID>1</ID>\n<Name>" + name +
         "</Name></Resource>\n</Resources>\n</Project>\n";
}

std::string ErrorOf(const std::string& text) {
  try {
    ReadProjectXmlText(text, "quelle.xml", {false, false});
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.number(), host::kErrFile);
    return e.description();
  }
  return "(kein Fehler)";
}

TEST(ProjectXmlInput, BytesAndCharactersThatXmlForbidsAreRefusedWithTheirLine) {
  auto notUtf8 = [](const std::string& text, const std::string& bad) {
    return "quelle.xml:6: die Datei enthält Bytes, die kein UTF-8 sind (an Byte " +
           std::to_string(text.find(bad) + 1) + "); speichern Sie sie als UTF-8";
  };
  const std::string latin = WithResource("M\xFC" "ller");  // Latin-1 in a file that says UTF-8
  EXPECT_EQ(ErrorOf(latin), notUtf8(latin, "\xFC"));
  const std::string cutOff = WithResource("Maier\xC3");  // a character cut off
  EXPECT_EQ(ErrorOf(cutOff), notUtf8(cutOff, "\xC3"));
  EXPECT_EQ(ErrorOf(WithResource("Maier&#1;")),
            "quelle.xml:6: der Zeichenverweis \"&#1;\" nennt das Zeichen U+0001 (Steuerzeichen), "
            "das in XML nicht erlaubt ist");
  EXPECT_EQ(ErrorOf(WithResource("Maier&#27;[31m")),
            "quelle.xml:6: der Zeichenverweis \"&#27;\" nennt das Zeichen U+001B "
            "(Steuerzeichen), das in XML nicht erlaubt ist");
  EXPECT_EQ(ErrorOf(WithResource("&#x0;")),
            "quelle.xml:6: der Zeichenverweis \"&#x0;\" nennt das Zeichen U+0000 (Nullzeichen), "
            "das in XML nicht erlaubt ist");
  EXPECT_EQ(ErrorOf(WithResource("&#xFFFE;")),
            "quelle.xml:6: der Zeichenverweis \"&#xFFFE;\" nennt das Zeichen U+FFFE, das in XML "
            "nicht erlaubt ist");
  EXPECT_EQ(ErrorOf(WithResource("&#1114112;")),
            "quelle.xml:6: der Zeichenverweis \"&#1114112;\" nennt kein Zeichen, das in XML "
            "nicht erlaubt ist");
  // A NUL byte is named as what it is, not as a tag that does not match.
  EXPECT_EQ(ErrorOf(WithResource(std::string("Mai\0er", 6))),
            "quelle.xml:6: das Zeichen U+0000 (Nullzeichen) ist in XML nicht erlaubt");
  EXPECT_EQ(ErrorOf(WithResource("Mai\x1B"
                                 "er")),
            "quelle.xml:6: das Zeichen U+001B (Steuerzeichen) ist in XML nicht erlaubt");

  // What XML allows is read as it stands.
  const auto ok = ReadProjectXmlText(WithResource("&#9;M&#252;ller &#x20AC; &#13;\xF0\x9F\x98\x80"),
                                     "quelle.xml", {false, false});
  EXPECT_EQ(ok.project->resources.at(0)->name, "\tMüller € \r\xF0\x9F\x98\x80");
  // A file that declares another encoding is converted by the parser, not refused.
  const std::string latin1 = Replaced(WithResource("M\xFCller"), "UTF-8", "ISO-8859-1");
  EXPECT_EQ(ReadProjectXmlText(latin1, "quelle.xml", {false, false})
                .project->resources.at(0)
                ->name,
            "Müller");
}

TEST(ProjectXmlInput, LinesOfLargeFilesAreFoundWithoutReadingThemTwice) {
  TempDir dir;
  // Errors well past the first blocks of the line table, before and after the parser ran.
  std::string filler;
  for (int i = 0; i < 20000; ++i) filler += "<!-- Zeile " + std::to_string(i) + " -->\n";
  const std::string text = std::string(kHead) + filler +
                           "<Resource><UID>1</UID><ID>1</ID><Name>A</Name></Resource>\n"
                           "<Resource><UID>x</UID></Resource>\n</Resources>\n</Project>\n";
  WriteText(dir / "gross.xml", text);
  try {
    ReadProjectXml(dir / "gross.xml");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.description(), dir / "gross.xml" + ":" + std::to_string(LineOf(text, "<UID>x")) +
                                   ": Zahl \"x\" in <UID> ist ungültig");
  }
  const std::string bad = Replaced(text, "<UID>x</UID>", "<UID>2</UID><Name>\x01</Name>");
  WriteText(dir / "gross.xml", bad);
  try {
    ReadProjectXml(dir / "gross.xml");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.description(), dir / "gross.xml" + ":" + std::to_string(LineOf(bad, "\x01")) +
                                   ": das Zeichen U+0001 (Steuerzeichen) ist in XML nicht erlaubt");
  }
  const std::string cut = Replaced(text, "<UID>x</UID></Resource>", "<UID>2</UID></Resourc>");
  WriteText(dir / "gross.xml", cut);
  try {
    ReadProjectXml(dir / "gross.xml");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.description(), dir / "gross.xml" + ":" + std::to_string(LineOf(cut, "</Resourc>")) +
                                   ": kein gültiges XML: End-Tag passt nicht zum Start-Tag");
  }
}

TEST(ProjectXmlInput, ABaseCalendarTheFileLacksGivesAWarningNotARefusal) {
  KX_NEED_FIXTURES();
  const LoadResult real = ReadProjectXml(Fixture("mspdiassignmentfields.xml"));
  ASSERT_EQ(real.warnings.size(), 1u);
  EXPECT_NE(real.warnings[0].find("mspdiassignmentfields.xml:"), std::string::npos);
  EXPECT_NE(real.warnings[0].find("der Basiskalender mit der UID -65533 ist in der Datei nicht "
                                  "definiert; der Kalender baut stattdessen auf der Standardwoche "
                                  "auf"),
            std::string::npos)
      << real.warnings[0];
  EXPECT_FALSE(real.project->resources.empty());

  const std::string sample = Replaced(
      ReadText(Fixture("sample.xml")),
      "<Name>First Resource</Name><IsBaseCalendar>0</IsBaseCalendar><BaseCalendarUID>1<",
      "<Name>First Resource</Name><IsBaseCalendar>0</IsBaseCalendar><BaseCalendarUID>7<");
  const LoadResult r = ReadProjectXmlText(sample, "quelle.xml", {false, false});
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].rfind("quelle.xml:2: Kalender \"First Resource\": der Basiskalender mit "
                                "der UID 7 ist in der Datei nicht definiert",
                                0),
            0u)
      << r.warnings[0];
  for (const auto& c : r.project->calendars) {
    if (c->name != "First Resource") continue;
    EXPECT_FALSE(c->base);
    EXPECT_EQ(c->WorkingTimesOn(DateSerial(2025, 3, 3)), DefaultWorkingTimes());  // a Monday
  }
}

TEST(ProjectXmlInput, ADamagedCompanionIsNamedInGerman) {
  TempDir dir;
  WriteText(dir / "quelle.xml", WithResource("Maier"));
  for (const auto& [text, problem] : std::vector<std::pair<std::string, std::string>>{
           {"{\"format\": \"korvalinx-companion\", \"version\": 1, \"propert",
            "kein gültiges JSON, Fehler an Byte 57"},
           {"{\"format\": \"korvalinx-companion\", \"version\": 1}", "ein Eintrag fehlt"},
           {"{\"format\": \"korvalinx-companion\", \"version\": \"eins\"}",
            "ein Eintrag hat einen Wert der falschen Art"},
           {"{\"format\": \"korvalinx-companion\", \"version\": 1e30}",
            "Version 1e+30 ist unbekannt"}}) {
    WriteText(CompanionPath(dir / "quelle.xml"), text);
    const LoadResult r = ReadProjectXml(dir / "quelle.xml");
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0], CompanionPath(dir / "quelle.xml") +
                                 ": Begleitdatei ist beschädigt und wird übergangen (" + problem +
                                 ")");
  }
}

// A named pipe or a device where a file is read is refused at once, whether it stands for the
// file, its companion or an inserted project: reading a pipe waits for a writer for ever (were it
// waited on, the alarm would end the test program).
TEST(ProjectXmlInput, PipesAndDevicesAreRefusedWithoutWaitingOnThem) {
  TempDir dir;
  const auto refusal = [](const std::string& path) {
    try {
      ReadProjectXml(path);
    } catch (const host::HostError& e) {
      EXPECT_EQ(e.number(), host::kErrFile);
      return e.description();
    }
    return std::string("(kein Fehler)");
  };
  const std::string pipe = ", sondern eine benannte Pipe (FIFO), und wird nicht gelesen";
  ::alarm(20);
  ASSERT_EQ(::mkfifo((dir / "rohr.xml").c_str(), 0600), 0);
  EXPECT_EQ(refusal(dir / "rohr.xml"), dir / "rohr.xml" + ": ist keine gewöhnliche Datei" + pipe);
  EXPECT_EQ(refusal("/dev/zero"),
            "/dev/zero: ist keine gewöhnliche Datei, sondern ein Gerät, und wird nicht gelesen");

  WriteText(dir / "quelle.xml", WithResource("Maier"));
  ASSERT_EQ(::mkfifo(CompanionPath(dir / "quelle.xml").c_str(), 0600), 0);
  EXPECT_EQ(refusal(dir / "quelle.xml"),
            CompanionPath(dir / "quelle.xml") + ": ist keine gewöhnliche Datei" + pipe);

  WriteText(dir / "haupt.xml",
            std::string(kHead) +
                "</Resources>\n<Tasks><Task><UID>1</UID><ID>1</ID><Name>Teil</Name>"
                "<IsSubproject>1</IsSubproject><SubprojectName>rohr.xml"
                "</SubprojectName></Task></Tasks>\n</Project>\n");
  EXPECT_EQ(refusal(dir / "haupt.xml"), dir / "rohr.xml" + ": ist keine gewöhnliche Datei" + pipe);
  ::alarm(0);
}

}  // namespace
}  // namespace kx::platform
