#include <chrono>

#include "platform/clock.h"

namespace tess::platform {

// The performance counter: finer than the timer tick
// (about 16 ms), which would make every interval look like a hold.
uint64_t monotonicMilliseconds() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

}  // namespace tess::platform
