// What each run-time error means, in words a user can act on: one table for
// the window's error report (Japanese, Shift-JIS) and the command line's
// messages (English, ASCII), written in runtime/error_texts.inc.in.
#pragma once

#include <cstdint>
#include <string_view>

namespace tess {

// The English reason, e.g. "disk full" for 67; "run-time error" for a number
// the table does not hold.
std::string_view errorReason(uint16_t number);

// The Japanese meaning in Shift-JIS, e.g. "ディスクがいっぱいです" for 67;
// empty for a number the table does not hold.
std::string_view errorMeaning(uint16_t number);

}  // namespace tess
