// Statement starts. Every statement-level operation of the runtime (each
// print statement, each line read, each open and close) announces itself
// with the source line of its caller, so that the program can keep its
// window responsive, act on a break request and name the failing line.
#pragma once

#include <cstdint>

namespace tess {

class StatementObserver;

// Statement starts that an observer knows beforehand it would take without
// acting: they pass inline, without a call. The observer fills `left` when
// it is called, and reads what passed when it is called next.
struct QuietStarts {
  // Starts that may still pass so.
  uint32_t left = 0;
  // What a run of statements takes of `left`: one for the run (an observer
  // that acts as at its first start), or one for each of its statements.
  bool runTakesOne = true;
  // The current line after the last start that passed, and the observer it
  // came to (several observers may share the starts).
  uint32_t line = 0;
  const StatementObserver* last = nullptr;
};

class StatementObserver {
 public:
  virtual ~StatementObserver() = default;
  // May throw (a break request or a closed window ends the run).
  virtual void statementStart(uint32_t line) = 0;

  // How the runtime announces a statement start: passed quietly when the
  // observer has said so, else told. Inline: every line read and every
  // print statement comes here.
  void start(uint32_t line) {
    if (quiet_ != nullptr && quiet_->left > 0) {
      --quiet_->left;
      quiet_->line = line;
      quiet_->last = this;
      return;
    }
    statementStart(line);
  }
  // start for a run (takesRuns() must be true).
  void startRun(uint32_t firstLine, uint32_t lastLine, uint32_t count) {
    const uint32_t takes = quiet_ == nullptr || quiet_->runTakesOne ? 1 : count;
    if (quiet_ != nullptr && quiet_->left >= takes) {
      quiet_->left -= takes;
      quiet_->line = lastLine;
      quiet_->last = this;
      return;
    }
    statementRun(firstLine, lastLine, count);
  }

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

 protected:
  // The quiet starts this observer shares, if any.
  void setQuietStarts(QuietStarts* quiet) { quiet_ = quiet; }

 private:
  QuietStarts* quiet_ = nullptr;
};

}  // namespace tess
