// The output channels keep whole records: a run that ends early, or a write
// that fails (a full disk after some bytes), leaves the output ending after
// its last whole record with one end-of-file mark; appending starts at the
// mark an editor left before CR LF; a log that changes while it is read is
// an error; a file open on a channel is never also an output.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "runtime/file_table.h"
#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/raised_error.h"

namespace tess {
namespace {

using testing::errorOf;
using testing::FakeFileSystem;

// A record of n bytes: "R" then letters, ended by CR LF.
std::string record(size_t n, char letter) {
  return "R" + std::string(n - 3, letter) + "\r\n";
}

TEST(FileTableRecordsTest, AnOutputThatEndsEarlyKeepsItsWholeRecords) {
  struct Case {
    const char* what;
    bool append;      // the file holds "OLD\r\n\x1A" before
    bool background;  // writes behind in the worker
    int fullAfter;    // the disk is full after so many more bytes (-1: never)
    std::string expected;
  };
  const std::string a = record(40000, 'a');
  const std::string b = record(40000, 'b');
  const std::string c = record(100, 'c');
  const std::string old = "OLD\r\n";
  const Case cases[] = {
      // Ended early (a break, a signal): the half record goes.
      {"new", false, false, -1, a + b + "\x1A"},
      {"new behind", false, true, -1, a + b + "\x1A"},
      {"appended", true, false, -1, old + a + b + "\x1A"},
      // A full disk in the middle of the second record.
      {"full", false, false, 70000, a + "\x1A"},
      {"full behind", false, true, 70000, a + "\x1A"},
      {"full appended", true, true, 70000, old + a + "\x1A"},
      // Full before the first record is whole: the length before the run.
      {"full at once", false, false, 10, "\x1A"},
      {"full at once appended", true, true, 10, old + "\x1A"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    FakeFileSystem fs;
    fs.workFromAnyThread(t.background);
    if (t.append) fs.setFile("/out", old + "\x1A");
    FileTable files(fs);
    files.openFile("/out", t.append ? FileMode::Append : FileMode::Output,
                   ShareMode::Default, 3);
    if (t.fullAfter >= 0)
      fs.failWritesAfter(static_cast<uint64_t>(t.fullAfter));
    int failed = 0;
    try {
      for (const std::string* r : {&a, &b}) {
        files.writeBytes(3, *r);
        files.markRecordEnd(3);
      }
      files.writeBytes(3, c.substr(0, 50));  // a record cut by the end
      files.flushAll();
    } catch (const RuntimeError& e) {
      failed = e.number();
    }
    files.keepWholeRecords();
    // The mark needs room: the cut back freed it.
    files.closeFiles();
    EXPECT_EQ(failed, t.fullAfter >= 0 ? 67 : 0);
    EXPECT_EQ(fs.fileBytes("/out"), t.expected);
  }
}

TEST(FileTableRecordsTest, AFailedWriteAtTheCloseLeavesTheLastWholeRecord) {
  for (bool background : {false, true}) {
    SCOPED_TRACE(background ? "behind" : "at once");
    FakeFileSystem fs;
    fs.workFromAnyThread(background);
    FileTable files(fs);
    files.openFile("/out", FileMode::Output, ShareMode::Default, 3);
    // Two whole buffers are written, then the disk is full: the last
    // bytes and the mark, written at the close, fail (in the order of the
    // writes, wherever they run).
    fs.failWritesAfter(2 * 65536);
    // The end of a is written with the first bytes of b, before the close.
    const std::string a = record(70000, 'a');
    files.writeBytes(3, a);
    files.markRecordEnd(3);
    files.writeBytes(3, record(70000, 'b'));
    files.markRecordEnd(3);
    files.writeBytes(3, record(30, 'c'));
    files.markRecordEnd(3);
    EXPECT_EQ(errorOf([&] { files.closeFiles(); }), 67);
    EXPECT_EQ(fs.fileBytes("/out"), a + "\x1A");
  }
}

TEST(FileTableRecordsTest, AppendingStartsAtTheMarkBeforeTrailingLineEnds) {
  struct Case {
    std::string before;
    std::string after;  // once "X\r\n" is appended
  };
  const Case cases[] = {
      {"", "X\r\n\x1A"},
      {"A\r\n", "A\r\nX\r\n\x1A"},
      {"A\r\n\x1A", "A\r\nX\r\n\x1A"},
      {"A\r\n\x1A\r\n", "A\r\nX\r\n\x1A"},
      {"A\r\n\x1A\x1A", "A\r\nX\r\n\x1A"},
      {std::string("A\r\n\x1A\0\0\r\n\x1A", 10), "A\r\nX\r\n\x1A"},
      // Without a mark in the trailing run, the records go at the end.
      {"A\r\n\r\n", "A\r\n\r\nX\r\n\x1A"},
      // A mark inside the text is text.
      {"A\x1A"
       "B\r\n",
       "A\x1A"
       "B\r\nX\r\n\x1A"},
      {"A\x1A"
       "B\x1A\n",
       "A\x1A"
       "BX\r\n\x1A"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(::testing::PrintToString(t.before));
    FakeFileSystem fs;
    fs.setFile("/out", t.before);
    FileTable files(fs);
    files.openFile("/out", FileMode::Append, ShareMode::Default, 3);
    files.writeBytes(3, "X\r\n");
    files.closeFiles();
    EXPECT_EQ(fs.fileBytes("/out"), t.after);
  }
  // A long run of NUL bytes after the mark (more than one block back).
  FakeFileSystem fs;
  fs.setFile("/out", "A\r\n\x1A" + std::string(10000, '\0'));
  FileTable files(fs);
  files.openFile("/out", FileMode::Append, ShareMode::Default, 3);
  files.closeFiles();
  EXPECT_EQ(fs.fileBytes("/out"), "A\r\n\x1A");
}

TEST(FileTableRecordsTest, ALogThatChangesWhileItIsReadIsAnError) {
  const std::string log(200000, 'x');
  struct Case {
    const char* what;
    // Done before the given read of the log (1 is the first block).
    int atRead;
    std::function<void(FakeFileSystem&)> change;
    int expected;
  };
  const Case cases[] = {
      {"unchanged", 0, nullptr, 0},
      {"cut between two blocks", 2,
       [](FakeFileSystem& fs) { fs.setFile("/log", std::string(70000, 'x')); },
       62},
      {"grown", 2,
       [&](FakeFileSystem& fs) { fs.setFile("/log", log + "more"); }, 62},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    FakeFileSystem fs;
    fs.setFile("/log", log);
    FileTable files(fs);
    files.openFile("/log", FileMode::Input, ShareMode::Default, 1);
    fs.beforeRead([&](uint64_t reads) {
      if (t.change && static_cast<int>(reads) == t.atRead) t.change(fs);
    });
    const int got = errorOf([&] {
      ByteString line;
      // Bounded: a reading that never ends fails the test too.
      for (int n = 0; n < 1000 && files.hasUnreadBytes(1); ++n) {
        files.readLine(1, line);
      }
      files.checkInputUnchanged(1);
    });
    fs.beforeRead(nullptr);
    EXPECT_EQ(got, t.expected);
  }
}

TEST(FileTableRecordsTest, AFileOpenOnAChannelIsNeverAlsoAnOutput) {
  FakeFileSystem fs;
  fs.setFile("/logs/a.ren", "#S\r\n\x1A");
  fs.addDirectory("/other");
  FileTable files(fs);
  files.openFile("/logs/a.ren", FileMode::Input, ShareMode::Default, 1);
  for (FileMode mode : {FileMode::Append, FileMode::Output}) {
    EXPECT_EQ(errorOf([&] {
                files.openFile("/logs/./a.ren", mode, ShareMode::Default, 3);
              }),
              mode == FileMode::Append ? 52 : 64);
  }
  EXPECT_EQ(errorOf([&] {
              files.openReplacing("/logs/a.ren", ShareMode::Default, 3);
            }),
            52);
  EXPECT_FALSE(files.isOpen(3));
  EXPECT_EQ(fs.fileBytes("/logs/a.ren"), "#S\r\n\x1A");
}

}  // namespace
}  // namespace tess
