// Statement starts. Every statement-level operation of the runtime (each
// print statement, each line read, each open and close) announces itself
// with the source line of its caller, so that the program can keep its
// window responsive, act on a break request and name the failing line.
#pragma once

#include <cstdint>

namespace tess {

class StatementObserver {
 public:
  virtual ~StatementObserver() = default;
  // May throw (a break request or a closed window ends the run).
  virtual void statementStart(uint32_t line) = 0;

  // A run of count statement starts (count > 1), the first at firstLine and
  // the last at lastLine, between which nothing but the statements' own
  // bytes can happen: no input, no error, no pump. An observer whose
  // takesRuns() is true is told of the run once, by statementRun, instead
  // of each start: it acts, if at all, as at the first (so that a throw
  // leaves none of the run's statements done) and leaves lastLine the
  // current line. Any other observer is told of each start.
  virtual bool takesRuns() const { return false; }
  virtual void statementRun(uint32_t firstLine, uint32_t lastLine,
                            uint32_t count) {
    (void)firstLine;
    (void)lastLine;
    (void)count;
  }
};

}  // namespace tess
