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
};

}  // namespace tess
