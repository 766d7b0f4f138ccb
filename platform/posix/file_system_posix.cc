// The file system layer on POSIX systems: paths are the file system's own
// bytes, separated by "/". The errors of the system calls become the
// program's error numbers through the errno table, and sharing between
// openers is enforced through the sharing locks.

#include "platform/posix/file_system_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/error_number.h"
#include "platform/file_system.h"
#include "platform/listed_search.h"
#include "platform/posix/errno_table.h"
#include "platform/posix/sharing_locks.h"
#include "platform/wildcard.h"

namespace tess::platform {
namespace {

// --- Files -------------------------------------------------------------------

// What identifies a file by whatever path it is reached: its device and
// inode.
std::string identityText(const struct stat& st) {
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

class PosixFile : public File {
 public:
  // st: the file's status, taken when it was opened.
  PosixFile(int fd, const struct stat& st)
      : fd_(fd), identity_(identityText(st)) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  int read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (n > SSIZE_MAX) n = SSIZE_MAX;
    for (;;) {
      ssize_t r = ::read(fd_, buffer, n);
      if (r >= 0) {
        *got = static_cast<size_t>(r);
        return 0;
      }
      if (errno != EINTR) return errorAtReadWrite(errno);
    }
  }

  int write(const void* buffer, size_t n) override {
    const char* p = static_cast<const char*>(buffer);
    while (n > 0) {
      ssize_t w = ::write(fd_, p, std::min<size_t>(n, SSIZE_MAX));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errorAtReadWrite(errno);
      }
      if (w == 0) return errorAtReadWrite(ENOSPC);
      p += w;
      n -= static_cast<size_t>(w);
    }
    return 0;
  }

  int seek(uint64_t offset) override {
    if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
      return errorAtReadWrite(EINVAL);
    }
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
      return errorAtReadWrite(errno);
    }
    return 0;
  }

  int size(uint64_t* bytes) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return errorAtReadWrite(errno);
    *bytes = static_cast<uint64_t>(st.st_size);
    return 0;
  }

  int truncate(uint64_t bytes) override {
    if (bytes > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
      return errorAtReadWrite(EINVAL);
    }
    for (;;) {
      if (::ftruncate(fd_, static_cast<off_t>(bytes)) == 0) break;
      if (errno != EINTR) return errorAtReadWrite(errno);
    }
    return seek(bytes);
  }

  // An open file stays the file it is: its identity is the one it had when
  // it was opened.
  std::string identity() override { return identity_; }

  int close() override {
    int fd = fd_;
    fd_ = -1;
    if (fd < 0) return 0;
    // The descriptor is gone even when close reports an error (a delayed
    // write failure on some file systems), so it is never retried.
    if (::close(fd) != 0 && errno != EINTR) return errorAtReadWrite(errno);
    return 0;
  }

 private:
  int fd_;
  std::string identity_;
};

// --- Directory search --------------------------------------------------------

bool describe(const std::string& path, std::string name, DirEntry* entry) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) {
    return false;
  }
  entry->name = std::move(name);
  entry->directory = S_ISDIR(st.st_mode);
  entry->size = entry->directory ? 0 : static_cast<uint64_t>(st.st_size);
  struct tm local;
  time_t stamp = st.st_mtime;
  if (localtime_r(&stamp, &local) != nullptr) {
    entry->year = local.tm_year + 1900;
    entry->month = local.tm_mon + 1;
    entry->day = local.tm_mday;
    entry->hour = local.tm_hour;
    entry->minute = local.tm_min;
    entry->second = local.tm_sec;
  }
  entry->readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  entry->archive = S_ISREG(st.st_mode);
  return true;
}

// True when the folder part of a full path names an existing folder: a
// missing file in an existing folder is "not found", a missing folder is a
// bad path.
bool folderExists(const std::string& full) {
  size_t cut = full.rfind('/');
  if (cut == std::string::npos) return true;
  std::string folder = cut == 0 ? std::string("/") : full.substr(0, cut);
  struct stat st;
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileKind kindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Directory;
  if (S_ISFIFO(mode)) return FileKind::Fifo;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
  if (S_ISSOCK(mode)) return FileKind::Socket;
  return FileKind::Other;
}

// The error of an open that failed with code: a refused access says whether
// a folder on the way may not be entered (the file cannot even be looked
// at) or the file may not be read; writing stays "access denied" (75).
int deniedReason(int code, const std::string& full, Access access) {
  if (code != EACCES) return errorAtOpen(code);
  struct stat st;
  if (::stat(full.c_str(), &st) != 0 && errno == EACCES) {
    return number(ErrorNumber::FolderNotEnterable);
  }
  if (access == Access::Read) return number(ErrorNumber::PermissionDenied);
  return errorAtOpen(code);
}

// The error of an open refused for what the path names.
int kindError(mode_t mode) {
  return S_ISDIR(mode) ? errorAtOpen(EISDIR) : kNotRegularFileError;
}

// Non-blocking was only for the open itself (a FIFO must not hang it). The
// status flags the file was opened with, less that one: the others that
// F_SETFL sets were not asked for, so none is dropped. An ordinary file's
// reads and writes do not look at it: it is left as it is there.
void blockFromNowOn(int fd, int openFlags, mode_t mode) {
  if (!S_ISREG(mode)) ::fcntl(fd, F_SETFL, openFlags & ~O_NONBLOCK);
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// True when the file was written, emptied or otherwise changed between the
// two looks.
bool changedBetween(const struct stat& a, const struct stat& b) {
  return a.st_size != b.st_size || !sameTime(a.st_mtim, b.st_mtim) ||
         !sameTime(a.st_ctim, b.st_ctim);
}

// --- The file system ---------------------------------------------------------

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(
      std::function<void(const std::string&)> beforeClaim = nullptr)
      : beforeClaim_(std::move(beforeClaim)) {}

  bool fullPath(std::string_view name, std::string* full) override {
    if (name.empty() || name.find('\0') != std::string_view::npos) {
      return false;
    }
    std::string joined;
    if (name.front() != '/') {
      joined = currentDirectory();
      if (joined.empty()) return false;
      joined += '/';
    }
    joined += name;
    std::vector<std::string_view> parts;
    std::string_view rest = joined;
    while (!rest.empty()) {
      size_t cut = rest.find('/');
      std::string_view part = rest.substr(0, cut);
      rest = cut == std::string_view::npos ? std::string_view()
                                           : rest.substr(cut + 1);
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      parts.push_back(part);
    }
    std::string result;
    for (std::string_view part : parts) {
      result += '/';
      result += part;
    }
    if (result.empty()) result.push_back('/');
    *full = std::move(result);
    return true;
  }

  bool exists(const std::string& full) override {
    struct stat st;
    return ::stat(full.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  std::unique_ptr<File> open(const std::string& full, Access access,
                             Share share, bool create, int* error) override {
    // A writer is opened for reading too where permitted, so that it can
    // hold the shared sharing marks (they need a readable descriptor).
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    flags |= access == Access::Read ? O_RDONLY : O_RDWR;
    // A writer that creates its file never takes over one that another
    // program created meanwhile (64); an appender simply opens it.
    if (create) flags |= O_CREAT | (access == Access::Write ? O_EXCL : 0);
    int fd = ::open(full.c_str(), flags, 0666);
    if (fd < 0 && errno == EACCES && access == Access::Write) {
      fd = ::open(full.c_str(), (flags & ~O_RDWR) | O_WRONLY, 0666);
    }
    if (fd < 0) {
      int code = errno;
      struct stat st;
      if (code == ENOENT && !folderExists(full)) code = ENOTDIR;
      if (code == EEXIST && ::stat(full.c_str(), &st) == 0 &&
          S_ISDIR(st.st_mode)) {
        code = EISDIR;
      }
      *error = deniedReason(code, full, access);
      return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      *error = errorAtOpen(errno);
      ::close(fd);
      return nullptr;
    }
    auto file = std::make_unique<PosixFile>(fd, st);
    if (S_ISDIR(st.st_mode)) {
      *error = errorAtOpen(EISDIR);
      return nullptr;
    }
    blockFromNowOn(fd, flags, st.st_mode);
    if (beforeClaim_) beforeClaim_(full);
    if (int e = claimSharing(fd, access, share)) {
      *error = e;
      return nullptr;
    }
    *error = 0;
    return file;
  }

  std::unique_ptr<File> openForReplacing(const std::string& full, Share share,
                                         int* error) override {
    auto refuse = [&](int e) -> std::unique_ptr<File> {
      *error = e;
      return nullptr;
    };
    if (full.empty() || full.find('\0') != std::string::npos) {
      return refuse(errorAtOpen(EINVAL));
    }
    // Only a regular file is opened: opening a device can act on it, and a
    // FIFO or a socket would carry the records away.
    struct stat found;
    if (::stat(full.c_str(), &found) == 0 && !S_ISREG(found.st_mode)) {
      return refuse(kindError(found.st_mode));
    }
    // Opening follows a symbolic link and creates the missing target of a
    // dangling one; an existing file is opened as it is.
    const int flags = O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(full.c_str(), flags | O_RDWR, 0666);
    if (fd < 0 && errno == EACCES) {
      fd = ::open(full.c_str(), flags | O_WRONLY, 0666);
    }
    if (fd < 0) {
      int code = errno;
      if (code == ENOENT && !folderExists(full)) code = ENOTDIR;
      return refuse(deniedReason(code, full, Access::Write));
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0) {
      const int code = errno;
      ::close(fd);
      return refuse(errorAtOpen(code));
    }
    auto file = std::make_unique<PosixFile>(fd, opened);
    // Something else may have taken the path since the look above.
    if (!S_ISREG(opened.st_mode)) return refuse(kindError(opened.st_mode));
    blockFromNowOn(fd, flags, opened.st_mode);
    if (beforeClaim_) beforeClaim_(full);
    if (int e = claimSharing(fd, Access::Write, share)) return refuse(e);
    // A file that changed before the claim, or that the path no longer
    // names, was taken over by another program meanwhile: it holds that
    // program's records now.
    struct stat claimed;
    struct stat named;
    if (::fstat(fd, &claimed) != 0) return refuse(errorAtOpen(errno));
    if (changedBetween(opened, claimed) || ::stat(full.c_str(), &named) != 0 ||
        named.st_dev != claimed.st_dev || named.st_ino != claimed.st_ino) {
      return refuse(number(ErrorNumber::AccessDenied));
    }
    *error = 0;
    return file;
  }

  // Asked of the system without opening the file; the sharing marks of
  // other programs are found by the open itself.
  int readError(const std::string& full) override {
    if (::faccessat(AT_FDCWD, full.c_str(), R_OK, AT_EACCESS) == 0) return 0;
    int code = errno;
    if (code == ENOENT && !folderExists(full)) code = ENOTDIR;
    return deniedReason(code, full, Access::Read);
  }

  // Looked at without opening it (opening a device may act on it, and
  // the sharing marks do not change which file it is), as opening it for
  // reading would find it: a file the user may not read is not found.
  std::optional<NamedFile> namedFile(const std::string& full) override {
    struct stat st;
    if (::stat(full.c_str(), &st) != 0 || S_ISDIR(st.st_mode) ||
        ::faccessat(AT_FDCWD, full.c_str(), R_OK, AT_EACCESS) != 0) {
      return std::nullopt;
    }
    return NamedFile{identityText(st), static_cast<uint64_t>(st.st_size)};
  }

  FileKind kindOf(const std::string& full) override {
    struct stat st;
    if (full.empty() || ::stat(full.c_str(), &st) != 0) {
      return FileKind::Missing;
    }
    return kindOfMode(st.st_mode);
  }

  int removeFile(const std::string& full) override {
    // As on systems with mandatory sharing, a file some opener holds is not
    // deleted.
    if (heldByOpener(full)) return number(ErrorNumber::AccessDenied);
    return ::unlink(full.c_str()) == 0 ? 0 : number(ErrorNumber::AccessDenied);
  }

  bool samePath(const std::string& a, const std::string& b) override {
    return a == b;
  }

  int changeDirectory(std::string_view path) override {
    std::string p(path);
    if (p.empty()) return errorAtReadWrite(ENOENT);
    return ::chdir(p.c_str()) == 0 ? 0 : errorAtReadWrite(errno);
  }

  std::string currentDirectory() override {
    std::vector<char> buffer(PATH_MAX > 0 ? PATH_MAX : 4096);
    for (;;) {
      if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
        return std::string(buffer.data());
      }
      if (errno != ERANGE || buffer.size() > (1u << 20)) return std::string();
      buffer.resize(buffer.size() * 2);
    }
  }

  std::unique_ptr<DirectorySearch> findFirst(std::string_view pattern,
                                             DirEntry* first) override {
    if (pattern.empty() || pattern.find('\0') != std::string_view::npos) {
      return nullptr;
    }
    size_t cut = pattern.rfind('/');
    std::string folder = cut == std::string_view::npos
                             ? std::string(".")
                             : std::string(pattern.substr(0, cut + 1));
    std::string_view last =
        cut == std::string_view::npos ? pattern : pattern.substr(cut + 1);
    // Wildcards are only meaningful in the last component.
    if (last.empty() || folder.find_first_of("*?") != std::string::npos) {
      return nullptr;
    }
    std::string prefix = cut == std::string_view::npos ? std::string() : folder;
    std::vector<DirEntry> entries;

    if (last.find_first_of("*?") == std::string_view::npos) {
      // A plain name finds that one entry.
      DirEntry entry;
      if (!describe(prefix + std::string(last), std::string(last), &entry)) {
        return nullptr;
      }
      entries.push_back(std::move(entry));
    } else {
      std::string resolved;
      bool atRoot = fullPath(folder, &resolved) && resolved == "/";
      DIR* dir = ::opendir(folder.c_str());
      if (dir == nullptr) return nullptr;
      std::vector<std::string> names;
      while (struct dirent* d = ::readdir(dir)) {
        std::string_view name = d->d_name;
        if (atRoot && (name == "." || name == "..")) continue;
        if (wildcardMatch(last, name)) names.emplace_back(name);
      }
      ::closedir(dir);
      std::sort(names.begin(), names.end());
      for (std::string& name : names) {
        DirEntry entry;
        if (describe(prefix + name, name, &entry)) {
          entries.push_back(std::move(entry));
        }
      }
    }
    if (entries.empty()) return nullptr;
    *first = entries.front();
    return std::make_unique<ListedSearch>(std::move(entries));
  }

  // Each file is a handle of its own: reads and writes of one file in
  // one thread go with any call in another.
  bool filesWorkFromAnyThread() const override { return true; }
  bool isSeparator(unsigned char byte) const override { return byte == '/'; }
  char preferredSeparator() const override { return '/'; }

 private:
  std::function<void(const std::string&)> beforeClaim_;
};

}  // namespace

std::unique_ptr<FileSystem> makeRealFileSystem() {
  return std::make_unique<PosixFileSystem>();
}

std::unique_ptr<FileSystem> makePosixFileSystem(
    std::function<void(const std::string& full)> beforeClaim) {
  return std::make_unique<PosixFileSystem>(std::move(beforeClaim));
}

}  // namespace tess::platform
