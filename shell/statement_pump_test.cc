#include "shell/statement_pump.h"

#include <gtest/gtest.h>

#include "tests/support/fake_front_end.h"

namespace tess {
namespace {

using testing::FakeFrontEnd;

TEST(StatementPump, PumpsAtTheFirstAndThenEveryEleventhStatement) {
  FakeFrontEnd ui;
  StatementPump pump(ui);
  for (uint32_t s = 1; s <= 34; ++s) {
    pump.statementStart(s);
    // Statements 1, 12, 23 and 34 pump.
    EXPECT_EQ(ui.pumpCalls(), static_cast<int>((s - 1) / 11 + 1)) << s;
  }
  EXPECT_EQ(pump.currentLine(), 34u);
}

// A request that arrives right after a pump is acted on 11 statements later.
TEST(StatementPump, BreakAndCloseEndTheRunWithinElevenStatements) {
  for (bool quit : {false, true}) {
    FakeFrontEnd ui;
    platform::PumpEvents events;
    events.quit = quit;
    events.breakRequested = !quit;
    ui.setPumpEvents(2, events);
    StatementPump pump(ui);
    uint32_t ended = 0;
    ProgramEnd::Reason reason{};
    for (uint32_t s = 1; s <= 40 && ended == 0; ++s) {
      try {
        pump.statementStart(100 + s);
      } catch (const ProgramEnd& end) {
        ended = s;
        reason = end.reason;
        EXPECT_EQ(end.line, 100 + s);
      }
    }
    EXPECT_EQ(ended, 12u);
    EXPECT_EQ(reason, quit ? ProgramEnd::Reason::WindowClosed
                           : ProgramEnd::Reason::BreakRequested);
  }
}

}  // namespace
}  // namespace tess
