// The main text window on Windows. The cells live in the platform-free model
// (WindowHost); the window draws them, invalidating the rows that changed
// whenever the program pumps its messages, and carries the caret, the
// scroll bars that pan a window made smaller than its grid (following the
// print position, ui_scroll_view.h), and the system menu's copy commands
// (ui_window_copy.h). Every call that
// takes or gives text is the wide one; the program's Shift-JIS text is
// converted by code page 932, so the window, the dialogs and the boxes read
// the same whatever the system's language for non-Unicode programs is.
#include "ui/win32/ui_window.h"

#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "ui/win32/ui_box_placement.h"
#include "ui/win32/ui_box_style.h"
#include "ui/win32/ui_cell_painter.h"
#include "ui/win32/ui_scroll_view.h"
#include "ui/win32/ui_text_font.h"
#include "ui/win32/ui_window_copy.h"
#include "ui/win32/window_support.h"

namespace tess::ui {
namespace {

using platform::win32::fromCodePage932;
using win32::CenteredBoxes;

constexpr const wchar_t *kClassName = kTextWindowClass;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL;
constexpr UINT kCopyText = kCopyTextCommand;
constexpr UINT kCopyTextAndGraphics = kCopyTextAndGraphicsCommand;

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

  WindowsFrontEnd(const WindowsFrontEnd &) = delete;
  WindowsFrontEnd &operator=(const WindowsFrontEnd &) = delete;

  bool openWindow(const std::string &title, WindowHost *host) override {
    host_ = host;
    if (!registerClass()) return false;
    HWND window = CreateWindowExW(
        0, kClassName, platform::win32::fromCodePage932(title).c_str(), kStyle,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
        nullptr, instance_, this);
    if (window == nullptr) return false;
    rememberCells();
    ShowWindow(window, showCommand_);
    UpdateWindow(window);
    return true;
  }

  PumpEvents pump() override {
    refresh();
    MSG message;
    // Each message is taken in one call: a look first and a take after
    // would ask the system twice for every message.
    while (!quit_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit_ = true;
        break;
      }
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
      const FileDialogRequest &request) override {
    refresh();
    HWND owner = liveWindow();
    win32::DialogCalls calls;
    calls.show = [&](OPENFILENAMEW *block) {
      // The dialog opens beside the window, so that what the run printed
      // stays in sight, with its name box ready for a typed name.
      block->Flags |= OFN_EXPLORER | OFN_ENABLEHOOK;
      block->lpfnHook = &win32::fileDialogHook;
      return request.save ? GetSaveFileNameW(block) : GetOpenFileNameW(block);
    };
    calls.lastError = [] { return CommDlgExtendedError(); };
    calls.notice = [&](const std::string &text) {
      // Under the program's name, as the window's title shows it.
      wchar_t caption[128] = L"";
      if (owner != nullptr) GetWindowTextW(owner, caption, 128);
      CenteredBoxes centred;
      MessageBoxW(owner, platform::win32::fromCodePage932(text).c_str(),
                  caption, MB_OK | MB_ICONEXCLAMATION);
    };
    return win32::chooseFile(request, owner, calls);
  }

  BoxAnswer messageBox(const std::string &caption, const std::string &text,
                       BoxStyle style) override {
    refresh();
    CenteredBoxes centred;
    return win32::boxAnswerOf(MessageBoxW(
        liveWindow(), platform::win32::fromCodePage932(text).c_str(),
        platform::win32::fromCodePage932(caption).c_str(),
        win32::messageBoxFlags(style)));
  }

  void failureBox(const std::string &caption, const std::string &text,
                  BoxStyle style) override {
    MessageBoxW(nullptr, platform::win32::fromCodePage932(text).c_str(),
                platform::win32::fromCodePage932(caption).c_str(),
                win32::messageBoxFlags(style));
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
          reinterpret_cast<std::vector<HWND> *>(list)->push_back(window);
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
      auto *create = reinterpret_cast<CREATESTRUCTW *>(lParam);
      auto *self = static_cast<WindowsFrontEnd *>(create->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(self));
      self->window_ = window;
    }
    auto *self = reinterpret_cast<WindowsFrontEnd *>(
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
          auto *limits = reinterpret_cast<MINMAXINFO *>(lParam);
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

  void setUp(HWND window) {
    HDC dc = GetDC(window);
    const win32::TextFont chosen = win32::chooseTextFont(dc);
    font_ = chosen.handle;
    ownsFont_ = chosen.owned;
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

    win32::addCopyMenu(window, kCopyText, kCopyTextAndGraphics);

    // The grid's size without scroll bars: they show only when the window
    // is made smaller than this.
    ShowScrollBar(window, SB_BOTH, FALSE);
    view_.reset(gridSize());
    RECT frame{0, 0, gridWidth(), gridHeight()};
    AdjustWindowRectEx(&frame, kStyle & ~(WS_HSCROLL | WS_VSCROLL), FALSE, 0);
    outerSize_ = {frame.right - frame.left, frame.bottom - frame.top};
    MoveWindow(window, 0, 0, outerSize_.cx, outerSize_.cy, FALSE);
  }

  int gridWidth() const { return cellWidth_ * columns(); }
  SIZE gridSize() const { return {gridWidth(), gridHeight()}; }
  int gridHeight() const { return cellHeight_ * rows(); }
  int columns() const { return host_ != nullptr ? host_->cells().columns : 80; }
  int rows() const { return host_ != nullptr ? host_->cells().rows : 24; }

  HWND liveWindow() const {
    return window_ != nullptr && IsWindow(window_) ? window_ : nullptr;
  }

  void updateScrollBars() {
    if (window_ == nullptr || !view_.update(window_, gridSize())) return;
    followPrintPosition();
    InvalidateRect(window_, nullptr, TRUE);
    placeCaret();
  }

  // While the window is smaller than the grid the view keeps the print
  // position (the count, the reports) in sight. True when it moved.
  bool followPrintPosition() {
    if (host_ == nullptr || cellWidth_ == 0) return false;
    CellView view = host_->cells();
    const int x = view.cursorColumn * cellWidth_;
    const int y = view.cursorRow * cellHeight_;
    return view_.follow(window_, {x, y, x + cellWidth_, y + cellHeight_},
                        gridSize());
  }

  void scrollBy(int bar, int request, int line) {
    if (!view_.scroll(window_, bar, request, line)) return;
    InvalidateRect(window_, nullptr, TRUE);
    placeCaret();
  }

  void copyToClipboard(bool withPicture) {
    if (host_ == nullptr) return;
    win32::copyToClipboard(window_, host_->clipboardText(), withPicture,
                           gridSize(), {view_.x(), view_.y()});
  }

  // Draws the rows that meet the area from the host's cells.
  void draw(HDC dc, const RECT &area) {
    if (host_ == nullptr) return;
    win32::paintCells(dc, font_, host_->cells(), area,
                      {cellWidth_, cellHeight_}, {view_.x(), view_.y()});
  }

  // The rows whose cells changed since the last look are drawn again: the
  // band from the first to the last of them, in one request (while a
  // conversion scrolls the window every row changes).
  void refresh() {
    if (window_ == nullptr || host_ == nullptr) return;
    CellView view = host_->cells();
    size_t total = static_cast<size_t>(view.rows) * view.columns;
    bool all = shown_.size() != total;
    if (followPrintPosition()) {
      InvalidateRect(window_, nullptr, FALSE);
      all = false;
    }
    int first = -1;
    int last = -1;
    for (int row = 0; row < view.rows; ++row) {
      size_t start = static_cast<size_t>(row) * view.columns;
      if (all || std::memcmp(shown_.data() + start, view.cells + start,
                             static_cast<size_t>(view.columns)) != 0) {
        if (first < 0) first = row;
        last = row;
      }
    }
    if (first >= 0) {
      RECT cells{0, first * cellHeight_ - view_.y(),
                 view.columns * cellWidth_ - view_.x(),
                 (last + 1) * cellHeight_ - view_.y()};
      InvalidateRect(window_, &cells, FALSE);
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
    SetCaretPos(view.cursorColumn * cellWidth_ - view_.x(),
                view.cursorRow * cellHeight_ - view_.y());
    if (view.cursorVisible && !caretShown_) {
      ShowCaret(window_);
      caretShown_ = true;
    } else if (!view.cursorVisible && caretShown_) {
      HideCaret(window_);
      caretShown_ = false;
    }
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
  WindowHost *host_ = nullptr;
  HWND window_ = nullptr;
  bool registered_ = false;
  HFONT font_ = nullptr;
  bool ownsFont_ = false;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  SIZE outerSize_{0, 0};
  win32::ScrollView view_;
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

}  // namespace tess::ui
