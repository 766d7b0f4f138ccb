// errno to the error number the program reports, one column for failures
// of an open and one for failures of reads, writes, seeks and directory
// changes. Any errno not listed gives 27 (other system error).
//
//   errno                 at open  at read/write
//   ENOENT                   63        63   file not found (at open: 55
//                                           when the folder is missing)
//   ENOTDIR                  55        63   path not found
//   ENAMETOOLONG             55        63
//   ELOOP                    68        68   symbolic links in a loop
//   EINVAL                   55         5   bad name / bad argument
//   EACCES, EPERM            75        75   access denied (at open: 69 when
//                                           a folder on the way may not be
//                                           entered, 70 for a file that may
//                                           not be read)
//   EBUSY, ETXTBSY           75        75
//   EISDIR                   74        74   a folder, not a file
//   EAGAIN, EWOULDBLOCK      75        75   lock conflict
//   EROFS                    73        73   write protected
//   EMFILE, ENFILE           66        66   too many files
//   ENOMEM                    7         7   memory exhausted
//   ENOSPC, EDQUOT           67        67   disk full
//   EFBIG                    67        67   file beyond the allowed size
//   EIO                      71        61   disk not readable / disk I/O
//   ENXIO, ENODEV            53        60   device error / device fault
//   EEXIST                   64        64   file already exists
//   ETIMEDOUT                72        28   not ready / device timeout
//   EOPNOTSUPP               27        28   not supported
#pragma once

namespace tess::platform {

// The error number of an open that failed with errno code.
int errorAtOpen(int code);
// The error number of a read, write, seek or change of directory that
// failed with errno code.
int errorAtReadWrite(int code);

}  // namespace tess::platform
