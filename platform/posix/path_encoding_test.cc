// File names between the file system's UTF-8 and the program's Shift-JIS:
// Japanese names both ways, old Shift-JIS names taken as they are, names
// that neither can hold left out of listings.
#include "platform/posix/path_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/fake_file_system.h"
#include "tests/support/sjis.h"

namespace tess::platform {
namespace {

using tess::testing::FakeFileSystem;
using tess::testing::sjis;

const std::string kUtf8Name = "1997年8月のフォーラム記録.LOG";
const std::string kOldName = sjis("19日本.LOG");  // Shift-JIS bytes on disk
const std::string kNeither = "\xFF\xFE.LOG";      // neither charset's

TEST(PathEncodingTest, ConvertsComponentByComponent) {
  PathEncoding e("UTF-8");
  EXPECT_EQ(e.toSjis("/jp/" + kUtf8Name), sjis("/jp/" + kUtf8Name));
  EXPECT_EQ(e.toNative(sjis("/jp/" + kUtf8Name)), "/jp/" + kUtf8Name);
  EXPECT_EQ(e.toSjis("/a/b.log"), "/a/b.log");
  // An old Shift-JIS name is not UTF-8: it stays as it is.
  EXPECT_EQ(e.toSjis("/jp/" + kOldName), "/jp/" + kOldName);
  // A UTF-8 folder with an old name inside.
  EXPECT_EQ(e.toSjis("/日本/" + kOldName), sjis("/日本/") + kOldName);
  // Neither charset: no name; UTF-8 that Shift-JIS cannot hold, and one
  // that would come back as another character, neither.
  EXPECT_EQ(e.toSjis("/jp/" + kNeither), std::nullopt);
  EXPECT_EQ(e.toSjis("/jp/\xF0\x9F\x98\x80.log"), std::nullopt);
  EXPECT_EQ(e.toSjis("/jp/\xE3\x80\x9C.log"), std::nullopt);  // U+301C
}

class EncodingFileSystemTest : public ::testing::Test {
 protected:
  EncodingFileSystemTest() {
    auto fake = std::make_unique<FakeFileSystem>();
    disk = fake.get();
    disk->setFile("/jp/" + kUtf8Name, "new");
    disk->setFile("/jp/" + kOldName, "old");
    disk->setFile("/jp/" + kNeither, "odd");
    disk->setFile("/jp/出力/a.ren", "out");
    fs = std::make_unique<EncodingFileSystem>(std::move(fake), "UTF-8");
  }
  std::vector<std::string> names(const std::string& pattern) {
    std::vector<std::string> found;
    DirEntry entry;
    auto search = fs->findFirst(pattern, &entry);
    if (!search) return found;
    do {
      if (entry.name != "." && entry.name != "..") found.push_back(entry.name);
    } while (search->next(&entry));
    return found;
  }
  FakeFileSystem* disk = nullptr;
  std::unique_ptr<EncodingFileSystem> fs;
};

TEST_F(EncodingFileSystemTest, ListsOpensAndCreatesInShiftJis) {
  std::vector<std::string> listed = names("/jp/*");
  std::sort(listed.begin(), listed.end());
  std::vector<std::string> expected = {"", sjis("出力"), kOldName,
                                       sjis(kUtf8Name)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);

  int error = -1;
  for (const std::string& name : {sjis(kUtf8Name), kOldName}) {
    EXPECT_TRUE(fs->exists("/jp/" + name));
    auto file =
        fs->open("/jp/" + name, Access::Read, Share::DenyNone, false, &error);
    ASSERT_NE(file, nullptr);
    file->close();
  }
  ASSERT_NE(fs->open(sjis("/jp/出力/新.ren"), Access::Write, Share::DenyNone,
                     true, &error),
            nullptr);
  EXPECT_TRUE(disk->hasFile("/jp/出力/新.ren"));
  // A new output is claimed under its native name, and what it is asked of
  // is answered for that name.
  ASSERT_NE(
      fs->openForReplacing(sjis("/jp/出力/替.ren"), Share::DenyWrite, &error),
      nullptr);
  EXPECT_TRUE(disk->hasFile("/jp/出力/替.ren"));
  EXPECT_EQ(fs->kindOf(sjis("/jp/" + kUtf8Name)), FileKind::Regular);
  EXPECT_EQ(fs->kindOf(sjis("/jp/出力")), FileKind::Directory);
  // Whether a log may be read is asked under its native name, unopened.
  const size_t opens = disk->opens().size();
  EXPECT_EQ(fs->readError(sjis("/jp/" + kUtf8Name)), 0);
  EXPECT_EQ(fs->readError(sjis("/jp/無い.log")), 63);
  EXPECT_EQ(disk->readErrorCalls(), 2u);
  EXPECT_EQ(disk->opens().size(), opens);

  EXPECT_EQ(fs->changeDirectory(sjis("/jp/出力")), 0);
  EXPECT_EQ(fs->currentDirectory(), sjis("/jp/出力"));
  std::string full;
  ASSERT_TRUE(fs->fullPath("a.ren", &full));
  EXPECT_EQ(full, sjis("/jp/出力/a.ren"));
  // The path limit counts Shift-JIS bytes: two per kanji here.
  EXPECT_EQ(full.size(), 14u);
}

}  // namespace
}  // namespace tess::platform
