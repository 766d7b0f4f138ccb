// The file table: buffered output, closing and flushing with their
// failures, deleting and the existence of files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/file_table.h"
#include "runtime/file_table_fixture.h"
#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/raised_error.h"

namespace tess {
namespace {

using testing::errorOf;
using testing::FakeFileSystem;
using testing::FileTableTest;
using testing::kLimit;

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

}  // namespace
}  // namespace tess
