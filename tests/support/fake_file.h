// The parts of the in-memory file system that its files share: a node
// (a file or a folder) and an open file on it. Only the fake's own sources
// include this.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "platform/file_system.h"
#include "tests/support/fake_file_system.h"

namespace tess::testing {

namespace fake {

// The errors the fake gives, as the real platforms do.
inline constexpr int kNotFound = 63;
inline constexpr int kBadPath = 55;
inline constexpr int kDenied = 75;

inline bool readsWith(platform::Access a) {
  return a != platform::Access::Write;
}
inline bool writesWith(platform::Access a) {
  return a != platform::Access::Read;
}
inline bool deniesRead(platform::Share s) {
  return s == platform::Share::DenyRead || s == platform::Share::Exclusive;
}
inline bool deniesWrite(platform::Share s) {
  return s == platform::Share::DenyWrite || s == platform::Share::Exclusive;
}

}  // namespace fake

struct FakeFileSystem::Node {
  std::string path;  // full path as first created
  std::string bytes;
  bool directory = false;
  platform::FileKind special =
      platform::FileKind::Regular;  // Fifo, Device, Socket or Other
  bool readOnly = false;
  // Counts every change of the bytes: an opening can tell that the file
  // was written meanwhile.
  uint64_t version = 0;
  int year = 2026, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class FakeFileSystem::FakeFile : public platform::File {
 public:
  FakeFile(FakeFileSystem* fs, std::shared_ptr<Node> node, std::string key,
           platform::Access access, platform::Share share)
      : fs_(fs),
        node_(std::move(node)),
        key_(std::move(key)),
        access_(access),
        share_(share) {}
  ~FakeFile() override {
    if (!closed_) fs_->release(this);
  }

  int read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    ++fs_->readCalls_;
    if (fs_->beforeRead_) fs_->beforeRead_(fs_->readCalls_);
    if (closed_ || !fake::readsWith(access_)) return fake::kDenied;
    if (int e = std::exchange(fs_->failNextRead_, 0)) return e;
    const std::string& b = node_->bytes;
    if (position_ >= b.size()) return 0;
    size_t take = std::min<size_t>(n, b.size() - position_);
    if (fs_->readLimit_ > 0) take = std::min(take, fs_->readLimit_);
    if (node_->special != platform::FileKind::Regular) return 0;
    std::memcpy(buffer, b.data() + position_, take);
    position_ += take;
    *got = take;
    return 0;
  }

  int write(const void* buffer, size_t n) override {
    ++fs_->writeCalls_;
    if (closed_ || !fake::writesWith(access_)) return fake::kDenied;
    if (int e = fs_->takeWriteFailure(n)) return e;
    std::string& b = node_->bytes;
    if (b.size() < position_ + n) b.resize(position_ + n, '\0');
    if (n > 0) std::memcpy(b.data() + position_, buffer, n);
    ++node_->version;
    position_ += n;
    fs_->bytesWritten_ += n;
    return 0;
  }

  int seek(uint64_t offset) override {
    ++fs_->seekCalls_;
    if (closed_) return fake::kDenied;
    position_ = offset;
    return 0;
  }

  int size(uint64_t* bytes) override {
    if (closed_) return fake::kDenied;
    *bytes = node_->bytes.size();
    return 0;
  }

  int truncate(uint64_t bytes) override {
    ++fs_->truncateCalls_;
    if (closed_ || !fake::writesWith(access_)) return fake::kDenied;
    // A disk that fills up gets the room of the bytes cut back.
    if (fs_->writeBudget_ && bytes < node_->bytes.size()) {
      *fs_->writeBudget_ += node_->bytes.size() - bytes;
    }
    node_->bytes.resize(bytes, '\0');
    ++node_->version;
    position_ = bytes;
    return 0;
  }

  std::string identity() override {
    return std::to_string(reinterpret_cast<uintptr_t>(node_.get()));
  }

  int close() override {
    if (closed_) return fake::kDenied;
    closed_ = true;
    fs_->release(this);
    return std::exchange(fs_->failNextClose_, 0);
  }

  const std::string& key() const { return key_; }
  const std::string& path() const { return node_->path; }
  platform::Access access() const { return access_; }
  platform::Share share() const { return share_; }

 private:
  FakeFileSystem* fs_;
  std::shared_ptr<Node> node_;
  std::string key_;
  platform::Access access_;
  platform::Share share_;
  uint64_t position_ = 0;
  bool closed_ = false;
};

}  // namespace tess::testing
