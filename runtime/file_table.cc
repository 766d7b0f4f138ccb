#include "runtime/file_table.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "runtime/runtime_error.h"

namespace tess {

namespace {

constexpr unsigned char kLF = 0x0A;

constexpr bool validChannel(int64_t channel) {
  return channel >= 1 && channel <= FileTable::kChannels;
}

void check(int error) {
  if (error != 0) raiseError(static_cast<uint16_t>(error));
}

}  // namespace

void FileTable::Channel::readAhead() {
  transfer.file = file.get();
  transfer.write = false;
  transfer.data = spare.get();
  transfer.size = kBufferBytes;
  transfer.index = spareIndex.get();
  transfer.lineTest = lineTest;
  io->start(transfer);
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
  if (name.size() > fs_.maxPathBytes()) raiseError(err::kBadFileName);
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
    // A file open on a channel (the log chosen as the output to add to,
    // under any of its names) is never written.
    if (mode != FileMode::Input && isOpenOnAChannel(*file, full)) {
      file->close();
      raiseError(err::kAlreadyOpen);
    }
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
      if (isOpenOnAChannel(*file, full)) raiseError(err::kAlreadyOpen);
      // A file that is empty already is not emptied again: some file
      // systems take the emptying of a file as its replacement and write
      // the new contents out to the disk at its close, before the close
      // returns.
      uint64_t size = 0;
      check(file->size(&size));
      if (size > 0) check(file->truncate(0));
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

bool FileTable::isOpenOnAChannel(platform::File& file,
                                 const std::string& full) {
  const std::string id = file.identity();
  for (const auto& ch : channels_) {
    if (ch && (fs_.samePath(ch->path, full) ||
               (!id.empty() && ch->file->identity() == id))) {
      return true;
    }
  }
  return false;
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
      // The records go where the end-of-file mark is, and whatever an
      // editor saved after it goes: the file ends with one mark again.
      uint64_t start = 0;
      check(appendStart(*ch->file, ch->size, &start));
      if (start + 1 < ch->size) check(ch->file->truncate(start));
      ch->size = ch->position = start;
      check(ch->file->seek(start));
    }
    ch->recordEnd = ch->writtenRecordEnd = ch->position;
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

void FileTable::checkInputUnchanged(int64_t channel,
                                    std::source_location where) {
  try {
    if (observer_ != nullptr) observer_->statementStart(where.line());
    const Channel& ch = openChannel(channel);
    if (ch.mode != FileMode::Input) raiseError(err::kBadFileMode);
    uint64_t now = 0;
    bool same = ch.file->size(&now) == 0 && now == ch.size;
    if (same) {
      // The path may name another file now (one written anew and renamed
      // over the log): the file it names is opened and compared.
      int error = 0;
      std::unique_ptr<platform::File> named =
          fs_.open(ch.path, platform::Access::Read, platform::Share::DenyNone,
                   false, &error);
      same = named != nullptr && named->identity() == ch.file->identity();
      if (named) named->close();
    }
    if (!same) raiseError(err::kLogChanged);
  } catch (RuntimeError& e) {
    e.setLine(where.line());
    throw;
  }
}

bool FileTable::hasUnreadBytes(int64_t channel) {
  const Channel& ch = openChannel(channel);
  return ch.position < ch.size;
}

void FileTable::checkOutputChannel(int64_t channel) { openChannel(channel); }

int FileTable::column(int64_t channel) const {
  return openChannel(channel).column;
}

void FileTable::setColumn(int64_t channel, int column) {
  openChannel(channel).column = column;
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

void FileTable::deleteFile(const ByteString& name, std::source_location where) {
  try {
    if (observer_ != nullptr) observer_->statementStart(where.line());
    if (name.size() > fs_.maxPathBytes()) raiseError(err::kBadFileName);
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
