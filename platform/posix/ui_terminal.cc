#ifndef _XOPEN_SOURCE_EXTENDED
#define _XOPEN_SOURCE_EXTENDED 1
#endif
#include "platform/posix/ui_terminal.h"

#include <curses.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwchar>

#include "platform/posix/ui_dialog_rules.h"

namespace tess::platform {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(30);
constexpr int kWaitSliceMs = 100;

enum Pair : short {
  kWindowPair = 1,
  kPanelPair = 2,
  kSelectionPair = 3,
  kNoticePair = 4,
  kFieldPair = 5,
};

constexpr unsigned kEscape = 27;
constexpr unsigned kCtrlC = 3;
constexpr unsigned kCtrlU = 21;
constexpr unsigned kCtrlY = 25;

const char kDialogHint[] =
    "Enter: choose/open  Tab: file type  Esc: cancel  F2: copy window";
const char kBoxHint[] = "Enter: choose  Left/Right: button  F2: copy window";

void restoreTerminal() { endwin(); }

std::string base64(std::string_view bytes) {
  static const char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  while (i + 2 < bytes.size()) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                 static_cast<unsigned char>(bytes[i + 1]) << 8 |
                 static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += kDigits[v & 63];
    i += 3;
  }
  size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace

std::string clipboardSequence(std::string_view utf8) {
  return "\x1b]52;c;" + base64(utf8) + "\x07";
}

// The state of one open file dialog.
struct TerminalFrontEnd::DialogState {
  std::string folder;
  std::string pattern;
  size_t filterIndex = 0;
  bool customPattern = false;
  std::vector<ListEntry> entries;
  int selected = 0;
  int top = 0;
  std::string field;
  bool fieldActive = true;
  std::string notice;
};

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
  werase(stdscr);
  drawWindow(true);
  wrefresh(stdscr);
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

void TerminalFrontEnd::failureBox(const std::string& caption,
                                  const std::string& text, unsigned style) {
  if (screen_) {
    messageBox(caption, text, style);
    return;
  }
  std::string line = display_.display(caption) + ": " + display_.display(text);
  std::fprintf(stderr, "%s\n", line.c_str());
}

void TerminalFrontEnd::drawWindow(bool force) {
  if (!host_) return;
  CellView view = host_->cells();
  if (!view.cells) return;
  if (drawnRows_.size() != static_cast<size_t>(view.rows)) {
    drawnRows_.assign(static_cast<size_t>(view.rows), std::string());
    force = true;
  }
  const int rows = std::min(view.rows, LINES);
  for (int r = 0; r < rows; ++r) {
    std::string row(reinterpret_cast<const char*>(view.cells) +
                        static_cast<size_t>(r) * view.columns,
                    static_cast<size_t>(view.columns));
    std::string& drawn = drawnRows_[static_cast<size_t>(r)];
    if (!force && row == drawn) continue;
    wattrset(stdscr, colors_ ? COLOR_PAIR(kWindowPair) : A_NORMAL);
    for (const Glyph& glyph : display_.glyphs(row)) {
      if (glyph.column + glyph.cells > COLS) break;
      mvwaddstr(stdscr, r, glyph.column, glyph.text.c_str());
    }
    drawn = std::move(row);
  }
  if (view.cursorRow < rows && view.cursorColumn < COLS) {
    wmove(stdscr, view.cursorRow, view.cursorColumn);
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

bool TerminalFrontEnd::closed() { return signals_.quitRequested() || hungUp_; }

bool TerminalFrontEnd::isCopyKey(const Key& key) const {
  return key.function ? key.code == static_cast<unsigned>(KEY_F(2))
                      : key.code == kCtrlY;
}

void TerminalFrontEnd::copyWindowText() {
  if (!host_) return;
  std::string text = utf8_.plain(host_->clipboardText());
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
  // The pump runs every few statements; input and drawing are taken care
  // of only every few milliseconds so that they cost the conversion nothing.
  if (now - lastPump_ >= kRedrawInterval) {
    lastPump_ = now;
    if (terminalHungUp(0)) {
      events.quit = true;
      return events;
    }
    bool force = false;
    while (std::optional<Key> key = readKey(0)) {
      if (!key->function && key->code == kCtrlC) {
        pendingBreak_ = true;
      } else if (isCopyKey(*key)) {
        copyWindowText();
      } else if (key->function && key->code == KEY_RESIZE) {
        werase(stdscr);
        force = true;
      }
    }
    drawWindow(force);
    wrefresh(stdscr);
  }
  events.breakRequested = pendingBreak_;
  pendingBreak_ = false;
  return events;
}

void TerminalFrontEnd::waitForKey() {
  if (!screen_) return;
  drawWindow(false);
  wrefresh(stdscr);
  while (!closed()) {
    std::optional<Key> key = waitKey(kWaitSliceMs);
    if (!key) continue;
    if (key->function && key->code == KEY_RESIZE) {
      werase(stdscr);
      drawWindow(true);
      continue;
    }
    if (isCopyKey(*key)) {
      copyWindowText();
      continue;
    }
    return;
  }
}

TerminalFrontEnd::Panel TerminalFrontEnd::placePanel(int height,
                                                     int width) const {
  const int areaWidth = std::min(COLS, 80);
  const int areaHeight = std::min(LINES, 24);
  Panel panel;
  panel.width = std::max(1, std::min(width, areaWidth));
  panel.height = std::max(1, std::min(height, areaHeight));
  panel.x = (areaWidth - panel.width) / 2;
  // The panel keeps clear of the print position, so that the latest lines
  // of the window (the banner, the chosen paths) stay in sight.
  int cursorRow = 0;
  if (host_) cursorRow = host_->cells().cursorRow;
  panel.y = cursorRow < areaHeight / 2 ? areaHeight - panel.height : 0;
  return panel;
}

void TerminalFrontEnd::putText(int y, int x, std::string_view localeText,
                               int maxCells, int attributes, bool keepEnd) {
  if (maxCells <= 0) return;
  std::string fitted = fitToCells(localeText, maxCells, keepEnd);
  wattrset(stdscr, attributes);
  mvwaddstr(stdscr, y, x, fitted.c_str());
}

void TerminalFrontEnd::drawPanel(const Panel& panel, const std::string& title) {
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
  }
  putText(panel.y, panel.x + 2, " " + title + " ", panel.width - 4,
          attributes | A_BOLD);
}

void TerminalFrontEnd::endModal() {
  // The panel covered part of the window: draw the window anew.
  drawWindow(true);
  wrefresh(stdscr);
}

void TerminalFrontEnd::reloadList(DialogState& state) {
  state.entries = listFolder(fs_, state.folder, state.pattern);
  state.selected = 0;
  state.top = 0;
}

bool TerminalFrontEnd::enterFolder(DialogState& state,
                                   const std::string& folder) {
  std::string full;
  if (!fs_.fullPath(folder, &full) || !isFolder(fs_, full)) {
    state.notice = "Folder not found.";
    return false;
  }
  state.folder = full;
  reloadList(state);
  return true;
}

void TerminalFrontEnd::drawDialog(const FileDialogRequest& request,
                                  DialogState& state) {
  const Panel panel = placePanel(15, 76);
  drawPanel(panel, display_.display(request.title));
  const int panelAttr = colors_ ? COLOR_PAIR(kPanelPair) : A_REVERSE;
  const int x = panel.x + 2;
  const int width = panel.width - 4;
  const int listRows = std::max(1, panel.height - 7);
  int y = panel.y + 1;

  putText(y++, x, "Folder: " + state.folder, width, panelAttr, true);
  std::string type =
      state.customPattern || request.filters.empty()
          ? state.pattern
          : display_.display(request.filters[state.filterIndex].display);
  putText(y++, x, "Type:   < " + type + " >", width, panelAttr);

  if (state.selected >= static_cast<int>(state.entries.size())) {
    state.selected = std::max(0, static_cast<int>(state.entries.size()) - 1);
  }
  if (state.selected < state.top) state.top = state.selected;
  if (state.selected >= state.top + listRows) {
    state.top = state.selected - listRows + 1;
  }
  for (int r = 0; r < listRows; ++r) {
    const int index = state.top + r;
    if (index >= static_cast<int>(state.entries.size())) break;
    const ListEntry& entry = state.entries[static_cast<size_t>(index)];
    std::string shown = entry.name + (entry.folder ? "/" : "");
    int attr = panelAttr;
    if (index == state.selected) {
      attr = colors_ ? COLOR_PAIR(kSelectionPair) : A_NORMAL;
      if (!state.fieldActive) attr |= A_BOLD;
      wattrset(stdscr, attr);
      mvwhline(stdscr, y + r, x, ' ', width);
    }
    putText(y + r, x + 1, shown, width - 1, attr);
  }
  if (state.entries.empty()) {
    putText(y, x + 1, "(no matching files)", width - 1, panelAttr);
  }
  y += listRows;

  const std::string label = "Name:   ";
  putText(y, x, label, width, panelAttr);
  const int fieldX = x + static_cast<int>(label.size());
  const int fieldWidth = width - static_cast<int>(label.size());
  wattrset(stdscr, colors_ ? COLOR_PAIR(kFieldPair) : A_UNDERLINE);
  mvwhline(stdscr, y, fieldX, ' ', fieldWidth);
  int used = 0;
  std::string field = fitToCells(state.field, fieldWidth - 1, true, &used);
  mvwaddstr(stdscr, y, fieldX, field.c_str());
  const int fieldY = y++;

  putText(y++, x, state.notice, width,
          (colors_ ? COLOR_PAIR(kNoticePair) : A_NORMAL) | A_BOLD);
  putText(y, x, kDialogHint, width, panelAttr | A_DIM);

  if (state.fieldActive) {
    wmove(stdscr, fieldY, fieldX + used);
    curs_set(1);
  } else {
    curs_set(0);
  }
}

std::optional<std::string> TerminalFrontEnd::fileDialog(
    const FileDialogRequest& request) {
  if (!screen_) return std::nullopt;
  drawWindow(false);  // what was printed since the last pump
  DialogState state;
  state.folder = startFolder(fs_, request);
  if (!request.filters.empty()) {
    state.filterIndex = static_cast<size_t>(
        std::clamp(request.filterIndex - 1, 0,
                   static_cast<int>(request.filters.size()) - 1));
    state.pattern = request.filters[state.filterIndex].pattern;
  } else {
    state.pattern = "*.*";
  }
  state.field = request.fileName;
  // A name with wildcards in the name box lists what it matches.
  if (hasWildcards(state.field) && state.field.find('/') == std::string::npos) {
    state.pattern = state.field;
    state.customPattern =
        request.filters.empty() ||
        state.pattern != request.filters[state.filterIndex].pattern;
  }
  reloadList(state);

  std::optional<std::string> result;
  bool done = false;
  while (!done) {
    drawDialog(request, state);
    wrefresh(stdscr);
    std::optional<Key> key;
    while (!key) {
      if (closed()) break;
      key = waitKey(kWaitSliceMs);
    }
    if (!key) break;  // the session ends: the dialog is cancelled
    const int count = static_cast<int>(state.entries.size());
    auto moveTo = [&](int index) {
      if (count == 0) return;
      state.selected = std::clamp(index, 0, count - 1);
      state.fieldActive = false;
      const ListEntry& entry =
          state.entries[static_cast<size_t>(state.selected)];
      if (!entry.folder) state.field = entry.name;
      state.notice.clear();
    };
    auto switchFilter = [&](int step) {
      if (request.filters.empty()) return;
      const int n = static_cast<int>(request.filters.size());
      int index = static_cast<int>(state.filterIndex);
      if (!state.customPattern) index = (index + step + n) % n;
      state.filterIndex = static_cast<size_t>(index);
      state.pattern = request.filters[state.filterIndex].pattern;
      state.customPattern = false;
      state.notice.clear();
      reloadList(state);
    };
    if (key->function) {
      switch (key->code) {
        case KEY_UP:
          moveTo(state.selected - 1);
          break;
        case KEY_DOWN:
          moveTo(state.fieldActive ? state.selected : state.selected + 1);
          break;
        case KEY_PPAGE:
          moveTo(state.selected - 10);
          break;
        case KEY_NPAGE:
          moveTo(state.selected + 10);
          break;
        case KEY_HOME:
          moveTo(0);
          break;
        case KEY_END:
          moveTo(count - 1);
          break;
        case KEY_RIGHT:
          switchFilter(1);
          break;
        case KEY_LEFT:
        case KEY_BTAB:
          switchFilter(-1);
          break;
        case KEY_BACKSPACE:
          dropLastCharacter(&state.field);
          state.fieldActive = true;
          break;
        case KEY_RESIZE:
          werase(stdscr);
          drawWindow(true);
          break;
        case KEY_ENTER:
          key->function = false;
          key->code = '\r';
          break;
        default:
          if (isCopyKey(*key)) {
            copyWindowText();
            state.notice = "The window's text was copied.";
          }
          break;
      }
      if (key->function) continue;
    }
    const unsigned c = key->code;
    if (c == kEscape) break;
    if (c == '\t') {
      switchFilter(1);
    } else if (c == 8 || c == 127) {
      dropLastCharacter(&state.field);
      state.fieldActive = true;
    } else if (c == kCtrlU) {
      state.field.clear();
      state.fieldActive = true;
    } else if (isCopyKey(*key)) {
      copyWindowText();
      state.notice = "The window's text was copied.";
    } else if (c == '\r' || c == '\n') {
      state.notice.clear();
      std::string name = state.field;
      if (!state.fieldActive && state.selected < count) {
        const ListEntry& entry =
            state.entries[static_cast<size_t>(state.selected)];
        if (entry.folder) {
          enterFolder(state, entry.name == ".."
                                 ? parentFolder(fs_, state.folder)
                                 : joinPath(fs_, state.folder, entry.name));
          continue;
        }
        name = entry.name;
      }
      NameCheck check = checkDialogName(fs_, request, state.folder, name);
      switch (check.verdict) {
        case NameVerdict::Accept:
          result = check.fullPath;
          done = true;
          break;
        case NameVerdict::Empty:
          state.notice = "Type a name or choose a file.";
          break;
        case NameVerdict::Wildcards:
          if (enterFolder(state, parentFolder(fs_, check.fullPath))) {
            state.pattern = lastComponent(fs_, check.fullPath);
            state.customPattern = true;
            state.field = state.pattern;
            reloadList(state);
          }
          break;
        case NameVerdict::Folder:
          if (enterFolder(state, check.fullPath)) state.field.clear();
          state.fieldActive = true;
          break;
        case NameVerdict::FileMissing:
          state.notice =
              "File not found: " + lastComponent(fs_, check.fullPath);
          break;
        case NameVerdict::FolderMissing:
          state.notice =
              "Folder not found: " + parentFolder(fs_, check.fullPath);
          break;
        case NameVerdict::Unusable:
          state.notice = "This name cannot be used.";
          break;
        case NameVerdict::TooLong:
          state.notice = "The path is longer than " +
                         std::to_string(request.maxPathBytes) +
                         " bytes: choose a shorter one.";
          break;
      }
      if (done && request.overwritePrompt && fs_.exists(*result)) {
        state.notice =
            "The file exists: Enter replaces it, other keys go back.";
        drawDialog(request, state);
        wrefresh(stdscr);
        std::optional<Key> confirm;
        while (!confirm && !closed()) {
          confirm = waitKey(kWaitSliceMs);
        }
        const bool replace =
            confirm && (confirm->function
                            ? confirm->code == KEY_ENTER
                            : (confirm->code == '\r' || confirm->code == '\n'));
        if (!replace) {
          result.reset();
          state.notice.clear();
          done = !confirm;  // the session ends: cancelled
        }
      }
    } else if (c >= 0x20 && c != 0x7F && c != kCtrlC) {
      char bytes[MB_LEN_MAX];
      std::mbstate_t mb{};
      size_t n = std::wcrtomb(bytes, static_cast<wchar_t>(c), &mb);
      if (n != static_cast<size_t>(-1)) {
        state.field.append(bytes, n);
        state.fieldActive = true;
        state.notice.clear();
      }
    }
  }
  endModal();
  return result;
}

int TerminalFrontEnd::messageBox(const std::string& caption,
                                 const std::string& text, unsigned style) {
  const std::vector<BoxButton> buttons = boxButtons(style);
  if (!screen_) return buttons.front().answer;
  drawWindow(false);
  const char* icon = "";
  switch (style & 0xF0) {
    case 0x10:
      icon = "(x) ";
      break;
    case 0x20:
      icon = "(?) ";
      break;
    case 0x30:
      icon = "(!) ";
      break;
    case 0x40:
      icon = "(i) ";
      break;
  }
  // The text, wrapped at the panel's inner width on character bounds.
  const int innerWidth = std::min(COLS, 80) - 8;
  std::vector<std::string> lines;
  int longest = 0;
  for (std::string_view part : splitTextLines(text)) {
    std::string line;
    int width = 0;
    for (const Glyph& glyph : display_.glyphs(part)) {
      if (width + glyph.cells > innerWidth) {
        lines.push_back(std::move(line));
        line.clear();
        width = 0;
      }
      line += glyph.text;
      width += glyph.cells;
    }
    longest = std::max(longest, width);
    lines.push_back(std::move(line));
  }
  std::string title = icon + display_.display(caption);
  int buttonsWidth = 0;
  for (const BoxButton& b : buttons) {
    buttonsWidth += static_cast<int>(std::string_view(b.label).size()) + 6;
  }
  int hintWidth = static_cast<int>(sizeof kBoxHint) - 1;
  const int wanted = std::max({longest, buttonsWidth, hintWidth,
                               static_cast<int>(title.size()) / 2 + 4}) +
                     4;
  const Panel panel = placePanel(static_cast<int>(lines.size()) + 6, wanted);
  const int panelAttr = colors_ ? COLOR_PAIR(kPanelPair) : A_REVERSE;

  size_t chosen = 0;
  int answer = buttons.front().answer;
  while (true) {
    drawPanel(panel, title);
    int y = panel.y + 2;
    for (const std::string& line : lines) {
      if (y >= panel.y + panel.height - 3) break;
      putText(y++, panel.x + 2, line, panel.width - 4, panelAttr);
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
    putText(panel.y + panel.height - 2, panel.x + 2, kBoxHint, panel.width - 4,
            panelAttr | A_DIM);
    curs_set(0);
    wrefresh(stdscr);
    std::optional<Key> key;
    while (!key && !closed()) key = waitKey(kWaitSliceMs);
    if (!key) {
      // The session ends: the box closes as its Cancel (or only) button.
      for (const BoxButton& b : buttons) {
        if (b.answer == kIdCancel) answer = kIdCancel;
      }
      break;
    }
    if (key->function) {
      if (key->code == KEY_LEFT || key->code == KEY_BTAB) {
        chosen = (chosen + buttons.size() - 1) % buttons.size();
      } else if (key->code == KEY_RIGHT) {
        chosen = (chosen + 1) % buttons.size();
      } else if (key->code == KEY_ENTER) {
        answer = buttons[chosen].answer;
        break;
      } else if (key->code == KEY_RESIZE) {
        werase(stdscr);
        drawWindow(true);
      } else if (isCopyKey(*key)) {
        copyWindowText();
      }
      continue;
    }
    if (key->code == '\t') {
      chosen = (chosen + 1) % buttons.size();
    } else if (key->code == '\r' || key->code == '\n' || key->code == ' ') {
      answer = buttons[chosen].answer;
      break;
    } else if (key->code == kEscape) {
      bool closes = buttons.size() == 1;
      for (const BoxButton& b : buttons) {
        if (b.answer == kIdCancel) closes = true;
      }
      if (closes) {
        answer = buttons.size() == 1 ? buttons.front().answer : kIdCancel;
        break;
      }
    } else if (isCopyKey(*key)) {
      copyWindowText();
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
