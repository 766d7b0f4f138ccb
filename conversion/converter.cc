#include "conversion/converter.h"

#include <string_view>

namespace tess {

namespace {

// Letters that, after "#", make a line a control line of Kanbel text.
constexpr std::string_view kControlLetters = "WTFKABE";

}  // namespace

bool isControlLike(std::string_view line) {
  // "#" is a single-byte character, so a line of two or more bytes that
  // starts with it has at least two characters.
  if (line.size() < 2 || line[0] != '#') return false;
  auto second = static_cast<unsigned char>(line[1]);
  if (isLeadByte(second)) return false;
  if (second >= 'a' && second <= 'z')
    second = static_cast<unsigned char>(second - 0x20);
  return kControlLetters.find(static_cast<char>(second)) !=
         std::string_view::npos;
}

Converter::Converter(FileTable& files, Printer& printer,
                     ConversionObserver* observer)
    : files_(files),
      printer_(printer),
      observer_(observer),
      writer_(printer, kOutputChannel) {
  files_.setLineTest(kUnchangedLineTest);
}

void Converter::convertLog(const ByteString& logPath) {
  readerState_ = Body;
  messageCount_ = 0;
  logReading_ = LogReading{};
  replaced_ = 0;
  if (observer_ != nullptr) observer_->passStarted();
  resetRecord();
  skipToHeader();
  if (files_.atEndOfFile(kLogChannel)) {
    // A log cut or replaced while it was read has not been read whole.
    files_.checkInputUnchanged(kLogChannel);
    takeLogReading();
    // What the log looked like may tell why it gave no message.
    logReading_.look = files_.inputLook(kLogChannel);
    if (observer_ != nullptr) observer_->noMessages(logPath, logReading_);
    return;
  }
  // A log with a message needs no look: its first block need not be kept.
  files_.dropInputLook(kLogChannel);
  try {
    writeRecords();
  } catch (...) {
    // A run-time error or the end of the run stops the pass: the window
    // still shows the count of the records written, drawn before the
    // report. A failure of that drawing leaves the first failure to be
    // reported.
    try {
      tellPassStopped();
    } catch (...) {
    }
    throw;
  }
  tellPassStopped();
  files_.checkInputUnchanged(kLogChannel);
  takeLogReading();
  if (replaced_ > 0 && observer_ != nullptr) {
    observer_->charactersReplaced(replaced_);
  }
  files_.closeFiles();
}

void Converter::takeLogReading() {
  logReading_ = files_.inputReading(kLogChannel);
  replaced_ = files_.replacedCharacters(kLogChannel);
}

void Converter::writeRecords() {
  do {
    ++messageCount_;
    if (observer_ != nullptr) observer_->messageCounted(messageCount_);
    if (record_.headline.empty()) record_.title = "  ";
    writer_.writeHead(record_);
    readerState_ = Body;
    // The first body line is written as it is: it is neither joined nor
    // examined, even when it looks like a header or a board line. When the
    // steps would pass it unchanged anyway, it goes with the lines copied
    // after it, and the line after those is read and examined as in the
    // loop.
    const bool copiedFirst = copyUnchangedLines();
    files_.readLine(kLogChannel, currentLine_);
    if (copiedFirst) examineLine();
    while (readerState_ == Body && !files_.atEndOfFile(kLogChannel)) {
      escapeControlLine();
      writeLine(currentLine_);
      copyUnchangedLines();
      files_.readLine(kLogChannel, currentLine_);
      examineLine();
    }
    writer_.writeEnd();
    files_.markRecordEnd(kOutputChannel);
  } while (!files_.atEndOfFile(kLogChannel));
}

void Converter::resetRecord() {
  record_.board.clear();
  record_.boardLabel.clear();
  record_.mes.clear();
  record_.currentMes.clear();
  record_.headline.clear();
  record_.title.clear();
  record_.handle.clear();
  record_.userId.clear();
  record_.messageNumber.clear();
  record_.postedTime.clear();
  record_.refer.clear();
}

void Converter::skipToHeader() {
  do {
    // An exhausted log ends the search: there is nothing left to read.
    if (!files_.hasUnreadBytes(kLogChannel)) return;
    // A line that would pass the body loop's steps unchanged is message
    // text, which leaves the search where it is: a run of such lines in the
    // buffer is passed over at once. Two bytes are left behind it, so that
    // neither the end test nor the exhausted log could have stopped the
    // search within the run, and the line after it is read as before.
    const size_t text = files_.bufferedPassingLines(kLogChannel, 2);
    if (text > 0) files_.skipBufferedLines(kLogChannel, text);
    files_.readLine(kLogChannel, currentLine_);
    parseLogLine();
  } while (readerState_ < HeaderComplete && !files_.atEndOfFile(kLogChannel));
}

void Converter::escapeControlLine() {
  if (isControlLike(currentLine_.view())) {
    currentLine_ = concatenate("'", currentLine_);
  }
}

void Converter::joinSplitCharacter() {
  // Only a line whose last byte is a lone lead byte was cut.
  if (!endsInLoneLeadByte(currentLine_.view())) return;
  // With no byte left the line cannot be completed and stays as it is.
  if (!files_.hasUnreadBytes(kLogChannel)) return;
  files_.readLine(kLogChannel, continuationLine_);
  currentLine_ = concatenate(currentLine_, continuationLine_);
}

void Converter::examineLine() {
  joinSplitCharacter();
  parseLogLine();
  if (readerState_ == FalseHeader) readerState_ = Body;
  if (readerState_ == Skipping) skipToHeader();
}

bool Converter::copyUnchangedLines() {
  // Each line taken here is one turn of the body loop in which nothing
  // happens but the read and the write of the line: the line passes the
  // steps unchanged (the file table put passesUnchanged to it when its
  // block was read) and is written with the CR LF it was read with (a line
  // ended by a lone CR, or whose LF is not in the buffer yet, goes the long
  // way). At least two bytes must be left behind it, or the loop's end test
  // would stop before writing it. The buffer holds at most one block, so
  // the statement start of the copy comes at least once per block.
  const size_t taken = files_.bufferedPassingLines(kLogChannel, 2);
  if (taken == 0) {
    // A log read another way: its lines go in Shift-JIS, one at a time.
    return files_.copyConvertedLines(kLogChannel, kOutputChannel, 2) > 0;
  }
  files_.copyBufferedLines(kLogChannel, kOutputChannel, taken);
  return true;
}

void Converter::recallBoard(float conference) {
  const bool known = boards_.knows(conference);
  if (observer_ != nullptr) observer_->conferenceRecalled(conference, known);
  if (known) boards_.recall(conference, record_);
}

void Converter::tellPassStopped() {
  if (observer_ != nullptr) observer_->passStopped();
}

void Converter::writeLine(const ByteString& line, std::source_location where) {
  printStatement({line.view()}, where);
}

}  // namespace tess
