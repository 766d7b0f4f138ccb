// The program entry on POSIX systems. The front end follows standard input
// and output: both terminals (of a kind that can be drawn on) give the
// terminal window; anything else (a pipe, a file) gives line mode, so that a
// run can be scripted.
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/posix/path_encoding.h"
#include "shell/command_posix.h"
#include "shell/program.h"
#include "ui/front_end.h"
#include "ui/line_mode/ui_line_mode.h"
#include "ui/posix/ui_charset.h"
#include "ui/terminal/ui_terminal.h"

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

// The user's locale; when it names UTF-8 but is not installed here (a
// ja_JP.UTF-8 asked for on a machine that only has C.UTF-8), the characters
// are still handled as UTF-8, so that Japanese names and texts are not shown
// as "?" on a UTF-8 terminal.
void setUserLocale() {
  if (std::setlocale(LC_ALL, "") != nullptr) return;
  const char* asked = nullptr;
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      asked = value;
      break;
    }
  }
  if (asked == nullptr) return;
  std::string lower(asked);
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.find("utf-8") != std::string::npos ||
      lower.find("utf8") != std::string::npos) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
  }
}

}  // namespace

int main(int argc, char** argv) {
  setUserLocale();
  // A file-size limit is a write error like a full disk: the output is cut
  // back and closed in order instead of the process being killed mid-write.
  ::signal(SIGXFSZ, SIG_IGN);
  tess::ui::ProcessInfo process;
  process.executablePath = executablePath(argc > 0 ? argv[0] : nullptr);

  // With arguments: the command line, without a window. It speaks the
  // messages locale's language and takes the names as the file system
  // spells them.
  if (argc > 1) {
    std::unique_ptr<tess::platform::FileSystem> native =
        tess::platform::makeRealFileSystem();
    return tess::runPosixCommandLine(argc, argv, *native);
  }

  if (!tess::ui::localeShowsJapanese()) {
    std::fputs(tess::ui::kLocaleNotice, stderr);
  }
  // The program sees every file name in Shift-JIS, as it prints them.
  std::unique_ptr<tess::platform::FileSystem> fs =
      std::make_unique<tess::platform::EncodingFileSystem>(
          tess::platform::makeRealFileSystem());
  std::unique_ptr<tess::ui::FrontEnd> ui =
      isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) &&
              tess::ui::terminalUsable()
          ? tess::ui::makeStdioTerminal(*fs)
          : tess::ui::makeStdioLineMode(*fs);
  return tess::Program(*fs, *ui, process).run();
}
