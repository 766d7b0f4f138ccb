// The main text window as a model: an 80 x 24 grid of Shift-JIS cells with a
// print position. It knows nothing of drawing; the front end reads the cells
// through ui::WindowHost and is told when a row is complete.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/screen.h"
#include "ui/front_end.h"

namespace tess {

class TextWindow : public ScreenWindow, public ui::WindowHost {
 public:
  static constexpr int kColumns = 80;
  static constexpr int kRows = 24;

  // ui may be null (no front end is told about completed rows).
  explicit TextWindow(ui::FrontEnd* ui = nullptr);

  // --- ScreenWindow ---
  int printColumn() const override { return column_; }
  int printWidth() const override { return kColumns; }
  // Raises 1000 once the window has been closed.
  void writeText(std::string_view bytes) override;
  int currentRow() const override { return row_; }
  void setPosition(int64_t column, int64_t row, int64_t cursor,
                   int flags) override;

  // --- ui::WindowHost ---
  ui::CellView cells() const override;
  std::string clipboardText() const override;

  // The bytes of one row (80 cells).
  std::string rowText(int row) const;
  // Only a text window exists in this system; the dialogs still ask, so
  // that a window kind without a text grid would be refused with 1002.
  bool hasTextGrid() const { return true; }
  bool isOpen() const { return open_; }
  // The window is gone: further output raises 1000.
  void markClosed() { open_ = false; }

 private:
  void drawRun(std::string_view run);
  void putCell(unsigned char byte);
  void lineFeed();
  void completeRow();

  ui::FrontEnd* ui_;
  std::vector<unsigned char> cells_;
  int column_ = 0;
  int row_ = 0;
  bool cursorVisible_ = false;
  bool open_ = true;
};

// The window with the given number: 0 is the main text window while it is
// open; any other number, or a window that is gone, raises 1000.
TextWindow& lookupWindow(TextWindow* mainWindow, int64_t number);

}  // namespace tess
