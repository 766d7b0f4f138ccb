// The terminal's copy of the window keeps its blank rows; the rows in sight
// on a small screen keep the print position.
#include "ui/model/ui_window_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tess::ui {
namespace {

std::string copyOf(std::string cells, int columns, int rows) {
  cells.resize(static_cast<size_t>(columns * rows), ' ');
  CellView view;
  view.cells = reinterpret_cast<const unsigned char*>(cells.data());
  view.columns = columns;
  view.rows = rows;
  return windowRowsText(view);
}

TEST(WindowRowsText, KeepsBlankRowsAndDropsTrailingBlanks) {
  struct Case {
    std::string cells;  // rows of 4 columns, 5 rows
    std::string text;
  };
  const Case cases[] = {
      {"", ""},
      {"ab  ", "ab\r\n"},
      {"ab      cd  ", "ab\r\n\r\ncd\r\n"},
      {"        x   ", "\r\n\r\nx\r\n"},
      {" a b", " a b\r\n"},
      // 表 (0x95 0x5C) and a full-width blank stay as they are.
      {"\x95\x5C  \x81\x40  ", "\x95\x5C\r\n\x81\x40\r\n"},
      {"a               e   ", "a\r\n\r\n\r\n\r\ne\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(copyOf(c.cells, 4, 5), c.text) << c.cells;
  }
}

TEST(WindowViewTest, RowsUpToThePrintPositionStayInSight) {
  struct Case {
    int cursorRow, cursorColumn, area, top;
  };
  const std::vector<Case> cases = {
      {23, 5, 24, 0},   // the whole window fits
      {23, 5, 19, 5},   // the print position on the last row shown
      {20, 0, 19, 1},   // an empty row at the print position is not needed
      {21, 0, 10, 11},  // above a panel: the latest ten rows
      {2, 3, 10, 0},    // near the top: from the first row
      {0, 0, 10, 0},
  };
  for (const Case& c : cases) {
    CellView view;
    view.cursorRow = c.cursorRow;
    view.cursorColumn = c.cursorColumn;
    EXPECT_EQ(windowViewTop(view, c.area), c.top)
        << c.cursorRow << "," << c.cursorColumn << " in " << c.area;
  }
}

}  // namespace
}  // namespace tess::ui
