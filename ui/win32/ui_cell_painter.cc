#include "ui/win32/ui_cell_painter.h"

#include <algorithm>

#include "ui/win32/window_support.h"

namespace tess::ui::win32 {

void paintCells(HDC dc, HFONT font, const CellView &view, const RECT &area,
                SIZE cell, POINT scroll) {
  constexpr COLORREF kForeground = RGB(255, 255, 255);
  constexpr COLORREF kBackground = RGB(0, 0, 0);
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, kForeground);
  SetBkColor(dc, kBackground);
  SetBkMode(dc, OPAQUE);
  const int width = static_cast<int>(cell.cx);
  const int height = static_cast<int>(cell.cy);
  const int x = static_cast<int>(scroll.x);
  const int y = static_cast<int>(scroll.y);
  const int first = std::max(0, (static_cast<int>(area.top) + y) / height);
  const int last =
      std::min(view.rows - 1, (static_cast<int>(area.bottom) - 1 + y) / height);
  for (int row = first; row <= last; ++row) {
    RowText text = rowText(view.cells + static_cast<size_t>(row) * view.columns,
                           view.columns, width);
    RECT cells{-x, row * height - y, view.columns * width - x,
               (row + 1) * height - y};
    ExtTextOutW(dc, cells.left, cells.top, ETO_OPAQUE | ETO_CLIPPED, &cells,
                text.text.data(), static_cast<UINT>(text.text.size()),
                text.advances.data());
  }
  SelectObject(dc, old);
}

}  // namespace tess::ui::win32
