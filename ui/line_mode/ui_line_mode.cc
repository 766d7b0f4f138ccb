#include "ui/line_mode/ui_line_mode.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <istream>
#include <ostream>
#include <utility>

#include "ui/model/ui_dialog_rules.h"
#include "ui/model/ui_texts.h"

namespace tess::ui {

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
  tooLong_ = false;
  while (true) {
    size_t lineEnd = buffer_.find('\n');
    if (lineEnd != std::string::npos) {
      std::string line = buffer_.substr(0, lineEnd);
      buffer_.erase(0, lineEnd + 1);
      if (std::exchange(dropping_, false)) {
        tooLong_ = true;
        return std::string();
      }
      dropCarriageReturn(&line);
      if (line.size() > kMaxLineBytes) {
        tooLong_ = true;
        return std::string();
      }
      return line;
    }
    // A line that cannot be taken is not kept: its bytes are dropped as
    // they come, up to its end.
    if (buffer_.size() > kMaxLineBytes + 1) {
      buffer_.clear();
      dropping_ = true;
    }
    if (ended_) {
      if (buffer_.empty() && !dropping_) return std::nullopt;
      std::string line = std::move(buffer_);
      buffer_.clear();
      if (std::exchange(dropping_, false)) {
        tooLong_ = true;
        return std::string();
      }
      dropCarriageReturn(&line);
      if (line.size() > kMaxLineBytes) {
        tooLong_ = true;
        return std::string();
      }
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

LineModeFrontEnd::LineModeFrontEnd(platform::FileSystem& fs, LineInput& in,
                                   std::ostream& out, std::ostream& err,
                                   SignalSource& signals, std::string codeset)
    : fs_(fs),
      in_(in),
      out_(out),
      err_(err),
      signals_(signals),
      charset_(std::move(codeset)),
      startFolder_(fs.currentDirectory()) {}

LineModeFrontEnd::~LineModeFrontEnd() { flush(); }

bool LineModeFrontEnd::openWindow(const std::string& title, WindowHost* host) {
  if (!title.empty()) program_ = title;
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
  if (script_ && line) {
    // As the program takes it: an old Shift-JIS name shows as its
    // characters, bytes that are no text as "?".
    std::optional<std::string> sjis = typed_.toSjis(*line);
    emit(sjis ? charset_.display(*sjis)
              : fitToCells(*line, static_cast<int>(line->size()), false));
  }
  if (script_ || !line) pending_ += '\n';
  return line;
}

bool LineModeFrontEnd::answerRefused(const std::string& answer,
                                     const std::string& reason) {
  return endsScript(answer.empty() ? answer : charset_.display(answer), reason);
}

bool LineModeFrontEnd::endsScript(const std::string& shownAnswer,
                                  const std::string& reason) {
  if (!script_) return true;
  // The transcript first, then the one line that tells why the script
  // ended.
  flush();
  std::string line = program_ + ": ";
  if (!shownAnswer.empty()) line += shownAnswer + ": ";
  line += trimTrailing(charset_.display(reason));
  err_ << safeText(line) << '\n';
  err_.flush();
  failed_ = true;
  return false;
}

bool LineModeFrontEnd::refuse(const std::string& noticeSjis,
                              const std::string& answer,
                              const std::string& reasonSjis) {
  notice(noticeSjis);
  return answerRefused(answer, reasonSjis);
}

std::string LineModeFrontEnd::fromStartFolder(const std::string& full) const {
  std::string base = startFolder_;
  if (base.empty() ||
      !fs_.isSeparator(static_cast<unsigned char>(base.back()))) {
    base += fs_.preferredSeparator();
  }
  if (full.size() > base.size() && full.compare(0, base.size(), base) == 0) {
    return full.substr(base.size());
  }
  return full;
}

void LineModeFrontEnd::listMatches(const std::string& pattern) {
  const std::string folder = parentFolder(fs_, pattern);
  size_t shown = 0;
  for (const ListEntry& entry :
       listFolder(fs_, folder, lastComponent(fs_, pattern))) {
    if (entry.folder) continue;
    notice(fromStartFolder(joinPath(fs_, folder, entry.name)));
    ++shown;
  }
  if (shown == 0) notice(texts::kNoFiles);
}

std::optional<std::string> LineModeFrontEnd::fileDialog(
    const FileDialogRequest& request) {
  // The dialog's folder gives the offered name its place; typed names are
  // taken from the start folder, as a command-line tool takes them, and the
  // offered one is shown as it would have to be typed.
  const std::string offered =
      joinPath(fs_, startFolder(fs_, request), request.fileName);
  const std::string prompt = charset_.display(request.title) + " [" +
                             charset_.display(fromStartFolder(offered)) + "]: ";
  while (true) {
    std::optional<std::string> line = ask(prompt);
    if (!line) {
      // A script that ends between the log and its output leaves a run
      // half chosen.
      if (script_ && request.save && !in_.interrupted() &&
          !signals_.quitRequested()) {
        answerRefused("", texts::kInputEndedAtSave);
      }
      return std::nullopt;
    }
    if (in_.lastLineTooLong()) {
      if (!refuse(texts::kAnswerTooLong, "", texts::kAnswerTooLong)) {
        return std::nullopt;
      }
      continue;
    }
    // The typed name is in the locale's charset; the program's names are
    // Shift-JIS.
    std::optional<std::string> typed =
        line->empty() ? offered : typed_.toSjis(*line);
    if (!typed) {
      // Shown as the echo shows it: bytes that are no text as "?".
      const std::string shown =
          fitToCells(*line, static_cast<int>(line->size()), false);
      emit("  " + charset_.display(texts::kUnusableName) + shown);
      pending_ += '\n';
      if (!endsScript(shown, texts::kUnusableReason)) return std::nullopt;
      continue;
    }
    const std::string& name = *typed;
    NameCheck check = checkDialogName(fs_, request, startFolder_, name);
    bool again = true;
    switch (check.verdict) {
      case NameVerdict::Accept:
        break;
      case NameVerdict::Empty:
        again = refuse(texts::kNeedName, name, texts::kNeedName);
        break;
      case NameVerdict::Wildcards:
        // A pattern chooses nothing: at a terminal its files are listed
        // under the prompt, for the next answer.
        if (!script_) listMatches(check.fullPath);
        again = refuse(texts::kWildcardName, name, texts::kWildcardName);
        break;
      case NameVerdict::Folder:
        again = refuse(check.fullPath + texts::kIsFolder, name,
                       texts::kIsFolderReason);
        break;
      case NameVerdict::FileMissing:
        again = refuse(texts::kFileMissing + check.fullPath, name,
                       texts::kFileMissingReason);
        break;
      case NameVerdict::FolderMissing:
        again =
            refuse(texts::kFolderMissing + parentFolder(fs_, check.fullPath),
                   name, texts::kFolderMissingReason);
        break;
      case NameVerdict::Unusable:
        again =
            refuse(texts::kUnusableName + name, name, texts::kUnusableReason);
        break;
      case NameVerdict::TooLong: {
        const std::string tooLong = texts::kTooLongBefore +
                                    std::to_string(request.maxPathBytes) +
                                    texts::kTooLongAfter;
        again = refuse(tooLong, name, tooLong);
        break;
      }
    }
    if (check.verdict != NameVerdict::Accept) {
      if (!again) return std::nullopt;
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

BoxAnswer LineModeFrontEnd::messageBox(const std::string& caption,
                                       const std::string& text,
                                       BoxStyle style) {
  emit("[" + trimTrailing(charset_.display(caption)) + "] ");
  for (std::string_view line : splitTextLines(text)) {
    emit(trimTrailing(charset_.display(line)));
    pending_ += '\n';
  }
  flush();
  return boxButtons(style.buttons).front().answer;
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
                                  const std::string& text, BoxStyle style) {
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
  explicit StdioLineMode(platform::FileSystem& fs)
      : LineModeFrontEnd(fs, input, std::cout, std::cerr, signals) {
    setScript(!isatty(STDIN_FILENO));
  }
};

}  // namespace

std::unique_ptr<FrontEnd> makeStdioLineMode(platform::FileSystem& fs) {
  return std::make_unique<StdioLineMode>(fs);
}

}  // namespace tess::ui
