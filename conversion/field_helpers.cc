#include "conversion/field_helpers.h"

#include "runtime/numbers.h"

namespace tess {

ByteString ZERONUM(const ByteString& text, double width) {
  const int32_t count = roundToInteger(width);
  return rightBytes(concatenate("000000", trimLeadingBlanks(text)), count);
}

ByteString CUTS(const ByteString& text, double width) {
  const int32_t count = roundToInteger(width);
  // A negative width is refused by the cut below (no text is that short).
  if (byteLength(text) <= count) return text;
  const ByteString shortCut = leftBytes(text, count);
  const ByteString longCut = leftBytes(text, int64_t{count} + 1);
  if (countChars(shortCut, 0) == countChars(longCut, 0)) {
    // The byte at the width begins a double-byte character that only the
    // longer cut completes: a blank takes the character's place.
    return concatenate(leftBytes(text, int64_t{count} - 1), " ");
  }
  return shortCut;
}

}  // namespace tess
