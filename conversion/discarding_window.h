// A window for a conversion without one: it keeps nothing but the column,
// which the print path needs for tabs and the width rule.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/screen.h"

namespace tess {

// An 80-column window that keeps nothing.
class DiscardingWindow : public ScreenWindow {
 public:
  int printColumn() const override { return column_; }
  int printWidth() const override { return 80; }
  void writeText(std::string_view bytes) override;
  int currentRow() const override { return 0; }
  void setPosition(int64_t column, int64_t row, int64_t cursor,
                   int flags) override;

 private:
  int column_ = 0;
};

}  // namespace tess
