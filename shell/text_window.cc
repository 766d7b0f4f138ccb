#include "shell/text_window.h"

#include <algorithm>

#include "runtime/byte_string.h"
#include "runtime/runtime_error.h"

namespace tess {

namespace {
constexpr unsigned char kBlank = 0x20;
}

TextWindow::TextWindow(ui::FrontEnd* ui)
    : ui_(ui), cells_(static_cast<size_t>(kColumns * kRows), kBlank) {}

void TextWindow::writeText(std::string_view bytes) {
  if (!open_) raiseError(err::kNoWindow);
  size_t runStart = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char b = bytes[i];
    if (b != '\r' && b != '\n') continue;
    drawRun(bytes.substr(runStart, i - runStart));
    runStart = i + 1;
    if (b == '\r') {
      column_ = 0;
    } else {
      // The row is complete before the position moves on.
      completeRow();
      lineFeed();
    }
  }
  drawRun(bytes.substr(runStart));
}

void TextWindow::drawRun(std::string_view run) {
  // Walk the run character by character: a double-byte character is never
  // split across rows, so its first byte never goes into the last column.
  bool trailExpected = false;
  for (char c : run) {
    const auto b = static_cast<unsigned char>(c);
    if (!trailExpected && isLeadByte(b)) {
      if (column_ == kColumns - 1) putCell(kBlank);
      trailExpected = true;
    } else {
      trailExpected = false;
    }
    putCell(b);
  }
}

void TextWindow::putCell(unsigned char byte) {
  cells_[static_cast<size_t>(row_ * kColumns + column_)] = byte;
  if (++column_ == kColumns) {
    // Past the last column: the row is full and the position wraps.
    completeRow();
    lineFeed();
  }
}

void TextWindow::lineFeed() {
  column_ = 0;
  if (++row_ < kRows) return;
  // Past the last row: everything moves up one row, the bottom row is
  // blank and the position stays on it.
  std::copy(cells_.begin() + kColumns, cells_.end(), cells_.begin());
  std::fill(cells_.end() - kColumns, cells_.end(), kBlank);
  row_ = kRows - 1;
}

void TextWindow::completeRow() {
  if (ui_ != nullptr) ui_->rowCompleted(rowText(row_));
}

void TextWindow::setPosition(int64_t column, int64_t row, int64_t cursor,
                             int flags) {
  const bool columnGiven = (flags & 1) != 0;
  const bool rowGiven = (flags & 2) != 0;
  const bool cursorGiven = (flags & 4) != 0;
  if (columnGiven && (column < 0 || column >= kColumns)) {
    raiseError(err::kIllegalArgument);
  }
  if (rowGiven && (row < 0 || row >= kRows)) raiseError(err::kIllegalArgument);
  if (cursorGiven && cursor != 0 && cursor != 1) {
    raiseError(err::kIllegalArgument);
  }
  if (columnGiven) column_ = static_cast<int>(column);
  if (rowGiven) row_ = static_cast<int>(row);
  if (cursorGiven) cursorVisible_ = cursor == 1;
}

ui::CellView TextWindow::cells() const {
  ui::CellView view;
  view.cells = cells_.data();
  view.columns = kColumns;
  view.rows = kRows;
  view.cursorColumn = column_;
  view.cursorRow = row_;
  view.cursorVisible = cursorVisible_;
  return view;
}

std::string TextWindow::rowText(int row) const {
  const auto* start = cells_.data() + row * kColumns;
  return std::string(reinterpret_cast<const char*>(start), kColumns);
}

std::string TextWindow::clipboardText() const {
  std::string text;
  for (int row = 0; row < kRows; ++row) {
    std::string line = rowText(row);
    const size_t end = line.find_last_not_of(' ');
    if (end == std::string::npos) continue;  // a blank row is left out
    line.resize(end + 1);
    text += line;
    text += "\r\n";
  }
  return text;
}

TextWindow& lookupWindow(TextWindow* mainWindow, int64_t number) {
  if (number != 0 || mainWindow == nullptr || !mainWindow->isOpen()) {
    raiseError(err::kNoWindow);
  }
  return *mainWindow;
}

}  // namespace tess
