// Sharing between openers of one file (the deny-read and deny-write clauses
// of an open), enforced between processes through open-file-description
// locks where the system has them. File systems without the locks enforce
// nothing.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace tess::platform {

// 0 when the sharing of the opener of fd fits every other opener's, 75 on a
// conflict; the opener's own marks stay set until fd is closed.
int claimSharing(int fd, Access access, Share share);
// True when some open file description holds any sharing mark on the file.
bool heldByOpener(const std::string& full);

}  // namespace tess::platform
