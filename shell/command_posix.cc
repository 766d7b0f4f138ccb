#include "shell/command_posix.h"

// Only the POSIX build has this entry; the shell's other files are the same
// on every platform.
#ifndef _WIN32

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "shell/command_driver.h"
#include "ui/posix/ui_charset.h"
#include "ui/posix/ui_signals.h"

namespace tess {

namespace {

// The bytes of the front of text that take at most `columns` cells on the
// terminal, cut between characters (a wide character takes two cells).
size_t fittingBytes(std::string_view text, size_t columns) {
  std::mbstate_t state{};
  size_t used = 0;
  size_t at = 0;
  while (at < text.size()) {
    wchar_t wide = 0;
    size_t length =
        std::mbrtowc(&wide, text.data() + at, text.size() - at, &state);
    int cells = 1;
    if (length == 0 || length > text.size() - at) {
      // Not a character of the locale (one that is not installed, say):
      // the texts are UTF-8, so a UTF-8 sequence is kept whole, and one of
      // three or four bytes (Japanese) is taken as wide.
      const auto lead = static_cast<unsigned char>(text[at]);
      length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      if (length > text.size() - at) length = 1;
      cells = length >= 3 ? 2 : 1;
      state = std::mbstate_t{};
    } else {
      const int width = ::wcwidth(wide);
      cells = width < 0 ? 1 : width;
    }
    if (used + static_cast<size_t>(cells) > columns) break;
    used += static_cast<size_t>(cells);
    at += length;
  }
  return at;
}

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // nowhere left to say anything
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

class PosixCommandHost : public CommandHost {
 public:
  PosixCommandHost() : terminal_(::isatty(STDERR_FILENO) == 1) {}

  // Names reach the terminal as text only: control characters (C0, DEL,
  // C1) and bytes that are no characters of the locale show as "?".
  void message(std::string_view line) override {
    clearStatus();
    std::string text = ui::fitToCells(line, INT_MAX, false);
    text += '\n';
    writeAll(STDERR_FILENO, text);
  }
  void helpText(std::string_view text) override {
    writeAll(STDOUT_FILENO, text);
  }
  Text help() const override { return Text::HelpTerminal; }
  CommandTexts texts() const override {
    return CommandTexts(
        messagesLanguage(::getenv("LC_ALL"), ::getenv("LC_MESSAGES"),
                         ::getenv("LANG")),
        TextEncoding::Utf8);
  }
  bool canShowStatus() const override { return terminal_; }
  void status(std::string_view line) override {
    if (!terminal_) return;
    if (line.empty()) {
      clearStatus();
      return;
    }
    // One row: the line is cut to the terminal's width.
    struct winsize size {};
    size_t width = 80;
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
      width = size.ws_col;
    }
    line = line.substr(0, fittingBytes(line, width - 1));
    std::string text = "\r";
    text += ui::fitToCells(line, static_cast<int>(width) - 1, false);
    text += "\x1b[K";
    writeAll(STDERR_FILENO, text);
    shown_ = true;
  }
  double seconds() override {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) +
           static_cast<double>(now.tv_nsec) / 1e9;
  }
  int stopSignal() override {
    if (stop_ == 0 && signals_.takeBreakRequest()) stop_ = SIGINT;
    if (stop_ == 0) stop_ = signals_.quitSignal();
    return stop_;
  }
  PathKind fileKind(platform::FileSystem&, const std::string& full,
                    uint64_t* size, std::string* identity) override {
    struct stat st {};
    if (::stat(full.c_str(), &st) != 0) return PathKind::Missing;
    *identity = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    if (S_ISDIR(st.st_mode)) return PathKind::Folder;
    if (!S_ISREG(st.st_mode)) return PathKind::Other;
    *size = static_cast<uint64_t>(st.st_size);
    return PathKind::Ordinary;
  }

 private:
  void clearStatus() {
    if (!shown_) return;
    writeAll(STDERR_FILENO, "\r\x1b[K");
    shown_ = false;
  }

  bool terminal_;
  bool shown_ = false;
  ui::ProcessSignals signals_;
  int stop_ = 0;
};

}  // namespace

int runPosixCommandLine(int argc, char** argv, platform::FileSystem& fs) {
  PosixCommandHost host;
  std::vector<std::string> args(argv + 1, argv + argc);
  return runCommandLine(args, fs, host, "tessarine");
}

}  // namespace tess

#endif  // _WIN32
