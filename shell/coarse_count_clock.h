// The pace of the window's running count, read from the statements' cheap
// clock: a reading of the fine clock for every message would cost a pass in
// the window more than the count is worth.
#pragma once

#include <cstdint>

#include "conversion/screen_progress.h"
#include "shell/statement_pump.h"

namespace tess {

class CoarseCountClock : public CountClock {
 public:
  int64_t microseconds() override {
    return static_cast<int64_t>(clock_()) * 1000;
  }

 private:
  MillisecondClock clock_ = steadyClock();
};

}  // namespace tess
