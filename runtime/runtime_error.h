// Run-time errors: every runtime operation reports failure by throwing a
// RuntimeError that carries the error number and the source line of the
// statement that failed.
#pragma once

#include <cstdint>
#include <exception>
#include <source_location>
#include <string>

#include "platform/error_number.h"
#include "runtime/byte_string.h"

namespace tess {

namespace err {
// The numbers the file systems report are the platform's.
constexpr uint16_t fromPlatform(platform::ErrorNumber error) {
  return static_cast<uint16_t>(error);
}
constexpr uint16_t kReturnWithoutCall = 3;
constexpr uint16_t kIllegalArgument =
    fromPlatform(platform::ErrorNumber::IllegalArgument);
constexpr uint16_t kOverflow = 6;
constexpr uint16_t kOutOfMemory =
    fromPlatform(platform::ErrorNumber::OutOfMemory);
constexpr uint16_t kSubscriptOutOfRange = 9;
constexpr uint16_t kDivisionByZero = 11;
constexpr uint16_t kFixedStringAssignment = 13;
constexpr uint16_t kStringTooLong = 15;
constexpr uint16_t kResumeWithoutError = 20;
constexpr uint16_t kSystemError =
    fromPlatform(platform::ErrorNumber::SystemError);
constexpr uint16_t kDeviceTimeout =
    fromPlatform(platform::ErrorNumber::DeviceTimeout);
constexpr uint16_t kBadChannel = 50;
constexpr uint16_t kBadFileMode = 51;
constexpr uint16_t kAlreadyOpen = 52;
constexpr uint16_t kDeviceError =
    fromPlatform(platform::ErrorNumber::DeviceError);
constexpr uint16_t kInputPastEnd =
    fromPlatform(platform::ErrorNumber::InputPastEnd);
constexpr uint16_t kBadFileName =
    fromPlatform(platform::ErrorNumber::BadFileName);
constexpr uint16_t kNotOpen = 57;
// Not an ordinary file: a device, a FIFO or a socket.
constexpr uint16_t kNotOrdinaryFile =
    fromPlatform(platform::ErrorNumber::NotOrdinaryFile);
constexpr uint16_t kRecordTooLong =
    fromPlatform(platform::ErrorNumber::RecordTooLong);
constexpr uint16_t kDeviceFault =
    fromPlatform(platform::ErrorNumber::DeviceFault);
constexpr uint16_t kDiskIoError =
    fromPlatform(platform::ErrorNumber::DiskIoError);
// The log is not the file it was, or not of the size it had, when its
// reading ended.
constexpr uint16_t kLogChanged = 62;
constexpr uint16_t kFileNotFound =
    fromPlatform(platform::ErrorNumber::FileNotFound);
constexpr uint16_t kFileExists =
    fromPlatform(platform::ErrorNumber::FileExists);
constexpr uint16_t kCannotCreate =
    fromPlatform(platform::ErrorNumber::CannotCreate);
constexpr uint16_t kTooManyFiles =
    fromPlatform(platform::ErrorNumber::TooManyFiles);
constexpr uint16_t kDiskFull = fromPlatform(platform::ErrorNumber::DiskFull);
// Symbolic links that lead round in a loop.
constexpr uint16_t kLinkLoop = fromPlatform(platform::ErrorNumber::LinkLoop);
// A folder on the way to the file may not be entered.
constexpr uint16_t kFolderNotEnterable =
    fromPlatform(platform::ErrorNumber::FolderNotEnterable);
constexpr uint16_t kPermissionDenied =
    fromPlatform(platform::ErrorNumber::PermissionDenied);
constexpr uint16_t kDiskNotReadable =
    fromPlatform(platform::ErrorNumber::DiskNotReadable);
constexpr uint16_t kDriveNotReady =
    fromPlatform(platform::ErrorNumber::DriveNotReady);
constexpr uint16_t kWriteProtected =
    fromPlatform(platform::ErrorNumber::WriteProtected);
// The path names a folder where a file is wanted.
constexpr uint16_t kIsAFolder = fromPlatform(platform::ErrorNumber::IsAFolder);
constexpr uint16_t kAccessDenied =
    fromPlatform(platform::ErrorNumber::AccessDenied);
constexpr uint16_t kPathNotFound =
    fromPlatform(platform::ErrorNumber::PathNotFound);
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
