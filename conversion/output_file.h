// Opening the output file of a run: appending to the file of the previous
// run, or writing a new one (an existing file at the path is rewritten in
// place). Every conversion opens its output through these (see
// ConversionAssembly), so the window program, the command line and the
// tools give the same bytes and the same errors.
#pragma once

#include <cstdint>
#include <source_location>

#include "platform/file_system.h"
#include "runtime/byte_string.h"
#include "runtime/file_table.h"

namespace tess {

// An error about the chosen output file that the user can mend by choosing
// another name (the run driver asks again): 52 the file is already open (the
// log being converted), 53 device error, 55 bad name or missing folder, 63
// not found (a link into a missing folder), 70 permission denied, 75 no
// write permission or held by another program, 76 path not found.
//
// Also 58 not an ordinary file, 68 a loop of symbolic links, 69 a folder on
// the way that may not be entered, 73 a read-only file system, 74 a folder.
// When the path names something that is not a regular file (a device, a
// FIFO, a socket), number is 58 and kind says what it is; kind is Regular
// for every other rejection.
struct RejectedOutput {
  uint16_t number;
  platform::FileKind kind = platform::FileKind::Regular;

  bool notRegularFile() const { return platform::isSpecialFile(kind); }
};

// True for the numbers that RejectedOutput carries.
bool isAboutTheChosenFile(uint16_t number);

// Opens path on channel for appending; errors are raised as run-time errors.
void openAppendedOutput(
    FileTable& files, const ByteString& path, int64_t channel,
    std::source_location where = std::source_location::current());

// Opens path on channel as a new output. A regular file at the path is
// rewritten in place (held against other writers before it is emptied,
// never deleted); a symbolic link is followed and stays. Throws
// RejectedOutput for an error about the chosen file (above); any other error
// is raised as a run-time error.
void openNewOutput(
    FileTable& files, const ByteString& path, int64_t channel,
    std::source_location where = std::source_location::current());

}  // namespace tess
