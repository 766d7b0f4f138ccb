// The folder and name parts of Shift-JIS paths, with separators that are
// the second byte of a double-byte character among them.
#include "runtime/path_walk.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/sjis.h"

namespace tess {
namespace {

using tess::testing::sjis;

bool windowsSeparator(unsigned char byte) {
  return byte == '\\' || byte == '/' || byte == ':';
}
bool posixSeparator(unsigned char byte) { return byte == '/'; }

struct SplitCase {
  const char* what;
  std::string path;
  std::string folder;
};

TEST(PathWalk, WindowsPathsSplitAtCharactersNeverInsideOne) {
  // 表 and ソ end in 0x5C, the backslash; 能 in 0x5C too; ア in 0x41.
  const SplitCase cases[] = {
      {"a name alone", "NIFTY.LOG", ""},
      {"a name of 表", sjis("19970823表.LOG"), ""},
      {"a name that ends in ソ", sjis("19ソ"), ""},
      {"a folder and a name", "C:\\LOGS\\NIFTY.LOG", "C:\\LOGS\\"},
      {"a folder of 表 and a plain name", sjis("C:\\表\\NIFTY.LOG"),
       sjis("C:\\表\\")},
      {"a folder of ソ and a name of 表", sjis("Z:\\ソフト\\19*表.LOG"),
       sjis("Z:\\ソフト\\")},
      {"a wildcard among ソ", sjis("ログ能\\*ソ*.LOG"), sjis("ログ能\\")},
      {"a folder that ends in 表 and a separator", sjis("D:\\LOGS\\表\\"),
       sjis("D:\\LOGS\\表\\")},
      {"a name that ends in 表 after a folder", sjis("D:\\LOGS\\表"),
       "D:\\LOGS\\"},
      {"a drive and a name", "D:a.log", "D:"},
      {"forward slashes", "C:/logs/a.log", "C:/logs/"},
      {"a root", "\\", "\\"},
      {"an empty path", "", ""},
      {"a lead byte cut off at the end", "C:\\LOGS\\a\x95", "C:\\LOGS\\"},
      {"a half-width katakana is one byte", sjis("C:\\ｿ\\x"), sjis("C:\\ｿ\\")},
  };
  for (const SplitCase& c : cases) {
    const PathParts parts = splitPath(c.path, windowsSeparator);
    EXPECT_EQ(parts.folder, c.folder) << c.what;
    EXPECT_EQ(std::string(parts.folder) + std::string(parts.name), c.path)
        << c.what;
    EXPECT_EQ(pathNameStart(c.path, windowsSeparator), c.folder.size())
        << c.what;
  }
}

TEST(PathWalk, OnlyTheCallersSeparatorsSplit) {
  EXPECT_EQ(pathNameStart("/logs/a.log", posixSeparator), 6u);
  EXPECT_EQ(pathNameStart("dir\\name", posixSeparator), 0u);
  EXPECT_EQ(pathNameStart("D:a", posixSeparator), 0u);
  EXPECT_EQ(pathNameStart(sjis("/ログ/表.LOG"), posixSeparator),
            sjis("/ログ/").size());
}

}  // namespace
}  // namespace tess
