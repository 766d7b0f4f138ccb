// What the first block of a log looks like when it is read as Shift-JIS:
// counts of control bytes, line ends and bytes that no Shift-JIS text has,
// taken at the characters' first bytes. Two ways that give the same look:
// walking the characters one by one, and the bit masks of 64 bytes at a
// time, in which a lead byte takes the byte after it as an escape character
// takes the next one.
#pragma once

#include <string_view>

#include "runtime/log_reading.h"

namespace tess {

// Walks the characters of the block one by one.
LogLook lookByWalk(std::string_view block, LineEnds lineEnds);
// The same look from the block's bit masks, 64 bytes at a time.
LogLook lookByMasks(std::string_view block, LineEnds lineEnds);

}  // namespace tess
