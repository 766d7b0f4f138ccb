// One run of the program: start-up, the run driver, and ending.
#pragma once

#include "platform/file_system.h"
#include "shell/statement_pump.h"
#include "ui/front_end.h"

namespace tess {

class Program {
 public:
  // clock: what paces the pumping of the window (the process's monotonic
  // clock unless a test sets its own).
  Program(platform::FileSystem& fs, ui::FrontEnd& ui, ui::ProcessInfo process,
          MillisecondClock clock = steadyClock());
  ~Program();
  // Runs until a dialog is cancelled, the window is closed, a break or an
  // unhandled run-time error; returns the process exit code.
  int run();

 private:
  struct State;
  platform::FileSystem& fs_;
  ui::FrontEnd& ui_;
  ui::ProcessInfo process_;
  MillisecondClock clock_;
};

}  // namespace tess
