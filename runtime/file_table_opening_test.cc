// The file table: opening for reading, writing, appending and replacing,
// with the names and sharing each takes or refuses.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
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

}  // namespace
}  // namespace tess
