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

namespace tess::platform {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(30);
constexpr int kWaitSliceMs = 100;
// How long the rest of an escape sequence may take to arrive.
constexpr int kSequenceByteMs = 30;
// The rows of the window kept in sight above a panel: the log's line, the
// saving line, the count and the next banner.
constexpr int kRowsKeptAbovePanel = 10;
constexpr int kDialogHeight = 14;  // eight list rows
constexpr int kDialogFixedRows = 6;

enum Pair : short {
  kWindowPair = 1,
  kPanelPair = 2,
  kSelectionPair = 3,
  kNoticePair = 4,
  kFieldPair = 5,
};

constexpr unsigned kCtrlC = 3;

void restoreTerminal() { endwin(); }

}  // namespace

TerminalFrontEnd::TerminalFrontEnd(FileSystem& fs, SignalSource& signals)
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

std::optional<TerminalFrontEnd::Key> TerminalFrontEnd::readKey(int timeoutMs) {
  wtimeout(stdscr, timeoutMs);
  wint_t code = 0;
  int kind = wget_wch(stdscr, &code);
  if (kind == ERR) return std::nullopt;
  Key key;
  key.function = kind == KEY_CODE_YES;
  key.code = static_cast<unsigned>(code);
  return key;
}

bool TerminalFrontEnd::terminalHungUp(int timeoutMs) {
  if (hungUp_) return true;
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, timeoutMs) > 0 &&
      (input.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    hungUp_ = true;
  }
  return hungUp_;
}

std::optional<TerminalFrontEnd::Key> TerminalFrontEnd::waitKey(int timeoutMs) {
  if (std::optional<Key> key = readKey(0)) return key;
  // Waiting on the terminal itself also tells when it has gone away (a
  // closed terminal emulator does not always send a hang-up signal).
  if (terminalHungUp(timeoutMs)) return std::nullopt;
  return readKey(0);
}

std::optional<DialogKey> TerminalFrontEnd::nextKey() {
  while (!closed()) {
    if (std::optional<Key> key = waitKey(kWaitSliceMs)) return translate(*key);
  }
  return std::nullopt;
}

DialogKey TerminalFrontEnd::translate(const Key& key) {
  DialogKey result;
  if (key.function) {
    switch (static_cast<int>(key.code)) {
      case KEY_UP:
        result.name = KeyName::Up;
        break;
      case KEY_DOWN:
        result.name = KeyName::Down;
        break;
      case KEY_LEFT:
        result.name = KeyName::Left;
        break;
      case KEY_RIGHT:
        result.name = KeyName::Right;
        break;
      case KEY_HOME:
      case KEY_FIND:
      case KEY_A1:
        result.name = KeyName::Home;
        break;
      case KEY_END:
      case KEY_SELECT:
      case KEY_C1:
        result.name = KeyName::End;
        break;
      case KEY_PPAGE:
      case KEY_A3:
        result.name = KeyName::PageUp;
        break;
      case KEY_NPAGE:
      case KEY_C3:
        result.name = KeyName::PageDown;
        break;
      case KEY_ENTER:
        result.name = KeyName::Enter;
        break;
      case KEY_BTAB:
        result.name = KeyName::BackTab;
        break;
      case KEY_BACKSPACE:
        result.name = KeyName::Backspace;
        break;
      case KEY_DC:
        result.name = KeyName::Delete;
        break;
      case KEY_RESIZE:
        result.name = KeyName::Resize;
        break;
      default:
        if (key.code == static_cast<unsigned>(KEY_F(2))) {
          result.name = KeyName::Copy;
        }
        break;
    }
    return result;
  }
  if (key.code == 27) {
    // A lone Esc, or the start of a sequence the terminal description does
    // not know: read it to its end so that none of it is taken for typed
    // keys (or left for the shell).
    std::string sequence;
    while (!escapeSequenceComplete(sequence)) {
      std::optional<Key> more = readKey(kSequenceByteMs);
      if (!more) break;
      if (more->function) {
        sequence += 'A';  // Alt with a key the library decoded
        break;
      }
      sequence += more->code < 0x80 ? static_cast<char>(more->code) : '\x80';
    }
    result.name =
        sequence.empty() ? KeyName::Escape : decodeEscapeSequence(sequence);
    return result;
  }
  if (key.code < 0x20 || key.code == 0x7F) {
    result.name = controlKey(static_cast<unsigned char>(key.code));
    return result;
  }
  char bytes[MB_LEN_MAX];
  std::mbstate_t state{};
  const size_t n = std::wcrtomb(bytes, static_cast<wchar_t>(key.code), &state);
  std::optional<std::string> sjis;
  if (n != static_cast<size_t>(-1)) {
    sjis = typing_.toSjis(std::string_view(bytes, n));
  }
  if (sjis && !sjis->empty()) {
    result.name = KeyName::Text;
    result.text = std::move(*sjis);
  } else {
    result.name = KeyName::BadText;  // Shift-JIS has no such character
  }
  return result;
}

bool TerminalFrontEnd::closed() { return signals_.quitRequested() || hungUp_; }

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

TerminalFrontEnd::Panel TerminalFrontEnd::placePanel(int height,
                                                     int width) const {
  const int areaWidth = std::min(COLS, 80);
  Panel panel;
  panel.width = std::max(1, std::min(width, areaWidth));
  panel.height = std::max(1, std::min(height, LINES));
  panel.x = (areaWidth - panel.width) / 2;
  // At the bottom: below the window when the screen has room for both,
  // otherwise over the window's lower rows, the window then being drawn
  // scrolled so that its latest rows show above the panel.
  panel.y = LINES - panel.height;
  return panel;
}

void TerminalFrontEnd::putText(int y, int x, std::string_view sjis,
                               int maxCells, int attributes, bool keepEnd) {
  if (maxCells <= 0) return;
  std::string fitted =
      display_.display(fitSjis(sjis, static_cast<size_t>(maxCells), keepEnd));
  wattrset(stdscr, attributes);
  mvwaddstr(stdscr, y, x, fitted.c_str());
}

void TerminalFrontEnd::drawPanel(const Panel& panel, const std::string& title,
                                 const std::string& corner) {
  // The window's latest rows above the panel.
  drawWindow(false, std::min(panel.y, host_ ? host_->cells().rows : 24));
  const int attributes = colors_ ? COLOR_PAIR(kPanelPair) : A_REVERSE;
  wattrset(stdscr, attributes);
  for (int r = 0; r < panel.height; ++r) {
    mvwhline(stdscr, panel.y + r, panel.x, ' ', panel.width);
  }
  if (panel.height >= 2 && panel.width >= 2) {
    const int bottom = panel.y + panel.height - 1;
    const int right = panel.x + panel.width - 1;
    mvwhline(stdscr, panel.y, panel.x + 1, ACS_HLINE, panel.width - 2);
    mvwhline(stdscr, bottom, panel.x + 1, ACS_HLINE, panel.width - 2);
    mvwvline(stdscr, panel.y + 1, panel.x, ACS_VLINE, panel.height - 2);
    mvwvline(stdscr, panel.y + 1, right, ACS_VLINE, panel.height - 2);
    mvwaddch(stdscr, panel.y, panel.x, ACS_ULCORNER);
    mvwaddch(stdscr, panel.y, right, ACS_URCORNER);
    mvwaddch(stdscr, bottom, panel.x, ACS_LLCORNER);
    mvwaddch(stdscr, bottom, right, ACS_LRCORNER);
    if (!corner.empty()) {
      const int cells = static_cast<int>(corner.size()) + 2;
      putText(bottom, std::max(panel.x + 1, right - cells - 1),
              " " + corner + " ", cells, attributes);
    }
  }
  putText(panel.y, panel.x + 2, " " + title + " ", panel.width - 4,
          attributes | A_BOLD);
}

void TerminalFrontEnd::endModal() {
  // The panel covered part of the screen: draw the window anew.
  redrawAll();
}

void TerminalFrontEnd::drawDialog(const FileDialogRequest& request,
                                  FileDialogModel& model) {
  int height = std::min(kDialogHeight, LINES - kRowsKeptAbovePanel);
  height = std::max(height, kDialogFixedRows + 1);
  const Panel panel = placePanel(height, 80);
  const int listRows = std::max(1, panel.height - kDialogFixedRows);
  model.setListRows(listRows);
  drawPanel(panel, request.title, model.position());
  const int panelAttr = colors_ ? COLOR_PAIR(kPanelPair) : A_REVERSE;
  const int selectionAttr = colors_ ? COLOR_PAIR(kSelectionPair) : A_NORMAL;
  const int x = panel.x + 2;
  const int width = panel.width - 4;
  int y = panel.y + 1;

  auto labelled = [&](const char* label, const std::string& value, bool keepEnd,
                      int valueAttr) {
    const int labelCells = static_cast<int>(std::string_view(label).size());
    putText(y, x, label, width, panelAttr);
    putText(y, x + labelCells, value, width - labelCells, valueAttr, keepEnd);
    ++y;
  };
  labelled(texts::kFolderLabel, model.folder(), true, panelAttr);
  const bool typeFocus = model.focus() == DialogFocus::Type;
  labelled(texts::kTypeLabel, "< " + model.typeText() + " >", false,
           typeFocus ? selectionAttr | A_BOLD : panelAttr);

  const int labelCells =
      static_cast<int>(std::string_view(texts::kNameLabel).size());
  putText(y, x, texts::kNameLabel, width, panelAttr);
  const int fieldX = x + labelCells;
  const int fieldWidth = std::max(1, width - labelCells);
  wattrset(stdscr, colors_ ? COLOR_PAIR(kFieldPair) : A_UNDERLINE);
  mvwhline(stdscr, y, fieldX, ' ', fieldWidth);
  size_t cursorCell = 0;
  const std::string field =
      model.name().visible(static_cast<size_t>(fieldWidth), &cursorCell);
  putText(y, fieldX, field, fieldWidth,
          colors_ ? COLOR_PAIR(kFieldPair) : A_UNDERLINE);
  const int fieldY = y++;

  const auto& entries = model.entries();
  for (int r = 0; r < listRows; ++r) {
    const int index = model.top() + r;
    if (index >= static_cast<int>(entries.size())) break;
    int attr = panelAttr;
    if (index == model.selected()) {
      attr = selectionAttr | A_BOLD;
      wattrset(stdscr, attr);
      mvwhline(stdscr, y + r, x, ' ', width);
    }
    putText(y + r, x + 1,
            FileDialogModel::entryText(entries[static_cast<size_t>(index)]),
            width - 2, attr);
  }
  if (entries.empty()) putText(y, x + 1, texts::kNoFiles, width - 1, panelAttr);
  y += listRows;

  if (!model.notice().empty()) {
    putText(y, x, model.notice(), width,
            (colors_ ? COLOR_PAIR(kNoticePair) : A_NORMAL) | A_BOLD);
  } else {
    putText(y, x, texts::kDialogHint, width, panelAttr | A_DIM);
  }

  if (model.focus() == DialogFocus::Name) {
    wmove(stdscr, fieldY, fieldX + static_cast<int>(cursorCell));
    curs_set(1);
  } else {
    curs_set(0);
  }
}

std::optional<std::string> TerminalFrontEnd::fileDialog(
    const FileDialogRequest& request) {
  if (!screen_) return std::nullopt;
  FileDialogModel model(fs_, request);
  std::optional<std::string> result;
  while (true) {
    drawDialog(request, model);
    wrefresh(stdscr);
    std::optional<DialogKey> key = nextKey();
    if (!key) break;  // the session ends: the dialog is cancelled
    if (key->name == KeyName::Resize) {
      redrawAll();
      continue;
    }
    const DialogOutcome outcome = model.press(*key);
    if (outcome == DialogOutcome::Copy) copyWindowText();
    if (outcome == DialogOutcome::Cancelled) break;
    if (outcome == DialogOutcome::Chosen) {
      result = model.result();
      break;
    }
  }
  endModal();
  return result;
}

BoxAnswer TerminalFrontEnd::messageBox(const std::string& caption,
                                       const std::string& text,
                                       BoxStyle style) {
  const std::vector<BoxButton> buttons = boxButtons(style.buttons);
  if (!screen_) return buttons.front().answer;
  const char* icon = "";
  switch (style.icon) {
    case BoxIcon::Stop:
      icon = "(x) ";
      break;
    case BoxIcon::Question:
      icon = "(?) ";
      break;
    case BoxIcon::Exclamation:
      icon = "(!) ";
      break;
    case BoxIcon::Information:
      icon = "(i) ";
      break;
    case BoxIcon::None:
      break;
  }
  const std::string title = icon + caption;
  const std::string_view hint = boxHint(buttons.size());
  int buttonsWidth = 0;
  for (const BoxButton& b : buttons) {
    buttonsWidth += static_cast<int>(std::string_view(b.label).size()) + 6;
  }

  size_t chosen = 0;
  BoxAnswer answer = buttons.front().answer;
  while (true) {
    // The text wrapped at the widest panel the screen allows; a screen too
    // low for all of it keeps the first rows and marks the cut.
    const int innerWidth = std::max(8, std::min(COLS, 80) - 4);
    std::vector<std::string> rows =
        wrapBoxText(text, static_cast<size_t>(innerWidth));
    int longest = 0;
    for (const std::string& row : rows) {
      longest = std::max(longest, static_cast<int>(row.size()));
    }
    const int textRoom = std::max(1, LINES - 5);
    if (static_cast<int>(rows.size()) > textRoom) {
      rows.resize(static_cast<size_t>(textRoom));
      rows.back() = fitSjis(rows.back() + "  ", rows.back().size());
    }
    const int wanted =
        std::max({longest, buttonsWidth, static_cast<int>(hint.size()),
                  static_cast<int>(title.size()) + 4}) +
        4;
    const Panel panel = placePanel(static_cast<int>(rows.size()) + 5, wanted);
    const int panelAttr = colors_ ? COLOR_PAIR(kPanelPair) : A_REVERSE;
    drawPanel(panel, title);
    int y = panel.y + 1;
    for (const std::string& row : rows) {
      if (y >= panel.y + panel.height - 3) break;
      putText(y++, panel.x + 2, row, panel.width - 4, panelAttr);
    }
    int x = panel.x + std::max(2, (panel.width - buttonsWidth) / 2);
    const int buttonY = panel.y + panel.height - 3;
    for (size_t i = 0; i < buttons.size(); ++i) {
      std::string label = std::string("[ ") + buttons[i].label + " ]";
      int attr =
          i == chosen
              ? (colors_ ? COLOR_PAIR(kSelectionPair) : A_NORMAL) | A_BOLD
              : panelAttr;
      putText(buttonY, x, label, panel.x + panel.width - 2 - x, attr);
      x += static_cast<int>(label.size()) + 2;
    }
    putText(panel.y + panel.height - 2, panel.x + 2, hint, panel.width - 4,
            panelAttr | A_DIM);
    curs_set(0);
    wrefresh(stdscr);
    std::optional<DialogKey> key = nextKey();
    if (!key) {
      // The session ends: the box closes as its Cancel (or only) button.
      answer = closingAnswer(buttons);
      break;
    }
    const size_t n = buttons.size();
    if (key->name == KeyName::Left || key->name == KeyName::BackTab) {
      chosen = (chosen + n - 1) % n;
    } else if (key->name == KeyName::Right || key->name == KeyName::Tab) {
      chosen = (chosen + 1) % n;
    } else if (key->name == KeyName::Enter ||
               (key->name == KeyName::Text && key->text == " ")) {
      answer = buttons[chosen].answer;
      break;
    } else if (key->name == KeyName::Resize) {
      redrawAll();
    } else if (key->name == KeyName::Copy) {
      copyWindowText();
    } else if (key->name == KeyName::Escape) {
      if (escapeCloses(buttons)) {
        answer = closingAnswer(buttons);
        break;
      }
    }
  }
  endModal();
  return answer;
}

namespace {

struct TerminalParts {
  ProcessSignals signals;
};

class StdioTerminal : private TerminalParts, public TerminalFrontEnd {
 public:
  explicit StdioTerminal(FileSystem& fs) : TerminalFrontEnd(fs, signals) {}
};

}  // namespace

std::unique_ptr<FrontEnd> makeStdioTerminal(FileSystem& fs) {
  return std::make_unique<StdioTerminal>(fs);
}

}  // namespace tess::platform
