#include "shell/command_statements.h"

#include <gtest/gtest.h>

#include <random>

namespace tess {
namespace {

// A stop request that counts how often it is looked at.
struct CountingHost {
  int looks = 0;
  int stop = 0;
};

// Random statement starts and runs of both observers, told the way the
// runtime tells them (most pass quietly), against the plain count: the
// stop request is looked at exactly when a start or a run reaches a
// multiple of 16 statements, the clock at a multiple of 4096, the last
// start's observer is known, and a stop throws at the first look after it
// is asked for, never between.
TEST(CommandStatements, LooksAtTheStopAndTheClockWhereTheCountSays) {
  std::mt19937 random(2207);
  for (int round = 0; round < 20; ++round) {
    CountingHost host;
    const std::function<int()> stopSignal = [&] {
      ++host.looks;
      return host.stop;
    };
    int progressCalls = 0;
    const std::function<void()> progress = [&] { ++progressCalls; };
    CommandStatements::Shared shared;
    CommandStatements files(stopSignal, progress, shared);
    CommandStatements prints(stopSignal, progress, shared);
    StatementObserver* const observers[] = {&files, &prints};
    uint64_t statements = 0;
    int looks = 0;
    int clockLooks = 0;
    const int stopAt = round % 2 == 0 ? -1 : static_cast<int>(random() % 5000);
    bool stopped = false;
    for (int event = 0; event < 6000 && !stopped; ++event) {
      const bool print = random() % 2 == 0;
      const uint32_t count =
          random() % 3 == 0 ? 2 + static_cast<uint32_t>(random() % 40) : 1;
      // Whether the statements statements .. statements + count - 1 reach a
      // multiple of the interval.
      const auto reaches = [&](uint64_t interval) {
        return (statements + count - 1) / interval * interval >= statements;
      };
      const bool looksNow = reaches(16);
      if (event == stopAt) host.stop = 15;
      try {
        if (count == 1) {
          observers[print]->start(static_cast<uint32_t>(event));
        } else {
          observers[print]->startRun(0, 0, count);
        }
      } catch (const CommandStop& stop) {
        EXPECT_EQ(stop.signal, 15);
        stopped = true;
      }
      looks += looksNow ? 1 : 0;
      clockLooks += reaches(4096) ? 1 : 0;
      ASSERT_EQ(host.looks, looks) << "event " << event;
      ASSERT_EQ(stopped, host.stop != 0 && looksNow) << "event " << event;
      if (stopped) break;
      ASSERT_EQ(progressCalls, clockLooks) << "event " << event;
      ASSERT_TRUE(prints.hadLastStart() == print &&
                  files.hadLastStart() == !print)
          << "event " << event;
      statements += count;
    }
    if (stopAt >= 0) {
      EXPECT_TRUE(stopped);
    } else {
      EXPECT_GT(looks, 1500);
      EXPECT_GE(clockLooks, 8);
    }
  }
}

}  // namespace
}  // namespace tess
