#include "conversion/headless.h"

#include "runtime/runtime_error.h"

namespace tess {

void DiscardingWindow::writeText(std::string_view bytes) {
  // Only the column matters to the print path (tabs and the width rule).
  for (const char c : bytes) {
    if (c == '\r' || c == '\n') {
      column_ = 0;
    } else if (++column_ >= 80) {
      column_ = 0;
    }
  }
}

void DiscardingWindow::setPosition(int64_t column, int64_t /*row*/,
                                   int64_t /*cursor*/, int flags) {
  if ((flags & 1) != 0 && column >= 0 && column < 80) {
    column_ = static_cast<int>(column);
  }
}

HeadlessConversion::HeadlessConversion(platform::FileSystem& fs)
    : files_(fs),
      printer_(files_, &window_),
      converter_(files_, printer_, nullptr, nullptr) {}

void HeadlessConversion::convert(const ByteString& logPath,
                                 const ByteString& outputPath,
                                 OutputMode mode) {
  try {
    files_.openFile(logPath, FileMode::Input, ShareMode::DenyNone,
                    Converter::kLogChannel);
    if (mode == OutputMode::Append) {
      files_.openFile(outputPath, FileMode::Append, ShareMode::DenyWrite,
                      Converter::kOutputChannel);
    } else {
      try {
        files_.openFile(outputPath, FileMode::Output, ShareMode::DenyWrite,
                        Converter::kOutputChannel);
      } catch (const RuntimeError& e) {
        // An existing file is replaced: deleted, then opened again.
        if (e.number() != err::kFileExists) throw;
        files_.deleteFile(outputPath);
        files_.openFile(outputPath, FileMode::Output, ShareMode::DenyWrite,
                        Converter::kOutputChannel);
      }
    }
    converter_.convertLog(logPath);
    files_.closeFiles();
  } catch (...) {
    // Leave no channel open for the next call; the first error is the one
    // that counts.
    try {
      files_.closeFiles();
    } catch (...) {
    }
    throw;
  }
}

}  // namespace tess
