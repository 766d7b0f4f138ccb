#include "conversion/conversion_assembly.h"

#include "conversion/output_file.h"
#include "runtime/runtime_error.h"

namespace tess {

ConversionAssembly::ConversionAssembly(platform::FileSystem& fs)
    : ConversionAssembly(fs, Wiring{}) {}

ConversionAssembly::ConversionAssembly(platform::FileSystem& fs,
                                       const Wiring& wiring)
    : files_(fs, wiring.fileStatements),
      printer_(files_, wiring.screen != nullptr ? wiring.screen : &discarded_,
               wiring.printStatements),
      progress_(printer_, wiring.screen, wiring.boxes),
      converter_(files_, printer_, &progress_) {}

void ConversionAssembly::openLog(const ByteString& path,
                                 std::source_location where) {
  files_.openFile(path, FileMode::Input, ShareMode::DenyNone,
                  Converter::kLogChannel, where);
}

void ConversionAssembly::openOutput(const ByteString& path, OutputMode mode,
                                    std::source_location where) {
  if (mode == OutputMode::Append) {
    openAppendedOutput(files_, path, Converter::kOutputChannel, where);
  } else {
    openNewOutput(files_, path, Converter::kOutputChannel, where);
  }
}

void ConversionAssembly::convert(const ByteString& logPath,
                                 const ByteString& outputPath,
                                 OutputMode mode) {
  try {
    openLog(logPath);
    try {
      openOutput(outputPath, mode);
    } catch (const RejectedOutput& rejected) {
      // Nobody here chooses another name: it is the run's error.
      raiseError(rejected.number);
    }
    converter_.convertLog(logPath);
    files_.closeFiles();
  } catch (...) {
    // Leave no channel open for the next call.
    try {
      files_.closeFiles();
    } catch (...) {
    }
    throw;
  }
}

}  // namespace tess
