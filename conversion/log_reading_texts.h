// What the program says about how a log was read: the window's line under
// the log's line, the count of replaced characters, and why a log may have
// shown no message; in Shift-JIS for the window and the message box, in
// English for the command line's lines.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/byte_string.h"
#include "runtime/log_reading.h"

namespace tess {

// "UTF-8 のログを Shift-JIS に変換して読みます", "改行が LF だけのログとして
// 読みます" and the like; empty for a log read as it is.
ByteString readingNotice(const LogReading& reading);
// "Shift-JIS にない文字 N 個を〓にしました"; empty for none.
ByteString replacedNotice(uint64_t replaced);
// Why a log may have shown no message; empty when nothing explains it.
ByteString lookNotice(const LogReading& reading);

// The same for the command line: "UTF-8 log, read as Shift-JIS", ...
std::string readingNoticeText(const LogReading& reading);
std::string replacedNoticeText(uint64_t replaced);
std::string lookNoticeText(const LogReading& reading);

// The name of an encoding ("UTF-8"), empty for Auto.
const char* encodingName(LogEncoding encoding);

}  // namespace tess
