// The Windows file system behind platform::FileSystem, and the two tables
// that turn Windows error codes into run-time error numbers.
#pragma once

#include <cstdint>

namespace tess::platform::win32 {

// The run-time error number for a Windows error code reported by an open.
int openErrorNumber(uint32_t windowsError);
// The run-time error number for a Windows error code reported by a read, a
// write, a seek or a change of directory.
int readWriteErrorNumber(uint32_t windowsError);

}  // namespace tess::platform::win32
