// The POSIX file system: paths, reading and writing, what an open's errors
// and permissions mean, folders and the directory search.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/posix_file_system_fixture.h"
#include "tests/support/fake_file_system.h"

namespace tess::platform {
namespace {

using testing::becomeOrdinaryUser;
using testing::PosixFileSystemTest;

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

// What identifies a file: the same for every handle on it and for the file
// its path names, until another file is renamed over the path; an open file
// keeps the identity it had at its open.
TEST_F(PosixFileSystemTest, IdentityOfTheFileANameNames) {
  auto identityOf = [&](const std::string& full) -> std::optional<std::string> {
    const std::optional<FileSystem::NamedFile> named = fs->namedFile(full);
    if (!named) return std::nullopt;
    return named->identity;
  };
  write("log", "one");
  write("other", "two");
  int error = 0;
  auto log =
      fs->open(path("log"), Access::Read, Share::DenyNone, false, &error);
  ASSERT_TRUE(log) << error;
  const std::string id = log->identity();
  EXPECT_FALSE(id.empty());
  EXPECT_EQ(identityOf(path("log")), id);
  EXPECT_NE(identityOf(path("other")), id);
  // A file held against writing is still named.
  auto held = fs->open(path("other"), Access::ReadWrite, Share::DenyWrite,
                       false, &error);
  ASSERT_TRUE(held) << error;
  EXPECT_EQ(identityOf(path("other")), held->identity());
  EXPECT_EQ(identityOf(path("missing")), std::nullopt);
  EXPECT_EQ(identityOf(dir), std::nullopt);
  std::filesystem::rename(path("other"), path("log"));
  EXPECT_EQ(identityOf(path("log")), held->identity());
  EXPECT_EQ(log->identity(), id);
  EXPECT_NE(identityOf(path("log")), id);
}

// The file a name names, with its size, is found without opening it, as
// opening it for reading (the sharing marks apart) finds it: the identity
// and size of the file opened, and nothing where that opening fails.
TEST_F(PosixFileSystemTest, TheNamedFileIsWhatOpeningItFinds) {
  write("log", "twelve bytes");
  write("empty", "");
  write("held", "x");
  std::filesystem::create_directory(path("sub"));
  int error = 0;
  auto holder = fs->open(path("held"), Access::ReadWrite, Share::Exclusive,
                         false, &error);
  ASSERT_TRUE(holder) << error;
  for (const char* name :
       {"log", "empty", "held", "sub", "missing", "sub/missing", "log/x"}) {
    SCOPED_TRACE(name);
    const std::optional<FileSystem::NamedFile> named =
        fs->namedFile(path(name));
    const int fd = ::open(path(name).c_str(), O_RDONLY | O_NONBLOCK);
    struct stat st {};
    const bool found = fd >= 0 && ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    if (fd >= 0) ::close(fd);
    ASSERT_EQ(named.has_value(), found);
    if (!found) continue;
    EXPECT_EQ(named->identity,
              std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino));
    EXPECT_EQ(named->size, static_cast<uint64_t>(st.st_size));
  }
  EXPECT_EQ(fs->namedFile(path("held"))->identity, holder->identity());
  EXPECT_EQ(fs->namedFile(path("log"))->size, 12u);
}

// Whether a file may be read is asked without opening it, and gives the
// error that opening it for reading gives; only another opener's hold shows
// at the open alone.
TEST_F(PosixFileSystemTest, TheReadErrorIsTheErrorOfOpeningForReading) {
  write("log", "twelve bytes");
  write("held", "x");
  std::filesystem::create_symlink(path("loop"), path("loop"));
  int error = 0;
  auto holder = fs->open(path("held"), Access::ReadWrite, Share::Exclusive,
                         false, &error);
  ASSERT_TRUE(holder) << error;
  for (const char* name : {"log", "missing", "nofolder/x", "log/x", "loop"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(fs->readError(path(name)),
              openError(path(name), Access::Read, Share::DenyNone));
  }
  EXPECT_EQ(fs->readError(path("log")), 0);
  EXPECT_EQ(fs->readError(path("held")), 0);
  EXPECT_EQ(openError(path("held"), Access::Read, Share::DenyNone), 75);
}

// A file the user may not read is not found by its name, as an ordinary
// user sees it (in a child process, as below).
TEST_F(PosixFileSystemTest, AnUnreadableFileIsNotFoundByItsName) {
  write("file", "x");
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  ASSERT_EQ(chmod(path("file").c_str(), 0), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!becomeOrdinaryUser()) _exit(2);
    if (access(path("file").c_str(), R_OK) == 0) _exit(4);
    _exit(fs->namedFile(path("file")) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  ASSERT_NE(WEXITSTATUS(status), 2)
      << "cannot give up the superuser's privileges";
  ASSERT_NE(WEXITSTATUS(status), 4) << "the permissions do not stop this user";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the unreadable file was found";
  // The owner, who may read it again, finds it.
  ASSERT_EQ(chmod(path("file").c_str(), 0600), 0);
  EXPECT_TRUE(fs->namedFile(path("file")));
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

// What permissions refuse, as an ordinary user sees it: the opens run in a
// child process with an ordinary user's rights (the superuser's child gives
// up its privileges first).
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
  constexpr int kNotDropped = 2;
  constexpr int kNotRefused = 4;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    if (!becomeOrdinaryUser()) _exit(kNotDropped);
    // The state under test: this process may use neither file.
    for (const Case& c : cases) {
      if (access(c.full.c_str(), R_OK) == 0 ||
          access(c.full.c_str(), W_OK) == 0) {
        _exit(kNotRefused);
      }
    }
    for (const Case& c : cases) {
      int error = 0;
      auto file = fs->open(
          c.full, c.access,
          c.access == Access::Read ? Share::DenyNone : Share::DenyWrite, false,
          &error);
      // Asked without opening, reading gives the same error.
      if (c.access == Access::Read && fs->readError(c.full) != error) {
        error = -2;
      }
      if (::write(fds[1], &error, sizeof error) != sizeof error) _exit(3);
    }
    _exit(0);
  }
  close(fds[1]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  ASSERT_NE(WEXITSTATUS(status), kNotDropped)
      << "cannot give up the superuser's privileges";
  ASSERT_NE(WEXITSTATUS(status), kNotRefused)
      << "the permissions do not stop this user";
  ASSERT_EQ(WEXITSTATUS(status), 0);
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
  ASSERT_TRUE(std::filesystem::exists("/dev/full")) << "no full disk here";
  int error = -1;
  auto file =
      fs->open("/dev/full", Access::Write, Share::DenyNone, false, &error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(file->write("x", 1), 67);
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
