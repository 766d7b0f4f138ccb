#include "shell/text_window.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/runtime_error.h"
#include "tests/support/fake_front_end.h"
#include "tests/support/raised_error.h"

namespace tess {
namespace {

using testing::errorOf;
using testing::FakeFrontEnd;

std::string padded(std::string text) {
  text.resize(TextWindow::kColumns, ' ');
  return text;
}

TEST(TextWindow, WrapsTheEightyFirstCharacterToTheNextRow) {
  TextWindow w;
  w.writeText(std::string(80, 'a') + "b");
  EXPECT_EQ(w.rowText(0), std::string(80, 'a'));
  EXPECT_EQ(w.rowText(1), padded("b"));
  EXPECT_EQ(w.printColumn(), 1);
  EXPECT_EQ(w.currentRow(), 1);
}

TEST(TextWindow, DoubleByteCharacterNeverSplitsAcrossRows) {
  TextWindow w;
  w.writeText(std::string(79, 'x') + "\x82\xA0" /* あ */ + "y");
  EXPECT_EQ(w.rowText(0), std::string(79, 'x') + " ");
  EXPECT_EQ(w.rowText(1), padded("\x82\xA0y"));
  EXPECT_EQ(w.printColumn(), 3);

  // At column 78 the character still fits.
  TextWindow fits;
  fits.writeText(std::string(78, 'x') + "\x82\xA0");
  EXPECT_EQ(fits.rowText(0), std::string(78, 'x') + "\x82\xA0");
  EXPECT_EQ(fits.currentRow(), 1);
  EXPECT_EQ(fits.printColumn(), 0);

  // A trail byte that looks like a lead byte is not taken for one.
  TextWindow trail;
  trail.writeText(std::string(78, 'x') + "\x81\x81" /* ＝ */ + "z");
  EXPECT_EQ(trail.rowText(0), std::string(78, 'x') + "\x81\x81");
  EXPECT_EQ(trail.rowText(1), padded("z"));
}

TEST(TextWindow, LineEndOnTheLastRowScrollsUp) {
  TextWindow w;
  for (int row = 0; row < 24; ++row) {
    w.writeText("row " + std::to_string(row) + (row < 23 ? "\r\n" : ""));
  }
  EXPECT_EQ(w.rowText(0), padded("row 0"));
  EXPECT_EQ(w.currentRow(), 23);
  w.writeText("\r\n");
  EXPECT_EQ(w.rowText(0), padded("row 1"));
  EXPECT_EQ(w.rowText(22), padded("row 23"));
  EXPECT_EQ(w.rowText(23), padded(""));
  EXPECT_EQ(w.currentRow(), 23);
  EXPECT_EQ(w.printColumn(), 0);
  // Wrapping off the last row scrolls as well.
  w.writeText(std::string(81, 'q'));
  EXPECT_EQ(w.rowText(22), std::string(80, 'q'));
  EXPECT_EQ(w.rowText(23), padded("q"));
  EXPECT_EQ(w.rowText(0), padded("row 2"));
}

TEST(TextWindow, CarriageReturnAloneOverwritesTheSameRow) {
  TextWindow w;
  w.writeText("12345\rab");
  EXPECT_EQ(w.rowText(0), padded("ab345"));
  EXPECT_EQ(w.currentRow(), 0);
  EXPECT_EQ(w.printColumn(), 2);
  // A line feed alone goes to column 0 of the next row.
  w.writeText("\ncd");
  EXPECT_EQ(w.rowText(1), padded("cd"));
}

TEST(TextWindow, SetPositionChecksOnlyTheGivenValues) {
  TextWindow w;
  EXPECT_EQ(errorOf([&] { w.setPosition(0, 24, 0, 3); }),
            err::kIllegalArgument);
  EXPECT_EQ(errorOf([&] { w.setPosition(80, 0, 0, 1); }),
            err::kIllegalArgument);
  EXPECT_EQ(errorOf([&] { w.setPosition(-1, 0, 0, 1); }),
            err::kIllegalArgument);
  EXPECT_EQ(errorOf([&] { w.setPosition(0, 0, 2, 4); }), err::kIllegalArgument);
  EXPECT_EQ(w.currentRow(), 0);
  // Values whose flag is clear are ignored.
  w.setPosition(500, 7, 9, 2);
  EXPECT_EQ(w.currentRow(), 7);
  EXPECT_EQ(w.printColumn(), 0);
  w.setPosition(79, 23, 1, 7);
  EXPECT_EQ(w.printColumn(), 79);
  EXPECT_EQ(w.currentRow(), 23);
  EXPECT_TRUE(w.cells().cursorVisible);
}

TEST(TextWindow, FrontEndHearsOfEveryCompletedRow) {
  FakeFrontEnd ui;
  TextWindow w(&ui);
  w.writeText("abc\r\n");
  w.writeText(std::string(82, 'z'));
  ASSERT_EQ(ui.completedRows().size(), 2u);
  EXPECT_EQ(ui.completedRows()[0], padded("abc"));
  EXPECT_EQ(ui.completedRows()[1], std::string(80, 'z'));
  // The notice comes before the row scrolls away.
  for (int i = 0; i < 30; ++i)
    w.writeText("line " + std::to_string(i) + "\r\n");
  EXPECT_EQ(ui.completedRows().back(), padded("line 29"));
}

TEST(TextWindow, ClipboardTextDropsTrailingBlanksAndBlankRows) {
  TextWindow w;
  w.writeText("ab  \r\n\r\n  c\r\n");
  w.setPosition(0, 23, 0, 3);
  w.writeText("last");
  EXPECT_EQ(w.clipboardText(), "ab\r\n  c\r\nlast\r\n");
}

TEST(TextWindow, OnlyWindowZeroExistsWhileOpen) {
  TextWindow w;
  EXPECT_EQ(&lookupWindow(&w, 0), &w);
  EXPECT_EQ(errorOf([&] { lookupWindow(&w, 1); }), err::kNoWindow);
  EXPECT_EQ(errorOf([&] { lookupWindow(nullptr, 0); }), err::kNoWindow);
  w.markClosed();
  EXPECT_EQ(errorOf([&] { lookupWindow(&w, 0); }), err::kNoWindow);
  EXPECT_EQ(errorOf([&] { w.writeText("x"); }), err::kNoWindow);
}

}  // namespace
}  // namespace tess
