// One conversion as the program runs it: a file table over a file system,
// a printer for the window's lines and the output's records, and the
// Converter wired to both, with the log opened on the converter's log
// channel and the output opened through the one output-opening path
// (output_file.h). The window program, the command line, the fuzz target,
// the benchmarks and the end-to-end tests all convert through it, so each
// runs what the others run. The record and the per-conference tables live
// as long as the assembly, the way they live for one run of the program.
#pragma once

#include <source_location>

#include "conversion/converter.h"
#include "conversion/discarding_window.h"
#include "conversion/screen_progress.h"
#include "platform/file_system.h"
#include "runtime/byte_string.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/screen.h"
#include "runtime/statements.h"

namespace tess {

class ConversionAssembly {
 public:
  // What the conversion is wired to. Every part may be null.
  struct Wiring {
    // Told of each statement of the file table and of the printer.
    StatementObserver* fileStatements = nullptr;
    StatementObserver* printStatements = nullptr;
    // The window the count, the conference lines and the notice of
    // replaced characters are drawn on; without one they are dropped.
    ScreenWindow* screen = nullptr;
    // Shows the box of a log without messages; without one it is dropped.
    MessageBoxService* boxes = nullptr;
  };

  enum class OutputMode {
    New,    // a new output; an existing file is rewritten in place
    Append  // the records follow those already in the file
  };

  // Without wiring: no statements are told, nothing is drawn or shown.
  explicit ConversionAssembly(platform::FileSystem& fs);
  ConversionAssembly(platform::FileSystem& fs, const Wiring& wiring);
  ConversionAssembly(const ConversionAssembly&) = delete;
  ConversionAssembly& operator=(const ConversionAssembly&) = delete;

  FileTable& files() { return files_; }
  const FileTable& files() const { return files_; }
  Printer& printer() { return printer_; }
  Converter& converter() { return converter_; }
  const Converter& converter() const { return converter_; }

  // Paces the running count on the window (see ScreenProgress).
  void setCountClock(CountClock* clock) { progress_.setCountClock(clock); }

  // Opens the log for reading on the converter's log channel.
  void openLog(const ByteString& path,
               std::source_location where = std::source_location::current());
  // Opens the output on the converter's output channel. New throws
  // RejectedOutput for an error about the chosen file (output_file.h);
  // every other error is raised as a run-time error.
  void openOutput(const ByteString& path, OutputMode mode,
                  std::source_location where = std::source_location::current());

  // One whole conversion: opens the log and the output, converts, and
  // closes all files (also when an error escapes; the first error is the
  // one that counts). Every error, a rejected output's too, is raised as a
  // run-time error.
  void convert(const ByteString& logPath, const ByteString& outputPath,
               OutputMode mode);

 private:
  DiscardingWindow discarded_;
  FileTable files_;
  Printer printer_;
  ScreenProgress progress_;
  Converter converter_;
};

}  // namespace tess
