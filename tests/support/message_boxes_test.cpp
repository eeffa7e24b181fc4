#include <gtest/gtest.h>

#include <sstream>

#include "support/console_message_boxes.hpp"
#include "support/scripted_message_boxes.hpp"

namespace kx {
namespace {

const MessageRequest kQuestion{
    "Das Projekt enthält doppelte Ressourcennamen.      \r\n"
    "Trotzdem fortfahren?",
    "Korvalinx", MsgButtons::YesNo, MsgIcon::Question, 1};

TEST(ScriptedMessageBoxes, RecordsAndAnswersFromTheScriptThenWithTheFirstButton) {
  ScriptedMessageBoxes boxes{MsgAnswer::No};
  EXPECT_EQ(boxes.Show(kQuestion), MsgAnswer::No);
  EXPECT_EQ(boxes.Show(kQuestion), MsgAnswer::Yes);
  EXPECT_EQ(ShowMessage(boxes, "Hinweis", "Korvalinx"), MsgAnswer::Ok);
  EXPECT_EQ(boxes.Show({"?", "T", MsgButtons::OkCancel, MsgIcon::None, 2}), MsgAnswer::Ok);
  ASSERT_EQ(boxes.Count(), 4u);
  EXPECT_EQ(boxes.Requests()[0].text, kQuestion.text);
  EXPECT_EQ(boxes.Requests()[2].icon, MsgIcon::Exclamation);
  EXPECT_EQ(boxes.Last().defaultButton, 2);
  boxes.Clear();
  EXPECT_THROW(boxes.Last(), std::out_of_range);
}

TEST(ConsoleMessageBoxes, PrintsTitleAndLinesAndAnswersOnlyWhenSomebodyCan) {
  std::ostringstream out;
  ConsoleMessageBoxes boxes(out);
  EXPECT_EQ(boxes.Show(kQuestion), MsgAnswer::No);
  EXPECT_NE(out.str().find("Korvalinx (Frage):\nDas Projekt enthält doppelte Ressourcennamen."
                           "      \nTrotzdem fortfahren?\n"),
            std::string::npos)
      << out.str();
  EXPECT_EQ(out.str().find('\r'), std::string::npos);
  EXPECT_EQ(boxes.Show({"?", "T", MsgButtons::YesNoCancel, MsgIcon::None, 1}), MsgAnswer::Cancel);
  EXPECT_EQ(boxes.Show({"?", "T", MsgButtons::OkCancel, MsgIcon::None, 1}), MsgAnswer::Cancel);
  EXPECT_EQ(boxes.Show({"Fertig", "T", MsgButtons::Ok, MsgIcon::Information, 1}), MsgAnswer::Ok);

  boxes.SetPreset(true);
  EXPECT_EQ(boxes.Show(kQuestion), MsgAnswer::Yes);
  EXPECT_EQ(boxes.Show({"?", "T", MsgButtons::OkCancel, MsgIcon::None, 1}), MsgAnswer::Ok);
  boxes.SetPreset(false);
  EXPECT_EQ(boxes.Show({"?", "T", MsgButtons::YesNoCancel, MsgIcon::None, 1}), MsgAnswer::No);

  std::istringstream in("j\r\nnein\n\n");
  ConsoleMessageBoxes asking(out, std::nullopt, &in);
  EXPECT_EQ(asking.Show(kQuestion), MsgAnswer::Yes);
  EXPECT_EQ(asking.Show(kQuestion), MsgAnswer::No);
  EXPECT_EQ(asking.Show(kQuestion), MsgAnswer::No);
  EXPECT_EQ(asking.Show(kQuestion), MsgAnswer::No);  // input exhausted
  EXPECT_EQ(ConsoleLines("a\r\nb\rc\nd"), "a\nb\nc\nd");
}

}  // namespace
}  // namespace kx
