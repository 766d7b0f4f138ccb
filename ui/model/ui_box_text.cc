#include "ui/model/ui_box_text.h"

#include <algorithm>

#include "ui/model/ui_dialog_rules.h"
#include "ui/model/ui_line_editor.h"
#include "ui/model/ui_texts.h"

namespace tess::ui {

std::vector<std::string> wrapBoxText(std::string_view text, size_t width) {
  std::vector<std::string> rows;
  width = std::max<size_t>(width, 2);
  for (std::string_view line : splitTextLines(text)) {
    std::string row;
    for (size_t i = 0; i < line.size();) {
      const size_t length = sjisCharLength(line, i);
      if (row.size() + length > width) {
        rows.push_back(std::move(row));
        row.clear();
      }
      row.append(line.substr(i, length));
      i += length;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

const char* boxHint(size_t buttons) {
  return buttons <= 1 ? texts::kBoxHintOne : texts::kBoxHintMany;
}

}  // namespace tess::ui
