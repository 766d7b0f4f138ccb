// The command line: "tessarine [-o OUT] [-a] [-q] [-v] LOG..." converts the
// logs, in the order given, into one output without a window or dialogs.
// This part reads the arguments into options and holds the usage texts.
#pragma once

#include <string>
#include <vector>

#include "runtime/log_reading.h"

namespace tess {

struct CommandOptions {
  std::vector<std::string> logs;
  // As given (or the default); the run driver's name rules apply later.
  std::string output = "kanbel.ren";
  bool append = false;   // -a: the first log appends too
  bool quiet = false;    // -q: errors and warnings only
  bool verbose = false;  // -v: a line per log and the summary, also when
                         // standard error is not a terminal
  // --log-encoding and --line-ends: how the logs are read (auto: decided
  // from each log).
  LogChoice logChoice;
  bool help = false;
  bool version = false;
};

struct CommandParse {
  CommandOptions options;
  // Empty when the arguments are usable; otherwise what is wrong with them
  // (the command then ends with exit code 2).
  std::string error;
};

// args: the arguments after the program's name.
CommandParse parseCommandLine(const std::vector<std::string>& args);

// "usage: tessarine [-o OUT] [-a] [-q] [-v] LOG..."
std::string usageLine(const std::string& program);
// The --help text: the usage line and the options (LF line ends), in two
// columns for a terminal or one option a line for a message box, whose
// font does not keep columns.
enum class HelpLayout { Columns, Box };
std::string helpText(const std::string& program,
                     HelpLayout layout = HelpLayout::Columns);
std::string versionText(const std::string& program);

// The output name by the run driver's rule: leading blanks (half-width and
// full-width) removed, ".ren" added when the name has no "." after its
// first byte.
std::string normalizedOutputName(const std::string& name);

}  // namespace tess
