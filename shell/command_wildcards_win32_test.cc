// The logs' wildcards on the real Windows file system, where names are
// Shift-JIS and the second byte of 表 (0x95 0x5C) and ソ (0x83 0x5C) is the
// separator "\": a pattern that starts with such a character expands in
// its own folder, never in one cut from the middle of the character.
#if defined(_WIN32)

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/code_page.h"
#include "shell/command_driver.h"
#include "tests/support/sjis.h"
#include "tests/support/windows_folders.h"

namespace tess {
namespace {

using tess::testing::removeTree;
using tess::testing::sjis;
using tess::testing::wide;

class WindowsWildcards : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    ASSERT_GT(length, 0u);
    top_ = std::string(temp, length) + "tessarine-wildcards-" +
           std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(wide(top_).c_str(), nullptr)) << top_;
    fs_ = platform::makeRealFileSystem();
    saved_ = fs_->currentDirectory();
  }

  void TearDown() override {
    if (fs_) fs_->changeDirectory(saved_);
    removeTree(wide(top_));
  }

  void makeFolder(const std::string& full) {
    ASSERT_TRUE(CreateDirectoryW(wide(full).c_str(), nullptr)) << full;
  }

  void makeFile(const std::string& full) {
    int error = -1;
    auto file = fs_->open(full, platform::Access::Write,
                          platform::Share::DenyWrite, true, &error);
    ASSERT_EQ(error, 0) << full;
    ASSERT_TRUE(file);
    ASSERT_EQ(file->write("x", 1), 0);
    ASSERT_EQ(file->close(), 0);
  }

  std::string top_;
  std::string saved_;
  std::unique_ptr<platform::FileSystem> fs_;
};

TEST_F(WindowsWildcards, PatternsOfCharactersEndingInABackslashByte) {
  ASSERT_EQ(sjis("表"), "\x95\x5C");
  ASSERT_EQ(sjis("ソ"), "\x83\x5C");
  // The logs' folder ends in 表 itself, and the folder above it holds
  // names that the patterns match too. A pattern cut after the 0x5C of its
  // first character would be looked for as "表*" or "ソ*" and give names
  // behind a folder part that ends in half a character.
  const std::string folder = top_ + "\\" + sjis("ログ表") + "\\";
  makeFolder(folder);
  for (const char* name : {"表19970823.LOG", "表19970822.LOG", "ソ19970823.LOG",
                           "ソ十.LOG", "19970823表.LOG", "表.TXT"}) {
    makeFile(folder + sjis(name));
  }
  makeFile(top_ + "\\" + sjis("表19970821.LOG"));
  makeFile(top_ + "\\" + sjis("ソ19970821.LOG"));

  struct Case {
    const char* pattern;
    std::vector<const char*> found;  // in the folder, in name order
  };
  const Case cases[] = {
      {"表*.LOG", {"表19970822.LOG", "表19970823.LOG"}},
      {"ソ*.LOG", {"ソ19970823.LOG", "ソ十.LOG"}},
  };
  ASSERT_EQ(fs_->changeDirectory(folder), 0);
  for (const Case& c : cases) {
    std::vector<std::string> full;
    std::vector<std::string> relative;
    for (const char* name : c.found) {
      full.push_back(folder + sjis(name));
      relative.push_back(sjis(name));
    }
    EXPECT_EQ(expandWildcards({folder + sjis(c.pattern)}, *fs_), full)
        << c.pattern << " in the folder named in full";
    EXPECT_EQ(expandWildcards({sjis(c.pattern)}, *fs_), relative)
        << c.pattern << " in the current folder";
  }
}

}  // namespace
}  // namespace tess

#endif  // defined(_WIN32)
