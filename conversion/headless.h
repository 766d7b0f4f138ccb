// The conversion without a window: one file table over a given file system,
// a printer whose window swallows what it is given, and one Converter whose
// record and per-conference tables live as long as this object, the way
// they live for one run of the program.
#pragma once

#include <string_view>

#include "conversion/converter.h"
#include "platform/file_system.h"
#include "runtime/byte_string.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/screen.h"

namespace tess {

// An 80-column window that keeps nothing.
class DiscardingWindow : public ScreenWindow {
 public:
  int printColumn() const override { return column_; }
  int printWidth() const override { return 80; }
  void writeText(std::string_view bytes) override;
  int currentRow() const override { return 0; }
  void setPosition(int64_t column, int64_t row, int64_t cursor,
                   int flags) override;

 private:
  int column_ = 0;
};

class HeadlessConversion {
 public:
  enum class OutputMode {
    New,    // an existing output file is deleted first
    Append  // the records follow those already in the file
  };

  explicit HeadlessConversion(platform::FileSystem& fs);

  // Opens the log on channel 1 and the output on channel 3, converts, and
  // closes all files (also when a run-time error escapes).
  void convert(const ByteString& logPath, const ByteString& outputPath,
               OutputMode mode);

  // How the logs converted from now on are read (decided from each log by
  // default).
  void setLogChoice(LogChoice choice) { files_.setLogChoice(choice); }

  const Converter& converter() const { return converter_; }

 private:
  FileTable files_;
  DiscardingWindow window_;
  Printer printer_;
  Converter converter_;
};

}  // namespace tess
