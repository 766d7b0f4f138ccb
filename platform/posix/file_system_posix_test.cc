#include "platform/posix/file_system_posix.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "tests/support/fake_file_system.h"

namespace tess::platform {
namespace {

class PosixFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ =
        (std::filesystem::temp_directory_path() / "tess-fs-XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir = std::filesystem::canonical(templ).string();
    previous = std::filesystem::current_path();
  }
  void TearDown() override {
    std::filesystem::current_path(previous);
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(dir);
  }

  std::string path(const std::string& name) const { return dir + "/" + name; }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  // The error of an open, 0 on success (the file is closed again).
  int openError(const std::string& full, Access access, Share share,
                bool create = false) {
    int error = -1;
    auto file = fs->open(full, access, share, create, &error);
    EXPECT_EQ(file == nullptr, error != 0);
    return error;
  }
  std::vector<std::string> search(const std::string& pattern) {
    std::vector<std::string> names;
    DirEntry entry;
    auto found = fs->findFirst(pattern, &entry);
    if (!found) return names;
    do {
      names.push_back(entry.name);
    } while (found->next(&entry));
    return names;
  }

  std::string dir;
  std::filesystem::path previous;
  std::unique_ptr<FileSystem> fs = makeRealFileSystem();
};

TEST_F(PosixFileSystemTest, FullPathResolvesLexically) {
  ASSERT_EQ(fs->changeDirectory(dir), 0);
  EXPECT_EQ(fs->currentDirectory(), dir);
  std::string full;
  ASSERT_TRUE(fs->fullPath("a/./b/../c", &full));
  EXPECT_EQ(full, dir + "/a/c");
  ASSERT_TRUE(fs->fullPath("/x/../../y//z/", &full));
  EXPECT_EQ(full, "/y/z");
  ASSERT_TRUE(fs->fullPath("/..", &full));
  EXPECT_EQ(full, "/");
  ASSERT_TRUE(fs->fullPath("..", &full));
  EXPECT_EQ(full, std::filesystem::path(dir).parent_path().string());
  EXPECT_FALSE(fs->fullPath("", &full));
  EXPECT_FALSE(fs->fullPath(std::string_view("a\0b", 3), &full));
  EXPECT_TRUE(fs->samePath(dir + "/a", dir + "/a"));
  EXPECT_FALSE(fs->samePath(dir + "/a", dir + "/A"));
  EXPECT_TRUE(fs->isSeparator('/'));
  EXPECT_FALSE(fs->isSeparator('\\'));
  EXPECT_EQ(fs->preferredSeparator(), '/');
}

TEST_F(PosixFileSystemTest, FilesReadWriteSeekAndSize) {
  int error = -1;
  auto file = fs->open(path("f"), Access::ReadWrite, Share::DenyWrite,
                       /*create=*/true, &error);
  ASSERT_TRUE(file) << error;
  EXPECT_TRUE(fs->exists(path("f")));
  EXPECT_FALSE(fs->exists(dir));  // a folder is not a file
  ASSERT_EQ(file->write("hello", 5), 0);
  uint64_t size = 0;
  ASSERT_EQ(file->size(&size), 0);
  EXPECT_EQ(size, 5u);
  ASSERT_EQ(file->seek(1), 0);
  char buffer[8] = {};
  size_t got = 0;
  ASSERT_EQ(file->read(buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(std::string(buffer, got), "ello");
  ASSERT_EQ(file->read(buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(file->close(), 0);
  // Creating an existing file keeps its bytes: a creating writer is
  // refused (64), a creating appender opens the file as it is.
  EXPECT_EQ(openError(path("f"), Access::Write, Share::DenyWrite, true), 64);
  file = fs->open(path("f"), Access::ReadWrite, Share::DenyWrite, true, &error);
  ASSERT_TRUE(file);
  ASSERT_EQ(file->size(&size), 0);
  EXPECT_EQ(size, 5u);
}

TEST_F(PosixFileSystemTest, OpenErrorsMapToRunTimeNumbers) {
  write("file", "x");
  EXPECT_EQ(openError(path("missing"), Access::Read, Share::DenyNone), 63);
  EXPECT_EQ(
      openError(path("nofolder/x"), Access::Write, Share::DenyWrite, true), 55);
  EXPECT_EQ(openError(path("file/x"), Access::Read, Share::DenyNone), 55);
  EXPECT_EQ(
      openError(path(std::string(300, 'n')), Access::Read, Share::DenyNone),
      55);
  EXPECT_EQ(openError(dir, Access::Read, Share::DenyNone), 74);
  EXPECT_EQ(openError(dir, Access::Write, Share::DenyWrite, true), 74);
  // Links that lead round in a loop.
  ASSERT_EQ(symlink(path("loop2").c_str(), path("loop1").c_str()), 0);
  ASSERT_EQ(symlink(path("loop1").c_str(), path("loop2").c_str()), 0);
  EXPECT_EQ(openError(path("loop1"), Access::Read, Share::DenyNone), 68);
  EXPECT_EQ(openError(path("loop1"), Access::ReadWrite, Share::DenyWrite), 68);
}

// What permissions refuse, as an ordinary user sees it: the superuser runs
// the opens in a child that has given up its privileges.
TEST_F(PosixFileSystemTest, PermissionsSayWhatWasRefused) {
  write("file", "x");
  std::filesystem::create_directory(path("shut"));
  write("shut/inner", "x");
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  ASSERT_EQ(chmod(path("file").c_str(), 0), 0);
  ASSERT_EQ(chmod(path("shut").c_str(), 0700), 0);
  struct Case {
    std::string full;
    Access access;
    int error;
  };
  const Case cases[] = {
      {path("file"), Access::Read, 70},         // may not be read
      {path("file"), Access::Write, 75},        // may not be written
      {path("shut/inner"), Access::Read, 69},   // a folder on the way
      {path("shut/inner"), Access::Write, 69},  // the same for writing
  };
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    const uid_t nobody = 65534;
    if (getuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
         setresuid(nobody, nobody, nobody) != 0)) {
      _exit(2);
    }
    for (const Case& c : cases) {
      int error = 0;
      auto file = fs->open(
          c.full, c.access,
          c.access == Access::Read ? Share::DenyNone : Share::DenyWrite, false,
          &error);
      if (::write(fds[1], &error, sizeof error) != sizeof error) _exit(3);
    }
    _exit(0);
  }
  close(fds[1]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.full);
    int error = -1;
    ASSERT_EQ(::read(fds[0], &error, sizeof error),
              static_cast<ssize_t>(sizeof error));
    EXPECT_EQ(error, c.error);
  }
  close(fds[0]);
  chmod(path("shut").c_str(), 0755);
}

TEST_F(PosixFileSystemTest, FullDiskIsError67) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP();
  int error = -1;
  auto file =
      fs->open("/dev/full", Access::Write, Share::DenyNone, false, &error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(file->write("x", 1), 67);
}

TEST_F(PosixFileSystemTest, SharingBetweenOpenFileDescriptions) {
#ifndef F_OFD_SETLK
  GTEST_SKIP() << "no open-file-description locks here";
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
  GTEST_SKIP() << "no open-file-description locks here";
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

// The inode a path names (following links); 0 when nothing is there.
ino_t inodeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Opens for replacing, empties and writes "new"; the error, 0 on success.
int replaceWithNew(FileSystem& fs, const std::string& full) {
  int error = -1;
  auto file = fs.openForReplacing(full, Share::DenyWrite, &error);
  EXPECT_EQ(file == nullptr, error != 0);
  if (!file) return error;
  EXPECT_EQ(file->truncate(0), 0);
  EXPECT_EQ(file->write("new", 3), 0);
  EXPECT_EQ(file->close(), 0);
  return 0;
}

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
    std::ifstream in(path(c.written), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new");
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
// file could be deleted and made again, but it is not replaced. The
// superuser may write anything, so the case runs under an ordinary user id
// in a child process.
TEST_F(PosixFileSystemTest, ReplacingAFileTheUserMayNotWriteIs75) {
  constexpr uid_t kNobody = 65534;
  const bool root = geteuid() == 0;
  write("ro.ren", "keep");
  ASSERT_EQ(chmod(path("ro.ren").c_str(), 0444), 0);
  if (root) {
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    ASSERT_EQ(chown(path("ro.ren").c_str(), kNobody, kNobody), 0);
  }
  const ino_t before = inodeOf(path("ro.ren"));
  const std::string full = path("ro.ren");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (root && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(101);
    // The state under test: the user may not write the file.
    if (access(full.c_str(), W_OK) == 0) _exit(102);
    int error = -1;
    auto file =
        makeRealFileSystem()->openForReplacing(full, Share::DenyWrite, &error);
    _exit(file ? 0 : error);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_NE(WEXITSTATUS(status), 101) << "cannot drop to an ordinary user";
  ASSERT_NE(WEXITSTATUS(status), 102) << "the file is writable by the user";
  EXPECT_EQ(WEXITSTATUS(status), 75);
  EXPECT_EQ(inodeOf(path("ro.ren")), before);
  std::ifstream in(path("ro.ren"), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
}

// Two programs choose one output at once; the second acts in the moment
// after the first has opened (or created) the file and before it claims it.
// No one deletes the file, the second gets it and the first reports 75:
// whether the second still writes it or is already done with it, and
// whether the file was new or old.
TEST_F(PosixFileSystemTest, SecondOpenerBetweenCreateAndClaimWins) {
#ifndef F_OFD_SETLK
  GTEST_SKIP() << "no open-file-description locks here";
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
      std::ifstream in(full, std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "second");
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

// The first holds the output: a second opener in another process is
// refused and the file keeps what the first wrote.
TEST_F(PosixFileSystemTest, HeldOutputIsRefusedToAnotherProcess) {
#ifndef F_OFD_SETLK
  GTEST_SKIP() << "no open-file-description locks here";
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
  std::ifstream in(full, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "mine");
}

TEST_F(PosixFileSystemTest, ChangeDirectory) {
  std::filesystem::create_directory(path("sub"));
  write("file", "");
  ASSERT_EQ(fs->changeDirectory(path("sub") + "/"), 0);  // trailing "/"
  EXPECT_EQ(fs->currentDirectory(), path("sub"));
  ASSERT_EQ(fs->changeDirectory(".."), 0);
  EXPECT_EQ(fs->currentDirectory(), dir);
  EXPECT_EQ(fs->changeDirectory(path("missing")), 63);
  EXPECT_EQ(fs->changeDirectory(path("file")), 63);
  EXPECT_EQ(fs->changeDirectory(""), 63);
  EXPECT_EQ(fs->currentDirectory(), dir);
}

TEST_F(PosixFileSystemTest, DirectorySearchWildcards) {
  for (const char* name : {"1996.LOG", "1997", "2001.log", "readme.txt",
                           "a.b.c", "1996.LOG.bak"}) {
    write(name, "12345");
  }
  std::filesystem::create_directory(path("19sub"));
  ASSERT_EQ(fs->changeDirectory(dir), 0);
  using Names = std::vector<std::string>;
  EXPECT_EQ(search("*.*"), (Names{".", "..", "1996.LOG", "1996.LOG.bak", "1997",
                                  "19sub", "2001.log", "a.b.c", "readme.txt"}));
  EXPECT_EQ(search("19*.*"),
            (Names{"1996.LOG", "1996.LOG.bak", "1997", "19sub"}));
  EXPECT_EQ(search("*.LOG"), (Names{"1996.LOG", "2001.log"}));
  EXPECT_EQ(search(dir + "/*.log"), (Names{"1996.LOG", "2001.log"}));
  EXPECT_EQ(search("?99?"), (Names{"1997"}));
  EXPECT_EQ(search("*.c"), (Names{"a.b.c"}));
  EXPECT_EQ(search("readme.txt"), (Names{"readme.txt"}));
  EXPECT_EQ(search("README.TXT"), Names{});  // plain names are exact here
  EXPECT_EQ(search("*.zip"), Names{});
  EXPECT_EQ(search(path("missing") + "/*.*"), Names{});
  EXPECT_EQ(search(dir + "/"), Names{});
  EXPECT_EQ(search("19*/*.*"), Names{});  // no wildcards in folders

  DirEntry entry;
  auto found = fs->findFirst(dir + "/1997", &entry);
  ASSERT_TRUE(found);
  EXPECT_EQ(entry.name, "1997");
  EXPECT_EQ(entry.size, 5u);
  EXPECT_FALSE(entry.directory);
  EXPECT_TRUE(entry.archive);
  EXPECT_GE(entry.year, 2000);
  EXPECT_FALSE(found->next(&entry));
  ASSERT_TRUE(fs->findFirst("19s*", &entry));
  EXPECT_TRUE(entry.directory);
}

TEST(WildcardTest, FakeSearchFollowsTheSameRules) {
  using testing::FakeFileSystem;
  FakeFileSystem fake;
  fake.setFile("/logs/1996.LOG", "x");
  fake.setFile("/logs/kanbel.ren", "x");
  fake.addDirectory("/logs/1997");
  DirEntry entry;
  auto found = fake.findFirst("/logs/19*.*", &entry);
  ASSERT_TRUE(found);
  EXPECT_EQ(entry.name, "1996.LOG");
  ASSERT_TRUE(found->next(&entry));
  EXPECT_EQ(entry.name, "1997");
  EXPECT_TRUE(entry.directory);
  EXPECT_FALSE(found->next(&entry));
  ASSERT_EQ(fake.changeDirectory("/logs"), 0);
  ASSERT_TRUE(fake.findFirst("*.*", &entry));
  EXPECT_EQ(entry.name, ".");
  EXPECT_FALSE(fake.findFirst("*.log.bak", &entry));
}

}  // namespace
}  // namespace tess::platform
