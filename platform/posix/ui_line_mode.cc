#include "platform/posix/ui_line_mode.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <istream>
#include <ostream>

#include "platform/posix/ui_dialog_rules.h"

namespace tess::platform {

namespace {

void dropCarriageReturn(std::string* line) {
  if (!line->empty() && line->back() == '\r') line->pop_back();
}

std::string trimTrailing(std::string_view text) {
  size_t end = text.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view()
                                                   : text.substr(0, end + 1));
}

}  // namespace

std::optional<std::string> FdLineInput::readLine() {
  while (true) {
    size_t lineEnd = buffer_.find('\n');
    if (lineEnd != std::string::npos) {
      std::string line = buffer_.substr(0, lineEnd);
      buffer_.erase(0, lineEnd + 1);
      dropCarriageReturn(&line);
      return line;
    }
    if (ended_) {
      if (buffer_.empty()) return std::nullopt;
      std::string line = std::move(buffer_);
      buffer_.clear();
      dropCarriageReturn(&line);
      return line;
    }
    if (signals_.quitRequested()) return std::nullopt;
    char chunk[4096];
    ssize_t got = ::read(fd_, chunk, sizeof chunk);
    if (got > 0) {
      buffer_.append(chunk, static_cast<size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;  // the flags are looked at above
    } else {
      ended_ = true;
    }
  }
}

std::optional<std::string> StreamLineInput::readLine() {
  std::string line;
  if (!std::getline(in_, line)) {
    if (line.empty()) return std::nullopt;
  }
  dropCarriageReturn(&line);
  return line;
}

LineModeFrontEnd::LineModeFrontEnd(FileSystem& fs, LineInput& in,
                                   std::ostream& out, std::ostream& err,
                                   SignalSource& signals, std::string codeset)
    : fs_(fs),
      in_(in),
      out_(out),
      err_(err),
      signals_(signals),
      charset_(std::move(codeset)) {}

bool LineModeFrontEnd::openWindow(const std::string& title, WindowHost* host) {
  (void)title;
  host_ = host;
  return true;
}

void LineModeFrontEnd::writeRow(std::string_view rowBytes) {
  // Trailing blanks go before the conversion (0x20 is never a trail byte)
  // and after it (padding of a narrow-shown last character).
  out_ << trimTrailing(charset_.display(trimTrailing(rowBytes))) << '\n';
  out_.flush();
}

void LineModeFrontEnd::rowCompleted(const std::string& rowBytes) {
  writeRow(rowBytes);
}

PumpEvents LineModeFrontEnd::pump() {
  PumpEvents events;
  events.breakRequested = signals_.takeBreakRequest();
  events.quit = signals_.quitRequested();
  return events;
}

void LineModeFrontEnd::notice(const std::string& text) {
  out_ << "  " << text << '\n';
  out_.flush();
}

std::optional<std::string> LineModeFrontEnd::ask(const std::string& prompt) {
  if (signals_.quitRequested()) return std::nullopt;
  out_ << prompt;
  out_.flush();
  std::optional<std::string> line = in_.readLine();
  // The answer is echoed so that the output reads like the session did.
  out_ << (line ? *line : std::string()) << '\n';
  out_.flush();
  return line;
}

std::optional<std::string> LineModeFrontEnd::fileDialog(
    const FileDialogRequest& request) {
  const std::string folder = startFolder(fs_, request);
  const std::string prompt =
      charset_.display(request.title) + " [" + request.fileName + "]: ";
  while (true) {
    std::optional<std::string> line = ask(prompt);
    if (!line) return std::nullopt;
    std::string name = line->empty() ? request.fileName : *line;
    NameCheck check = checkDialogName(fs_, request, folder, name);
    switch (check.verdict) {
      case NameVerdict::Accept:
        break;
      case NameVerdict::Empty:
        notice("No name given.");
        continue;
      case NameVerdict::Wildcards:
        notice("A name with wildcards chooses no file: give a file name.");
        continue;
      case NameVerdict::Folder:
        notice(check.fullPath + " is a folder: give a file name.");
        continue;
      case NameVerdict::FileMissing:
        notice("File not found: " + check.fullPath);
        continue;
      case NameVerdict::FolderMissing:
        notice("Folder not found: " + parentFolder(fs_, check.fullPath));
        continue;
      case NameVerdict::Unusable:
        notice("The name cannot be used: " + name);
        continue;
      case NameVerdict::TooLong:
        notice("The path is longer than " +
               std::to_string(request.maxPathBytes) +
               " bytes: choose a shorter one.");
        continue;
    }
    if (request.overwritePrompt && fs_.exists(check.fullPath)) {
      std::optional<std::string> answer =
          ask(check.fullPath + " exists. Replace it? [y/N]: ");
      if (!answer) return std::nullopt;
      if (*answer != "y" && *answer != "Y" && *answer != "yes") continue;
    }
    return check.fullPath;
  }
}

int LineModeFrontEnd::messageBox(const std::string& caption,
                                 const std::string& text, unsigned style) {
  std::string shown = charset_.display(caption);
  out_ << '[' << trimTrailing(shown) << "] ";
  for (std::string_view line : splitTextLines(text)) {
    out_ << trimTrailing(charset_.display(line)) << '\n';
  }
  out_.flush();
  return boxButtons(style).front().answer;
}

void LineModeFrontEnd::closeWindow() {
  if (!host_) return;
  CellView view = host_->cells();
  if (view.cells && view.cursorRow >= 0 && view.cursorRow < view.rows) {
    std::string_view row(reinterpret_cast<const char*>(view.cells) +
                             static_cast<size_t>(view.cursorRow) * view.columns,
                         static_cast<size_t>(view.columns));
    if (row.find_first_not_of(' ') != std::string_view::npos) writeRow(row);
  }
  host_ = nullptr;
}

void LineModeFrontEnd::failureBox(const std::string& caption,
                                  const std::string& text, unsigned style) {
  (void)style;
  err_ << trimTrailing(charset_.display(caption)) << ": "
       << trimTrailing(charset_.display(text)) << '\n';
  err_.flush();
}

namespace {

// Members that the stdio line mode owns; a base so that they are built
// before the front end that refers to them.
struct StdioParts {
  ProcessSignals signals;
  FdLineInput input{STDIN_FILENO, signals};
};

class StdioLineMode : private StdioParts, public LineModeFrontEnd {
 public:
  explicit StdioLineMode(FileSystem& fs)
      : LineModeFrontEnd(fs, input, std::cout, std::cerr, signals) {}
};

}  // namespace

std::unique_ptr<FrontEnd> makeStdioLineMode(FileSystem& fs) {
  return std::make_unique<StdioLineMode>(fs);
}

}  // namespace tess::platform
