#include "runtime/print.h"

#include <algorithm>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/numbers.h"
#include "runtime/runtime_error.h"

namespace tess {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Width taken for tabTo on a target without a width.
constexpr int64_t kNoWidthTabSpan = 256;
// Room for what a separator or the line-width rule adds to an item.
constexpr size_t kSeparatorRoom = 2 + printZoneWidth + 2;

// Appends the bytes of the separator to out; column is where the item
// ended. Returns the column after the separator. width 0: no width.
int64_t appendSeparator(std::string& out, PrintSeparator separator,
                        int64_t column, int64_t width) {
  switch (separator) {
    case PrintSeparator::EndOfStatement:
      out.append(kLineEnd);
      return 0;
    case PrintSeparator::Semicolon:
      return column;
    case PrintSeparator::Comma: {
      const int64_t blanks = printZoneWidth - column % printZoneWidth;
      const int64_t after = column + blanks;
      if (width > 0 && (after > width || width - after < printZoneWidth)) {
        out.append(kLineEnd);
        return 0;
      }
      out.append(static_cast<size_t>(blanks), ' ');
      return after;
    }
  }
  return column;
}

// The bytes of the separator after an item on a target without a width
// (a file); *column is where the item ended and becomes the column after
// the separator.
std::string_view fileSeparatorBytes(PrintSeparator separator, int64_t* column) {
  constexpr int64_t kColumnMask = 0xFFFF;
  static constexpr std::string_view kZoneBlanks = "              ";
  static_assert(kZoneBlanks.size() == printZoneWidth);
  switch (separator) {
    case PrintSeparator::EndOfStatement:
      *column = 0;
      return kLineEnd;
    case PrintSeparator::Semicolon:
      break;
    case PrintSeparator::Comma: {
      const int64_t blanks = printZoneWidth - *column % printZoneWidth;
      *column = (*column + blanks) & kColumnMask;
      return kZoneBlanks.substr(0, static_cast<size_t>(blanks));
    }
  }
  return kLineEnd.substr(0, 0);
}

std::string workingBuffer(size_t itemSize) {
  std::string out;
  try {
    out.reserve(itemSize + kSeparatorRoom);
  } catch (const std::bad_alloc&) {
    raiseError(err::kPrintBufferUnavailable);
  }
  return out;
}

void printToWindow(ScreenWindow* window, std::string_view item,
                   PrintSeparator separator) {
  if (window == nullptr) raiseError(err::kNoWindow);
  const int64_t width = window->printWidth();
  int64_t column = window->printColumn();
  std::string out = workingBuffer(item.size());
  // An item that does not fit into the rest of the row starts a new row,
  // unless the row is still empty; the window wraps what is still too long.
  if (width > 0 && column != 0 &&
      column + static_cast<int64_t>(item.size()) > width) {
    out.append(kLineEnd);
    column = 0;
  }
  out.append(item);
  column += static_cast<int64_t>(item.size());
  appendSeparator(out, separator, column, width);
  window->writeText(out);
}

}  // namespace

Printer::Printer(FileTable& files, ScreenWindow* window,
                 StatementObserver* observer)
    : files_(files), window_(window), observer_(observer) {}

void Printer::selectOutputWindow(int64_t window, std::source_location where) {
  startStatement(where.line());
  // Window 0, the main text window, is the only one.
  if (window != 0 || window_ == nullptr)
    throw RuntimeError(err::kNoWindow, statementLine_);
  toWindow_ = true;
  channel_ = 0;
}

void Printer::selectOutputFile(int64_t channel, std::source_location where) {
  startStatement(where.line());
  try {
    files_.checkOutputChannel(channel);
  } catch (RuntimeError& e) {
    e.setLine(statementLine_);
    throw;
  }
  toWindow_ = false;
  channel_ = channel;
}

// Inline: this is the print path of every line that the conversion writes.
inline void Printer::printToFile(FileTable::Channel& target,
                                 const std::string_view* parts, size_t count,
                                 PrintSeparator separator) {
  // Checked before any byte is handed over, so that a channel not open for
  // writing fails even for an empty item.
  if (target.mode == FileMode::Input) raiseError(err::kBadFileMode);
  // Files have no width: lines are never broken, the column just grows.
  int64_t column = target.column;
  for (size_t i = 0; i < count; ++i) {
    target.put(parts[i]);
    column += static_cast<int64_t>(parts[i].size());
  }
  column &= kColumnMask;
  const std::string_view tail = fileSeparatorBytes(separator, &column);
  if (!tail.empty()) target.put(tail);
  target.column = static_cast<int>(column);
}

void Printer::printString(const ByteString& item, PrintSeparator separator) {
  try {
    if (toWindow_) {
      printToWindow(window_, item.view(), separator);
    } else {
      const std::string_view part = item.view();
      printToFile(files_.openChannel(channel_), &part, 1, separator);
    }
  } catch (RuntimeError& e) {
    e.setLine(statementLine_);
    throw;
  }
}

void Printer::printFileStatement(int64_t channel,
                                 std::initializer_list<std::string_view> parts,
                                 PrintSeparator separator,
                                 std::source_location where) {
  startStatement(where.line());
  printFileParts(channel, parts.begin(), parts.size(), separator);
}

void Printer::printFileParts(int64_t channel, const std::string_view* parts,
                             size_t count, PrintSeparator separator) {
  try {
    FileTable::Channel& target = files_.openChannel(channel);
    toWindow_ = false;
    channel_ = channel;
    printToFile(target, parts, count, separator);
  } catch (RuntimeError& e) {
    e.setLine(statementLine_);
    throw;
  }
}

char* Printer::beginStatementBlock(int64_t channel, size_t bytes,
                                   uint32_t firstLine, uint32_t lastLine,
                                   uint32_t count) {
  FileTable::Channel* const target = files_.openOrNull(channel);
  if (target == nullptr || target->mode == FileMode::Input ||
      bytes >= FileTable::kBufferBytes - target->end || count == 0) {
    return nullptr;
  }
  if (observer_ != nullptr) {
    if (count == 1) {
      startStatement(firstLine);
    } else {
      if (!observer_->takesRuns()) return nullptr;
      statementLine_ = firstLine;
      observer_->startRun(firstLine, lastLine, count);
    }
  }
  statementLine_ = lastLine;
  toWindow_ = false;
  channel_ = channel;
  return target->buffer.get() + target->end;
}

void Printer::endStatementBlock(int64_t channel, size_t bytes) {
  countPrinted(files_.openChannel(channel), bytes, true);
}

void Printer::printNumber(float value, PrintSeparator separator) {
  ByteString text = numberToText(value);
  text.mutableBytes().push_back(' ');
  printString(text, separator);
}

ByteString Printer::tabTo(int64_t n) {
  try {
    if (n < 0 || n > 255) raiseError(err::kIllegalArgument);
    int64_t width = 0;
    int64_t column = 0;
    if (toWindow_) {
      if (window_ == nullptr) raiseError(err::kNoWindow);
      width = window_->printWidth();
      column = window_->printColumn();
    } else {
      column = files_.column(channel_);
    }
    const int64_t span = width > 0 ? width : kNoWidthTabSpan;
    if (n > span) n %= span;
    if (column <= n) {
      return ByteString(std::string(static_cast<size_t>(n - column), ' '));
    }
    printString(ByteString(), PrintSeparator::EndOfStatement);
    return ByteString(std::string(static_cast<size_t>(n), ' '));
  } catch (RuntimeError& e) {
    e.setLine(statementLine_);
    throw;
  }
}

FileStatementRun::FileStatementRun(Printer& printer, int64_t channel)
    : printer_(printer),
      channel_(channel),
      target_(printer.files_.openOrNull(channel)) {
  // A channel that is not open for writing fails statement by statement.
  if (target_ != nullptr && target_->mode == FileMode::Input) {
    target_ = nullptr;
  }
}

void FileStatementRun::finish() {
  const size_t count = std::exchange(pendingCount_, 0);
  pendingBytes_ = 0;
  StatementObserver* const observer = printer_.observer_;
  if (count > 1 && observer != nullptr && observer->takesRuns()) {
    // Nothing but the statements' bytes falls between their starts: the
    // observer takes them as one run, and a throw leaves none printed.
    printer_.statementLine_ = pending_[0].line;
    observer->startRun(pending_[0].line, pending_[count - 1].line,
                       static_cast<uint32_t>(count));
    printer_.statementLine_ = pending_[count - 1].line;
    commit(count);
    return;
  }
  size_t started = 0;
  try {
    for (; started < count; ++started) {
      printer_.startStatement(pending_[started].line);
    }
  } catch (...) {
    // The statements before the one whose start stopped the run are
    // printed.
    commit(started);
    throw;
  }
  commit(count);
}

void FileStatementRun::commit(size_t count) {
  if (count == 0) return;
  printer_.toWindow_ = false;
  printer_.channel_ = channel_;
  // The statements' bytes up to the end of the last line they end, then
  // the bytes after it, each counted at once.
  size_t toLineEnd = 0;
  size_t afterLineEnd = 0;
  for (size_t i = 0; i < count; ++i) {
    const Pending& s = pending_[i];
    afterLineEnd += s.bytes;
    if (s.endsLine) {
      toLineEnd += afterLineEnd;
      afterLineEnd = 0;
    }
  }
  if (toLineEnd > 0) Printer::countPrinted(*target_, toLineEnd, true);
  Printer::countPrinted(*target_, afterLineEnd, false);
}

void FileStatementRun::printNow(const std::string_view* parts, size_t count,
                                PrintSeparator separator, uint32_t line) {
  printer_.startStatement(line);
  printer_.printFileParts(channel_, parts, count, separator);
}

}  // namespace tess
