// A directory search over entries listed in advance, for file systems that
// list a whole folder at once. Entry 0 is the one findFirst hands out.
#pragma once

#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace tess::platform {

class ListedSearch : public DirectorySearch {
 public:
  explicit ListedSearch(std::vector<DirEntry> entries)
      : entries_(std::move(entries)) {}
  bool next(DirEntry* entry) override {
    if (index_ >= entries_.size()) return false;
    *entry = entries_[index_++];
    return true;
  }

 private:
  std::vector<DirEntry> entries_;
  size_t index_ = 1;
};

}  // namespace tess::platform
