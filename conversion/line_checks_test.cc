// The per-line checks of the pass take shortcuts (the first byte first, a
// backward look for a cut character); their results must be those of the
// character-aware steps written out with the string operations. Compared
// here on many lines built from awkward pieces.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "conversion/conversion_test_doubles.h"

namespace tess {
namespace {

using testing::ConverterHarness;
using testing::sjis;

std::vector<std::string> randomLines(size_t count) {
  const std::vector<std::string> pieces = {"#",
                                           "t",
                                           "T",
                                           "w",
                                           "E",
                                           "x",
                                           "e",
                                           " ",
                                           "-",
                                           "/",
                                           "0",
                                           "1",
                                           "G",
                                           "g",
                                           "O",
                                           "o",
                                           "\x81",
                                           "\x82",
                                           "\x9f",
                                           "\xe0",
                                           "\xfc",
                                           "\xa0",
                                           "\x40",
                                           "\x84",
                                           sjis("＞"),
                                           sjis("◆"),
                                           sjis("次頁はありません"),
                                           sjis("＞◆次頁はありません◆"),
                                           sjis("ぁ"),
                                           sjis("あ"),
                                           sjis("＃"),
                                           "  MES(",
                                           ")",
                                           " -",
                                           "- "};
  std::mt19937 random(20260);
  std::vector<std::string> lines = {"", "#", "#T", "-", "- -"};
  while (lines.size() < count) {
    std::string line;
    const size_t parts = random() % 8;
    for (size_t i = 0; i < parts; ++i) line += pieces[random() % pieces.size()];
    lines.push_back(line);
  }
  return lines;
}

// The control-line escape as its steps are written.
bool escapedByTheSteps(const ByteString& line) {
  if (countChars(line, 0) < 2) return false;
  if (leftChars(line, 1) != "#") return false;
  const ByteString second = midChars(line, 2, 1);
  if (isDoubleByteAt(second, 1) == 1) return false;
  return findBytes(1, "WTFKABE", upperAscii(second)) > 0;
}

// Whether the line was cut inside a double-byte character, as written.
bool cutByTheSteps(const ByteString& line) {
  if (line.empty()) return false;
  const ByteString last = rightChars(line, 1);
  return byteLength(last) == 1 && isDoubleByteAt(last, 1) == 1;
}

// Kinds 1 to 3: the lines that start skipping.
bool skipsByTheSteps(const ByteString& line) {
  return leftBytes(line, 22) == ByteString(sjis("＞◆次頁はありません◆")) ||
         leftBytes(line, 20) == ByteString(sjis("◆次頁はありません◆")) ||
         (byteLength(line) >= 5 &&
          upperAscii(leftBytes(line, 5)) == ByteString(sjis("＞GO ")));
}

TEST(LineChecksTest, ShortcutsGiveTheResultsOfTheWrittenSteps) {
  for (const std::string& text : randomLines(8000)) {
    SCOPED_TRACE(::testing::PrintToString(ByteString(text)));
    const ByteString line(text);

    ConverterHarness escape;
    escape.converter.setCurrentLine(line);
    escape.converter.escapeControlLine();
    EXPECT_EQ(escape.converter.currentLine(),
              escapedByTheSteps(line) ? concatenate("'", line) : line);

    ConverterHarness join;
    join.open("next\r\n");
    join.converter.setCurrentLine(line);
    join.converter.joinSplitCharacter();
    EXPECT_EQ(join.converter.currentLine(),
              cutByTheSteps(line) ? concatenate(line, "next") : line);

    ConverterHarness parse;
    parse.open("next\r\n");
    parse.converter.mutableRecord().currentMes = "(03)";
    parse.converter.setCurrentLine(line);
    parse.converter.parseLogLine();
    if (skipsByTheSteps(line)) {
      EXPECT_EQ(parse.converter.readerState(), Skipping);
      EXPECT_EQ(parse.converter.record().currentMes, "");
    } else if (leftBytes(line, 2) != "- " || rightBytes(line, 2) != " -") {
      // Neither a skipping line nor a board line; too short for a header.
      EXPECT_EQ(parse.converter.readerState(), Body);
      EXPECT_EQ(parse.converter.record().currentMes, "(03)");
    }
  }
}

}  // namespace
}  // namespace tess
