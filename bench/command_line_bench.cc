// The command line over many small logs against one big log: N generated
// logs of K KiB each (1,000 of 100 KiB by default) converted by one command
// into one output, next to one generated log of their total size converted
// by the same program, each timed as the whole process (best of five
// runs, taking turns). The per-log costs of the command (checking every log
// first, opening each log and appending to the output per log, as a session
// does) show as the ratio of the two times.
//
// The floor of each command is timed the same way: a process that opens,
// reads and closes each log in turn, in blocks of the conversion's size,
// and writes as many bytes as the program's output. Its ratio is what the
// system itself charges for many files over one.
//
//   command_line_bench PROGRAM [logs] [kib-per-log]

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/log_generator.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// Runs the program with the arguments in the folder; returns the seconds
// it took (and in *cpu its processor time), or exits when it fails.
double timedRun(const std::string& program, const fs::path& folder,
                const std::vector<std::string>& args, double* cpu) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(Clock::now() - start).count();
  *cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) /
             1e6;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed (status %d)\n", program.c_str(), status);
    std::exit(1);
  }
  return seconds;
}

constexpr int kRounds = 5;

// The file channels' buffer: the conversion reads and writes in blocks of
// this size.
constexpr size_t kBlockBytes = 65536;

// The floor's process: the logs read one after another and, into the new
// file out, outputPerLogByte bytes written for each byte read, in whole
// blocks (the rest at the end).
int floorRun(double outputPerLogByte, const char* out,
             const std::vector<const char*>& logs) {
  const int output =
      ::open(out, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (output < 0) return 1;
  std::vector<char> block(kBlockBytes);
  std::vector<char> pending(kBlockBytes);
  size_t filled = 0;
  double owed = 0;
  for (const char* log : logs) {
    const int in = ::open(log, O_RDONLY | O_CLOEXEC);
    if (in < 0) return 1;
    ssize_t n = 0;
    while ((n = ::read(in, block.data(), block.size())) > 0) {
      owed += static_cast<double>(n) * outputPerLogByte;
      for (size_t from = 0; owed >= 1;) {
        const size_t take =
            std::min<size_t>({static_cast<size_t>(owed), kBlockBytes - filled,
                              static_cast<size_t>(n) - from});
        std::copy_n(block.data() + from, take, pending.data() + filled);
        filled += take;
        owed -= static_cast<double>(take);
        from = (from + take) % static_cast<size_t>(n);
        if (filled == kBlockBytes) {
          if (::write(output, pending.data(), filled) !=
              static_cast<ssize_t>(filled)) {
            return 1;
          }
          filled = 0;
        }
      }
    }
    ::close(in);
    if (n < 0) return 1;
  }
  const bool written =
      ::write(output, pending.data(), filled) == static_cast<ssize_t>(filled);
  return ::close(output) == 0 && written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--floor") {
    return floorRun(std::atof(argv[2]), argv[3],
                    std::vector<const char*>(argv + 4, argv + argc));
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROGRAM [logs] [kib-per-log]\n", argv[0]);
    return 2;
  }
  const std::string program = fs::absolute(argv[1]).string();
  const int logs = argc > 2 ? std::atoi(argv[2]) : 1000;
  const size_t kib = argc > 3 ? static_cast<size_t>(std::atoi(argv[3])) : 100;
  if (logs < 1 || kib < 1) return 2;

  const fs::path folder =
      fs::temp_directory_path() /
      ("tessarine-command-line-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);

  std::vector<std::string> manyArgs = {"-q", "-o", "many.ren"};
  uint64_t manyBytes = 0;
  for (int i = 0; i < logs; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%08d.LOG", 19970000 + i);
    const std::string log =
        tess::bench::LogGenerator(static_cast<uint32_t>(1996 + i))
            .generate(kib * 1024);
    manyBytes += log.size();
    writeFile(folder / name, log);
    manyArgs.push_back(name);
  }
  const std::string big = tess::bench::LogGenerator(1996).generate(manyBytes);
  writeFile(folder / "BIG.LOG", big);

  // The two commands take turns, so that a busy moment of the machine
  // weighs on both; the best time of each counts. Processor time (user and
  // system) is steadier than wall time on a shared machine.
  double many = 1e9, manyCpu = 1e9, one = 1e9, oneCpu = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    double cpu = 0;
    many = std::min(many, timedRun(program, folder, manyArgs, &cpu));
    manyCpu = std::min(manyCpu, cpu);
    one = std::min(one, timedRun(program, folder,
                                 {"-q", "-o", "one.ren", "BIG.LOG"}, &cpu));
    oneCpu = std::min(oneCpu, cpu);
  }
  // The floors, with the outputs' sizes the program wrote.
  const std::string self = fs::canonical("/proc/self/exe").string();
  auto floorArgs = [&](const char* output,
                       const std::vector<std::string>& logsOf,
                       uint64_t logBytes) {
    const double perByte = static_cast<double>(fs::file_size(folder / output)) /
                           static_cast<double>(logBytes);
    std::vector<std::string> args = {"--floor", std::to_string(perByte),
                                     std::string("floor-") + output};
    args.insert(args.end(), logsOf.begin(), logsOf.end());
    return args;
  };
  const std::vector<std::string> manyFloorArgs =
      floorArgs("many.ren",
                std::vector<std::string>(manyArgs.begin() + 3, manyArgs.end()),
                manyBytes);
  const std::vector<std::string> oneFloorArgs =
      floorArgs("one.ren", {"BIG.LOG"}, big.size());
  double manyFloor = 1e9, manyFloorCpu = 1e9, oneFloor = 1e9, oneFloorCpu = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    double cpu = 0;
    manyFloor =
        std::min(manyFloor, timedRun(self, folder, manyFloorArgs, &cpu));
    manyFloorCpu = std::min(manyFloorCpu, cpu);
    oneFloor = std::min(oneFloor, timedRun(self, folder, oneFloorArgs, &cpu));
    oneFloorCpu = std::min(oneFloorCpu, cpu);
  }
  const double mb = static_cast<double>(manyBytes) / 1e6;
  const double bigMb = static_cast<double>(big.size()) / 1e6;
  std::printf(
      "%d logs of %zu KiB (%.1f MB) in one command: %.3f s wall "
      "(%.1f MB/s), %.3f s processor\n",
      logs, kib, mb, many, mb / many, manyCpu);
  std::printf("one log of %.1f MB: %.3f s wall (%.1f MB/s), %.3f s processor\n",
              bigMb, one, bigMb / one, oneCpu);
  std::printf("ratio: %.2f wall, %.2f processor (aim: at most 1.30)\n",
              many / one, manyCpu / oneCpu);
  std::printf(
      "the floor (the same reads and writes, nothing converted): %.3f s "
      "wall for the %d logs, %.3f s for the one; ratio %.2f wall, %.2f "
      "processor\n",
      manyFloor, logs, oneFloor, manyFloor / oneFloor,
      manyFloorCpu / oneFloorCpu);
  std::printf(
      "each log costs the command %.1f us of wall time more than one big "
      "log does; the floor, %.1f us\n",
      (many - one) / logs * 1e6, (manyFloor - oneFloor) / logs * 1e6);
  fs::remove_all(folder);
  return 0;
}
