#include "platform/posix/ui_line_mode.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <istream>
#include <ostream>

#include "platform/posix/ui_dialog_rules.h"
#include "platform/posix/ui_texts.h"

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

// Control characters (C0, DEL, and C1 as UTF-8 encodes them) as "?".
std::string safeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 || b == 0x7F) {
      out += '?';
    } else if (b == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      out += '?';
      ++i;
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

// Rows kept before they are written out at the latest.
constexpr size_t kPendingLimit = 64 * 1024;

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
    if (signals_.takeBreakRequest()) {
      interrupted_ = true;
      return std::nullopt;
    }
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

LineModeFrontEnd::~LineModeFrontEnd() { flush(); }

bool LineModeFrontEnd::openWindow(const std::string& title, WindowHost* host) {
  (void)title;
  host_ = host;
  return true;
}

void LineModeFrontEnd::emit(std::string_view text) {
  pending_ += safeText(text);
}

void LineModeFrontEnd::flush() {
  if (pending_.empty()) return;
  out_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
  out_.flush();
  pending_.clear();
}

void LineModeFrontEnd::writeRow(std::string_view rowBytes) {
  // Trailing blanks go before the conversion (0x20 is never a trail byte)
  // and after it (padding of a narrow-shown last character).
  emit(trimTrailing(charset_.display(trimTrailing(rowBytes))));
  pending_ += '\n';
  if (pending_.size() >= kPendingLimit) flush();
}

void LineModeFrontEnd::rowCompleted(const std::string& rowBytes) {
  writeRow(rowBytes);
}

PumpEvents LineModeFrontEnd::pump() {
  PumpEvents events;
  events.breakRequested = signals_.takeBreakRequest() || pendingBreak_;
  pendingBreak_ = false;
  events.quit = signals_.quitRequested();
  return events;
}

void LineModeFrontEnd::notice(const std::string& sjis) {
  emit("  " + charset_.display(sjis));
  pending_ += '\n';
}

std::optional<std::string> LineModeFrontEnd::ask(const std::string& prompt) {
  if (signals_.quitRequested()) return std::nullopt;
  if (!helped_) {
    helped_ = true;
    emit(charset_.display(texts::kFirstPromptHelp));
    pending_ += '\n';
  }
  emit(prompt);
  flush();
  std::optional<std::string> line = in_.readLine();
  if (!line && in_.interrupted()) pendingBreak_ = true;
  // The answer is echoed so that the output reads like the session did;
  // a terminal has shown it already.
  if (echo_ && line) {
    // As the program takes it: an old Shift-JIS name shows as its
    // characters, bytes that are no text as "?".
    std::optional<std::string> sjis = typed_.toSjis(*line);
    emit(sjis ? charset_.display(*sjis)
              : fitToCells(*line, static_cast<int>(line->size()), false));
  }
  if (echo_ || !line) pending_ += '\n';
  return line;
}

std::optional<std::string> LineModeFrontEnd::fileDialog(
    const FileDialogRequest& request) {
  const std::string folder = startFolder(fs_, request);
  const std::string prompt = charset_.display(request.title) + " [" +
                             charset_.display(request.fileName) + "]: ";
  while (true) {
    std::optional<std::string> line = ask(prompt);
    if (!line) return std::nullopt;
    // The typed name is in the locale's charset; the program's names are
    // Shift-JIS.
    std::optional<std::string> typed =
        line->empty() ? request.fileName : typed_.toSjis(*line);
    if (!typed) {
      emit("  " + charset_.display(texts::kUnusableName) + *line);
      pending_ += '\n';
      continue;
    }
    const std::string& name = *typed;
    NameCheck check = checkDialogName(fs_, request, folder, name);
    switch (check.verdict) {
      case NameVerdict::Accept:
        break;
      case NameVerdict::Empty:
        notice(texts::kNeedName);
        continue;
      case NameVerdict::Wildcards:
        notice(texts::kWildcardName);
        continue;
      case NameVerdict::Folder:
        notice(check.fullPath + texts::kIsFolder);
        continue;
      case NameVerdict::FileMissing:
        notice(texts::kFileMissing + check.fullPath);
        continue;
      case NameVerdict::FolderMissing:
        notice(texts::kFolderMissing + parentFolder(fs_, check.fullPath));
        continue;
      case NameVerdict::Unusable:
        notice(texts::kUnusableName + name);
        continue;
      case NameVerdict::TooLong:
        notice(texts::kTooLongBefore + std::to_string(request.maxPathBytes) +
               texts::kTooLongAfter);
        continue;
    }
    if (request.overwritePrompt && fs_.exists(check.fullPath)) {
      std::optional<std::string> answer =
          ask(charset_.display(check.fullPath + texts::kReplacePrompt));
      if (!answer) return std::nullopt;
      if (*answer != "y" && *answer != "Y" && *answer != "yes") continue;
    }
    return check.fullPath;
  }
}

int LineModeFrontEnd::messageBox(const std::string& caption,
                                 const std::string& text, unsigned style) {
  emit("[" + trimTrailing(charset_.display(caption)) + "] ");
  for (std::string_view line : splitTextLines(text)) {
    emit(trimTrailing(charset_.display(line)));
    pending_ += '\n';
  }
  flush();
  return boxButtons(style).front().answer;
}

void LineModeFrontEnd::closeWindow() {
  if (host_) {
    CellView view = host_->cells();
    if (view.cells && view.cursorRow >= 0 && view.cursorRow < view.rows) {
      std::string_view row(
          reinterpret_cast<const char*>(view.cells) +
              static_cast<size_t>(view.cursorRow) * view.columns,
          static_cast<size_t>(view.columns));
      if (row.find_first_not_of(' ') != std::string_view::npos) writeRow(row);
    }
    host_ = nullptr;
  }
  flush();
}

void LineModeFrontEnd::failureBox(const std::string& caption,
                                  const std::string& text, unsigned style) {
  (void)style;
  flush();
  err_ << safeText(trimTrailing(charset_.display(caption))) << ": "
       << safeText(trimTrailing(charset_.display(text))) << '\n';
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
      : LineModeFrontEnd(fs, input, std::cout, std::cerr, signals) {
    setEcho(!isatty(STDIN_FILENO));
  }
};

}  // namespace

std::unique_ptr<FrontEnd> makeStdioLineMode(FileSystem& fs) {
  return std::make_unique<StdioLineMode>(fs);
}

}  // namespace tess::platform
