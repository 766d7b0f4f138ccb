// The program itself run on a log the ways a person runs it, each timed as
// a whole process: from the command line (-q -o OUTPUT LOG), and in line
// mode, where the log's and the output's names are typed on standard input
// and the end of the input ends the program.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tess::bench {

enum class ProgramMode { CommandLine, LineMode };

inline const char* programModeName(ProgramMode mode) {
  return mode == ProgramMode::CommandLine ? "command line" : "line mode";
}

struct ProgramRun {
  bool ok = false;  // it ran and exited with 0
  double seconds = 0;
  long peakKilobytes = 0;
};

// Converts log into output (a new file) with the program; what it shows
// goes to /dev/null.
inline ProgramRun runProgram(const std::string& program, ProgramMode mode,
                             const std::string& log,
                             const std::string& output) {
  std::filesystem::remove(output);
  int typed[2];
  if (::pipe(typed) != 0) return {};
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(typed[1]);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    if (nowhere < 0 || ::dup2(typed[0], 0) < 0 || ::dup2(nowhere, 1) < 0) {
      ::_exit(126);
    }
    if (mode == ProgramMode::CommandLine) {
      ::execl(program.c_str(), program.c_str(), "-q", "-o", output.c_str(),
              log.c_str(), static_cast<char*>(nullptr));
    } else {
      ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    }
    ::_exit(127);
  }
  ::close(typed[0]);
  if (mode == ProgramMode::LineMode) {
    // Two short lines: the pipe takes them whole before the program reads.
    const std::string names = log + "\n" + output + "\n";
    if (::write(typed[1], names.data(), names.size()) !=
        static_cast<ssize_t>(names.size())) {
      ::close(typed[1]);
      ::waitpid(pid, nullptr, 0);
      return {};
    }
  }
  ::close(typed[1]);
  ProgramRun run;
  int status = 0;
  struct rusage usage {};
  if (pid > 0 && ::wait4(pid, &status, 0, &usage) == pid) {
    run.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
            .count();
    run.peakKilobytes = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return run;
}

// Whether two files hold the same bytes, read a block at a time.
inline bool sameFileBytes(const std::string& a, const std::string& b) {
  std::ifstream left(a, std::ios::binary);
  std::ifstream right(b, std::ios::binary);
  if (!left || !right) return false;
  std::vector<char> x(1 << 16), y(1 << 16);
  for (;;) {
    left.read(x.data(), static_cast<std::streamsize>(x.size()));
    right.read(y.data(), static_cast<std::streamsize>(y.size()));
    const std::streamsize n = left.gcount();
    if (n != right.gcount() ||
        !std::equal(x.begin(), x.begin() + n, y.begin())) {
      return false;
    }
    if (n == 0) return true;
  }
}

}  // namespace tess::bench
