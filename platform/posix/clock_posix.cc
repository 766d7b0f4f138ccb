#include <time.h>

#include "platform/clock.h"

namespace tess::platform {

uint64_t monotonicMilliseconds() {
  // The coarse clock is read from memory the kernel keeps up to date: a
  // few nanoseconds, where reading the fine one costs tens of them on some
  // machines.
#if defined(CLOCK_MONOTONIC_COARSE)
  constexpr clockid_t kClock = CLOCK_MONOTONIC_COARSE;
#else
  constexpr clockid_t kClock = CLOCK_MONOTONIC;
#endif
  timespec now{};
  clock_gettime(kClock, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000 +
         static_cast<uint64_t>(now.tv_nsec) / 1000000;
}

}  // namespace tess::platform
