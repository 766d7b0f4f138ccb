#include "runtime/log_reading.h"

#include <cstddef>

#include "runtime/log_look.h"

namespace tess {

namespace {

// Multi-byte characters a block needs to be taken for UTF-8 or EUC-JP.
constexpr size_t kFewCharacters = 4;

constexpr unsigned char kEsc = 0x1B;

unsigned char at(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]);
}

bool inRange(unsigned char b, unsigned char low, unsigned char high) {
  return b >= low && b <= high;
}

bool startsWithByteOrderMark(std::string_view block) {
  return block.substr(0, 3) == "\xEF\xBB\xBF";
}

// Whether every byte above 0x7F belongs to a valid UTF-8 sequence, and how
// many sequences there are. A sequence cut by the block's end is valid
// when the log goes on.
bool validUtf8(std::string_view block, bool whole, size_t* sequences) {
  *sequences = 0;
  for (size_t i = 0; i < block.size();) {
    const unsigned char b = at(block, i);
    if (b < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (inRange(b, 0xC2, 0xDF)) {
      length = 2;
    } else if (inRange(b, 0xE0, 0xEF)) {
      length = 3;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;  // no surrogates
    } else if (inRange(b, 0xF0, 0xF4)) {
      length = 4;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    for (size_t k = 1; k < length; ++k) {
      if (i + k == block.size()) return !whole;
      const unsigned char next = at(block, i + k);
      if (k == 1 ? !inRange(next, low, high) : !inRange(next, 0x80, 0xBF)) {
        return false;
      }
    }
    ++*sequences;
    i += length;
  }
  return true;
}

// The same for EUC-JP: JIS X 0208 pairs, half-width katakana after SS2 and
// JIS X 0212 after SS3.
bool validEucJp(std::string_view block, bool whole, size_t* characters) {
  *characters = 0;
  for (size_t i = 0; i < block.size();) {
    const unsigned char b = at(block, i);
    if (b < 0x80) {
      ++i;
      continue;
    }
    size_t length = 2;
    unsigned char low = 0xA1, high = 0xFE;
    if (b == 0x8E) {
      high = 0xDF;
    } else if (b == 0x8F) {
      length = 3;
    } else if (!inRange(b, 0xA1, 0xFE)) {
      return false;
    }
    for (size_t k = 1; k < length; ++k) {
      if (i + k == block.size()) return !whole;
      if (!inRange(at(block, i + k), low, high)) return false;
      high = 0xFE;
    }
    ++*characters;
    i += length;
  }
  return true;
}

// ISO-2022-JP: 7-bit bytes only, with a switch to JIS X 0208.
bool looksIso2022Jp(std::string_view block) {
  bool switched = false;
  for (size_t i = 0; i < block.size(); ++i) {
    const unsigned char b = at(block, i);
    if (b >= 0x80) return false;
    if (b == kEsc && i + 2 < block.size() && block[i + 1] == '$' &&
        (block[i + 2] == 'B' || block[i + 2] == '@')) {
      switched = true;
    }
  }
  return switched;
}

}  // namespace

LogEncoding decideEncoding(std::string_view block, bool whole) {
  if (block.size() > kDecisionBytes) {
    block = block.substr(0, kDecisionBytes);
    whole = false;
  }
  size_t count = 0;
  if (startsWithByteOrderMark(block)) return LogEncoding::Utf8;
  if (validUtf8(block, whole, &count) && count >= kFewCharacters) {
    return LogEncoding::Utf8;
  }
  if (validEucJp(block, whole, &count) && count >= kFewCharacters) {
    return LogEncoding::EucJp;
  }
  if (looksIso2022Jp(block)) return LogEncoding::Iso2022Jp;
  return LogEncoding::ShiftJis;
}

LineEnds decideLineEnds(std::string_view block) {
  block = block.substr(0, kDecisionBytes);
  if (block.find('\r') != std::string_view::npos) return LineEnds::Cr;
  return block.find('\n') != std::string_view::npos ? LineEnds::Lf
                                                    : LineEnds::Cr;
}

LogReading decideLogReading(std::string_view block, bool whole,
                            LogChoice choice) {
  LogReading reading = decideHowToRead(block, whole, choice);
  reading.look = decideLook(block, reading);
  return reading;
}

LogReading decideHowToRead(std::string_view block, bool whole,
                           LogChoice choice) {
  LogReading reading;
  reading.encodingDecided = choice.encoding == LogEncoding::Auto;
  reading.encoding =
      reading.encodingDecided ? decideEncoding(block, whole) : choice.encoding;
  reading.lineEndsDecided = choice.lineEnds == LineEnds::Auto;
  reading.lineEnds =
      reading.lineEndsDecided ? decideLineEnds(block) : choice.lineEnds;
  return reading;
}

LogLook decideLook(std::string_view block, const LogReading& reading) {
  // What the log looked like matters only when it was read as Shift-JIS,
  // or with CR ends when it has LF ends.
  if (reading.encoding == LogEncoding::ShiftJis) {
    return lookByMasks(block.substr(0, kDecisionBytes), reading.lineEnds);
  }
  if (reading.lineEnds == LineEnds::Cr &&
      lookByMasks(block.substr(0, kDecisionBytes), LineEnds::Cr) ==
          LogLook::LfEnds) {
    return LogLook::LfEnds;
  }
  return LogLook::Plain;
}

}  // namespace tess
