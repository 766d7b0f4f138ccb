#ifndef _XOPEN_SOURCE_EXTENDED
#define _XOPEN_SOURCE_EXTENDED 1
#endif
#include "ui/terminal/ui_terminal.h"

#include <curses.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwchar>

#include "ui/model/ui_dialog_rules.h"
#include "ui/model/ui_texts.h"
#include "ui/model/ui_window_text.h"
#include "ui/terminal/ui_clipboard.h"
#include "ui/terminal/ui_terminal_colors.h"

namespace tess::ui {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(30);

constexpr unsigned kCtrlC = 3;

void restoreTerminal() { endwin(); }

}  // namespace

TerminalFrontEnd::TerminalFrontEnd(platform::FileSystem& fs,
                                   SignalSource& signals)
    : fs_(fs), signals_(signals) {}

TerminalFrontEnd::~TerminalFrontEnd() { closeWindow(); }

bool TerminalFrontEnd::openWindow(const std::string& title, WindowHost* host) {
  (void)title;
  if (screen_) return true;
  installCrashRestore(&restoreTerminal);
  screen_ = newterm(nullptr, stdout, stdin);
  if (!screen_) return false;
  set_term(screen_);
  armCrashRestore(true);
  raw();
  noecho();
  nonl();
  intrflush(stdscr, FALSE);
  keypad(stdscr, TRUE);
  meta(stdscr, TRUE);
  set_escdelay(50);
  colors_ = has_colors();
  if (colors_) {
    start_color();
    init_pair(kWindowPair, COLOR_WHITE, COLOR_BLACK);
    init_pair(kPanelPair, COLOR_WHITE, COLOR_BLUE);
    init_pair(kSelectionPair, COLOR_BLACK, COLOR_CYAN);
    init_pair(kNoticePair, COLOR_YELLOW, COLOR_BLUE);
    init_pair(kFieldPair, COLOR_BLACK, COLOR_WHITE);
  }
  host_ = host;
  redrawAll();
  lastPump_ = std::chrono::steady_clock::now();
  return true;
}

void TerminalFrontEnd::closeWindow() {
  if (!screen_) return;
  endwin();
  armCrashRestore(false);
  delscreen(screen_);
  screen_ = nullptr;
  host_ = nullptr;
}

int TerminalFrontEnd::endSignal() const {
  if (int signo = signals_.quitSignal()) return signo;
  return hungUp_ ? SIGHUP : 0;
}

void TerminalFrontEnd::failureBox(const std::string& caption,
                                  const std::string& text, BoxStyle style) {
  if (screen_) {
    messageBox(caption, text, style);
    return;
  }
  std::string line = display_.display(caption) + ": " + display_.display(text);
  std::fprintf(stderr, "%s\n", line.c_str());
}

void TerminalFrontEnd::redrawAll() {
  werase(stdscr);
  drawnRows_.clear();
  drawWindow(true);
  wrefresh(stdscr);
}

void TerminalFrontEnd::drawWindow(bool force, int areaRows) {
  if (!host_) return;
  CellView view = host_->cells();
  if (!view.cells) return;
  const bool small = LINES < view.rows || COLS < view.columns;
  const bool statusLine = areaRows < 0 && small && LINES > 1;
  int area = areaRows < 0 ? LINES - (statusLine ? 1 : 0) : areaRows;
  area = std::clamp(area, 0, view.rows);
  const int top = windowViewTop(view, area);
  if (top != viewTop_ || drawnRows_.size() != static_cast<size_t>(LINES)) {
    drawnRows_.assign(static_cast<size_t>(std::max(LINES, 0)), std::string());
    viewTop_ = top;
    force = true;
  }
  for (int r = 0; r < area; ++r) {
    std::string row(reinterpret_cast<const char*>(view.cells) +
                        static_cast<size_t>(r + top) * view.columns,
                    static_cast<size_t>(view.columns));
    std::string& drawn = drawnRows_[static_cast<size_t>(r)];
    if (!force && row == drawn) continue;
    wattrset(stdscr, colors_ ? COLOR_PAIR(kWindowPair) : A_NORMAL);
    wmove(stdscr, r, 0);
    wclrtoeol(stdscr);
    for (const Glyph& glyph : display_.glyphs(row)) {
      if (glyph.column + glyph.cells > COLS) break;
      mvwaddstr(stdscr, r, glyph.column, glyph.text.c_str());
    }
    drawn = std::move(row);
  }
  if (statusLine && (force || drawnRows_.back() != texts::kSmallTerminal)) {
    wattrset(stdscr, A_REVERSE);
    mvwhline(stdscr, LINES - 1, 0, ' ', COLS);
    mvwaddstr(
        stdscr, LINES - 1, 0,
        display_
            .display(fitSjis(texts::kSmallTerminal, static_cast<size_t>(COLS)))
            .c_str());
    drawnRows_.back() = texts::kSmallTerminal;
  }
  const int cursorRow = view.cursorRow - top;
  if (cursorRow >= 0 && cursorRow < area && view.cursorColumn < COLS) {
    wmove(stdscr, cursorRow, view.cursorColumn);
    curs_set(1);
  }
}

void TerminalFrontEnd::copyWindowText() {
  if (!host_) return;
  // Every row, blank ones too: the copy keeps the window's layout.
  std::string text = utf8_.plain(windowRowsText(host_->cells()));
  std::string unix;
  unix.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    unix += text[i];
  }
  std::string sequence = clipboardSequence(unix);
  std::fflush(stdout);
  size_t done = 0;
  while (done < sequence.size()) {
    ssize_t n =
        ::write(STDOUT_FILENO, sequence.data() + done, sequence.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

PumpEvents TerminalFrontEnd::pump() {
  PumpEvents events;
  if (signals_.takeBreakRequest()) pendingBreak_ = true;
  if (closed()) {
    events.quit = true;
    return events;
  }
  if (!screen_) return events;
  auto now = std::chrono::steady_clock::now();
  // Input and drawing are taken care of only every few milliseconds so
  // that they cost the conversion nothing.
  if (now - lastPump_ >= kRedrawInterval) {
    lastPump_ = now;
    if (terminalHungUp(0)) {
      events.quit = true;
      return events;
    }
    bool resized = false;
    // Only Ctrl-C, the copy keys and a new size mean something here; the
    // bytes of other keys (escape sequences included) are dropped.
    while (std::optional<Key> key = readKey(0)) {
      if (!key->function && key->code == kCtrlC) {
        pendingBreak_ = true;
      } else if (key->function ? key->code == static_cast<unsigned>(KEY_F(2))
                               : key->code == 25) {
        copyWindowText();
      } else if (key->function && key->code == KEY_RESIZE) {
        resized = true;
      }
    }
    if (resized) {
      redrawAll();
    } else {
      drawWindow(false);
      wrefresh(stdscr);
    }
  }
  events.breakRequested = pendingBreak_;
  pendingBreak_ = false;
  return events;
}

void TerminalFrontEnd::waitForKey() {
  if (!screen_) return;
  drawWindow(false);
  wrefresh(stdscr);
  while (std::optional<DialogKey> key = nextKey()) {
    if (key->name == KeyName::Resize) {
      redrawAll();
    } else if (key->name == KeyName::Copy) {
      copyWindowText();
    } else {
      return;
    }
  }
}

namespace {

struct TerminalParts {
  ProcessSignals signals;
};

class StdioTerminal : private TerminalParts, public TerminalFrontEnd {
 public:
  explicit StdioTerminal(platform::FileSystem& fs)
      : TerminalFrontEnd(fs, signals) {}
};

}  // namespace

std::unique_ptr<FrontEnd> makeStdioTerminal(platform::FileSystem& fs) {
  return std::make_unique<StdioTerminal>(fs);
}

}  // namespace tess::ui
