#include "runtime/block_index.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "runtime/byte_string.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define TESS_X86_DISPATCH 1
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tess {

namespace {

constexpr uint64_t kAll = ~uint64_t{0};
constexpr uint64_t kEvenBits = 0x5555555555555555;

template <size_t n>
void setBit(std::array<uint64_t, n>& bits, size_t at) {
  bits[at >> 6] |= uint64_t{1} << (at & 63);
}

template <size_t n>
bool bitAt(const std::array<uint64_t, n>& bits, size_t at) {
  return (bits[at >> 6] >> (at & 63)) & 1;
}

// The CR, LF, NUL and lead-range bytes of one word.
struct WordBytes {
  uint64_t cr;
  uint64_t lf;
  uint64_t nul;
  uint64_t lead;
};

// Where a word holds the first bytes and the later byte of a test's
// picking bytes.
struct PickedBytes {
  uint64_t first;
  uint64_t later;
};

// The scans of a word: Isa::word gives the bytes of 64 that every index
// needs. It takes and gives no vector, so that the pass, inlined into a
// function built for Isa, needs no vector instructions of its own. A scan
// whose kLooksAtPickingBytes is true finds a test's picking bytes too
// (Isa::picked).
struct Bytes {
  static constexpr bool kLooksAtPickingBytes = false;
  static WordBytes word(const char* at) {
    WordBytes found{};
    for (size_t i = 0; i < 64; ++i) {
      const uint64_t bit = uint64_t{1} << i;
      const char byte = at[i];
      if (byte == '\r') found.cr |= bit;
      if (byte == '\n') found.lf |= bit;
      if (byte == '\0') found.nul |= bit;
      if (isLeadByte(static_cast<unsigned char>(byte))) found.lead |= bit;
    }
    return found;
  }
};

#if defined(__SSE2__)
// Each kind of byte in the four parts of a word, the parts' masks joined.
// NUL bytes are looked for part by part only in the rare word that has
// one, found through the parts' least bytes.
struct Sse2 {
  static constexpr bool kLooksAtPickingBytes = false;
  template <class PartMask>
  [[gnu::always_inline]] static uint64_t join(const __m128i (&parts)[4],
                                              PartMask partMask) {
    return uint64_t{partMask(parts[0])} | uint64_t{partMask(parts[1])} << 16 |
           uint64_t{partMask(parts[2])} << 32 |
           uint64_t{partMask(parts[3])} << 48;
  }
  static uint32_t equal(__m128i part, char byte) {
    return static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(part, _mm_set1_epi8(byte))));
  }
  static WordBytes word(const char* at) {
    const __m128i parts[4] = {
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 32)),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 48))};
    const auto crs = [](__m128i part) { return equal(part, '\r'); };
    const auto lfs = [](__m128i part) { return equal(part, '\n'); };
    const auto nuls = [](__m128i part) { return equal(part, '\0'); };
    const __m128i least = _mm_min_epu8(_mm_min_epu8(parts[0], parts[1]),
                                       _mm_min_epu8(parts[2], parts[3]));
    return {join(parts, crs), join(parts, lfs),
            nuls(least) != 0 ? join(parts, nuls) : 0,
            join(parts, [](__m128i part) { return leadByteMask(part); })};
  }
};
#endif

#if defined(TESS_X86_DISPATCH)
// A byte is in [low, high] when taking low from it leaves at most
// high - low (unsigned).
struct Avx2 {
  static constexpr bool kLooksAtPickingBytes = false;
  [[gnu::target("avx2")]] static uint64_t mask(__m256i matches) {
    return static_cast<uint32_t>(_mm256_movemask_epi8(matches));
  }
  // The top bit of each byte outside [low, high]: taking low from a byte
  // leaves at most high - low (unsigned) when it is in the range, and
  // adding 0x7F - (high - low) to that, saturated at 0xFF, reaches 0x80
  // exactly when it is not.
  [[gnu::target("avx2")]] static __m256i outside(__m256i bytes, int low,
                                                 int high) {
    return _mm256_adds_epu8(
        _mm256_sub_epi8(bytes, _mm256_set1_epi8(static_cast<char>(low))),
        _mm256_set1_epi8(static_cast<char>(0x7F - (high - low))));
  }
  [[gnu::target("avx2")]] static uint64_t join(__m256i low, __m256i high) {
    return mask(low) | mask(high) << 32;
  }
  [[gnu::target("avx2")]] static __m256i equal(__m256i part, char byte) {
    return _mm256_cmpeq_epi8(part, _mm256_set1_epi8(byte));
  }
  // The top bit of each byte that is not a lead-range byte.
  [[gnu::target("avx2")]] static __m256i notLeads(__m256i part) {
    using namespace platform;
    return _mm256_and_si256(outside(part, kLeadLowFirst, kLeadLowLast),
                            outside(part, kLeadHighFirst, kLeadHighLast));
  }
  // The two halves of a word; NUL bytes are looked for half by half only in
  // the rare word that has one, found through the halves' least bytes.
  [[gnu::target("avx2")]] static WordBytes word(const char* at) {
    const __m256i low =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i high =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32));
    const bool hasNul = mask(equal(_mm256_min_epu8(low, high), '\0')) != 0;
    return {join(equal(low, '\r'), equal(high, '\r')),
            join(equal(low, '\n'), equal(high, '\n')),
            hasNul ? join(equal(low, '\0'), equal(high, '\0')) : 0,
            ~join(notLeads(low), notLeads(high))};
  }
};

struct Avx512 {
  [[gnu::target("avx512bw")]] static uint64_t inRange(__m512i bytes, int low,
                                                      int high) {
    return _mm512_cmple_epu8_mask(
        _mm512_sub_epi8(bytes, _mm512_set1_epi8(static_cast<char>(low))),
        _mm512_set1_epi8(static_cast<char>(high - low)));
  }
  [[gnu::target("avx512bw")]] static WordBytes word(const char* at) {
    const __m512i bytes = _mm512_loadu_si512(at);
    return {
        _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\r')),
        _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\n')),
        _mm512_cmpeq_epi8_mask(bytes, _mm512_setzero_si512()),
        inRange(bytes, platform::kLeadLowFirst, platform::kLeadLowLast) |
            inRange(bytes, platform::kLeadHighFirst, platform::kLeadHighLast)};
  }
  static constexpr bool kLooksAtPickingBytes = true;
  [[gnu::target("avx512bw")]] static PickedBytes picked(
      const char* at, const std::array<char, 4>& first, char later) {
    const __m512i bytes = _mm512_loadu_si512(at);
    return {_mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(first[0])) |
                _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(first[1])) |
                _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(first[2])) |
                _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(first[3])),
            _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(later))};
  }
};

#endif

// The places that follow an odd run of lead-range bytes, in one word of
// the lead-range mask. The bytes of a run pair up from its first byte, so
// a place right after an odd run holds the second byte of the run's last
// pair: a line ended there by a CR ends inside a double-byte character.
// carry says whether the word's first place follows an odd run from the
// word before, and is set for the next word.
uint64_t followsOddRun(uint64_t lead, uint64_t& carry) {
  // A lead-range byte that completes a pair from the word before starts
  // no pair of its own.
  lead &= ~carry;
  const uint64_t followsLead = (lead << 1) | carry;
  // Adding the runs that start on odd places to the mask carries each of
  // them past its end; the runs that start on even places stay as they
  // are. The places after the pairs' first bytes then alternate with the
  // run's start.
  const uint64_t oddStarts = lead & ~kEvenBits & ~followsLead;
  uint64_t evenStartRuns = 0;
  carry = __builtin_add_overflow(oddStarts, lead, &evenStartRuns) ? 1 : 0;
  return (kEvenBits ^ (evenStartRuns << 1)) & followsLead;
}

}  // namespace

bool BlockIndex::canScan(Scan scan) {
#if defined(TESS_X86_DISPATCH)
  if (scan == Scan::Avx512) return __builtin_cpu_supports("avx512bw");
  if (scan == Scan::Avx2) return __builtin_cpu_supports("avx2");
#endif
#if defined(__SSE2__)
  if (scan == Scan::Sse2) return true;
#endif
  return scan == Scan::Bytes;
}

bool BlockIndex::looksAtPickingBytes(Scan scan) {
#if defined(TESS_X86_DISPATCH)
  if (scan == Scan::Avx512) return Avx512::kLooksAtPickingBytes;
  if (scan == Scan::Avx2) return Avx2::kLooksAtPickingBytes;
#endif
#if defined(__SSE2__)
  if (scan == Scan::Sse2) return Sse2::kLooksAtPickingBytes;
#endif
  return Bytes::kLooksAtPickingBytes;
}

BlockIndex::Scan BlockIndex::widestScan() {
  for (const Scan scan : {Scan::Avx512, Scan::Avx2, Scan::Sse2}) {
    if (canScan(scan)) return scan;
  }
  return Scan::Bytes;
}

// Inline: the pass over the words calls nothing.
[[gnu::always_inline]] inline void BlockIndex::stopLineAt(size_t place) {
  size_t w = place >> 6;
  uint64_t starts = starts_[w] & (kAll >> (63 - (place & 63)));
  while (starts == 0) {
    if (w == 0) return;  // the block's first line, whose start is unknown
    starts = starts_[--w];
  }
  setBit(stops_, w * 64 + 63 - static_cast<size_t>(std::countl_zero(starts)));
}

// The words of a block in three loops. The first finds each word's bytes and
// turns them at once into its CR places, line starts and the stops its
// bytes show; it calls nothing, so that its vectors stay in registers. The
// lines as line reading takes them: a CR ends a line, and an LF right after
// it belongs to that end. Before the block's first CR no line start is
// known. A line stops a run when it does not end by CR LF, when it ends
// inside a double-byte character, or when it starts at a place the test
// marks and fails the test; the first two are found from a place in the
// line, whose start is the last start at or before that place. The second
// puts the test to the lines that start in each word, and a last one, from
// the last word back, finds the first stop from each word on.
struct BlockIndex::Pass {
  template <class Isa>
  [[gnu::always_inline]] static void run(BlockIndex& index, const char* data,
                                         size_t size, const LineTest& test) {
    index.size_ = size;
    index.firstNul_ = size;
    const size_t words = (size + 63) / 64;
    const bool noLinePasses = test.passes == nullptr;
    const uint64_t stopEveryStart = noLinePasses ? kAll : 0;
    // What a word hands to the next: the line start that its last CR or
    // CR LF puts at the next word's first place, and whether that place
    // follows an odd run of lead-range bytes.
    uint64_t startsCarried = 0;
    uint64_t oddRunCarried = 0;
    // The places of a word whose line the test's picking bytes give to
    // mayFail. Only a scan that compares 64 bytes in one step looks at
    // them: the narrower ones would spend more on the comparisons than the
    // lines they spare cost mayFail, and give every line to it. The bytes
    // are laid out in four first bytes and two places, the missing ones
    // repeating the first, so that each word takes the same steps.
    const PickingBytes& picking = test.picking;
    const bool picksAll =
        !Isa::kLooksAtPickingBytes || noLinePasses || picking.picksAll();
    const uint64_t firstOn = picking.first.empty() ? 0 : kAll;
    const uint64_t laterOn = picking.laterCount == 0 ? 0 : kAll;
    std::array<char, 4> first{};
    for (size_t i = 0; i < first.size(); ++i) {
      first[i] = picking.first.empty()
                     ? '\0'
                     : picking.first[std::min(i, picking.first.size() - 1)];
    }
    const unsigned on0 = picking.laterAt[0];
    const unsigned on1 = picking.laterCount > 1 ? picking.laterAt[1] : on0;
    // A place whose byte `on` places on is in the next word is picked: that
    // byte is not looked at here.
    const uint64_t nearTheEnd = (~(kAll >> on0) | ~(kAll >> on1)) & laterOn;
    const auto picked = [&](const char* at) __attribute__((always_inline)) {
      if constexpr (Isa::kLooksAtPickingBytes) {
        if (picksAll) return kAll;
        const PickedBytes found = Isa::picked(at, first, picking.later);
        return (found.first & firstOn) | ((found.later & laterOn) >> on0) |
               ((found.later & laterOn) >> on1) | nearTheEnd;
      } else {
        (void)at;
        return kAll;
      }
    };
    const auto word = [&](size_t w, const WordBytes& found, uint64_t nextLf,
                          uint64_t inBlock, uint64_t asked)
        __attribute__((always_inline)) {
      if (found.nul != 0 && index.firstNul_ == size) {
        index.firstNul_ =
            w * 64 + static_cast<size_t>(std::countr_zero(found.nul));
      }
      const uint64_t cr = found.cr;
      index.cr_[w] = cr;
      const uint64_t crLf = cr & ((found.lf >> 1) | (nextLf << 63));
      const uint64_t loneCr = cr & ~crLf;
      const uint64_t starts =
          ((loneCr << 1) | (crLf << 2) | startsCarried) & inBlock;
      startsCarried = (loneCr >> 63) | (crLf >> 62);
      index.starts_[w] = starts;
      index.stops_[w] = starts & stopEveryStart;
      index.asked_[w] = starts & asked;
      const uint64_t cutEnds = followsOddRun(found.lead, oddRunCarried) & cr;
      for (uint64_t bad = loneCr | cutEnds; bad != 0; bad &= bad - 1) {
        index.stopLineAt(w * 64 + static_cast<size_t>(std::countr_zero(bad)));
      }
    };
    // The first place of the next word tells whether a word's last CR is
    // a CR LF.
    for (size_t w = 0; w + 1 < words; ++w) {
      const char* at = data + w * 64;
      word(w, Isa::word(at), at[64] == '\n', kAll, picked(at));
    }
    if (words > 0) {
      const size_t w = words - 1;
      const size_t count = size - w * 64;
      const uint64_t inBlock = kAll >> (64 - count);
      // A last word shorter than 64 bytes is looked at in a copy whose
      // places past the block's end hold NUL bytes: the first of them is
      // at size, which is what firstNul gives when the block has none.
      char last[64] = {};
      std::memcpy(last, data + w * 64, count);
      word(w, Isa::word(last), 0, inBlock, picked(last));
    }
    // The block's last line stops a run unless it ends with the block (a
    // lone CR there stops it already).
    if (size > 0 && data[size - 1] != '\r' &&
        !(size >= 2 && data[size - 2] == '\r' && data[size - 1] == '\n')) {
      index.stopLineAt(size - 1);
    }
    index.firstStopFrom_[words] = static_cast<uint32_t>(size);
    if (noLinePasses) {
      index.fillFirstStops(words);
    } else {
      index.testLines(data, words, test);
    }
  }

#if defined(TESS_X86_DISPATCH)
  [[gnu::target("avx512bw")]] static void runAvx512(BlockIndex& index,
                                                    const char* data,
                                                    size_t size,
                                                    const LineTest& test) {
    run<Avx512>(index, data, size, test);
  }
  [[gnu::target("avx2")]] static void runAvx2(BlockIndex& index,
                                              const char* data, size_t size,
                                              const LineTest& test) {
    run<Avx2>(index, data, size, test);
  }
#endif
  static void runSse2(BlockIndex& index, const char* data, size_t size,
                      const LineTest& test) {
#if defined(__SSE2__)
    run<Sse2>(index, data, size, test);
#else
    run<Bytes>(index, data, size, test);
#endif
  }
  static void runBytes(BlockIndex& index, const char* data, size_t size,
                       const LineTest& test) {
    run<Bytes>(index, data, size, test);
  }
};

void BlockIndex::fillFirstStops(size_t words) {
  size_t stop = size_;
  for (size_t w = words; w-- > 0;) {
    if (stops_[w] != 0) {
      stop = w * 64 + static_cast<size_t>(std::countr_zero(stops_[w]));
    }
    firstStopFrom_[w] = static_cast<uint32_t>(stop);
  }
}

bool BlockIndex::failsTest(const char* data, size_t start,
                           bool (*passes)(std::string_view)) const {
  // The line's CR, every word's CR places being known by now: a line
  // without its CR LF here stops the run anyway.
  const size_t end = crFrom(start);
  return end + 1 < size_ && data[end + 1] == '\n' &&
         !passes(std::string_view(data + start, end - start));
}

void BlockIndex::testLines(const char* data, size_t words,
                           const LineTest& test) {
  const auto passes = test.passes;
  const auto mayFail = test.mayFail;
  const size_t size = size_;
  for (size_t w = 0; w < words; ++w) {
    // A line that stops a run already needs no test, nor does one that
    // the test's bytes do not pick.
    uint64_t asked = asked_[w] & ~stops_[w];
    if (asked == 0) continue;
    uint64_t failed = 0;
    do {
      const size_t start =
          w * 64 + static_cast<size_t>(std::countr_zero(asked));
      const std::string_view rest(data + start, size - start);
      if ((mayFail == nullptr || mayFail(rest)) &&
          failsTest(data, start, passes)) {
        failed |= asked & -asked;
      }
      asked &= asked - 1;
    } while (asked != 0);
    stops_[w] |= failed;
  }
  fillFirstStops(words);
}

void BlockIndex::build(const char* data, size_t size, const LineTest& test) {
  switch (scan_) {
#if defined(TESS_X86_DISPATCH)
    case Scan::Avx512:
      Pass::runAvx512(*this, data, size, test);
      break;
    case Scan::Avx2:
      Pass::runAvx2(*this, data, size, test);
      break;
#endif
    case Scan::Sse2:
      Pass::runSse2(*this, data, size, test);
      break;
    default:
      Pass::runBytes(*this, data, size, test);
      break;
  }
}

size_t BlockIndex::passingLinesEnd(size_t from, size_t limit) const {
  if (from >= limit || from >= size_ || !bitAt(starts_, from)) return from;
  // The first line from `from` on that does not pass ends the run.
  const size_t w = from >> 6;
  const uint64_t stops = stops_[w] & (kAll << (from & 63));
  const size_t stop =
      stops != 0 ? w * 64 + static_cast<size_t>(std::countr_zero(stops))
                 : firstStopFrom_[w + 1];
  // No line fails before the block's end: the run reaches it, since the
  // block's last line passes only when its CR LF are the block's last bytes.
  if (stop <= limit) return stop;
  // Every line that starts before limit passes: the run ends at the last
  // line start at or before limit, as the line that starts there would end
  // past it.
  size_t at = limit >> 6;
  uint64_t starts = starts_[at] & (kAll >> (63 - (limit & 63)));
  while (starts == 0) starts = starts_[--at];  // from is a start
  return at * 64 + 63 - static_cast<size_t>(std::countl_zero(starts));
}

}  // namespace tess
