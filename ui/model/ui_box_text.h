// A message box's text and hint as the terminal shows them, one byte per
// cell on Shift-JIS character bounds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tess::ui {

// A box's text wrapped at width cells on character bounds: every line of
// the text, as many rows as it needs; nothing is dropped.
std::vector<std::string> wrapBoxText(std::string_view text, size_t width);

// The hint line of a box: no word of buttons when there is only one.
const char* boxHint(size_t buttons);

}  // namespace tess::ui
