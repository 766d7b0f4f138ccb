// Shift-JIS text walked character by character. A character is a single
// byte, or a lead byte (0x81..0x9F, 0xE0..0xFC) and the trail byte after it
// (0x40..0x7E, 0x80..0xFC). Every part of the program that must not split a
// double-byte character asks these functions.
//
// Paths are Shift-JIS too: their walk goes from the first byte character by
// character, so the trail byte of a double-byte character is never taken for
// a separator, even where it equals one (0x5C, "\", is the trail byte of 表,
// ソ, 能, 予, 十, 申 and many more). Which bytes separate is the caller's to
// say ("/" on POSIX; "\", "/" and ":" on Windows).
#pragma once

#include <cstddef>
#include <string_view>

namespace tess::platform {

// The two ranges of lead bytes, first and last byte of each.
inline constexpr unsigned char kLeadLowFirst = 0x81;
inline constexpr unsigned char kLeadLowLast = 0x9F;
inline constexpr unsigned char kLeadHighFirst = 0xE0;
inline constexpr unsigned char kLeadHighLast = 0xFC;

constexpr bool isLeadByte(unsigned char b) {
  return (b >= kLeadLowFirst && b <= kLeadLowLast) ||
         (b >= kLeadHighFirst && b <= kLeadHighLast);
}

// A byte that may follow a lead byte: 0x7F never does.
constexpr bool isTrailByte(unsigned char b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// The bytes of the character that starts at index i: 2 for a lead byte with
// a byte after it, else 1 (a lead byte in the last place stands alone).
constexpr size_t charLengthAt(std::string_view text, size_t i) {
  return isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()
             ? 2
             : 1;
}

// The position where a path's name part starts: just after the last
// separator that stands as a character of its own, or 0 when there is none.
// A lead byte at the very end has no trail byte and ends the walk.
template <typename IsSeparator>
size_t pathNameStart(std::string_view path, const IsSeparator& isSeparator) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); i += charLengthAt(path, i)) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (!isLeadByte(byte) && isSeparator(byte)) start = i + 1;
  }
  return start;
}

// The folder part with its final separator ("" when the path has none) and
// the name part after it; together they are the whole path.
struct PathParts {
  std::string_view folder;
  std::string_view name;
};

template <typename IsSeparator>
PathParts splitPath(std::string_view path, const IsSeparator& isSeparator) {
  const size_t start = pathNameStart(path, isSeparator);
  return {path.substr(0, start), path.substr(start)};
}

}  // namespace tess::platform
