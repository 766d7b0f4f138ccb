// Whether the terminal can be drawn on. Kept apart from the front end: the
// terminfo header defines macros with common names (columns, lines, buttons),
// so it is included last, after every header of the project.
#include "ui/terminal/ui_terminal.h"
// terminfo:
#include <curses.h>
#include <term.h>
#include <unistd.h>

namespace tess::ui {

bool terminalUsable() {
  int error = 0;
  if (setupterm(nullptr, STDOUT_FILENO, &error) != OK) return false;
  const char* move = tigetstr("cup");
  const bool usable = move != nullptr && move != reinterpret_cast<char*>(-1);
  del_curterm(cur_term);
  return usable;
}

}  // namespace tess::ui
