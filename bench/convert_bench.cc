// Conversion throughput and memory: a generated forum log (32 MB and
// 256 MB by default) is converted without a window over the real file
// system, and the wall time is compared with copying the same file (reading
// and writing the same bytes in 64 KiB blocks). Each conversion runs in a
// child process so that its peak resident memory can be read on its own.
//
//   convert_bench [megabytes...]
//   convert_bench --write-log <megabytes> <log>   only writes a log
//   convert_bench --convert <log> <output>        only converts (to profile)

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/log_generator.h"
#include "conversion/headless.h"
#include "platform/file_system.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/runtime_error.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Written in pieces so that the benchmark itself never holds the log.
void writeLog(const std::string& path, size_t bytes) {
  tess::bench::LogGenerator generator;
  std::ofstream out(path, std::ios::binary);
  constexpr size_t kPiece = 1 << 20;
  for (size_t written = 0; written < bytes;) {
    const std::string piece = generator.generate(kPiece);
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    written += piece.size();
  }
}

bool copyFile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  const int out =
      ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in < 0 || out < 0) return false;
  std::vector<char> block(65536);
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(in, block.data(), block.size());
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (::write(out, block.data(), static_cast<size_t>(n)) != n) {
      ok = false;
      break;
    }
  }
  ::close(in);
  ::close(out);
  return ok;
}

// Every line read and printed through the runtime's file channels, with
// nothing examined: what the conversion's per-line work rests on.
bool copyLinesThroughRuntime(const std::string& from, const std::string& to) {
  try {
    std::filesystem::remove(to);
    auto fs = tess::platform::makeRealFileSystem();
    tess::FileTable files(*fs);
    tess::Printer printer(files, nullptr);
    files.openFile(tess::ByteString(from), tess::FileMode::Input,
                   tess::ShareMode::DenyNone, 1);
    files.openFile(tess::ByteString(to), tess::FileMode::Output,
                   tess::ShareMode::DenyWrite, 3);
    tess::ByteString line;
    while (!files.atEndOfFile(1)) {
      files.readLine(1, line);
      printer.selectOutputFile(3);
      printer.printString(line, tess::PrintSeparator::EndOfStatement);
    }
    files.closeFiles();
    return true;
  } catch (const tess::RuntimeError& e) {
    std::fprintf(stderr, "run-time error %d\n", e.number());
    return false;
  }
}

struct ChildRun {
  bool ok = false;
  double seconds = 0;
  long peakKilobytes = 0;
  int messages = 0;
};

// Converts in a child process: its wall time and its own peak memory.
ChildRun convertInChild(const std::string& log, const std::string& output) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  std::filesystem::remove(output);
  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    int messages = -1;
    try {
      auto fs = tess::platform::makeRealFileSystem();
      tess::HeadlessConversion run(*fs);
      run.convert(tess::ByteString(log), tess::ByteString(output),
                  tess::HeadlessConversion::OutputMode::New);
      messages = run.converter().messageCount();
    } catch (const tess::RuntimeError& e) {
      std::fprintf(stderr, "run-time error %d\n", e.number());
    }
    const ssize_t written = ::write(pipeFds[1], &messages, sizeof messages);
    ::_exit(messages >= 0 && written == sizeof messages ? 0 : 1);
  }
  ::close(pipeFds[1]);
  ChildRun result;
  int status = 0;
  struct rusage usage {};
  if (pid > 0 && ::wait4(pid, &status, 0, &usage) == pid) {
    result.seconds = secondsSince(start);
    result.peakKilobytes = usage.ru_maxrss;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (::read(pipeFds[0], &result.messages, sizeof result.messages) !=
        sizeof result.messages) {
      result.ok = false;
    }
  }
  ::close(pipeFds[0]);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--write-log") {
    writeLog(argv[3], static_cast<size_t>(std::atoi(argv[2])) * 1000 * 1000);
    return 0;
  }
  if (argc == 4 && std::string(argv[1]) == "--convert") {
    std::filesystem::remove(argv[3]);
    auto fs = tess::platform::makeRealFileSystem();
    tess::HeadlessConversion run(*fs);
    run.convert(tess::ByteString(argv[2]), tess::ByteString(argv[3]),
                tess::HeadlessConversion::OutputMode::New);
    std::printf("%d messages\n", run.converter().messageCount());
    return 0;
  }
  std::vector<size_t> sizes;
  for (int i = 1; i < argc; ++i) {
    sizes.push_back(static_cast<size_t>(std::max(1, std::atoi(argv[i]))));
  }
  if (sizes.empty()) sizes = {32, 256};

  const std::string dir = (std::filesystem::temp_directory_path() /
                           ("tess-convert-bench-" + std::to_string(::getpid())))
                              .string();
  std::filesystem::create_directories(dir);
  bool ok = true;
  for (const size_t megabytes : sizes) {
    const std::string log = dir + "/1997.LOG";
    writeLog(log, megabytes * 1000 * 1000);
    const double logMB =
        static_cast<double>(std::filesystem::file_size(log)) / 1e6;

    copyFile(log, dir + "/warm.copy");  // the log into the page cache
    double bestCopy = 1e9;
    double bestLines = 1e9;
    ChildRun best;
    best.seconds = 1e9;
    long peak = 0;
    for (int round = 0; round < 3; ++round) {
      auto start = Clock::now();
      if (!copyFile(log, dir + "/log.copy")) ok = false;
      bestCopy = std::min(bestCopy, secondsSince(start));
      start = Clock::now();
      if (!copyLinesThroughRuntime(log, dir + "/lines.copy")) ok = false;
      bestLines = std::min(bestLines, secondsSince(start));
      const ChildRun run = convertInChild(log, dir + "/kanbel.ren");
      if (!run.ok) ok = false;
      peak = std::max(peak, run.peakKilobytes);
      if (run.seconds < best.seconds) best = run;
    }
    const double outMB =
        static_cast<double>(std::filesystem::file_size(dir + "/kanbel.ren")) /
        1e6;
    std::printf(
        "log %7.1f MB -> %7.1f MB, %d messages\n"
        "  copy:       %6.3f s  (%7.1f MB/s)\n"
        "  line copy:  %6.3f s  (%7.1f MB/s)  %.2f x the copy"
        "  (each line read and printed through the runtime)\n"
        "  conversion: %6.3f s  (%7.1f MB/s)  %.2f x the copy\n"
        "  conversion peak resident memory: %.1f MB\n",
        logMB, outMB, best.messages, bestCopy, logMB / bestCopy, bestLines,
        logMB / bestLines, bestLines / bestCopy, best.seconds,
        logMB / best.seconds, best.seconds / bestCopy,
        static_cast<double>(peak) / 1024.0);
    std::fflush(stdout);
    std::filesystem::remove(dir + "/log.copy");
    std::filesystem::remove(dir + "/lines.copy");
    std::filesystem::remove(dir + "/warm.copy");
    std::filesystem::remove(dir + "/kanbel.ren");
  }
  std::filesystem::remove_all(dir);
  return ok ? 0 : 1;
}
