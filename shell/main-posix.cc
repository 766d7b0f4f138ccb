// The program entry on POSIX systems. The front end follows standard input
// and output: both terminals (of a kind that can be drawn on) give the
// terminal window; anything else (a pipe, a file) gives line mode, so that a
// run can be scripted.
#include <signal.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/front_end.h"
#include "platform/posix/path_encoding.h"
#include "platform/posix/ui_charset.h"
#include "platform/posix/ui_line_mode.h"
#include "platform/posix/ui_terminal.h"
#include "shell/command_posix.h"
#include "shell/program.h"

namespace {

std::string executablePath(const char* argv0) {
  std::string path(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n > 0 && static_cast<size_t>(n) < path.size()) {
    path.resize(static_cast<size_t>(n));
    return path;
  }
  return argv0 ? std::string(argv0) : std::string("tessarine");
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  // A file-size limit is a write error like a full disk: the output is cut
  // back and closed in order instead of the process being killed mid-write.
  ::signal(SIGXFSZ, SIG_IGN);
  tess::platform::ProcessInfo process;
  process.executablePath = executablePath(argc > 0 ? argv[0] : nullptr);

  // With arguments: the command line, without a window. It speaks English
  // and takes the names as the file system spells them.
  if (argc > 1) {
    std::unique_ptr<tess::platform::FileSystem> native =
        tess::platform::makeRealFileSystem();
    return tess::runPosixCommandLine(argc, argv, *native);
  }

  if (!tess::platform::localeShowsJapanese()) {
    std::fputs(tess::platform::kLocaleNotice, stderr);
  }
  // The program sees every file name in Shift-JIS, as it prints them.
  std::unique_ptr<tess::platform::FileSystem> fs =
      std::make_unique<tess::platform::EncodingFileSystem>(
          tess::platform::makeRealFileSystem());
  std::unique_ptr<tess::platform::FrontEnd> ui =
      isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) &&
              tess::platform::terminalUsable()
          ? tess::platform::makeStdioTerminal(*fs)
          : tess::platform::makeStdioLineMode(*fs);
  return tess::Program(*fs, *ui, process).run();
}
