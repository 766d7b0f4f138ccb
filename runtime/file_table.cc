#include "runtime/file_table.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "runtime/runtime_error.h"

namespace tess {

namespace {

constexpr size_t kMaxNameBytes = 255;
constexpr unsigned char kLF = 0x0A;

constexpr bool validChannel(int64_t channel) {
  return channel >= 1 && channel <= FileTable::kChannels;
}

void check(int error) {
  if (error != 0) raiseError(static_cast<uint16_t>(error));
}

}  // namespace

int FileTable::Channel::flush() {
  if (end == 0) return 0;
  size_t n = std::exchange(end, 0);
  if (io == nullptr) return file->write(buffer.get(), n);
  // The worker still holds the other buffer until its write is done.
  if (const int failed = finishTransfer()) return failed;
  transfer.file = file.get();
  transfer.write = true;
  transfer.data = buffer.get();
  transfer.size = n;
  io->start(transfer);
  std::swap(buffer, spare);
  return 0;
}

int FileTable::Channel::finishTransfer() {
  if (io == nullptr || !transfer.started) return 0;
  io->wait(transfer);
  transfer.started = false;
  return transfer.error;
}

void FileTable::Channel::readAhead() {
  transfer.file = file.get();
  transfer.write = false;
  transfer.data = spare.get();
  transfer.size = kBufferBytes;
  transfer.index = spareIndex.get();
  transfer.lineTest = lineTest;
  io->start(transfer);
}

void FileTable::Channel::putAndWriteOut(std::string_view bytes) {
  position += bytes.size();
  size = std::max(size, position);
  // The output reaches the file in whole buffers, however the bytes were
  // handed over: what is written before a failing write does not depend on
  // how the print statements split their bytes.
  const size_t room = kBufferBytes - end;
  std::memcpy(buffer.get() + end, bytes.data(), room);
  end = kBufferBytes;
  bytes.remove_prefix(room);
  check(flush());
  const size_t whole = bytes.size() - bytes.size() % kBufferBytes;
  if (whole > 0) {
    // The caller's bytes are written at once, after the buffer before them.
    check(finishTransfer());
    check(file->write(bytes.data(), whole));
    bytes.remove_prefix(whole);
  }
  std::memcpy(buffer.get(), bytes.data(), bytes.size());
  end = bytes.size();
}

bool FileTable::Channel::refill() {
  begin = end = nul = 0;
  size_t got = 0;
  if (io == nullptr || !transfer.started) {
    // Without background reads (or once nothing is read ahead any more),
    // the block is read and indexed here.
    check(file->read(buffer.get(), kBufferBytes, &got));
    index->build(buffer.get(), got, lineTest);
  } else {
    // The block was read ahead; its failure is reported here, where
    // reading it at once would have reported it.
    const int failed = finishTransfer();
    std::swap(buffer, spare);
    std::swap(index, spareIndex);
    check(failed);
    got = transfer.got;
  }
  // The next block is read while this one is used; none past the end.
  if (io != nullptr && got > 0) readAhead();
  end = got;
  nul = index->firstNul();
  return got > 0;
}

size_t FileTable::Channel::nulFrom(size_t from) const {
  const void* found = std::memchr(buffer.get() + from, 0, end - from);
  return found != nullptr ? static_cast<size_t>(
                                static_cast<const char*>(found) - buffer.get())
                          : end;
}

void FileTable::Channel::takeWithoutNul(std::string& out, size_t span) {
  const size_t stop = begin + span;
  while (nul < stop) {
    out.append(buffer.get() + begin, nul - begin);
    begin = nul + 1;
    nul = nulFrom(begin);
  }
  out.append(buffer.get() + begin, stop - begin);
  begin = stop;
  position += span;
}

FileTable::FileTable(platform::FileSystem& fs, StatementObserver* observer)
    : fs_(fs), observer_(observer) {}

void FileTable::setLineTest(LineTest test) {
  lineTest_ = test;
  for (auto& ch : channels_) {
    if (ch) ch->lineTest = test;
  }
}

FileTable::~FileTable() {
  for (auto& ch : channels_) {
    if (!ch) continue;
    try {
      closeChannel(*ch);
    } catch (...) {
      // Errors of the final close have nowhere to go.
    }
  }
}

void FileTable::raiseChannelError(int64_t channel) const {
  raiseError(validChannel(channel) ? err::kNotOpen : err::kBadChannel);
}

bool FileTable::isOpen(int64_t channel) const {
  return openOrNull(channel) != nullptr;
}

bool FileTable::fileExists(const ByteString& name, ByteString* fullPath) {
  std::string full;
  if (!fs_.fullPath(name.view(), &full)) return false;
  if (!fs_.exists(full)) return false;
  if (fullPath != nullptr) *fullPath = ByteString(std::move(full));
  return true;
}

platform::FileKind FileTable::fileKind(const ByteString& name) {
  std::string full;
  if (!fs_.fullPath(name.view(), &full)) return platform::FileKind::Missing;
  return fs_.kindOf(full);
}

platform::Share FileTable::checkOpening(const ByteString& name, FileMode mode,
                                        ShareMode share, int64_t channel) {
  if (name.size() > kMaxNameBytes) raiseError(err::kBadFileName);
  if (!validChannel(channel)) raiseError(err::kBadChannel);
  if (channels_[static_cast<size_t>(channel)]) {
    raiseError(err::kAlreadyOpen);
  }

  // Mode and sharing: the omitted clause lets readers share with
  // everyone and keeps other writers away from an output file.
  if (mode != FileMode::Input && mode != FileMode::Output &&
      mode != FileMode::Append) {
    raiseError(err::kBadFileMode);
  }
  const bool reading = mode == FileMode::Input;
  if (share == ShareMode::Default) {
    share = reading ? ShareMode::DenyNone : ShareMode::DenyWrite;
  }
  switch (share) {
    case ShareMode::DenyWrite:
      return platform::Share::DenyWrite;
    case ShareMode::DenyRead:
      raiseError(err::kBadFileMode);  // refused for every mode used here
    case ShareMode::DenyNone:
      if (!reading) raiseError(err::kBadFileMode);
      return platform::Share::DenyNone;
    case ShareMode::Exclusive:
      return platform::Share::Exclusive;
    default:
      raiseError(err::kBadFileMode);
  }
}

void FileTable::openFile(const ByteString& name, FileMode mode, ShareMode share,
                         int64_t channel, std::source_location where) {
  try {
    if (observer_ != nullptr) observer_->statementStart(where.line());
    const platform::Share osShare = checkOpening(name, mode, share, channel);

    std::string full;
    const bool resolved = fs_.fullPath(name.view(), &full);
    const bool exists = resolved && fs_.exists(full);
    platform::Access access = platform::Access::Read;
    bool create = false;
    switch (mode) {
      case FileMode::Input:
        if (!exists) raiseError(err::kFileNotFound);
        break;
      case FileMode::Output:
        // An existing file is never overwritten by this open.
        if (exists) raiseError(err::kFileExists);
        if (!resolved) raiseError(err::kBadFileName);
        access = platform::Access::Write;
        create = true;
        break;
      case FileMode::Append:
        if (!resolved) raiseError(err::kBadFileName);
        access = platform::Access::ReadWrite;
        create = !exists;
        break;
    }

    int error = 0;
    std::unique_ptr<platform::File> file =
        fs_.open(full, access, osShare, create, &error);
    if (!file) check(error != 0 ? error : err::kSystemError);
    install(std::move(file), std::move(full), mode, channel);
  } catch (RuntimeError& e) {
    e.setLine(where.line());
    throw;
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::kOutOfMemory, where.line());
  }
}

void FileTable::openReplacing(const ByteString& name, ShareMode share,
                              int64_t channel, std::source_location where) {
  try {
    if (observer_ != nullptr) observer_->statementStart(where.line());
    const platform::Share osShare =
        checkOpening(name, FileMode::Output, share, channel);
    std::string full;
    if (!fs_.fullPath(name.view(), &full)) raiseError(err::kBadFileName);
    int error = 0;
    std::unique_ptr<platform::File> file =
        fs_.openForReplacing(full, osShare, &error);
    if (!file) check(error != 0 ? error : err::kSystemError);
    // The file is held now; nothing of it changes before the checks.
    try {
      // A file that is open on a channel (by this name or another one, as
      // the log chosen as the output) is never emptied.
      const std::string id = file->identity();
      for (const auto& ch : channels_) {
        if (ch && (fs_.samePath(ch->path, full) ||
                   (!id.empty() && ch->file->identity() == id))) {
          raiseError(err::kAlreadyOpen);
        }
      }
      // A file that is empty already is not emptied again: some file
      // systems take the emptying of a file as its replacement and write
      // the new contents out to the disk at its close, before the close
      // returns.
      uint64_t size = 0;
      check(file->size(&size));
      if (size > 0) check(file->truncate());
    } catch (...) {
      file->close();
      throw;
    }
    install(std::move(file), std::move(full), FileMode::Output, channel);
  } catch (RuntimeError& e) {
    e.setLine(where.line());
    throw;
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::kOutOfMemory, where.line());
  }
}

void FileTable::install(std::unique_ptr<platform::File> file, std::string full,
                        FileMode mode, int64_t channel) {
  auto ch = std::make_unique<Channel>();
  ch->mode = mode;
  ch->path = std::move(full);
  ch->file = std::move(file);
  try {
    ch->buffer.reset(new char[kBufferBytes]);
    if (mode == FileMode::Input) {
      ch->index = std::make_unique<BlockIndex>();
      ch->lineTest = lineTest_;
      ch->choice = logChoice_;
    }
    if (fs_.filesWorkFromAnyThread()) {
      ch->spare.reset(new char[kBufferBytes]);
      if (mode == FileMode::Input)
        ch->spareIndex = std::make_unique<BlockIndex>();
      if (!io_) io_ = std::make_unique<BackgroundIo>();
      ch->io = io_.get();
    }
    check(ch->file->size(&ch->size));
    if (mode == FileMode::Append) {
      ch->position = ch->size;
      if (ch->size > 0) {
        // A final end-of-file mark is overwritten by the first write.
        check(ch->file->seek(ch->size - 1));
        unsigned char last = 0;
        size_t got = 0;
        check(ch->file->read(&last, 1, &got));
        if (got == 1 && last == EndOfFileMark) {
          ch->size -= 1;
          ch->position = ch->size;
        }
        check(ch->file->seek(ch->position));
      }
    }
  } catch (const std::bad_alloc&) {
    ch->file->close();
    raiseError(err::kOutOfMemory);
  } catch (...) {
    ch->file->close();
    throw;
  }
  // The first block is read while the program goes on to what it does
  // before its first read (opening the output, as a rule).
  if (ch->io != nullptr && mode == FileMode::Input) ch->readAhead();
  channels_[static_cast<size_t>(channel)] = std::move(ch);
}

void FileTable::readLine(int64_t channel, ByteString& line,
                         std::source_location where) {
  try {
    if (observer_ != nullptr) observer_->statementStart(where.line());
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
    for (;;) {
      if (ch.begin == ch.end && !ch.refill()) {
        // The physical end. A file cut short since the open ends here, so
        // that reading cannot go on forever below the size taken at open.
        ch.size = std::min(ch.size, ch.position);
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
  } catch (RuntimeError& e) {
    e.setLine(where.line());
    throw;
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::kOutOfMemory, where.line());
  }
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
  try {
    if (observer_ != nullptr) observer_->statementStart(where.line());
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
  } catch (RuntimeError& e) {
    e.setLine(where.line());
    throw;
  }
}

bool FileTable::atEndOfFile(int64_t channel) {
  const Channel& ch = openChannel(channel);
  if (ch.mode != FileMode::Input) raiseError(err::kBadFileMode);
  return ch.position + 1 >= ch.size;
}

bool FileTable::hasUnreadBytes(int64_t channel) {
  const Channel& ch = openChannel(channel);
  return ch.position < ch.size;
}

void FileTable::checkOutputChannel(int64_t channel) { openChannel(channel); }

void FileTable::writeBytes(int64_t channel, std::string_view bytes) {
  Channel& ch = openChannel(channel);
  if (ch.mode == FileMode::Input) raiseError(err::kBadFileMode);
  ch.put(bytes);
}

int FileTable::column(int64_t channel) const {
  return openChannel(channel).column;
}

void FileTable::setColumn(int64_t channel, int column) {
  openChannel(channel).column = column;
}

void FileTable::closeChannel(Channel& ch) {
  // The channel is released whatever happens; the first failure is raised
  // afterwards.
  std::unique_ptr<Channel> owned;
  for (auto& slot : channels_) {
    if (slot.get() == &ch) owned = std::move(slot);
  }
  int error = 0;
  if (ch.mode == FileMode::Input) {
    ch.finishTransfer();  // a block read ahead is not needed any more
  } else {
    // A write still running in the background: its failure is the one
    // reported, and the bytes printed after it are dropped, as they would
    // not have been printed had the failure been seen at once.
    error = ch.finishTransfer();
    if (error != 0) ch.end = 0;
    // What is left is written here: handing it to the worker and waiting
    // for it would only add the hand-over.
    ch.io = nullptr;
    const char mark = static_cast<char>(EndOfFileMark);
    if (ch.end == kBufferBytes) {
      const int flushed = ch.flush();
      if (error == 0) error = flushed;
    }
    ch.buffer[ch.end++] = mark;
    ++ch.position;
    ch.size = std::max(ch.size, ch.position);
    int flushed = ch.flush();
    if (error == 0) error = flushed;
    flushed = ch.finishTransfer();
    if (error == 0) error = flushed;
  }
  int closed = ch.file->close();
  if (error == 0) error = closed;
  check(error);
}

void FileTable::closeFiles(std::initializer_list<int64_t> channels,
                           std::source_location where) {
  try {
    if (observer_ != nullptr) observer_->statementStart(where.line());
    for (int64_t channel : channels) {
      if (!validChannel(channel)) raiseError(err::kBadChannel);
    }
    int error = 0;
    auto closeOne = [&](size_t index) {
      if (!channels_[index]) return;
      try {
        closeChannel(*channels_[index]);
      } catch (const RuntimeError& e) {
        if (error == 0) error = e.number();
      }
    };
    if (channels.size() == 0) {
      for (size_t i = 1; i < channels_.size(); ++i) closeOne(i);
    } else {
      for (int64_t channel : channels) closeOne(static_cast<size_t>(channel));
    }
    check(error);
  } catch (RuntimeError& e) {
    e.setLine(where.line());
    throw;
  }
}

void FileTable::flushAll() {
  int error = 0;
  for (auto& ch : channels_) {
    if (!ch || ch->mode == FileMode::Input) continue;
    int e = ch->flush();
    if (error == 0) error = e;
    e = ch->finishTransfer();
    if (error == 0) error = e;
  }
  check(error);
}

void FileTable::deleteFile(const ByteString& name, std::source_location where) {
  try {
    if (observer_ != nullptr) observer_->statementStart(where.line());
    if (name.size() > kMaxNameBytes) raiseError(err::kBadFileName);
    ByteString full;
    if (!fileExists(name, &full)) raiseError(err::kFileNotFound);
    for (const auto& ch : channels_) {
      if (ch && fs_.samePath(ch->path, full.str())) {
        raiseError(err::kAlreadyOpen);
      }
    }
    if (fs_.removeFile(full.str()) != 0) raiseError(err::kAccessDenied);
  } catch (RuntimeError& e) {
    e.setLine(where.line());
    throw;
  }
}

}  // namespace tess
