// Shift-JIS characters: lead and trail bytes, the length of a character,
// and the folder and name parts of paths with separators that are the
// second byte of a double-byte character among them.
#include "platform/shift_jis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/sjis.h"

namespace tess::platform {
namespace {

using tess::testing::sjis;

bool windowsSeparator(unsigned char byte) {
  return byte == '\\' || byte == '/' || byte == ':';
}
bool posixSeparator(unsigned char byte) { return byte == '/'; }

TEST(ShiftJis, LeadAndTrailBytesAtTheEdgesOfTheirRanges) {
  struct Case {
    unsigned char byte;
    bool lead;
    bool trail;
  };
  const Case cases[] = {
      {0x00, false, false}, {0x3F, false, false}, {0x40, false, true},
      {0x5C, false, true},  {0x7E, false, true},  {0x7F, false, false},
      {0x80, false, true},  {0x81, true, true},   {0x9F, true, true},
      {0xA0, false, true},  {0xA1, false, true},  {0xDF, false, true},
      {0xE0, true, true},   {0xEF, true, true},   {0xFC, true, true},
      {0xFD, false, false}, {0xFF, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isLeadByte(c.byte), c.lead) << int{c.byte};
    EXPECT_EQ(isTrailByte(c.byte), c.trail) << int{c.byte};
  }
}

TEST(ShiftJis, CharacterLengths) {
  // 表 is 0x95 0x5C, ｿ (half-width) 0xBF, 十 0x8F 0x5C.
  const std::string text = sjis("a表ｿ十") + "\x95";
  std::vector<size_t> lengths;
  for (size_t i = 0; i < text.size(); i += charLengthAt(text, i)) {
    lengths.push_back(charLengthAt(text, i));
  }
  EXPECT_EQ(lengths, (std::vector<size_t>{1, 2, 1, 2, 1}))
      << "a lead byte in the last place stands alone";
  // Two lead bytes in a row are one character: the second is a trail byte.
  EXPECT_EQ(charLengthAt("\x81\x81", 0), 2u);
}

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
      {"names of 予 and 十 after a folder of 能", sjis("能\\予十.LOG"),
       sjis("能\\")},
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
}  // namespace tess::platform
