#include "shell/run_driver.h"

#include "conversion/log_reading_texts.h"
#include "conversion/output_file.h"
#include "runtime/error_messages.h"
#include "runtime/runtime_error.h"
#include "shell/shell_texts.inc"

namespace tess {

namespace {

constexpr int64_t kLogSlot = 1;
constexpr int64_t kOutputSlot = 2;
// What Dialogs::matchInfo gives of a directory search's match: its name.
constexpr int64_t kMatchName = 0;
constexpr int64_t kMainWindow = 0;
constexpr int64_t kBannerColumn = 10;

constexpr const char* kStars =
    "******************************************************";
constexpr const char* kBannerName = "                (tessarine)     ";
constexpr const char* kBannerVersion =
    "           ver 0.20 mavel     1997.08.20";
constexpr const char* kLogInitialName = "19*.*";
constexpr const char* kOutputInitialName = "kanbel.ren";
constexpr const char* kOutputExtension = ".ren";

// "名前付きパイプで、通常のファイルではありません。" and the like: why a path
// that is not a regular file is refused.
ByteString notOrdinaryReason(platform::FileKind kind) {
  std::string text;
  switch (kind) {
    case platform::FileKind::Fifo:
      text += texts::kFifo;
      text += texts::kAnd;
      break;
    case platform::FileKind::Device:
      text += texts::kDevice;
      text += texts::kAnd;
      break;
    case platform::FileKind::Socket:
      text += texts::kSocket;
      text += texts::kAnd;
      break;
    default:
      break;
  }
  text += texts::kNotOrdinary;
  return ByteString(std::move(text));
}

// "<path> は名前付きパイプで、通常のファイルではありません。" and the like.
ByteString notOrdinaryNotice(const ByteString& path, platform::FileKind kind) {
  return concatenate(concatenate(path, texts::kIsA), notOrdinaryReason(kind));
}

}  // namespace

RunDriver::RunDriver(ConversionAssembly& conversion, Dialogs& dialogs)
    : conversion_(conversion),
      files_(conversion.files()),
      printer_(conversion.printer()),
      dialogs_(dialogs) {}

void RunDriver::run() {
  while (setUp()) {
    conversion_.converter().convertLog(logPath_);
    files_.closeFiles();
  }
}

void RunDriver::printLine(const ByteString& text, std::source_location where) {
  printer_.selectOutputWindow(kMainWindow, where);
  printer_.printString(text, PrintSeparator::EndOfStatement);
}

void printRunBanner(Printer& printer) {
  auto line = [&](const ByteString& text) {
    printer.selectOutputWindow(kMainWindow);
    printer.printString(text, PrintSeparator::EndOfStatement);
  };
  auto tabbedLine = [&](const ByteString& text) {
    printer.selectOutputWindow(kMainWindow);
    printer.printString(printer.tabTo(kBannerColumn),
                        PrintSeparator::Semicolon);
    printer.printString(text, PrintSeparator::EndOfStatement);
  };
  tabbedLine(kStars);
  line("");
  tabbedLine(texts::kBannerTitle);
  tabbedLine(kBannerName);
  tabbedLine(kBannerVersion);
  tabbedLine(kStars);
  line("");
  line("");
}

ByteString convertingLine(const ByteString& logPath) {
  return concatenate(logPath, texts::kConverting);
}

ByteString savingLine(const ByteString& outputPath) {
  return concatenate(outputPath, texts::kSavingTo);
}

void RunDriver::printBanner() { printRunBanner(printer_); }

bool RunDriver::setUp() {
  printBanner();
  if (!logPath_.empty()) dialogs_.changeDirectory(logDir_);
  while (true) {
    logPath_ = dialogs_.showOpenDialog(kMainWindow, texts::kLogTitle,
                                       kLogInitialName, texts::kLogFilter, 0);
    if (logPath_ == CancelMarker) return false;
    // A FIFO, a device or a socket is no log: it would read as one without
    // messages, or never end.
    const platform::FileKind kind = files_.fileKind(logPath_);
    ByteString reason;
    if (platform::isSpecialFile(kind)) {
      printLine(notOrdinaryNotice(logPath_, kind));
      reason = notOrdinaryReason(kind);
    } else {
      // A log that cannot be read (its permission, a folder on the way, a
      // loop of links) is a choice to make again, like a wrong output.
      try {
        conversion_.openLog(logPath_);
        break;
      } catch (const RuntimeError& e) {
        if (!isAboutTheChosenFile(e.number()) &&
            e.number() != err::kPermissionDenied) {
          throw;
        }
        reason = ByteString(errorMeaning(e.number()));
        printLine(concatenate(concatenate(logPath_, ": "), reason));
      }
    }
    printLine("");
    if (!dialogs_.askAgainAfter(logPath_, reason)) return false;
  }
  printLine(convertingLine(logPath_));
  // A log read in another way says so under its line.
  const ByteString notice =
      readingNotice(files_.inputReading(Converter::kLogChannel));
  if (!notice.empty()) printLine(notice);
  logName_ = foundName(kLogSlot, logPath_, logName_);
  logDir_ = leftBytes(logPath_, byteLength(logPath_) - byteLength(logName_));

  if (!chooseOutput()) return false;

  printLine(savingLine(outputPath_));
  outputName_ = foundName(kOutputSlot, outputPath_, outputName_);
  outputDir_ =
      leftBytes(outputPath_, byteLength(outputPath_) - byteLength(outputName_));
  return true;
}

bool RunDriver::chooseOutput() {
  while (true) {
    printLine("");
    if (outputPath_.empty()) {
      outputChoice_ =
          dialogs_.showSaveDialog(kMainWindow, texts::kFirstOutputTitle,
                                  kOutputInitialName, texts::kOutputFilter, 1);
    } else {
      dialogs_.changeDirectory(outputDir_);
      outputChoice_ =
          dialogs_.showSaveDialog(kMainWindow, texts::kLaterOutputTitle,
                                  outputPath_, texts::kOutputFilter, 1);
    }
    if (outputChoice_ == CancelMarker) return false;
    outputChoice_ = trimLeadingBlanks(outputChoice_);
    // A name without "." after its first byte gets the extension; a "." in
    // a folder name counts too.
    if (findBytes(1, outputChoice_, ".") <= 1) {
      outputChoice_ = concatenate(outputChoice_, kOutputExtension);
      // A name the extension makes longer than the file system takes
      // could not be opened, nor offered by the next run's dialog.
      if (static_cast<size_t>(byteLength(outputChoice_)) >
          dialogs_.maxPathBytes()) {
        if (!rejectName(texts::kNameTooLong)) return false;
        continue;
      }
    }
    if (outputChoice_ == outputPath_) {
      // The file of the previous run: the records are added to it, unless
      // it is the log of this run.
      try {
        conversion_.openOutput(outputPath_,
                               ConversionAssembly::OutputMode::Append);
        return true;
      } catch (const RuntimeError& e) {
        if (e.number() != err::kAlreadyOpen) throw;
        if (!rejectName(texts::kOutputIsTheLog)) return false;
        continue;
      }
    }
    outputPath_ = outputChoice_;
    try {
      // Only the opening of a new output file is guarded: an error about
      // the chosen file says why and asks again; an existing file is
      // rewritten in place. Any other error ends the run with its report.
      conversion_.openOutput(outputPath_, ConversionAssembly::OutputMode::New);
      return true;
    } catch (const RejectedOutput& rejected) {
      const ByteString reason =
          rejected.notRegularFile()
              ? notOrdinaryNotice(outputChoice_, rejected.kind)
          : rejected.number == err::kAlreadyOpen
              ? ByteString(texts::kOutputIsTheLog)
              : ByteString(errorMeaning(rejected.number));
      if (!rejectName(reason)) return false;
    }
  }
}

bool RunDriver::rejectName(const ByteString& reason) {
  printLine("");
  outputPath_.clear();
  printLine(texts::kBadName1);
  printLine(texts::kBadName2);
  printLine(reason);
  return dialogs_.askAgainAfter(outputChoice_, reason);
}

ByteString RunDriver::foundName(int64_t slot, const ByteString& path,
                                const ByteString& previous) {
  ByteString name = previous;
  dialogs_.openSearch(slot, path);
  dialogs_.nextMatch(slot);
  if (!dialogs_.searchExhausted(slot)) {
    name = dialogs_.matchInfo(slot, kMatchName);
  }
  dialogs_.closeSearch(slot);
  return name;
}

}  // namespace tess
