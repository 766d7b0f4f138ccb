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
  if (pumped_ && clock_() - lastPump_ < kPumpIntervalMs) return;
  pumped_ = true;
  const platform::PumpEvents events = ui_.pump();
  // The interval counts from the end of the pump, so that slow painting
  // never takes more than its share of the time.
  lastPump_ = clock_();
  if (events.quit) throw ProgramEnd{ProgramEnd::Reason::WindowClosed, line};
  if (events.breakRequested) {
    throw ProgramEnd{ProgramEnd::Reason::BreakRequested, line};
  }
}

}  // namespace tess
