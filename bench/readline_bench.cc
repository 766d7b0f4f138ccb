// Line reading throughput: FileTable::readLine over the real file system
// against a plain sequential read of the same file in 64 KiB blocks, on a
// generated 64 MB Shift-JIS log.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/log_generator.h"
#include "platform/file_system.h"
#include "runtime/file_table.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads the whole file in 64 KiB blocks through an unbuffered stream (one
// read system call per block); returns the bytes read.
size_t plainRead(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  std::setvbuf(f, nullptr, _IONBF, 0);
  std::vector<char> block(65536);
  size_t total = 0;
  for (;;) {
    size_t n = std::fread(block.data(), 1, block.size(), f);
    if (n == 0) break;
    total += n;
  }
  std::fclose(f);
  return total;
}

struct LineCount {
  size_t lines = 0;
  size_t bytes = 0;  // line bytes without terminators
};

LineCount readLines(tess::platform::FileSystem& fs, const std::string& path) {
  tess::FileTable files(fs);
  files.openFile(tess::ByteString(path), tess::FileMode::Input,
                 tess::ShareMode::DenyNone, 1);
  tess::ByteString line;
  LineCount count;
  while (files.hasUnreadBytes(1)) {
    files.readLine(1, line);
    ++count.lines;
    count.bytes += line.size();
  }
  files.closeFiles();
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = 64;
  if (argc > 1) megabytes = std::max(1, std::atoi(argv[1]));
  const size_t size = megabytes * 1000 * 1000;

  const std::string dir =
      (std::filesystem::temp_directory_path() /
       ("tess-bench-" + std::to_string(std::random_device()())))
          .string();
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/1996.LOG";
  {
    std::string log = tess::bench::LogGenerator().generate(size);
    std::ofstream(path, std::ios::binary)
        .write(log.data(), static_cast<long>(log.size()));
  }
  const double fileMB =
      static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  auto fs = tess::platform::makeRealFileSystem();

  plainRead(path);  // into the page cache
  double bestPlain = 1e9, bestLines = 1e9;
  LineCount count;
  for (int round = 0; round < 5; ++round) {
    auto start = Clock::now();
    if (plainRead(path) == 0) return 1;
    bestPlain = std::min(bestPlain, secondsSince(start));
    start = Clock::now();
    count = readLines(*fs, path);
    bestLines = std::min(bestLines, secondsSince(start));
  }
  std::printf(
      "log: %.1f MB, %zu lines (%.1f bytes of text per line)\n", fileMB,
      count.lines,
      static_cast<double>(count.bytes) / static_cast<double>(count.lines));
  std::printf("plain read, 64 KiB blocks:     %8.1f MB/s\n",
              fileMB / bestPlain);
  std::printf("FileTable::readLine:           %8.1f MB/s  (%.1f M lines/s)\n",
              fileMB / bestLines,
              static_cast<double>(count.lines) / bestLines / 1e6);
  std::filesystem::remove_all(dir);
  return 0;
}
