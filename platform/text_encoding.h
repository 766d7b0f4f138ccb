// Text between UTF-8 and Shift-JIS (code page 932), for texts written in
// UTF-8 that are shown where Shift-JIS is wanted (the Windows window) and
// for Shift-JIS texts shown where UTF-8 is (a POSIX terminal). Characters
// that the other side cannot hold become "?"; nothing fails.
#pragma once

#include <string>
#include <string_view>

namespace tess::platform {

std::string utf8ToSjis(std::string_view utf8);
std::string sjisToUtf8(std::string_view sjis);

}  // namespace tess::platform
