#include "conversion/output_file.h"

#include "runtime/runtime_error.h"

namespace tess {

bool isAboutTheChosenFile(uint16_t number) {
  switch (number) {
    case err::kAlreadyOpen:
    case err::kDeviceError:
    case err::kNotOrdinaryFile:
    case err::kLinkLoop:
    case err::kFolderNotEnterable:
    case err::kWriteProtected:
    case err::kIsAFolder:
    case err::kBadFileName:
    case err::kFileNotFound:
    case err::kPermissionDenied:
    case err::kAccessDenied:
    case err::kPathNotFound:
      return true;
    default:
      return false;
  }
}

void openAppendedOutput(FileTable& files, const ByteString& path,
                        int64_t channel, std::source_location where) {
  files.openFile(path, FileMode::Append, ShareMode::DenyWrite, channel, where);
}

void openNewOutput(FileTable& files, const ByteString& path, int64_t channel,
                   std::source_location where) {
  try {
    files.openReplacing(path, ShareMode::DenyWrite, channel, where);
  } catch (const RuntimeError& e) {
    if (!isAboutTheChosenFile(e.number())) throw;
    RejectedOutput rejected{e.number()};
    if (e.number() == err::kNotOrdinaryFile) {
      const platform::FileKind kind = files.fileKind(path);
      if (platform::isSpecialFile(kind)) rejected.kind = kind;
    }
    throw rejected;
  }
}

}  // namespace tess
