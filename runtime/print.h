// Print statements: a target selection followed by items, each carrying the
// separator written after it. Files have no width; the window has 80 columns.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <source_location>
#include <string_view>

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
  // A whole print statement to a file channel with one string item made of
  // the given parts, one after the other: the statement start, the errors
  // and the bytes of selectOutputFile followed by printString of the joined
  // parts, without joining them first.
  void printFileStatement(
      int64_t channel, std::initializer_list<std::string_view> parts,
      PrintSeparator separator,
      std::source_location where = std::source_location::current());
  void printNumber(float value, PrintSeparator separator);
  // The blanks that move the print position to column n (0..255, else 5);
  // may write a line end to the target first.
  ByteString tabTo(int64_t n);

 private:
  // A string item made of the given parts, one after the other, to an
  // open file channel: the parts are copied straight into its output.
  static void printToFile(FileTable::Channel& target,
                          std::initializer_list<std::string_view> parts,
                          PrintSeparator separator);

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
