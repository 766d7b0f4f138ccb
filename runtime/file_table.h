// Numbered file channels 1..255 over the platform's files: opening in the
// three modes, line reading with the exact terminator rules, the end-of-file
// test, writing, closing (with the end-of-file mark) and deletion.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <source_location>
#include <string_view>

#include "platform/file_system.h"
#include "runtime/byte_string.h"
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

  void openFile(const ByteString& name, FileMode mode, ShareMode share,
                int64_t channel,
                std::source_location where = std::source_location::current());
  // selectInputFile plus readLine: stores the next line of the channel
  // (without its terminator) into line. Error 54 when nothing is left.
  void readLine(int64_t channel, ByteString& line,
                std::source_location where = std::source_location::current());
  // True when at most one unread byte remains (the described rule).
  bool atEndOfFile(int64_t channel);
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

 private:
  struct Channel;
  Channel& openChannel(int64_t channel);
  const Channel& openChannel(int64_t channel) const;
  void closeChannel(Channel& ch);

  platform::FileSystem& fs_;
  StatementObserver* observer_;
  std::array<std::unique_ptr<Channel>, kChannels + 1> channels_;
};

}  // namespace tess
