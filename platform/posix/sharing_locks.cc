#include "platform/posix/sharing_locks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error_number.h"

namespace tess::platform {

// Every opener marks what it does and what it denies with shared locks on
// four bytes far beyond any real file length; then it probes for marks of
// other open file descriptions that conflict with its own. Marks are set
// before probing, so of two openers racing each other at least one sees the
// other. An opener that writes and denies writing (an output) first takes an
// exclusive lock on a fifth byte: of two outputs racing for one file exactly
// one gets it, and the other is refused before it has set any mark that
// could refuse the first. Closing the descriptor drops the marks.

#ifdef F_OFD_SETLK
namespace {

constexpr off_t kShareBase = off_t{1} << 62;
constexpr off_t kAccessReadByte = kShareBase;
constexpr off_t kAccessWriteByte = kShareBase + 1;
constexpr off_t kDenyReadByte = kShareBase + 2;
constexpr off_t kDenyWriteByte = kShareBase + 3;
constexpr off_t kWriterByte = kShareBase + 4;
constexpr off_t kShareBytes = 5;

bool reads(Access a) { return a != Access::Write; }
bool writes(Access a) { return a != Access::Read; }
bool deniesRead(Share s) {
  return s == Share::DenyRead || s == Share::Exclusive;
}
bool deniesWrite(Share s) {
  return s == Share::DenyWrite || s == Share::Exclusive;
}

struct flock byteLock(short type, off_t offset, off_t length = 1) {
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = length;
  lock.l_pid = 0;
  return lock;
}

// Result of a probe: held by another description, free, or unknown (the
// file system does not support these locks).
enum class Probe { Held, Free, Unknown };

Probe probe(int fd, off_t offset, off_t length = 1) {
  struct flock lock = byteLock(F_WRLCK, offset, length);
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return Probe::Unknown;
  return lock.l_type == F_UNLCK ? Probe::Free : Probe::Held;
}

}  // namespace

// 0 when the sharing of this opener fits every other opener's, 75 on a
// conflict. File systems without the locks enforce nothing.
int claimSharing(int fd, Access access, Share share) {
  if (writes(access) && deniesWrite(share)) {
    struct flock lock = byteLock(F_WRLCK, kWriterByte);
    if (fcntl(fd, F_OFD_SETLK, &lock) != 0 &&
        (errno == EAGAIN || errno == EACCES)) {
      return number(ErrorNumber::AccessDenied);
    }
  }
  const off_t marks[] = {reads(access) ? kAccessReadByte : -1,
                         writes(access) ? kAccessWriteByte : -1,
                         deniesRead(share) ? kDenyReadByte : -1,
                         deniesWrite(share) ? kDenyWriteByte : -1};
  for (off_t mark : marks) {
    if (mark < 0) continue;
    struct flock lock = byteLock(F_RDLCK, mark);
    if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
      if (errno == EAGAIN || errno == EACCES)
        return number(ErrorNumber::AccessDenied);
      return 0;  // no locks here (EINVAL, ENOLCK, EBADF...): no enforcement
    }
  }
  const off_t checks[] = {reads(access) ? kDenyReadByte : -1,
                          writes(access) ? kDenyWriteByte : -1,
                          deniesRead(share) ? kAccessReadByte : -1,
                          deniesWrite(share) ? kAccessWriteByte : -1};
  for (off_t check : checks) {
    if (check >= 0 && probe(fd, check) == Probe::Held)
      return number(ErrorNumber::AccessDenied);
  }
  return 0;
}

// True when some open file description holds any sharing mark on the file.
bool heldByOpener(const std::string& full) {
  int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  bool held = probe(fd, kShareBase, kShareBytes) == Probe::Held;
  ::close(fd);
  return held;
}
#else
int claimSharing(int, Access, Share) { return 0; }
bool heldByOpener(const std::string&) { return false; }
#endif

}  // namespace tess::platform
