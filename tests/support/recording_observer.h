// A statement observer that records the line of every statement start.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/statements.h"

namespace tess::testing {

class RecordingObserver : public StatementObserver {
 public:
  void statementStart(uint32_t line) override { lines.push_back(line); }
  std::vector<uint32_t> lines;
};

}  // namespace tess::testing
