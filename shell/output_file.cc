#include "shell/output_file.h"

#include "runtime/runtime_error.h"

namespace tess {

void openAppendedOutput(FileTable& files, const ByteString& path,
                        int64_t channel, std::source_location where) {
  files.openFile(path, FileMode::Append, ShareMode::DenyWrite, channel, where);
}

void openNewOutput(FileTable& files, const ByteString& path, int64_t channel,
                   std::source_location where) {
  try {
    files.openFile(path, FileMode::Output, ShareMode::DenyWrite, channel,
                   where);
  } catch (const RuntimeError& e) {
    if (e.number() == err::kBadFileName) throw RejectedOutput{e.number()};
    if (e.number() != err::kFileExists) throw;
    files.deleteFile(path, where);
    files.openFile(path, FileMode::Output, ShareMode::DenyWrite, channel,
                   where);
  }
}

}  // namespace tess
