// Opening the output file of a run: appending to the file of the previous
// run, or writing a new one (an existing file at the path is replaced). The
// run driver and the command line open their outputs through these, so both
// give the same bytes and the same errors.
#pragma once

#include <cstdint>
#include <source_location>

#include "runtime/byte_string.h"
#include "runtime/file_table.h"

namespace tess {

// An error about the chosen output name that the user can mend by choosing
// another name (the run driver asks again).
struct RejectedOutput {
  uint16_t number;
};

// Opens path on channel for appending; errors are raised as run-time errors.
void openAppendedOutput(
    FileTable& files, const ByteString& path, int64_t channel,
    std::source_location where = std::source_location::current());

// Opens path on channel as a new output. Throws RejectedOutput for an
// unusable name; an existing file is replaced. Any other error, and any error
// while replacing, is raised as a run-time error.
void openNewOutput(
    FileTable& files, const ByteString& path, int64_t channel,
    std::source_location where = std::source_location::current());

}  // namespace tess
