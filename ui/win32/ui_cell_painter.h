// Painting the main text window's cells: white Shift-JIS text on black,
// each character at its cell whatever the font's own advances.
#pragma once

#include <windows.h>

#include "ui/front_end.h"

namespace tess::ui::win32 {

// Draws the rows of the view that meet the area (client coordinates) with
// the font; cell: a cell's size in pixels, scroll: the part of the grid
// scrolled out of sight.
void paintCells(HDC dc, HFONT font, const CellView &view, const RECT &area,
                SIZE cell, POINT scroll);

}  // namespace tess::ui::win32
