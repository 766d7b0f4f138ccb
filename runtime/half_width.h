// The half-width forms of full-width characters.
#pragma once

#include <cstddef>
#include <string>

#include "runtime/byte_string.h"

namespace tess {

// Each full-width letter, digit, sign and katakana replaced by its
// single-byte form (a voiced or semi-voiced katakana by two bytes, the form
// and its sound mark); every other character as it is.
ByteString toHalfWidth(const ByteString& s);
// lowerAscii(toHalfWidth(the bytes of text from byte `from` on)), written
// over text from its first byte: text is cut to the result. The two steps
// are taken in one walk over the characters, with no second string.
void toHalfWidthLowerAsciiInPlace(std::string& text, size_t from);

}  // namespace tess
