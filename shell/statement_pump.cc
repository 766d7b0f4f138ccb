#include "shell/statement_pump.h"

#include <typeinfo>
#include <utility>

#include "platform/clock.h"
#include "shell/sparse_clock.h"

namespace tess {

namespace {

// The sparse clock that the clock is, if it is one.
SparseClock* sparseClockOf(MillisecondClock& clock) {
  return clock.target_type() == typeid(SparseClock)
             ? clock.target<SparseClock>()
             : nullptr;
}

}  // namespace

MillisecondClock steadyClock() {
  // In a conversion statement starts follow each other within a fraction of
  // a microsecond, and a reading of the system's clock can cost as much as
  // a statement (a call into the system under some implementations): it is
  // read sparsely.
  return SparseClock(platform::monotonicMilliseconds);
}

StatementPump::StatementPump(ui::FrontEnd& ui, MillisecondClock clock)
    : ui_(ui), clock_(std::move(clock)), sparseClock_(sparseClockOf(clock_)) {
  setQuietStarts(&quiet_);
}

void StatementPump::statementStart(uint32_t line) {
  // The starts that passed quietly each took the clock's last reading; the
  // calls they did not use go back to the clock. (A hold is seen only by a
  // fresh reading, which finds time passed and so leaves no calls to the
  // last one: no quiet start follows a restart, and none can end it.)
  if (sparseClock_ != nullptr) {
    sparseClock_->giveBackCalls(std::exchange(quiet_.left, 0));
  }
  takeStart(line);
  // From the first start on, each start pumps or reads the clock: the calls
  // that would take its last reading may pass quietly.
  if (sparseClock_ != nullptr) quiet_.left = sparseClock_->takeCalls();
}

void StatementPump::takeStart(uint32_t line) {
  quiet_.line = line;
  if (pumped_) {
    const uint64_t now = clock_();
    const bool held = now - lastStart_ >= kPumpIntervalMs;
    lastStart_ = now;
    if (held && !restarted_) {
      // The program was held between two statement starts, as by a modal
      // dialog or box, which serves the window's input itself: the
      // interval starts again, so that what the user typed to close the box
      // reaches the statements after it as it would without the hold. Only
      // once until the next pump: a log read from a slow drive holds the
      // program at every block, with quick statements between the holds,
      // and the window must still answer.
      restarted_ = true;
      lastPump_ = now;
      return;
    }
    if (now - lastPump_ < kPumpIntervalMs) return;
  }
  pumped_ = true;
  restarted_ = false;
  const ui::PumpEvents events = ui_.pump();
  // The interval counts from the end of the pump, so that slow painting
  // never takes more than its share of the time.
  lastPump_ = clock_();
  lastStart_ = lastPump_;
  if (events.quit) throw ProgramEnd{ProgramEnd::Reason::WindowClosed, line};
  if (events.breakRequested) {
    throw ProgramEnd{ProgramEnd::Reason::BreakRequested, line};
  }
}

void StatementPump::statementRun(uint32_t firstLine, uint32_t lastLine,
                                 uint32_t /*count*/) {
  statementStart(firstLine);
  quiet_.line = lastLine;
}

}  // namespace tess
