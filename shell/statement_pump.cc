#include "shell/statement_pump.h"

#include "platform/clock.h"

namespace tess {

MillisecondClock steadyClock() {
  // In a conversion statement starts follow each other within a fraction of
  // a microsecond: the system's clock is read at every 8th one, and the
  // reading stands for the time of the 7 after it.
  constexpr unsigned kReadEvery = 8;
  return [calls = 0u, last = uint64_t{0}]() mutable {
    if (calls++ % kReadEvery == 0) last = platform::monotonicMilliseconds();
    return last;
  };
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
