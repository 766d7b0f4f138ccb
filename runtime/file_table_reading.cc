// The reader stage of the file channels: how an input channel reads its
// lines is decided from its first block; a log read as the terminal
// program wrote it (Shift-JIS, CR or CR LF ends) takes readLine's own
// path, any other goes through readConvertedLine.
#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/file_table.h"
#include "runtime/runtime_error.h"

namespace tess {

void FileTable::Channel::decide() {
  if (begin == end && position == 0) refill();
  decided = true;
  const std::string_view first(buffer.get(), end);
  reading = decideLogReading(first, end >= size, choice);
  if (reading.encoding != LogEncoding::ShiftJis) {
    decoder = std::make_unique<LogDecoder>(reading.encoding);
  }
}

void FileTable::Channel::readConvertedLine(std::string& out) {
  const bool lfEnds = reading.lineEnds == LineEnds::Lf;
  std::string& bytes = decoder ? raw : out;
  bytes.clear();
  // The mark 0x1A ends a line only as the file's very last byte.
  const uint64_t markOffset = size - 1;
  for (;;) {
    if (begin == end && !refill()) {
      // The physical end (a file cut short since the open ends here).
      size = std::min(size, position);
      break;
    }
    const char* data = buffer.get() + begin;
    size_t endAt = end;
    if (lfEnds) {
      const void* lf = std::memchr(data, '\n', end - begin);
      if (lf != nullptr) endAt = begin + (static_cast<const char*>(lf) - data);
    } else {
      endAt = index->crFrom(begin);
    }
    size_t span = endAt - begin;
    bool ended = endAt < end;
    bool terminator = ended;
    if (markOffset >= position && markOffset - position < span &&
        static_cast<unsigned char>(data[markOffset - position]) ==
            EndOfFileMark) {
      span = static_cast<size_t>(markOffset - position);
      ended = true;
      terminator = false;
    }
    if (bytes.size() + span > static_cast<size_t>(ByteString::kMaxLength)) {
      raiseError(err::kStringTooLong);
    }
    takeWithoutNul(bytes, span);
    if (!ended) continue;
    ++begin;
    ++position;
    if (terminator && lfEnds) {
      // CR LF is one end here too.
      if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    } else if (terminator) {
      // CR LF is one terminator, also when the LF starts the next block.
      if (begin == end) refill();
      if (begin < end && buffer[begin] == '\n') {
        ++begin;
        ++position;
      }
    }
    break;
  }
  if (decoder) {
    decoder->decode(bytes, out);
    if (out.size() > static_cast<size_t>(ByteString::kMaxLength)) {
      raiseError(err::kStringTooLong);
    }
  }
}

LogReading FileTable::inputReading(int64_t channel) {
  Channel& ch = openChannel(channel);
  if (ch.mode != FileMode::Input) raiseError(err::kBadFileMode);
  if (!ch.decided) {
    try {
      ch.decide();
    } catch (const RuntimeError& e) {
      ch.decided = false;
      ch.pendingError = e.number();
      return {};
    }
  }
  return ch.reading;
}

uint64_t FileTable::replacedCharacters(int64_t channel) const {
  const Channel* ch = openOrNull(channel);
  return ch != nullptr && ch->decoder ? ch->decoder->replaced() : 0;
}

}  // namespace tess
