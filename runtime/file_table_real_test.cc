// The file table over the real file system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "runtime/file_table.h"
#include "runtime/file_table_fixture.h"
#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/raised_error.h"

namespace tess {
namespace {

using testing::errorOf;

class RealFileTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = (std::filesystem::temp_directory_path() /
           ("tess-ft-" + std::string(info->name()) + "-" +
            std::to_string(std::random_device()())))
              .string();
    ASSERT_TRUE(std::filesystem::create_directory(dir));
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  ByteString path(const std::string& name) const {
    return ByteString(dir + "/" + name);
  }
  std::string contents(const std::string& name) const {
    std::ifstream in(path(name).str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name).str(), std::ios::binary) << bytes;
  }

  std::string dir;
  std::unique_ptr<platform::FileSystem> fs = platform::makeRealFileSystem();
};

TEST_F(RealFileTableTest, AppendOutputAndReadBack) {
  FileTable files(*fs);
  files.openFile(path("k.ren"), FileMode::Append, ShareMode::Default, 3);
  files.writeBytes(3, "X\r\n");
  files.closeFiles();
  files.openFile(path("k.ren"), FileMode::Append, ShareMode::Default, 3);
  files.writeBytes(3, "Y\r\n");
  files.closeFiles();
  EXPECT_EQ(contents("k.ren"), "X\r\nY\r\n\x1A");
  EXPECT_EQ(errorOf([&] {
              files.openFile(path("k.ren"), FileMode::Output,
                             ShareMode::Default, 3);
            }),
            64);
  EXPECT_EQ(contents("k.ren"), "X\r\nY\r\n\x1A");

  std::string first(65535, 'x');
  write("in.log", first + "\r\nB\r\n\x1A");
  files.openFile(path("in.log"), FileMode::Input, ShareMode::Default, 1);
  ByteString line;
  files.readLine(1, line);
  EXPECT_EQ(line.str(), first);
  files.readLine(1, line);
  EXPECT_EQ(line.str(), "B");
  EXPECT_TRUE(files.atEndOfFile(1));
  EXPECT_EQ(errorOf([&] { files.deleteFile(path("in.log")); }), 52);
  files.closeFiles();
  files.deleteFile(path("in.log"));
  EXPECT_FALSE(std::filesystem::exists(path("in.log").str()));
}

// The log chosen as the output by another name (a second link) is the
// same file: it is refused and left whole.
TEST_F(RealFileTableTest, ReplacingTheOpenLogByAnotherNameIs52) {
  write("in.log", "A\r\nB\r\n");
  std::filesystem::create_hard_link(path("in.log").str(), path("link").str());
  FileTable files(*fs);
  files.openFile(path("link"), FileMode::Input, ShareMode::DenyNone, 1);
  EXPECT_EQ(errorOf([&] {
              files.openReplacing(path("in.log"), ShareMode::Default, 3);
            }),
            52);
  EXPECT_FALSE(files.isOpen(3));
  EXPECT_EQ(contents("in.log"), "A\r\nB\r\n");
  files.closeFiles();
}

TEST_F(RealFileTableTest, SharingBetweenOpeners) {
  FileTable writer(*fs);
  FileTable other(*fs);
  writer.openFile(path("k.ren"), FileMode::Append, ShareMode::Default, 3);
  // A second writer is kept away; a reader that lets others write is not.
  EXPECT_EQ(errorOf([&] {
              other.openFile(path("k.ren"), FileMode::Append,
                             ShareMode::Default, 3);
            }),
            75);
  EXPECT_FALSE(other.isOpen(3));
  other.openFile(path("k.ren"), FileMode::Input, ShareMode::DenyNone, 1);
  // A reader that denies writing cannot join a writer.
  EXPECT_EQ(errorOf([&] {
              other.openFile(path("k.ren"), FileMode::Input,
                             ShareMode::DenyWrite, 2);
            }),
            75);
  other.closeFiles();
  writer.closeFiles();
  other.openFile(path("k.ren"), FileMode::Append, ShareMode::Default, 3);
  other.closeFiles();
}

#ifndef _WIN32
// A device that is always full (Windows has none).
TEST_F(RealFileTableTest, DiskFullSurfacesAtClose) {
  ASSERT_TRUE(std::filesystem::exists("/dev/full")) << "no full disk here";
  FileTable files(*fs);
  files.openFile("/dev/full", FileMode::Append, ShareMode::DenyWrite, 3);
  files.writeBytes(3, "data\r\n");
  EXPECT_EQ(errorOf([&] { files.closeFiles({3}); }), 67);
  EXPECT_FALSE(files.isOpen(3));
}
#endif

}  // namespace
}  // namespace tess
