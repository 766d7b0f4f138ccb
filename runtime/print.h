// Print statements: a target selection followed by items, each carrying the
// separator written after it. Files have no width; the window has 80 columns.
#pragma once

#include <cstdint>
#include <source_location>

#include "runtime/byte_string.h"
#include "runtime/file_table.h"
#include "runtime/screen.h"
#include "runtime/statements.h"

namespace tess {

enum class PrintSeparator { EndOfStatement = 0, Comma = 1, Semicolon = 2 };

constexpr int printZoneWidth = 14;

class Printer {
 public:
  // window may be null (no window: selecting it raises 1000).
  Printer(FileTable& files, ScreenWindow* window,
          StatementObserver* observer = nullptr);

  void setWindow(ScreenWindow* window) { window_ = window; }
  void setObserver(StatementObserver* observer) { observer_ = observer; }

  // Each selection starts a print statement.
  void selectOutputWindow(int64_t window, std::source_location where =
                                              std::source_location::current());
  void selectOutputFile(int64_t channel, std::source_location where =
                                             std::source_location::current());

  void printString(const ByteString& item, PrintSeparator separator);
  void printNumber(float value, PrintSeparator separator);
  // The blanks that move the print position to column n (0..255, else 5);
  // may write a line end to the target first.
  ByteString tabTo(int64_t n);

 private:
  FileTable& files_;
  ScreenWindow* window_;
  StatementObserver* observer_;
  bool toWindow_ = true;
  int64_t channel_ = 0;
  // Source line of the current print statement's selection: errors of its
  // items are reported at that line.
  uint32_t statementLine_ = 0;
};

}  // namespace tess
