#include "ui/win32/ui_scroll_view.h"

#include <algorithm>

namespace tess::ui::win32 {

bool ScrollView::update(HWND window, SIZE grid) {
  if (inUpdate_ || IsIconic(window)) return false;
  inUpdate_ = true;
  RECT outer;
  GetWindowRect(window, &outer);
  const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, style & ~(WS_HSCROLL | WS_VSCROLL), FALSE,
                     exStyle);
  int width =
      static_cast<int>((outer.right - outer.left) - (frame.right - frame.left));
  int height =
      static_cast<int>((outer.bottom - outer.top) - (frame.bottom - frame.top));
  bool horizontal = width < grid.cx;
  bool vertical = height < grid.cy;
  if (horizontal) height -= GetSystemMetrics(SM_CYHSCROLL);
  if (!vertical && height < grid.cy) vertical = true;
  if (vertical) width -= GetSystemMetrics(SM_CXVSCROLL);
  if (!horizontal && width < grid.cx) {
    horizontal = true;
    height -= GetSystemMetrics(SM_CYHSCROLL);
  }
  visible_.cx = horizontal ? std::max(0, width) : grid.cx;
  visible_.cy = vertical ? std::max(0, height) : grid.cy;
  ShowScrollBar(window, SB_HORZ, horizontal);
  ShowScrollBar(window, SB_VERT, vertical);
  setBar(window, SB_HORZ, visible_.cx, grid.cx, &x_, horizontal);
  setBar(window, SB_VERT, visible_.cy, grid.cy, &y_, vertical);
  inUpdate_ = false;
  return true;
}

// A page as large as the grid leaves nothing to scroll.
void ScrollView::setBar(HWND window, int bar, int visible, int grid,
                        int *offset, bool shown) {
  *offset = std::clamp(*offset, 0, std::max(0, grid - visible));
  if (!shown) return;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = grid - 1;
  info.nPage = static_cast<UINT>(visible);
  info.nPos = *offset;
  SetScrollInfo(window, bar, &info, TRUE);
}

bool ScrollView::follow(HWND window, const RECT &cell, SIZE grid) {
  int newX = x_;
  int newY = y_;
  if (cell.top < newY) newY = cell.top;
  if (cell.bottom > newY + visible_.cy) newY = cell.bottom - visible_.cy;
  if (cell.left < newX) newX = cell.left;
  if (cell.right > newX + visible_.cx) newX = cell.right - visible_.cx;
  newX = std::clamp(newX, 0, std::max<int>(0, grid.cx - visible_.cx));
  newY = std::clamp(newY, 0, std::max<int>(0, grid.cy - visible_.cy));
  if (newX == x_ && newY == y_) return false;
  x_ = newX;
  y_ = newY;
  SetScrollPos(window, SB_HORZ, x_, TRUE);
  SetScrollPos(window, SB_VERT, y_, TRUE);
  return true;
}

bool ScrollView::scroll(HWND window, int bar, int request, int line) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(window, bar, &info);
  int position = info.nPos;
  switch (request) {
    case SB_LINEUP:
      position -= line;
      break;
    case SB_LINEDOWN:
      position += line;
      break;
    case SB_PAGEUP:
      position -= static_cast<int>(info.nPage);
      break;
    case SB_PAGEDOWN:
      position += static_cast<int>(info.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      position = info.nTrackPos;
      break;
    case SB_TOP:
      position = 0;
      break;
    case SB_BOTTOM:
      position = info.nMax;
      break;
    default:
      return false;
  }
  int &offset = bar == SB_HORZ ? x_ : y_;
  int limit = std::max(0, info.nMax + 1 - static_cast<int>(info.nPage));
  offset = std::clamp(position, 0, limit);
  info.fMask = SIF_POS;
  info.nPos = offset;
  SetScrollInfo(window, bar, &info, TRUE);
  return true;
}

}  // namespace tess::ui::win32
