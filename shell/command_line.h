// The command line: "tessarine [-o OUT] [-a] [-q] [-v] LOG..." converts the
// logs, in the order given, into one output without a window or dialogs.
// This part reads the arguments into options and holds the usage texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "shell/command_texts.h"
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
  // Nothing when the arguments are usable; otherwise what is wrong with
  // them, with the option it is about (the command then ends with exit
  // code 2).
  std::optional<Text> error;
  std::string errorArgument;
};

// args: the arguments after the program's name.
CommandParse parseCommandLine(const std::vector<std::string>& args);

std::string versionText(const std::string& program);

// The output's name rules, those of the save dialog applied to the name
// part (what follows the last folder separator): leading blanks
// (half-width and full-width) of the whole name are removed, and ".ren" is
// added when the name part has no ".". sjisNames: the names are Shift-JIS
// (Windows), whose double-byte characters may hold the byte of "\\".
std::string normalizedOutputName(std::string_view name,
                                 const platform::FileSystem& fs,
                                 bool sjisNames);
// What makes a name unusable as the output (a usage error): a name that
// ends in a folder separator, or whose name part is empty or blank.
std::optional<Text> outputNameFault(std::string_view name,
                                    const platform::FileSystem& fs,
                                    bool sjisNames);

}  // namespace tess
