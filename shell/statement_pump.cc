#include "shell/statement_pump.h"

namespace tess {

void StatementPump::statementStart(uint32_t line) {
  currentLine_ = line;
  if (counter_ != 0) {
    --counter_;
    return;
  }
  counter_ = kPumpInterval;
  const platform::PumpEvents events = ui_.pump();
  if (events.quit) throw ProgramEnd{ProgramEnd::Reason::WindowClosed, line};
  if (events.breakRequested) {
    throw ProgramEnd{ProgramEnd::Reason::BreakRequested, line};
  }
}

}  // namespace tess
