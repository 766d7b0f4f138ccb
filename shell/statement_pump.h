// Statement starts of the running program: keeps the window responsive by
// running the front end's pump at the first statement start and then
// whenever about 10 ms have passed since the last pump (counted again after
// a hold such as a modal dialog), remembers the
// current line, and turns a closed window or a break request into the end
// of the run. Between pumps a statement start costs one reading of a cheap
// clock, so the conversion runs nearly as fast as without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "runtime/statements.h"
#include "shell/sparse_clock.h"
#include "ui/front_end.h"

namespace tess {

// Thrown from a statement start to unwind the program to its end. Not a
// run-time error: no trap or handler may take it.
struct ProgramEnd {
  enum class Reason { WindowClosed, BreakRequested };
  Reason reason;
  uint32_t line;  // the line current when the request was acted on
};

// The process's monotonic clock, made cheap to read for statement starts
// (sparse_clock.h): its time may lag by about a millisecond while statements
// are quick, and by up to 31 readings when they turn slow.
MillisecondClock steadyClock();

class StatementPump : public StatementObserver {
 public:
  // Input and painting are looked at no more often than this; a break, a
  // close or the copy menu still answers well within 50 ms.
  static constexpr uint64_t kPumpIntervalMs = 10;

  explicit StatementPump(ui::FrontEnd& ui,
                         MillisecondClock clock = steadyClock());
  StatementPump(const StatementPump&) = delete;
  StatementPump& operator=(const StatementPump&) = delete;

  void statementStart(uint32_t line) override;
  // A run is one statement start at its first line; its last line is the
  // current one after it.
  bool takesRuns() const override { return true; }
  void statementRun(uint32_t firstLine, uint32_t lastLine,
                    uint32_t count) override;
  uint32_t currentLine() const { return quiet_.line; }

 private:
  // A statement start as it is told, once the quiet ones are accounted.
  void takeStart(uint32_t line);

  ui::FrontEnd& ui_;
  MillisecondClock clock_;
  // The clock when it is the sparse one: the starts that would take its
  // last reading are let pass quietly (each of them would find no time
  // passed since the last start and the last pump, and so do nothing but
  // make its line the current one).
  SparseClock* const sparseClock_;
  QuietStarts quiet_;
  bool pumped_ = false;
  uint64_t lastPump_ = 0;
  uint64_t lastStart_ = 0;
  bool restarted_ = false;
};

}  // namespace tess
