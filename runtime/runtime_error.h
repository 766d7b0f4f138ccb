// Run-time errors: every runtime operation reports failure by throwing a
// RuntimeError that carries the error number and the source line of the
// statement that failed.
#pragma once

#include <cstdint>
#include <exception>
#include <source_location>
#include <string>

#include "runtime/byte_string.h"

namespace tess {

namespace err {
constexpr uint16_t kReturnWithoutCall = 3;
constexpr uint16_t kIllegalArgument = 5;
constexpr uint16_t kOverflow = 6;
constexpr uint16_t kOutOfMemory = 7;
constexpr uint16_t kSubscriptOutOfRange = 9;
constexpr uint16_t kDivisionByZero = 11;
constexpr uint16_t kFixedStringAssignment = 13;
constexpr uint16_t kStringTooLong = 15;
constexpr uint16_t kResumeWithoutError = 20;
constexpr uint16_t kSystemError = 27;
constexpr uint16_t kDeviceTimeout = 28;
constexpr uint16_t kBadChannel = 50;
constexpr uint16_t kBadFileMode = 51;
constexpr uint16_t kAlreadyOpen = 52;
constexpr uint16_t kDeviceError = 53;
constexpr uint16_t kInputPastEnd = 54;
constexpr uint16_t kBadFileName = 55;
constexpr uint16_t kNotOpen = 57;
// Not an ordinary file: a device, a FIFO or a socket.
constexpr uint16_t kNotOrdinaryFile = 58;
constexpr uint16_t kRecordTooLong = 59;
constexpr uint16_t kDeviceFault = 60;
constexpr uint16_t kDiskIoError = 61;
// The log is not the file it was, or not of the size it had, when its
// reading ended.
constexpr uint16_t kLogChanged = 62;
constexpr uint16_t kFileNotFound = 63;
constexpr uint16_t kFileExists = 64;
constexpr uint16_t kCannotCreate = 65;
constexpr uint16_t kTooManyFiles = 66;
constexpr uint16_t kDiskFull = 67;
// Symbolic links that lead round in a loop.
constexpr uint16_t kLinkLoop = 68;
// A folder on the way to the file may not be entered.
constexpr uint16_t kFolderNotEnterable = 69;
constexpr uint16_t kPermissionDenied = 70;
constexpr uint16_t kDiskNotReadable = 71;
constexpr uint16_t kDriveNotReady = 72;
constexpr uint16_t kWriteProtected = 73;
// The path names a folder where a file is wanted.
constexpr uint16_t kIsAFolder = 74;
constexpr uint16_t kAccessDenied = 75;
constexpr uint16_t kPathNotFound = 76;
constexpr uint16_t kStringStorageFull = 82;
constexpr uint16_t kPrintBufferUnavailable = 89;
constexpr uint16_t kNoWindow = 1000;
constexpr uint16_t kWrongWindowKind = 1002;
}  // namespace err

class RuntimeError : public std::exception {
 public:
  RuntimeError(uint16_t number, uint32_t line);
  uint16_t number() const { return number_; }
  // Source line of the failing statement; statement-level operations
  // replace the line of the raising code with their caller's line.
  uint32_t line() const { return line_; }
  void setLine(uint32_t line) { line_ = line; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  uint16_t number_;
  uint32_t line_;
  std::string what_;
};

[[noreturn]] void raiseError(
    uint16_t number,
    std::source_location where = std::source_location::current());

// The report line "\r\n<module> [<line>行]:エラー[<number>]" in Shift-JIS.
ByteString formatErrorReport(const ByteString& module, uint32_t line,
                             int number);

}  // namespace tess
