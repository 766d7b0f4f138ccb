// What a conversion pass has to show while it runs. The converter tells its
// observer; what is drawn, where and when is the observer's business.
#pragma once

#include <cstdint>

#include "runtime/byte_string.h"
#include "runtime/file_table.h"

namespace tess {

class ConversionObserver {
 public:
  virtual ~ConversionObserver() = default;

  // A pass over a log begins.
  virtual void passStarted() = 0;
  // The record of message number count of this log is about to be written.
  virtual void messageCounted(int count) = 0;
  // A message header names another conference than the one before; known
  // says whether its board was seen earlier in the run. Told before the
  // record takes that board.
  virtual void conferenceRecalled(float conference, bool known) = 0;
  // The pass stopped, at the end of the log or because an error or the end
  // of the run interrupted it.
  virtual void passStopped() = 0;
  // The log held no message; reading says how it was read.
  virtual void noMessages(const ByteString& logPath,
                          const LogReading& reading) = 0;
  // The pass ended after replacing count characters that were not
  // Shift-JIS (told only when count is not 0).
  virtual void charactersReplaced(uint64_t count) = 0;
};

}  // namespace tess
