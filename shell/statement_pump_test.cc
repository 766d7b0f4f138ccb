#include "shell/statement_pump.h"

#include <gtest/gtest.h>

#include <random>

#include "shell/sparse_clock.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_front_end.h"

namespace tess {
namespace {

using testing::FakeClock;
using testing::FakeFrontEnd;

// The first statement pumps; after that the time since the last pump
// decides, however many statements run. A hold between two statement starts
// (a modal dialog serves the input itself) starts the interval again, once
// until the next pump.
TEST(StatementPump, PumpsAtTheFirstStatementAndThenEveryTenMilliseconds) {
  FakeFrontEnd ui;
  FakeClock time;
  StatementPump pump(ui, time.clock());
  struct Step {
    uint64_t advance;
    int statements;
    int pumpsAfter;
  };
  const Step steps[] = {
      {0, 1, 1},     // the first statement start
      {0, 5000, 1},  // no time passes: no pump, however many statements
      {9, 1, 1},     // still inside the interval
      {1, 1, 2},     // 10 ms after the last pump
      {1, 3, 2},
      {25, 2, 2},  // held 25 ms (a dialog): the interval starts again
      {9, 1, 2},
      {1, 1, 3},   // 10 ms after the hold
      {30, 1, 3},  // slow statements: the first restarts the interval,
      {30, 1, 4},  // the next one pumps
      {25, 1, 4},  // two holds with quick statements between them and
      {1, 2, 4},   // no pump: the first restarts the interval, the second
      {25, 1, 5},  // pumps
      {10, 1, 5},  // a hold after a pump restarts it again
      {1, 1, 5},
      {9, 1, 6},
  };
  uint32_t line = 0;
  for (const Step& step : steps) {
    time.advance(step.advance);
    for (int i = 0; i < step.statements; ++i) pump.statementStart(++line);
    EXPECT_EQ(ui.pumpCalls(), step.pumpsAfter) << "after line " << line;
  }
  EXPECT_EQ(pump.currentLine(), line);
}

// Slow painting inside the pump does not make the next pump come sooner.
TEST(StatementPump, IntervalCountsFromTheEndOfThePump) {
  FakeFrontEnd ui;
  FakeClock time;
  ui.onPump([&](int) { time.advance(30); });
  StatementPump pump(ui, time.clock());
  pump.statementStart(1);
  time.advance(9);
  pump.statementStart(2);
  EXPECT_EQ(ui.pumpCalls(), 1);
  time.advance(1);
  pump.statementStart(3);
  EXPECT_EQ(ui.pumpCalls(), 2);
}

// A request seen by a pump ends the run at that statement start, with that
// statement's line; one that arrives right after a pump waits at most one
// interval.
TEST(StatementPump, BreakAndCloseEndTheRunAtTheNextPump) {
  for (bool quit : {false, true}) {
    FakeFrontEnd ui;
    FakeClock time(1);  // each statement start takes 1 ms
    ui::PumpEvents events;
    events.quit = quit;
    events.breakRequested = !quit;
    ui.setPumpEvents(2, events);
    StatementPump pump(ui, time.clock());
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
    EXPECT_EQ(ended, 11u) << "10 ms after the first pump";
    EXPECT_EQ(reason, quit ? ProgramEnd::Reason::WindowClosed
                           : ProgramEnd::Reason::BreakRequested);
  }
}

// A log read from a slow drive holds the program at every block, and the
// block's statements are quick: the window is still pumped, and a close
// ends the run.
TEST(StatementPump, AProgramHeldAtEveryBlockStillPumps) {
  FakeFrontEnd ui;
  FakeClock time;
  ui::PumpEvents close;
  close.quit = true;
  ui.setPumpEvents(12, close);
  StatementPump pump(ui, time.clock());
  uint32_t line = 0;
  int blocks = 0;
  bool closed = false;
  try {
    while (blocks < 100) {
      time.advance(16);  // waiting for the next block
      ++blocks;
      for (int i = 0; i < 200; ++i) pump.statementStart(++line);
    }
  } catch (const ProgramEnd& end) {
    closed = end.reason == ProgramEnd::Reason::WindowClosed;
  }
  EXPECT_TRUE(closed);
  // The first statement pumps, then every second block.
  EXPECT_EQ(ui.pumpCalls(), 12);
  EXPECT_EQ(blocks, 23);
}

// A pump that counts the starts it is told of.
class CountingPump : public StatementPump {
 public:
  using StatementPump::StatementPump;
  void statementStart(uint32_t line) override {
    ++told;
    StatementPump::statementStart(line);
  }
  int told = 0;
};

// The runtime lets the starts pass quietly that would take the sparse
// clock's last reading. Against a pump told of every start, with the same
// times: the pumps come at the same statements, the current line is the
// same after each, and the fine clock is read as often, through quick
// statements, runs, slow statements, holds, slow painting and a break.
TEST(StatementPump, QuietStartsPumpWhereEveryStartWouldPump) {
  std::mt19937 random(515);
  const uint64_t advances[] = {0, 0, 0, 0, 0, 0, 1, 2, 3, 9, 10, 11, 25, 60};
  int quietTold = 0;
  int everyTold = 0;
  for (int round = 0; round < 60; ++round) {
    FakeClock quietTime;
    FakeClock everyTime;
    int quietReadings = 0;
    int everyReadings = 0;
    const auto counted = [](FakeClock& time, int& readings) {
      return MillisecondClock([fine = time.clock(), &readings] {
        ++readings;
        return fine();
      });
    };
    FakeFrontEnd quietUi;
    FakeFrontEnd everyUi;
    const uint64_t painting = round % 3 == 0 ? 12 : 0;
    quietUi.onPump([&](int) { quietTime.advance(painting); });
    everyUi.onPump([&](int) { everyTime.advance(painting); });
    if (round % 4 == 1) {
      ui::PumpEvents events;
      events.breakRequested = true;
      quietUi.setPumpEvents(30, events);
      everyUi.setPumpEvents(30, events);
    }
    CountingPump quiet(quietUi, SparseClock(counted(quietTime, quietReadings)));
    CountingPump every(everyUi, SparseClock(counted(everyTime, everyReadings)));
    uint32_t line = 0;
    for (int step = 0; step < 400; ++step) {
      const uint64_t advance = advances[random() % std::size(advances)];
      quietTime.advance(advance);
      everyTime.advance(advance);
      const int statements = 1 + static_cast<int>(random() % 80);
      for (int i = 0; i < statements; ++i) {
        const uint32_t count =
            random() % 4 == 0 ? 2 + static_cast<uint32_t>(random() % 20) : 1;
        const uint32_t first = ++line;
        line += count - 1;
        bool quietEnded = false;
        bool everyEnded = false;
        try {
          count == 1 ? quiet.start(first) : quiet.startRun(first, line, count);
        } catch (const ProgramEnd&) {
          quietEnded = true;
        }
        try {
          count == 1 ? every.statementStart(first)
                     : every.statementRun(first, line, count);
        } catch (const ProgramEnd&) {
          everyEnded = true;
        }
        ASSERT_EQ(quietEnded, everyEnded) << "line " << line;
        ASSERT_EQ(quietUi.pumpCalls(), everyUi.pumpCalls()) << "line " << line;
        ASSERT_EQ(quiet.currentLine(), every.currentLine());
        ASSERT_EQ(quietReadings, everyReadings) << "line " << line;
        if (quietEnded) break;
      }
    }
    quietTold += quiet.told;
    everyTold += every.told;
  }
  // Most starts passed quietly.
  EXPECT_LT(quietTold * 4, everyTold);
}

}  // namespace
}  // namespace tess
