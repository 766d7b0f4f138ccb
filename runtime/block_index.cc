#include "runtime/block_index.h"

#include <algorithm>
#include <bit>

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

// Where the bytes that build needs stand in a block's words: CR, LF, NUL
// and the lead range.
struct Places {
  uint64_t* cr;
  uint64_t* lf;
  uint64_t* lead;
  uint64_t firstNulWord = 0;  // the NUL bytes of the first word that has any
  size_t firstNulAt = 0;      // that word's first byte, or the block's size
};

// The word of data[at, at + count), count <= 64, one byte at a time.
void placeBytes(const char* data, size_t at, size_t count, Places& out) {
  const size_t w = at / 64;
  uint64_t nul = 0;
  out.cr[w] = out.lf[w] = out.lead[w] = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint64_t bit = uint64_t{1} << i;
    const char byte = data[at + i];
    if (byte == '\r') out.cr[w] |= bit;
    if (byte == '\n') out.lf[w] |= bit;
    if (byte == '\0') nul |= bit;
    if (isLeadByte(static_cast<unsigned char>(byte))) out.lead[w] |= bit;
  }
  if (nul != 0 && out.firstNulWord == 0) {
    out.firstNulWord = nul;
    out.firstNulAt = at;
  }
}

void placeWordsOneByOne(const char* data, size_t words, Places& out) {
  for (size_t w = 0; w < words; ++w) placeBytes(data, w * 64, 64, out);
}

// The CR, LF, NUL and lead-range bytes of one word.
struct WordBytes {
  uint64_t cr;
  uint64_t lf;
  uint64_t nul;
  uint64_t lead;
};

// The full words of a block, with the vectors of Isa: Isa::word gives the
// bytes of a word that every index needs. It takes and gives no vector, so
// that this loop, inlined into a function built for Isa, needs no vector
// instructions of its own.
template <class Isa>
[[gnu::always_inline]] inline void placeWords(const char* data, size_t words,
                                              Places& out) {
  for (size_t w = 0; w < words; ++w) {
    const WordBytes found = Isa::word(data + w * 64);
    out.cr[w] = found.cr;
    out.lf[w] = found.lf;
    out.lead[w] = found.lead;
    if (found.nul != 0 && out.firstNulWord == 0) {
      out.firstNulWord = found.nul;
      out.firstNulAt = w * 64;
    }
  }
}

#if defined(__SSE2__)
struct Sse2 {
  static uint64_t mask(__m128i matches) {
    return static_cast<uint32_t>(_mm_movemask_epi8(matches));
  }
  static WordBytes word(const char* at) {
    WordBytes found{};
    for (int part = 0; part < 64; part += 16) {
      const __m128i bytes =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + part));
      found.cr |= mask(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))) << part;
      found.lf |= mask(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))) << part;
      found.nul |= mask(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())) << part;
      found.lead |= uint64_t{leadByteMask(bytes)} << part;
    }
    return found;
  }
};
#endif

#if defined(TESS_X86_DISPATCH)
// A byte is in [low, high] when taking low from it leaves at most
// high - low (unsigned); AVX2 compares unsigned bytes through their
// minimum.
struct Avx2 {
  [[gnu::target("avx2")]] static uint64_t mask(__m256i matches) {
    return static_cast<uint32_t>(_mm256_movemask_epi8(matches));
  }
  [[gnu::target("avx2")]] static __m256i inRange(__m256i bytes, int low,
                                                 int high) {
    const __m256i from =
        _mm256_sub_epi8(bytes, _mm256_set1_epi8(static_cast<char>(low)));
    return _mm256_cmpeq_epi8(
        _mm256_min_epu8(from, _mm256_set1_epi8(static_cast<char>(high - low))),
        from);
  }
  [[gnu::target("avx2")]] static WordBytes word(const char* at) {
    WordBytes found{};
    for (int part = 0; part < 64; part += 32) {
      const __m256i bytes =
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + part));
      found.cr |= mask(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r')))
                  << part;
      found.lf |= mask(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n')))
                  << part;
      found.nul |= mask(_mm256_cmpeq_epi8(bytes, _mm256_setzero_si256()))
                   << part;
      found.lead |=
          mask(_mm256_or_si256(
              inRange(bytes, platform::kLeadLowFirst, platform::kLeadLowLast),
              inRange(bytes, platform::kLeadHighFirst,
                      platform::kLeadHighLast)))
          << part;
    }
    return found;
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
};

[[gnu::target("avx512bw")]] void placeWordsAvx512(const char* data,
                                                  size_t words, Places& out) {
  placeWords<Avx512>(data, words, out);
}

[[gnu::target("avx2")]] void placeWordsAvx2(const char* data, size_t words,
                                            Places& out) {
  placeWords<Avx2>(data, words, out);
}
#endif

void placeWordsSse2(const char* data, size_t words, Places& out) {
#if defined(__SSE2__)
  placeWords<Sse2>(data, words, out);
#else
  placeWordsOneByOne(data, words, out);
#endif
}

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

BlockIndex::Scan BlockIndex::widestScan() {
  for (const Scan scan : {Scan::Avx512, Scan::Avx2, Scan::Sse2}) {
    if (canScan(scan)) return scan;
  }
  return Scan::Bytes;
}

void BlockIndex::build(const char* data, size_t size, const LineTest& test) {
  size_ = size;
  const size_t words = (size + 63) / 64;
  Places places{cr_.data(), lf_.data(), lead_.data()};
  places.firstNulAt = size;
  switch (scan_) {
#if defined(TESS_X86_DISPATCH)
    case Scan::Avx512:
      placeWordsAvx512(data, size / 64, places);
      break;
    case Scan::Avx2:
      placeWordsAvx2(data, size / 64, places);
      break;
#endif
    case Scan::Sse2:
      placeWordsSse2(data, size / 64, places);
      break;
    default:
      placeWordsOneByOne(data, size / 64, places);
      break;
  }
  if (size % 64 != 0) placeBytes(data, size / 64 * 64, size % 64, places);
  firstNul_ =
      places.firstNulWord != 0
          ? places.firstNulAt +
                static_cast<size_t>(std::countr_zero(places.firstNulWord))
          : size;
  // The lines as line reading takes them: a CR ends a line, and an LF
  // right after it belongs to that end. Before the block's first CR no line
  // start is known. A line stops a run when it does not end by CR LF, when
  // it ends inside a double-byte character, or when it starts at a place
  // the test marks and fails the test; such a line is found from a place
  // in it, and its start is the last start at or before that place.
  const auto stopLineAt = [this](size_t place) {
    size_t w = place >> 6;
    uint64_t starts = starts_[w] & (kAll >> (63 - (place & 63)));
    while (starts == 0) {
      if (w == 0) return;  // the block's first line, whose start is unknown
      starts = starts_[--w];
    }
    setBit(stops_, w * 64 + 63 - static_cast<size_t>(std::countl_zero(starts)));
  };
  uint64_t startsCarried = 0;
  uint64_t oddRunCarried = 0;
  for (size_t w = 0; w < words; ++w) {
    const uint64_t nextLf = w + 1 < words ? (lf_[w + 1] & 1) : 0;
    const uint64_t cr = cr_[w];
    const uint64_t crLf = cr & ((lf_[w] >> 1) | (nextLf << 63));
    const uint64_t loneCr = cr & ~crLf;
    uint64_t starts = (loneCr << 1) | (crLf << 2) | startsCarried;
    startsCarried = (loneCr >> 63) | (crLf >> 62);
    if (w + 1 == words && size % 64 != 0) {
      starts &= (uint64_t{1} << (size % 64)) - 1;
    }
    starts_[w] = starts;
    stops_[w] = test.passes == nullptr ? starts : 0;
    const uint64_t cutEnds = followsOddRun(lead_[w], oddRunCarried) & cr;
    for (uint64_t bad = loneCr | cutEnds; bad != 0; bad &= bad - 1) {
      stopLineAt(w * 64 + static_cast<size_t>(std::countr_zero(bad)));
    }
    if (test.passes == nullptr) continue;
    for (uint64_t asked = starts; asked != 0; asked &= asked - 1) {
      const size_t start =
          w * 64 + static_cast<size_t>(std::countr_zero(asked));
      if (test.mayFail != nullptr &&
          !test.mayFail(std::string_view(data + start, size - start))) {
        continue;
      }
      const size_t end = crFrom(start);
      // A line without its CR LF here stops the run anyway.
      if (end + 1 < size && data[end + 1] == '\n' &&
          !test.passes(std::string_view(data + start, end - start))) {
        setBit(stops_, start);
      }
    }
  }
  // The block's last line stops a run unless it ends with the block (a
  // lone CR there stops it already).
  if (size > 0 && data[size - 1] != '\r' &&
      !(size >= 2 && data[size - 2] == '\r' && data[size - 1] == '\n')) {
    stopLineAt(size - 1);
  }
  // The first stop from each word on.
  size_t stop = size;
  firstStopFrom_[words] = static_cast<uint32_t>(size);
  for (size_t w = words; w-- > 0;) {
    if (stops_[w] != 0) {
      stop = w * 64 + static_cast<size_t>(std::countr_zero(stops_[w]));
    }
    firstStopFrom_[w] = static_cast<uint32_t>(stop);
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
