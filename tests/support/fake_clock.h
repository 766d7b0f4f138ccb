// A millisecond clock for the statement pump that tests move by hand, or
// that moves on by a fixed step each time it is read.
#pragma once

#include <cstdint>
#include <functional>

namespace tess::testing {

class FakeClock {
 public:
  explicit FakeClock(uint64_t stepPerReading = 0) : step_(stepPerReading) {}

  // The clock to hand to the pump; it reads this object, which must outlive
  // it.
  std::function<uint64_t()> clock() {
    return [this] {
      const uint64_t now = now_;
      now_ += step_;
      return now;
    };
  }
  void advance(uint64_t milliseconds) { now_ += milliseconds; }

 private:
  uint64_t step_;
  uint64_t now_ = 1000;
};

}  // namespace tess::testing
