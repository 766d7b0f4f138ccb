// The command line in the Windows window: the window's messages are handled
// by the clock-driven pump of the dialogs' runs, and a window closed or a
// break during a conversion ends both kinds of session the same way.
#include "shell/command_window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "shell/program.h"
#include "shell/run_driver.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_front_end.h"

namespace tess {
namespace {

using testing::FakeFileSystem;
using testing::FakeFrontEnd;

constexpr int kMessages = 2000;

std::string manyMessages() {
  std::string log = "- FOO  MES(03) Free talk -\r\n";
  for (int i = 1; i <= kMessages; ++i) {
    char header[80];
    std::snprintf(header, sizeof header,
                  "%05d/%05d XYZ00001  guest            Title\r\n", i,
                  kMessages);
    log += header;
    log += "(03)   96/12/31 23:59  \r\nbody\r\nmore body\r\n";
  }
  return log;
}

// A clock that moves on by step milliseconds at every reading.
MillisecondClock steppingClock(uint64_t step) {
  return [now = uint64_t{0}, step]() mutable { return now += step; };
}

TEST(WindowCommandPump, PumpsByTheClockNotAtEveryStopCheck) {
  FakeFileSystem fs(FakeFileSystem::Style::Windows);
  fs.setFile("C:\\BIG.LOG", manyMessages());
  // A clock that stands still: after the first pump the window waits for
  // its 10 ms however many statements run.
  FakeFrontEnd still;
  ASSERT_EQ(runWindowCommandLine({"-o", "C:\\A.REN", "C:\\BIG.LOG"}, fs, still,
                                 steppingClock(0)),
            0);
  EXPECT_EQ(still.pumpCalls(), 1);

  // A millisecond per reading: the conversion's stop checks, thousands of
  // them, pump about once in every ten.
  FakeFrontEnd ticking;
  int checks = 0;
  ASSERT_EQ(
      runWindowCommandLine({"-o", "C:\\B.REN", "C:\\BIG.LOG"}, fs, ticking,
                           [&checks, now = uint64_t{0}]() mutable {
                             ++checks;
                             return ++now;
                           }),
      0);
  EXPECT_GT(checks, 1000);
  EXPECT_GE(ticking.pumpCalls(), checks / 12);
  EXPECT_LE(ticking.pumpCalls(), checks / 8);
  EXPECT_EQ(fs.fileBytes("C:\\A.REN"), fs.fileBytes("C:\\B.REN"));
}

// The session is cut when the run's lines are on the window (the log and
// the output are open and the conversion runs): the same exit code with
// logs as arguments as with the dialogs, and the output holds what was
// written, closed with its end-of-file mark.
TEST(WindowCommandPump, ClosedWindowOrBreakEndsBothModesWithOne) {
  struct Case {
    const char* what;
    bool arguments;
    bool close;
  };
  const Case cases[] = {{"dialogs, window closed", false, true},
                        {"dialogs, break", false, false},
                        {"arguments, window closed", true, true},
                        {"arguments, break", true, false}};
  FakeFileSystem whole(FakeFileSystem::Style::Windows);
  whole.setFile("C:\\BIG.LOG", manyMessages());
  FakeFrontEnd quiet;
  ASSERT_EQ(runWindowCommandLine({"-o", "C:\\OUT.REN", "C:\\BIG.LOG"}, whole,
                                 quiet, steppingClock(20)),
            0);
  const size_t wholeSize = whole.fileBytes("C:\\OUT.REN")->size();

  for (const Case& c : cases) {
    FakeFileSystem fs(FakeFileSystem::Style::Windows);
    fs.setFile("C:\\BIG.LOG", manyMessages());
    FakeFrontEnd ui;
    const std::string saving = savingLine("C:\\OUT.REN").str();
    int stopAt = 0;
    ui.onPump([&](int call) {
      if (stopAt != 0) return;
      for (const std::string& row : ui.completedRows()) {
        if (row.rfind(saving, 0) != 0) continue;
        // A few pumps into the conversion.
        stopAt = call + 3;
        ui::PumpEvents events;
        events.quit = c.close;
        events.breakRequested = !c.close;
        ui.setPumpEvents(stopAt, events);
        return;
      }
    });
    int code = -1;
    if (c.arguments) {
      code = runWindowCommandLine({"-o", "C:\\OUT.REN", "C:\\BIG.LOG"}, fs, ui,
                                  steppingClock(20));
    } else {
      ui.answerDialog("C:\\BIG.LOG");
      ui.answerDialog("C:\\OUT.REN");
      code = Program(fs, ui, {}, steppingClock(20)).run();
    }
    EXPECT_EQ(code, 1) << c.what;
    ASSERT_NE(stopAt, 0) << c.what << ": the conversion never started";
    EXPECT_GE(ui.pumpCalls(), stopAt) << c.what;
    const std::optional<std::string> out = fs.fileBytes("C:\\OUT.REN");
    ASSERT_TRUE(out) << c.what;
    EXPECT_LT(out->size(), wholeSize) << c.what << ": not cut short";
    ASSERT_FALSE(out->empty()) << c.what;
    EXPECT_EQ(out->back(), '\x1A') << c.what;
    EXPECT_EQ(ui.closeWindowCalls(), 1) << c.what;
  }
}

}  // namespace
}  // namespace tess
