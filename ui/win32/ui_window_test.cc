// The main text window on a real window system (Windows, or Wine with a
// display). Without a display the window cannot be made and the tests are
// skipped, unless TESSARINE_REQUIRE_WINDOW is set.
#include "ui/win32/ui_window.h"

#include <windows.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/support/sjis.h"

namespace tess::ui {
namespace {

// The model side: 80 x 24 cells that a test fills directly.
class Cells : public WindowHost {
 public:
  Cells() : bytes(80 * 24, ' ') {}
  CellView cells() const override {
    CellView view;
    view.cells = reinterpret_cast<const unsigned char*>(bytes.data());
    view.columns = 80;
    view.rows = 24;
    view.cursorColumn = cursorColumn;
    view.cursorRow = cursorRow;
    view.cursorVisible = cursorVisible;
    return view;
  }
  std::string clipboardText() const override { return clipboard; }

  void put(int column, int row, const std::string& text) {
    bytes.replace(static_cast<size_t>(row) * 80 + column, text.size(), text);
  }

  std::string bytes;
  std::string clipboard;
  int cursorColumn = 0;
  int cursorRow = 0;
  bool cursorVisible = true;
};

class TextWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A title with Japanese text: it must read the same whatever the
    // system's ANSI code page is.
    const std::string name =
        ::testing::UnitTest::GetInstance()->current_test_info()->name();
    title_ = "tessarine-" + name + tess::testing::sjis("表示");
    wideTitle_ = L"tessarine-" + std::wstring(name.begin(), name.end()) +
                 L"\u8868\u793A";
    ui_ = makeWindowsFrontEnd(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    if (!ui_->openWindow(title_, &cells_)) {
      // CI runs these tests on a display and asks for them to run there.
      if (GetEnvironmentVariableA("TESSARINE_REQUIRE_WINDOW", nullptr, 0) > 0) {
        FAIL() << "the main text window cannot be made";
      }
      GTEST_SKIP() << "no window can be made here (no display)";
    }
    window_ = FindWindowW(kTextWindowClass, wideTitle_.c_str());
    ASSERT_NE(window_, nullptr);
  }

  void TearDown() override {
    ui_.reset();
    // Nothing of one test's window reaches the next.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // The clipboard holds the text, as Shift-JIS and as UTF-16.
  void expectClipboard(const std::string& expected);

  SIZE clientSize() const {
    RECT client;
    GetClientRect(window_, &client);
    return {client.right, client.bottom};
  }

  // The window's picture as it paints it, one COLORREF per pixel; with
  // shown, the picture that its painting left on the screen instead.
  std::vector<COLORREF> picture(int* width, int* height, bool shown = false) {
    SIZE size = clientSize();
    *width = size.cx;
    *height = size.cy;
    HDC screen = GetDC(window_);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (shown) {
      BitBlt(memory, 0, 0, size.cx, size.cy, screen, 0, 0, SRCCOPY);
    } else {
      SendMessageA(window_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                   PRF_CLIENT);
    }
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size.cy; ++y) {
      for (int x = 0; x < size.cx; ++x)
        pixels.push_back(GetPixel(memory, x, y));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window_, screen);
    return pixels;
  }

  std::string title_;
  std::wstring wideTitle_;
  Cells cells_;
  std::unique_ptr<FrontEnd> ui_;
  HWND window_ = nullptr;
};

TEST_F(TextWindowTest, ClassAndStyle) {
  EXPECT_EQ(GetClassLongPtrA(window_, GCL_STYLE), CS_DBLCLKS);
  EXPECT_EQ(GetClassLongPtrA(window_, GCL_CBWNDEXTRA), 4);
  EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HCURSOR), 0)
      << "the window sets its cursor itself";
  EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HBRBACKGROUND),
            reinterpret_cast<LONG_PTR>(GetStockObject(BLACK_BRUSH)));
  EXPECT_NE(GetClassLongPtrA(window_, GCLP_HICON), 0);
  EXPECT_EQ(GetWindowLongA(window_, 0), 0) << "window number 0";
  LONG style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(GetParent(window_), nullptr);
  wchar_t title[96] = {};
  GetWindowTextW(window_, title, 96);
  EXPECT_EQ(wideTitle_, title);
}

TEST_F(TextWindowTest, GridFillsTheClientAreaAtTheTopLeft) {
  RECT outer;
  GetWindowRect(window_, &outer);
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 0);
  SIZE client = clientSize();
  ASSERT_GT(client.cx, 0);
  EXPECT_EQ(client.cx % 80, 0) << client.cx;
  EXPECT_EQ(client.cy % 24, 0) << client.cy;
  int cellWidth = client.cx / 80;
  int cellHeight = client.cy / 24;
  EXPECT_GT(cellHeight, cellWidth) << "cells are taller than wide";
  // The whole grid is in sight: no scroll bar shows.
  LONG style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_EQ(style & (WS_HSCROLL | WS_VSCROLL), 0);

  // The maximum size is the size made at start.
  MINMAXINFO limits{};
  SendMessageA(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMaxTrackSize.x, outer.right - outer.left);
  EXPECT_EQ(limits.ptMaxTrackSize.y, outer.bottom - outer.top);
}

TEST_F(TextWindowTest, SmallerWindowPansOverTheGrid) {
  SIZE full = clientSize();
  int cellWidth = full.cx / 80;
  RECT outer;
  GetWindowRect(window_, &outer);
  SetWindowPos(window_, nullptr, 0, 0, (outer.right - outer.left) / 2,
               (outer.bottom - outer.top) / 2, SWP_NOZORDER | SWP_NOMOVE);
  LONG style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_EQ(style & (WS_HSCROLL | WS_VSCROLL), WS_HSCROLL | WS_VSCROLL);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(window_, SB_HORZ, &info));
  EXPECT_EQ(info.nMax, full.cx - 1);
  EXPECT_EQ(static_cast<int>(info.nPage), clientSize().cx);

  // The grid's right half comes into sight, never more than there is.
  SendMessageA(window_, WM_HSCROLL, SB_LINEDOWN, 0);
  GetScrollInfo(window_, SB_HORZ, &info);
  EXPECT_EQ(info.nPos, cellWidth);
  SendMessageA(window_, WM_HSCROLL, SB_BOTTOM, 0);
  GetScrollInfo(window_, SB_HORZ, &info);
  EXPECT_EQ(info.nPos, full.cx - clientSize().cx);

  // The view follows the print position: the count's row and column come
  // into sight.
  SendMessageA(window_, WM_HSCROLL, SB_TOP, 0);
  cells_.cursorColumn = 79;
  cells_.cursorRow = 23;
  ui_->pump();
  GetScrollInfo(window_, SB_HORZ, &info);
  EXPECT_EQ(info.nPos, full.cx - clientSize().cx);
  ASSERT_TRUE(GetScrollInfo(window_, SB_VERT, &info));
  EXPECT_EQ(info.nPos, full.cy - clientSize().cy);
  cells_.cursorColumn = 0;
  cells_.cursorRow = 0;
  ui_->pump();
  GetScrollInfo(window_, SB_VERT, &info);
  EXPECT_EQ(info.nPos, 0);

  auto expectWholeGrid = [&](const char* when) {
    LONG now = GetWindowLongA(window_, GWL_STYLE);
    EXPECT_EQ(now & (WS_HSCROLL | WS_VSCROLL), 0) << when;
    EXPECT_EQ(clientSize().cx, full.cx) << when;
    EXPECT_EQ(clientSize().cy, full.cy) << when;
  };
  // Maximized from the smaller size, the whole grid shows without bars;
  // restored, the bars come back.
  ShowWindow(window_, SW_MAXIMIZE);
  expectWholeGrid("maximized");
  ShowWindow(window_, SW_RESTORE);
  style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_EQ(style & (WS_HSCROLL | WS_VSCROLL), WS_HSCROLL | WS_VSCROLL);

  // Back at full size the bars go away again, and stay away through a
  // maximize and a restore.
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left,
               outer.bottom - outer.top, SWP_NOZORDER | SWP_NOMOVE);
  expectWholeGrid("full size");
  ShowWindow(window_, SW_MAXIMIZE);
  expectWholeGrid("maximized");
  ShowWindow(window_, SW_RESTORE);
  expectWholeGrid("restored");
}

// On any system the window's font has the Shift-JIS character set and a
// glyph for every character of the banner, ASCII and Japanese alike.
TEST_F(TextWindowTest, FontHasTheBannersGlyphs) {
  auto font = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTW description{};
  ASSERT_NE(GetObjectW(font, sizeof description, &description), 0);
  EXPECT_EQ(description.lfCharSet, SHIFTJIS_CHARSET) << description.lfFaceName;
  // nifty log →　Kanbelテキスト, に含まれる発言, the stars and the digits.
  const std::wstring text =
      L"nifty log \u2192\u3000Kanbel\u30C6\u30AD\u30B9\u30C8 \u306B\u542B"
      L"\u307E\u308C\u308B\u767A\u8A00*0123456789.";
  HDC dc = GetDC(window_);
  HGDIOBJ old = SelectObject(dc, font);
  std::vector<WORD> glyphs(text.size());
  EXPECT_EQ(GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                             glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS),
            text.size());
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  for (size_t i = 0; i < text.size(); ++i) {
    EXPECT_NE(glyphs[i], 0xFFFF)
        << "no glyph for U+" << std::hex << static_cast<int>(text[i]) << " in "
        << std::string(description.lfFaceName,
                       description.lfFaceName + wcslen(description.lfFaceName));
  }
}

TEST_F(TextWindowTest, PaintsTheCellsWhiteOnBlack) {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> blank = picture(&width, &height);
  for (COLORREF pixel : blank) ASSERT_EQ(pixel, RGB(0, 0, 0));

  // A full-width block in cells 4-5 of row 2 and "##" in cells 0-1 of
  // row 5: light pixels only there.
  cells_.put(4, 2, tess::testing::sjis("■"));
  cells_.put(0, 5, "##");
  ui_->pump();
  std::vector<COLORREF> drawn = picture(&width, &height);
  int cellWidth = width / 80;
  int cellHeight = height / 24;
  auto litIn = [&](int left, int top, int right, int bottom) {
    int lit = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        COLORREF pixel = drawn[static_cast<size_t>(y) * width + x];
        if (GetRValue(pixel) > 128 && GetGValue(pixel) > 128 &&
            GetBValue(pixel) > 128) {
          ++lit;
        }
      }
    }
    return lit;
  };
  EXPECT_GT(litIn(4 * cellWidth, 2 * cellHeight, 6 * cellWidth, 3 * cellHeight),
            cellWidth * cellHeight / 2)
      << "the block fills most of its two cells";
  EXPECT_GT(litIn(0, 5 * cellHeight, 2 * cellWidth, 6 * cellHeight), 0);
  int total = litIn(0, 0, width, height);
  EXPECT_EQ(total, litIn(4 * cellWidth, 2 * cellHeight, 6 * cellWidth,
                         3 * cellHeight) +
                       litIn(0, 5 * cellHeight, 2 * cellWidth, 6 * cellHeight))
      << "nothing lights up outside the written cells";
}

// A pump draws again every row whose cells changed since the last one:
// what the screen shows after it is the cells, whichever rows changed.
TEST_F(TextWindowTest, PumpDrawsEveryChangedRowOnTheScreen) {
  cells_.cursorVisible = false;
  ui_->pump();
  int width = 0;
  int height = 0;
  std::vector<COLORREF> shown = picture(&width, &height, true);
  const int cellHeight = height / 24;
  auto litIn = [&](int top, int bottom) {
    int lit = 0;
    for (int y = top * cellHeight; y < bottom * cellHeight; ++y) {
      for (int x = 0; x < width; ++x) {
        COLORREF pixel = shown[static_cast<size_t>(y) * width + x];
        if (GetRValue(pixel) > 128 && GetGValue(pixel) > 128 &&
            GetBValue(pixel) > 128) {
          ++lit;
        }
      }
    }
    return lit;
  };
  ASSERT_EQ(litIn(0, 24), 0) << "the window starts blank";
  std::vector<int> everyRow;
  for (int row = 0; row < 24; ++row) everyRow.push_back(row);
  struct Case {
    const char* what;
    std::vector<int> rows;
  };
  const Case cases[] = {
      {"two rows apart", {2, 5}},
      {"the top row", {0}},
      {"the bottom row", {23}},
      {"the top and the bottom row", {0, 23}},
      {"every row (a scroll)", everyRow},
  };
  for (const Case& c : cases) {
    for (int row : c.rows) cells_.put(10, row, "##");
    ui_->pump();
    shown = picture(&width, &height, true);
    for (int row : c.rows) {
      EXPECT_GT(litIn(row, row + 1), 0) << c.what << ": row " << row;
    }
    for (int row : c.rows) cells_.put(10, row, "  ");
    ui_->pump();
    shown = picture(&width, &height, true);
    EXPECT_EQ(litIn(0, 24), 0) << c.what << ": cleared again";
  }
}

TEST_F(TextWindowTest, BreakRequestAndClosingReachThePump) {
  PostMessageA(window_, WM_CHAR, 'a', 0);
  EXPECT_FALSE(ui_->pump().breakRequested);
  PostMessageA(window_, WM_CHAR, 3, 0);
  PumpEvents events = ui_->pump();
  EXPECT_TRUE(events.breakRequested);
  EXPECT_FALSE(events.quit);
  EXPECT_FALSE(ui_->pump().breakRequested) << "one request, one report";

  PostMessageA(window_, WM_CLOSE, 0, 0);
  events = ui_->pump();
  EXPECT_TRUE(events.quit);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(ui_->pump().quit) << "the run stays ended";
}

TEST_F(TextWindowTest, WaitForKeyEndsAtAKeyOrTheClose) {
  // A close arrives late as a guard: if the key did not end the wait, the
  // window would be gone afterwards.
  SetTimer(window_, 1, 5000, [](HWND window, UINT, UINT_PTR, DWORD) {
    PostMessageA(window, WM_CLOSE, 0, 0);
  });
  PostMessageA(window_, WM_CHAR, 3, 0);
  ui_->waitForKey();
  EXPECT_TRUE(IsWindow(window_)) << "the key ended the wait";
  EXPECT_FALSE(ui_->pump().breakRequested)
      << "a key that ends the wait is no break request";

  PostMessageA(window_, WM_KEYDOWN, VK_SPACE, 0);
  ui_->waitForKey();
  EXPECT_TRUE(IsWindow(window_));
  KillTimer(window_, 1);

  PostMessageA(window_, WM_CLOSE, 0, 0);
  ui_->waitForKey();
  EXPECT_FALSE(IsWindow(window_)) << "closing the window ends the wait";
}

TEST_F(TextWindowTest, SystemMenuCopiesTheText) {
  HMENU system = GetSystemMenu(window_, FALSE);
  ASSERT_NE(system, nullptr);
  int count = GetMenuItemCount(system);
  ASSERT_GE(count, 2);
  HMENU copy = GetSubMenu(system, count - 1);
  ASSERT_NE(copy, nullptr);
  wchar_t text[64] = {};
  GetMenuStringW(system, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"\u30B3\u30D4\u30FC(&Y)");  // コピー(&Y)
  ASSERT_EQ(GetMenuItemCount(copy), 2);
  EXPECT_EQ(GetMenuItemID(copy, 0), kCopyTextCommand);
  EXPECT_EQ(GetMenuItemID(copy, 1), kCopyTextAndGraphicsCommand);
  GetMenuStringW(copy, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"\u30C6\u30AD\u30B9\u30C8(&T)");  // テキスト(&T)
  GetMenuStringW(copy, 1, text, 64, MF_BYPOSITION);
  // テキスト/グラフィック(&M)
  EXPECT_STREQ(text,
               L"\u30C6\u30AD\u30B9\u30C8/\u30B0\u30E9\u30D5\u30A3"
               L"\u30C3\u30AF(&M)");
  EXPECT_EQ(GetMenuState(system, static_cast<UINT>(count - 2), MF_BYPOSITION) &
                MF_SEPARATOR,
            static_cast<UINT>(MF_SEPARATOR));

  // The item arrives as WM_SYSCOMMAND on Windows and as WM_COMMAND under
  // Wine: both copy.
  for (UINT message : {WM_SYSCOMMAND, WM_COMMAND}) {
    SCOPED_TRACE(message);
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    CloseClipboard();
    cells_.clipboard = tess::testing::sjis("表示\r\n  x\r\n") +
                       std::to_string(message) + "\r\n";
    SendMessageA(window_, message, kCopyTextCommand, 0);
    expectClipboard(cells_.clipboard);
  }
}

void TextWindowTest::expectClipboard(const std::string& expected) {
  ASSERT_TRUE(OpenClipboard(window_));
  HANDLE data = GetClipboardData(CF_TEXT);
  ASSERT_NE(data, nullptr);
  std::string copied(static_cast<const char*>(GlobalLock(data)));
  GlobalUnlock(data);
  HANDLE wide = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(wide, nullptr);
  std::wstring copiedWide(static_cast<const wchar_t*>(GlobalLock(wide)));
  GlobalUnlock(wide);
  CloseClipboard();
  EXPECT_EQ(copied, expected);
  EXPECT_EQ(copiedWide,
            L"\u8868\u793A\r\n  x\r\n" +
                std::wstring(expected.begin() + 11, expected.end()));
}

TEST_F(TextWindowTest, CaretFollowsThePrintPositionWhileFocused) {
  SetForegroundWindow(window_);
  SetFocus(window_);
  ASSERT_EQ(GetFocus(), window_) << "the window must get the focus";
  int cellWidth = clientSize().cx / 80;
  int cellHeight = clientSize().cy / 24;
  cells_.cursorColumn = 7;
  cells_.cursorRow = 3;
  ui_->pump();
  POINT caret{};
  ASSERT_TRUE(GetCaretPos(&caret));
  EXPECT_EQ(caret.x, 7 * cellWidth);
  EXPECT_EQ(caret.y, 3 * cellHeight);
}

TEST_F(TextWindowTest, ClosingTheWindowEndsTheRun) {
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPED | WS_VISIBLE,
                               0, 0, 50, 50, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  ui_->closeWindow();
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_FALSE(IsWindow(other)) << "the program's other windows close first";
  EXPECT_TRUE(ui_->pump().quit);
}

}  // namespace
}  // namespace tess::ui
