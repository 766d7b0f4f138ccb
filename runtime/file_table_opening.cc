// Opening files on channels: the three modes, replacing an output in place
// (held first, emptied only then, never deleted), and entering the opened
// file as a channel.
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "runtime/file_table.h"
#include "runtime/runtime_error.h"

namespace tess {

void FileTable::openFile(const ByteString& name, FileMode mode, ShareMode share,
                         int64_t channel, std::source_location where) {
  statement(where, [&] {
    const platform::Share osShare = checkOpening(name, mode, share, channel);

    std::string full;
    const bool resolved = fs_.fullPath(name.view(), &full);
    if (mode == FileMode::Append && resolved &&
        reopenKeptOutput(full, osShare, channel)) {
      return;
    }
    if (mode != FileMode::Input) check(closeKeptOutput());
    // A log is simply opened: whether it exists is only asked when it
    // cannot be.
    const bool exists = mode != FileMode::Input && resolved && fs_.exists(full);
    platform::Access access = platform::Access::Read;
    bool create = false;
    switch (mode) {
      case FileMode::Input:
        if (!resolved) raiseError(err::kFileNotFound);
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
    if (!file) {
      // A log that is not there (a folder is no log) is not found, whatever
      // the opening said.
      if (mode == FileMode::Input && !fs_.exists(full)) {
        raiseError(err::kFileNotFound);
      }
      check(error != 0 ? error : err::kSystemError);
    }
    // A file open on a channel (the log chosen as the output to add to,
    // under any of its names) is never written.
    if (mode != FileMode::Input && isOpenOnAChannel(*file, full)) {
      file->close();
      raiseError(err::kAlreadyOpen);
    }
    install(std::move(file), std::move(full), mode, osShare, channel);
  });
}

void FileTable::openReplacing(const ByteString& name, ShareMode share,
                              int64_t channel, std::source_location where) {
  statement(where, [&] {
    const platform::Share osShare =
        checkOpening(name, FileMode::Output, share, channel);
    check(closeKeptOutput());
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
    install(std::move(file), std::move(full), FileMode::Output, osShare,
            channel);
  });
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
                        FileMode mode, platform::Share share, int64_t channel,
                        const uint64_t* markedLength) {
  auto ch = std::make_unique<Channel>();
  ch->mode = mode;
  ch->share = share;
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
    if (markedLength != nullptr) {
      ch->size = *markedLength;
    } else {
      check(ch->file->size(&ch->size));
    }
    if (mode == FileMode::Append) {
      // The records go where the end-of-file mark is, and whatever an
      // editor saved after it goes: the file ends with one mark again.
      uint64_t start = 0;
      if (markedLength != nullptr) {
        start = ch->size - 1;  // the mark written when it was kept
      } else {
        check(appendStart(*ch->file, ch->size, &start));
      }
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
  // The first block is read where it is first needed: what the program
  // does before (opening the output) is too short to be worth waking the
  // worker for. The blocks after it are read ahead.
  channels_[static_cast<size_t>(channel)] = std::move(ch);
}

}  // namespace tess
