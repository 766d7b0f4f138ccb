// The file table: reading lines, and the statements that announce
// themselves and carry their caller's line.
#include "runtime/file_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "runtime/file_table_fixture.h"
#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/raised_error.h"
#include "tests/support/recording_observer.h"

namespace tess {
namespace {

using testing::errorOf;
using testing::FakeFileSystem;
using testing::FileTableTest;
using testing::RecordingObserver;
using namespace std::string_literals;

// Control bytes spelt out, for failure messages.
std::string visible(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The line rules, byte by byte, as an independent model for comparison:
// NUL dropped, CR or CR LF ends a line, a lone LF is data, 0x1A ends the
// line only at offset size - 1, the end of the data ends the line.
std::vector<std::string> modelLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t pos = 0;
  const size_t size = bytes.size();
  while (pos < size) {
    std::string line;
    while (pos < size) {
      char c = bytes[pos++];
      if (c == '\r') {
        if (pos < size && bytes[pos] == '\n') ++pos;
        break;
      }
      if (c == '\x1A' && pos == size) break;
      if (c != '\0') line += c;
    }
    lines.push_back(line);
  }
  return lines;
}

TEST_F(FileTableTest, LineTerminatorsAndEndTest) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;  // read while the end test is false
  };
  const Case cases[] = {
      {"A\r\nB\r\n", {"A", "B"}},
      {"A\nB\r\n", {"A\nB"}},  // a lone LF is data
      {"A\rB", {"A"}},         // B is the one byte left: at end
      {"A\r\n\x1A", {"A"}},    // final mark
      {"A\x1A"
       "B\r\n",
       {"A\x1A"
        "B"}},                // a mark inside the file is data
      {"A\0B\r\n"s, {"AB"}},  // NUL dropped
      {"A\r\rB\r\n", {"A", "", "B"}},
      {"AB", {"AB"}},  // the physical end ends the line
      {"\r\n\r\n", {"", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(visible(c.bytes));
    fs.setFile("/t.log", c.bytes);
    files.openFile("/t.log", FileMode::Input, ShareMode::Default, 1);
    std::vector<std::string> got;
    ByteString line;
    while (!files.atEndOfFile(1)) {
      files.readLine(1, line);
      got.push_back(line.str());
    }
    EXPECT_EQ(got, c.lines);
    files.closeFiles();
  }
}

TEST_F(FileTableTest, FinalMarkEndsTheLastLineOnlyAsTheLastByte) {
  EXPECT_EQ(readAll("A\r\nB\x1A"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(readAll("A\x1A\x1A"), (std::vector<std::string>{"A\x1A"}));
  EXPECT_EQ(readAll("\x1A"), (std::vector<std::string>{""}));
  // A lone CR as the very last byte still ends the line.
  EXPECT_EQ(readAll("A\rB\r"), (std::vector<std::string>{"A", "B"}));
}

TEST_F(FileTableTest, FinalMarkAtTheLengthAtOpenEndsTheLineOfAGrownLog) {
  // The log grew after it was opened: the block read holds its new lines,
  // but its last byte at open is still where the mark ends the line.
  fs.setFile("/log", "A\r\nB\x1A");
  files.openFile("/log", FileMode::Input, ShareMode::Default, 1);
  fs.setFile("/log", "A\r\nB\x1A\r\nC\r\n");
  ByteString line;
  files.readLine(1, line);
  EXPECT_EQ(line.str(), "A");
  files.readLine(1, line);
  EXPECT_EQ(line.str(), "B");
  EXPECT_TRUE(files.atEndOfFile(1));
}

TEST_F(FileTableTest, EmptyFileIsAtItsEndAndReadingRaises54) {
  fs.setFile("/empty", "");
  files.openFile("/empty", FileMode::Input, ShareMode::Default, 2);
  EXPECT_TRUE(files.atEndOfFile(2));
  EXPECT_FALSE(files.hasUnreadBytes(2));
  ByteString line("old");
  EXPECT_EQ(errorOf([&] { files.readLine(2, line); }), 54);

  fs.setFile("/one", "A\r\n");
  files.openFile("/one", FileMode::Input, ShareMode::Default, 3);
  files.readLine(3, line);
  EXPECT_EQ(line.str(), "A");
  EXPECT_EQ(errorOf([&] { files.readLine(3, line); }), 54);
}

TEST_F(FileTableTest, CrAtTheEndOfOneBlockAndLfAtTheStartOfTheNext) {
  // Blocks are 64 KiB: put the CR on the last byte of the first block.
  const size_t block = 65536;
  std::string first(block - 1, 'x');
  std::string bytes = first + "\r\nB\r\n";
  EXPECT_EQ(readAll(bytes), (std::vector<std::string>{first, "B"}));
  // And a CR LF astride the second block boundary.
  std::string second(block, 'y');
  bytes = first + "\r\n" + second.substr(2) + "\r\nC";
  EXPECT_EQ(readAll(bytes),
            (std::vector<std::string>{first, second.substr(2), "C"}));
}

TEST_F(FileTableTest, ShortReadsDoNotChangeTheLines) {
  // Short reads put every byte at a block boundary in turn.
  const std::string bytes =
      "A\r\nB\nC\r\rD\0E\r\n\x1A"
      "F\r\n\r\n\r"s
      "\nG\x1A"s;
  const std::vector<std::string> expected = modelLines(bytes);
  ASSERT_EQ(expected, (std::vector<std::string>{"A", "B\nC", "", "DE",
                                                "\x1A"
                                                "F",
                                                "", "", "G"}));
  for (size_t limit : {1, 2, 3, 5}) {
    SCOPED_TRACE(limit);
    fs.limitReads(limit);
    EXPECT_EQ(readAll(bytes), expected);
  }
}

TEST_F(FileTableTest, RandomFilesMatchTheLineRules) {
  std::mt19937 rng(1996);
  const char alphabet[] = {'A', 'b', '\r', '\n', '\0', '\x1A', '\x82', '\xA0'};
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    std::string bytes(200000 + round * 7919, ' ');
    for (char& c : bytes) {
      unsigned r = rng() % 64;
      c = r < sizeof alphabet ? alphabet[r] : char('a' + r % 26);
    }
    if (round % 2 == 1) bytes.back() = '\x1A';
    fs.limitReads(round < 3 ? 0 : 4093);
    EXPECT_EQ(readAll(bytes), modelLines(bytes));
  }
}

TEST_F(FileTableTest, LongLinesAreReadWhole) {
  std::string longLine(100000, 'L');
  longLine[40000] = '\x82';
  EXPECT_EQ(readAll(longLine + "\r\nshort\r\n" + longLine),
            (std::vector<std::string>{longLine, "short", longLine}));
}

TEST_F(FileTableTest, ReadingUsesLargeReadsAndReusesTheLine) {
  std::string bytes;
  for (int i = 0; bytes.size() < 1000000; ++i) {
    bytes += std::string(static_cast<size_t>(i % 90), 'k') + "\r\n";
  }
  fs.setFile("/big", bytes);
  files.openFile("/big", FileMode::Input, ShareMode::Default, 1);
  ByteString line;
  line.mutableBytes().reserve(200);
  const char* storage = line.data();
  size_t count = 0;
  while (files.hasUnreadBytes(1)) {
    files.readLine(1, line);
    ++count;
  }
  EXPECT_EQ(count, modelLines(bytes).size());
  EXPECT_EQ(line.data(), storage) << "the line was reallocated";
  EXPECT_LE(fs.readCalls(), bytes.size() / 65536 + 2);
  EXPECT_EQ(fs.seekCalls(), 0u);
}

TEST_F(FileTableTest, ReadingChecksModeAndChannel) {
  fs.setFile("/a", "x\r\n");
  files.openFile("/out", FileMode::Output, ShareMode::Default, 3);
  ByteString line;
  EXPECT_EQ(errorOf([&] { files.readLine(3, line); }), 51);
  EXPECT_EQ(errorOf([&] { files.atEndOfFile(3); }), 51);
  EXPECT_EQ(errorOf([&] { files.readLine(4, line); }), 57);
  EXPECT_EQ(errorOf([&] { files.readLine(0, line); }), 50);
  EXPECT_EQ(errorOf([&] { files.readLine(256, line); }), 50);
  EXPECT_EQ(errorOf([&] { files.atEndOfFile(4); }), 57);
  EXPECT_EQ(errorOf([&] { files.atEndOfFile(-1); }), 50);
  EXPECT_EQ(errorOf([&] { files.checkOutputChannel(4); }), 57);
  EXPECT_EQ(errorOf([&] { files.checkOutputChannel(256); }), 50);
  files.openFile("/a", FileMode::Input, ShareMode::Default, 1);
  EXPECT_EQ(errorOf([&] { files.writeBytes(1, "z"); }), 51);
  EXPECT_EQ(fs.fileBytes("/a"), "x\r\n");
}

TEST_F(FileTableTest, ReadErrorIsRaised) {
  fs.setFile("/a", "x\r\n");
  files.openFile("/a", FileMode::Input, ShareMode::Default, 1);
  fs.failNextRead(71);
  ByteString line;
  EXPECT_EQ(errorOf([&] { files.readLine(1, line); }), 71);
}

TEST_F(FileTableTest, StatementsAnnounceThemselvesAndCarryTheCallersLine) {
  RecordingObserver observer;
  files.setObserver(&observer);
  fs.setFile("/in", "A\r\n");
  const uint32_t openLine = __LINE__ + 1;
  files.openFile("/in", FileMode::Input, ShareMode::Default, 1);
  ByteString line;
  const uint32_t readAt = __LINE__ + 1;
  files.readLine(1, line);
  uint32_t failLine = 0;
  try {
    failLine = __LINE__ + 1;
    files.readLine(1, line);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 54);
    EXPECT_EQ(e.line(), failLine);
  }
  try {
    failLine = __LINE__ + 1;
    files.deleteFile("/missing");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.line(), failLine);
  }
  try {
    failLine = __LINE__ + 1;
    files.openFile("/in", FileMode::Output, ShareMode::Default, 2);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 64);
    EXPECT_EQ(e.line(), failLine);
  }
  const uint32_t closeLine = __LINE__ + 1;
  files.closeFiles();
  ASSERT_EQ(observer.lines.size(), 6u);
  EXPECT_EQ(observer.lines[0], openLine);
  EXPECT_EQ(observer.lines[1], readAt);
  EXPECT_EQ(observer.lines[5], closeLine);
  // Non-statement operations do not announce themselves.
  EXPECT_FALSE(files.isOpen(1));
  EXPECT_EQ(observer.lines.size(), 6u);
}

TEST_F(FileTableTest, FileCutShortWhileReadIsAnError) {
  fs.setFile("/log", "A\r\nB\r\nC\r\n");
  fs.limitReads(3);  // only the first line is read ahead
  files.openFile("/log", FileMode::Input, ShareMode::Default, 1);
  ByteString line;
  files.readLine(1, line);
  EXPECT_EQ(line.str(), "A");
  fs.setFile("/log", "A\r");  // cut short by another program
  EXPECT_FALSE(files.atEndOfFile(1));
  // The physical end comes before the size taken at open.
  EXPECT_EQ(errorOf([&] { files.readLine(1, line); }), 62);
}

TEST_F(FileTableTest, BufferedInputStopsAtNulAndAtTheSizeTakenAtOpen) {
  fs.setFile("/log", "A\r\nB\r\n");
  files.openFile("/log", FileMode::Input, ShareMode::Default, 1);
  fs.setFile("/log", "A\r\nB\r\nC\r\nD\r\n");  // grown since the open
  ByteString line;
  files.readLine(1, line);
  EXPECT_EQ(files.bufferedInput(1), "B\r\n");
  files.closeFiles();

  // Lines passed over are consumed as their reads would consume them.
  fs.setFile("/log", "A\r\nB\r\nC\r\nD\r\n");
  files.openFile("/log", FileMode::Input, ShareMode::Default, 1);
  files.readLine(1, line);
  files.skipBufferedLines(1, 6);
  files.readLine(1, line);
  EXPECT_EQ(line.str(), "D");
  EXPECT_TRUE(files.atEndOfFile(1));
  files.openFile("/skipped", FileMode::Output, ShareMode::Default, 3);
  EXPECT_EQ(errorOf([&] { files.skipBufferedLines(3, 0); }), 51);
  files.closeFiles();

  fs.setFile("/log", std::string("A\r\nB\r\nC\0D\r\n", 12));
  files.openFile("/log", FileMode::Input, ShareMode::Default, 1);
  files.openFile("/out", FileMode::Output, ShareMode::Default, 3);
  EXPECT_EQ(files.bufferedInput(1), "");  // nothing read ahead yet
  files.readLine(1, line);
  EXPECT_EQ(files.bufferedInput(1), "B\r\nC");
  files.setColumn(3, 5);
  files.copyBufferedLines(1, 3, 3);
  EXPECT_EQ(files.column(3), 0);
  files.readLine(1, line);
  EXPECT_EQ(line.str(), "CD");
  EXPECT_EQ(errorOf([&] { files.copyBufferedLines(3, 1, 0); }), 51);
  files.closeFiles();
  EXPECT_EQ(fs.fileBytes("/out"), "B\r\n\x1a");
}

TEST_F(FileTableTest, ColumnIsKeptPerChannel) {
  files.openFile("/out", FileMode::Output, ShareMode::Default, 3);
  EXPECT_EQ(files.column(3), 0);
  files.setColumn(3, 17);
  EXPECT_EQ(files.column(3), 17);
  EXPECT_EQ(errorOf([&] { files.column(4); }), 57);
  files.closeFiles();
  files.openFile("/out2", FileMode::Output, ShareMode::Default, 3);
  EXPECT_EQ(files.column(3), 0);
}

}  // namespace
}  // namespace tess
