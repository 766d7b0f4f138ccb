// The table of file channels: channel numbers 1..255, the modes and
// sharing an open may ask for, existence tests, closing and deletion.
#include "runtime/file_table.h"

#include <string>
#include <utility>

#include "runtime/runtime_error.h"

namespace tess {

void FileTable::check(int error) {
  if (error != 0) raiseError(static_cast<uint16_t>(error));
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
  keepOutput_ = false;
  for (auto& ch : channels_) {
    if (!ch) continue;
    try {
      closeChannel(*ch);
    } catch (...) {
      // Errors of the final close have nowhere to go.
    }
  }
  closeKeptOutput();
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

  // Mode and sharing: an open that names no sharing lets an input be
  // shared with every other opener and keeps other writers away from an
  // output.
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

void FileTable::checkOutputChannel(int64_t channel) { openChannel(channel); }

int FileTable::column(int64_t channel) const {
  return openChannel(channel).column;
}

void FileTable::setColumn(int64_t channel, int column) {
  openChannel(channel).column = column;
}

void FileTable::closeFiles(std::initializer_list<int64_t> channels,
                           std::source_location where) {
  statement(where, [&] {
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
  });
}

void FileTable::deleteFile(const ByteString& name, std::source_location where) {
  statement(where, [&] {
    if (name.size() > fs_.maxPathBytes()) raiseError(err::kBadFileName);
    check(closeKeptOutput());
    ByteString full;
    if (!fileExists(name, &full)) raiseError(err::kFileNotFound);
    for (const auto& ch : channels_) {
      if (ch && fs_.samePath(ch->path, full.str())) {
        raiseError(err::kAlreadyOpen);
      }
    }
    if (fs_.removeFile(full.str()) != 0) raiseError(err::kAccessDenied);
  });
}

}  // namespace tess
