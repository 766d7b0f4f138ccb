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

// A test of one line's bytes (without its terminator). It must touch
// nothing but the line: it may run on the worker thread.
using LineTest = bool (*)(std::string_view line);

class BlockIndex {
 public:
  static constexpr size_t kMaxBytes = size_t{1} << 16;

  // Indexes data[0, size), size <= kMaxBytes. With a null test no line
  // passes.
  void build(const char* data, size_t size, LineTest test);

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

  size_t size_ = 0;
  size_t firstNul_ = 0;
  // Bit b of word w stands for byte 64 * w + b.
  std::array<uint64_t, kWords> cr_{};
  // Set where a line starts: after a CR, or after the LF of a CR LF.
  std::array<uint64_t, kWords> starts_{};
  // Set at the start of a line that ends by CR LF within the block and
  // passes the test.
  std::array<uint64_t, kWords> passes_{};
  // For each word, the first line start at or after it whose line does
  // not pass, or size_ (one more entry for the end).
  std::array<uint32_t, kWords + 1> firstStopFrom_{};
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
