// The command-line driver: the logs named on the command line are converted
// as successive runs of one program run that all choose the same output.
// The first run writes the output anew (as the save dialog's new output
// does), each later one appends; with -a the first one appends too. One
// Converter serves every run, so the conference memory carries from log to
// log as it does in the window. No window and no dialogs: warnings, errors,
// the progress line and the summary go to the host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/screen_progress.h"
#include "platform/file_system.h"
#include "runtime/log_reading.h"
#include "runtime/screen.h"
#include "shell/command_line.h"
#include "shell/command_texts.h"

namespace tess {

enum class PathKind { Missing, Folder, Ordinary, Other };

// What the command needs of its surroundings (standard error, the clock,
// signals); the POSIX entry and the tests give their own.
class CommandHost {
 public:
  virtual ~CommandHost() = default;
  // One line of errors, warnings or summary (no line end).
  virtual void message(std::string_view line) = 0;
  // The text of --help and --version (standard output).
  virtual void helpText(std::string_view text) = 0;
  // Which --help text: the terminal's (HelpTerminal) or the window's.
  virtual Text help() const { return Text::HelpTerminal; }
  // The language and encoding of every text the command writes. Names are
  // in the same encoding: Shift-JIS names go with Shift-JIS texts.
  virtual CommandTexts texts() const { return CommandTexts(); }
  // True when the progress line can be drawn (standard error is a
  // terminal).
  virtual bool canShowStatus() const = 0;
  // True when the summary is shown without -v.
  virtual bool showsSummary() const { return canShowStatus(); }
  // Draws the progress line over the previous one; empty clears it.
  virtual void status(std::string_view line) = 0;
  // A steady clock in seconds.
  virtual double seconds() = 0;
  // 0, or the number of a signal that asks the command to stop.
  virtual int stopSignal() = 0;
  // The window on which the conversion shows its count and conference
  // lines; none by default (they are dropped).
  virtual ScreenWindow* screen() { return nullptr; }
  // What paces the running count on that window; none: every count is
  // drawn.
  virtual CountClock* countClock() { return nullptr; }
  // Both files of a run are open (the window shows the run's lines);
  // reading: how the log is read.
  virtual void runStarted(const std::string& log, const std::string& output,
                          const LogReading& reading) {
    (void)log;
    (void)output;
    (void)reading;
  }
  // What the resolved path names, the size of an ordinary file and, where
  // the host can tell, what identifies the file that the path names (each
  // name of a file gives the same; left empty otherwise). The default asks
  // the file system's directory search, which tells files from folders
  // only.
  virtual PathKind fileKind(platform::FileSystem& fs, const std::string& full,
                            uint64_t* size, std::string* identity);
};

class CommandDriver {
 public:
  static constexpr int kExitDone = 0;
  static constexpr int kExitError = 1;
  static constexpr int kExitUsage = 2;
  static constexpr int kExitSignalBase = 128;

  // program: the name that starts every message ("tessarine").
  CommandDriver(platform::FileSystem& fs, CommandHost& host,
                std::string program);

  // Runs the whole command; returns the process exit code.
  int run(const CommandOptions& options);

  // What the last run did (for the summary and the window's box).
  struct Totals {
    int logs = 0;  // logs converted completely
    int64_t messages = 0;
    uint64_t replaced = 0;  // characters not in Shift-JIS, replaced
    uint64_t bytesWritten = 0;
    std::string output;  // the output's name after the name rules
    double seconds = 0;
  };
  const Totals& totals() const { return totals_; }

 private:
  platform::FileSystem& fs_;
  CommandHost& host_;
  std::string program_;
  Totals totals_;
};

// The logs with "*" and "?" in their last part replaced by the names that
// match (with the dialogs' meaning of the wildcards), in name order; a
// pattern that matches nothing stays as it is (and is then not found).
// For shells that do not expand them.
std::vector<std::string> expandWildcards(const std::vector<std::string>& logs,
                                         platform::FileSystem& fs);

// The command line as a whole: the arguments after the program's name are
// parsed, usage errors, --help and --version answered (exit 2 or 0), and the
// command run; expand: the logs' wildcards are expanded first.
int runCommandLine(const std::vector<std::string>& args,
                   platform::FileSystem& fs, CommandHost& host,
                   const std::string& program, bool expand = false);

}  // namespace tess
