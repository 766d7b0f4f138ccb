// The run driver: banner, choice of the log and of the output file, opening
// both (append to the previous output, otherwise a new file), the conversion
// pass and closing, one run after another until a dialog is cancelled.
#pragma once

#include <source_location>

#include "conversion/conversion_assembly.h"
#include "runtime/byte_string.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "shell/dialogs.h"

namespace tess {

class RunDriver {
 public:
  // The log and the output are opened through conversion and converted
  // by its converter.
  RunDriver(ConversionAssembly& conversion, Dialogs& dialogs);

  // Runs until the user cancels one of the two dialogs, then returns (the
  // program then ends with exit code 0). Run-time errors propagate.
  void run();
  // The set-up of one run: false when a dialog was cancelled; otherwise the
  // log is open on channel 1 and the output on channel 3.
  bool setUp();

  // What the driver remembers between runs.
  const ByteString& logPath() const { return logPath_; }
  const ByteString& logName() const { return logName_; }
  const ByteString& logDir() const { return logDir_; }
  const ByteString& outputChoice() const { return outputChoice_; }
  const ByteString& outputPath() const { return outputPath_; }
  const ByteString& outputName() const { return outputName_; }
  const ByteString& outputDir() const { return outputDir_; }

 private:
  void printLine(const ByteString& text,
                 std::source_location where = std::source_location::current());
  void printBanner();
  bool chooseOutput();
  // A name the user must change: the two "wrong name" lines and the
  // reason; the next dialog is the first run's. False when the session
  // ends there instead (answers from a script).
  bool rejectName(const ByteString& reason);
  // The file-name part of path as the directory search reports it, or
  // previous when the search finds nothing.
  ByteString foundName(int64_t slot, const ByteString& path,
                       const ByteString& previous);

  ConversionAssembly& conversion_;
  FileTable& files_;
  Printer& printer_;
  Dialogs& dialogs_;

  ByteString logPath_;
  ByteString logName_;
  ByteString logDir_;
  ByteString outputChoice_;
  ByteString outputPath_;
  ByteString outputName_;
  ByteString outputDir_;
};

// What a run shows in the main text window, also used by the command line's
// window run: the eight banner lines, the line naming the log and the line
// naming the output.
void printRunBanner(Printer& printer);
ByteString convertingLine(const ByteString& logPath);
ByteString savingLine(const ByteString& outputPath);

}  // namespace tess
