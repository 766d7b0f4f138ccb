#include "runtime/error_messages.h"

#include <array>

#include "runtime/runtime_error.h"

namespace tess {

namespace {

struct ErrorText {
  uint16_t number;
  std::string_view reason;   // English
  std::string_view meaning;  // Japanese, Shift-JIS
};

constexpr std::array kErrorTexts{
    ErrorText{err::kReturnWithoutCall, "return without call", ""},
    ErrorText{err::kIllegalArgument, "illegal argument", ""},
    ErrorText{err::kOverflow, "number too large", ""},
    ErrorText{err::kOutOfMemory, "out of memory", ""},
    ErrorText{err::kSubscriptOutOfRange, "index out of range", ""},
    ErrorText{err::kDivisionByZero, "division by zero", ""},
    ErrorText{err::kFixedStringAssignment, "type mismatch", ""},
    ErrorText{err::kStringTooLong, "line too long", ""},
    ErrorText{err::kResumeWithoutError, "resume without error", ""},
    ErrorText{err::kSystemError, "system error", ""},
    ErrorText{err::kDeviceTimeout, "device timeout", ""},
    ErrorText{err::kBadChannel, "bad file number", ""},
    ErrorText{err::kBadFileMode, "bad file mode", ""},
    ErrorText{err::kAlreadyOpen, "file already open", ""},
    ErrorText{err::kDeviceError, "device I/O error", ""},
    ErrorText{err::kInputPastEnd, "input past end of file", ""},
    ErrorText{err::kBadFileName, "bad file name or folder not found", ""},
    ErrorText{err::kNotOpen, "file not open", ""},
    ErrorText{err::kRecordTooLong, "record too long", ""},
    ErrorText{err::kDeviceFault, "device fault", ""},
    ErrorText{err::kDiskIoError, "disk I/O error", ""},
    ErrorText{err::kFileNotFound, "file not found", ""},
    ErrorText{err::kFileExists, "file already exists", ""},
    ErrorText{err::kCannotCreate, "cannot create file", ""},
    ErrorText{err::kTooManyFiles, "too many files open", ""},
    ErrorText{err::kDiskFull, "disk full", ""},
    ErrorText{err::kDiskNotReadable, "disk not readable", ""},
    ErrorText{err::kDriveNotReady, "drive not ready", ""},
    ErrorText{err::kWriteProtected, "write-protected", ""},
    ErrorText{err::kAccessDenied,
              "permission denied or in use by another program", ""},
    ErrorText{err::kStringStorageFull, "out of string space", ""},
    ErrorText{err::kPrintBufferUnavailable, "print buffer unavailable", ""},
    ErrorText{err::kNoWindow, "window not available", ""},
    ErrorText{err::kWrongWindowKind, "wrong window kind", ""},
};

const ErrorText* find(uint16_t number) {
  for (const ErrorText& text : kErrorTexts) {
    if (text.number == number) return &text;
  }
  return nullptr;
}

}  // namespace

std::string_view errorReason(uint16_t number) {
  const ErrorText* text = find(number);
  return text ? text->reason : std::string_view("run-time error");
}

std::string_view errorMeaning(uint16_t number) {
  const ErrorText* text = find(number);
  return text ? text->meaning : std::string_view();
}

}  // namespace tess
