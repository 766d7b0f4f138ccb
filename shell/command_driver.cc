#include "shell/command_driver.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "conversion/conversion_assembly.h"
#include "conversion/converter.h"
#include "conversion/log_reading_texts.h"
#include "conversion/output_file.h"
#include "platform/wildcard.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/runtime_error.h"
#include "runtime/screen.h"
#include "runtime/statements.h"
#include "shell/command_statements.h"
#include "shell/dialogs.h"

namespace tess {

namespace {

using platform::Access;
using platform::DirEntry;
using platform::File;
using platform::FileSystem;
using platform::Share;

// Errors that only writing raises: about the output wherever they come
// from.
bool isWriteError(uint16_t number) {
  return number == err::kCannotCreate || number == err::kDiskFull ||
         number == err::kWriteProtected || number == err::kAccessDenied;
}

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
  return path.substr(nameStart(path, fs));
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

PathKind CommandHost::fileKind(FileSystem& fs, const std::string& full,
                               uint64_t* size, std::string* identity) {
  (void)identity;
  DirEntry entry;
  if (!fs.findFirst(full, &entry)) return PathKind::Missing;
  if (entry.directory) return PathKind::Folder;
  *size = entry.size;
  return fs.exists(full) ? PathKind::Ordinary : PathKind::Missing;
}

CommandDriver::CommandDriver(FileSystem& fs, CommandHost& host,
                             std::string program)
    : fs_(fs), host_(host), program_(std::move(program)) {}

int CommandDriver::run(const CommandOptions& options) {
  totals_ = {};
  const double start = host_.seconds();
  const CommandTexts texts = host_.texts();
  const bool sjisNames = texts.encoding() == TextEncoding::ShiftJis;
  const std::string& output = totals_.output =
      normalizedOutputName(options.output, fs_, sjisNames);
  auto say = [&](const std::string& path, const std::string& text) {
    host_.message(program_ + ": " + path + ": " + text);
  };
  auto sayError = [&](const std::string& path, uint16_t number) {
    say(path, texts.error(number));
  };

  // Every log is checked before anything is written: a command that cannot
  // convert all of its logs leaves the output untouched.
  const size_t count = options.logs.size();
  std::vector<std::string> fullLogs(count);
  std::vector<uint64_t> logSizes(count);
  std::vector<std::string> logIdentities(count);
  bool usable = true;
  for (size_t i = 0; i < count; ++i) {
    const std::string& log = options.logs[i];
    const PathKind kind =
        fs_.fullPath(log, &fullLogs[i])
            ? host_.fileKind(fs_, fullLogs[i], &logSizes[i], &logIdentities[i])
            : PathKind::Missing;
    if (kind == PathKind::Folder) {
      sayError(log, err::kIsAFolder);
      usable = false;
      continue;
    }
    if (kind == PathKind::Other) {
      sayError(log, err::kNotOrdinaryFile);
      usable = false;
      continue;
    }
    // A log that cannot be read (its permission, a folder on the way, a
    // loop of links, a missing file) says why before anything is written.
    // It is not opened before its turn where the system can tell without:
    // another program's hold on it then shows at its turn.
    int error = 0;
    if (kind == PathKind::Ordinary) {
      error = fs_.readError(fullLogs[i]);
      if (error == 0) continue;
    }
    usable = false;
    if (kind == PathKind::Missing) {
      // What is missing: the file, a folder, or the way to it.
      if (fs_.fullPath(log, &fullLogs[i])) error = fs_.readError(fullLogs[i]);
      if (error == 0 || error == err::kBadFileName) {
        error = error == 0 ? err::kFileNotFound : error;
      }
    }
    sayError(log,
             static_cast<uint16_t>(error != 0 ? error : err::kFileNotFound));
  }
  if (!usable) return kExitError;

  std::string fullOutput;
  const bool outputResolved = fs_.fullPath(output, &fullOutput);
  if (outputResolved) {
    uint64_t ignored = 0;
    std::string identity;
    if (host_.fileKind(fs_, fullOutput, &ignored, &identity) ==
        PathKind::Folder) {
      sayError(output, err::kIsAFolder);
      return kExitError;
    }
    // Another name of one of the logs (a link) is that log too.
    for (size_t i = 0; i < count; ++i) {
      if ((!identity.empty() && identity == logIdentities[i]) ||
          fs_.samePath(fullOutput, fullLogs[i])) {
        say(output, texts(Text::OutputIsLog));
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
  size_t current = 0;
  uint64_t bytesBefore = 0;  // of the logs before the current one
  const FileTable* table = nullptr;
  const Converter* converterSeen = nullptr;
  double lastDraw = -1;
  auto drawProgress = [&] {
    const double now = host_.seconds();
    if (lastDraw >= 0 && now - lastDraw < 0.1) return;
    lastDraw = now;
    const uint64_t size = logSizes[current];
    const uint64_t done =
        table != nullptr ? table->position(Converter::kLogChannel) : 0;
    const int percent =
        size == 0
            ? 100
            : static_cast<int>(std::min<uint64_t>(done, size) * 100 / size);
    const int64_t messages =
        totals_.messages +
        (converterSeen != nullptr ? converterSeen->messageCount() : 0);
    const double elapsed = now - start;
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f",
                  elapsed > 0
                      ? static_cast<double>(bytesBefore + done) / 1e6 / elapsed
                      : 0.0);
    host_.status(
        texts(Text::Progress,
              {std::to_string(current + 1), std::to_string(count),
               baseName(options.logs[current], fs_), std::to_string(percent),
               std::to_string(messages), rate}));
  };
  const std::function<void()> progressHook =
      progress ? std::function<void()>(drawProgress) : std::function<void()>();
  const std::function<int()> stopSignal = [this] { return host_.stopSignal(); };
  CommandStatements::Shared shared;
  CommandStatements fileStatements(stopSignal, progressHook, shared);
  CommandStatements printStatements(stopSignal, progressHook, shared);
  auto warn = [&](const std::string& line) {
    if (progress) host_.status("");
    host_.message(line);
    lastDraw = -1;
  };
  WarningBoxes boxes([&] {
    // What the log looked like, when that may be why.
    const std::string look = converterSeen != nullptr
                                 ? lookNoticeText(converterSeen->logReading())
                                 : std::string();
    warn(program_ + ": " + options.logs[current] + ": " +
         texts(Text::NoMessages) +
         (look.empty() ? std::string() : "; " + look));
  });
  ConversionAssembly conversion(
      fs_, {&fileStatements, &printStatements, host_.screen(), &boxes});
  conversion.setCountClock(host_.countClock());
  FileTable& files = conversion.files();
  Printer& printer = conversion.printer();
  const Converter& converter = conversion.converter();
  files.setLogChoice(options.logChoice);
  // Every run adds to the one output: it stays open, held against other
  // writers, from the first run to the end of the command.
  files.keepOutputOpen(true);
  table = &files;
  converterSeen = &converter;
  // The logs and the output are opened by the full paths found when they
  // were checked.
  const std::string& outputPath = outputResolved ? fullOutput : output;

  enum class Step { OpenLog, OpenOutput, Convert, Close };
  Step step = Step::OpenLog;
  int exitCode = kExitDone;
  try {
    for (current = 0; current < count; ++current) {
      const ByteString log(std::string_view(options.logs[current]));
      step = Step::OpenLog;
      if (progress) drawProgress();
      conversion.openLog(ByteString(std::string_view(fullLogs[current])));
      step = Step::OpenOutput;
      conversion.openOutput(ByteString(std::string_view(outputPath)),
                            current == 0 && !options.append
                                ? ConversionAssembly::OutputMode::New
                                : ConversionAssembly::OutputMode::Append);
      step = Step::Convert;
      host_.runStarted(options.logs[current], output,
                       files.inputReading(Converter::kLogChannel));
      conversion.converter().convertLog(log);
      step = Step::Close;
      files.closeFiles();
      bytesBefore += logSizes[current];
      totals_.logs += 1;
      totals_.messages += converter.messageCount();
      totals_.replaced += converter.replacedCharacters();
      if (options.verbose) {
        std::string line = program_ + ": " + options.logs[current] + ": " +
                           texts(Text::LogMessages,
                                 {std::to_string(converter.messageCount())});
        for (const std::string& notice :
             {readingNoticeText(converter.logReading()),
              replacedNoticeText(converter.replacedCharacters())}) {
          if (!notice.empty()) line += "; " + notice;
        }
        warn(line);
      }
    }
  } catch (const RejectedOutput& rejected) {
    if (progress) host_.status("");
    sayError(output, rejected.number);
    exitCode = kExitError;
  } catch (const RuntimeError& error) {
    if (progress) host_.status("");
    // While converting, a print statement writes the output, and the file
    // table's statements read the log (apart from the final close).
    const bool aboutOutput =
        step == Step::OpenOutput || step == Step::Close ||
        (step == Step::Convert &&
         (printStatements.hadLastStart() || isWriteError(error.number())));
    sayError(aboutOutput ? output : options.logs[current], error.number());
    exitCode = kExitError;
  } catch (const CommandStop& stop) {
    if (progress) host_.status("");
    exitCode = kExitSignalBase + stop.signal;
  }

  // The output is closed whatever happened, with its end-of-file mark, and
  // holds every whole record written so far: a run that ended early is cut
  // back to the end of its last whole record.
  files.setObserver(nullptr);
  printer.setObserver(nullptr);
  if (exitCode != kExitDone) files.keepWholeRecords();
  auto closing = [&](auto&& close) {
    try {
      close();
    } catch (const RuntimeError& error) {
      if (exitCode == kExitDone) {
        sayError(output, error.number());
        exitCode = kExitError;
      }
    }
  };
  closing([&] { files.closeFiles(); });
  closing([&] { files.keepOutputOpen(false); });
  if (progress) host_.status("");
  if (outputResolved) {
    const uint64_t sizeAfter = fileSize(fs_, fullOutput);
    totals_.bytesWritten = sizeAfter > sizeBefore ? sizeAfter - sizeBefore : 0;
  }
  totals_.seconds = host_.seconds() - start;
  if (summary && exitCode == kExitDone) {
    host_.message(
        program_ + ": " +
        texts(totals_.logs == 1 ? Text::SummaryOneLog : Text::SummaryLogs,
              {std::to_string(totals_.logs), std::to_string(totals_.messages),
               std::to_string(totals_.bytesWritten), output,
               formatSeconds(totals_.seconds)}) +
        (totals_.replaced > 0 ? "; " + replacedNoticeText(totals_.replaced)
                              : std::string()));
  }
  return exitCode;
}

std::vector<std::string> expandWildcards(const std::vector<std::string>& logs,
                                         FileSystem& fs) {
  std::vector<std::string> expanded;
  for (const std::string& log : logs) {
    const size_t start = nameStart(log, fs);
    const std::string folder = log.substr(0, start);
    const std::string pattern = log.substr(start);
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
  const CommandTexts texts = host.texts();
  const CommandParse parse = parseCommandLine(args);
  std::optional<Text> error = parse.error;
  std::string argument = parse.errorArgument;
  if (!error && !parse.options.help && !parse.options.version) {
    error = outputNameFault(parse.options.output, fs,
                            texts.encoding() == TextEncoding::ShiftJis);
    argument = parse.options.output;
  }
  if (error) {
    host.message(program + ": " + texts(*error, {argument}));
    host.message(texts(Text::Usage, {program}));
    host.message(texts(Text::TryHelp, {program}));
    return CommandDriver::kExitUsage;
  }
  if (parse.options.help) {
    host.helpText(texts(host.help(), {program}));
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
