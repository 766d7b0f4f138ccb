// The input side of the file channels' buffers: a block of the file is
// read and indexed into the buffer, and the next one is read ahead by the
// worker where the platform allows.
#include <cstring>
#include <string>
#include <utility>

#include "runtime/file_table.h"

namespace tess {

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
  // The first block leaves the buffer: its bytes are kept if still wanted.
  if (keepFirstBlock) {
    firstBlock.assign(firstBlockInBuffer());
    keepFirstBlock = false;
  }
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
  // The next block is read while this one is used; none past the end, nor
  // past the length at open.
  fetched += got;
  if (io != nullptr && got > 0 && fetched < size) readAhead();
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

}  // namespace tess
