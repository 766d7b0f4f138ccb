// The characters of code page 932 by their Unicode value: what a log that
// was re-encoded from Shift-JIS is written back with.
#pragma once

#include <array>
#include <cstdint>

namespace tess {

// The Shift-JIS code of a Unicode character of the basic plane: below 0x100
// a single byte, otherwise a lead byte (high) and a trail byte (low); 0 when
// code page 932 cannot hold it (U+0000 itself is the byte 0). Both ways of
// mapping Shift-JIS to Unicode come back to the same code: U+301C and U+FF5E
// to 0x8160, U+2016 and U+2225 to 0x8161, U+2212 and U+FF0D to 0x817C,
// U+2014 and U+2015 to 0x815C, U+00A2/U+FFE0, U+00A3/U+FFE1 and
// U+00AC/U+FFE2 to 0x8191, 0x8192 and 0x81CA, U+00A5 and U+203E to the
// bytes 0x5C and 0x7E. A character with two codes gets the one Windows
// writes (a JIS row before the NEC row 13, that before the IBM rows).
// Inline: a log's every character is looked up.
extern const std::array<uint16_t, 0x10000> kShiftJisOfUnicode;
inline uint16_t shiftJisOf(char32_t unicode) {
  return unicode < kShiftJisOfUnicode.size() ? kShiftJisOfUnicode[unicode] : 0;
}

// The Shift-JIS code of the mark for a character that cannot be held (〓).
constexpr uint16_t kMissingCharacter = 0x81AC;

}  // namespace tess
