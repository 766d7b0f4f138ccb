// Test helper: Shift-JIS (code page 932) bytes of a UTF-8 text, so that
// tests can be written readably.
#pragma once

#include <string>
#include <string_view>

namespace tess::testing {

std::string sjis(std::string_view utf8);
inline std::string sjis(std::u8string_view utf8) {
  return sjis(std::string_view(reinterpret_cast<const char*>(utf8.data()),
                              utf8.size()));
}
// The reverse, for readable failure messages.
std::string utf8(std::string_view sjisBytes);

}  // namespace tess::testing
