// How a conversion shows itself in the program's window: the running count
// of messages at the start of the current row, the conference lines under
// it when a message changes conference, the notice of replaced characters,
// and the box of a log without messages.
#pragma once

#include <cstdint>

#include "conversion/conversion_observer.h"
#include "runtime/print.h"
#include "runtime/screen.h"

namespace tess {

// The time that paces the running count on the window, in microseconds of
// a clock that never goes back. Tests give their own.
class CountClock {
 public:
  virtual ~CountClock() = default;
  virtual int64_t microseconds() = 0;
};

class ScreenProgress : public ConversionObserver {
 public:
  // A count that follows another on the same row within this time is drawn
  // only when a later one is not.
  static constexpr int64_t kCountIntervalMicroseconds = 20000;

  // screen and boxes may be null: what they would show is dropped.
  ScreenProgress(Printer& printer, ScreenWindow* screen,
                 MessageBoxService* boxes);

  // With a clock, the running count is drawn at most once per
  // kCountIntervalMicroseconds on one row; the count that ends the pass and
  // the count before any other screen line are always drawn. Without one
  // (null), every count is drawn.
  void setCountClock(CountClock* clock) { countClock_ = clock; }

  void passStarted() override;
  void messageCounted(int count) override;
  void conferenceRecalled(float conference, bool known) override;
  void passStopped() override;
  void noMessages(const ByteString& logPath,
                  const LogReading& reading) override;
  void charactersReplaced(uint64_t count) override;

 private:
  // Draws a count that messageCounted held back.
  void showHeldCount();
  void drawCount(int count);
  // Starts a print statement to the window.
  void selectWindow();

  Printer& printer_;
  ScreenWindow* screen_;
  MessageBoxService* boxes_;
  CountClock* countClock_ = nullptr;
  bool countHeld_ = false;    // heldCount_ is newer than the drawn count
  int heldCount_ = 0;         // the last count that was held back
  int countRow_ = -1;         // row of the last drawn count; -1: none yet
  int64_t countDrawnAt_ = 0;  // clock time of the last drawn count
};

}  // namespace tess
