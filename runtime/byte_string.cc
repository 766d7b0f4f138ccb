#include "runtime/byte_string.h"

#include <algorithm>
#include <array>
#include <new>

#include "runtime/runtime_error.h"

namespace tess {

namespace internal {

// Length of left joined with right; error 15 past 2^31 - 1 bytes.
int64_t joinedLength(int64_t left, int64_t right) {
  if (left > ByteString::kMaxLength - right) raiseError(err::kStringTooLong);
  return left + right;
}

}  // namespace internal

namespace {

constexpr unsigned char kBlank = 0x20;
constexpr unsigned char kFullWidthSpaceLead = 0x81;
constexpr unsigned char kFullWidthSpaceTrail = 0x40;

// The byte lower-cased when it is one of A to Z.
constexpr unsigned char lowerLetter(unsigned b) {
  return static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 0x20 : b);
}

// Byte index just past the first `count` characters (or the end).
size_t skipChars(std::string_view s, size_t from, int64_t count) {
  size_t i = from;
  while (count > 0 && i < s.size()) {
    i += platform::charLengthAt(s, i);
    --count;
  }
  return i;
}

// The first character start at or after index i, as the walk from the
// first byte finds it. A byte that is no lead byte always ends a character
// (a single byte or a second byte), and the lead-range bytes after it pair
// up from there; so i starts a character exactly when an even number of
// lead-range bytes precede it back to such a byte (or the beginning).
size_t characterStartFrom(std::string_view s, size_t i) {
  size_t leads = 0;
  for (size_t j = i; j > 0 && isLeadByte(static_cast<unsigned char>(s[j - 1]));
       --j)
    ++leads;
  return leads % 2 == 0 ? i : i + 1;
}

int64_t charCount(std::string_view s) {
  int64_t n = 0;
  for (size_t i = 0; i < s.size(); i += platform::charLengthAt(s, i)) ++n;
  return n;
}

ByteString copyOf(std::string_view bytes) {
  try {
    return ByteString(bytes);
  } catch (const std::bad_alloc&) {
    raiseError(err::kStringStorageFull);
  }
}

// ---- Full-width to single-byte tables --------------------------------------

// Full-width forms
// "　！”＃＄％＆’（）＊＋，－．／０..９：；＜＝＞？＠Ａ..Ｚ［￥］＾＿｀
// ａ..ｚ｛｜｝￣": index i becomes the byte 0x20 + i.
constexpr std::array<uint16_t, 95> kFullWidthForms = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166, 0x8169,
    0x816a, 0x8196, 0x817b, 0x8143, 0x817c, 0x8144, 0x815e, 0x824f, 0x8250,
    0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256, 0x8257, 0x8258, 0x8146,
    0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262,
    0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826a, 0x826b,
    0x826c, 0x826d, 0x826e, 0x826f, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274,
    0x8275, 0x8276, 0x8277, 0x8278, 0x8279, 0x816d, 0x818f, 0x816e, 0x814f,
    0x8151, 0x814d, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,
    0x8288, 0x8289, 0x828a, 0x828b, 0x828c, 0x828d, 0x828e, 0x828f, 0x8290,
    0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297, 0x8298, 0x8299,
    0x829a, 0x816f, 0x8162, 0x8170, 0x8150,
};

// Katakana forms
// "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソ
// タチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜": index i
// becomes the single-byte katakana 0xA1 + i.
constexpr std::array<uint16_t, 63> kKatakanaForms = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344,
    0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815b, 0x8341, 0x8343,
    0x8345, 0x8347, 0x8349, 0x834a, 0x834c, 0x834e, 0x8350, 0x8352, 0x8354,
    0x8356, 0x8358, 0x835a, 0x835c, 0x835e, 0x8360, 0x8363, 0x8365, 0x8367,
    0x8369, 0x836a, 0x836b, 0x836c, 0x836d, 0x836e, 0x8371, 0x8374, 0x8377,
    0x837a, 0x837d, 0x837e, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388,
    0x8389, 0x838a, 0x838b, 0x838c, 0x838d, 0x838f, 0x8393, 0x814a, 0x814b,
};

// Voiced forms "ガギグゲゴザジズゼゾダヂヅデドバビブベボ": the unvoiced form
// (second byte minus 1) followed by 0xDE.
constexpr std::array<uint16_t, 20> kVoicedForms = {
    0x834b, 0x834d, 0x834f, 0x8351, 0x8353, 0x8355, 0x8357,
    0x8359, 0x835b, 0x835d, 0x835f, 0x8361, 0x8364, 0x8366,
    0x8368, 0x836f, 0x8372, 0x8375, 0x8378, 0x837b,
};

// Semi-voiced forms "パピプペポ": the form with the second byte minus 2
// followed by 0xDF.
constexpr std::array<uint16_t, 5> kSemiVoicedForms = {0x8370, 0x8373, 0x8376,
                                                      0x8379, 0x837c};

// Every character of the four tables has the lead byte 0x81, 0x82 or 0x83.
constexpr unsigned kFirstTableLead = 0x81;
constexpr unsigned kLastTableLead = 0x83;
constexpr size_t kTableRows = kLastTableLead - kFirstTableLead + 1;
// One row of 256 entries per table lead byte, and a last row of zeros that
// every other character looks up, so that the walk below needs no branch
// to tell the characters apart.
constexpr size_t kTableSlots = (kTableRows + 1) * 256;

constexpr size_t slotOf(uint16_t code) {
  return (static_cast<size_t>(code >> 8) - kFirstTableLead) * 256 +
         (code & 0xFFu);
}

// One entry per double-byte character with a table lead byte: 0 for none,
// else the single byte in the low half and the added sound mark (0xDE or
// 0xDF) or 0 in the high half. The first table that has a character wins.
constexpr std::array<uint16_t, kTableSlots> buildHalfWidthTable() {
  std::array<uint16_t, kTableSlots> table{};
  auto put = [&table](uint16_t code, uint16_t value) {
    if (table[slotOf(code)] == 0) table[slotOf(code)] = value;
  };
  for (size_t i = 0; i < kFullWidthForms.size(); ++i)
    put(kFullWidthForms[i], static_cast<uint16_t>(0x20 + i));
  for (size_t i = 0; i < kKatakanaForms.size(); ++i)
    put(kKatakanaForms[i], static_cast<uint16_t>(0xA1 + i));
  auto katakana = [](uint16_t code) -> uint16_t {
    for (size_t i = 0; i < kKatakanaForms.size(); ++i)
      if (kKatakanaForms[i] == code) return static_cast<uint16_t>(0xA1 + i);
    return 0;
  };
  for (uint16_t code : kVoicedForms)
    put(code, static_cast<uint16_t>(katakana(static_cast<uint16_t>(code - 1)) |
                                    (0xDE << 8)));
  for (uint16_t code : kSemiVoicedForms)
    put(code, static_cast<uint16_t>(katakana(static_cast<uint16_t>(code - 2)) |
                                    (0xDF << 8)));
  return table;
}

constexpr std::array<uint16_t, kTableSlots> kHalfWidthTable =
    buildHalfWidthTable();

// The table row of every byte: its own row for a table lead byte, else the
// row of zeros.
constexpr std::array<uint8_t, 256> buildTableRows() {
  std::array<uint8_t, 256> rows{};
  for (size_t b = 0; b < 256; ++b) {
    rows[b] = b >= kFirstTableLead && b <= kLastTableLead
                  ? static_cast<uint8_t>(b - kFirstTableLead)
                  : static_cast<uint8_t>(kTableRows);
  }
  return rows;
}

constexpr std::array<uint8_t, 256> kTableRowOf = buildTableRows();

// The table row of every lead byte, as kTableRowOf; kNoPair for any other
// byte, which stands as a single-byte character. One look-up tells the
// walk what to do with a byte.
constexpr uint8_t kNoPair = 0xFF;
constexpr std::array<uint8_t, 256> buildPairRows() {
  std::array<uint8_t, 256> rows{};
  for (size_t b = 0; b < 256; ++b) {
    rows[b] =
        isLeadByte(static_cast<unsigned char>(b)) ? kTableRowOf[b] : kNoPair;
  }
  return rows;
}
constexpr std::array<uint8_t, 256> kPairRowOf = buildPairRows();

void mapSingleBytesInPlace(std::string& text, unsigned char from,
                           unsigned char to, int delta) {
  // Byte by byte, carrying whether the byte is the second of a double-byte
  // character: the next byte's position does not wait for this byte's
  // value, which keeps the walk fast on mixed text.
  bool second = false;
  for (char& c : text) {
    const auto b = static_cast<unsigned char>(c);
    // A letter is never a lead byte: at a character's start it is a
    // single-byte character.
    if (!second && b >= from && b <= to) c = static_cast<char>(b + delta);
    second = !second && isLeadByte(b);
  }
}

ByteString mapSingleBytes(const ByteString& s, unsigned char from,
                          unsigned char to, int delta) {
  std::string out(s.view());
  mapSingleBytesInPlace(out, from, to, delta);
  return ByteString(std::move(out));
}

}  // namespace

int64_t byteLength(const ByteString& s) {
  return static_cast<int64_t>(s.size());
}

ByteString concatenate(const ByteString& left, const ByteString& right) {
  const int64_t total =
      internal::joinedLength(byteLength(left), byteLength(right));
  if (right.empty()) return left;
  if (left.empty()) return right;
  std::string out;
  try {
    out.reserve(static_cast<size_t>(total));
  } catch (const std::bad_alloc&) {
    raiseError(err::kStringStorageFull);
  }
  // The result is built in fresh storage, so joining a string with itself
  // reads operands that nothing overwrites.
  out.append(left.view());
  out.append(right.view());
  return ByteString(std::move(out));
}

int compareStrings(const ByteString& left, const ByteString& right) {
  const int c = left.view().compare(right.view());
  return (c > 0) - (c < 0);
}

ByteString leftBytes(const ByteString& s, int64_t count) {
  if (count < 0) raiseError(err::kIllegalArgument);
  if (static_cast<uint64_t>(count) >= s.size()) return s;
  return copyOf(s.view().substr(0, static_cast<size_t>(count)));
}

ByteString rightBytes(const ByteString& s, int64_t count) {
  if (count < 0) raiseError(err::kIllegalArgument);
  if (static_cast<uint64_t>(count) >= s.size()) return s;
  return copyOf(s.view().substr(s.size() - static_cast<size_t>(count)));
}

ByteString midBytes(const ByteString& s, int64_t start) {
  return midBytes(s, start, ByteString::kMaxLength);
}

ByteString midBytes(const ByteString& s, int64_t start, int64_t length) {
  if (start < 1 || length < 0) raiseError(err::kIllegalArgument);
  const auto size = static_cast<int64_t>(s.size());
  if (start > size) return ByteString();
  const int64_t available = size - start + 1;
  const int64_t take = std::min(length, available);
  if (start == 1 && take == size) return s;
  return copyOf(s.view().substr(static_cast<size_t>(start - 1),
                                static_cast<size_t>(take)));
}

int64_t findBytes(int64_t start, const ByteString& s,
                  const ByteString& pattern) {
  if (start < 1) raiseError(err::kIllegalArgument);
  if (s.empty()) return 0;
  if (start > static_cast<int64_t>(s.size())) return 0;
  if (pattern.size() > s.size()) return 0;
  if (pattern.empty()) return start;
  // Byte-wise, ignoring character boundaries: a match may begin at the
  // second byte of a double-byte character.
  const size_t at =
      s.view().find(pattern.view(), static_cast<size_t>(start - 1));
  return at == std::string_view::npos ? 0 : static_cast<int64_t>(at) + 1;
}

int64_t countChars(const ByteString& s, int64_t which) {
  if (which < 0 || which > 2) raiseError(err::kIllegalArgument);
  const int64_t n = charCount(s.view());
  const int64_t doubles = static_cast<int64_t>(s.size()) - n;
  if (which == 0) return n;
  if (which == 1) return n - doubles;
  return doubles;
}

ByteString leftChars(const ByteString& s, int64_t count) {
  if (count < 0) raiseError(err::kIllegalArgument);
  const size_t end = skipChars(s.view(), 0, count);
  if (end >= s.size()) return s;
  return copyOf(s.view().substr(0, end));
}

ByteString rightChars(const ByteString& s, int64_t count) {
  if (count < 0) raiseError(err::kIllegalArgument);
  if (count == 0) return ByteString();
  const int64_t n = charCount(s.view());
  if (count >= n) return s;
  return copyOf(s.view().substr(skipChars(s.view(), 0, n - count)));
}

ByteString midChars(const ByteString& s, int64_t start, int64_t length) {
  if (start < 1 || length < 0) raiseError(err::kIllegalArgument);
  if (length == 0 || s.empty()) return ByteString();
  const std::string_view v = s.view();
  const size_t from = skipChars(v, 0, start - 1);
  // Fewer than start characters: nothing is left at that position.
  if (from >= v.size()) return ByteString();
  const size_t end = skipChars(v, from, length);
  return copyOf(v.substr(from, end - from));
}

int isDoubleByteAt(const ByteString& s, int64_t n) {
  if (n < 1) raiseError(err::kIllegalArgument);
  const std::string_view v = s.view();
  const size_t at = skipChars(v, 0, n - 1);
  if (at >= v.size()) raiseError(err::kIllegalArgument);
  return isLeadByte(static_cast<unsigned char>(v[at])) ? 1 : 0;
}

ByteString upperAscii(const ByteString& s) {
  return mapSingleBytes(s, 'a', 'z', -0x20);
}

ByteString lowerAscii(const ByteString& s) {
  return mapSingleBytes(s, 'A', 'Z', 0x20);
}

void lowerAsciiInPlace(ByteString& s) {
  mapSingleBytesInPlace(s.mutableBytes(), 'A', 'Z', 0x20);
}

void upperAsciiInPlace(ByteString& s) {
  mapSingleBytesInPlace(s.mutableBytes(), 'a', 'z', -0x20);
}

size_t leadingBlankBytes(std::string_view v) {
  size_t i = 0;
  while (i < v.size()) {
    const auto b = static_cast<unsigned char>(v[i]);
    if (b == kBlank) {
      ++i;
    } else if (b == kFullWidthSpaceLead && i + 1 < v.size() &&
               static_cast<unsigned char>(v[i + 1]) == kFullWidthSpaceTrail) {
      i += 2;
    } else {
      break;
    }
  }
  return i;
}

ByteString trimLeadingBlanks(const ByteString& s) {
  const std::string_view v = s.view();
  const size_t i = leadingBlankBytes(v);
  if (i == 0) return s;
  return copyOf(v.substr(i));
}

namespace {

// The number of bytes that trimTrailingBlanks keeps of v.
size_t trailingBlanksStart(std::string_view v) {
  // A trailing blank ends in 0x20 or in the 0x40 of a full-width space.
  if (v.empty() || (v.back() != ' ' && v.back() != '\x40')) return v.size();
  // Only the tail made of the bytes 0x20, 0x40 and 0x81 can hold blanks:
  // the character that ends just before it is no blank. Walking the
  // characters from the first byte would find the same boundaries inside
  // the tail as walking from the tail's first character start, found by
  // characterStartFrom without a walk over the whole string.
  size_t tail = v.size();
  while (tail > 0) {
    const auto b = static_cast<unsigned char>(v[tail - 1]);
    if (b != kBlank && b != kFullWidthSpaceTrail && b != kFullWidthSpaceLead)
      break;
    --tail;
  }
  size_t runStart = v.size();
  for (size_t i = characterStartFrom(v, tail); i < v.size();) {
    const size_t w = platform::charLengthAt(v, i);
    const auto b = static_cast<unsigned char>(v[i]);
    const bool blank =
        (w == 1 && b == kBlank) ||
        (w == 2 && b == kFullWidthSpaceLead &&
         static_cast<unsigned char>(v[i + 1]) == kFullWidthSpaceTrail);
    if (!blank) {
      runStart = v.size();
    } else if (runStart == v.size()) {
      runStart = i;
    }
    i += w;
  }
  return runStart;
}

}  // namespace

ByteString trimTrailingBlanks(const ByteString& s) {
  const size_t end = trailingBlanksStart(s.view());
  if (end == s.size()) return s;
  return copyOf(s.view().substr(0, end));
}

void trimTrailingBlanksInPlace(ByteString& s) {
  s.mutableBytes().resize(trailingBlanksStart(s.view()));
}

ByteString toHalfWidth(const ByteString& s) {
  const std::string_view v = s.view();
  const size_t n = v.size();
  std::string out;
  size_t copied = 0;  // bytes of v before this index are already in out
  // Byte by byte, carrying whether the byte is the second of a double-byte
  // character. Titles mix single-byte and double-byte characters at
  // random: every byte looks up a table entry without a branch (a byte
  // that does not start a double-byte character looks up the row of
  // zeros), and only a hit branches.
  bool second = false;
  for (size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(v[i]);
    const bool lead = !second && isLeadByte(b);
    const bool pair = lead && i + 1 < n;
    const auto trail = static_cast<unsigned char>(v[i + pair]);
    const size_t row = pair ? kTableRowOf[b] : kTableRows;
    const uint16_t half = kHalfWidthTable[row * 256 + trail];
    if (half != 0) {
      if (out.empty()) out.reserve(n);
      out.append(v.substr(copied, i - copied));
      out.push_back(static_cast<char>(half & 0xFF));
      if ((half >> 8) != 0) out.push_back(static_cast<char>(half >> 8));
      copied = i + 2;
    }
    second = lead;
  }
  if (copied == 0) return s;  // nothing to replace
  out.append(v.substr(copied));
  return ByteString(std::move(out));
}

void toHalfWidthLowerAsciiInPlace(std::string& text, size_t from) {
  unsigned char* const bytes = reinterpret_cast<unsigned char*>(text.data());
  const size_t n = text.size();
  // The walk of toHalfWidth, a character at a time: a lead byte with a byte
  // after it starts a double-byte character, any other byte is a
  // single-byte character. The result so far is bytes[0, out), out <= i.
  // The last byte, with no byte after it, is a single-byte character
  // whatever it is: it is taken after the loop.
  size_t i = from;
  size_t out = 0;
  // While the result starts where the text does, a character that stays as
  // it is needs no write: up to the first pair with a half-width form (the
  // one change that can shorten the text), only letters are written.
  if (from == 0) {
    while (i + 1 < n) {
      const unsigned row = kPairRowOf[bytes[i]];
      if (row == kNoPair) {
        bytes[i] = lowerLetter(bytes[i]);
        ++i;
        continue;
      }
      if (kHalfWidthTable[row * 256 + bytes[i + 1]] != 0) break;
      i += 2;
    }
    out = i;
  }
  while (i + 1 < n) {
    const unsigned b = bytes[i];
    const unsigned row = kPairRowOf[b];
    if (row == kNoPair) {
      // Lower-casing changes only a single-byte character A to Z.
      bytes[out++] = lowerLetter(b);
      ++i;
      continue;
    }
    const unsigned trail = bytes[i + 1];
    const unsigned half = kHalfWidthTable[row * 256 + trail];
    i += 2;
    if (half == 0) {
      // No half-width form: the pair as it is, never lower-cased.
      bytes[out] = static_cast<unsigned char>(b);
      bytes[out + 1] = static_cast<unsigned char>(trail);
      out += 2;
      continue;
    }
    // The half-width form of the pair: one or two single-byte characters,
    // none of them a lead byte, so the characters after it start where
    // they started before. Its letter is lower-cased. The second byte is
    // written either way (out + 1 < i): it counts only when there is one.
    bytes[out] = lowerLetter(half & 0xFF);
    bytes[out + 1] = static_cast<unsigned char>(half >> 8);
    out += (half >> 8) != 0 ? 2 : 1;
  }
  if (i < n) bytes[out++] = lowerLetter(bytes[i]);
  text.resize(out);
}

ByteString bytesFromCodes(std::initializer_list<int64_t> codes) {
  std::string out;
  out.reserve(codes.size());
  for (int64_t code : codes) {
    if (code < 0 || code > 255) raiseError(err::kIllegalArgument);
    out.push_back(static_cast<char>(static_cast<unsigned char>(code)));
  }
  return ByteString(std::move(out));
}

}  // namespace tess
