// The command line with the main text window, for Windows, where a program
// started with arguments (also by dropping logs onto its icon) still has no
// console: the window opens and shows the banner and, per log, the log's
// line, the output's line and the running count as a run does, without
// dialogs; one message box at the end gives the summary or the error.
// "*" and "?" in the logs are expanded here, since the shells do not.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "shell/statement_pump.h"
#include "ui/front_end.h"

namespace tess {

// args: the arguments after the program's name (Shift-JIS); returns the
// exit code as the command line gives it, except that a window closed
// during a conversion or a break (Ctrl-C in the window) ends with 1, as it
// does in the program with the dialogs. clock: the pump's clock.
int runWindowCommandLine(const std::vector<std::string>& args,
                         platform::FileSystem& fs, ui::FrontEnd& ui,
                         MillisecondClock clock = steadyClock());

}  // namespace tess
