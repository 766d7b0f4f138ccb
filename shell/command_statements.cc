#include "shell/command_statements.h"

#include <utility>

namespace tess {

CommandStatements::CommandStatements(const std::function<int()>& stopSignal,
                                     const std::function<void()>& progress,
                                     Shared& shared)
    : stopSignal_(stopSignal), progress_(progress), shared_(shared) {
  setQuietStarts(&shared_.quiet);
}

void CommandStatements::take(unsigned count) {
  // The quiet starts not taken were counted but did not happen.
  shared_.counter -= std::exchange(shared_.quiet.left, 0);
  shared_.quiet.last = this;
  const unsigned first = shared_.counter;
  shared_.counter += count;
  // True when one of the counts first .. first + count - 1 is a multiple
  // of interval (the counter wraps at a multiple of both intervals).
  const auto reaches = [first, count](unsigned interval) {
    return first % interval == 0 || first % interval + count > interval;
  };
  if (reaches(kStopInterval)) {
    if (const int signal = stopSignal_()) throw CommandStop{signal};
  }
  if (progress_ && reaches(kClockInterval)) progress_();
  // Nothing is looked at before the next multiple of the stop interval
  // (the clock's interval is one of them): the starts up to it pass
  // quietly, counted now.
  shared_.quiet.left =
      (kStopInterval - shared_.counter % kStopInterval) % kStopInterval;
  shared_.counter += shared_.quiet.left;
}

}  // namespace tess
