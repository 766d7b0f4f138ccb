// The font of the main text window: Japanese glyphs on every system.
#pragma once

#include <windows.h>

namespace tess::ui::win32 {

struct TextFont {
  HFONT handle = nullptr;
  bool owned = false;  // made here: the window deletes it at the end
};

// The system fixed font where it is a Shift-JIS font (a Japanese system).
// Otherwise a fixed-pitch font with the Shift-JIS character set (MS Gothic
// first, then any the system has), else any Japanese font: the cells are
// drawn one by one with explicit advances, so the grid holds either way.
TextFont chooseTextFont(HDC dc);

}  // namespace tess::ui::win32
