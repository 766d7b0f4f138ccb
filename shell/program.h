// One run of the program: start-up, the run driver, and ending.
#pragma once

#include "platform/file_system.h"
#include "platform/front_end.h"

namespace tess {

class Program {
 public:
  Program(platform::FileSystem& fs, platform::FrontEnd& ui,
          platform::ProcessInfo process);
  ~Program();
  // Runs until a dialog is cancelled, the window is closed, a break or an
  // unhandled run-time error; returns the process exit code.
  int run();

 private:
  struct State;
  platform::FileSystem& fs_;
  platform::FrontEnd& ui_;
  platform::ProcessInfo process_;
};

}  // namespace tess
