#include "shell/command_driver.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "conversion/converter.h"
#include "conversion/headless.h"
#include "platform/wildcard.h"
#include "runtime/error_messages.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/runtime_error.h"
#include "runtime/screen.h"
#include "runtime/statements.h"
#include "shell/output_file.h"

namespace tess {

namespace {

using platform::Access;
using platform::DirEntry;
using platform::File;
using platform::FileSystem;
using platform::Share;

// What the file system layer saw during the command: the bytes read from
// the log being converted, and the path of the last operation that failed
// (so that an error names the file it is about).
struct FileActivity {
  uint64_t logBytesRead = 0;
  uint64_t allBytesRead = 0;
  std::string failedPath;
};

class CountingFile : public File {
 public:
  CountingFile(std::unique_ptr<File> file, std::string path, bool reader,
               FileActivity& activity)
      : file_(std::move(file)),
        path_(std::move(path)),
        reader_(reader),
        activity_(activity) {}

  int read(void* buffer, size_t n, size_t* got) override {
    const int error = note(file_->read(buffer, n, got));
    if (error == 0 && reader_) {
      activity_.logBytesRead += *got;
      activity_.allBytesRead += *got;
    }
    return error;
  }
  int write(const void* buffer, size_t n) override {
    return note(file_->write(buffer, n));
  }
  int seek(uint64_t offset) override { return note(file_->seek(offset)); }
  int size(uint64_t* bytes) override { return note(file_->size(bytes)); }
  int close() override { return note(file_->close()); }

 private:
  int note(int error) {
    if (error != 0) activity_.failedPath = path_;
    return error;
  }

  std::unique_ptr<File> file_;
  std::string path_;
  bool reader_;
  FileActivity& activity_;
};

// The file system as the command's runs see it: every call passes through,
// reads and failures are noted.
class CountingFileSystem : public FileSystem {
 public:
  CountingFileSystem(FileSystem& fs, FileActivity& activity)
      : fs_(fs), activity_(activity) {}

  bool fullPath(std::string_view name, std::string* full) override {
    return fs_.fullPath(name, full);
  }
  bool exists(const std::string& full) override { return fs_.exists(full); }
  std::unique_ptr<File> open(const std::string& full, Access access,
                             Share share, bool create, int* error) override {
    std::unique_ptr<File> file = fs_.open(full, access, share, create, error);
    if (!file) {
      activity_.failedPath = full;
      return file;
    }
    const bool reader = access == Access::Read;
    if (reader) activity_.logBytesRead = 0;
    return std::make_unique<CountingFile>(std::move(file), full, reader,
                                          activity_);
  }
  int removeFile(const std::string& full) override {
    const int error = fs_.removeFile(full);
    if (error != 0) activity_.failedPath = full;
    return error;
  }
  bool samePath(const std::string& a, const std::string& b) override {
    return fs_.samePath(a, b);
  }
  int changeDirectory(std::string_view path) override {
    return fs_.changeDirectory(path);
  }
  std::string currentDirectory() override { return fs_.currentDirectory(); }
  std::unique_ptr<platform::DirectorySearch> findFirst(
      std::string_view pattern, DirEntry* first) override {
    return fs_.findFirst(pattern, first);
  }
  bool isSeparator(unsigned char byte) const override {
    return fs_.isSeparator(byte);
  }
  char preferredSeparator() const override { return fs_.preferredSeparator(); }

 private:
  FileSystem& fs_;
  FileActivity& activity_;
};

// Thrown from a statement start when a signal asks the command to stop.
struct CommandStop {
  int signal;
};

// Statement starts of the command's runs: a stop request ends the command
// within a few statements, and the progress line is redrawn now and then.
class CommandStatements : public StatementObserver {
 public:
  // Statements between two looks at the clock.
  static constexpr unsigned kClockInterval = 4096;
  // Statements between two looks at the stop request (and, in the window,
  // at the window's messages).
  static constexpr unsigned kStopInterval = 16;

  CommandStatements(CommandHost& host, std::function<void()> progress)
      : host_(host), progress_(std::move(progress)) {}

  void statementStart(uint32_t /*line*/) override {
    if (counter_++ % kStopInterval == 0) {
      if (const int signal = host_.stopSignal()) throw CommandStop{signal};
    }
    if (progress_ && counter_ % kClockInterval == 0) progress_();
  }

 private:
  CommandHost& host_;
  std::function<void()> progress_;
  unsigned counter_ = 0;
};

// The no-message box of the conversion pass becomes a warning line.
class WarningBoxes : public MessageBoxService {
 public:
  explicit WarningBoxes(std::function<void()> warn) : warn_(std::move(warn)) {}
  int showMessageBox(int64_t, const ByteString&, const ByteString&, int64_t,
                     int64_t) override {
    warn_();
    return 0;
  }

 private:
  std::function<void()> warn_;
};

std::string baseName(const std::string& path, const FileSystem& fs) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (fs.isSeparator(static_cast<unsigned char>(path[i]))) start = i + 1;
  }
  return path.substr(start);
}

// The size of a file, or 0 when it cannot be had.
uint64_t fileSize(FileSystem& fs, const std::string& full) {
  int error = 0;
  std::unique_ptr<File> file =
      fs.open(full, Access::Read, Share::DenyNone, false, &error);
  uint64_t bytes = 0;
  if (!file || file->size(&bytes) != 0) bytes = 0;
  if (file) file->close();
  return bytes;
}

std::string formatSeconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", seconds);
  return text;
}

}  // namespace

FileKind CommandHost::fileKind(FileSystem& fs, const std::string& full) {
  if (fs.exists(full)) return FileKind::Ordinary;
  DirEntry entry;
  if (fs.findFirst(full, &entry) && entry.directory) return FileKind::Folder;
  return FileKind::Missing;
}

CommandDriver::CommandDriver(FileSystem& fs, CommandHost& host,
                             std::string program)
    : fs_(fs), host_(host), program_(std::move(program)) {}

int CommandDriver::run(const CommandOptions& options) {
  totals_ = {};
  const double start = host_.seconds();
  const std::string& output = totals_.output =
      normalizedOutputName(options.output);
  auto say = [&](const std::string& path, const std::string& text) {
    host_.message(program_ + ": " + path + ": " + text);
  };
  auto sayError = [&](const std::string& path, uint16_t number) {
    say(path, std::string(errorReason(number)) + " (error " +
                  std::to_string(number) + ")");
  };

  // Every log is checked before anything is written: a command that cannot
  // convert all of its logs leaves the output untouched.
  const size_t count = options.logs.size();
  std::vector<std::string> fullLogs(count);
  std::vector<uint64_t> logSizes(count);
  bool usable = true;
  for (size_t i = 0; i < count; ++i) {
    const std::string& log = options.logs[i];
    const FileKind kind = fs_.fullPath(log, &fullLogs[i])
                              ? host_.fileKind(fs_, fullLogs[i])
                              : FileKind::Missing;
    if (kind == FileKind::Ordinary) {
      logSizes[i] = fileSize(fs_, fullLogs[i]);
      continue;
    }
    usable = false;
    if (kind == FileKind::Missing) sayError(log, err::kFileNotFound);
    if (kind == FileKind::Folder) say(log, "is a folder, not a log");
    if (kind == FileKind::Other) say(log, "not an ordinary file");
  }
  if (!usable) return kExitError;

  std::string fullOutput;
  const bool outputResolved = fs_.fullPath(output, &fullOutput);
  if (outputResolved) {
    for (size_t i = 0; i < count; ++i) {
      if (host_.sameFile(fs_, fullOutput, fullLogs[i])) {
        say(output, "is one of the logs; nothing written");
        return kExitError;
      }
    }
  }
  const uint64_t sizeBefore =
      options.append && outputResolved ? fileSize(fs_, fullOutput) : 0;

  const bool progress = !options.quiet && host_.canShowStatus();
  const bool summary =
      options.verbose || (!options.quiet && host_.showsSummary());

  // One program run: one file table, one printer and one converter for all
  // logs. The window's lines go to the host's window, if it has one, and
  // are dropped otherwise.
  FileActivity activity;
  CountingFileSystem countingFs(fs_, activity);
  size_t current = 0;
  const Converter* converterSeen = nullptr;
  double lastDraw = -1;
  auto drawProgress = [&] {
    const double now = host_.seconds();
    if (lastDraw >= 0 && now - lastDraw < 0.1) return;
    lastDraw = now;
    const uint64_t size = logSizes[current];
    const uint64_t done = activity.logBytesRead;
    const int percent =
        size == 0
            ? 100
            : static_cast<int>(std::min<uint64_t>(done, size) * 100 / size);
    const int64_t messages =
        totals_.messages +
        (converterSeen != nullptr ? converterSeen->messageCount() : 0);
    const double elapsed = now - start;
    char rate[32];
    std::snprintf(
        rate, sizeof rate, "%.1f",
        elapsed > 0 ? static_cast<double>(activity.allBytesRead) / 1e6 / elapsed
                    : 0.0);
    host_.status(
        "[" + std::to_string(current + 1) + "/" + std::to_string(count) + "] " +
        baseName(options.logs[current], fs_) + "  " + std::to_string(percent) +
        "%  " + std::to_string(messages) + " messages  " + rate + " MB/s");
  };
  CommandStatements statements(host_, progress
                                          ? std::function<void()>(drawProgress)
                                          : std::function<void()>());
  auto warn = [&](const std::string& line) {
    if (progress) host_.status("");
    host_.message(line);
    lastDraw = -1;
  };
  WarningBoxes boxes([&] {
    warn(program_ + ": " + options.logs[current] +
         ": warning: no messages in this log");
  });
  FileTable files(countingFs, &statements);
  DiscardingWindow window;
  ScreenWindow* screen = host_.screen();
  Printer printer(files, screen != nullptr ? screen : &window, &statements);
  Converter converter(files, printer, screen, &boxes);
  converterSeen = &converter;

  enum class Step { OpenLog, OpenOutput, Convert };
  Step step = Step::OpenLog;
  int exitCode = kExitDone;
  try {
    for (current = 0; current < count; ++current) {
      const ByteString log(std::string_view(options.logs[current]));
      step = Step::OpenLog;
      if (progress) drawProgress();
      files.openFile(log, FileMode::Input, ShareMode::DenyNone,
                     Converter::kLogChannel);
      step = Step::OpenOutput;
      if (current == 0 && !options.append) {
        openNewOutput(files, ByteString(std::string_view(output)),
                      Converter::kOutputChannel);
      } else {
        openAppendedOutput(files, ByteString(std::string_view(output)),
                           Converter::kOutputChannel);
      }
      step = Step::Convert;
      activity.failedPath.clear();
      host_.runStarted(options.logs[current], output);
      converter.convertLog(log);
      files.closeFiles();
      totals_.logs += 1;
      totals_.messages += converter.messageCount();
      if (options.verbose) {
        warn(program_ + ": " + options.logs[current] + ": " +
             std::to_string(converter.messageCount()) + " messages");
      }
    }
  } catch (const RejectedOutput& rejected) {
    if (progress) host_.status("");
    sayError(output, rejected.number);
    exitCode = kExitError;
  } catch (const RuntimeError& error) {
    if (progress) host_.status("");
    const bool aboutOutput =
        step == Step::OpenOutput ||
        (step == Step::Convert && !activity.failedPath.empty() &&
         outputResolved && fs_.samePath(activity.failedPath, fullOutput));
    sayError(aboutOutput ? output : options.logs[current], error.number());
    exitCode = kExitError;
  } catch (const CommandStop& stop) {
    if (progress) host_.status("");
    exitCode = kExitSignalBase + stop.signal;
  }

  // The output is closed whatever happened, with its end-of-file mark, and
  // holds every record written so far.
  files.setObserver(nullptr);
  printer.setObserver(nullptr);
  try {
    files.closeFiles();
  } catch (const RuntimeError& error) {
    if (exitCode == kExitDone) {
      sayError(output, error.number());
      exitCode = kExitError;
    }
  }
  if (progress) host_.status("");
  if (outputResolved) {
    const uint64_t sizeAfter = fileSize(fs_, fullOutput);
    totals_.bytesWritten = sizeAfter > sizeBefore ? sizeAfter - sizeBefore : 0;
  }
  totals_.seconds = host_.seconds() - start;
  if (summary && exitCode == kExitDone) {
    host_.message(program_ + ": " + std::to_string(totals_.logs) +
                  (totals_.logs == 1 ? " log, " : " logs, ") +
                  std::to_string(totals_.messages) + " messages, " +
                  std::to_string(totals_.bytesWritten) + " bytes written to " +
                  output + " in " + formatSeconds(totals_.seconds) + " s");
  }
  return exitCode;
}

std::vector<std::string> expandWildcards(const std::vector<std::string>& logs,
                                         FileSystem& fs) {
  std::vector<std::string> expanded;
  for (const std::string& log : logs) {
    size_t nameStart = 0;
    for (size_t i = 0; i < log.size(); ++i) {
      if (fs.isSeparator(static_cast<unsigned char>(log[i]))) nameStart = i + 1;
    }
    const std::string folder = log.substr(0, nameStart);
    const std::string pattern = log.substr(nameStart);
    if (!platform::hasWildcards(pattern)) {
      expanded.push_back(log);
      continue;
    }
    std::vector<std::string> names;
    DirEntry entry;
    if (auto search = fs.findFirst(folder + "*", &entry)) {
      do {
        if (!entry.directory && entry.name != "." && entry.name != ".." &&
            platform::wildcardMatch(pattern, entry.name)) {
          names.push_back(entry.name);
        }
      } while (search->next(&entry));
    }
    if (names.empty()) {
      expanded.push_back(log);
      continue;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) expanded.push_back(folder + name);
  }
  return expanded;
}

int runCommandLine(const std::vector<std::string>& args, FileSystem& fs,
                   CommandHost& host, const std::string& program, bool expand) {
  const CommandParse parse = parseCommandLine(args);
  if (!parse.error.empty()) {
    host.message(program + ": " + parse.error);
    host.message(usageLine(program));
    host.message("Try '" + program + " --help' for more information.");
    return CommandDriver::kExitUsage;
  }
  if (parse.options.help) {
    host.helpText(helpText(program, host.helpLayout()));
    return CommandDriver::kExitDone;
  }
  if (parse.options.version) {
    host.helpText(versionText(program));
    return CommandDriver::kExitDone;
  }
  CommandOptions options = parse.options;
  if (expand) options.logs = expandWildcards(options.logs, fs);
  CommandDriver driver(fs, host, program);
  return driver.run(options);
}

}  // namespace tess
