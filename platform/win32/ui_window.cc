// The main text window on Windows. The cells live in the platform-free model
// (WindowHost); the window draws them, invalidating the rows that changed
// whenever the program pumps its messages, and carries the caret, the
// scroll bars that pan a window made smaller than its grid (following the
// print position), and the system menu's copy commands. Every call that
// takes or gives text is the wide one; the program's Shift-JIS text is
// converted by code page 932, so the window, the dialogs and the boxes read
// the same whatever the system's language for non-Unicode programs is.
#include "platform/win32/ui_window.h"

#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/ui_box_placement.h"
#include "platform/win32/window_support.h"

namespace tess::platform {
namespace {

using win32::CenteredBoxes;
using win32::fromCodePage932;
using win32::toCodePage932Lossy;

constexpr const wchar_t* kClassName = kTextWindowClass;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL;
// System menu commands are multiples of 16 below 0xF000, as the system
// uses the low four bits.
constexpr UINT kCopyText = kCopyTextCommand;
constexpr UINT kCopyTextAndGraphics = kCopyTextAndGraphicsCommand;

constexpr COLORREF kForeground = RGB(255, 255, 255);
constexpr COLORREF kBackground = RGB(0, 0, 0);

class WindowsFrontEnd final : public FrontEnd {
 public:
  WindowsFrontEnd(HINSTANCE instance, int showCommand)
      : instance_(instance), showCommand_(showCommand) {}

  ~WindowsFrontEnd() override {
    if (window_ != nullptr) {
      DestroyWindow(window_);
      // The quit that the destruction posts belongs to no run any more.
      MSG quit;
      PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    if (ownsFont_ && font_ != nullptr) DeleteObject(font_);
    if (registered_) UnregisterClassW(kClassName, instance_);
  }

  WindowsFrontEnd(const WindowsFrontEnd&) = delete;
  WindowsFrontEnd& operator=(const WindowsFrontEnd&) = delete;

  bool openWindow(const std::string& title, WindowHost* host) override {
    host_ = host;
    if (!registerClass()) return false;
    HWND window =
        CreateWindowExW(0, kClassName, fromCodePage932(title).c_str(), kStyle,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, nullptr, nullptr, instance_, this);
    if (window == nullptr) return false;
    rememberCells();
    ShowWindow(window, showCommand_);
    UpdateWindow(window);
    return true;
  }

  PumpEvents pump() override {
    refresh();
    MSG message;
    while (!quit_ && PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == 0) {
        quit_ = true;
        break;
      }
      if (got < 0) break;
      // No accelerator table is set, so there is nothing to translate
      // through one.
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    PumpEvents events;
    events.breakRequested = breakRequested_;
    events.quit = quit_;
    breakRequested_ = false;
    return events;
  }

  std::optional<std::string> fileDialog(
      const FileDialogRequest& request) override {
    refresh();
    HWND owner = liveWindow();
    win32::DialogCalls calls;
    calls.show = [&](OPENFILENAMEW* block) {
      // The dialog opens beside the window, so that what the run printed
      // stays in sight, with its name box ready for a typed name.
      block->Flags |= OFN_EXPLORER | OFN_ENABLEHOOK;
      block->lpfnHook = &win32::fileDialogHook;
      return request.save ? GetSaveFileNameW(block) : GetOpenFileNameW(block);
    };
    calls.lastError = [] { return CommDlgExtendedError(); };
    calls.notice = [&](const std::string& text) {
      // Under the program's name, as the window's title shows it.
      wchar_t caption[128] = L"";
      if (owner != nullptr) GetWindowTextW(owner, caption, 128);
      CenteredBoxes centred;
      MessageBoxW(owner, fromCodePage932(text).c_str(), caption,
                  MB_OK | MB_ICONEXCLAMATION);
    };
    return win32::chooseFile(request, owner, calls);
  }

  int messageBox(const std::string& caption, const std::string& text,
                 unsigned style) override {
    refresh();
    CenteredBoxes centred;
    return MessageBoxW(liveWindow(), fromCodePage932(text).c_str(),
                       fromCodePage932(caption).c_str(), style);
  }

  void failureBox(const std::string& caption, const std::string& text,
                  unsigned style) override {
    MessageBoxW(nullptr, fromCodePage932(text).c_str(),
                fromCodePage932(caption).c_str(), style);
  }

  void waitForKey() override {
    if (window_ == nullptr || quit_) return;
    EnableWindow(window_, TRUE);
    SetForegroundWindow(window_);
    SetFocus(window_);
    refresh();
    UpdateWindow(window_);
    keyPressed_ = false;
    waitingForKey_ = true;
    MSG message;
    while (window_ != nullptr && !keyPressed_) {
      BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == 0) {
        quit_ = true;
        break;
      }
      if (got < 0) break;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    waitingForKey_ = false;
    // The key that ended the wait is used up, with the characters that it
    // was translated into.
    if (keyPressed_ && window_ != nullptr) {
      while (PeekMessageW(&message, window_, WM_CHAR, WM_DEADCHAR, PM_REMOVE)) {
      }
    }
  }

  void closeWindow() override {
    // Other top-level windows of the program go first, then the main one;
    // the queue is emptied after each so that nothing is left behind.
    std::vector<HWND> others;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) -> BOOL {
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&others));
    for (HWND other : others) {
      if (other != window_ && IsWindow(other) && IsWindowVisible(other) &&
          GetParent(other) == nullptr) {
        SendMessageW(other, WM_CLOSE, 0, 0);
        drain();
      }
    }
    if (window_ != nullptr) {
      SendMessageW(window_, WM_CLOSE, 0, 0);
      drain();
    }
  }

 private:
  bool registerClass() {
    if (registered_) return true;
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &WindowsFrontEnd::windowProcedure;
    windowClass.cbClsExtra = 0;
    // The window's number among the program's windows (0, the main text
    // window).
    windowClass.cbWndExtra = 4;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, L"MainIcon");
    if (windowClass.hIcon == nullptr) {
      windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    }
    // No class cursor: the window sets the arrow itself.
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground =
        static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    if (RegisterClassW(&windowClass) == 0) return false;
    registered_ = true;
    return true;
  }

  static LRESULT CALLBACK windowProcedure(HWND window, UINT message,
                                          WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      auto* self = static_cast<WindowsFrontEnd*>(create->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(self));
      self->window_ = window;
    }
    auto* self = reinterpret_cast<WindowsFrontEnd*>(
        GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(window, message, wParam, lParam);
  }

  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_CREATE:
        SetWindowLongW(window, 0, 0);
        setUp(window);
        return 0;
      case WM_GETMINMAXINFO:
        if (outerSize_.cx > 0) {
          // Never larger than the grid: that is the size made at start.
          auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
          limits->ptMaxTrackSize = {outerSize_.cx, outerSize_.cy};
          limits->ptMaxSize = {outerSize_.cx, outerSize_.cy};
        }
        return 0;
      case WM_SIZE:
        if (cellWidth_ > 0) updateScrollBars();
        return 0;
      case WM_HSCROLL:
        scrollBy(SB_HORZ, LOWORD(wParam), cellWidth_);
        return 0;
      case WM_VSCROLL:
        scrollBy(SB_VERT, LOWORD(wParam), cellHeight_);
        return 0;
      case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (!IsIconic(window)) draw(dc, paint.rcPaint);
        EndPaint(window, &paint);
        return 0;
      }
      case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
      case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client,
                 static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        draw(reinterpret_cast<HDC>(wParam), client);
        return 0;
      }
      case WM_SETFOCUS:
        focused_ = true;
        CreateCaret(window, nullptr, 2, cellHeight_);
        caretShown_ = false;
        placeCaret();
        return 0;
      case WM_KILLFOCUS:
        focused_ = false;
        caretShown_ = false;
        DestroyCaret();
        return 0;
      case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
          SetCursor(LoadCursor(nullptr, IDC_ARROW));
          return TRUE;
        }
        break;
      case WM_MOUSEMOVE:
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        return 0;
      case WM_KEYDOWN:
        if (waitingForKey_) keyPressed_ = true;
        return 0;
      case WM_CHAR:
        if (waitingForKey_) {
          keyPressed_ = true;
        } else if (wParam == 3) {
          breakRequested_ = true;
        }
        return 0;
      case WM_SYSCOMMAND:
      case WM_COMMAND:
        // The items of the system menu's submenu arrive as WM_SYSCOMMAND on
        // Windows and as WM_COMMAND under some other implementations.
        if ((wParam & 0xFFF0) == kCopyText) {
          copyToClipboard(false);
          return 0;
        }
        if ((wParam & 0xFFF0) == kCopyTextAndGraphics) {
          copyToClipboard(true);
          return 0;
        }
        break;
      case WM_DESTROY:
        if (focused_) DestroyCaret();
        focused_ = false;
        window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        PostQuitMessage(0);
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  // A face of the fonts with the Shift-JIS character set, as the system
  // enumerates them.
  struct JapaneseFace {
    std::wstring name;
    bool fixedPitch;
  };

  static std::vector<JapaneseFace> japaneseFaces(HDC dc) {
    std::vector<JapaneseFace> faces;
    LOGFONTW query{};
    query.lfCharSet = SHIFTJIS_CHARSET;
    EnumFontFamiliesExW(
        dc, &query,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD,
           LPARAM list) -> int {
          auto* found = reinterpret_cast<std::vector<JapaneseFace>*>(list);
          // "@" faces are for vertical writing.
          if (font->lfCharSet == SHIFTJIS_CHARSET &&
              font->lfFaceName[0] != L'@') {
            found->push_back({font->lfFaceName,
                              (font->lfPitchAndFamily & 3) == FIXED_PITCH});
          }
          return 1;
        },
        reinterpret_cast<LPARAM>(&faces), 0);
    return faces;
  }

  // The system fixed font where it is a Shift-JIS font (a Japanese
  // system). Otherwise a fixed-pitch font with the Shift-JIS character set
  // (MS Gothic first, then any the system has), else any Japanese font: the
  // cells are drawn one by one with explicit advances, so the grid holds
  // either way.
  void chooseFont(HDC dc) {
    HFONT system = static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT));
    LOGFONTW description{};
    if (GetObjectW(system, sizeof description, &description) == 0 ||
        description.lfCharSet == SHIFTJIS_CHARSET) {
      font_ = system;
      return;
    }
    std::vector<JapaneseFace> faces = japaneseFaces(dc);
    const JapaneseFace* chosen = nullptr;
    for (const JapaneseFace& face : faces) {
      if (face.name == L"MS Gothic" ||
          face.name == L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF") {
        chosen = &face;
        break;
      }
    }
    for (const JapaneseFace& face : faces) {
      if (chosen == nullptr && face.fixedPitch) chosen = &face;
    }
    if (chosen == nullptr && !faces.empty()) chosen = &faces.front();
    LOGFONTW japanese{};
    japanese.lfHeight = description.lfHeight != 0 ? description.lfHeight : 16;
    japanese.lfWeight = FW_NORMAL;
    japanese.lfCharSet = SHIFTJIS_CHARSET;
    japanese.lfOutPrecision = OUT_DEFAULT_PRECIS;
    japanese.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    japanese.lfQuality = DEFAULT_QUALITY;
    japanese.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    // Without any Japanese face the font mapper picks by the character
    // set.
    std::wcsncpy(japanese.lfFaceName,
                 chosen != nullptr ? chosen->name.c_str() : L"MS Gothic",
                 LF_FACESIZE - 1);
    HFONT created = CreateFontIndirectW(&japanese);
    if (created == nullptr) {
      font_ = system;
      return;
    }
    font_ = created;
    ownsFont_ = true;
  }

  void setUp(HWND window) {
    HDC dc = GetDC(window);
    chooseFont(dc);
    HGDIOBJ old = SelectObject(dc, font_);
    SIZE dot{};
    GetTextExtentPoint32W(dc, L".", 1, &dot);
    // In a font that is not fixed-pitch a double-byte character must still
    // fit its two cells.
    SIZE wide{};
    GetTextExtentPoint32W(dc, L"\u6F22", 1, &wide);  // 漢
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    cellWidth_ = std::max<int>({1, dot.cx, (wide.cx + 1) / 2});
    cellHeight_ = std::max<int>({1, dot.cy, wide.cy});

    HMENU system = GetSystemMenu(window, FALSE);
    if (system != nullptr) {
      HMENU copy = CreatePopupMenu();
      AppendMenuW(copy, MF_STRING, kCopyText,
                  fromCodePage932("\x83\x65\x83\x4c\x83\x58\x83\x67(&T)"
                                  /* テキスト(&T) */)
                      .c_str());
      AppendMenuW(copy, MF_STRING, kCopyTextAndGraphics,
                  fromCodePage932("\x83\x65\x83\x4c\x83\x58\x83\x67/\x83\x4f"
                                  "\x83\x89\x83\x74\x83\x42\x83\x62\x83\x4e"
                                  "(&M)" /* テキスト/グラフィック(&M) */)
                      .c_str());
      AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(system, MF_POPUP, reinterpret_cast<UINT_PTR>(copy),
                  fromCodePage932("\x83\x52\x83\x73\x81\x5b(&Y)"
                                  /* コピー(&Y) */)
                      .c_str());
    }

    // The grid's size without scroll bars: they show only when the window
    // is made smaller than this.
    ShowScrollBar(window, SB_BOTH, FALSE);
    visibleWidth_ = gridWidth();
    visibleHeight_ = gridHeight();
    RECT frame{0, 0, gridWidth(), gridHeight()};
    AdjustWindowRectEx(&frame, kStyle & ~(WS_HSCROLL | WS_VSCROLL), FALSE, 0);
    outerSize_ = {frame.right - frame.left, frame.bottom - frame.top};
    MoveWindow(window, 0, 0, outerSize_.cx, outerSize_.cy, FALSE);
  }

  int gridWidth() const { return cellWidth_ * columns(); }
  int gridHeight() const { return cellHeight_ * rows(); }
  int columns() const { return host_ != nullptr ? host_->cells().columns : 80; }
  int rows() const { return host_ != nullptr ? host_->cells().rows : 24; }

  HWND liveWindow() const {
    return window_ != nullptr && IsWindow(window_) ? window_ : nullptr;
  }

  // Scroll bars: a bar shows only when the grid does not fit beside the
  // other bar, and its page is the part of the grid in sight. The decision
  // starts from the window's outer size less its frame, so it never depends
  // on the bars shown before: back at full size (or maximized) both go.
  void updateScrollBars() {
    if (inScrollUpdate_ || window_ == nullptr || IsIconic(window_)) return;
    inScrollUpdate_ = true;
    RECT outer;
    GetWindowRect(window_, &outer);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE));
    const DWORD exStyle =
        static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE));
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style & ~(WS_HSCROLL | WS_VSCROLL), FALSE,
                       exStyle);
    int width = static_cast<int>((outer.right - outer.left) -
                                 (frame.right - frame.left));
    int height = static_cast<int>((outer.bottom - outer.top) -
                                  (frame.bottom - frame.top));
    bool horizontal = width < gridWidth();
    bool vertical = height < gridHeight();
    if (horizontal) height -= GetSystemMetrics(SM_CYHSCROLL);
    if (!vertical && height < gridHeight()) vertical = true;
    if (vertical) width -= GetSystemMetrics(SM_CXVSCROLL);
    if (!horizontal && width < gridWidth()) {
      horizontal = true;
      height -= GetSystemMetrics(SM_CYHSCROLL);
    }
    visibleWidth_ = horizontal ? std::max(0, width) : gridWidth();
    visibleHeight_ = vertical ? std::max(0, height) : gridHeight();
    ShowScrollBar(window_, SB_HORZ, horizontal);
    ShowScrollBar(window_, SB_VERT, vertical);
    setBar(SB_HORZ, visibleWidth_, gridWidth(), &scrollX_, horizontal);
    setBar(SB_VERT, visibleHeight_, gridHeight(), &scrollY_, vertical);
    inScrollUpdate_ = false;
    followPrintPosition();
    InvalidateRect(window_, nullptr, TRUE);
    placeCaret();
  }

  // A page as large as the grid leaves nothing to scroll.
  void setBar(int bar, int visible, int grid, int* offset, bool shown) {
    *offset = std::clamp(*offset, 0, std::max(0, grid - visible));
    if (!shown) return;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = grid - 1;
    info.nPage = static_cast<UINT>(visible);
    info.nPos = *offset;
    SetScrollInfo(window_, bar, &info, TRUE);
  }

  // While the window is smaller than the grid the view keeps the print
  // position (the count, the reports) in sight. True when it moved.
  bool followPrintPosition() {
    if (host_ == nullptr || cellWidth_ == 0) return false;
    CellView view = host_->cells();
    const int x = view.cursorColumn * cellWidth_;
    const int y = view.cursorRow * cellHeight_;
    int newX = scrollX_;
    int newY = scrollY_;
    if (y < newY) newY = y;
    if (y + cellHeight_ > newY + visibleHeight_) {
      newY = y + cellHeight_ - visibleHeight_;
    }
    if (x < newX) newX = x;
    if (x + cellWidth_ > newX + visibleWidth_) {
      newX = x + cellWidth_ - visibleWidth_;
    }
    newX = std::clamp(newX, 0, std::max(0, gridWidth() - visibleWidth_));
    newY = std::clamp(newY, 0, std::max(0, gridHeight() - visibleHeight_));
    if (newX == scrollX_ && newY == scrollY_) return false;
    scrollX_ = newX;
    scrollY_ = newY;
    SetScrollPos(window_, SB_HORZ, scrollX_, TRUE);
    SetScrollPos(window_, SB_VERT, scrollY_, TRUE);
    return true;
  }

  void scrollBy(int bar, int request, int line) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(window_, bar, &info);
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
        return;
    }
    int& offset = bar == SB_HORZ ? scrollX_ : scrollY_;
    int limit = std::max(0, info.nMax + 1 - static_cast<int>(info.nPage));
    offset = std::clamp(position, 0, limit);
    info.fMask = SIF_POS;
    info.nPos = offset;
    SetScrollInfo(window_, bar, &info, TRUE);
    InvalidateRect(window_, nullptr, TRUE);
    placeCaret();
  }

  // Draws the rows that meet the area from the host's cells.
  void draw(HDC dc, const RECT& area) {
    if (host_ == nullptr) return;
    CellView view = host_->cells();
    HGDIOBJ old = SelectObject(dc, font_);
    SetTextColor(dc, kForeground);
    SetBkColor(dc, kBackground);
    SetBkMode(dc, OPAQUE);
    int first =
        std::max(0, (static_cast<int>(area.top) + scrollY_) / cellHeight_);
    int last =
        std::min(view.rows - 1,
                 (static_cast<int>(area.bottom) - 1 + scrollY_) / cellHeight_);
    for (int row = first; row <= last; ++row) {
      win32::RowText text =
          win32::rowText(view.cells + static_cast<size_t>(row) * view.columns,
                         view.columns, cellWidth_);
      RECT cells{-scrollX_, row * cellHeight_ - scrollY_,
                 view.columns * cellWidth_ - scrollX_,
                 (row + 1) * cellHeight_ - scrollY_};
      ExtTextOutW(dc, cells.left, cells.top, ETO_OPAQUE | ETO_CLIPPED, &cells,
                  text.text.data(), static_cast<UINT>(text.text.size()),
                  text.advances.data());
    }
    SelectObject(dc, old);
  }

  // The rows whose cells changed since the last look are drawn again.
  void refresh() {
    if (window_ == nullptr || host_ == nullptr) return;
    CellView view = host_->cells();
    size_t total = static_cast<size_t>(view.rows) * view.columns;
    bool all = shown_.size() != total;
    if (followPrintPosition()) {
      InvalidateRect(window_, nullptr, FALSE);
      all = false;
    }
    for (int row = 0; row < view.rows; ++row) {
      size_t start = static_cast<size_t>(row) * view.columns;
      if (all || std::memcmp(shown_.data() + start, view.cells + start,
                             static_cast<size_t>(view.columns)) != 0) {
        RECT cells{0, row * cellHeight_ - scrollY_,
                   view.columns * cellWidth_ - scrollX_,
                   (row + 1) * cellHeight_ - scrollY_};
        InvalidateRect(window_, &cells, FALSE);
      }
    }
    rememberCells();
    placeCaret();
  }

  void rememberCells() {
    if (host_ == nullptr) return;
    CellView view = host_->cells();
    shown_.assign(view.cells,
                  view.cells + static_cast<size_t>(view.rows) * view.columns);
  }

  // The caret stands at the print position while the window has the focus
  // and the program shows its cursor.
  void placeCaret() {
    if (!focused_ || host_ == nullptr) return;
    CellView view = host_->cells();
    SetCaretPos(view.cursorColumn * cellWidth_ - scrollX_,
                view.cursorRow * cellHeight_ - scrollY_);
    if (view.cursorVisible && !caretShown_) {
      ShowCaret(window_);
      caretShown_ = true;
    } else if (!view.cursorVisible && caretShown_) {
      HideCaret(window_);
      caretShown_ = false;
    }
  }

  void copyToClipboard(bool withPicture) {
    if (host_ == nullptr || !OpenClipboard(window_)) return;
    EmptyClipboard();
    std::string text = host_->clipboardText();
    putOnClipboard(CF_TEXT, text.data(), text.size() + 1);
    // Programs that read Unicode get the same text whatever the system's
    // ANSI code page is.
    std::wstring wide = fromCodePage932(text);
    putOnClipboard(CF_UNICODETEXT, wide.c_str(),
                   (wide.size() + 1) * sizeof(wchar_t));
    if (withPicture) {
      HDC screen = GetDC(window_);
      HDC memory = CreateCompatibleDC(screen);
      HBITMAP picture =
          CreateCompatibleBitmap(screen, gridWidth(), gridHeight());
      if (memory != nullptr && picture != nullptr) {
        HGDIOBJ old = SelectObject(memory, picture);
        BitBlt(memory, 0, 0, gridWidth(), gridHeight(), screen, -scrollX_,
               -scrollY_, SRCCOPY);
        SelectObject(memory, old);
        // The clipboard owns the bitmap once it has taken it.
        if (SetClipboardData(CF_BITMAP, picture) != nullptr) picture = nullptr;
      }
      if (picture != nullptr) DeleteObject(picture);
      if (memory != nullptr) DeleteDC(memory);
      ReleaseDC(window_, screen);
    }
    CloseClipboard();
  }

  static void putOnClipboard(UINT format, const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) return;
    void* target = GlobalLock(block);
    if (target == nullptr) {
      GlobalFree(block);
      return;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(block);
    if (SetClipboardData(format, block) == nullptr) GlobalFree(block);
  }

  // Handles what is queued, up to the quit that a destroyed window posts.
  void drain() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit_ = true;
        break;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  HINSTANCE instance_;
  int showCommand_;
  WindowHost* host_ = nullptr;
  HWND window_ = nullptr;
  bool registered_ = false;
  HFONT font_ = nullptr;
  bool ownsFont_ = false;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  SIZE outerSize_{0, 0};
  int scrollX_ = 0;
  int scrollY_ = 0;
  // The part of the grid in sight (the whole grid at full size).
  int visibleWidth_ = 0;
  int visibleHeight_ = 0;
  bool inScrollUpdate_ = false;
  bool focused_ = false;
  bool caretShown_ = false;
  bool breakRequested_ = false;
  bool quit_ = false;
  bool waitingForKey_ = false;
  bool keyPressed_ = false;
  std::vector<unsigned char> shown_;
};

}  // namespace

std::unique_ptr<FrontEnd> makeWindowsFrontEnd(HINSTANCE instance,
                                              int showCommand) {
  return std::make_unique<WindowsFrontEnd>(instance, showCommand);
}

}  // namespace tess::platform
