// The real POSIX file system in a fresh temporary folder, and what its tests
// share: an ordinary user's rights for the cases that permissions decide,
// inodes, and an opening for replacing.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/file_system_posix.h"

namespace tess::testing {

// The user and group an ordinary user's cases run as when the tests run as
// the superuser (nobody, nogroup).
inline constexpr uid_t kOrdinaryUser = 65534;

// In a child process: gives up the superuser's privileges for
// kOrdinaryUser, so that permissions stop this process as they stop an
// ordinary user. An ordinary user keeps its own rights. False when the
// privileges cannot be given up.
inline bool becomeOrdinaryUser() {
  if (geteuid() != 0) return true;
  return setgroups(0, nullptr) == 0 &&
         setresgid(kOrdinaryUser, kOrdinaryUser, kOrdinaryUser) == 0 &&
         setresuid(kOrdinaryUser, kOrdinaryUser, kOrdinaryUser) == 0 &&
         geteuid() == kOrdinaryUser;
}

// The inode a path names (following links); 0 when nothing is there.
inline ino_t inodeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// The bytes of a file, read past the file system under test.
inline std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Opens for replacing, empties and writes "new"; the error, 0 on success.
inline int replaceWithNew(platform::FileSystem& fs, const std::string& full) {
  int error = -1;
  auto file = fs.openForReplacing(full, platform::Share::DenyWrite, &error);
  EXPECT_EQ(file == nullptr, error != 0);
  if (!file) return error;
  EXPECT_EQ(file->truncate(0), 0);
  EXPECT_EQ(file->write("new", 3), 0);
  EXPECT_EQ(file->close(), 0);
  return 0;
}

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
  int openError(const std::string& full, platform::Access access,
                platform::Share share, bool create = false) {
    int error = -1;
    auto file = fs->open(full, access, share, create, &error);
    EXPECT_EQ(file == nullptr, error != 0);
    return error;
  }
  std::vector<std::string> search(const std::string& pattern) {
    std::vector<std::string> names;
    platform::DirEntry entry;
    auto found = fs->findFirst(pattern, &entry);
    if (!found) return names;
    do {
      names.push_back(entry.name);
    } while (found->next(&entry));
    return names;
  }

  std::string dir;
  std::filesystem::path previous;
  std::unique_ptr<platform::FileSystem> fs = platform::makeRealFileSystem();
};

}  // namespace tess::testing
