#include "shell/run_driver.h"

#include "conversion/log_reading_texts.h"
#include "conversion/output_file.h"
#include "runtime/error_messages.h"
#include "runtime/runtime_error.h"

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

//           nifty log →　Kanbelテキスト
constexpr const char* kBannerTitle =
    "          nifty log \x81\xA8\x81\x40Kanbel\x83\x65\x83\x4C\x83\x58"
    "\x83\x67";

//  に含まれる発言をKanbelテキスト化します
constexpr const char* kConverting =
    " \x82\xC9\x8A\xDC\x82\xDC\x82\xEA\x82\xE9\x94\xAD\x8C\xBE\x82\xF0Kanbel"
    "\x83\x65\x83\x4C\x83\x58\x83\x67\x89\xBB\x82\xB5\x82\xDC\x82\xB7";

// 　に保存します。
constexpr const char* kSavingTo =
    "\x81\x40\x82\xC9\x95\xDB\x91\xB6\x82\xB5\x82\xDC\x82\xB7\x81\x42";

// niftyログのファイル指定(キャンセルで終了）
constexpr const char* kLogTitle =
    "nifty\x83\x8D\x83\x4F\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x8E\x77"
    "\x92\xE8(\x83\x4C\x83\x83\x83\x93\x83\x5A\x83\x8B\x82\xC5\x8F\x49"
    "\x97\xB9\x81\x6A";

// nifty log用(19*.*);nifty log用(20*.*);nifty log用(*.LOG);
// すべてのファイル(*.*)
constexpr const char* kLogFilter =
    "nifty log\x97\x70(19*.*);nifty log\x97\x70(20*.*);"
    "nifty log\x97\x70(*.LOG);"
    "\x82\xB7\x82\xD7\x82\xC4\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B(*.*)";

// 保存するKanbelテキストファイル名　（同じなら上書き）
constexpr const char* kFirstOutputTitle =
    "\x95\xDB\x91\xB6\x82\xB7\x82\xE9Kanbel\x83\x65\x83\x4C\x83\x58\x83\x67"
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC\x81\x40\x81\x69\x93\xAF\x82\xB6"
    "\x82\xC8\x82\xE7\x8F\xE3\x8F\x91\x82\xAB\x81\x6A";

// 保存するKanbelテキストファイル名　(前と同じなら追加)
constexpr const char* kLaterOutputTitle =
    "\x95\xDB\x91\xB6\x82\xB7\x82\xE9Kanbel\x83\x65\x83\x4C\x83\x58\x83\x67"
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC\x81\x40(\x91\x4F\x82\xC6"
    "\x93\xAF\x82\xB6\x82\xC8\x82\xE7\x92\xC7\x89\xC1)";

// Kanbelテキスト(*.ren)
constexpr const char* kOutputFilter =
    "Kanbel\x83\x65\x83\x4C\x83\x58\x83\x67(*.ren)";

// ファイルの記述に間違いがあります。
constexpr const char* kBadName1 =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x8B\x4C\x8F\x71\x82\xC9\x8A\xD4"
    "\x88\xE1\x82\xA2\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7\x81\x42";

// パスやファイル名をチェックしてください。
constexpr const char* kBadName2 =
    "\x83\x70\x83\x58\x82\xE2\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC\x82\xF0"
    "\x83\x60\x83\x46\x83\x62\x83\x4E\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3"
    "\x82\xA2\x81\x42";

// ファイル名が長すぎます。
constexpr const char* kNameTooLong =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC\x82\xAA\x92\xB7\x82\xB7\x82\xAC"
    "\x82\xDC\x82\xB7\x81\x42";

// 出力のファイルは変換するログと同じです。
constexpr const char* kOutputIsTheLog =
    "\x8F\x6F\x97\xCD\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCD"
    "\x95\xCF\x8A\xB7\x82\xB7\x82\xE9\x83\x8D\x83\x4F\x82\xC6\x93\xAF"
    "\x82\xB6\x82\xC5\x82\xB7\x81\x42";

//  は
constexpr const char* kIsA = " \x82\xCD";
// 名前付きパイプ
constexpr const char* kFifo =
    "\x96\xBC\x91\x4F\x95\x74\x82\xAB\x83\x70\x83\x43\x83\x76";
// デバイス
constexpr const char* kDevice = "\x83\x66\x83\x6F\x83\x43\x83\x58";
// ソケット
constexpr const char* kSocket = "\x83\x5C\x83\x50\x83\x62\x83\x67";
// で、
constexpr const char* kAnd = "\x82\xC5\x81\x41";
// 通常のファイルではありません。
constexpr const char* kNotOrdinary =
    "\x92\xCA\x8F\xED\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xC5\x82\xCD"
    "\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";

// "名前付きパイプで、通常のファイルではありません。" and the like: why a path
// that is not a regular file is refused.
ByteString notOrdinaryReason(platform::FileKind kind) {
  std::string text;
  switch (kind) {
    case platform::FileKind::Fifo:
      text += kFifo;
      text += kAnd;
      break;
    case platform::FileKind::Device:
      text += kDevice;
      text += kAnd;
      break;
    case platform::FileKind::Socket:
      text += kSocket;
      text += kAnd;
      break;
    default:
      break;
  }
  text += kNotOrdinary;
  return ByteString(std::move(text));
}

// "<path> は名前付きパイプで、通常のファイルではありません。" and the like.
ByteString notOrdinaryNotice(const ByteString& path, platform::FileKind kind) {
  return concatenate(concatenate(path, kIsA), notOrdinaryReason(kind));
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
  tabbedLine(kBannerTitle);
  tabbedLine(kBannerName);
  tabbedLine(kBannerVersion);
  tabbedLine(kStars);
  line("");
  line("");
}

ByteString convertingLine(const ByteString& logPath) {
  return concatenate(logPath, kConverting);
}

ByteString savingLine(const ByteString& outputPath) {
  return concatenate(outputPath, kSavingTo);
}

void RunDriver::printBanner() { printRunBanner(printer_); }

bool RunDriver::setUp() {
  printBanner();
  if (!logPath_.empty()) dialogs_.changeDirectory(logDir_);
  while (true) {
    logPath_ = dialogs_.showOpenDialog(kMainWindow, kLogTitle, kLogInitialName,
                                       kLogFilter, 0);
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
      outputChoice_ = dialogs_.showSaveDialog(
          kMainWindow, kFirstOutputTitle, kOutputInitialName, kOutputFilter, 1);
    } else {
      dialogs_.changeDirectory(outputDir_);
      outputChoice_ = dialogs_.showSaveDialog(kMainWindow, kLaterOutputTitle,
                                              outputPath_, kOutputFilter, 1);
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
        if (!rejectName(kNameTooLong)) return false;
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
        if (!rejectName(kOutputIsTheLog)) return false;
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
              ? ByteString(kOutputIsTheLog)
              : ByteString(errorMeaning(rejected.number));
      if (!rejectName(reason)) return false;
    }
  }
}

bool RunDriver::rejectName(const ByteString& reason) {
  printLine("");
  outputPath_.clear();
  printLine(kBadName1);
  printLine(kBadName2);
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
