// toHalfWidth, upperAscii and lowerAscii step over the characters without a
// branch per character. Compared here with the character walk written out
// with the character-aware operations and the full-width tables spelled as
// text, on many texts built from awkward pieces.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "runtime/byte_string.h"
#include "runtime/half_width.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using tess::testing::sjis;

// The position (from 0) of a double-byte character in a table text, or -1.
int64_t indexIn(const std::string& table, const ByteString& character) {
  for (size_t i = 0; i + 1 < table.size(); i += 2) {
    if (table.compare(i, 2, character.view()) == 0) {
      return static_cast<int64_t>(i / 2);
    }
  }
  return -1;
}

class ReferenceWalk {
 public:
  // The four tables in their order, each character found by its position.
  ByteString toHalfWidth(const ByteString& s) const {
    std::string out;
    const int64_t n = countChars(s, 0);
    for (int64_t k = 1; k <= n; ++k) {
      const ByteString c = midChars(s, k, 1);
      if (byteLength(c) == 1) {
        out += c.str();
      } else {
        out += halfWidthOf(c);
      }
    }
    return ByteString(std::move(out));
  }

  // A to Z or a to z moved by delta where they stand as single-byte
  // characters.
  static ByteString shift(const ByteString& s, char from, char to, int delta) {
    std::string out;
    const int64_t n = countChars(s, 0);
    for (int64_t k = 1; k <= n; ++k) {
      std::string c = midChars(s, k, 1).str();
      if (c.size() == 1 && c[0] >= from && c[0] <= to) {
        c[0] = static_cast<char>(c[0] + delta);
      }
      out += c;
    }
    return ByteString(std::move(out));
  }

 private:
  std::string halfWidthOf(const ByteString& c) const {
    if (const int64_t i = indexIn(fullWidth_, c); i >= 0) {
      return std::string(1, static_cast<char>(0x20 + i));
    }
    if (const int64_t i = indexIn(katakana_, c); i >= 0) {
      return std::string(1, static_cast<char>(0xA1 + i));
    }
    std::string base = c.str();
    if (indexIn(voiced_, c) >= 0) {
      base[1] = static_cast<char>(base[1] - 1);
      return halfWidthOf(ByteString(base)) + "\xDE";
    }
    if (indexIn(semiVoiced_, c) >= 0) {
      base[1] = static_cast<char>(base[1] - 2);
      return halfWidthOf(ByteString(base)) + "\xDF";
    }
    return c.str();
  }

  const std::string fullWidth_ = sjis(
      u8"　！”＃＄％＆’（）＊＋，－．／０１２３４５６７８９：；＜＝＞？＠"
      u8"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ［￥］＾＿｀"
      u8"ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ｛｜｝￣");
  const std::string katakana_ = sjis(
      u8"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソ"
      u8"タチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜");
  const std::string voiced_ =
      sjis(u8"ガギグゲゴザジズゼゾダヂヅデドバビブベボ");
  const std::string semiVoiced_ = sjis(u8"パピプペポ");
};

std::vector<std::string> randomTexts(size_t count) {
  const std::vector<std::string> pieces = {
      "a",        "Z",        "m",        " ",        "\x81",     "\x82",
      "\x83",     "\x9f",     "\xe0",     "\xfc",     "\xa0",     "\xdf",
      "\x40",     "\x83\x61", "\x82\x5a", "\x81\x41", sjis("　"), sjis("Ａ"),
      sjis("ｚ"), sjis("ア"), sjis("ガ"), sjis("パ"), sjis("ヴ"), sjis("あ"),
      sjis("漢"), sjis("｀"), sjis("￣"), sjis("゜"), sjis("。"), "#"};
  std::mt19937 random(7919);
  std::vector<std::string> texts = {"", "\x81", "a\x82", "\x82\x82\x82"};
  while (texts.size() < count) {
    std::string text;
    const size_t parts = random() % 12;
    for (size_t i = 0; i < parts; ++i) text += pieces[random() % pieces.size()];
    texts.push_back(text);
  }
  return texts;
}

TEST(CharacterWalkTest, CaseAndWidthMatchTheWrittenWalk) {
  const ReferenceWalk reference;
  for (const std::string& text : randomTexts(6000)) {
    SCOPED_TRACE(::testing::PrintToString(text));
    const ByteString s(text);
    EXPECT_EQ(toHalfWidth(s), reference.toHalfWidth(s));
    EXPECT_EQ(upperAscii(s), ReferenceWalk::shift(s, 'a', 'z', -0x20));
    EXPECT_EQ(lowerAscii(s), ReferenceWalk::shift(s, 'A', 'Z', 0x20));
    ByteString lowered = s;
    lowerAsciiInPlace(lowered);
    EXPECT_EQ(lowered, ReferenceWalk::shift(s, 'A', 'Z', 0x20));
  }
}

}  // namespace
}  // namespace tess
