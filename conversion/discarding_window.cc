#include "conversion/discarding_window.h"

namespace tess {

void DiscardingWindow::writeText(std::string_view bytes) {
  // Only the column matters to the print path (tabs and the width rule).
  for (const char c : bytes) {
    if (c == '\r' || c == '\n') {
      column_ = 0;
    } else if (++column_ >= 80) {
      column_ = 0;
    }
  }
}

void DiscardingWindow::setPosition(int64_t column, int64_t /*row*/,
                                   int64_t /*cursor*/, int flags) {
  if ((flags & 1) != 0 && column >= 0 && column < 80) {
    column_ = static_cast<int>(column);
  }
}

}  // namespace tess
