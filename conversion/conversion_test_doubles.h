// Doubles for the conversion's tests: a window that records what is printed
// to it and where, a message box that records its calls, and a fixture that
// runs a Converter over logs held in an in-memory file system.
#pragma once

#include <exception>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_assembly.h"
#include "conversion/converter.h"
#include "runtime/byte_string.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/screen.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/sjis.h"

namespace tess::testing {

// An 80 x 24 window that keeps every byte written to it (as a transcript)
// and the rows as they would stand on the screen.
class RecordingWindow : public ScreenWindow {
 public:
  RecordingWindow() : rows_(24, std::string(80, ' ')) {}

  int printColumn() const override { return column_; }
  int printWidth() const override { return 80; }
  void writeText(std::string_view bytes) override {
    transcript_.append(bytes);
    for (const char c : bytes) {
      if (c == '\r') {
        column_ = 0;
      } else if (c == '\n') {
        newRow();
      } else {
        rows_[static_cast<size_t>(row_)][static_cast<size_t>(column_)] = c;
        if (++column_ == 80) {
          column_ = 0;
          newRow();
        }
      }
    }
  }
  int currentRow() const override { return row_; }
  void setPosition(int64_t column, int64_t row, int64_t /*cursor*/,
                   int flags) override {
    positions_.push_back({column, row, flags});
    if ((flags & 1) != 0) column_ = static_cast<int>(column);
    if ((flags & 2) != 0) row_ = static_cast<int>(row);
  }

  struct Position {
    int64_t column;
    int64_t row;
    int flags;
  };
  const std::string& transcript() const { return transcript_; }
  const std::vector<Position>& positions() const { return positions_; }
  // A row without its trailing blanks.
  std::string row(int r) const {
    std::string s = rows_[static_cast<size_t>(r)];
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
  }

 private:
  void newRow() {
    if (row_ < 23) {
      ++row_;
    } else {
      rows_.erase(rows_.begin());
      rows_.emplace_back(80, ' ');
    }
  }

  std::vector<std::string> rows_;
  int column_ = 0;
  int row_ = 0;
  std::string transcript_;
  std::vector<Position> positions_;
};

class RecordingBoxes : public MessageBoxService {
 public:
  struct Call {
    int64_t window;
    std::string caption;
    std::string text;
    int64_t buttons;
    int64_t icon;
  };
  int showMessageBox(int64_t window, const ByteString& caption,
                     const ByteString& text, int64_t buttons,
                     int64_t icon) override {
    calls.push_back({window, caption.str(), text.str(), buttons, icon});
    return 1;
  }
  std::vector<Call> calls;
};

// Lines joined with CR LF, each line given in UTF-8 and stored in
// Shift-JIS.
inline std::string sjisLines(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (const std::string_view line : lines) {
    out += sjis(line);
    out += "\r\n";
  }
  return out;
}

// One conversion over an in-memory file system, with a recording window and
// message box. open() puts a log on channel 1 and a new output on
// channel 3, as the run driver does.
class ConverterHarness {
 public:
  static constexpr std::string_view kLog = "/log.txt";
  static constexpr std::string_view kOutput = "/out.ren";

  ConverterHarness()
      : conversion(fs, {nullptr, nullptr, &window, &boxes}),
        files(conversion.files()),
        printer(conversion.printer()),
        converter(conversion.converter()) {}

  void open(std::string_view logBytes) {
    fs.setFile(kLog, logBytes);
    conversion.openLog(ByteString(kLog));
    conversion.openOutput(ByteString(kOutput),
                          ConversionAssembly::OutputMode::New);
  }
  // What has been written to the output so far (the channel is flushed).
  std::string output() {
    files.flushAll();
    return fs.fileBytes(kOutput).value_or("");
  }
  // Opens, converts and closes; returns the output file's bytes.
  std::string convert(std::string_view logBytes) {
    open(logBytes);
    converter.convertLog(ByteString(kLog));
    files.closeFiles();
    return fs.fileBytes(kOutput).value_or("");
  }

  FakeFileSystem fs;
  RecordingWindow window;
  RecordingBoxes boxes;
  ConversionAssembly conversion;
  FileTable& files;
  Printer& printer;
  Converter& converter;
};

}  // namespace tess::testing

namespace tess {

// Failure messages show a byte string as UTF-8 where it is Shift-JIS text.
inline void PrintTo(const ByteString& s, std::ostream* os) {
  std::string shown;
  try {
    shown = testing::utf8(s.view());
  } catch (const std::exception&) {
    for (const char c : s.view()) {
      const auto b = static_cast<unsigned char>(c);
      if (b >= 0x20 && b < 0x7F) {
        shown += c;
      } else {
        shown += "\\x";
        shown += "0123456789abcdef"[b >> 4];
        shown += "0123456789abcdef"[b & 15];
      }
    }
  }
  *os << '"' << shown << "\" (" << s.size() << " bytes)";
}

}  // namespace tess
