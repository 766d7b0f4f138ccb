// An output kept open between runs: each close still ends the file with its
// mark, the next Append open of the same file goes on at that mark without
// opening it, claiming it or reading its end again, other writers stay
// refused meanwhile, and every other case opens the file as an Append open
// always does, with the same bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/file_table.h"
#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/raised_error.h"

namespace tess {
namespace {

using testing::errorOf;
using testing::FakeFileSystem;

// Opens of the file for writing (not the looks that only read it).
int writingOpens(const FakeFileSystem& fs, const std::string& path) {
  int n = 0;
  for (const FakeFileSystem::OpenRecord& open : fs.opens()) {
    if (open.path == path && open.access != platform::Access::Read) ++n;
  }
  return n;
}

// Three runs that add "A", "B" and "C" records to /out, the first writing it
// anew, as the command line's runs do.
struct Runs {
  std::string bytes;         // of /out at the end
  std::string between;       // of /out after the first run
  int writingOpens = 0;      // of /out
  uint64_t reads = 0;        // of any file
  uint64_t seeks = 0;        // of any file
  bool heldBetween = false;  // another writer was refused between runs
};

Runs threeRuns(bool keep, bool background) {
  FakeFileSystem fs;
  fs.workFromAnyThread(background);
  fs.setFile("/out", "OLD\r\n\x1A");
  Runs runs;
  size_t probe = 0;  // the other writer's open
  {
    FileTable files(fs);
    files.keepOutputOpen(keep);
    const char* records[] = {"A\r\n", "B\r\n", "C\r\n"};
    for (int run = 0; run < 3; ++run) {
      if (run == 0) {
        files.openReplacing("/out", ShareMode::DenyWrite, 3);
      } else {
        files.openFile("/out", FileMode::Append, ShareMode::DenyWrite, 3);
      }
      files.writeBytes(3, records[run]);
      files.markRecordEnd(3);
      files.closeFiles();
      if (run == 0) {
        runs.between = *fs.fileBytes("/out");
        probe = fs.opens().size();
        int error = 0;
        std::unique_ptr<platform::File> other =
            fs.open("/out", platform::Access::Write, platform::Share::DenyWrite,
                    false, &error);
        runs.heldBetween = other == nullptr && error == err::kAccessDenied;
      }
    }
    files.keepOutputOpen(false);
    EXPECT_EQ(fs.openCount("/out"), 0);
  }
  runs.bytes = *fs.fileBytes("/out");
  runs.writingOpens = writingOpens(fs, "/out") -
                      (fs.opens()[probe].access != platform::Access::Read);
  runs.reads = fs.readCalls();
  runs.seeks = fs.seekCalls();
  return runs;
}

TEST(FileTableKeptOutputTest, RunsGoOnAtTheMarkOfTheFileKeptOpen) {
  for (const bool background : {false, true}) {
    SCOPED_TRACE(background ? "written behind" : "written at once");
    const Runs opened = threeRuns(false, background);
    const Runs kept = threeRuns(true, background);
    // The same bytes, and the mark after every run as before.
    EXPECT_EQ(opened.bytes, "A\r\nB\r\nC\r\n\x1A");
    EXPECT_EQ(kept.bytes, opened.bytes);
    EXPECT_EQ(kept.between, "A\r\n\x1A");
    EXPECT_EQ(opened.between, kept.between);
    // Opened for writing once, its end never read again, one seek back
    // over the mark a run; and held against other writers between runs.
    EXPECT_EQ(opened.writingOpens, 3);
    EXPECT_EQ(kept.writingOpens, 1);
    EXPECT_GT(opened.reads, 0u);
    EXPECT_EQ(kept.reads, 0u);
    EXPECT_EQ(kept.seeks, 2u);
    EXPECT_FALSE(opened.heldBetween);
    EXPECT_TRUE(kept.heldBetween);
  }
}

// Whatever happened to the file kept, or whatever else is opened, the
// result is that of an Append open of the file that the name names.
TEST(FileTableKeptOutputTest, OtherwiseTheFileIsOpenedAsItIsFound) {
  struct Case {
    const char* what;
    // Between the first run and the Append open.
    void (*meanwhile)(FakeFileSystem& fs, FileTable& files);
    const char* appendTo;
    ShareMode share;
    const char* expected;  // /out at the end
    int writingOpens;      // of /out
  };
  const Case cases[] = {
      {"kept", [](FakeFileSystem&, FileTable&) {}, "/out", ShareMode::DenyWrite,
       "A\r\nB\r\n\x1A", 1},
      // An editor added line ends after the mark: it is opened anew, and
      // its end looked at.
      {"written meanwhile",
       [](FakeFileSystem& fs, FileTable&) {
         fs.setFile("/out", *fs.fileBytes("/out") + "\r\n\r\n\r\n");
       },
       "/out", ShareMode::DenyWrite, "A\r\nB\r\n\x1A", 2},
      // Another file renamed over it: that file is added to.
      {"replaced",
       [](FakeFileSystem& fs, FileTable&) {
         fs.replaceFile("/out", "NEW\r\n\x1A");
       },
       "/out", ShareMode::DenyWrite, "NEW\r\nB\r\n\x1A", 2},
      {"other sharing", [](FakeFileSystem&, FileTable&) {}, "/out",
       ShareMode::Exclusive, "A\r\nB\r\n\x1A", 2},
      {"other output", [](FakeFileSystem&, FileTable&) {}, "/other",
       ShareMode::DenyWrite, "A\r\n\x1A", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFileSystem fs;
    FileTable files(fs);
    files.keepOutputOpen(true);
    files.openReplacing("/out", ShareMode::DenyWrite, 3);
    files.writeBytes(3, "A\r\n");
    files.closeFiles();
    c.meanwhile(fs, files);
    files.openFile(c.appendTo, FileMode::Append, c.share, 3);
    // Only the file written is open: a file kept and not taken up again
    // is closed.
    EXPECT_EQ(fs.openHandles().size(), 1u);
    files.writeBytes(3, "B\r\n");
    files.closeFiles();
    files.keepOutputOpen(false);
    EXPECT_TRUE(fs.openHandles().empty());
    EXPECT_EQ(*fs.fileBytes("/out"), c.expected);
    EXPECT_EQ(writingOpens(fs, "/out"), c.writingOpens);
  }
}

// The file kept is never written while it is open on another channel (the
// log, by any name), and one whose writing failed is closed at once.
TEST(FileTableKeptOutputTest, AFileOpenOnAChannelOrAFailedOneIsNotKept) {
  FakeFileSystem fs;
  FileTable files(fs);
  files.keepOutputOpen(true);
  files.openReplacing("/out", ShareMode::DenyWrite, 3);
  files.writeBytes(3, "A\r\n");
  files.closeFiles();
  files.openFile("/out", FileMode::Input, ShareMode::DenyNone, 1);
  EXPECT_EQ(errorOf([&] {
              files.openFile("/out", FileMode::Append, ShareMode::DenyWrite, 3);
            }),
            err::kAlreadyOpen);
  EXPECT_EQ(fs.openCount("/out"), 1);  // the log alone
  files.closeFiles();
  EXPECT_EQ(*fs.fileBytes("/out"), "A\r\n\x1A");

  files.openFile("/out", FileMode::Append, ShareMode::DenyWrite, 3);
  files.writeBytes(3, "B\r\n");
  fs.failNextWrite(67);
  EXPECT_EQ(errorOf([&] { files.closeFiles(); }), 67);
  EXPECT_EQ(fs.openCount("/out"), 0);
  EXPECT_EQ(*fs.fileBytes("/out"), "A\r\n\x1A");
}

}  // namespace
}  // namespace tess
