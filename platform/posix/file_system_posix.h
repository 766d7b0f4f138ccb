// The POSIX file system with a hook for tests that hold an opening where a
// race could strike.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace tess::platform {

// The real file system; beforeClaim (when set) runs in open() and
// openForReplacing() after the file is opened or created and before its
// sharing is claimed, with the full path: there a test lets a second opener
// act.
std::unique_ptr<FileSystem> makePosixFileSystem(
    std::function<void(const std::string& full)> beforeClaim);

}  // namespace tess::platform
