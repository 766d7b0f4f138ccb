// Statement starts of the command line's runs: a stop request ends the
// command within a few statements, and the progress line is redrawn now and
// then. The printer's statements and the file table's have one each, so
// that an error can be told to be about the output (a print statement
// writes it).
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/statements.h"

namespace tess {

// Thrown from a statement start when a signal asks the command to stop.
struct CommandStop {
  int signal;
};

class CommandStatements : public StatementObserver {
 public:
  // Statements between two looks at the stop request (and, in the window,
  // at the window's messages), and between two looks at the clock.
  static constexpr unsigned kStopInterval = 16;
  static constexpr unsigned kClockInterval = 4096;

  // What the observers of one command share: the count of statements, and
  // the starts that pass quietly between two looks.
  struct Shared {
    unsigned counter = 0;
    // A run takes one quiet start for each of its statements.
    QuietStarts quiet{.runTakesOne = false};
  };

  // stopSignal: 0, or the number of a signal that asks the command to
  // stop; progress redraws the progress line (may be empty).
  CommandStatements(const std::function<int()>& stopSignal,
                    const std::function<void()>& progress, Shared& shared);

  void statementStart(uint32_t /*line*/) override { take(1); }
  // A run of statements looks at the stop request and the clock, at its
  // first statement, when any of its statements would.
  bool takesRuns() const override { return true; }
  void statementRun(uint32_t /*firstLine*/, uint32_t /*lastLine*/,
                    uint32_t count) override {
    take(count);
  }
  // True when the last statement start of the command came to this
  // observer.
  bool hadLastStart() const { return shared_.quiet.last == this; }

 private:
  void take(unsigned count);

  const std::function<int()>& stopSignal_;
  const std::function<void()>& progress_;
  Shared& shared_;
};

}  // namespace tess
