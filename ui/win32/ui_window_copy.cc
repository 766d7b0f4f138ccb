#include "ui/win32/ui_window_copy.h"

#include <cstring>

#include "platform/win32/code_page.h"
#include "ui/win32/window_texts.inc"

namespace tess::ui::win32 {
namespace {

void putOnClipboard(UINT format, const void *bytes, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == nullptr) return;
  void *target = GlobalLock(block);
  if (target == nullptr) {
    GlobalFree(block);
    return;
  }
  std::memcpy(target, bytes, size);
  GlobalUnlock(block);
  if (SetClipboardData(format, block) == nullptr) GlobalFree(block);
}

}  // namespace

void addCopyMenu(HWND window, UINT copyText, UINT copyTextAndGraphics) {
  HMENU system = GetSystemMenu(window, FALSE);
  if (system == nullptr) return;
  HMENU copy = CreatePopupMenu();
  AppendMenuW(copy, MF_STRING, copyText,
              platform::win32::fromCodePage932(texts::kCopyText).c_str());
  AppendMenuW(
      copy, MF_STRING, copyTextAndGraphics,
      platform::win32::fromCodePage932(texts::kCopyTextAndGraphics).c_str());
  AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(system, MF_POPUP, reinterpret_cast<UINT_PTR>(copy),
              platform::win32::fromCodePage932(texts::kCopyMenu).c_str());
}

void copyToClipboard(HWND window, const std::string &text, bool withPicture,
                     SIZE grid, POINT scroll) {
  if (!OpenClipboard(window)) return;
  EmptyClipboard();
  putOnClipboard(CF_TEXT, text.data(), text.size() + 1);
  // Programs that read Unicode get the same text whatever the system's
  // ANSI code page is.
  std::wstring wide = platform::win32::fromCodePage932(text);
  putOnClipboard(CF_UNICODETEXT, wide.c_str(),
                 (wide.size() + 1) * sizeof(wchar_t));
  if (withPicture) {
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, grid.cx, grid.cy);
    if (memory != nullptr && picture != nullptr) {
      HGDIOBJ old = SelectObject(memory, picture);
      BitBlt(memory, 0, 0, grid.cx, grid.cy, screen, -scroll.x, -scroll.y,
             SRCCOPY);
      SelectObject(memory, old);
      // The clipboard owns the bitmap once it has taken it.
      if (SetClipboardData(CF_BITMAP, picture) != nullptr) picture = nullptr;
    }
    if (picture != nullptr) DeleteObject(picture);
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(window, screen);
  }
  CloseClipboard();
}

}  // namespace tess::ui::win32
