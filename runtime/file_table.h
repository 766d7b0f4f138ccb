// Numbered file channels 1..255 over the platform's files: opening in the
// three modes, line reading with the exact terminator rules, the end-of-file
// test, writing, closing (with the end-of-file mark) and deletion.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <source_location>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "runtime/background_io.h"
#include "runtime/block_index.h"
#include "runtime/byte_string.h"
#include "runtime/log_decoder.h"
#include "runtime/log_reading.h"
#include "runtime/runtime_error.h"
#include "runtime/statements.h"

namespace tess {

enum class FileMode { Input = 1, Output = 2, Append = 3 };
enum class ShareMode {
  Default = 0,
  DenyWrite = 1,
  DenyRead = 2,
  DenyNone = 3,
  Exclusive = 4
};

constexpr unsigned char EndOfFileMark = 0x1A;

class FileTable {
 public:
  static constexpr int kChannels = 255;

  explicit FileTable(platform::FileSystem& fs,
                     StatementObserver* observer = nullptr);
  ~FileTable();  // closes every channel; errors are swallowed here
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  void setObserver(StatementObserver* observer) { observer_ = observer; }
  // The test that input channels put to each line of a block as it is read
  // (none by default), for bufferedPassingLines. Blocks read before keep the
  // test they were read with.
  void setLineTest(LineTest test);
  // How input channels opened from now on read their lines: decided from
  // each log's first block (the default) or as asked.
  void setLogChoice(LogChoice choice) { logChoice_ = choice; }
  // How the input channel reads its lines: decided from its first block,
  // which is read for it if no line has been read yet. A failing read
  // leaves the reading undecided; its error is raised by the next readLine,
  // where reading the block would have raised it.
  // Its look (LogReading::look) is left Plain: inputLook takes it.
  LogReading inputReading(int64_t channel);
  // What the input channel's first block looked like (LogReading::look),
  // taken now: it tells only why a log gave no message.
  LogLook inputLook(int64_t channel);
  // The input channel's look will not be asked for (its log gave a
  // message): its first block is not kept once a later block is read.
  // inputLook then finds nothing to look at (Plain).
  void dropInputLook(int64_t channel);
  // The characters of the input channel that were not Shift-JIS and were
  // replaced by the mark 〓 so far.
  uint64_t replacedCharacters(int64_t channel) const;

  // Output and Append opens refuse a file that is open on a channel, by any
  // name (52). Append adds at the file's end-of-file mark when only CR, LF,
  // NUL bytes and marks follow it, and drops those.
  void openFile(const ByteString& name, FileMode mode, ShareMode share,
                int64_t channel,
                std::source_location where = std::source_location::current());
  // Opens name on channel in Output mode as a new, empty file, replacing a
  // file that is there in place: it is opened (or created), held with its
  // sharing, and only then emptied; never deleted. The checks and errors of
  // openFile, and: 52 when the file is open on a channel (by any name), 53
  // when the path names a device, FIFO or socket (nothing is written there),
  // 75 when the user may not write the file or another program holds it.
  void openReplacing(
      const ByteString& name, ShareMode share, int64_t channel,
      std::source_location where = std::source_location::current());
  // For runs that all add to one output (the command line's): closing an
  // output channel ends its file with the end-of-file mark as always but
  // keeps the file open, with its sharing, and an Append open of that file
  // with the same sharing, while its name still names it, goes on at that
  // mark without opening the file, claiming its sharing and looking for its
  // mark again. Any other opening for writing, a deletion and turning this
  // off close the file kept (the failure of that close is raised).
  void keepOutputOpen(bool keep);
  // What the name names (symbolic links followed).
  platform::FileKind fileKind(const ByteString& name);
  // selectInputFile plus readLine: stores the next line of the channel
  // (without its terminator) into line. Error 54 when nothing is left.
  void readLine(int64_t channel, ByteString& line,
                std::source_location where = std::source_location::current());
  // The unread bytes of an input channel that already stand in its buffer,
  // up to its first NUL byte and within the size taken at open: bytes that
  // readLine would take next as they are, without a read. May be empty.
  std::string_view bufferedInput(int64_t channel);
  // The length of the longest run of whole lines at the start of
  // bufferedInput(channel) that leaves at least leaveBehind of its bytes
  // after it, each line ended by CR LF and passing the line test. 0 when
  // the unread bytes do not start where a line of the buffered block
  // starts (the block's first line among them).
  size_t bufferedPassingLines(int64_t channel, size_t leaveBehind);
  // One print statement to the output channel `to` of the first count bytes
  // of bufferedInput(from), which are consumed from the input: whole lines
  // with their CR LF, written as they were read. The output's column is 0
  // afterwards. Announces one statement start at where.
  void copyBufferedLines(
      int64_t from, int64_t to, size_t count,
      std::source_location where = std::source_location::current());
  // The first count bytes of bufferedInput(channel), whole lines, consumed
  // as the reads of those lines would consume them, in one statement that
  // announces its start at where: lines that are only read and passed over.
  void skipBufferedLines(
      int64_t channel, size_t count,
      std::source_location where = std::source_location::current());
  // For an input read another way (LF ends or another encoding): one print
  // statement to the output `to` of the lines at the unread position that,
  // once in Shift-JIS, pass the line test, each whole in the buffered block,
  // without NUL and with at least leaveBehind unread bytes after it; each
  // is written in Shift-JIS with CR LF and consumed. Returns how many;
  // 0 (and no statement) for a plain input or when the first does not pass.
  size_t copyConvertedLines(
      int64_t from, int64_t to, size_t leaveBehind,
      std::source_location where = std::source_location::current());
  // True when at most one unread byte remains.
  bool atEndOfFile(int64_t channel);
  // Error 62 unless the input channel's path still names the file that was
  // opened and the file still has the size it had then: a log that another
  // program cut, extended or replaced while it was read gives no result.
  void checkInputUnchanged(
      int64_t channel,
      std::source_location where = std::source_location::current());
  // The bytes written to the output channel so far end a whole record: an
  // output that ends early is cut back to the last such point.
  void markRecordEnd(int64_t channel) {
    if (Channel* ch = openOrNull(channel)) ch->recordEnd = ch->position;
  }
  // For a run that ends early (an error, a break, a signal): every output
  // channel is cut back to the end of its last whole record (or to its
  // length before it was opened when none is whole), with the records
  // before it in the file, so that closing ends it with its mark there.
  // Returns the first failure (0: none); the channels stay open.
  int keepWholeRecords();
  // True when any unread byte remains (position < size).
  bool hasUnreadBytes(int64_t channel);
  // selectOutputFile's checks: 50 outside 1..255, 57 when not open.
  void checkOutputChannel(int64_t channel);
  // Writes bytes at the channel's position (buffered). 51 for an Input file.
  void writeBytes(int64_t channel, std::string_view bytes);
  // The print column kept with the channel.
  int column(int64_t channel) const;
  void setColumn(int64_t channel, int column);
  // No channels: close every open channel.
  void closeFiles(std::initializer_list<int64_t> channels = {},
                  std::source_location where = std::source_location::current());
  // Writes out buffered output of every channel (errors are raised).
  void flushAll();
  void deleteFile(const ByteString& name,
                  std::source_location where = std::source_location::current());
  // Existence test; on success *fullPath (if given) holds the resolved path.
  bool fileExists(const ByteString& name, ByteString* fullPath = nullptr);
  bool isOpen(int64_t channel) const;
  // Bytes of the channel read or written so far; 0 when it is not open.
  uint64_t position(int64_t channel) const {
    const Channel* ch = openOrNull(channel);
    return ch != nullptr ? ch->position : 0;
  }

 private:
  // Input is read and output written through one buffer of this size per
  // channel, so that a line costs no system call of its own.
  static constexpr size_t kBufferBytes = size_t{1} << 16;

  struct Channel {
    FileMode mode = FileMode::Input;
    platform::Share share = platform::Share::DenyNone;
    std::string path;  // full path as resolved at open
    std::unique_ptr<platform::File> file;
    // Input: the length at open. Output and Append: raised by writes.
    uint64_t size = 0;
    // Input: the bytes of the blocks taken from the file so far. No block
    // is read ahead once they reach the length at open: nothing after it is
    // read as the log's (a log that grew is read on where it is needed).
    uint64_t fetched = 0;
    // Offset of the next byte read or written (the program's view;
    // buffered bytes already count).
    uint64_t position = 0;
    int column = 0;

    // Output and Append: where the last whole record ends (markRecordEnd;
    // the length at open until then), where the last whole record ends of
    // the bytes known to be in the file, and of the bytes of the transfer
    // running in the background; and whether a write failed, after which
    // the file's bytes past writtenRecordEnd are not known.
    uint64_t recordEnd = 0;
    uint64_t writtenRecordEnd = 0;
    uint64_t transferRecordEnd = 0;
    bool writeFailed = false;

    // Input: buffer[begin, end) holds the file's bytes from position on.
    // Output and Append: buffer[0, end) holds bytes not yet written.
    std::unique_ptr<char[]> buffer;
    size_t begin = 0;
    size_t end = 0;
    // Input: index of the first NUL byte in buffer[begin, end), or end
    // when there is none. NUL bytes are rare: searching for the next one
    // once per block, and again only after one has been passed, spares
    // every line a second scan of its bytes.
    size_t nul = 0;
    // Input: where the lines of buffer[0, end) are, and the test they were
    // read with.
    std::unique_ptr<BlockIndex> index;
    LineTest lineTest;

    // Input: how the lines are read, decided from the first block. A log
    // that is not Shift-JIS has its lines' bytes gathered in raw and
    // written in Shift-JIS by the decoder.
    LogChoice choice;
    bool decided = false;
    uint16_t pendingError = 0;  // of the decision's read, not yet raised
    LogReading reading;
    // The first block's bytes that the decision looked at, for inputLook:
    // in the buffer while it holds the first block (keepFirstBlock), copied
    // here when a later block is read unless the look was dropped first.
    std::string firstBlock;
    bool keepFirstBlock = false;
    std::unique_ptr<LogDecoder> decoder;
    std::string raw;
    std::string copied;  // copyConvertedLines' lines

    // With background transfers (io set): the second buffer, which the
    // worker reads the next block into (Input) or writes out from (Output
    // and Append), and that transfer.
    BackgroundIo* io = nullptr;
    std::unique_ptr<char[]> spare;
    std::unique_ptr<BlockIndex> spareIndex;  // Input: the spare's index
    BackgroundIo::Transfer transfer;

    // Adds bytes to the buffered output. Defined here so that the print
    // path copies an item straight into the buffer.
    void put(std::string_view bytes) {
      if (bytes.size() < kBufferBytes - end) {  // the buffer stays unfilled
        std::memcpy(buffer.get() + end, bytes.data(), bytes.size());
        end += bytes.size();
        position += bytes.size();
        if (size < position) size = position;
        return;
      }
      putAndWriteOut(bytes);
    }
    // put for bytes that fill the buffer: the buffer is written out.
    void putAndWriteOut(std::string_view bytes);
    // Writes out the buffered output; the buffer is emptied also when the
    // write fails (the failure is reported once, as the run-time error).
    // Written behind, the buffer is handed to the worker once the write
    // before it is done; that write's failure is reported here, in place
    // of this one, whose bytes are dropped.
    int flush();
    // Takes the result of a write made here: a failure marks the file's
    // bytes as unknown past writtenRecordEnd, a success moves that to
    // recordEnd. Returns error.
    int wrote(int error);
    // Waits for the transfer running in the background, if any, and takes
    // its failure (0: none).
    int finishTransfer();
    // Starts reading the block after the buffered one into spare.
    void readAhead();
    // Reads the next block after the buffered input; false at the
    // physical end of the file.
    bool refill();
    // The first block's bytes that the decision looks at, while the buffer
    // holds that block.
    std::string_view firstBlockInBuffer() const {
      return {buffer.get(), std::min(end, kDecisionBytes)};
    }
    // Index of the first NUL byte in buffer[from, end), or end.
    size_t nulFrom(size_t from) const;
    // Appends the next span bytes of the input to out, dropping NUL bytes,
    // and consumes them.
    void takeWithoutNul(std::string& out, size_t span);
    // Decides the reading from the first block (reading it first when it
    // is not in the buffer yet).
    void decide();
    // readLine for a log that is not read as it is: LF ends, or another
    // encoding.
    void readConvertedLine(std::string& out);
    // After a CR that ended a line: takes an LF right after it.
    void takeLineFeed();
  };

  // The channel's record, or null when it is not open (or out of range).
  Channel* openOrNull(int64_t channel) const {
    return channel >= 1 && channel <= kChannels
               ? channels_[static_cast<size_t>(channel)].get()
               : nullptr;
  }
  // The open channel: 50 outside 1..255, 57 when not open.
  Channel& openChannel(int64_t channel) {
    if (Channel* ch = openOrNull(channel)) return *ch;
    raiseChannelError(channel);
  }
  const Channel& openChannel(int64_t channel) const {
    if (const Channel* ch = openOrNull(channel)) return *ch;
    raiseChannelError(channel);
  }
  [[noreturn]] void raiseChannelError(int64_t channel) const;
  static constexpr bool validChannel(int64_t channel) {
    return channel >= 1 && channel <= kChannels;
  }
  // Raises error unless it is 0.
  static void check(int error);
  // Runs body as one statement of the program at where: its start is
  // announced to the observer, a run-time error it raises carries where's
  // line, and memory running out is error 7 at that line.
  template <typename Body>
  void statement(std::source_location where, Body&& body);
  // openFile's checks of name, channel, mode and sharing; the platform's
  // sharing.
  platform::Share checkOpening(const ByteString& name, FileMode mode,
                               ShareMode share, int64_t channel);
  // Where records added to a file of size bytes start: at the first
  // end-of-file mark of the run of marks, CR, LF and NUL bytes that ends the
  // file, or at its end when that run holds no mark.
  static int appendStart(platform::File& file, uint64_t size, uint64_t* start);
  // Enters an opened file as the channel (Append: at its end, before a final
  // end-of-file mark). markedLength: the length of a kept output, just
  // found unchanged, whose last byte is the mark written when it was kept.
  void install(std::unique_ptr<platform::File> file, std::string full,
               FileMode mode, platform::Share share, int64_t channel,
               const uint64_t* markedLength = nullptr);
  void closeChannel(Channel& ch);
  // closeChannel for an output that is kept open (keepOutputOpen): true
  // when the channel's file became the file kept.
  bool keepClosedOutput(Channel& ch);
  // openFile's Append of the file kept, on channel: false when it is not
  // that file (or not on the same terms), which is then opened anew.
  bool reopenKeptOutput(const std::string& full, platform::Share share,
                        int64_t channel);
  // Closes the file kept, if any; returns the failure of its close.
  int closeKeptOutput();
  // True when file (opened at full) is open on a channel, by any name.
  bool isOpenOnAChannel(platform::File& file, const std::string& full);
  // keepWholeRecords for one output channel.
  int keepWholeRecords(Channel& ch);

  // The print path writes the bytes of a file print statement straight
  // into the channel's buffer, with one look-up of the channel.
  friend class Printer;
  friend class FileStatementRun;

  platform::FileSystem& fs_;
  StatementObserver* observer_;
  LineTest lineTest_;
  LogChoice logChoice_;
  // The worker of the channels' background transfers; made with the first
  // channel that uses it. Declared before the channels, so that it outlives
  // them.
  std::unique_ptr<BackgroundIo> io_;
  std::array<std::unique_ptr<Channel>, kChannels + 1> channels_;

  // The output kept open between runs (keepOutputOpen): its file (null
  // when none is kept), path, sharing and length, its mark included.
  bool keepOutput_ = false;
  struct KeptOutput {
    std::unique_ptr<platform::File> file;
    std::string path;
    platform::Share share = platform::Share::DenyWrite;
    uint64_t length = 0;
  } kept_;
};

template <typename Body>
void FileTable::statement(std::source_location where, Body&& body) {
  try {
    if (observer_ != nullptr) observer_->start(where.line());
    body();
  } catch (RuntimeError& e) {
    e.setLine(where.line());
    throw;
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::kOutOfMemory, where.line());
  }
}

}  // namespace tess
