#include "platform/posix/errno_table.h"

#include <cerrno>

#include "platform/error_number.h"

namespace tess::platform {

namespace {

using E = ErrorNumber;

struct ErrnoMapping {
  int code;
  ErrorNumber atOpen;
  ErrorNumber atReadWrite;
};

constexpr ErrnoMapping kErrnoTable[] = {
    {ENOENT, E::FileNotFound, E::FileNotFound},
    {ENOTDIR, E::BadFileName, E::FileNotFound},
    {ENAMETOOLONG, E::BadFileName, E::FileNotFound},
    {ELOOP, E::LinkLoop, E::LinkLoop},
    {EINVAL, E::BadFileName, E::IllegalArgument},
    {EACCES, E::AccessDenied, E::AccessDenied},
    {EPERM, E::AccessDenied, E::AccessDenied},
    {EBUSY, E::AccessDenied, E::AccessDenied},
    {ETXTBSY, E::AccessDenied, E::AccessDenied},
    {EISDIR, E::IsAFolder, E::IsAFolder},
    {EAGAIN, E::AccessDenied, E::AccessDenied},
#if EWOULDBLOCK != EAGAIN
    {EWOULDBLOCK, E::AccessDenied, E::AccessDenied},
#endif
    {EROFS, E::WriteProtected, E::WriteProtected},
    {EMFILE, E::TooManyFiles, E::TooManyFiles},
    {ENFILE, E::TooManyFiles, E::TooManyFiles},
    {ENOMEM, E::OutOfMemory, E::OutOfMemory},
    {ENOSPC, E::DiskFull, E::DiskFull},
#ifdef EDQUOT
    {EDQUOT, E::DiskFull, E::DiskFull},
#endif
    {EFBIG, E::DiskFull, E::DiskFull},
    {EIO, E::DiskNotReadable, E::DiskIoError},
    {ENXIO, E::DeviceError, E::DeviceFault},
    {ENODEV, E::DeviceError, E::DeviceFault},
    {EEXIST, E::FileExists, E::FileExists},
    {ETIMEDOUT, E::DriveNotReady, E::DeviceTimeout},
    {EOPNOTSUPP, E::SystemError, E::DeviceTimeout},
};

}  // namespace

int errorAtOpen(int code) {
  for (const ErrnoMapping& m : kErrnoTable) {
    if (m.code == code) return number(m.atOpen);
  }
  return number(ErrorNumber::SystemError);
}

int errorAtReadWrite(int code) {
  for (const ErrnoMapping& m : kErrnoTable) {
    if (m.code == code) return number(m.atReadWrite);
  }
  return number(ErrorNumber::SystemError);
}

}  // namespace tess::platform
