// The per-line checks of the pass take shortcuts (the first byte first, a
// backward look for a cut character); their results must be those of the
// character-aware steps written out with the string operations. Compared
// here on many lines built from awkward pieces. The body loop's shortcut
// (runs of lines copied from the log's buffer as they were read) must give
// the output of the loop's steps taken one line at a time, compared on
// random logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "conversion/conversion_test_doubles.h"
#include "runtime/runtime_error.h"
#include "tests/support/random_log.h"

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
                                           sjis("◆次頁はありません◆"),
                                           sjis("ぁ"),
                                           sjis("あ"),
                                           sjis("＃"),
                                           "  MES(",
                                           ")",
                                           " -",
                                           "- ",
                                           std::string(36, 'x')};
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

// The control-line escape: a line of two characters or more whose first is
// "#" and whose second is a single-byte W, T, F, K, A, B or E, in either case.
bool escapedByTheSteps(const ByteString& line) {
  if (countChars(line, 0) < 2) return false;
  if (leftChars(line, 1) != "#") return false;
  const ByteString second = midChars(line, 2, 1);
  if (isDoubleByteAt(second, 1) == 1) return false;
  return findBytes(1, "WTFKABE", upperAscii(second)) > 0;
}

// A line is cut inside a double-byte character when its last character is a
// lone lead byte.
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

TEST(LineChecksTest, ShortcutsGiveTheResultsOfTheCharacterSteps) {
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

    if (plainTextStart(line.view())) {
      EXPECT_EQ(lineKind(line.view()), LineKind::Text);
      EXPECT_FALSE(isControlLike(line.view()));
    }
    if (passesUnchanged(line.view())) {
      // The body loop's shortcut copies such a line as it is: each step
      // must leave it, the reader state and the record as they were.
      EXPECT_EQ(escape.converter.currentLine(), line);
      EXPECT_EQ(join.converter.currentLine(), line);
      ConverterHarness steps;
      steps.open("next\r\n");
      steps.converter.mutableRecord().currentMes = "(03)";
      steps.converter.setCurrentLine(line);
      steps.converter.parseLogLine();
      EXPECT_EQ(steps.converter.readerState(), Body);
      EXPECT_EQ(steps.converter.record().currentMes, "(03)");
      EXPECT_EQ(steps.converter.currentLine(), line);
      EXPECT_EQ(steps.output(), "");
    }

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

// The pass one line at a time, with the converter's own steps: skip to the
// first header; for each message write its head, then each body line
// (escaped, a cut character joined with the next line) until a header, a
// board line, a skipping line or the end of the log; then "#E" and an empty
// line. What convertLog must write for a log that has messages.
std::string convertByTheSteps(ConverterHarness& h, std::string_view log) {
  h.open(log);
  Converter& c = h.converter;
  const auto readInto = [&h, &c] {
    ByteString line;
    h.files.readLine(Converter::kLogChannel, line);
    c.setCurrentLine(line);
  };
  const auto write = [&h](std::string_view line) {
    h.printer.printFileStatement(Converter::kOutputChannel, {line},
                                 PrintSeparator::EndOfStatement);
  };
  c.setReaderState(Body);
  c.resetRecord();
  c.skipToHeader();
  if (h.files.atEndOfFile(Converter::kLogChannel)) return "no messages";
  do {
    if (c.record().headline.empty()) c.mutableRecord().title = "  ";
    KanbelWriter(h.printer, Converter::kOutputChannel).writeHead(c.record());
    readInto();
    c.setReaderState(Body);
    while (c.readerState() == Body &&
           !h.files.atEndOfFile(Converter::kLogChannel)) {
      c.escapeControlLine();
      write(c.currentLine().view());
      readInto();
      c.joinSplitCharacter();
      c.parseLogLine();
      if (c.readerState() == FalseHeader) c.setReaderState(Body);
      if (c.readerState() == Skipping) c.skipToHeader();
    }
    write("#E");
    write("");
  } while (!h.files.atEndOfFile(Converter::kLogChannel));
  h.files.closeFiles();
  return h.fs.fileBytes(ConverterHarness::kOutput).value_or("");
}

// convertLog's output, or what stopped it.
std::string convertByThePass(ConverterHarness& h, std::string_view log) {
  h.open(log);
  h.converter.convertLog(ByteString(ConverterHarness::kLog));
  if (!h.boxes.calls.empty()) return "no messages";
  return h.fs.fileBytes(ConverterHarness::kOutput).value_or("");
}

TEST(LineChecksTest, TheFirstLookAtABlockMarksEveryLineThatMayNotPass) {
  // Blocks of the awkward lines, most ended by CR LF: the index with the
  // first look must let through exactly the lines that pass unchanged.
  const std::vector<std::string> lines = randomLines(8000);
  std::mt19937 random(4242);
  auto index = std::make_unique<BlockIndex>();
  size_t next = 0;
  size_t passed = 0;
  while (next < lines.size()) {
    std::string block;
    std::vector<size_t> starts;  // of the lines after the first
    while (next < lines.size() && block.size() < BlockIndex::kMaxBytes - 200) {
      if (!block.empty()) starts.push_back(block.size());
      block += lines[next++] + (random() % 20 == 0 ? "\r" : "\r\n");
    }
    index->build(block.data(), block.size(), kUnchangedLineTest);
    for (const size_t start : starts) {
      const size_t end = block.find('\r', start);
      const bool passes =
          block[end + 1] == '\n' &&
          passesUnchanged(std::string_view(block).substr(start, end - start));
      ASSERT_EQ(index->passingLinesEnd(start, end + 2) == end + 2, passes)
          << ::testing::PrintToString(
                 ByteString(block.substr(start, end - start)));
      passed += passes ? 1 : 0;
    }
  }
  EXPECT_GT(passed, 1000u);
}

TEST(LineChecksTest, LongRunsOfLeadRangeBytesAreCountedAsTheStepsDo) {
  // Texts made mostly of lead-range bytes (kana and many kanji are such
  // pairs), with the bytes at the range's edges and now and then one
  // outside it: the end's run of lead-range bytes is often longer than the
  // 16 bytes looked at in one step.
  const std::string lead = "\x81\x9f\xe0\xfc\x82\x88\xea";
  const std::string other(
      "\x80\xa0\xdf\xfd\x40"
      "a\0\xff",
      8);
  std::mt19937 random(1207);
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 80, '\0');
    const auto outsideOneIn = static_cast<uint32_t>(2 + random() % 40);
    for (char& c : text) {
      c = random() % outsideOneIn == 0 ? other[random() % other.size()]
                                       : lead[random() % lead.size()];
    }
    const ByteString line(text);
    ASSERT_EQ(endsInLoneLeadByte(line.view()), cutByTheSteps(line))
        << ::testing::PrintToString(line);
  }
}

TEST(LineChecksTest, LinesCopiedInRunsGiveTheOutputOfTheSteps) {
  int withRecords = 0;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    // Every tenth log spans several blocks of the file channels.
    const size_t size = seed % 10 == 0 ? 200000 : 100 + seed * 61 % 9000;
    const std::string log = testing::RandomLog(seed).generate(size);
    ConverterHarness steps;
    ConverterHarness pass;
    // The pass also with its blocks read (and their lines checked) on the
    // worker thread, and with reads that stop short of a block.
    pass.fs.workFromAnyThread(seed % 2 == 0);
    if (seed % 3 == 0) pass.fs.limitReads(1000 + seed * 7);
    std::string expected;
    std::string actual;
    try {
      expected = convertByTheSteps(steps, log);
      actual = convertByThePass(pass, log);
    } catch (const RuntimeError& e) {
      ADD_FAILURE() << "run-time error " << e.number();
      continue;
    }
    if (actual != expected) {
      const auto diff = std::mismatch(actual.begin(), actual.end(),
                                      expected.begin(), expected.end());
      const size_t at = static_cast<size_t>(diff.first - actual.begin());
      FAIL() << "outputs differ from byte " << at << ": pass "
             << ::testing::PrintToString(ByteString(actual.substr(at, 60)))
             << ", steps "
             << ::testing::PrintToString(ByteString(expected.substr(at, 60)));
    }
    if (expected.find("#E\r\n") != std::string::npos) ++withRecords;
  }
  // The logs must give records, or the comparison proves little.
  EXPECT_GT(withRecords, 200);
}

}  // namespace
}  // namespace tess
