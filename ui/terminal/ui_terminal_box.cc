// The terminal's message box: the text wrapped in a panel, the buttons
// chosen with the arrows or Tab, Enter or Space pressing the chosen one.
#ifndef _XOPEN_SOURCE_EXTENDED
#define _XOPEN_SOURCE_EXTENDED 1
#endif
#include <curses.h>

#include <algorithm>

#include "ui/model/ui_box_text.h"
#include "ui/model/ui_dialog_rules.h"
#include "ui/model/ui_texts.h"
#include "ui/terminal/ui_terminal.h"
#include "ui/terminal/ui_terminal_colors.h"

namespace tess::ui {

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

}  // namespace tess::ui
