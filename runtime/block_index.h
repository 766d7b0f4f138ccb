// What a block of input holds, found once when the block is read: where its
// CR bytes are, where its first NUL byte is, where its lines start and which
// of its lines pass a test that the program gives. With background reads it
// is found on the worker, while the block before it is in use, so that the
// reading of lines asks no search of its own.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tess {

// A cheaper first look at lines than LineTest::mayFail, which the scans
// take for 64 bytes at once: mayFail can be true only for a line whose
// first byte is one of `first` (at most four), or whose byte `later` stands
// at one of the first `laterCount` places of `laterAt` (bytes on from its
// start, each below 64). No bytes and no places: it picks every line.
struct PickingBytes {
  std::string_view first;
  char later = 0;
  std::array<uint8_t, 2> laterAt{};
  size_t laterCount = 0;

  constexpr bool picksAll() const { return first.empty() && laterCount == 0; }
};

// The test that the lines of a block must pass for passingLinesEnd. A line
// that ends inside a double-byte character never passes. Its functions
// must touch nothing but what they are given: they may run on the worker
// thread.
struct LineTest {
  constexpr LineTest() = default;
  constexpr LineTest(bool (*passesLine)(std::string_view),
                     bool (*mayFailFrom)(std::string_view) = nullptr,
                     PickingBytes pickingBytes = {})
      : passes(passesLine), mayFail(mayFailFrom), picking(pickingBytes) {}

  // Whether a line passes, from its bytes without the terminator. Null: no
  // line passes.
  bool (*passes)(std::string_view line) = nullptr;
  // A first look at a line from its first bytes, before its end is looked
  // for: rest holds the block's bytes from the line's start on (the line
  // and what follows it). False when the line passes whenever it is whole
  // in the block, ended by CR LF, and does not end inside a double-byte
  // character, which the index finds itself; true when `passes` must
  // decide. Null: every line is given to `passes`.
  bool (*mayFail)(std::string_view rest) = nullptr;
  // The lines given to mayFail: the others pass as when it is false.
  PickingBytes picking;
};

class BlockIndex {
 public:
  static constexpr size_t kMaxBytes = size_t{1} << 16;

  // How build looks at the bytes: one at a time, or in vectors of 16, 32
  // or 64 bytes. All give the same index.
  enum class Scan { Bytes, Sse2, Avx2, Avx512 };
  // Whether the processor (and the build) can scan so.
  static bool canScan(Scan scan);
  // The widest scan the processor can do.
  static Scan widestScan();
  // Whether the scan looks at a test's picking bytes; the others give
  // every line to LineTest::mayFail.
  static bool looksAtPickingBytes(Scan scan);

  explicit BlockIndex(Scan scan = widestScan()) : scan_(scan) {}

  // Indexes data[0, size), size <= kMaxBytes.
  void build(const char* data, size_t size, const LineTest& test);

  size_t size() const { return size_; }
  // The first NUL byte, or size().
  size_t firstNul() const { return firstNul_; }
  // The first CR at or after from, or size().
  size_t crFrom(size_t from) const;
  // The end of the longest run of whole lines that starts at from, each line
  // ended by CR LF, the run ending at or before limit (<= size()), each line
  // passing the test: from itself when there is none. from must be where
  // the block's own line reading starts a line, right after a CR, or after
  // the LF of a CR LF, of this block; at any other place (the block's first
  // byte among them) the run is empty.
  size_t passingLinesEnd(size_t from, size_t limit) const;

 private:
  static constexpr size_t kWords = kMaxBytes / 64;
  // The pass of build over the block's words, with the vectors of a scan.
  struct Pass;
  // The stop of the line that place is in, unless it is the block's first.
  void stopLineAt(size_t place);
  // firstStopFrom_ of words [0, words) from their stops.
  void fillFirstStops(size_t words);
  // The lines of words [0, words) that the first look picks put to the
  // test, and then firstStopFrom_ of those words.
  void testLines(const char* data, size_t words, const LineTest& test);
  // Whether the line at start, picked by the first look, fails the test.
  // Out of line: the first look picks few lines.
  [[gnu::noinline]] bool failsTest(const char* data, size_t start,
                                   bool (*passes)(std::string_view)) const;

  Scan scan_;
  size_t size_ = 0;
  size_t firstNul_ = 0;
  // The words of the arrays are written by build before they are read, so
  // they are left as they are made: a channel opened on an input makes two
  // indexes, and the command line opens a channel for each log.
  // Bit b of word w stands for byte 64 * w + b.
  std::array<uint64_t, kWords> cr_;
  // Set where a line starts: after a CR, or after the LF of a CR LF.
  std::array<uint64_t, kWords> starts_;
  // Set at the start of a line that does not pass: it does not end by
  // CR LF within the block, or it fails the test.
  std::array<uint64_t, kWords> stops_;
  // Set at the start of a line that the test's picking bytes give to
  // mayFail: every start when they pick every line.
  std::array<uint64_t, kWords> asked_;
  // For each word, the first line start at or after it whose line does
  // not pass, or size_ (one more entry for the end).
  std::array<uint32_t, kWords + 1> firstStopFrom_;
};

// Inline: line reading asks it for every line.
inline size_t BlockIndex::crFrom(size_t from) const {
  if (from >= size_) return size_;
  const size_t words = (size_ + 63) / 64;
  size_t w = from >> 6;
  uint64_t bits = cr_[w] & (~uint64_t{0} << (from & 63));
  while (bits == 0) {
    if (++w == words) return size_;
    bits = cr_[w];
  }
  return w * 64 + static_cast<size_t>(std::countr_zero(bits));
}

}  // namespace tess
