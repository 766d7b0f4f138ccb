// The two field helpers that the record's fields are cut and padded with.
// ZERONUM writes a number text at a fixed width with leading zeros; CUTS
// shortens a Shift-JIS text to a width in bytes without splitting a
// double-byte character. Both are pure: they keep no state and write
// nothing.
#pragma once

#include "runtime/byte_string.h"

namespace tess {

// The text without its leading blanks, behind six zeros, cut to its last
// `width` bytes (all of it when shorter). The text is not examined for
// digits. width is rounded to a whole byte count; a negative one raises 5.
ByteString ZERONUM(const ByteString& text, double width);

// The text itself when it is at most `width` bytes long (never filled up);
// otherwise exactly `width` bytes, with a blank in place of a double-byte
// character that the cut would split. A negative width raises 5.
ByteString CUTS(const ByteString& text, double width);

}  // namespace tess
