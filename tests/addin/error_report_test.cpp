#include "addin/error_report.hpp"

#include <gtest/gtest.h>

#include <climits>

#include "support/scripted_message_boxes.hpp"

namespace kx::addin {
namespace {

TEST(AddInErr, ShowsNumberDescriptionAndSupportAddress) {
  ScriptedMessageBoxes boxes;
  AddInErr(host::HostError(13, "Typen unverträglich"), boxes);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text,
            "Es ist folgender Fehler aufgetreten:      \r\n\r\n"
            "Fehlernummer: 13\r\n"
            "Fehlerbeschreibung: Typen unverträglich\r\n\r\n"
            "Bitte übermitteln Sie diese Informationen an support@korvalinx.de      ");
  EXPECT_EQ(boxes.Last().title, "Korvalinx");
  EXPECT_EQ(boxes.Last().buttons, MsgButtons::Ok);
  EXPECT_EQ(boxes.Last().icon, MsgIcon::Exclamation);
}

TEST(AddInErr, EmptyDescriptionNegativeNumberAndZero) {
  ScriptedMessageBoxes boxes;
  AddInErr(host::Failure{0, ""}, boxes);
  AddInErr(host::Failure{-2147221504, "Automatisierungsfehler"}, boxes);
  AddInErr(host::Failure{INT32_MIN, "x"}, boxes);
  const auto texts = boxes.Texts();
  EXPECT_NE(texts[0].find("\r\nFehlernummer: 0\r\nFehlerbeschreibung: \r\n\r\n"),
            std::string::npos);
  EXPECT_NE(texts[1].find("\r\nFehlernummer: -2147221504\r\n"), std::string::npos);
  EXPECT_NE(texts[2].find("\r\nFehlernummer: -2147483648\r\n"), std::string::npos);

  // Six lines: sentence, empty line, number, description, empty line, request.
  std::size_t lines = 1;
  for (std::size_t at = 0; (at = texts[0].find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 6u);
}

}  // namespace
}  // namespace kx::addin
