// Runs a program under callgrind (POSIX only) and gives the instructions
// it executed: convert_bench's instruction mode.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/callgrind_count.h"

extern char** environ;

namespace tess::bench {

// The first executable file named name in the folders of path (the value
// of PATH), or "" when there is none.
inline std::string findOnPath(std::string_view name, std::string_view path) {
  while (true) {
    const size_t colon = path.find(':');
    std::string folder(path.substr(0, colon));
    if (folder.empty()) folder = ".";
    const std::string candidate = folder + "/" + std::string(name);
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string_view::npos) return "";
    path.remove_prefix(colon + 1);
  }
}

inline std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs valgrind's callgrind on program with args, its standard output and
// valgrind's messages into files beside outFile (callgrind's output file);
// the instructions of the whole run, or nullopt (with valgrind's messages
// on standard error) when the program failed or no total could be read.
inline std::optional<uint64_t> instructionsOf(
    const std::string& valgrind, const std::string& outFile,
    const std::vector<std::string>& program) {
  const std::string messages = outFile + ".valgrind";
  const std::string childOutput = outFile + ".stdout";
  std::vector<std::string> words = {valgrind, "--tool=callgrind",
                                    "--callgrind-out-file=" + outFile,
                                    "--log-file=" + messages};
  words.insert(words.end(), program.begin(), program.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, childOutput.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, valgrind.c_str(), &actions, nullptr,
                                    argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    std::fprintf(stderr, "cannot start %s\n", valgrind.c_str());
    return std::nullopt;
  }
  int status = 0;
  const bool ended = ::waitpid(pid, &status, 0) == pid;
  const std::optional<uint64_t> total =
      callgrindInstructions(fileText(outFile));
  std::string failure;
  if (!ended || !WIFEXITED(status)) {
    failure = "it did not end normally";
  } else if (WEXITSTATUS(status) != 0) {
    failure = "exit code " + std::to_string(WEXITSTATUS(status));
  } else if (!total) {
    failure = "no total of instructions in " + outFile;
  }
  if (!failure.empty()) {
    std::fprintf(stderr, "callgrind run failed: %s\n%s%s", failure.c_str(),
                 fileText(childOutput).c_str(), fileText(messages).c_str());
    return std::nullopt;
  }
  return total;
}

}  // namespace tess::bench
