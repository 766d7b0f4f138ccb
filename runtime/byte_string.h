// Byte strings holding Shift-JIS text, and every string operation the
// conversion and the shell use. Positions are 1-based and count bytes unless
// an operation is marked character-aware. Counts and positions arrive as
// 64-bit integers so that a negative value can be refused with error 5.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "platform/shift_jis.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tess {

// Copies n bytes from in to out, which do not overlap. The short pieces of
// the print path and of the record's fields (keywords, fields, line ends)
// are copied with a few loads and stores of their own instead of a library
// call each. It is always inlined: a record head's keywords reach it with
// their lengths known, and their copies become single stores.
[[gnu::always_inline]] inline void copyBytes(char* out, const char* in,
                                             size_t n) {
  if (n >= 16) {
    if (n > 64) {
      std::memcpy(out, in, n);
      return;
    }
    // 16 to 64 bytes: the first and the last 16, or 32, which may overlap.
    if (n > 32) {
      char head[32], tail[32];
      std::memcpy(head, in, 32);
      std::memcpy(tail, in + n - 32, 32);
      std::memcpy(out, head, 32);
      std::memcpy(out + n - 32, tail, 32);
      return;
    }
    char head[16], tail[16];
    std::memcpy(head, in, 16);
    std::memcpy(tail, in + n - 16, 16);
    std::memcpy(out, head, 16);
    std::memcpy(out + n - 16, tail, 16);
  } else if (n >= 8) {
    uint64_t head, tail;
    std::memcpy(&head, in, 8);
    std::memcpy(&tail, in + n - 8, 8);
    std::memcpy(out, &head, 8);
    std::memcpy(out + n - 8, &tail, 8);
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, in, 4);
    std::memcpy(&tail, in + n - 4, 4);
    std::memcpy(out, &head, 4);
    std::memcpy(out + n - 4, &tail, 4);
  } else if (n > 0) {
    // 1 to 3 bytes: the first, the middle and the last.
    out[0] = in[0];
    out[n / 2] = in[n / 2];
    out[n - 1] = in[n - 1];
  }
}

// Sets text to bytes, which must not lie in text. A field that keeps its
// length from one message to the next is copied with no library call.
[[gnu::always_inline]] inline void assignBytes(std::string& text,
                                               std::string_view bytes) {
  text.resize(bytes.size());
  copyBytes(text.data(), bytes.data(), bytes.size());
}

class ByteString {
 public:
  static constexpr int64_t kMaxLength = 2147483647;  // 2^31 - 1

  ByteString() = default;
  ByteString(const char* bytes) : bytes_(bytes) {}  // NOLINT: literals convert
  ByteString(std::string_view bytes) : bytes_(bytes) {}  // NOLINT
  explicit ByteString(std::string&& bytes) : bytes_(std::move(bytes)) {}
  ByteString(const char* bytes, size_t size) : bytes_(bytes, size) {}

  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  const char* data() const { return bytes_.data(); }
  std::string_view view() const { return bytes_; }
  const std::string& str() const { return bytes_; }
  // The byte at 0-based index i as an unsigned value.
  unsigned char byteAt(size_t i) const {
    return static_cast<unsigned char>(bytes_[i]);
  }
  void clear() { std::string().swap(bytes_); }

  // Raw access for the runtime's own efficient building of strings.
  std::string& mutableBytes() { return bytes_; }

  friend bool operator==(const ByteString&, const ByteString&) = default;

 private:
  std::string bytes_;
};

using platform::isLeadByte;

#if defined(__SSE2__)
// The places of the lead bytes among 16 bytes (isLeadByte of each), as the
// low 16 bits of a mask. A byte is in [first, last] when taking first from
// it leaves at most last - first (unsigned), which SSE2 compares through
// the minimum.
inline __m128i leadRangeMatches(__m128i bytes, unsigned char first,
                                unsigned char last) {
  const __m128i offset =
      _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>(first)));
  const __m128i span = _mm_set1_epi8(static_cast<char>(last - first));
  return _mm_cmpeq_epi8(_mm_min_epu8(offset, span), offset);
}
inline uint32_t leadByteMask(__m128i bytes) {
  using namespace platform;
  return static_cast<uint32_t>(_mm_movemask_epi8(
      _mm_or_si128(leadRangeMatches(bytes, kLeadLowFirst, kLeadLowLast),
                   leadRangeMatches(bytes, kLeadHighFirst, kLeadHighLast))));
}
#endif

// True when text ends in a lead byte that starts a character (a lead byte
// whose second byte is missing). A byte outside the lead range always ends a
// character, as a single byte or as a second byte, and the lead-range bytes
// after it pair up from there: only the run of lead-range bytes at the end
// decides, so the answer needs no walk from the first byte.
// Inline: the body loop asks it of every line it examines. The run is
// counted 16 bytes at a time where the processor can: in Japanese text it
// is often several bytes long, and its end would be hard to foresee.
inline bool endsInLoneLeadByte(std::string_view text) {
  if (text.empty() || !isLeadByte(static_cast<unsigned char>(text.back()))) {
    return false;
  }
  size_t end = text.size();  // the run is text[end, text.size())
#if defined(__SSE2__)
  while (end >= 16) {
    const uint32_t lead = leadByteMask(_mm_loadu_si128(
        reinterpret_cast<const __m128i*>(text.data() + end - 16)));
    // The last byte's bit on top: the run is the ones from the top down.
    const int ones = std::countl_one(lead << 16);
    if (ones < 16)
      return (text.size() - end + static_cast<size_t>(ones)) % 2 == 1;
    end -= 16;
  }
#endif
  while (end > 0 && isLeadByte(static_cast<unsigned char>(text[end - 1]))) {
    --end;
  }
  return (text.size() - end) % 2 == 1;
}

int64_t byteLength(const ByteString& s);
// Error 15 when the result would exceed 2^31 - 1 bytes.
ByteString concatenate(const ByteString& left, const ByteString& right);
// -1 when left is smaller, 0 when equal, 1 when left is greater (byte-wise).
int compareStrings(const ByteString& left, const ByteString& right);

ByteString leftBytes(const ByteString& s, int64_t count);
ByteString rightBytes(const ByteString& s, int64_t count);
ByteString midBytes(const ByteString& s, int64_t start);
ByteString midBytes(const ByteString& s, int64_t start, int64_t length);
int64_t findBytes(int64_t start, const ByteString& s,
                  const ByteString& pattern);

// Character-aware operations.
int64_t countChars(const ByteString& s, int64_t which);
ByteString leftChars(const ByteString& s, int64_t count);
ByteString rightChars(const ByteString& s, int64_t count);
ByteString midChars(const ByteString& s, int64_t start, int64_t length);
int isDoubleByteAt(const ByteString& s, int64_t n);
ByteString upperAscii(const ByteString& s);
ByteString lowerAscii(const ByteString& s);
// lowerAscii, upperAscii and trimTrailingBlanks into the string's own
// storage.
void lowerAsciiInPlace(ByteString& s);
void upperAsciiInPlace(ByteString& s);
void trimTrailingBlanksInPlace(ByteString& s);
ByteString trimLeadingBlanks(const ByteString& s);
ByteString trimTrailingBlanks(const ByteString& s);
// The number of bytes that trimLeadingBlanks removes from the front of text.
size_t leadingBlankBytes(std::string_view text);

ByteString bytesFromCodes(std::initializer_list<int64_t> codes);

}  // namespace tess
