// The header parser makes the title and handle columns without the cuts
// that CUTS builds, and cleans the title in the title's own storage. Its
// headline and title must be those of the steps written out with CUTS and
// the string operations; compared here on many header lines whose titles
// and handles are built from awkward pieces.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "conversion/conversion_test_doubles.h"
#include "conversion/field_helpers.h"
#include "runtime/half_width.h"

namespace tess {
namespace {

using testing::ConverterHarness;
using testing::sjis;

std::string randomText(std::mt19937& random, size_t maxParts) {
  static const std::vector<std::string> pieces = {
      "a",        "T",        " ",        ":",        "*",        "^",
      "RE",       "re",       "Re:",      "RE*2:",    "\x81",     "\x82",
      "\x9f",     "\xe0",     "\xfc",     "\xa0",     "\x40",     "\x83\x61",
      sjis("　"), sjis("あ"), sjis("漢"), sjis("Ｒ"), sjis("ガ"), sjis("："),
      "A",        "Z",        "re^3:",    "RE^:",     sjis("Ａ"), sjis("ｚ"),
      sjis("パ"), sjis("ｱ"),  "\x82\x5a"};
  std::string text;
  const size_t parts = random() % (maxParts + 1);
  for (size_t i = 0; i < parts; ++i) text += pieces[random() % pieces.size()];
  return text;
}

// The title clean-up, with the string operations: while the title starts
// with "RE" in either case followed by a colon ("RE:") or by "*" or "^" and
// later a colon ("RE*2:", "RE^:"), everything up to that colon and the blanks
// after it go; then the title is made half-width and lower case, and two
// blanks end it.
ByteString cleanedByTheSteps(ByteString title) {
  for (;;) {
    const ByteString before = title;
    if (upperAscii(leftBytes(title, 2)) == "RE") {
      const int64_t colon = findBytes(1, title, ":");
      if (colon == 3) {
        title = trimLeadingBlanks(midBytes(title, 4));
      } else if (colon > 3 && (midBytes(title, 3, 1) == "*" ||
                               midBytes(title, 3, 1) == "^")) {
        title = trimLeadingBlanks(midBytes(title, colon + 1));
      }
    }
    if (title == before) break;
  }
  return concatenate(lowerAscii(toHalfWidth(title)), "  ");
}

TEST(HeaderColumnsTest, HeadlineAndTitleMatchTheStringOperations) {
  std::mt19937 random(1997);
  const ByteString blanks(std::string(55, ' '));
  for (int round = 0; round < 3000; ++round) {
    // Titles around the 34-byte cut, handles of exactly 16 bytes.
    const std::string title = randomText(random, 24);
    std::string handle = randomText(random, 12);
    handle.resize(16, ' ');
    const std::string label = randomText(random, 6).substr(0, 10);
    const std::string header = "00123/00456 XYZ00000  " + handle + " " + title;
    SCOPED_TRACE(::testing::PrintToString(ByteString(header)));

    ConverterHarness h;
    h.open("(03)   96/12/31 23:59  \r\nx\r\n");
    h.converter.mutableRecord().currentMes = "(03)";
    h.converter.mutableRecord().boardLabel = ByteString(label);
    h.converter.setCurrentLine(ByteString(header));
    h.converter.parseLogLine();
    ASSERT_EQ(h.converter.readerState(), HeaderComplete);

    const ByteString rawTitle(title);
    const ByteString titleColumn =
        CUTS(leftBytes(concatenate(rawTitle, blanks), 35), 34);
    const ByteString handleColumn = CUTS(ByteString(handle), 10);
    const ByteString expected =
        concatenate(concatenate(ByteString(label + " 00123 "), titleColumn),
                    concatenate(" ", handleColumn));
    EXPECT_EQ(h.converter.record().headline, expected);
    EXPECT_EQ(h.converter.record().title, cleanedByTheSteps(rawTitle));

    // A refused date line leaves the headline at its columns.
    ConverterHarness refused;
    refused.open("(00)   96/12/31 23:59  \r\nx\r\n");
    refused.converter.mutableRecord().boardLabel = ByteString(label);
    refused.converter.setCurrentLine(ByteString(header));
    refused.converter.parseLogLine();
    ASSERT_EQ(refused.converter.readerState(), FalseHeader);
    EXPECT_EQ(refused.converter.record().headline,
              concatenate(titleColumn, concatenate(" ", handleColumn)));
    EXPECT_EQ(refused.converter.record().title, cleanedByTheSteps(rawTitle));
  }
}

}  // namespace
}  // namespace tess
