// Print statements: a target selection followed by items, each carrying the
// separator written after it. Files have no width; the window has 80 columns.
#pragma once

#include <algorithm>
#include <cstddef>
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
  // printFileStatement with its parts and its separator (not Comma) fixed
  // where it is called: the same statement start, errors and bytes. When
  // the bytes fit into the room left in the channel's buffer, so that put
  // would not write the buffer out, they are copied straight into it.
  template <PrintSeparator separator, size_t count>
  void printFileStatementOf(
      int64_t channel, const std::string_view (&parts)[count],
      std::source_location where = std::source_location::current());
  void printNumber(float value, PrintSeparator separator);
  // The blanks that move the print position to column n (0..255, else 5);
  // may write a line end to the target first.
  ByteString tabTo(int64_t n);

 private:
  // A file's print column is an unsigned 16-bit count.
  static constexpr int64_t kColumnMask = 0xFFFF;

  // A string item made of the given parts, one after the other, to an
  // open file channel: the parts are copied straight into its output.
  static void printToFile(FileTable::Channel& target,
                          const std::string_view* parts, size_t count,
                          PrintSeparator separator);
  // printFileStatement after its statement start.
  void printFileParts(int64_t channel, const std::string_view* parts,
                      size_t count, PrintSeparator separator);

  FileTable& files_;
  ScreenWindow* window_;
  StatementObserver* observer_;
  bool toWindow_ = true;
  int64_t channel_ = 0;
  // Source line of the current print statement's selection: errors of its
  // items are reported at that line.
  uint32_t statementLine_ = 0;
};

template <PrintSeparator separator, size_t count>
inline void Printer::printFileStatementOf(
    int64_t channel, const std::string_view (&parts)[count],
    std::source_location where) {
  static_assert(separator != PrintSeparator::Comma);
  statementLine_ = where.line();
  if (observer_ != nullptr) observer_->statementStart(statementLine_);
  FileTable::Channel* target = files_.openOrNull(channel);
  size_t bytes = 2;  // the line end, or room for it
  for (const std::string_view part : parts) bytes += part.size();
  if (target == nullptr || target->mode == FileMode::Input ||
      bytes >= FileTable::kBufferBytes - target->end) [[unlikely]] {
    printFileParts(channel, parts, count, separator);
    return;
  }
  toWindow_ = false;
  channel_ = channel;
  char* const start = target->buffer.get() + target->end;
  char* out = start;
  for (const std::string_view part : parts) {
    out = std::copy(part.begin(), part.end(), out);
  }
  // Files have no width: lines are never broken, the column just grows.
  if constexpr (separator == PrintSeparator::EndOfStatement) {
    *out++ = '\r';
    *out++ = '\n';
    target->column = 0;
  } else {
    target->column =
        static_cast<int>((target->column + (out - start)) & kColumnMask);
  }
  const auto written = static_cast<size_t>(out - start);
  target->end += written;
  target->position += written;
  target->size = std::max(target->size, target->position);
}

}  // namespace tess
