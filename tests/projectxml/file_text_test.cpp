// Reading a file while a second thread counts its lines and checks its characters: what it finds
// must be what one look at the whole text finds, wherever the pieces it reads happen to end.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "projectxml/file_text.hpp"
#include "projectxml/test_files.hpp"

namespace kx::platform {
namespace {

using testing::TempDir;
using testing::WriteText;

constexpr std::size_t kMiB = 1 << 20;

// About `size` bytes of XML lines; around every mebibyte, runs of characters of two and three
// bytes, so that a piece ending there cuts one of them somewhere.
std::string MixedText(std::size_t size) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  while (text.size() < size) {
    const std::size_t next = (text.size() / kMiB + 1) * kMiB;
    if (text.size() + 64 >= next && text.size() < next + 64)
      text += "<Name>Größe €€€ äöü €ä€ä</Name>\n";
    else
      text += "<Name>Neubau Buerogebaeude, Bauabschnitt 2</Name>\n";
  }
  return text;
}

std::vector<std::size_t> CountedLines(std::string_view text) {
  std::vector<std::size_t> before;
  std::size_t lines = 0;
  for (std::size_t at = 0; at < text.size(); at += kLineBlock) {
    before.push_back(lines);
    const std::string_view block = text.substr(at, kLineBlock);
    lines += static_cast<std::size_t>(std::count(block.begin(), block.end(), '\n'));
  }
  return before;
}

const CheckWanted kAlways = [](std::string_view) { return std::optional<bool>(true); };

TEST(FileText, LargeFilesAreReadWholeWithTheirLines) {
  TempDir dir;
  for (const std::size_t size : {std::size_t{0}, std::size_t{100}, 3 * kMiB, 13 * kMiB + 17}) {
    const std::string text = size == 0 ? "" : MixedText(size) + (size % 2 ? "" : "ohne Ende");
    WriteText(dir / "a.xml", text);
    FileText file;
    ASSERT_TRUE(ReadFileText(dir / "a.xml", kAlways, file)) << size;
    ASSERT_TRUE(file.view() == text) << size;
    EXPECT_EQ(file.lineTable, CountedLines(text)) << size;
    EXPECT_TRUE(file.checked);
    EXPECT_FALSE(file.bad) << size;
  }
}

// A bad byte just before, at and after the ends of the pieces read, in a character of several
// bytes too: the place and the kind are what the whole text gives.
TEST(FileText, TheFirstBadPlaceIsFoundWhereverThePiecesEnd) {
  TempDir dir;
  const std::string clean = MixedText(9 * kMiB);
  struct Fault {
    const char* bytes;
    const char* what;
  };
  const Fault kFaults[] = {{"\x01", "control character"},
                           {"\x80", "lone continuation byte"},
                           {"\xE2\x82", "character cut short"}};
  for (const std::size_t boundary : {4 * kMiB, 8 * kMiB}) {
    for (std::size_t at = boundary - 3; at <= boundary + 2; ++at) {
      for (const Fault& fault : kFaults) {
        std::string text = clean;
        text.replace(at, std::strlen(fault.bytes), fault.bytes);
        // A later fault must not hide the earlier one.
        text.replace(text.size() - 40, 1, "\x02");
        WriteText(dir / "b.xml", text);
        FileText file;
        ASSERT_TRUE(ReadFileText(dir / "b.xml", kAlways, file));
        const auto expected = FindBadXmlText(text);
        ASSERT_TRUE(expected);
        ASSERT_TRUE(file.bad) << fault.what << " at " << at;
        EXPECT_EQ(file.bad->offset, expected->offset) << fault.what << " at " << at;
        EXPECT_EQ(file.bad->notUtf8, expected->notUtf8) << fault.what << " at " << at;
        EXPECT_EQ(file.bad->code, expected->code) << fault.what << " at " << at;
      }
    }
  }
}

TEST(FileText, WhatIsNotToBeCheckedOrCannotBeRead) {
  TempDir dir;
  std::string text = MixedText(9 * kMiB);
  text[5 * kMiB] = '\x01';
  WriteText(dir / "c.xml", text);
  // Not to be checked, or the start cannot tell: the lines are counted all the same.
  for (const CheckWanted& wanted :
       {CheckWanted([](std::string_view) { return std::optional<bool>(false); }),
        CheckWanted([](std::string_view) { return std::optional<bool>(); })}) {
    FileText file;
    ASSERT_TRUE(ReadFileText(dir / "c.xml", wanted, file));
    EXPECT_FALSE(file.checked);
    EXPECT_FALSE(file.bad);
    EXPECT_EQ(file.lineTable, CountedLines(text));
  }
  // The check is asked about the first piece only, not the whole file.
  std::size_t asked = 0;
  FileText file;
  ASSERT_TRUE(ReadFileText(
      dir / "c.xml",
      [&](std::string_view start) {
        asked = start.size();
        return std::optional<bool>(true);
      },
      file));
  EXPECT_EQ(asked, 4 * kMiB);
  ASSERT_TRUE(file.bad);
  EXPECT_EQ(file.bad->offset, FindBadXmlText(text)->offset);

  EXPECT_FALSE(ReadFileText(dir / "fehlt.xml", kAlways, file));
  EXPECT_FALSE(ReadFileText(dir.path().string(), kAlways, file));
  // A device is not read at all.
  EXPECT_FALSE(ReadFileText("/dev/null", kAlways, file));
  EXPECT_EQ(file.kind, FileKind::Special);
}

}  // namespace
}  // namespace kx::platform
