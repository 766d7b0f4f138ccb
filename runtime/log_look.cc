#include "runtime/log_look.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/shift_jis.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tess {

namespace {

// Bytes that no Shift-JIS text has, in a block taken for some other text:
// as few as the characters that make a block UTF-8 or EUC-JP.
constexpr size_t kFewCharacters = 4;

constexpr unsigned char kCR = 0x0D;
constexpr unsigned char kLF = 0x0A;
constexpr unsigned char kEsc = 0x1B;

// A control byte that no text has (CR and LF apart): NUL, and the C0 bytes
// other than TAB, ESC, form feed and the end-of-file mark.
constexpr bool isStrayControl(unsigned char b) {
  return b == 0 || (b < 0x20 && b != '\t' && b != kEsc && b != 0x0C &&
                    b != 0x1A && b != kCR && b != kLF);
}

// A byte that Shift-JIS never has as a character's first byte.
constexpr bool neverFirst(unsigned char b) {
  return b == 0x80 || b == 0xA0 || b >= 0xFD;
}

// A byte that cannot follow a lead byte: not a trail byte, nor a line end
// (a lead byte at a line's end was cut from its trail byte).
constexpr bool cutsALead(unsigned char b) {
  return !platform::isTrailByte(b) && b != kCR && b != kLF;
}

struct Counts {
  size_t controls = 0;
  size_t cr = 0;
  size_t loneLf = 0;
  size_t badShiftJis = 0;
};

LogLook judge(const Counts& c, size_t size, LineEnds lineEnds) {
  if (c.controls * 100 > size || c.controls >= 16) return LogLook::NotText;
  if (lineEnds == LineEnds::Cr && c.loneLf > c.cr) return LogLook::LfEnds;
  if (c.badShiftJis >= kFewCharacters) return LogLook::NotShiftJis;
  return LogLook::Plain;
}

// Each byte's kinds as bits, for the masks.
enum Kind : uint8_t {
  kLead = 1,
  kCr = 2,
  kLf = 4,
  kControl = 8,
  kNeverFirst = 16,
  kCutsALead = 32,
};

constexpr std::array<uint8_t, 256> kKinds = [] {
  std::array<uint8_t, 256> kinds{};
  for (int i = 0; i < 256; ++i) {
    const auto b = static_cast<unsigned char>(i);
    kinds[i] = static_cast<uint8_t>(
        (platform::isLeadByte(b) ? kLead : 0) | (b == kCR ? kCr : 0) |
        (b == kLF ? kLf : 0) | (isStrayControl(b) ? kControl : 0) |
        (neverFirst(b) ? kNeverFirst : 0) | (cutsALead(b) ? kCutsALead : 0));
  }
  return kinds;
}();

uint8_t kindOf(std::string_view block, size_t i) {
  return kKinds[static_cast<unsigned char>(block[i])];
}

// The kinds of up to 64 bytes, one mask each (bit j for byte j).
struct Masks {
  uint64_t lead = 0, cr = 0, lf = 0, control = 0, neverFirst = 0, cuts = 0;
};

Masks masksByByte(std::string_view bytes) {
  Masks m;
  for (size_t j = 0; j < bytes.size(); ++j) {
    const uint64_t k = kindOf(bytes, j);
    m.lead |= (k & kLead) << j;
    m.cr |= ((k & kCr) >> 1) << j;
    m.lf |= ((k & kLf) >> 2) << j;
    m.control |= ((k & kControl) >> 3) << j;
    m.neverFirst |= ((k & kNeverFirst) >> 4) << j;
    m.cuts |= ((k & kCutsALead) >> 5) << j;
  }
  return m;
}

#if defined(__SSE2__)
// The same kinds for 64 bytes, 16 at a time.
uint64_t bitsOf(__m128i matches) {
  return static_cast<uint32_t>(_mm_movemask_epi8(matches));
}

__m128i equal(__m128i bytes, char value) {
  return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(value));
}

// low <= byte <= high, unsigned: byte - low is at most high - low.
__m128i inRange(__m128i bytes, int low, int high) {
  const __m128i shifted =
      _mm_sub_epi8(bytes, _mm_set1_epi8(static_cast<char>(low)));
  const __m128i limit = _mm_set1_epi8(static_cast<char>(high - low));
  return _mm_cmpeq_epi8(_mm_min_epu8(shifted, limit), shifted);
}

Masks masksOf64(const char* at) {
  Masks m;
  for (int part = 0; part < 64; part += 16) {
    const __m128i b =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + part));
    const __m128i cr = equal(b, kCR);
    const __m128i lf = equal(b, kLF);
    const __m128i lead =
        _mm_or_si128(inRange(b, 0x81, 0x9F), inRange(b, 0xE0, 0xFC));
    const __m128i allowed =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(equal(b, '\t'), equal(b, kEsc)),
                                  _mm_or_si128(equal(b, 0x0C), equal(b, 0x1A))),
                     _mm_or_si128(cr, lf));
    const __m128i control = _mm_andnot_si128(allowed, inRange(b, 0x00, 0x1F));
    const __m128i neverFirst =
        _mm_or_si128(_mm_or_si128(equal(b, static_cast<char>(0x80)),
                                  equal(b, static_cast<char>(0xA0))),
                     inRange(b, 0xFD, 0xFF));
    const __m128i trail =
        _mm_andnot_si128(equal(b, 0x7F), inRange(b, 0x40, 0xFC));
    const uint64_t notCuts = bitsOf(_mm_or_si128(_mm_or_si128(trail, cr), lf));
    m.lead |= bitsOf(lead) << part;
    m.cr |= bitsOf(cr) << part;
    m.lf |= bitsOf(lf) << part;
    m.control |= bitsOf(control) << part;
    m.neverFirst |= bitsOf(neverFirst) << part;
    m.cuts |= (~notCuts & 0xFFFF) << part;
  }
  return m;
}
#endif

Masks masksOf(std::string_view bytes) {
#if defined(__SSE2__)
  if (bytes.size() == 64) return masksOf64(bytes.data());
#endif
  return masksByByte(bytes);
}

// The bits set: few in the masks of a block of text.
size_t bitsSet(uint64_t mask) {
  size_t n = 0;
  for (; mask != 0; mask &= mask - 1) ++n;
  return n;
}

// The trail bytes among 64 bytes, from the bytes of the lead range among
// them: a lead byte that starts a character takes the byte after it, so in
// a run of such bytes every other one starts a character, from the run's
// first on, as in a run of escape characters. carried: the first of the 64
// bytes is the trail of the byte before them; set for the next 64.
uint64_t trailBytes(uint64_t leads, uint64_t& carried) {
  constexpr uint64_t kEvenBits = 0x5555555555555555ULL;
  leads &= ~carried;
  const uint64_t followsLead = leads << 1 | carried;
  const uint64_t oddStarts = leads & ~kEvenBits & ~followsLead;
  const uint64_t sum = oddStarts + leads;
  carried = sum < oddStarts ? 1 : 0;
  const uint64_t evenStarted = sum << 1;
  return (kEvenBits ^ evenStarted) & followsLead;
}

}  // namespace

LogLook lookByWalk(std::string_view block, LineEnds lineEnds) {
  Counts c;
  for (size_t i = 0; i < block.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(block[i]);
    if (b == kCR) {
      ++c.cr;
    } else if (b == kLF) {
      if (i == 0 || static_cast<unsigned char>(block[i - 1]) != kCR) {
        ++c.loneLf;
      }
    } else if (isStrayControl(b)) {
      ++c.controls;
    } else if (platform::isLeadByte(b)) {
      if (i + 1 == block.size()) break;
      if (cutsALead(static_cast<unsigned char>(block[i + 1]))) {
        ++c.badShiftJis;
      }
      ++i;
    } else if (neverFirst(b)) {
      ++c.badShiftJis;
    }
  }
  return judge(c, block.size(), lineEnds);
}

LogLook lookByMasks(std::string_view block, LineEnds lineEnds) {
  Counts c;
  uint64_t carried = 0;   // the next 64 bytes start with a trail byte
  uint64_t crBefore = 0;  // the byte before the next 64 is a CR
  for (size_t at = 0; at < block.size(); at += 64) {
    const size_t n = std::min<size_t>(64, block.size() - at);
    const Masks m = masksOf(block.substr(at, n));
    // Whether the byte after each cuts a lead: the next 64's first byte
    // for the last one; nothing after the block's last byte (a lead byte
    // there ends the look).
    uint64_t cutAfter = m.cuts >> 1;
    if (at + 64 < block.size() && (kindOf(block, at + 64) & kCutsALead)) {
      cutAfter |= uint64_t{1} << 63;
    }
    const uint64_t valid = n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
    const uint64_t first = ~trailBytes(m.lead, carried) & valid;
    c.cr += bitsSet(first & m.cr);
    c.loneLf += bitsSet(first & m.lf & ~(m.cr << 1 | crBefore));
    c.controls += bitsSet(first & m.control);
    c.badShiftJis +=
        bitsSet(first & m.lead & cutAfter) + bitsSet(first & m.neverFirst);
    crBefore = m.cr >> 63;
  }
  return judge(c, block.size(), lineEnds);
}

}  // namespace tess
