// The terminal's panels and its file dialog: a modal panel at the bottom
// with the window's latest rows in sight above it.
#ifndef _XOPEN_SOURCE_EXTENDED
#define _XOPEN_SOURCE_EXTENDED 1
#endif
#include <curses.h>

#include <algorithm>

#include "ui/model/ui_dialog_rules.h"
#include "ui/model/ui_texts.h"
#include "ui/terminal/ui_terminal.h"
#include "ui/terminal/ui_terminal_colors.h"

namespace tess::ui {

namespace {

// The rows of the window kept in sight above a panel: the log's line, the
// saving line, the count and the next banner.
constexpr int kRowsKeptAbovePanel = 10;
constexpr int kDialogHeight = 14;  // eight list rows
constexpr int kDialogFixedRows = 6;

}  // namespace

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
  // The offered name, selected, stands out as the list's highlight does.
  const bool nameSelected =
      model.focus() == DialogFocus::Name && model.name().allSelected();
  putText(y, fieldX, field, fieldWidth,
          nameSelected ? (colors_ ? selectionAttr : A_REVERSE)
                       : (colors_ ? COLOR_PAIR(kFieldPair) : A_UNDERLINE));
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

}  // namespace tess::ui
