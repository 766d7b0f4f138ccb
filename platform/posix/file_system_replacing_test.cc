// The POSIX file system's opening for replacing: in place, through links,
// never over what is not a regular file or what the user may not write.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/posix_file_system_fixture.h"

namespace tess::platform {
namespace {

using testing::becomeOrdinaryUser;
using testing::bytesOf;
using testing::inodeOf;
using testing::kOrdinaryUser;
using testing::PosixFileSystemTest;
using testing::replaceWithNew;

TEST_F(PosixFileSystemTest, ReplacingRewritesInPlaceAndFollowsLinks) {
  write("file", "old content");
  write("target", "old content");
  std::filesystem::create_symlink(path("target"), path("link"));
  std::filesystem::create_symlink(path("made"), path("dangling"));
  std::filesystem::create_symlink(path("nofolder/x"), path("nowhere"));
  struct Case {
    const char* name;
    const char* written;  // where the bytes end up
    int error;
  };
  const Case cases[] = {
      {"file", "file", 0},        {"new", "new", 0},
      {"link", "target", 0},       // the target, in place
      {"dangling", "made", 0},     // the target is made
      {"nowhere", "nowhere", 63},  // its folder is missing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ino_t before = inodeOf(path(c.written));
    EXPECT_EQ(replaceWithNew(*fs, path(c.name)), c.error);
    if (c.error != 0) continue;
    EXPECT_EQ(inodeOf(path(c.name)), inodeOf(path(c.written)));
    if (before != 0) {
      EXPECT_EQ(inodeOf(path(c.written)), before);
    }
    EXPECT_EQ(bytesOf(path(c.written)), "new");
  }
  EXPECT_TRUE(std::filesystem::is_symlink(path("link")));
  EXPECT_TRUE(std::filesystem::is_symlink(path("dangling")));
  EXPECT_EQ(fs->kindOf(path("link")), FileKind::Regular);
  EXPECT_EQ(fs->kindOf(path("nowhere")), FileKind::Missing);
}

TEST_F(PosixFileSystemTest, ReplacingNeverTouchesWhatIsNotARegularFile) {
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0666), 0);
  std::filesystem::create_directory(path("folder"));
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = path("sock");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address),
            0);
  struct Case {
    std::string full;
    FileKind kind;
    int error;
  };
  std::vector<Case> cases = {
      {path("fifo"), FileKind::Fifo, 58},
      {path("sock"), FileKind::Socket, 58},
      {path("folder"), FileKind::Directory, 74},
      {"/dev/null", FileKind::Device, 58},
  };
  // A device node of our own, where we may make one (the superuser).
  if (geteuid() == 0) {
    ASSERT_EQ(mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0)
        << std::strerror(errno);
    cases.push_back({path("null"), FileKind::Device, 58});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.full);
    struct stat before;
    ASSERT_EQ(::stat(c.full.c_str(), &before), 0);
    EXPECT_EQ(fs->kindOf(c.full), c.kind);
    EXPECT_EQ(replaceWithNew(*fs, c.full), c.error);
    struct stat after;
    ASSERT_EQ(::stat(c.full.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
  }
  close(sock);
}

// A read-only file of the user's own, in a folder the user may write: the
// file could be deleted and made again, but it is not replaced. The case
// runs in a child process with an ordinary user's rights (the superuser's
// child gives up its privileges first, and the file is made that user's).
TEST_F(PosixFileSystemTest, ReplacingAFileTheUserMayNotWriteIs75) {
  constexpr int kNotDropped = 101;
  constexpr int kWritable = 102;
  write("ro.ren", "keep");
  ASSERT_EQ(chmod(path("ro.ren").c_str(), 0444), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    ASSERT_EQ(chown(path("ro.ren").c_str(), kOrdinaryUser, kOrdinaryUser), 0);
  }
  const ino_t before = inodeOf(path("ro.ren"));
  const std::string full = path("ro.ren");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!becomeOrdinaryUser()) _exit(kNotDropped);
    // The state under test: the user may not write the file.
    if (access(full.c_str(), W_OK) == 0) _exit(kWritable);
    int error = -1;
    auto file =
        makeRealFileSystem()->openForReplacing(full, Share::DenyWrite, &error);
    _exit(file ? 0 : error);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_NE(WEXITSTATUS(status), kNotDropped)
      << "cannot give up the superuser's privileges";
  ASSERT_NE(WEXITSTATUS(status), kWritable)
      << "the file is writable by the user";
  EXPECT_EQ(WEXITSTATUS(status), 75);
  EXPECT_EQ(inodeOf(path("ro.ren")), before);
  EXPECT_EQ(bytesOf(path("ro.ren")), "keep");
}
}  // namespace
}  // namespace tess::platform
