// Statement starts of the running program: keeps the window responsive by
// running the front end's pump at the first statement start and then at
// every 11th one, remembers the current line, and turns a closed window or a
// break request into the end of the run.
#pragma once

#include <cstdint>

#include "platform/front_end.h"
#include "runtime/statements.h"

namespace tess {

// Thrown from a statement start to unwind the program to its end. Not a
// run-time error: no trap or handler may take it.
struct ProgramEnd {
  enum class Reason { WindowClosed, BreakRequested };
  Reason reason;
  uint32_t line;  // the line current when the request was acted on
};

class StatementPump : public StatementObserver {
 public:
  static constexpr int kPumpInterval = 10;

  explicit StatementPump(platform::FrontEnd& ui) : ui_(ui) {}

  void statementStart(uint32_t line) override;
  uint32_t currentLine() const { return currentLine_; }

 private:
  platform::FrontEnd& ui_;
  int counter_ = 0;
  uint32_t currentLine_ = 0;
};

}  // namespace tess
