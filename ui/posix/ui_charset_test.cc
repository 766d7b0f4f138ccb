// Shift-JIS shown in the locale's charset, cell widths kept; locale text cut
// to a number of cells.
#include "ui/posix/ui_charset.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "tests/support/sjis.h"

namespace tess::ui {
namespace {

using tess::testing::sjis;

class Utf8Locale : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

using CharsetTest = Utf8Locale;

TEST_F(CharsetTest, DoubleByteTakesTwoCellsAndHalfWidthKatakanaOne) {
  SjisConverter converter;  // the locale's charset: UTF-8
  std::vector<Glyph> glyphs = converter.glyphs(sjis("あｱA　"));
  ASSERT_EQ(glyphs.size(), 4u);
  EXPECT_EQ(glyphs[0].text, "あ");
  EXPECT_EQ(glyphs[0].column, 0);
  EXPECT_EQ(glyphs[0].cells, 2);
  EXPECT_EQ(glyphs[1].text, "ｱ");
  EXPECT_EQ(glyphs[1].column, 2);
  EXPECT_EQ(glyphs[1].cells, 1);
  EXPECT_EQ(glyphs[2].text, "A");
  EXPECT_EQ(glyphs[2].column, 3);
  EXPECT_EQ(glyphs[3].text, "　");
  EXPECT_EQ(glyphs[3].column, 4);
  EXPECT_EQ(converter.display(sjis("テキスト")), "テキスト");
}

TEST_F(CharsetTest, CharacterShownNarrowIsPaddedToItsTwoCells) {
  SjisConverter converter;
  // The arrow and the box-drawing line are one cell wide on the terminal.
  EXPECT_EQ(converter.display(sjis("→x")), "→ x");
  EXPECT_EQ(converter.display(sjis("─")), "─ ");
}

TEST_F(CharsetTest, UnconvertibleAndInvalidBytesBecomeQuestionMarks) {
  SjisConverter ascii("ANSI_X3.4-1968");
  EXPECT_EQ(ascii.display(sjis("aあｱb")), "a???b");
  SjisConverter converter;
  // 0xFD is no character; an undefined double-byte code keeps two cells.
  EXPECT_EQ(converter.display("x\xFDy"), "x?y");
  EXPECT_EQ(converter.display("\xEB\x40z"), "??z");
  // A lead byte without its trail byte at the end of the cells.
  EXPECT_EQ(converter.display("ab\x82"), "ab?");
}

TEST_F(CharsetTest, ControlBytesNeverReachTheTerminal) {
  SjisConverter converter;
  EXPECT_EQ(converter.display("\x1b[2J\x07\t\x7f"), "?[2J???");
  // The clipboard text keeps its line ends and has no padding.
  EXPECT_EQ(converter.plain(sjis("→\r\n\x1b")), "→\r\n?");
}

TEST_F(CharsetTest, UnknownTargetCharsetShowsOnlyAscii) {
  SjisConverter none("NO-SUCH-CHARSET");
  EXPECT_EQ(none.display(sjis("OKあ")), "OK??");
}

TEST_F(CharsetTest, FitToCellsCountsDisplayCells) {
  int used = -1;
  EXPECT_EQ(fitToCells("あいう", 5, false, &used), "あい");
  EXPECT_EQ(used, 4);
  EXPECT_EQ(fitToCells("/home/あい", 4, true, &used), "あい");
  EXPECT_EQ(used, 4);
  EXPECT_EQ(fitToCells("/home/あい", 5, true, &used), "/あい");
  EXPECT_EQ(fitToCells("a\xff\x1b"
                       "b",
                       10, false, &used),
            "a??b");
  EXPECT_EQ(used, 4);
  EXPECT_EQ(fitToCells("abc", 0, false, &used), "");
}

}  // namespace
}  // namespace tess::ui
