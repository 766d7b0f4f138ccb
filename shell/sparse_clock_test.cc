#include "shell/sparse_clock.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

// The fine clock is read at the first call; then the gap between readings
// doubles while readings find no time passing, up to 32 calls, stays while
// they find a millisecond passing, and falls back to every call once they
// find 2 ms or more passing. Between readings the last reading stands.
TEST(SparseClock, ReadsTheFineClockLessOftenWhileCallsAreQuick) {
  uint64_t time = 100;
  int readings = 0;
  SparseClock clock([&] {
    ++readings;
    return time;
  });
  struct Step {
    uint64_t advance;  // ms the fine clock moves before the calls
    int calls;
    int readingsAfter;
    uint64_t lastValue;  // what the last of the calls gave
  };
  const Step steps[] = {
      {0, 1, 1, 100},   // the first call reads
      {0, 1, 2, 100},   // no time passed: the gap becomes 2
      {0, 1, 2, 100},   // taken from the last reading
      {0, 1, 3, 100},   // the gap becomes 4
      {0, 3, 3, 100},   //
      {0, 1, 4, 100},   // 8
      {0, 7, 4, 100},   //
      {0, 1, 5, 100},   // 16
      {0, 15, 5, 100},  //
      {0, 1, 6, 100},   // 32
      {0, 31, 6, 100},  //
      {0, 1, 7, 100},   // still 32: no longer gap
      {0, 31, 7, 100},  //
      {0, 1, 8, 100},   //
      {1, 31, 8, 100},  // a millisecond passes during quick calls: they lag
      {0, 1, 9, 101},   // the reading finds 1 ms: the gap stays 32
      {5, 31, 9, 101},  // the calls turned slow: at most 31 calls lag
      {0, 1, 10, 106},  // 5 ms passed: every call reads again
      {3, 1, 11, 109},  //
      {0, 1, 12, 109},  // quick again: the gap becomes 2
      {0, 1, 12, 109}, {0, 1, 13, 109},
  };
  int call = 0;
  for (const Step& step : steps) {
    time += step.advance;
    uint64_t value = 0;
    for (int i = 0; i < step.calls; ++i) value = clock();
    call += step.calls;
    EXPECT_EQ(readings, step.readingsAfter) << "after call " << call;
    EXPECT_EQ(value, step.lastValue) << "at call " << call;
  }
}

}  // namespace
}  // namespace tess
