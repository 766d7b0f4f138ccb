// The window's text as the terminal's copy keys (F2, Ctrl-Y) take it: every
// row, blank ones included, so that the copy keeps the window's layout.
#pragma once

#include <string>

#include "ui/front_end.h"

namespace tess::platform {

// Shift-JIS rows, each with its trailing blanks removed and CR LF after it;
// blank rows between written ones are kept, those after the last written
// row are left out.
std::string windowRowsText(const CellView& view);

}  // namespace tess::platform
