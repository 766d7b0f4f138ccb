// The Windows file system on the real OS: each test works in a fresh folder
// under the temporary folder.
#include "platform/win32/file_system_win32.h"

#include <windows.h>

#include <set>
#include <string>

#include "gtest/gtest.h"
#include "platform/file_system.h"
#include "platform/win32/code_page.h"
#include "tests/support/sjis.h"
#include "tests/support/windows_folders.h"

namespace tess::platform {
namespace {

using tess::testing::removeTree;
using tess::testing::wide;

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof temp, temp);
    ASSERT_GT(length, 0u);
    folder_ = std::string(temp, length) + "tessarine-test-" +
              std::to_string(GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    fs_ = makeRealFileSystem();
    savedDirectory_ = fs_->currentDirectory();
  }

  void TearDown() override {
    SetCurrentDirectoryA(savedDirectory_.c_str());
    removeTree(wide(folder_));
  }

  std::string path(const std::string& name) const {
    return folder_ + "\\" + name;
  }

  void writeFile(const std::string& full, const std::string& bytes) {
    int error = -1;
    auto file = fs_->open(full, Access::Write, Share::DenyWrite, true, &error);
    ASSERT_EQ(error, 0) << full;
    ASSERT_TRUE(file);
    ASSERT_EQ(file->write(bytes.data(), bytes.size()), 0);
    ASSERT_EQ(file->close(), 0);
  }

  std::string readFile(const std::string& full) {
    int error = -1;
    auto file = fs_->open(full, Access::Read, Share::DenyNone, false, &error);
    EXPECT_EQ(error, 0) << full;
    if (!file) return "<cannot open>";
    std::string all;
    char chunk[7];
    size_t got = 0;
    do {
      EXPECT_EQ(file->read(chunk, sizeof chunk, &got), 0);
      all.append(chunk, got);
    } while (got > 0);
    return all;
  }

  std::set<std::string> search(const std::string& pattern) {
    std::set<std::string> names;
    DirEntry entry;
    auto found = fs_->findFirst(pattern, &entry);
    if (!found) return names;
    do {
      if (entry.name != "." && entry.name != "..") names.insert(entry.name);
    } while (found->next(&entry));
    return names;
  }

  std::string folder_;
  std::string savedDirectory_;
  std::unique_ptr<FileSystem> fs_;
};

TEST_F(Win32FileSystemTest, WritesReadsSeeksAndMeasures) {
  const std::string file = path("a.log");
  EXPECT_FALSE(fs_->exists(file));
  writeFile(file, "ABC\r\nDEF\x1a");
  EXPECT_TRUE(fs_->exists(file));

  int error = -1;
  auto in = fs_->open(file, Access::Read, Share::DenyNone, false, &error);
  ASSERT_TRUE(in);
  uint64_t size = 0;
  ASSERT_EQ(in->size(&size), 0);
  EXPECT_EQ(size, 9u);
  char buffer[16];
  size_t got = 0;
  ASSERT_EQ(in->read(buffer, 3, &got), 0);
  EXPECT_EQ(std::string(buffer, got), "ABC");
  ASSERT_EQ(in->seek(5), 0);
  ASSERT_EQ(in->read(buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(std::string(buffer, got), "DEF\x1a");
  ASSERT_EQ(in->read(buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(got, 0u) << "the physical end reads nothing";
  EXPECT_EQ(in->write("X", 1), 75) << "a read-only handle refuses writes";
  EXPECT_EQ(in->close(), 0);
  EXPECT_EQ(in->close(), 0) << "closing twice is harmless";

  // Read and write on one handle: overwrite the final byte, as an append
  // does with the end-of-file mark.
  auto both =
      fs_->open(file, Access::ReadWrite, Share::DenyWrite, false, &error);
  ASSERT_TRUE(both);
  ASSERT_EQ(both->seek(8), 0);
  ASSERT_EQ(both->write("GH\x1a", 3), 0);
  ASSERT_EQ(both->size(&size), 0);
  EXPECT_EQ(size, 11u);
  both.reset();  // the destructor releases the handle
  EXPECT_EQ(readFile(file), "ABC\r\nDEFGH\x1a");
}

TEST_F(Win32FileSystemTest, CreatingKeepsAnExistingFile) {
  const std::string file = path("kanbel.ren");
  writeFile(file, "old");
  int error = -1;
  auto again =
      fs_->open(file, Access::ReadWrite, Share::DenyWrite, true, &error);
  ASSERT_TRUE(again);
  uint64_t size = 0;
  ASSERT_EQ(again->size(&size), 0);
  EXPECT_EQ(size, 3u);
  again.reset();
  EXPECT_EQ(readFile(file), "old");
}

TEST_F(Win32FileSystemTest, SharingFollowsTheShareMode) {
  const std::string file = path("out.ren");
  writeFile(file, "x");
  int error = -1;
  auto held = fs_->open(file, Access::Write, Share::DenyWrite, false, &error);
  ASSERT_TRUE(held);

  // Another writer is refused, through this layer and through the OS.
  auto writer = fs_->open(file, Access::Write, Share::DenyNone, false, &error);
  EXPECT_FALSE(writer);
  EXPECT_EQ(error, 75);
  HANDLE raw = CreateFileA(file.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(raw, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (raw != INVALID_HANDLE_VALUE) CloseHandle(raw);

  // A reader that lets the holder write may read along.
  auto reader = fs_->open(file, Access::Read, Share::DenyNone, false, &error);
  EXPECT_TRUE(reader);
  EXPECT_EQ(error, 0);
  reader.reset();

  // Once released, the file can be written again.
  ASSERT_EQ(held->close(), 0);
  writer = fs_->open(file, Access::Write, Share::DenyNone, false, &error);
  EXPECT_TRUE(writer);
  EXPECT_EQ(error, 0);
}

TEST_F(Win32FileSystemTest, ExclusiveAndDenyReadHolders) {
  const std::string file = path("held.log");
  writeFile(file, "x");
  int error = -1;
  auto exclusive =
      fs_->open(file, Access::Read, Share::Exclusive, false, &error);
  ASSERT_TRUE(exclusive);
  auto reader = fs_->open(file, Access::Read, Share::DenyNone, false, &error);
  EXPECT_FALSE(reader);
  EXPECT_EQ(error, 75);
  EXPECT_TRUE(fs_->exists(file)) << "a held file still exists";
  exclusive.reset();

  auto denyRead = fs_->open(file, Access::Read, Share::DenyRead, false, &error);
  ASSERT_TRUE(denyRead);
  reader = fs_->open(file, Access::Read, Share::DenyNone, false, &error);
  EXPECT_FALSE(reader);
  EXPECT_EQ(error, 75);
  auto writer = fs_->open(file, Access::Write, Share::DenyNone, false, &error);
  EXPECT_TRUE(writer) << "deny-read lets others write";
}

TEST_F(Win32FileSystemTest, OpenFailuresBecomeRunTimeErrors) {
  int error = -1;
  EXPECT_FALSE(fs_->open(path("missing.log"), Access::Read, Share::DenyNone,
                         false, &error));
  EXPECT_EQ(error, 63) << "a missing file";
  EXPECT_FALSE(fs_->open(path("no-such-folder\\out.ren"), Access::Write,
                         Share::DenyWrite, true, &error));
  EXPECT_EQ(error, 55) << "a missing folder";
  EXPECT_FALSE(
      fs_->open(folder_, Access::Read, Share::DenyNone, false, &error));
  EXPECT_EQ(error, 75) << "a folder is not a file";
  EXPECT_FALSE(fs_->exists(folder_));
  EXPECT_FALSE(fs_->open(path(std::string("a\0b", 3)), Access::Write,
                         Share::DenyWrite, true, &error));
  EXPECT_EQ(error, 55) << "a zero byte would cut the name short";
  EXPECT_FALSE(fs_->exists(path("a")));
}

TEST(Win32ErrorTables, BoundariesOfTheRanges) {
  using win32::openErrorNumber;
  using win32::readWriteErrorNumber;
  // At open the device range 20..30 has holes for 21, 26 and 28.
  EXPECT_EQ(openErrorNumber(20), 53);
  EXPECT_EQ(openErrorNumber(21), 72);
  EXPECT_EQ(openErrorNumber(25), 53);
  EXPECT_EQ(openErrorNumber(26), 71);
  EXPECT_EQ(openErrorNumber(28), 27);
  EXPECT_EQ(openErrorNumber(30), 53);
  EXPECT_EQ(openErrorNumber(31), 27);
  EXPECT_EQ(openErrorNumber(82), 65);
  EXPECT_EQ(openErrorNumber(112), 27);
  // The same codes mean other things once the file is open.
  EXPECT_EQ(readWriteErrorNumber(2), 63);
  EXPECT_EQ(readWriteErrorNumber(3), 63);
  EXPECT_EQ(readWriteErrorNumber(18), 67);
  EXPECT_EQ(readWriteErrorNumber(21), 72);
  EXPECT_EQ(readWriteErrorNumber(30), 54);
  EXPECT_EQ(readWriteErrorNumber(112), 67);
  EXPECT_EQ(readWriteErrorNumber(113), 66);
  EXPECT_EQ(readWriteErrorNumber(114), 27);
  EXPECT_EQ(readWriteErrorNumber(0), 27);
}

TEST_F(Win32FileSystemTest, DirectorySearchUsesTheDialogWildcards) {
  for (const char* name : {"1997.LOG", "19980101.TXT", "2001.LOG", "a.txt"}) {
    writeFile(path(name), "x");
  }
  ASSERT_TRUE(CreateDirectoryA(path("1999").c_str(), nullptr));

  EXPECT_EQ(search(path("*.*")),
            (std::set<std::string>{"1997.LOG", "19980101.TXT", "1999",
                                   "2001.LOG", "a.txt"}));
  EXPECT_EQ(search(path("19*.*")),
            (std::set<std::string>{"1997.LOG", "19980101.TXT", "1999"}));
  EXPECT_EQ(search(path("*.LOG")),
            (std::set<std::string>{"1997.LOG", "2001.LOG"}));
  EXPECT_TRUE(search(path("30*.*")).empty());

  DirEntry entry;
  auto one = fs_->findFirst(path("1997.LOG"), &entry);
  ASSERT_TRUE(one);
  EXPECT_EQ(entry.name, "1997.LOG") << "the name comes without its folder";
  EXPECT_EQ(entry.size, 1u);
  EXPECT_FALSE(entry.directory);
  EXPECT_GE(entry.year, 2000);
  EXPECT_FALSE(one->next(&entry));
  EXPECT_FALSE(one->next(&entry)) << "an ended search stays ended";

  auto folder = fs_->findFirst(path("1999"), &entry);
  ASSERT_TRUE(folder);
  EXPECT_TRUE(entry.directory);
}

TEST_F(Win32FileSystemTest, CurrentDirectoryAndFullPaths) {
  ASSERT_EQ(fs_->changeDirectory(folder_ + "\\"), 0)
      << "a trailing separator is accepted";
  std::string current = fs_->currentDirectory();
  EXPECT_TRUE(fs_->samePath(current, folder_)) << current;

  std::string full;
  ASSERT_TRUE(fs_->fullPath("kanbel.ren", &full));
  EXPECT_TRUE(fs_->samePath(full, path("kanbel.ren"))) << full;
  ASSERT_TRUE(fs_->fullPath("sub\\..\\x.log", &full));
  EXPECT_TRUE(fs_->samePath(full, path("x.log"))) << full;
  EXPECT_FALSE(fs_->fullPath("", &full));
  EXPECT_FALSE(fs_->fullPath(std::string("a\0b", 3), &full));

  EXPECT_EQ(fs_->changeDirectory(path("no-such-folder")), 63);
  EXPECT_TRUE(fs_->samePath(fs_->currentDirectory(), folder_))
      << "a failed change keeps the current directory";
}

TEST_F(Win32FileSystemTest, SamePathIgnoresLetterCaseOnly) {
  EXPECT_TRUE(fs_->samePath("C:\\Logs\\Kanbel.REN", "c:\\LOGS\\kanbel.ren"));
  EXPECT_FALSE(fs_->samePath("C:\\Logs\\a.ren", "C:\\Logs\\b.ren"));
  EXPECT_FALSE(fs_->samePath("C:\\Logs\\a.ren", "C:\\Logs\\a.ren "));
  // "ア" (0x83 0x41) and "ヂ" (0x83 0x61) differ only in a trail byte that
  // looks like a letter of the other case: they are not the same.
  EXPECT_FALSE(fs_->samePath("C:\\\x83\x41.ren", "C:\\\x83\x61.ren"));
}

TEST_F(Win32FileSystemTest, RemovesFiles) {
  const std::string file = path("old.ren");
  writeFile(file, "x");
  EXPECT_EQ(fs_->removeFile(file), 0);
  EXPECT_FALSE(fs_->exists(file));
  EXPECT_EQ(fs_->removeFile(file), 75);
}

// Whatever the system's ANSI code page is.
TEST_F(Win32FileSystemTest, ShiftJisTrailBackslashInFolderNames) {
  // "ソ" is 0x83 0x5C: its second byte is the backslash.
  const std::string soft = tess::testing::sjis("ソフト");
  ASSERT_EQ(soft.substr(0, 2), "\x83\x5c");
  const std::string dir = path(soft);
  ASSERT_TRUE(CreateDirectoryW(wide(dir).c_str(), nullptr));
  const std::string name = tess::testing::sjis("表示.LOG");
  writeFile(dir + "\\" + name, "log\r\n");

  EXPECT_EQ(search(dir + "\\*.LOG"), (std::set<std::string>{name}));
  EXPECT_EQ(search(path("*.*")), (std::set<std::string>{soft}));
  EXPECT_EQ(readFile(dir + "\\" + name), "log\r\n");

  ASSERT_EQ(fs_->changeDirectory(dir), 0);
  std::string full;
  ASSERT_TRUE(fs_->fullPath(name, &full));
  EXPECT_EQ(full, dir + "\\" + name);
  EXPECT_TRUE(fs_->exists(full));
  EXPECT_EQ(readFile(name), "log\r\n");
}

// A new output over an existing file rewrites that file in place under its
// share mode; a read-only file, a file another writer holds and a device
// are refused and left alone.
TEST_F(Win32FileSystemTest, ReplacingRewritesInPlaceOnlyWhatMayBeWritten) {
  const std::string file = path("kanbel.ren");
  writeFile(file, "old content");
  int error = -1;
  auto before = fs_->open(file, Access::Read, Share::DenyNone, false, &error);
  ASSERT_TRUE(before);
  const std::string identity = before->identity();
  EXPECT_FALSE(identity.empty());
  before.reset();

  auto replaced = fs_->openForReplacing(file, Share::DenyWrite, &error);
  ASSERT_TRUE(replaced) << error;
  EXPECT_EQ(replaced->identity(), identity);
  // Held: another writer is refused before anything is emptied.
  EXPECT_FALSE(fs_->openForReplacing(file, Share::DenyWrite, &error));
  EXPECT_EQ(error, 75);
  ASSERT_EQ(replaced->truncate(0), 0);
  ASSERT_EQ(replaced->write("new", 3), 0);
  ASSERT_EQ(replaced->close(), 0);
  EXPECT_EQ(readFile(file), "new");
  EXPECT_EQ(fs_->kindOf(file), FileKind::Regular);
  EXPECT_EQ(fs_->kindOf(folder_), FileKind::Directory);
  EXPECT_EQ(fs_->kindOf(path("missing")), FileKind::Missing);

  const std::string readOnly = path("ro.ren");
  writeFile(readOnly, "keep");
  ASSERT_TRUE(
      SetFileAttributesW(wide(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(fs_->openForReplacing(readOnly, Share::DenyWrite, &error));
  EXPECT_EQ(error, 75);
  EXPECT_EQ(readFile(readOnly), "keep");

  EXPECT_FALSE(fs_->openForReplacing(path("NUL"), Share::DenyWrite, &error));
  EXPECT_EQ(error, kNotRegularFileError);
  EXPECT_FALSE(fs_->openForReplacing(folder_, Share::DenyWrite, &error));
  EXPECT_EQ(error, 75);
}

// A file whose name Shift-JIS cannot hold is never reached under another
// name: the search leaves it out, and "?" in its place names nothing.
TEST_F(Win32FileSystemTest, NamesShiftJisCannotHoldAreSkipped) {
  const std::wstring folder = wide(folder_);
  for (const wchar_t* name :
       {L"caf\u00E9.LOG", L"1997.LOG", L"\u00E9t\u00E9.LOG", L"\u8868.LOG"}) {
    HANDLE file =
        CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }
  EXPECT_EQ(search(path("*.LOG")),
            (std::set<std::string>{"1997.LOG", tess::testing::sjis("表.LOG")}));
  DirEntry entry;
  EXPECT_FALSE(fs_->findFirst(path("caf*.LOG"), &entry))
      << "only an unusable name matches: nothing is found";
  EXPECT_FALSE(fs_->exists(path("caf?.LOG")));
  EXPECT_FALSE(fs_->exists(path("cafe.LOG")));
  int error = 0;
  EXPECT_FALSE(fs_->open(path("\x85\x40.LOG"), Access::Read, Share::DenyNone,
                         false, &error))
      << "bytes that are no Shift-JIS text name no file";
  EXPECT_EQ(error, 55);
}

}  // namespace
}  // namespace tess::platform
