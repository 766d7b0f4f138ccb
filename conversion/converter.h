// The conversion pass: reads a log on channel 1 and writes one Kanbel text
// record per forum message to channel 3.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <source_location>
#include <string_view>
#include <utility>

#include "conversion/board_cache.h"
#include "conversion/conversion_observer.h"
#include "conversion/kanbel_writer.h"
#include "conversion/message_record.h"
#include "runtime/byte_string.h"
#include "runtime/file_table.h"
#include "runtime/print.h"

namespace tess {

// The questions that the steps of the body loop ask of a line, shared by
// the steps and by the shortcut that copies lines as they are read.

// escapeControlLine's test: "#" followed by one of W, T, F, K, A, B, E in
// either case.
bool isControlLike(std::string_view line);

// parseLogLine's first look at a line.
enum class LineKind {
  Text,        // message text: the reader state stays as it is
  StartsSkip,  // a no-next-page line or a GO command line
  Board,       // a board line
  Header3,     // may be a message header with three-digit numbers
  Header5      // may be a message header with five-digit numbers
};
LineKind lineKind(std::string_view line);

// A message header line is longer than 38 bytes.
constexpr size_t kShortestHeaderLine = 39;

// The first bytes that make lineKind or isControlLike look further: "#" or
// "-" first, or 0x81 0x84 or 0x81 0x9F first.
inline bool startsLikeControlOrListing(std::string_view text) {
  if (text.empty()) return false;
  const auto first = static_cast<unsigned char>(text[0]);
  return first == '#' || first == '-' ||
         (first == 0x81 && text.size() >= 2 &&
          (text[1] == '\x84' || text[1] == '\x9f'));
}

// The bytes that lineKind and isControlLike look at first, seen at once:
// true when neither can answer anything but message text (none of those
// first bytes, and in a line long enough for a header no "/" at byte 4 or
// byte 6). False says only that the full checks must decide. Inline: the
// body loop's shortcut asks it of every line.
inline bool plainTextStart(std::string_view line) {
  return !startsLikeControlOrListing(line) &&
         (line.size() < kShortestHeaderLine ||
          (line[3] != '/' && line[5] != '/'));
}

// True when the steps of the body loop pass the line through unchanged:
// joinSplitCharacter leaves it (it does not end inside a double-byte
// character), parseLogLine takes it for message text, and escapeControlLine
// leaves it.
inline bool passesUnchanged(std::string_view line) {
  return (plainTextStart(line) ||
          (lineKind(line) == LineKind::Text && !isControlLike(line))) &&
         !endsInLoneLeadByte(line);
}

// plainTextStart's first look at a line of a block, for the index of the
// log's blocks (LineTest::mayFail), from its first bytes before its end is
// known: true where "#" or "-" comes first, where 0x81 0x84 or 0x81 0x9F
// starts it, or where "/" stands three or five bytes on (whatever the
// line's length). A line without any of these has a plain text start, so
// it passes unchanged exactly when it does not end inside a double-byte
// character.
inline bool mayNotPassUnchanged(std::string_view rest) {
  return startsLikeControlOrListing(rest) ||
         (rest.size() > 3 && rest[3] == '/') ||
         (rest.size() > 5 && rest[5] == '/');
}

// The test that the body loop's shortcut puts to the log's lines. Its
// picking bytes are mayNotPassUnchanged's first bytes and its "/".
inline constexpr LineTest kUnchangedLineTest{
    &passesUnchanged, &mayNotPassUnchanged,
    PickingBytes{"#-\x81", '/', {3, 5}, 2}};

class Converter {
 public:
  static constexpr int64_t kLogChannel = 1;
  static constexpr int64_t kOutputChannel = 3;

  // The observer is told what the pass has to show (the count, the
  // conference lines, the replaced characters, a log without messages); it
  // may be null.
  Converter(FileTable& files, Printer& printer, ConversionObserver* observer);

  // One pass over the log open on channel 1 into the output open on
  // channel 3. logPath names the log in the no-message box. The record and
  // the per-conference tables carry over from one call to the next.
  void convertLog(const ByteString& logPath);

  const MessageRecord& record() const { return record_; }
  int messageCount() const { return messageCount_; }
  // How the last log was read, and how many of its characters were not
  // Shift-JIS and were replaced (set when its pass ends, with or without
  // messages).
  const LogReading& logReading() const { return logReading_; }
  uint64_t replacedCharacters() const { return replaced_; }
  ReaderState readerState() const { return readerState_; }
  const ByteString& currentLine() const { return currentLine_; }

  // The steps of the pass. They work on the record, the current line and
  // the reader state like the pass itself does; they are public so that
  // each step can be driven and checked on its own.
  MessageRecord& mutableRecord() { return record_; }
  void setCurrentLine(ByteString line) { currentLine_ = std::move(line); }
  void setReaderState(ReaderState state) { readerState_ = state; }

  // Empties the first eleven fields of the record (the last four stay).
  void resetRecord();
  // Reads and examines lines, writing none, until a message header is
  // complete or no byte of the log is left.
  void skipToHeader();
  // Puts an apostrophe in front of a line that the Kanbel text reader
  // would take for a control line.
  void escapeControlLine();
  // Appends the next log line to a line cut inside a double-byte character.
  void joinSplitCharacter();

  // The recogniser: leaves its verdict about currentLine in readerState.
  void parseLogLine();
  void cleanTitle();

 private:
  // The record loop, once a first header is complete: each message's
  // record head, its body lines up to the next header or the end of the
  // log, and its end lines, until no byte of the log is left.
  void writeRecords();
  // The body loop's steps after a line is read: the join, the recogniser
  // and the reader state's follow-up.
  void examineLine();
  // The shortcut of the body loop: the lines after the one just written
  // (or from the first body line on) that the steps would pass through
  // unchanged go to the output as one piece, straight from the log's
  // buffer. True when it took any.
  bool copyUnchangedLines();
  // Tells the observer that the pass stopped; a failure there leaves the
  // first failure to be reported.
  void tellPassStopped();
  // Takes how the log was read from its channel.
  void takeLogReading();
  void writeLine(const ByteString& line,
                 std::source_location where = std::source_location::current());
  // One print statement to the output whose items are the given parts,
  // printed as one item: the same bytes with fewer writes.
  template <PrintSeparator last = PrintSeparator::EndOfStatement, size_t count>
  void printStatement(
      const std::string_view (&items)[count],
      std::source_location where = std::source_location::current()) {
    printer_.printFileStatementOf<last>(kOutputChannel, items, where);
  }
  void parseMessageHeader(bool fiveDigits);
  // A message of another conference than the current one: the observer
  // shows the lookup, and a conference seen before gets its board back (one
  // not seen yet keeps the board of the last board line).
  void recallBoard(float conference);
  // Sets headline from the record's header line (its raw title from byte
  // titleOffset, 0-based) and handle: the title and handle columns, with
  // the board label and the five-digit number in front when withNumber.
  void composeHeadline(bool withNumber, size_t titleOffset);
  bool dateLineAccepted() const;

  FileTable& files_;
  Printer& printer_;
  ConversionObserver* observer_;
  MessageRecord record_;
  int messageCount_ = 0;
  LogReading logReading_;
  uint64_t replaced_ = 0;
  ReaderState readerState_ = Body;
  ByteString currentLine_;
  ByteString continuationLine_;
  BoardCache boards_;
  KanbelWriter writer_;
};

}  // namespace tess
