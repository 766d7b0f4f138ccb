// Numbers: every numeric variable of the system is a single-precision float.
// These convert between numbers and their decimal texts and turn a number
// into a byte position or count.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/byte_string.h"

namespace tess {

// Decimal text of a single-precision value: a blank or "-", at most six
// significant digits, fixed or exponent notation, no trailing blank.
ByteString numberToText(float x);

// Value of the number at the start of s (0 when there is none), as the
// nearest double. Error 6 when the number is too large for double precision.
double textToNumber(const ByteString& s);

// textToNumber of a text given as bytes: out of line, so that the callers'
// fast paths stay small.
double textToNumberOf(std::string_view text);

// textToNumber of a text of at most two bytes, as the conference numbers of
// the log are: two digits are read at once, anything else the general way.
// Inline: the recogniser reads the two digits of a conference or a year
// several times a message.
inline double shortTextToNumber(std::string_view text) {
  if (text.size() == 2 && text[0] >= '0' && text[0] <= '9' && text[1] >= '0' &&
      text[1] <= '9') {
    return (text[0] - '0') * 10 + (text[1] - '0');
  }
  return textToNumberOf(text);
}

// Stores a value into a single-precision variable: rounds to the nearest
// float; error 6 when it overflows single precision.
float toSingle(double x);

// True when x can be stored as a single-precision value without overflow.
bool fitsSingle(double x);

// Round half away from zero to a signed 32-bit integer; error 6 outside.
int32_t roundToInteger(double x);

}  // namespace tess
