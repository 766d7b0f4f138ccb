#include "runtime/block_index.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tess {

namespace {

constexpr uint64_t kAll = ~uint64_t{0};

template <size_t n>
void setBit(std::array<uint64_t, n>& bits, size_t at) {
  bits[at >> 6] |= uint64_t{1} << (at & 63);
}

template <size_t n>
bool bitAt(const std::array<uint64_t, n>& bits, size_t at) {
  return (bits[at >> 6] >> (at & 63)) & 1;
}

// The CR and NUL bytes among the count (<= 64) bytes at data, as bit masks.
void findCrAndNul(const char* data, size_t count, uint64_t& cr, uint64_t& nul) {
  cr = 0;
  nul = 0;
#if defined(__SSE2__)
  if (count == 64) {
    const __m128i crs = _mm_set1_epi8('\r');
    const __m128i zeros = _mm_setzero_si128();
    for (size_t part = 0; part < 64; part += 16) {
      const __m128i bytes =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + part));
      cr |= uint64_t{static_cast<uint32_t>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, crs)))}
            << part;
      nul |= uint64_t{static_cast<uint32_t>(
                 _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zeros)))}
             << part;
    }
    return;
  }
#endif
  for (size_t i = 0; i < count; ++i) {
    if (data[i] == '\r') cr |= uint64_t{1} << i;
    if (data[i] == '\0') nul |= uint64_t{1} << i;
  }
}

}  // namespace

void BlockIndex::build(const char* data, size_t size, LineTest test) {
  size_ = size;
  firstNul_ = size;
  const size_t words = (size + 63) / 64;
  for (size_t w = 0; w < words; ++w) {
    const size_t at = w * 64;
    uint64_t nul = 0;
    findCrAndNul(data + at, std::min<size_t>(64, size - at), cr_[w], nul);
    starts_[w] = 0;
    passes_[w] = 0;
    if (nul != 0 && firstNul_ == size) {
      firstNul_ = at + static_cast<size_t>(std::countr_zero(nul));
    }
  }
  // The lines as line reading takes them: a CR ends a line, and an LF
  // right after it belongs to that end. Before the block's first CR no line
  // start is known.
  size_t start = size;
  for (size_t w = 0; w < words; ++w) {
    for (uint64_t bits = cr_[w]; bits != 0; bits &= bits - 1) {
      const size_t cr = w * 64 + static_cast<size_t>(std::countr_zero(bits));
      const bool lf = cr + 1 < size && data[cr + 1] == '\n';
      if (lf && start <= cr && test != nullptr &&
          test(std::string_view(data + start, cr - start))) {
        setBit(passes_, start);
      }
      start = cr + (lf ? 2 : 1);
      if (start < size) setBit(starts_, start);
    }
  }
  // The first line start from each word on whose line does not pass.
  size_t stop = size;
  firstStopFrom_[words] = static_cast<uint32_t>(size);
  for (size_t w = words; w-- > 0;) {
    const uint64_t stops = starts_[w] & ~passes_[w];
    if (stops != 0) {
      stop = w * 64 + static_cast<size_t>(std::countr_zero(stops));
    }
    firstStopFrom_[w] = static_cast<uint32_t>(stop);
  }
}

size_t BlockIndex::passingLinesEnd(size_t from, size_t limit) const {
  if (from >= limit || from >= size_ || !bitAt(starts_, from)) return from;
  // The first line from `from` on that does not pass ends the run.
  const size_t w = from >> 6;
  const uint64_t stops = (starts_[w] & ~passes_[w]) & (kAll << (from & 63));
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
