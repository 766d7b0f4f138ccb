#include "ui/model/ui_window_text.h"

#include <algorithm>
#include <string_view>

namespace tess::ui {

std::string windowRowsText(const CellView& view) {
  std::string text;
  size_t written = 0;  // the size of text up to the last written row
  for (int row = 0; row < view.rows; ++row) {
    std::string_view cells(
        reinterpret_cast<const char*>(view.cells) +
            static_cast<size_t>(row) * static_cast<size_t>(view.columns),
        static_cast<size_t>(view.columns));
    const size_t end = cells.find_last_not_of(' ');
    if (end != std::string_view::npos) {
      text += cells.substr(0, end + 1);
      text += "\r\n";
      written = text.size();
    } else {
      text += "\r\n";
    }
  }
  text.resize(written);
  return text;
}

int windowViewTop(const CellView& view, int areaRows) {
  if (areaRows >= view.rows) return 0;
  int last = view.cursorRow;
  if (view.cursorColumn == 0 && last > 0) --last;
  return std::clamp(last - areaRows + 1, 0, view.rows - std::max(areaRows, 0));
}

}  // namespace tess::ui
