// The error numbers that the file systems report: every platform operation
// that fails gives one of these (as an int, 0 for success), and the runtime
// raises it as the run-time error of the statement. The numbers are the
// program's own and never change.
#pragma once

#include <cstdint>

namespace tess::platform {

enum class ErrorNumber : uint16_t {
  IllegalArgument = 5,
  OutOfMemory = 7,
  SystemError = 27,  // any failure without a number of its own
  DeviceTimeout = 28,
  DeviceError = 53,
  InputPastEnd = 54,
  BadFileName = 55,
  NotOrdinaryFile = 58,  // a device, a FIFO or a socket
  RecordTooLong = 59,
  DeviceFault = 60,
  DiskIoError = 61,
  FileNotFound = 63,
  FileExists = 64,
  CannotCreate = 65,
  TooManyFiles = 66,
  DiskFull = 67,
  LinkLoop = 68,            // symbolic links that lead round in a loop
  FolderNotEnterable = 69,  // a folder on the way may not be entered
  PermissionDenied = 70,
  DiskNotReadable = 71,
  DriveNotReady = 72,
  WriteProtected = 73,
  IsAFolder = 74,  // the path names a folder where a file is wanted
  AccessDenied = 75,
  PathNotFound = 76,
};

// The number as the platform's operations return it.
constexpr int number(ErrorNumber error) { return static_cast<int>(error); }

}  // namespace tess::platform
