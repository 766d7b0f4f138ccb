// The terminal sequence (OSC 52) that puts text on the clipboard: the
// terminal's copy of the window's text, where the terminal allows it.
#pragma once

#include <string>
#include <string_view>

namespace tess::ui {

// The sequence that puts utf8 on the clipboard (base64 inside OSC 52).
std::string clipboardSequence(std::string_view utf8);

}  // namespace tess::ui
