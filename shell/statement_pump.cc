#include "shell/statement_pump.h"

#include <chrono>

namespace tess {

MillisecondClock steadyClock() {
  return [] {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch())
            .count());
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
  const platform::PumpEvents events = ui_.pump();
  // The interval counts from the end of the pump, so that slow painting
  // never takes more than its share of the time.
  lastPump_ = clock_();
  lastStart_ = lastPump_;
  if (events.quit) throw ProgramEnd{ProgramEnd::Reason::WindowClosed, line};
  if (events.breakRequested) {
    throw ProgramEnd{ProgramEnd::Reason::BreakRequested, line};
  }
}

}  // namespace tess
