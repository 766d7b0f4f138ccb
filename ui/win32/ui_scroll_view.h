// The part of the main text window's grid in sight, and the scroll bars
// that pan it while the window is smaller than the grid. Offsets and sizes
// are in pixels of the client area.
#pragma once

#include <windows.h>

namespace tess::ui::win32 {

class ScrollView {
 public:
  // The whole grid in sight, as at full size.
  void reset(SIZE grid) { visible_ = grid; }

  // A bar shows only when the grid does not fit beside the other bar, and
  // its page is the part of the grid in sight. The decision starts from
  // the window's outer size less its frame, so it never depends on the
  // bars shown before: back at full size (or maximized) both go. False
  // when nothing was done (minimized, or within an update, as showing a
  // bar resizes the client area).
  bool update(HWND window, SIZE grid);

  // Moves the view so that the cell is in sight; true when it moved.
  bool follow(HWND window, const RECT &cell, SIZE grid);

  // A scroll bar's request (WM_HSCROLL, WM_VSCROLL); line: a cell's width
  // or height. True when it was one the view follows.
  bool scroll(HWND window, int bar, int request, int line);

  int x() const { return x_; }
  int y() const { return y_; }

 private:
  void setBar(HWND window, int bar, int visible, int grid, int *offset,
              bool shown);

  int x_ = 0;
  int y_ = 0;
  SIZE visible_{0, 0};
  bool inUpdate_ = false;
};

}  // namespace tess::ui::win32
