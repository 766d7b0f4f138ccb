// The system menu's copy commands of the main text window: the window's
// text, and the text with a picture of the window, on the clipboard.
#pragma once

#include <windows.h>

#include <string>

namespace tess::ui::win32 {

// The commands are multiples of 16 below 0xF000, as the system uses the
// low four bits of its menu commands.
void addCopyMenu(HWND window, UINT copyText, UINT copyTextAndGraphics);

// Puts the Shift-JIS text on the clipboard as CF_TEXT and, converted by
// code page 932, as CF_UNICODETEXT; with a picture, the grid's pixels too
// (grid: its size, scroll: the part scrolled out of sight).
void copyToClipboard(HWND window, const std::string &text, bool withPicture,
                     SIZE grid, POINT scroll);

}  // namespace tess::ui::win32
