// A path's folder part and name part. Paths are Shift-JIS: the walk goes
// from the first byte character by character, so the second byte of a
// double-byte character is never taken for a separator, even where it
// equals one (0x5C, "\", is the second byte of 表, ソ, 能, 予, 十, 申 and
// many more). Which bytes separate is the caller's to say ("/" on POSIX;
// "\", "/" and ":" on Windows).
#pragma once

#include <cstddef>
#include <string_view>

#include "runtime/byte_string.h"

namespace tess {

// The position where the name part starts: just after the last separator
// that stands as a character of its own, or 0 when there is none. A lead
// byte at the very end has no second byte and ends the walk.
template <typename IsSeparator>
size_t pathNameStart(std::string_view path, const IsSeparator& isSeparator) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (isLeadByte(byte)) {
      ++i;  // the second byte belongs to the character
    } else if (isSeparator(byte)) {
      start = i + 1;
    }
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

}  // namespace tess
