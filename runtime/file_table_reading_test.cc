// The reader stage of the file channels: logs with LF ends and logs in
// another encoding than Shift-JIS, read line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/file_table.h"
#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"

namespace tess {
namespace {

using testing::FakeFileSystem;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

std::string visible(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    char hex[8];
    std::snprintf(hex, sizeof hex, c < 0x20 || c >= 0x7F ? "<%02X>" : "%c", c);
    out += hex;
  }
  return out;
}

class FileTableReadingTest : public ::testing::TestWithParam<bool> {
 protected:
  FileTableReadingTest() { fs.workFromAnyThread(GetParam()); }

  // The lines read while the end test is false, as the conversion reads.
  Lines read(const std::string& bytes, LogChoice choice = {}) {
    fs.setFile("/t.log", bytes);
    files.setLogChoice(choice);
    files.openFile("/t.log", FileMode::Input, ShareMode::Default, 1);
    Lines got;
    ByteString line;
    while (!files.atEndOfFile(1)) {
      files.readLine(1, line);
      got.push_back(line.str());
    }
    reading = files.inputReading(1);
    // Taken apart, as the converter takes it for a log without messages.
    reading.look = files.inputLook(1);
    replaced = files.replacedCharacters(1);
    files.closeFiles();
    return got;
  }

  FakeFileSystem fs;
  FileTable files{fs};
  LogReading reading;
  uint64_t replaced = 0;
};

TEST_P(FileTableReadingTest, LineEnds) {
  const struct {
    std::string bytes;
    LineEnds ends;
    Lines lines;
  } cases[] = {
      {"A\nB\n", LineEnds::Lf, {"A", "B"}},
      {"A\nB\r\n", LineEnds::Cr, {"A\nB"}},  // a CR: today's rules
      {"A\n\nB\n", LineEnds::Lf, {"A", "", "B"}},
      {"A\nB", LineEnds::Lf, {"A"}},  // B is the one byte left: at end
      {"A\nBC", LineEnds::Lf, {"A", "BC"}},
      {"A\n\x1A", LineEnds::Lf, {"A"}},
      {"A\x1A"
       "B\n",
       LineEnds::Lf,
       {"A\x1A"
        "B"}},
      {"A\0B\nC\n"s, LineEnds::Lf, {"AB", "C"}},
      {"\n\n", LineEnds::Lf, {""}},  // the last LF is the one byte left
      // A lead byte at a line's end is left for the join.
      {"\x82\n\xA0\n", LineEnds::Lf, {"\x82", "\xA0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(visible(c.bytes));
    EXPECT_EQ(read(c.bytes), c.lines);
    EXPECT_EQ(reading.lineEnds, c.ends);
    EXPECT_EQ(reading.encoding, LogEncoding::ShiftJis);
  }
}

TEST_P(FileTableReadingTest, ChosenLineEnds) {
  // With LF ends a CR LF is one end too, and a lone CR is data.
  EXPECT_EQ(read("A\r\nB\rC\n", {LogEncoding::Auto, LineEnds::Lf}),
            (Lines{"A", "B\rC"}));
  EXPECT_EQ(read("A\nB\nC\r\n", {LogEncoding::Auto, LineEnds::Cr}),
            (Lines{"A\nB\nC"}));
  EXPECT_EQ(reading.look, LogLook::LfEnds);
}

TEST_P(FileTableReadingTest, LfEndsAcrossBlocks) {
  // Lines that end right at, and run across, the end of a 64 KiB block;
  // the decision is taken from the first block only.
  std::string log;
  Lines expected;
  for (size_t length : {65535u, 65534u, 3u, 70000u, 5u}) {
    std::string line(length, 'x');
    line[0] = static_cast<char>('a' + expected.size());
    expected.push_back(line);
    log += line + "\n";
  }
  log += "tail\r\n";           // a CR after the first block: still LF ends
  expected.push_back("tail");  // CR LF is one end here too
  EXPECT_EQ(read(log), expected);
  EXPECT_EQ(reading.lineEnds, LineEnds::Lf);
}

// The look is taken from the first block when it is asked for at the end,
// the blocks read after it whatever they hold; once dropped, it is not kept.
TEST_P(FileTableReadingTest, TheLookIsTheFirstBlocksAfterLaterBlocks) {
  std::string log;
  while (log.size() < 200000) log += "line with an LF end\n";
  log += "tail\r\n";
  const LogChoice crEnds{LogEncoding::Auto, LineEnds::Cr};
  read(log, crEnds);
  EXPECT_EQ(reading.look, LogLook::LfEnds);
  // A first block of CR LF lines, then LF lines only.
  std::string mixed;
  while (mixed.size() < 70000) mixed += "line with a CR LF end\r\n";
  while (mixed.size() < 200000) mixed += "line with an LF end\n";
  read(mixed, crEnds);
  EXPECT_EQ(reading.look, LogLook::Plain);

  fs.setFile("/t.log", log);
  files.setLogChoice(crEnds);
  files.openFile("/t.log", FileMode::Input, ShareMode::Default, 1);
  ByteString line;
  files.readLine(1, line);
  EXPECT_EQ(files.inputLook(1), LogLook::LfEnds);  // still in the buffer
  files.dropInputLook(1);
  while (!files.atEndOfFile(1)) files.readLine(1, line);
  EXPECT_EQ(files.inputLook(1), LogLook::Plain);
  files.closeFiles();
}

TEST_P(FileTableReadingTest, OtherEncodingsAreReadAsShiftJis) {
  // あいうえお亜, and 〜 in both of UTF-8's mappings.
  const std::string sjis = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x88\x9F";
  const std::string utf8 =
      "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\xE3\x81\x8A\xE4\xBA"
      "\x9C";
  const std::string euc = "\xA4\xA2\xA4\xA4\xA4\xA6\xA4\xA8\xA4\xAA\xB0\xA1";
  const std::string jis = "\x1B$B$\"$$$&$($*0!\x1B(B";
  const struct {
    std::string bytes;
    LogEncoding encoding;
    LineEnds ends;
    Lines lines;
  } cases[] = {
      {utf8 + "\r\nA\xE3\x80\x9C\xEF\xBD\x9E\r\n",
       LogEncoding::Utf8,
       LineEnds::Cr,
       {sjis, "A\x81\x60\x81\x60"}},
      {"\xEF\xBB\xBF" + utf8 + "\n" + utf8 + "\nz",
       LogEncoding::Utf8,
       LineEnds::Lf,
       {sjis, sjis}},
      {euc + "\n" + euc + "\x8E\xB1\n",
       LogEncoding::EucJp,
       LineEnds::Lf,
       {sjis, sjis + "\xB1"}},
      {jis + "\r\n" + "a" + jis + "b\r\n",
       LogEncoding::Iso2022Jp,
       LineEnds::Cr,
       {sjis, "a" + sjis + "b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(visible(c.bytes));
    EXPECT_EQ(read(c.bytes), c.lines);
    EXPECT_EQ(reading.encoding, c.encoding);
    EXPECT_EQ(reading.lineEnds, c.ends);
    EXPECT_EQ(replaced, 0u);
  }
}

TEST_P(FileTableReadingTest, CharactersNotInShiftJisAreReplacedAndCounted) {
  const std::string utf8 = "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88";
  const std::string mark = "\x81\xAC";
  EXPECT_EQ(
      read(utf8 + "\r\n\xC3\xA9t\xC3\xA9\r\n\xF0\x9F\x98\x80\r\n"),
      (Lines{"\x82\xA0\x82\xA2\x82\xA4\x82\xA6", mark + "t" + mark, mark}));
  EXPECT_EQ(replaced, 3u);
  // Chosen by hand: the same bytes read as Shift-JIS are taken as they are.
  EXPECT_EQ(read(utf8 + "\r\n", {LogEncoding::ShiftJis, LineEnds::Auto}),
            (Lines{utf8}));
  EXPECT_EQ(replaced, 0u);
}

TEST_P(FileTableReadingTest, OnlyPlainLogsAreCopiedAsTheyWereRead) {
  // The shortcut that copies whole lines from the buffer must not take the
  // lines of a log that is read another way.
  const LineTest all{[](std::string_view) { return true; }, nullptr};
  files.setLineTest(all);
  for (const auto& [log, plain] :
       {std::pair<std::string, bool>{"a\r\nb\r\nc\r\nd\r\n", true},
        {"a\nb\nc\nd\n", false},
        {"\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\r\nb\r\nc\r\nd\r\n",
         false}}) {
    fs.setFile("/t.log", log);
    files.openFile("/t.log", FileMode::Input, ShareMode::Default, 1);
    ByteString line;
    files.readLine(1, line);
    EXPECT_EQ(files.bufferedPassingLines(1, 2) > 0, plain) << visible(log);
    files.closeFiles();
  }
}

TEST_P(FileTableReadingTest, ConvertedLinesAreCopiedWhileTheyPass) {
  // Lines that start with "#" do not pass; every other line does.
  const LineTest noHash{
      [](std::string_view line) { return line.empty() || line[0] != '#'; },
      nullptr};
  files.setLineTest(noHash);
  const std::string a = "\xE3\x81\x82";  // あ in UTF-8
  const struct {
    const char* what;
    std::string log;
    std::string copied;  // what the output gets
    std::string next;    // the line readLine gives after the copy
  } cases[] = {
      {"UTF-8 with LF ends, up to a line that does not pass",
       a + a + a + a + "\nx" + a + "\ny\n#z\nw\nv\n", "x\x82\xA0\r\ny\r\n",
       "#z"},
      {"the last two bytes are left behind", a + a + a + a + "\nx\ny\nz\n",
       "x\r\ny\r\n", "z"},
      {"a line with NUL goes the long way", a + a + a + a + "\nx\n\0y\nz\nw\n"s,
       "x\r\n", "y"},
      {"Shift-JIS with LF ends", "\x82\xA0\nx\ny\n#\nz\n", "x\r\ny\r\n", "#"},
      {"UTF-8 with CR ends; a lone CR ends a line too",
       a + a + a + a + "\r\nx\ry\r\n#\r\nz\r\n", "x\r\ny\r\n", "#"},
      // The escape sequence of a line that is left stays for readLine.
      {"ISO-2022-JP", "\x1B$B$\"\x1B(B\r\na\r\n#\x1B$B$\"\r\n$$\x1B(B\r\nz\r\n",
       "a\r\n", "#\x82\xA0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs.setFile("/t.log", c.log);
    fs.setFile("/t.ren", "");
    files.openFile("/t.log", FileMode::Input, ShareMode::Default, 1);
    files.openFile("/t.ren", FileMode::Append, ShareMode::Default, 3);
    ByteString line;
    files.readLine(1, line);
    const size_t lines = files.copyConvertedLines(1, 3, 2);
    EXPECT_EQ(lines, static_cast<size_t>(
                         std::count(c.copied.begin(), c.copied.end(), '\n')));
    files.readLine(1, line);
    EXPECT_EQ(line.str(), c.next);
    files.closeFiles();
    EXPECT_EQ(fs.fileBytes("/t.ren").value_or(""), c.copied + "\x1A");
  }
  // A plain log is left to the copy of its buffered lines.
  fs.setFile("/t.log", "a\r\nb\r\nc\r\nd\r\n");
  fs.setFile("/t.ren", "");
  files.openFile("/t.log", FileMode::Input, ShareMode::Default, 1);
  files.openFile("/t.ren", FileMode::Append, ShareMode::Default, 3);
  ByteString line;
  files.readLine(1, line);
  EXPECT_EQ(files.copyConvertedLines(1, 3, 2), 0u);
  files.closeFiles();
}

TEST_P(FileTableReadingTest, ReadingIsDecidedBeforeTheFirstLine) {
  fs.setFile("/t.log", "a\nb\n");
  files.openFile("/t.log", FileMode::Input, ShareMode::Default, 1);
  EXPECT_EQ(files.inputReading(1).lineEnds, LineEnds::Lf);
  ByteString line;
  files.readLine(1, line);
  EXPECT_EQ(line.str(), "a");
  EXPECT_EQ(files.position(1), 2u);
  files.closeFiles();
}

TEST_P(FileTableReadingTest, AFailedReadForTheDecisionIsRaisedByReadLine) {
  fs.setFile("/t.log", "a\r\nb\r\n");
  fs.failNextRead(71);
  files.openFile("/t.log", FileMode::Input, ShareMode::Default, 1);
  EXPECT_EQ(files.inputReading(1).encoding, LogEncoding::ShiftJis);
  ByteString line;
  try {
    files.readLine(1, line);
    ADD_FAILURE() << "the failed read was not raised";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 71);
  }
  files.closeFiles();
}

// Reading in place, and with the blocks read ahead in the background.
INSTANTIATE_TEST_SUITE_P(BothReadings, FileTableReadingTest,
                         ::testing::Values(false, true));

}  // namespace
}  // namespace tess
