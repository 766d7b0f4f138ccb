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
  reading = decideHowToRead(first, end >= size, choice);
  firstBlock.clear();
  keepFirstBlock = true;
  if (reading.encoding != LogEncoding::ShiftJis) {
    decoder = std::make_unique<LogDecoder>(reading.encoding);
  }
  // No line of a log read another way is copied as it was read: the
  // blocks after the first need no line test.
  if (!reading.plain()) lineTest = LineTest{};
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
    if (decoder && ended && bytes.empty() && nul >= begin + span) {
      // A whole line in the block, without NUL: decoded where it stands.
      size_t text = span;
      if (terminator && lfEnds && text > 0 && data[text - 1] == '\r') --text;
      decoder->decode(std::string_view(data, text), out);
      begin += span;
      position += span;
      ++begin;
      ++position;
      if (terminator && !lfEnds) takeLineFeed();
      return;
    }
    takeWithoutNul(bytes, span);
    if (!ended) continue;
    ++begin;
    ++position;
    if (terminator && lfEnds) {
      // CR LF is one end here too.
      if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    } else if (terminator) {
      takeLineFeed();
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

void FileTable::Channel::takeLineFeed() {
  // CR LF is one terminator, also when the LF starts the next block.
  if (begin == end) refill();
  if (begin < end && buffer[begin] == '\n') {
    ++begin;
    ++position;
  }
}

size_t FileTable::copyConvertedLines(int64_t from, int64_t to,
                                     size_t leaveBehind,
                                     std::source_location where) {
  Channel* in = openOrNull(from);
  if (in == nullptr || in->mode != FileMode::Input || !in->decided ||
      in->reading.plain() || lineTest_.passes == nullptr) {
    return 0;
  }
  const bool lfEnds = in->reading.lineEnds == LineEnds::Lf;
  // Shift-JIS with LF ends has no decoder: its lines are taken as they are.
  LogDecoder* decoder = in->decoder.get();
  const LogDecoder before = decoder != nullptr ? *decoder : LogDecoder{};
  std::string& text = in->copied;
  text.clear();
  size_t lines = 0;
  size_t at = in->begin;  // the lines are consumed once they are written
  while (at < in->end) {
    const char* data = in->buffer.get() + at;
    size_t endAt = in->end;
    if (lfEnds) {
      const void* lf = std::memchr(data, '\n', in->end - at);
      if (lf != nullptr) endAt = at + (static_cast<const char*>(lf) - data);
    } else {
      endAt = in->index->crFrom(at);
    }
    // The line and its end must be in the block (a CR's LF too), without
    // NUL, and leave enough behind it.
    if (endAt >= in->end || in->nul <= endAt) break;
    size_t consumed = endAt - at + 1;
    if (!lfEnds) {
      if (endAt + 1 >= in->end) break;
      if (in->buffer[endAt + 1] == '\n') ++consumed;
    }
    const uint64_t after = in->position + (at - in->begin) + consumed;
    if (after + leaveBehind > in->size) break;
    size_t length = endAt - at;
    if (lfEnds && length > 0 && data[length - 1] == '\r') --length;
    // A line that does not pass is left to be read, as it was.
    const LogDecoder lineBefore = decoder != nullptr ? *decoder : before;
    const size_t lineStart = text.size();
    if (decoder != nullptr) {
      decoder->decode(std::string_view(data, length), text);
    } else {
      text.append(data, length);
    }
    if (!lineTest_.passes(std::string_view(text).substr(lineStart))) {
      if (decoder != nullptr) *decoder = lineBefore;
      text.resize(lineStart);
      break;
    }
    text += "\r\n";
    at += consumed;
    ++lines;
  }
  if (lines == 0) return 0;
  statement(where, [&] {
    try {
      Channel& out = openChannel(to);
      if (out.mode == FileMode::Input) raiseError(err::kBadFileMode);
      // The input is consumed first: a failing write has still taken the
      // lines, as each line's own print statement would have after its
      // read.
      in->position += at - in->begin;
      in->begin = at;
      out.put(text);
      out.column = 0;
    } catch (...) {
      // Lines that were not consumed are decoded again by the next read.
      if (in->begin != at && decoder != nullptr) *decoder = before;
      throw;
    }
  });
  return lines;
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

LogLook FileTable::inputLook(int64_t channel) {
  const LogReading reading = inputReading(channel);
  const Channel& ch = openChannel(channel);
  if (!ch.decided) return LogLook::Plain;
  return decideLook(ch.keepFirstBlock ? ch.firstBlockInBuffer()
                                      : std::string_view(ch.firstBlock),
                    reading);
}

void FileTable::dropInputLook(int64_t channel) {
  Channel& ch = openChannel(channel);
  ch.keepFirstBlock = false;
  ch.firstBlock.clear();
}

uint64_t FileTable::replacedCharacters(int64_t channel) const {
  const Channel* ch = openOrNull(channel);
  return ch != nullptr && ch->decoder ? ch->decoder->replaced() : 0;
}

}  // namespace tess
