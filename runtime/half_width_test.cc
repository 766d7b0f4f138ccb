#include "runtime/half_width.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/sjis.h"

namespace tess {
namespace {

using tess::testing::sjis;

ByteString S(const std::string& bytes) { return ByteString(bytes); }

TEST(ToHalfWidth, FullWidthForms) {
  EXPECT_EQ(toHalfWidth(S(sjis("ＡＢＣ１２３"))), S("ABC123"));
  // Both ends of the table and its less obvious entries.
  EXPECT_EQ(toHalfWidth(S(sjis("　"))), S(" "));
  EXPECT_EQ(toHalfWidth(S(sjis("！"))), S("!"));
  EXPECT_EQ(toHalfWidth(S(sjis("”’￥｀￣"))), S("\"'\\`~"));
  EXPECT_EQ(toHalfWidth(S(sjis("－＿｜｛｝ｚ"))), S("-_|{}z"));
  // Single bytes and unmapped characters pass through.
  EXPECT_EQ(toHalfWidth(S("a " + sjis("あ漢ヴ～"))),
            S("a " + sjis("あ漢ヴ～")));
  EXPECT_EQ(toHalfWidth(S("A\x82")), S("A\x82"));
  // Unchanged stretches around replaced characters are kept in order.
  EXPECT_EQ(
      toHalfWidth(S("a" + sjis("Ａ漢") + "b" + sjis("ガ") + "c" + sjis("ｚ"))),
      S("aA" + sjis("漢") + "b\xB6\xDE" + "cz"));
}

TEST(ToHalfWidth, KatakanaVoicedAndSemiVoiced) {
  EXPECT_EQ(toHalfWidth(S(sjis("。"))), S("\xA1"));
  EXPECT_EQ(toHalfWidth(S(sjis("゜"))), S("\xDF"));
  EXPECT_EQ(toHalfWidth(S(sjis("ヲァー"))), S("\xA6\xA7\xB0"));
  EXPECT_EQ(toHalfWidth(S(sjis("アン゛"))), S("\xB1\xDD\xDE"));
  EXPECT_EQ(toHalfWidth(S(sjis("ガ"))), S("\xB6\xDE"));
  EXPECT_EQ(toHalfWidth(S(sjis("ヂボ"))), S("\xC1\xDE\xCE\xDE"));
  EXPECT_EQ(toHalfWidth(S(sjis("パ"))), S("\xCA\xDF"));
  EXPECT_EQ(toHalfWidth(S(sjis("ポ"))), S("\xCE\xDF"));
  // Characters between the table entries that are in no table.
  EXPECT_EQ(toHalfWidth(S(sjis("ヮヰヱヵヶ"))), S(sjis("ヮヰヱヵヶ")));
}

TEST(ToHalfWidth, InPlaceWithLowerCaseGivesTheTwoSteps) {
  // Random texts of awkward pieces, converted from every offset, against
  // lowerAscii(toHalfWidth(...)) of the bytes from that offset.
  const std::vector<std::string> pieces = {
      "a",        "A",        "Z",        " ",        "\x81",     "\x82",
      "\x83",     "\x9f",     "\xe0",     "\xa0",     "\x40",     "\x5a",
      "\x82\x5a", sjis("Ａ"), sjis("ｚ"), sjis("１"), sjis("ガ"), sjis("パ"),
      sjis("ア"), sjis("あ"), sjis("漢"), sjis("　"), sjis("："), sjis("ヴ")};
  std::mt19937 random(4242);
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    const size_t parts = random() % 12;
    for (size_t i = 0; i < parts; ++i) text += pieces[random() % pieces.size()];
    for (size_t from = 0; from <= text.size(); ++from) {
      SCOPED_TRACE(::testing::PrintToString(text) + " from " +
                   std::to_string(from));
      std::string inPlace = text;
      toHalfWidthLowerAsciiInPlace(inPlace, from);
      EXPECT_EQ(S(inPlace), lowerAscii(toHalfWidth(S(text.substr(from)))));
    }
  }
}

}  // namespace
}  // namespace tess
