#include "shell/sparse_clock.h"

#include <algorithm>

namespace tess {

uint64_t SparseClock::operator()() {
  if (untilRead_ > 0) {
    --untilRead_;
    return last_;
  }
  const uint64_t now = fine_();
  if (read_ && now - last_ >= kSlowMilliseconds) {
    gap_ = 1;
  } else if (read_ && now == last_) {
    gap_ = std::min(gap_ * 2, kMaxGap);
  }
  read_ = true;
  last_ = now;
  untilRead_ = gap_ - 1;
  return now;
}

}  // namespace tess
