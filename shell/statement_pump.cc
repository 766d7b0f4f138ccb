#include "shell/statement_pump.h"

#include "platform/clock.h"
#include "shell/sparse_clock.h"

namespace tess {

MillisecondClock steadyClock() {
  // In a conversion statement starts follow each other within a fraction of
  // a microsecond, and a reading of the system's clock can cost as much as
  // a statement (a call into the system under some implementations): it is
  // read sparsely.
  return SparseClock(platform::monotonicMilliseconds);
}

void StatementPump::statementStart(uint32_t line) {
  currentLine_ = line;
  if (pumped_) {
    const uint64_t now = clock_();
    const bool held = now - lastStart_ >= kPumpIntervalMs;
    lastStart_ = now;
    if (held && !restarted_) {
      // The program was held between two statement starts, as by a modal
      // dialog or box, which serves the window's input itself: the
      // interval starts again, so that what the user typed to close the box
      // reaches the statements after it as it would without the hold. Only
      // once in a row, so that slow statements still pump.
      restarted_ = true;
      lastPump_ = now;
      return;
    }
    if (!held) restarted_ = false;
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
  currentLine_ = lastLine;
}

}  // namespace tess
