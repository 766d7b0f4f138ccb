// The output side of the file channels: buffered writes (written behind by
// the worker where the platform allows), where records end, the cut back of
// an output that ends early, and closing with the end-of-file mark.
#include <algorithm>
#include <cstring>
#include <utility>

#include "runtime/file_table.h"
#include "runtime/runtime_error.h"

namespace tess {

namespace {

constexpr unsigned char kLF = 0x0A;

bool endsAFile(unsigned char byte) {
  return byte == EndOfFileMark || byte == 0x0D || byte == kLF || byte == 0;
}

}  // namespace

// An editor may have saved the mark followed by CR LF: the records go at the
// mark, and what follows it goes.
int FileTable::appendStart(platform::File& file, uint64_t size,
                           uint64_t* start) {
  *start = size;
  char block[4096];
  uint64_t at = size;
  while (at > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(at, sizeof block));
    at -= n;
    if (const int e = file.seek(at)) return e;
    size_t got = 0;
    if (const int e = file.read(block, n, &got)) return e;
    if (got != n) return 0;  // cut meanwhile: what was found stands
    for (size_t i = n; i-- > 0;) {
      const auto byte = static_cast<unsigned char>(block[i]);
      if (!endsAFile(byte)) return 0;
      if (byte == EndOfFileMark) *start = at + i;
    }
  }
  return 0;
}

int FileTable::Channel::flush() {
  if (end == 0) return 0;
  size_t n = std::exchange(end, 0);
  // A record end is marked between two puts: every byte up to recordEnd is
  // among the bytes written here or before.
  // A worker still holds the other buffer until its write is done.
  if (const int failed = finishTransfer()) return failed;
  // Without a worker the buffer is written here; so it is while the worker
  // is busy with another transfer (the log's next block), which would
  // leave this thread waiting for it later.
  if (io == nullptr || !io->idle()) return wrote(file->write(buffer.get(), n));
  transfer.file = file.get();
  transfer.write = true;
  transfer.data = buffer.get();
  transfer.size = n;
  transferRecordEnd = recordEnd;
  io->start(transfer);
  std::swap(buffer, spare);
  return 0;
}

int FileTable::Channel::wrote(int error) {
  if (error != 0) {
    writeFailed = true;
  } else {
    writtenRecordEnd = recordEnd;
  }
  return error;
}

int FileTable::Channel::finishTransfer() {
  if (io == nullptr || !transfer.started) return 0;
  io->wait(transfer);
  transfer.started = false;
  if (transfer.write) {
    if (transfer.error != 0) {
      writeFailed = true;
    } else {
      writtenRecordEnd = transferRecordEnd;
    }
  }
  return transfer.error;
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
    check(wrote(file->write(bytes.data(), whole)));
    bytes.remove_prefix(whole);
  }
  std::memcpy(buffer.get(), bytes.data(), bytes.size());
  end = bytes.size();
}

void FileTable::writeBytes(int64_t channel, std::string_view bytes) {
  Channel& ch = openChannel(channel);
  if (ch.mode == FileMode::Input) raiseError(err::kBadFileMode);
  ch.put(bytes);
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
    // What is left is written here: handing it to the worker and waiting
    // for it would only add the hand-over.
    ch.io = nullptr;
    const char mark = static_cast<char>(EndOfFileMark);
    if (error == 0 && ch.end == kBufferBytes) error = ch.flush();
    if (error == 0) {
      ch.buffer[ch.end++] = mark;
      ++ch.position;
      ch.size = std::max(ch.size, ch.position);
      error = ch.flush();
    }
    if (ch.writeFailed) {
      // The file ends after its last whole record, with its mark there
      // (cutting back frees the room the mark needs on a full disk).
      ch.end = 0;
      int cut = ch.file->truncate(ch.writtenRecordEnd);
      if (cut == 0) cut = ch.file->write(&mark, 1);
      if (error == 0) error = cut;
    }
  }
  if (error == 0 && keepClosedOutput(ch)) return;
  int closed = ch.file->close();
  if (error == 0) error = closed;
  check(error);
}

int FileTable::keepWholeRecords(Channel& ch) {
  int error = ch.finishTransfer();
  uint64_t keep = ch.writtenRecordEnd;
  if (!ch.writeFailed) {
    // Every byte before the buffered ones is in the file: the buffered
    // bytes of whole records are written after them.
    const uint64_t buffered = ch.position - ch.end;
    if (ch.recordEnd > buffered) {
      const int e = ch.wrote(ch.file->write(
          ch.buffer.get(), static_cast<size_t>(ch.recordEnd - buffered)));
      if (error == 0) error = e;
    }
    if (!ch.writeFailed) keep = ch.recordEnd;
  }
  ch.end = 0;
  const int cut = ch.file->truncate(keep);
  if (error == 0) error = cut;
  ch.position = ch.size = ch.recordEnd = keep;
  ch.writtenRecordEnd = keep;
  ch.writeFailed = cut != 0;
  return error;
}

int FileTable::keepWholeRecords() {
  int error = 0;
  for (auto& ch : channels_) {
    if (!ch || ch->mode == FileMode::Input) continue;
    const int e = keepWholeRecords(*ch);
    if (error == 0) error = e;
  }
  return error;
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

}  // namespace tess
