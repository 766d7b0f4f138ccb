// The POSIX file system's sharing: openers in one process and in others,
// and a second opener that acts while the first claims its output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/posix/posix_file_system_fixture.h"

namespace tess::platform {
namespace {

using testing::bytesOf;
using testing::inodeOf;
using testing::PosixFileSystemTest;

TEST_F(PosixFileSystemTest, SharingBetweenOpenFileDescriptions) {
#ifndef F_OFD_SETLK
  FAIL() << "no open-file-description locks here: no sharing is enforced";
#endif
  write("k.ren", "x");
  const std::string k = path("k.ren");
  int error = -1;
  auto writer = fs->open(k, Access::Write, Share::DenyWrite, false, &error);
  ASSERT_TRUE(writer);
  EXPECT_EQ(openError(k, Access::ReadWrite, Share::DenyWrite), 75);
  EXPECT_EQ(openError(k, Access::Write, Share::Exclusive), 75);
  EXPECT_EQ(openError(k, Access::Read, Share::DenyNone), 0);
  // A reader may not deny writing to a file someone writes.
  EXPECT_EQ(openError(k, Access::Read, Share::DenyWrite), 75);
  // Deleting a file held by an opener is refused.
  EXPECT_EQ(fs->removeFile(k), 75);
  writer->close();
  EXPECT_EQ(openError(k, Access::Read, Share::DenyWrite), 0);

  auto exclusive = fs->open(k, Access::Read, Share::Exclusive, false, &error);
  ASSERT_TRUE(exclusive);
  EXPECT_EQ(openError(k, Access::Read, Share::DenyNone), 75);
  exclusive.reset();  // destruction releases the sharing too
  EXPECT_EQ(openError(k, Access::Read, Share::DenyNone), 0);

  // Two readers that deny writing share the file.
  auto reader = fs->open(k, Access::Read, Share::DenyWrite, false, &error);
  ASSERT_TRUE(reader);
  EXPECT_EQ(openError(k, Access::Read, Share::DenyWrite), 0);
  EXPECT_EQ(openError(k, Access::Write, Share::DenyWrite), 75);
  reader->close();
  EXPECT_EQ(fs->removeFile(k), 0);
  EXPECT_FALSE(fs->exists(k));
  EXPECT_EQ(fs->removeFile(k), 75);
}

TEST_F(PosixFileSystemTest, SharingBetweenProcesses) {
#ifndef F_OFD_SETLK
  FAIL() << "no open-file-description locks here: no sharing is enforced";
#endif
  write("k.ren", "x");
  const std::string k = path("k.ren");
  int error = -1;
  auto writer = fs->open(k, Access::Write, Share::DenyWrite, false, &error);
  ASSERT_TRUE(writer);
  // The child reports the open errors it gets through its exit status.
  auto inChild = [&](Access access, Share share) {
    pid_t child = fork();
    if (child == 0) {
      auto own = makeRealFileSystem();
      int e = -1;
      auto f = own->open(k, access, share, false, &e);
      _exit(e);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(inChild(Access::ReadWrite, Share::DenyWrite), 75);
  EXPECT_EQ(inChild(Access::Read, Share::DenyNone), 0);
  writer->close();
  EXPECT_EQ(inChild(Access::ReadWrite, Share::DenyWrite), 0);
}

// The first holds the output: a second opener in another process is
// refused and the file keeps what the first wrote.
TEST_F(PosixFileSystemTest, HeldOutputIsRefusedToAnotherProcess) {
#ifndef F_OFD_SETLK
  FAIL() << "no open-file-description locks here: no sharing is enforced";
#endif
  const std::string full = path("k.ren");
  int error = -1;
  auto held = fs->openForReplacing(full, Share::DenyWrite, &error);
  ASSERT_TRUE(held) << error;
  ASSERT_EQ(held->write("mine", 4), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int e = -1;
    auto f = makeRealFileSystem()->openForReplacing(full, Share::DenyWrite, &e);
    _exit(f ? 0 : e);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 75);
  EXPECT_EQ(fs->removeFile(full), 75);
  held.reset();
  EXPECT_EQ(bytesOf(full), "mine");
}

// Two programs choose one output at once; the second acts in the moment
// after the first has opened (or created) the file and before it claims it.
// No one deletes the file, the second gets it and the first reports 75:
// whether the second still writes it or is already done with it, and
// whether the file was new or old.
TEST_F(PosixFileSystemTest, SecondOpenerBetweenCreateAndClaimWins) {
#ifndef F_OFD_SETLK
  FAIL() << "no open-file-description locks here: no sharing is enforced";
#endif
  for (bool existed : {false, true}) {
    for (bool secondDone : {false, true}) {
      SCOPED_TRACE(std::string(existed ? "old file" : "new file") +
                   (secondDone ? ", second done" : ", second writing"));
      const std::string full = path("race.ren");
      std::filesystem::remove(full);
      if (existed) write("race.ren", "old content");
      auto second = makeRealFileSystem();
      std::unique_ptr<File> secondFile;
      int secondError = -1;
      ino_t created = 0;
      auto first = makePosixFileSystem([&](const std::string& at) {
        created = inodeOf(at);
        secondFile =
            second->openForReplacing(at, Share::DenyWrite, &secondError);
        if (!secondFile) return;
        EXPECT_EQ(secondFile->truncate(0), 0);
        EXPECT_EQ(secondFile->write("second", 6), 0);
        if (secondDone) secondFile.reset();
      });
      int error = -1;
      auto firstFile = first->openForReplacing(full, Share::DenyWrite, &error);
      EXPECT_EQ(firstFile, nullptr);
      EXPECT_EQ(error, 75);
      EXPECT_EQ(secondError, 0);
      EXPECT_NE(created, 0u);
      EXPECT_EQ(inodeOf(full), created);
      secondFile.reset();
      EXPECT_EQ(bytesOf(full), "second");
    }
  }
}

// What an older program would do in that moment, deleting the file and
// making a new one, is noticed too: the first does not write into a file
// that the path no longer names.
TEST_F(PosixFileSystemTest, FileMadeAgainBeforeTheClaimIs75) {
  const std::string full = path("k.ren");
  auto first = makePosixFileSystem([&](const std::string& at) {
    ASSERT_EQ(::unlink(at.c_str()), 0);
    write("k.ren", "theirs");
  });
  int error = -1;
  EXPECT_EQ(first->openForReplacing(full, Share::DenyWrite, &error), nullptr);
  EXPECT_EQ(error, 75);
}

}  // namespace
}  // namespace tess::platform
