// The color pairs of the terminal front end: the window, the panels (dialogs
// and boxes), the chosen entry or button, notices and the name field.
#pragma once

namespace tess::ui {

enum Pair : short {
  kWindowPair = 1,
  kPanelPair = 2,
  kSelectionPair = 3,
  kNoticePair = 4,
  kFieldPair = 5,
};

}  // namespace tess::ui
