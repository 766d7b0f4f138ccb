// A file table over the in-memory file system, for the file table's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "runtime/file_table.h"
#include "tests/support/fake_file_system.h"

namespace tess::testing {

// The longest path the file system takes.
inline constexpr size_t kLimit = platform::kPlatformMaxPathBytes;

class FileTableTest : public ::testing::Test {
 protected:
  // Every line of the file, reading while unread bytes remain.
  std::vector<std::string> readAll(const std::string& bytes) {
    fs.setFile("/in.log", bytes);
    files.openFile("/in.log", FileMode::Input, ShareMode::DenyNone, 1);
    std::vector<std::string> lines;
    ByteString line;
    while (files.hasUnreadBytes(1)) {
      files.readLine(1, line);
      lines.push_back(line.str());
    }
    files.closeFiles({1});
    return lines;
  }

  FakeFileSystem fs;
  FileTable files{fs};
};

}  // namespace tess::testing
