// Conversion throughput and memory: generated forum logs of every shape
// (bench/log_shapes.h; 32 MB and 256 MB by default) are converted without a
// window over the real file system, and the wall time is compared with the
// floor: reading the log and writing as many bytes as the conversion's output
// (the records are larger than the log), in blocks of the size that the file
// channels read and write (64 KiB), into a new file in the same folder. A plain
// copy of the log and a line-by-line copy through the runtime are shown beside
// them. Each conversion runs in a child process so that its peak resident
// memory can be read on its own. The last line for each shape and size sums up
// time, floor, their ratio, MB/s, messages/s and peak memory; a table of
// these lines ends the run.
//
//   convert_bench [--keep] [--program P] [--shape L]... [megabytes...]
//                         --keep: the logs and the outputs stay in the
//                         folder; --shape: only the shapes of these letters
//                         (a to e), every shape without it; --program: the
//                         program P converts each log too, from the command
//                         line and in line mode, timed against the same
//                         floor, and its outputs must be the conversion's
//   convert_bench [--shape L] --write-log <megabytes> <log>
//                         only writes a log (of shape a without --shape)
//   convert_bench --convert <log> <output>   only converts (to profile)
//   convert_bench --instructions [--shape L]... [megabytes]
//                         the instructions a conversion executes, counted by
//                         callgrind (valgrind must be installed; a log of
//                         8 MB by default): per message and per byte of the
//                         log, for every shape or the ones chosen

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
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench/callgrind_run.h"
#include "bench/log_shapes.h"
#include "bench/program_runs.h"
#include "conversion/conversion_assembly.h"
#include "platform/file_system.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/runtime_error.h"

namespace {

using Clock = std::chrono::steady_clock;
using tess::bench::LogShape;
using tess::bench::shapeFromLetter;
using tess::bench::shapeName;
using tess::bench::writeShapedLog;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpuSeconds(const struct rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) /
             1e6;
}

// Processor time (user and system) of this process so far.
double ownCpuSeconds() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return cpuSeconds(usage);
}

// Each measure is the best of this many runs: the machine may be busy.
constexpr int kRounds = 5;

// The file channels' buffer: the conversion reads and writes in blocks of
// this size.
constexpr size_t kBlockBytes = 65536;

// Reads from in block by block and writes each block read; after the end
// of the input the first block is written again until outputBytes have
// been written (0: as many as were read).
bool copyFile(const std::string& from, const std::string& to,
              size_t outputBytes = 0) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  const int out =
      ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in < 0 || out < 0) return false;
  std::vector<char> block(kBlockBytes);
  bool ok = true;
  size_t written = 0;
  for (;;) {
    const ssize_t n = ::read(in, block.data(), block.size());
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (::write(out, block.data(), static_cast<size_t>(n)) != n) {
      ok = false;
      break;
    }
    written += static_cast<size_t>(n);
  }
  while (ok && written < outputBytes) {
    const size_t n = std::min(block.size(), outputBytes - written);
    if (::write(out, block.data(), n) != static_cast<ssize_t>(n)) ok = false;
    written += n;
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
  double cpu = 0;  // user and system time of the child
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
      tess::ConversionAssembly run(*fs);
      run.convert(tess::ByteString(log), tess::ByteString(output),
                  tess::ConversionAssembly::OutputMode::New);
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
    result.cpu = cpuSeconds(usage);
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

// One row of the closing table.
struct Summary {
  LogShape shape;
  size_t megabytes;
  double ratio, megabytesPerSecond, messagesPerSecond, peakMegabytes;
  // The program's own runs against the floor (with --program).
  double commandLineRatio = 0, lineModeRatio = 0;
};

// Writes a log of the shape and size, measures its conversion against the
// floor and prints the figures. ok turns false when a step fails.
Summary measure(const std::string& dir, size_t megabytes, LogShape shape,
                const std::string& program, bool keep, bool& ok) {
  const std::string name =
      std::to_string(megabytes) + "MB-" + shapeName(shape).letter;
  const std::string log = dir + "/" + name + ".LOG";
  const std::string output = dir + "/" + name + ".ren";
  if (!writeShapedLog(log, megabytes * 1000 * 1000, shape)) ok = false;
  const double logMB =
      static_cast<double>(std::filesystem::file_size(log)) / 1e6;

  copyFile(log, dir + "/warm.copy");  // the log into the page cache
  // A first conversion gives the output's size, which the floor writes.
  const ChildRun first = convertInChild(log, output);
  if (!first.ok) ok = false;
  const size_t outputBytes =
      static_cast<size_t>(std::filesystem::file_size(output));
  double bestCopy = 1e9;
  double bestFloor = 1e9;
  double bestFloorCpu = 1e9;
  double bestCpu = first.cpu;
  double bestLines = 1e9;
  ChildRun best = first;
  long peak = first.peakKilobytes;
  using tess::bench::ProgramMode;
  const ProgramMode modes[] = {ProgramMode::CommandLine, ProgramMode::LineMode};
  tess::bench::ProgramRun bestOfProgram[2];
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    if (!copyFile(log, dir + "/log.copy")) ok = false;
    bestCopy = std::min(bestCopy, secondsSince(start));
    std::filesystem::remove(dir + "/log.copy");
    // The floor: the log read and as many bytes as the output written,
    // into a new file like the conversion's.
    start = Clock::now();
    const double cpuStart = ownCpuSeconds();
    if (!copyFile(log, dir + "/log.copy", outputBytes)) ok = false;
    bestFloor = std::min(bestFloor, secondsSince(start));
    bestFloorCpu = std::min(bestFloorCpu, ownCpuSeconds() - cpuStart);
    std::filesystem::remove(dir + "/log.copy");
    start = Clock::now();
    if (!copyLinesThroughRuntime(log, dir + "/lines.copy")) ok = false;
    bestLines = std::min(bestLines, secondsSince(start));
    std::filesystem::remove(dir + "/lines.copy");
    const ChildRun run = convertInChild(log, output);
    if (!run.ok) ok = false;
    peak = std::max(peak, run.peakKilobytes);
    if (run.seconds < best.seconds) best = run;
    bestCpu = std::min(bestCpu, run.cpu);
    for (size_t m = 0; m < 2 && !program.empty(); ++m) {
      const auto byProgram =
          tess::bench::runProgram(program, modes[m], log, dir + "/program.ren");
      if (!byProgram.ok) ok = false;
      if (round == 0 || byProgram.seconds < bestOfProgram[m].seconds) {
        bestOfProgram[m] = byProgram;
      }
      peak = std::max(peak, byProgram.peakKilobytes);
      // The last round's outputs must be the conversion's, byte for byte.
      if (round + 1 == kRounds &&
          !tess::bench::sameFileBytes(output, dir + "/program.ren")) {
        std::printf("  %s: the output differs from the conversion's\n",
                    tess::bench::programModeName(modes[m]));
        ok = false;
      }
      std::filesystem::remove(dir + "/program.ren");
    }
  }
  const double outMB = static_cast<double>(outputBytes) / 1e6;
  std::printf(
      "shape %c (%s): log %7.1f MB -> %7.1f MB, %d messages (MB/s of the "
      "log's bytes; best of %d)\n"
      "  conversion:      %6.3f s  (%7.1f MB/s, %.0f messages/s)  %.2f x the "
      "floor\n"
      "  floor:           %6.3f s  (%7.1f MB/s)  the log read and %.1f MB "
      "written, 64 KiB blocks\n"
      "  copy:            %6.3f s  (%7.1f MB/s)  the log read and written, "
      "64 KiB blocks\n"
      "  line copy:       %6.3f s  (%7.1f MB/s)  each line read and printed "
      "through the runtime\n"
      "  processor time:  conversion %.3f s, floor %.3f s, %.2f x (less "
      "moved by other load on the machine than the wall time)\n"
      "  conversion peak resident memory: %.1f MB\n"
      "  summary %c %zu MB: time %.3f s, floor %.3f s, ratio %.2f, %.1f MB/s, "
      "%.0f messages/s, peak RSS %.1f MB\n",
      shapeName(shape).letter, shapeName(shape).description, logMB, outMB,
      best.messages, kRounds, best.seconds, logMB / best.seconds,
      best.messages / best.seconds, best.seconds / bestFloor, bestFloor,
      logMB / bestFloor, outMB, bestCopy, logMB / bestCopy, bestLines,
      logMB / bestLines, bestCpu, bestFloorCpu, bestCpu / bestFloorCpu,
      static_cast<double>(peak) / 1024.0, shapeName(shape).letter, megabytes,
      best.seconds, bestFloor, best.seconds / bestFloor, logMB / best.seconds,
      best.messages / best.seconds, static_cast<double>(peak) / 1024.0);
  for (size_t m = 0; m < 2 && !program.empty(); ++m) {
    std::printf("  %-13s    %6.3f s  %.2f x the floor, peak RSS %.1f MB\n",
                tess::bench::programModeName(modes[m]),
                bestOfProgram[m].seconds, bestOfProgram[m].seconds / bestFloor,
                static_cast<double>(bestOfProgram[m].peakKilobytes) / 1024.0);
  }
  std::fflush(stdout);
  std::filesystem::remove(dir + "/warm.copy");
  if (!keep) {
    std::filesystem::remove(log);
    std::filesystem::remove(output);
  }
  return {shape,
          megabytes,
          best.seconds / bestFloor,
          logMB / best.seconds,
          best.messages / best.seconds,
          static_cast<double>(peak) / 1024.0,
          bestOfProgram[0].seconds / bestFloor,
          bestOfProgram[1].seconds / bestFloor};
}

// Converts a log of each shape as a child process under callgrind and
// prints what the conversion cost in instructions. self is this program,
// which converts with --convert.
int countInstructions(const std::string& self, const std::string& dir,
                      const std::vector<LogShape>& shapes, size_t megabytes) {
  const char* path = std::getenv("PATH");
  const std::string valgrind =
      tess::bench::findOnPath("valgrind", path ? path : "");
  if (valgrind.empty()) {
    std::fprintf(stderr,
                 "convert_bench: valgrind is not installed (not found on "
                 "PATH); --instructions counts with its callgrind tool\n");
    return 1;
  }
  const auto instructions = [&](const std::string& log) {
    const std::string output = dir + "/out.ren";
    std::filesystem::remove(output);
    return tess::bench::instructionsOf(valgrind, dir + "/callgrind.out",
                                       {self, "--convert", log, output});
  };
  // The program's start and end alone, on a log without messages.
  const std::string empty = dir + "/empty.LOG";
  std::ofstream(empty, std::ios::binary).close();
  const auto base = instructions(empty);
  if (!base) return 1;
  std::printf("%-17s%5s%9s%13s%9s%7s\n", "shape", "MB", "messages",
              "instructions", "/message", "/byte");
  bool ok = true;
  for (const LogShape shape : shapes) {
    const std::string log = dir + "/" + shapeName(shape).letter + ".LOG";
    if (!writeShapedLog(log, megabytes * 1000 * 1000, shape)) {
      std::fprintf(stderr, "cannot write %s\n", log.c_str());
      return 1;
    }
    const auto total = instructions(log);
    const size_t messages =
        tess::bench::countRecords(tess::bench::fileText(dir + "/out.ren"));
    if (total && messages == 0) {
      std::fprintf(stderr, "shape %c: no records in the output\n",
                   shapeName(shape).letter);
    }
    if (!total || messages == 0) {
      ok = false;
      continue;
    }
    const double logBytes =
        static_cast<double>(std::filesystem::file_size(log));
    std::printf("%c %-15s%5zu%9zu%13llu%9.0f%7.1f\n", shapeName(shape).letter,
                shapeName(shape).description, megabytes, messages,
                static_cast<unsigned long long>(*total),
                static_cast<double>(*total) / static_cast<double>(messages),
                static_cast<double>(*total) / logBytes);
    std::fflush(stdout);
    std::filesystem::remove(log);
  }
  std::printf("(whole runs of --convert; on an empty log: %llu)\n",
              static_cast<unsigned long long>(*base));
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::vector<LogShape> shapes;
  for (size_t i = 0; i < args.size();) {
    if (args[i] != "--shape") {
      ++i;
      continue;
    }
    const auto shape =
        i + 1 < args.size() ? shapeFromLetter(args[i + 1]) : std::nullopt;
    if (!shape) {
      std::fprintf(stderr, "--shape takes one of the letters a to e\n");
      return 2;
    }
    shapes.push_back(*shape);
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
  }
  if (args.size() == 3 && args[0] == "--write-log") {
    const LogShape shape = shapes.empty() ? LogShape::Today : shapes.front();
    return writeShapedLog(
               args[2],
               static_cast<size_t>(std::atoi(args[1].c_str())) * 1000 * 1000,
               shape)
               ? 0
               : 1;
  }
  if (args.size() == 3 && args[0] == "--convert") {
    std::filesystem::remove(args[2]);
    auto fs = tess::platform::makeRealFileSystem();
    tess::ConversionAssembly run(*fs);
    try {
      run.convert(tess::ByteString(args[1]), tess::ByteString(args[2]),
                  tess::ConversionAssembly::OutputMode::New);
    } catch (const tess::RuntimeError& e) {
      std::printf("run-time error %d at line %u\n", e.number(), e.line());
      return 1;
    }
    std::printf("%d messages\n", run.converter().messageCount());
    return 0;
  }
  const std::string dir = (std::filesystem::temp_directory_path() /
                           ("tess-convert-bench-" + std::to_string(::getpid())))
                              .string();
  if (shapes.empty()) {
    for (const auto& name : tess::bench::kLogShapes)
      shapes.push_back(name.shape);
  }
  if (!args.empty() && args[0] == "--instructions") {
    const int megabytes = args.size() == 2   ? std::atoi(args[1].c_str())
                          : args.size() == 1 ? 8
                                             : 0;
    if (megabytes <= 0) {
      std::fprintf(stderr, "--instructions takes one size in megabytes\n");
      return 2;
    }
    std::error_code error;
    std::string self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) self = argv[0];
    std::filesystem::create_directories(dir);
    const int status =
        countInstructions(self, dir, shapes, static_cast<size_t>(megabytes));
    std::filesystem::remove_all(dir);
    return status;
  }
  bool keep = false;
  std::string program;
  std::vector<size_t> sizes;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--keep") {
      keep = true;
      continue;
    }
    if (arg == "--program" && i + 1 < args.size()) {
      program = std::filesystem::absolute(args[++i]).string();
      continue;
    }
    sizes.push_back(static_cast<size_t>(std::max(1, std::atoi(arg.c_str()))));
  }
  if (sizes.empty()) sizes = {32, 256};

  std::filesystem::create_directories(dir);
  bool ok = true;
  std::vector<Summary> table;
  for (const LogShape shape : shapes) {
    for (const size_t megabytes : sizes) {
      table.push_back(measure(dir, megabytes, shape, program, keep, ok));
    }
  }
  std::printf(
      "\nshape                    MB  x floor     MB/s  messages/s  peak RSS "
      "MB%s\n",
      program.empty() ? "" : "  command line  line mode");
  for (const Summary& row : table) {
    std::printf("%c %-18s %6zu  %7.2f  %7.1f  %10.0f  %11.1f",
                shapeName(row.shape).letter, shapeName(row.shape).description,
                row.megabytes, row.ratio, row.megabytesPerSecond,
                row.messagesPerSecond, row.peakMegabytes);
    if (!program.empty()) {
      std::printf("  %12.2f  %9.2f", row.commandLineRatio, row.lineModeRatio);
    }
    std::printf("\n");
  }
  if (keep) {
    std::printf("logs and outputs kept in %s\n", dir.c_str());
  } else {
    std::filesystem::remove_all(dir);
  }
  return ok ? 0 : 1;
}
