// The conversion pass: reads a log on channel 1 and writes one Kanbel text
// record per forum message to channel 3.
#pragma once

#include <array>
#include <cstdint>

#include "conversion/message_record.h"
#include "runtime/byte_string.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/screen.h"

namespace tess {

class Converter {
 public:
  // screen and boxes may be null (headless: screen lines and the
  // no-message box are then dropped).
  Converter(FileTable& files, Printer& printer, ScreenWindow* screen,
            MessageBoxService* boxes);

  // One pass over the log open on channel 1 into the output open on
  // channel 3. logPath names the log in the no-message box. The record and
  // the per-conference tables carry over from one call to the next.
  void convertLog(const ByteString& logPath);

  const MessageRecord& record() const { return record_; }
  int messageCount() const { return messageCount_; }

 private:
  FileTable& files_;
  Printer& printer_;
  ScreenWindow* screen_;
  MessageBoxService* boxes_;
  MessageRecord record_;
  int messageCount_ = 0;
};

}  // namespace tess
