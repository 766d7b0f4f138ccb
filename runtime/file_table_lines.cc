// The line reader of the input channels: a line with its terminator rules,
// the buffered lines copied to an output as they were read, the end-of-file
// tests and the check that the log is still the file that was opened.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "runtime/file_table.h"
#include "runtime/runtime_error.h"

namespace tess {

namespace {

constexpr unsigned char kLF = 0x0A;

}  // namespace

void FileTable::readLine(int64_t channel, ByteString& line,
                         std::source_location where) {
  statement(where, [&] {
    Channel& ch = openChannel(channel);
    if (ch.mode != FileMode::Input) raiseError(err::kBadFileMode);
    if (ch.position >= ch.size) raiseError(err::kInputPastEnd);

    std::string& out = line.mutableBytes();
    out.clear();  // keeps the capacity for the next line
    if (!ch.decided) {
      if (ch.pendingError != 0) raiseError(std::exchange(ch.pendingError, 0));
      ch.decide();
    }
    if (!ch.reading.plain()) {
      ch.readConvertedLine(out);
      return;
    }
    // The mark 0x1A ends a line only as the file's very last byte.
    const uint64_t markOffset = ch.size - 1;
    // The usual line: in the buffer with its CR and the byte after that,
    // without a NUL, and not the file's last bytes. It is taken as the
    // loop below would take it, in one copy.
    if (ch.begin < ch.end) {
      const size_t crAt = ch.index->crFrom(ch.begin);
      const size_t span = crAt - ch.begin;
      if (crAt + 1 < ch.end && ch.nul > crAt &&
          markOffset - ch.position > span) {
        const char* const data = ch.buffer.get() + ch.begin;
        out.assign(data, span);
        const size_t taken =
            span + (static_cast<unsigned char>(data[span + 1]) == kLF ? 2 : 1);
        ch.begin += taken;
        ch.position += taken;
        return;
      }
    }
    for (;;) {
      if (ch.begin == ch.end && !ch.refill()) {
        // The physical end before the size taken at open: the file was cut
        // short while it was read.
        if (ch.position < ch.size) raiseError(err::kLogChanged);
        break;
      }
      const char* data = ch.buffer.get() + ch.begin;
      const size_t crAt = ch.index->crFrom(ch.begin);
      const char* cr = crAt < ch.end ? data + (crAt - ch.begin) : nullptr;
      size_t span = crAt - ch.begin;
      bool ended = cr != nullptr;
      if (markOffset >= ch.position && markOffset - ch.position < span &&
          static_cast<unsigned char>(data[markOffset - ch.position]) ==
              EndOfFileMark) {
        span = static_cast<size_t>(markOffset - ch.position);
        ended = true;
        cr = nullptr;
      }
      if (out.size() + span > static_cast<size_t>(ByteString::kMaxLength)) {
        raiseError(err::kStringTooLong);
      }
      ch.takeWithoutNul(out, span);
      if (!ended) continue;
      // The terminator: the CR or the final mark.
      ++ch.begin;
      ++ch.position;
      if (cr != nullptr) {
        // CR LF is one terminator, also when the LF starts the next block.
        if (ch.begin == ch.end) ch.refill();
        if (ch.begin < ch.end &&
            static_cast<unsigned char>(ch.buffer[ch.begin]) == kLF) {
          ++ch.begin;
          ++ch.position;
        }
      }
      break;
    }
  });
}

std::string_view FileTable::bufferedInput(int64_t channel) {
  const Channel& ch = openChannel(channel);
  if (ch.mode != FileMode::Input || ch.position >= ch.size) return {};
  const size_t inSize = static_cast<size_t>(
      std::min<uint64_t>(ch.size - ch.position, ch.nul - ch.begin));
  return std::string_view(ch.buffer.get() + ch.begin, inSize);
}

size_t FileTable::bufferedPassingLines(int64_t channel, size_t leaveBehind) {
  const size_t buffered = bufferedInput(channel).size();
  if (buffered <= leaveBehind) return 0;
  const Channel& ch = *openOrNull(channel);
  // Lines read another way are not written as they were read.
  if (!ch.decided || !ch.reading.plain()) return 0;
  return ch.index->passingLinesEnd(ch.begin,
                                   ch.begin + buffered - leaveBehind) -
         ch.begin;
}

void FileTable::copyBufferedLines(int64_t from, int64_t to, size_t count,
                                  std::source_location where) {
  statement(where, [&] {
    Channel& in = openChannel(from);
    Channel& out = openChannel(to);
    if (in.mode != FileMode::Input || out.mode == FileMode::Input) {
      raiseError(err::kBadFileMode);
    }
    // The input is consumed first: a failing write has still taken the
    // lines, as each line's own print statement would have after its read.
    const std::string_view lines(in.buffer.get() + in.begin, count);
    in.begin += count;
    in.position += count;
    out.put(lines);
    out.column = 0;
  });
}

void FileTable::skipBufferedLines(int64_t channel, size_t count,
                                  std::source_location where) {
  statement(where, [&] {
    Channel& in = openChannel(channel);
    if (in.mode != FileMode::Input) raiseError(err::kBadFileMode);
    in.begin += count;
    in.position += count;
  });
}

bool FileTable::atEndOfFile(int64_t channel) {
  const Channel& ch = openChannel(channel);
  if (ch.mode != FileMode::Input) raiseError(err::kBadFileMode);
  return ch.position + 1 >= ch.size;
}

void FileTable::checkInputUnchanged(int64_t channel,
                                    std::source_location where) {
  statement(where, [&] {
    const Channel& ch = openChannel(channel);
    if (ch.mode != FileMode::Input) raiseError(err::kBadFileMode);
    // The path may name another file now (one written anew and renamed
    // over the log): the file it names is compared, and when it is the log
    // its size is the log's own.
    const std::optional<platform::FileSystem::NamedFile> named =
        fs_.namedFile(ch.path);
    if (!named || named->identity != ch.file->identity() ||
        named->size != ch.size) {
      raiseError(err::kLogChanged);
    }
  });
}

bool FileTable::hasUnreadBytes(int64_t channel) {
  const Channel& ch = openChannel(channel);
  return ch.position < ch.size;
}

}  // namespace tess
