// The command line on POSIX systems: standard error for messages and the
// progress line, the process's signals, and the file kinds from stat.
#pragma once

#include "platform/file_system.h"

namespace tess {

// Runs the command given by argv[1..argc-1]; returns the exit code.
int runPosixCommandLine(int argc, char** argv, platform::FileSystem& fs);

}  // namespace tess
