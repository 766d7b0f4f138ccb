// Print statements: a target selection followed by items, each carrying the
// separator written after it. Files have no width; the window has 80 columns.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <source_location>
#include <string_view>
#include <utility>

#include "runtime/byte_string.h"
#include "runtime/file_table.h"
#include "runtime/screen.h"
#include "runtime/statements.h"

namespace tess {

enum class PrintSeparator { EndOfStatement = 0, Comma = 1, Semicolon = 2 };

constexpr int printZoneWidth = 14;

// Copies the parts behind each other from out on; returns the end of the
// copy. Each part is its own copy, with its length known where it is a
// literal's.
template <size_t count>
[[gnu::always_inline]] inline char* copyParts(
    char* out, const std::string_view (&parts)[count]) {
  [&]<size_t... i>(std::index_sequence<i...>) __attribute__((always_inline)) {
    ((copyBytes(out, parts[i].data(), parts[i].size()), out += parts[i].size()),
     ...);
  }
  (std::make_index_sequence<count>{});
  return out;
}

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
  // Print statements whose bytes the caller knows beforehand, written
  // straight into an output channel's buffer: bytes in all, of count
  // statements, the first starting at firstLine and the last at lastLine,
  // the last of them ending its line. Null when they must be printed the
  // general way (FileStatementRun): the channel is not open for writing,
  // the bytes do not fit into the room left in its buffer, or the observer
  // wants to see each start. Otherwise the statements have started (as one
  // run) and the room for their bytes is returned; the caller copies them
  // there and ends the block with their number of bytes.
  char* beginStatementBlock(int64_t channel, size_t bytes, uint32_t firstLine,
                            uint32_t lastLine, uint32_t count);
  void endStatementBlock(int64_t channel, size_t bytes);
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
  friend class FileStatementRun;
  // The statement start of a print statement at the given source line.
  void startStatement(uint32_t line) {
    statementLine_ = line;
    if (observer_ != nullptr) observer_->start(line);
  }
  // Copies the parts, and the line end when endsLine, to out (the channel's
  // buffer, with room for them); returns the end of the copy.
  template <size_t count>
  static char* copyStatement(char* out, const std::string_view (&parts)[count],
                             bool endsLine);
  // Counts bytes copied behind the channel's buffered output as printed by
  // one statement.
  static void countPrinted(FileTable::Channel& target, size_t bytes,
                           bool endsLine);
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
  startStatement(where.line());
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
  constexpr bool endsLine = separator == PrintSeparator::EndOfStatement;
  const char* const end = copyStatement(start, parts, endsLine);
  countPrinted(*target, static_cast<size_t>(end - start), endsLine);
}

template <size_t count>
[[gnu::always_inline]] inline char* Printer::copyStatement(
    char* out, const std::string_view (&parts)[count], bool endsLine) {
  out = copyParts(out, parts);
  if (endsLine) {
    *out++ = '\r';
    *out++ = '\n';
  }
  return out;
}

inline void Printer::countPrinted(FileTable::Channel& target, size_t bytes,
                                  bool endsLine) {
  // Files have no width: lines are never broken, the column just grows.
  target.column =
      endsLine
          ? 0
          : static_cast<int>((target.column + static_cast<int64_t>(bytes)) &
                             kColumnMask);
  target.end += bytes;
  target.position += bytes;
  target.size = std::max(target.size, target.position);
}

// Print statements to one file channel, one after the other, each one
// string item made of parts followed by its separator (not Comma), with the
// statement start, errors and bytes that printFileStatement gives them.
// While the bytes fit into the room left in the channel's buffer, a
// statement's bytes are copied there as it is added but count as printed
// only when the run reaches its statement start: at finish(), or when a
// statement does not fit (from then on each is printed at once), or when
// kMaxPending statements wait. Nothing happens between the adding and the
// statement start that could tell the two apart: a statement start that
// throws leaves exactly the statements before it printed.
class FileStatementRun {
 public:
  FileStatementRun(Printer& printer, int64_t channel);
  FileStatementRun(const FileStatementRun&) = delete;
  FileStatementRun& operator=(const FileStatementRun&) = delete;

  template <PrintSeparator separator = PrintSeparator::EndOfStatement,
            size_t count>
  void add(const std::string_view (&parts)[count],
           std::source_location where = std::source_location::current());
  // Starts the statements still waiting. Must be called once, after the
  // last add.
  void finish();

 private:
  static constexpr size_t kMaxPending = 24;
  struct Pending {
    uint32_t line;
    bool endsLine;  // EndOfStatement, else Semicolon
    size_t bytes;
  };
  void printNow(const std::string_view* parts, size_t count,
                PrintSeparator separator, uint32_t line);
  // Counts the first count statements waiting as printed.
  void commit(size_t count);

  Printer& printer_;
  int64_t channel_;
  // Null once the statements are printed one by one.
  FileTable::Channel* target_;
  size_t pendingBytes_ = 0;  // behind target_->end
  size_t pendingCount_ = 0;
  std::array<Pending, kMaxPending> pending_;
};

template <PrintSeparator separator, size_t count>
[[gnu::always_inline]] inline void FileStatementRun::add(
    const std::string_view (&parts)[count], std::source_location where) {
  static_assert(separator != PrintSeparator::Comma);
  constexpr bool endsLine = separator == PrintSeparator::EndOfStatement;
  size_t bytes = endsLine ? 2 : 0;
  for (const std::string_view part : parts) bytes += part.size();
  if (target_ != nullptr && pendingCount_ == kMaxPending) finish();
  // Bytes that would fill the buffer go the way that writes it out.
  if (target_ == nullptr ||
      bytes >= FileTable::kBufferBytes - target_->end - pendingBytes_) {
    finish();
    target_ = nullptr;
    printNow(parts, count, separator, where.line());
    return;
  }
  Printer::copyStatement(target_->buffer.get() + target_->end + pendingBytes_,
                         parts, endsLine);
  pending_[pendingCount_++] = Pending{where.line(), endsLine, bytes};
  pendingBytes_ += bytes;
}

}  // namespace tess
