// The window's text as the terminal's copy keys (F2, Ctrl-Y) take it: every
// row, blank ones included, so that the copy keeps the window's layout; and
// the window's rows kept in sight when the screen has fewer.
#pragma once

#include <string>

#include "ui/front_end.h"

namespace tess::ui {

// Shift-JIS rows, each with its trailing blanks removed and CR LF after it;
// blank rows between written ones are kept, those after the last written
// row are left out.
std::string windowRowsText(const CellView& view);

// The first window row shown when only areaRows screen rows are left for
// the window (a small terminal, a panel below): the rows up to the print
// position stay in sight, the print position's own unless it stands at the
// start of an empty row.
int windowViewTop(const CellView& view, int areaRows);

}  // namespace tess::ui
