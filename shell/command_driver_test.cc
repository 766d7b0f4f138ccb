// The logs' wildcards on Windows, where names are Shift-JIS and the second
// byte of many characters (表, ソ, 能, 予, 十, 申) is the separator "\".
#include "shell/command_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/wildcard.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using testing::FakeFileSystem;
using testing::sjis;

TEST(ExpandWildcards, NamesAndFoldersWithASeparatorAsSecondByte) {
  FakeFileSystem fs(FakeFileSystem::Style::Windows);
  const std::string folder = sjis("C:\\ログ表\\");
  for (const char* name : {"19970823表.LOG", "19970822表.LOG", "19970823ソ.LOG",
                           "ソ19970823ソ.LOG", "19970823能.LOG", "19970823.LOG",
                           "表19970823.TXT"}) {
    fs.setFile(folder + sjis(name), "x");
  }
  // The same names one folder up must not be taken.
  fs.setFile(sjis("C:\\19970821表.LOG"), "x");
  fs.setFile(sjis("C:\\ソ.LOG"), "x");
  fs.changeDirectory(folder);

  struct Case {
    const char* pattern;
    std::vector<const char*> found;  // in the folder, in name order
  };
  const Case cases[] = {
      {"19*表.LOG", {"19970822表.LOG", "19970823表.LOG"}},
      {"*ソ*.LOG", {"19970823ソ.LOG", "ソ19970823ソ.LOG"}},
      {"*能.LOG", {"19970823能.LOG"}},
      {"表*", {"表19970823.TXT"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> full;
    std::vector<std::string> relative;
    for (const char* name : c.found) {
      full.push_back(folder + sjis(name));
      relative.push_back(sjis(name));
    }
    EXPECT_EQ(expandWildcards({folder + sjis(c.pattern)}, fs), full)
        << c.pattern << " in the folder named in full";
    EXPECT_EQ(expandWildcards({sjis(c.pattern)}, fs), relative)
        << c.pattern << " in the current folder";
  }
  // A pattern that matches nothing stays as it is, and so does a name that
  // ends in 表 without wildcards.
  const std::vector<std::string> kept = {folder + sjis("*十.LOG"),
                                         folder + sjis("19970823表")};
  EXPECT_EQ(expandWildcards(kept, fs), kept);
}

// A wildcard stands for whole characters: "?" takes a double-byte character
// whole, "*" never ends inside one, and only single-byte letters match
// without regard to case (0x83 0x41 is ア, 0x83 0x61 is ヂ; 宴 is 0x89 0x83,
// its second byte the first byte of ア).
TEST(ExpandWildcards, PatternsMatchWholeCharacters) {
  struct Case {
    std::string pattern;
    std::string name;
    bool matches;
  };
  const Case cases[] = {
      {"?.LOG", sjis("表.LOG"), true},
      {"19970823?.LOG", sjis("19970823ソ.LOG"), true},
      {"??.LOG", sjis("表示.LOG"), true},
      {"?.LOG", sjis("表示.LOG"), false},
      {sjis("*ア*"), sjis("宴A.LOG"), false},
      {sjis("*ア*"), sjis("表ア.LOG"), true},
      {sjis("ア*"), sjis("ヂ.LOG"), false},
      {sjis("*表.log"), sjis("19表.LOG"), true},
      {sjis("*ソ*.LOG"), sjis("ソ19970823ソ.LOG"), true},
      {"*\x5C*", sjis("表.LOG"), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::wildcardMatch(c.pattern, c.name), c.matches)
        << testing::utf8(c.pattern) << " against " << testing::utf8(c.name);
  }
}

}  // namespace
}  // namespace tess
