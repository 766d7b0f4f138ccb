#include "runtime/byte_string.h"

#include <algorithm>
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
