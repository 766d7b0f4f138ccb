#include "runtime/file_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"

namespace tess {
namespace {

// The longest path the file system takes.
constexpr size_t kLimit = platform::kPlatformMaxPathBytes;

using testing::FakeFileSystem;
using namespace std::string_literals;

// The error number a call raises, 0 when it raises none.
int errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

class RecordingObserver : public StatementObserver {
 public:
  void statementStart(uint32_t line) override { lines.push_back(line); }
  std::vector<uint32_t> lines;
};

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

class FileTableTest : public ::testing::Test {
 protected:
  // Every line of the file, reading while unread bytes remain.
  std::vector<std::string> readAll(const std::string& bytes) {
    fs.setFile("/in.log", bytes);
    files.openFile("/in.log", FileMode::Input, ShareMode::DenyNone, 1);
    std::vector<std::string> lines;
    ByteString line;
    while (files.hasUnreadBytes(1)) {
      files.readLine(1, line);
      lines.push_back(line.str());
    }
    files.closeFiles({1});
    return lines;
  }

  FakeFileSystem fs;
  FileTable files{fs};
};

// --- Reading --------------------------------------------------------------

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

// --- Opening ----------------------------------------------------------------

TEST_F(FileTableTest, ShareDefaultsAndRefusedCombinations) {
  fs.setFile("/in", "x");
  files.openFile("/in", FileMode::Input, ShareMode::Default, 1);
  files.openFile("/out", FileMode::Output, ShareMode::Default, 2);
  files.openFile("/app", FileMode::Append, ShareMode::Default, 3);
  EXPECT_EQ(errorOf([&] {
              files.openFile("/in", FileMode::Input, ShareMode::Exclusive, 4);
            }),
            75);  // the reader on 1 does not share with an exclusive one
  ASSERT_EQ(fs.opens().size(), 4u);
  using platform::Access;
  using platform::Share;
  EXPECT_EQ(fs.opens()[0].access, Access::Read);
  EXPECT_EQ(fs.opens()[0].share, Share::DenyNone);
  EXPECT_EQ(fs.opens()[1].access, Access::Write);
  EXPECT_EQ(fs.opens()[1].share, Share::DenyWrite);
  EXPECT_TRUE(fs.opens()[1].create);
  EXPECT_EQ(fs.opens()[2].access, Access::ReadWrite);
  EXPECT_EQ(fs.opens()[2].share, Share::DenyWrite);
  EXPECT_TRUE(fs.opens()[2].create);
  EXPECT_EQ(fs.opens()[3].share, Share::Exclusive);
  files.closeFiles();

  const struct {
    FileMode mode;
    ShareMode share;
  } refused[] = {{FileMode::Input, ShareMode::DenyRead},
                 {FileMode::Output, ShareMode::DenyRead},
                 {FileMode::Output, ShareMode::DenyNone},
                 {FileMode::Append, ShareMode::DenyRead},
                 {FileMode::Append, ShareMode::DenyNone},
                 {static_cast<FileMode>(4), ShareMode::Default},
                 {FileMode::Input, static_cast<ShareMode>(5)}};
  for (const auto& r : refused) {
    EXPECT_EQ(errorOf([&] { files.openFile("/new", r.mode, r.share, 5); }), 51);
  }
  EXPECT_FALSE(files.isOpen(5));
  EXPECT_FALSE(fs.hasFile("/new"));
}

TEST_F(FileTableTest, OpenChecksNameAndChannel) {
  fs.setFile("/in", "x");
  EXPECT_EQ(errorOf([&] {
              files.openFile(ByteString(std::string(kLimit + 1, 'n')),
                             FileMode::Input, ShareMode::Default, 1);
            }),
            55);
  // The platform's limit is a usable length, far beyond the 255 bytes of
  // old ("/" and the rest).
  EXPECT_EQ(errorOf([&] {
              files.openFile(ByteString("/" + std::string(kLimit - 1, 'n')),
                             FileMode::Output, ShareMode::Default, 1);
            }),
            0);
  EXPECT_EQ(errorOf([&] {
              files.openFile("/in", FileMode::Input, ShareMode::Default, 0);
            }),
            50);
  EXPECT_EQ(errorOf([&] {
              files.openFile("/in", FileMode::Input, ShareMode::Default, 256);
            }),
            50);
  EXPECT_EQ(errorOf([&] {
              files.openFile("/in", FileMode::Input, ShareMode::Default, 1);
            }),
            52);
  EXPECT_EQ(errorOf([&] {
              files.openFile("/missing", FileMode::Input, ShareMode::Default,
                             2);
            }),
            63);
  EXPECT_EQ(errorOf([&] {
              files.openFile("/no/such/folder/out", FileMode::Output,
                             ShareMode::Default, 2);
            }),
            55);
  fs.failNextOpen(66);
  EXPECT_EQ(errorOf([&] {
              files.openFile("/in", FileMode::Input, ShareMode::Default, 2);
            }),
            66);
  EXPECT_FALSE(files.isOpen(2));
  fs.failFullPath(true);
  EXPECT_EQ(errorOf([&] {
              files.openFile("x", FileMode::Output, ShareMode::Default, 2);
            }),
            55);
  EXPECT_EQ(errorOf([&] {
              files.openFile("x", FileMode::Input, ShareMode::Default, 2);
            }),
            63);
}

TEST_F(FileTableTest, OutputNeverOverwritesAnExistingFile) {
  fs.setFile("/kanbel.ren", "old\x1A");
  EXPECT_EQ(errorOf([&] {
              files.openFile("/kanbel.ren", FileMode::Output,
                             ShareMode::Default, 3);
            }),
            64);
  EXPECT_FALSE(files.isOpen(3));
  EXPECT_EQ(fs.fileBytes("/kanbel.ren"), "old\x1A");
  EXPECT_EQ(fs.opens().size(), 0u);
  files.deleteFile("/kanbel.ren");
  files.openFile("/kanbel.ren", FileMode::Output, ShareMode::Default, 3);
  files.writeBytes(3, "new\r\n");
  files.closeFiles();
  EXPECT_EQ(fs.fileBytes("/kanbel.ren"), "new\r\n\x1A");
}

// Replacing opens the file as it is, holds it, and only then empties it:
// nothing is ever deleted, and only a regular file the user may write and
// no one else holds is emptied.
TEST(FileTableReplacing, RewritesInPlaceOnlyWhatMayBeWritten) {
  struct Case {
    const char* what;
    std::function<void(FakeFileSystem&, FileTable&)> prepare;
    int error;
    // An empty file is not emptied again (some file systems write out a
    // file emptied so at its close, before the close returns).
    uint64_t truncations = 0;
  };
  std::unique_ptr<platform::File> held;
  const std::vector<Case> cases = {
      {"missing", [](FakeFileSystem&, FileTable&) {}, 0},
      {"regular",
       [](FakeFileSystem& fs, FileTable&) { fs.setFile("/k.ren", "old\x1A"); },
       0, 1},
      {"empty",
       [](FakeFileSystem& fs, FileTable&) { fs.setFile("/k.ren", ""); }, 0},
      {"read-only",
       [](FakeFileSystem& fs, FileTable&) {
         fs.setFile("/k.ren", "old\x1A");
         fs.setReadOnly("/k.ren");
       },
       75},
      {"held by another writer",
       [&](FakeFileSystem& fs, FileTable&) {
         fs.setFile("/k.ren", "old\x1A");
         int e = 0;
         held = fs.open("/k.ren", platform::Access::Write,
                        platform::Share::DenyWrite, false, &e);
       },
       75},
      {"FIFO",
       [](FakeFileSystem& fs, FileTable&) {
         fs.setSpecial("/k.ren", platform::FileKind::Fifo);
       },
       58},
      {"device",
       [](FakeFileSystem& fs, FileTable&) {
         fs.setSpecial("/k.ren", platform::FileKind::Device);
       },
       58},
      {"socket",
       [](FakeFileSystem& fs, FileTable&) {
         fs.setSpecial("/k.ren", platform::FileKind::Socket);
       },
       58},
      {"folder",
       [](FakeFileSystem& fs, FileTable&) { fs.addDirectory("/k.ren"); }, 75},
      {"open on another channel",
       [](FakeFileSystem& fs, FileTable& files) {
         fs.setFile("/k.ren", "old\x1A");
         files.openFile("/k.ren", FileMode::Input, ShareMode::DenyNone, 1);
       },
       52},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFileSystem fs;
    FileTable files(fs);
    c.prepare(fs, files);
    const auto before = fs.fileBytes("/k.ren");
    const platform::FileKind kind = fs.kindOf("/k.ren");
    EXPECT_EQ(
        errorOf([&] { files.openReplacing("/k.ren", ShareMode::Default, 3); }),
        c.error);
    EXPECT_EQ(files.isOpen(3), c.error == 0);
    EXPECT_EQ(fs.truncateCalls(), c.truncations);
    if (c.error == 0) {
      EXPECT_EQ(fs.openHandles().back().share, platform::Share::DenyWrite);
      files.writeBytes(3, "new\r\n");
      files.closeFiles();
      EXPECT_EQ(fs.fileBytes("/k.ren"), "new\r\n\x1A");
    } else {
      EXPECT_EQ(fs.fileBytes("/k.ren"), before);
      EXPECT_EQ(fs.kindOf("/k.ren"), kind);
    }
    EXPECT_EQ(fs.removals(), 0);
    held.reset();
    files.closeFiles();
  }
}

TEST_F(FileTableTest, ReplacingChecksNameAndSharing) {
  EXPECT_EQ(errorOf([&] {
              files.openReplacing("/missing/k.ren", ShareMode::Default, 3);
            }),
            55);
  EXPECT_EQ(
      errorOf([&] { files.openReplacing("/k.ren", ShareMode::DenyNone, 3); }),
      51);
  EXPECT_EQ(errorOf([&] {
              files.openReplacing(ByteString("/" + std::string(kLimit, 'k')),
                                  ShareMode::Default, 3);
            }),
            55);
  EXPECT_EQ(fs.opens().size(), 1u);  // only the first reached the disk
}

// Two programs choose the same output: the second acts while the first
// holds the file it created but has not claimed it yet. The file is never
// deleted under either; the first, which finds it taken, reports 75.
TEST_F(FileTableTest, SecondOpenerBetweenCreateAndClaimWins) {
  for (bool secondFinishes : {false, true}) {
    SCOPED_TRACE(secondFinishes ? "second one done" : "second one writing");
    FakeFileSystem shared;
    FileTable first(shared);
    FileTable second(shared);
    int secondError = -1;
    shared.beforeClaim([&](const std::string&) {
      secondError = errorOf([&] {
        second.openReplacing("/k.ren", ShareMode::Default, 3);
        second.writeBytes(3, "second\r\n");
        if (secondFinishes) second.closeFiles();
      });
    });
    EXPECT_EQ(
        errorOf([&] { first.openReplacing("/k.ren", ShareMode::Default, 3); }),
        75);
    EXPECT_EQ(secondError, 0);
    EXPECT_FALSE(first.isOpen(3));
    second.closeFiles();
    EXPECT_EQ(shared.fileBytes("/k.ren"), "second\r\n\x1A");
    EXPECT_EQ(shared.removals(), 0);
  }
}

TEST_F(FileTableTest, AppendStripsTheFinalMarkAndAddsOneAtClose) {
  for (int run = 0; run < 2; ++run) {
    files.openFile("/k.ren", FileMode::Append, ShareMode::Default, 3);
    files.writeBytes(3, run == 0 ? "X\r\n" : "Y\r\n");
    files.closeFiles();
  }
  EXPECT_EQ(fs.fileBytes("/k.ren"), "X\r\nY\r\n\x1A");

  // Without a final mark nothing is stripped; an empty append only moves
  // the mark.
  fs.setFile("/plain",
             "ab\x1A"
             "c");
  files.openFile("/plain", FileMode::Append, ShareMode::Default, 3);
  files.writeBytes(3, "d");
  files.closeFiles({3});
  EXPECT_EQ(fs.fileBytes("/plain"),
            "ab\x1A"
            "cd\x1A");
  fs.setFile("/mark", "\x1A");
  files.openFile("/mark", FileMode::Append, ShareMode::Default, 3);
  files.closeFiles({3});
  EXPECT_EQ(fs.fileBytes("/mark"), "\x1A");
}

TEST_F(FileTableTest, ClosingInputWritesNothingAndClosingTwiceIsFine) {
  fs.setFile("/in", "A\r\n");
  files.closeFiles();  // nothing open
  files.openFile("/in", FileMode::Input, ShareMode::Default, 1);
  files.closeFiles({1});
  files.closeFiles({1, 7});
  EXPECT_EQ(fs.writeCalls(), 0u);
  EXPECT_EQ(fs.fileBytes("/in"), "A\r\n");
  EXPECT_EQ(fs.openCount("/in"), 0);
}

TEST_F(FileTableTest, CloseChecksEveryListedChannelFirst) {
  files.openFile("/out", FileMode::Output, ShareMode::Default, 3);
  EXPECT_EQ(errorOf([&] { files.closeFiles({3, 256}); }), 50);
  EXPECT_TRUE(files.isOpen(3));
  EXPECT_EQ(errorOf([&] { files.closeFiles({0}); }), 50);
  files.closeFiles({3});
  EXPECT_FALSE(files.isOpen(3));
  EXPECT_EQ(fs.fileBytes("/out"), "\x1A");
}

TEST_F(FileTableTest, OutputIsBufferedIntoLargeWrites) {
  files.openFile("/out", FileMode::Output, ShareMode::Default, 3);
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    std::string item = "line " + std::to_string(i) + "\r\n";
    files.writeBytes(3, item);
    expected += item;
  }
  std::string big(200000, 'B');  // larger than the buffer
  files.writeBytes(3, big);
  expected += big;
  files.writeBytes(3, "end");
  files.closeFiles();
  EXPECT_EQ(fs.fileBytes("/out"), expected + "end\x1A");
  EXPECT_LE(fs.writeCalls(), expected.size() / 65536 + 4);
}

TEST_F(FileTableTest, WriteFailureSurfacesAtCloseAndReleasesTheChannel) {
  files.openFile("/out", FileMode::Output, ShareMode::Default, 3);
  files.writeBytes(3, "abc\r\n");  // buffered: nothing fails yet
  fs.failWritesAfter(0, 67);
  uint32_t closeLine = 0;
  try {
    closeLine = __LINE__ + 1;
    files.closeFiles();
    FAIL() << "the failed write was not reported";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 67);
    EXPECT_EQ(e.line(), closeLine);
  }
  EXPECT_FALSE(files.isOpen(3));
  EXPECT_EQ(fs.openCount("/out"), 0);
}

TEST_F(FileTableTest, FlushAllWritesOutAndReportsFailures) {
  files.openFile("/out", FileMode::Output, ShareMode::Default, 3);
  files.writeBytes(3, "kept");
  files.markRecordEnd(3);
  files.flushAll();
  EXPECT_EQ(fs.fileBytes("/out"), "kept");
  files.writeBytes(3, "lost");
  fs.failNextWrite(73);
  EXPECT_EQ(errorOf([&] { files.flushAll(); }), 73);
  EXPECT_TRUE(files.isOpen(3));
  // A write larger than the buffer fails at once.
  fs.failNextWrite(67);
  EXPECT_EQ(errorOf([&] { files.writeBytes(3, std::string(70000, 'w')); }), 67);
  files.closeFiles();
  // After a failed write the file ends after the last whole record.
  EXPECT_EQ(fs.fileBytes("/out"), "kept\x1A");
}

TEST_F(FileTableTest, CloseAllClosesEveryChannelDespiteAFailure) {
  files.openFile("/a", FileMode::Output, ShareMode::Default, 1);
  files.openFile("/b", FileMode::Output, ShareMode::Default, 2);
  fs.failNextWrite(67);  // the first channel's flush
  EXPECT_EQ(errorOf([&] { files.closeFiles(); }), 67);
  EXPECT_FALSE(files.isOpen(1));
  EXPECT_FALSE(files.isOpen(2));
  EXPECT_EQ(fs.fileBytes("/b"), "\x1A");
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST_F(FileTableTest, DestructorClosesEverythingAndSwallowsErrors) {
  {
    FileTable table(fs);
    table.openFile("/a", FileMode::Output, ShareMode::Default, 1);
    table.writeBytes(1, "data");
    table.openFile("/b", FileMode::Append, ShareMode::Default, 2);
    fs.failNextClose(61);
  }
  EXPECT_EQ(fs.fileBytes("/a"), "data\x1A");
  EXPECT_EQ(fs.fileBytes("/b"), "\x1A");
  EXPECT_TRUE(fs.openHandles().empty());
}

// --- Deleting and existence
// ---------------------------------------------------

TEST_F(FileTableTest, DeleteChecks) {
  fs.setFile("/dir/log", "x");
  EXPECT_EQ(errorOf([&] {
              files.deleteFile(ByteString(std::string(kLimit + 1, 'd')));
            }),
            55);
  EXPECT_EQ(errorOf([&] { files.deleteFile("/dir/none"); }), 63);
  files.openFile("/dir/log", FileMode::Input, ShareMode::Default, 1);
  // The same file under another spelling is still the open one.
  ASSERT_EQ(fs.changeDirectory("/dir"), 0);
  EXPECT_EQ(errorOf([&] { files.deleteFile("./../dir/log"); }), 52);
  files.closeFiles();
  fs.failNextRemove(5);
  EXPECT_EQ(errorOf([&] { files.deleteFile("log"); }), 75);
  EXPECT_TRUE(fs.hasFile("/dir/log"));
  files.deleteFile("log");
  EXPECT_FALSE(fs.hasFile("/dir/log"));
}

TEST_F(FileTableTest, DeleteComparesPathsThePlatformsWay) {
  FakeFileSystem windows(FakeFileSystem::Style::Windows);
  FileTable table(windows);
  windows.setFile("C:\\LOGS\\K.REN", "x");
  table.openFile("c:\\logs\\k.ren", FileMode::Append, ShareMode::Default, 3);
  EXPECT_EQ(errorOf([&] { table.deleteFile("C:/Logs/K.ren"); }), 52);
}

TEST_F(FileTableTest, FileExistsGivesTheFullPath) {
  fs.setFile("/logs/1996.log", "x");
  ASSERT_EQ(fs.changeDirectory("/logs"), 0);
  ByteString full;
  EXPECT_TRUE(files.fileExists("./1996.log", &full));
  EXPECT_EQ(full.str(), "/logs/1996.log");
  EXPECT_FALSE(files.fileExists("1997.log", &full));
  EXPECT_FALSE(files.fileExists("/logs"));  // a folder is not a file
  EXPECT_FALSE(files.fileExists(""));
}

// --- Statement starts and error lines
// -------------------------------------------

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

// --- Over the real file system
// ------------------------------------------------------

class RealFileTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = (std::filesystem::temp_directory_path() /
           ("tess-ft-" + std::string(info->name()) + "-" +
            std::to_string(std::random_device()())))
              .string();
    ASSERT_TRUE(std::filesystem::create_directory(dir));
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  ByteString path(const std::string& name) const {
    return ByteString(dir + "/" + name);
  }
  std::string contents(const std::string& name) const {
    std::ifstream in(path(name).str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name).str(), std::ios::binary) << bytes;
  }

  std::string dir;
  std::unique_ptr<platform::FileSystem> fs = platform::makeRealFileSystem();
};

TEST_F(RealFileTableTest, AppendOutputAndReadBack) {
  FileTable files(*fs);
  files.openFile(path("k.ren"), FileMode::Append, ShareMode::Default, 3);
  files.writeBytes(3, "X\r\n");
  files.closeFiles();
  files.openFile(path("k.ren"), FileMode::Append, ShareMode::Default, 3);
  files.writeBytes(3, "Y\r\n");
  files.closeFiles();
  EXPECT_EQ(contents("k.ren"), "X\r\nY\r\n\x1A");
  EXPECT_EQ(errorOf([&] {
              files.openFile(path("k.ren"), FileMode::Output,
                             ShareMode::Default, 3);
            }),
            64);
  EXPECT_EQ(contents("k.ren"), "X\r\nY\r\n\x1A");

  std::string first(65535, 'x');
  write("in.log", first + "\r\nB\r\n\x1A");
  files.openFile(path("in.log"), FileMode::Input, ShareMode::Default, 1);
  ByteString line;
  files.readLine(1, line);
  EXPECT_EQ(line.str(), first);
  files.readLine(1, line);
  EXPECT_EQ(line.str(), "B");
  EXPECT_TRUE(files.atEndOfFile(1));
  EXPECT_EQ(errorOf([&] { files.deleteFile(path("in.log")); }), 52);
  files.closeFiles();
  files.deleteFile(path("in.log"));
  EXPECT_FALSE(std::filesystem::exists(path("in.log").str()));
}

// The log chosen as the output by another name (a second link) is the
// same file: it is refused and left whole.
TEST_F(RealFileTableTest, ReplacingTheOpenLogByAnotherNameIs52) {
  write("in.log", "A\r\nB\r\n");
  std::filesystem::create_hard_link(path("in.log").str(), path("link").str());
  FileTable files(*fs);
  files.openFile(path("link"), FileMode::Input, ShareMode::DenyNone, 1);
  EXPECT_EQ(errorOf([&] {
              files.openReplacing(path("in.log"), ShareMode::Default, 3);
            }),
            52);
  EXPECT_FALSE(files.isOpen(3));
  EXPECT_EQ(contents("in.log"), "A\r\nB\r\n");
  files.closeFiles();
}

TEST_F(RealFileTableTest, SharingBetweenOpeners) {
  FileTable writer(*fs);
  FileTable other(*fs);
  writer.openFile(path("k.ren"), FileMode::Append, ShareMode::Default, 3);
  // A second writer is kept away; a reader that lets others write is not.
  EXPECT_EQ(errorOf([&] {
              other.openFile(path("k.ren"), FileMode::Append,
                             ShareMode::Default, 3);
            }),
            75);
  EXPECT_FALSE(other.isOpen(3));
  other.openFile(path("k.ren"), FileMode::Input, ShareMode::DenyNone, 1);
  // A reader that denies writing cannot join a writer.
  EXPECT_EQ(errorOf([&] {
              other.openFile(path("k.ren"), FileMode::Input,
                             ShareMode::DenyWrite, 2);
            }),
            75);
  other.closeFiles();
  writer.closeFiles();
  other.openFile(path("k.ren"), FileMode::Append, ShareMode::Default, 3);
  other.closeFiles();
}

TEST_F(RealFileTableTest, DiskFullSurfacesAtClose) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no full disk";
  FileTable files(*fs);
  files.openFile("/dev/full", FileMode::Append, ShareMode::DenyWrite, 3);
  files.writeBytes(3, "data\r\n");
  EXPECT_EQ(errorOf([&] { files.closeFiles({3}); }), 67);
  EXPECT_FALSE(files.isOpen(3));
}

}  // namespace
}  // namespace tess
