// A millisecond clock read at statement starts, made cheap: the fine clock
// behind it is read only at some of the calls, and the reading stands for
// the calls after it. While readings find no time passing, the calls follow
// each other quickly and the gap between readings doubles, up to kMaxGap
// calls; once a reading finds kSlowMilliseconds or more passed, the calls
// have become slow and the next call reads again. So the time it gives lags
// the fine clock by at most about a millisecond while calls are quick, and
// by at most kMaxGap - 1 calls when they turn slow.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

namespace tess {

// Milliseconds since some fixed moment; never goes back.
using MillisecondClock = std::function<uint64_t()>;

class SparseClock {
 public:
  static constexpr uint32_t kMaxGap = 32;
  static constexpr uint64_t kSlowMilliseconds = 2;

  explicit SparseClock(MillisecondClock fine) : fine_(std::move(fine)) {}

  uint64_t operator()();

  // The calls from now on that will take the last reading: taken from the
  // clock (the next call reads the fine clock) by a caller that lets that
  // many calls pass without asking, and given back, as far as they were
  // not used, before it asks again.
  uint32_t takeCalls() { return std::exchange(untilRead_, 0); }
  void giveBackCalls(uint32_t calls) { untilRead_ += calls; }

 private:
  MillisecondClock fine_;
  bool read_ = false;       // the fine clock has been read
  uint64_t last_ = 0;       // its last reading
  uint32_t gap_ = 1;        // calls from one reading to the next
  uint32_t untilRead_ = 0;  // calls left that take the last reading
};

}  // namespace tess
