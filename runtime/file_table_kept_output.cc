// The output kept open between the runs of a command that all add to it:
// closed with its mark after each run, taken up again at that mark by the
// next run's Append open, and closed for good at the end.
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "runtime/file_table.h"
#include "runtime/runtime_error.h"

namespace tess {

void FileTable::keepOutputOpen(bool keep) {
  keepOutput_ = keep;
  if (!keep) check(closeKeptOutput());
}

bool FileTable::keepClosedOutput(Channel& ch) {
  // One output is kept; one whose writing failed is closed as always.
  if (!keepOutput_ || kept_.file || ch.mode == FileMode::Input ||
      ch.writeFailed) {
    return false;
  }
  kept_.file = std::move(ch.file);
  kept_.path = ch.path;
  kept_.share = ch.share;
  kept_.length = ch.size;
  return true;
}

bool FileTable::reopenKeptOutput(const std::string& full, platform::Share share,
                                 int64_t channel) {
  if (!kept_.file || kept_.share != share || !fs_.samePath(kept_.path, full)) {
    return false;
  }
  // The name may name another file by now (the output renamed away, or
  // another file put in its place): that one is opened as it is found.
  const std::optional<platform::FileSystem::NamedFile> named =
      fs_.namedFile(full);
  if (!named || named->identity != kept_.file->identity()) return false;
  // Another program that wrote it meanwhile (not bound by the sharing):
  // its end is looked at as a new opening looks at it. The name names the
  // file kept: the size found is that file's.
  if (named->size != kept_.length || named->size == 0) return false;
  std::unique_ptr<platform::File> file = std::move(kept_.file);
  // A file open on a channel (the log, under another name) is never
  // written.
  if (isOpenOnAChannel(*file, full)) {
    file->close();
    raiseError(err::kAlreadyOpen);
  }
  install(std::move(file), full, FileMode::Append, share, channel,
          &kept_.length);
  return true;
}

int FileTable::closeKeptOutput() {
  if (!kept_.file) return 0;
  const std::unique_ptr<platform::File> file = std::move(kept_.file);
  return file->close();
}

}  // namespace tess
