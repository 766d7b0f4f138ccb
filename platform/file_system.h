// The thin layer over the operating system's files, folders and directory
// search. Paths are byte strings as the OS takes them (Shift-JIS on Windows,
// the file system's own bytes on POSIX). Every failure is reported as the
// run-time error number that the OS error maps to (0 means success); each
// real implementation keeps its OS-code table in one place.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error_number.h"

namespace tess::platform {

enum class Access { Read, Write, ReadWrite };
enum class Share { DenyNone, DenyRead, DenyWrite, Exclusive };

// What a path names, symbolic links followed.
enum class FileKind {
  Missing,
  Regular,
  Directory,
  Fifo,
  Device,
  Socket,
  Other
};

// A path that names something other than a regular file or a folder (a
// device, a FIFO, a socket): it is never emptied or written anew.
constexpr bool isSpecialFile(FileKind kind) {
  return kind == FileKind::Fifo || kind == FileKind::Device ||
         kind == FileKind::Socket || kind == FileKind::Other;
}

// The longest full path the platform takes, in bytes, without the
// terminating zero: PATH_MAX less one on POSIX, the wide calls' limit on
// Windows.
#if defined(_WIN32)
inline constexpr size_t kPlatformMaxPathBytes = 32767;
#else
inline constexpr size_t kPlatformMaxPathBytes = PATH_MAX - 1;
#endif

// The error of openForReplacing for such a path (not an ordinary file).
constexpr int kNotRegularFileError = number(ErrorNumber::NotOrdinaryFile);

class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes; *got is 0 at the physical end of the file.
  // Errors use the read/write table.
  virtual int read(void* buffer, size_t n, size_t* got) = 0;
  // Writes all n bytes or fails (read/write table; a full disk is 67).
  virtual int write(const void* buffer, size_t n) = 0;
  virtual int seek(uint64_t offset) = 0;
  virtual int size(uint64_t* bytes) = 0;
  // Cuts the file to its first bytes bytes; the next write goes there.
  virtual int truncate(uint64_t bytes) = 0;
  // What identifies the file itself, by whatever path it was opened: equal
  // for two handles on one file (through a link too), empty when unknown.
  virtual std::string identity() = 0;
  // Releases the handle (and the sharing it held).
  virtual int close() = 0;
};

// One entry of a directory search.
struct DirEntry {
  std::string name;  // without folder
  uint64_t size = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool directory = false;
  bool readOnly = false;
  bool archive = false;
};

class DirectorySearch {
 public:
  virtual ~DirectorySearch() = default;
  // The next matching entry; false when there is none.
  virtual bool next(DirEntry* entry) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Resolves name against the current directory without touching the file.
  // False when the name cannot be resolved (then nothing exists there).
  virtual bool fullPath(std::string_view name, std::string* full) = 0;
  // True when the resolved path names an existing file (a file held by
  // another opener counts as existing).
  virtual bool exists(const std::string& full) = 0;
  // Opens an existing file, or creates it first when create is set.
  // Errors use the open table (access denied and sharing conflicts: 75).
  virtual std::unique_ptr<File> open(const std::string& full, Access access,
                                     Share share, bool create, int* error) = 0;
  // For a resolved path found to name an ordinary file: the error an open
  // for reading would give now, 0 when it would succeed, found without
  // opening the file where the platform can tell (the path, the folders on
  // the way, the file's permission). Another opener's sharing may then show
  // only when the file is opened. The default opens the file and closes it.
  virtual int readError(const std::string& full);
  // Opens the file at full for writing it anew, in place: an existing file
  // is opened as it is (never deleted and made again; a symbolic link is
  // followed and stays), a missing one is created (the target of a dangling
  // link too). The sharing is claimed as open() claims it, for writing, and
  // the file is left for the caller to empty (File::truncate) once it has
  // checked it. Refused: anything that is not a regular file
  // (kNotRegularFileError; a device is not even opened), a folder and a file
  // the user may not write (75), a file another opener holds against
  // writing (75), and a file that changed between its opening and the claim
  // (75: another program took it meanwhile).
  virtual std::unique_ptr<File> openForReplacing(const std::string& full,
                                                 Share share, int* error) = 0;
  // What the resolved path names.
  virtual FileKind kindOf(const std::string& full) = 0;
  // The file that the resolved path names now: what identifies it (its
  // File::identity()) and its size; nothing when no file is there or it may
  // not be read. The default opens it for reading.
  struct NamedFile {
    std::string identity;
    uint64_t size = 0;
  };
  virtual std::optional<NamedFile> namedFile(const std::string& full);
  // Deletes a file; the caller has already checked existence and open
  // channels. Any failure is 75.
  virtual int removeFile(const std::string& full) = 0;
  // True when the two resolved paths name the same file for this platform
  // (without regard to letter case where the file system ignores it).
  virtual bool samePath(const std::string& a, const std::string& b) = 0;

  // Changes the current directory (read/write table on failure).
  virtual int changeDirectory(std::string_view path) = 0;
  virtual std::string currentDirectory() = 0;

  // Starts a search with a pattern whose last component may hold the
  // wildcards * and ? with the dialogs' meaning ("*.*" matches every name).
  // Returns null when nothing matches (first entry otherwise in *first).
  virtual std::unique_ptr<DirectorySearch> findFirst(std::string_view pattern,
                                                     DirEntry* first) = 0;

  // Path syntax: the separators that end a folder part ("/" on POSIX;
  // "\\", "/" and ":" on Windows), and the preferred one.
  // True when a file it opened may be read and written by another thread
  // than the one that opened it, while that one goes on with other calls:
  // the file channels then read ahead and write behind in a worker thread.
  virtual bool filesWorkFromAnyThread() const { return false; }

  virtual bool isSeparator(unsigned char byte) const = 0;
  // The longest path the file system takes, in the bytes of the names it
  // is given.
  virtual size_t maxPathBytes() const { return kPlatformMaxPathBytes; }
  virtual char preferredSeparator() const = 0;
};

inline int FileSystem::readError(const std::string& full) {
  int error = 0;
  std::unique_ptr<File> file =
      open(full, Access::Read, Share::DenyNone, false, &error);
  if (file) file->close();
  return error;
}

inline std::optional<FileSystem::NamedFile> FileSystem::namedFile(
    const std::string& full) {
  int error = 0;
  std::unique_ptr<File> file =
      open(full, Access::Read, Share::DenyNone, false, &error);
  if (!file) return std::nullopt;
  NamedFile named;
  named.identity = file->identity();
  const int failed = file->size(&named.size);
  file->close();
  if (failed != 0) return std::nullopt;
  return named;
}

// The real file system of the platform this build is for.
std::unique_ptr<FileSystem> makeRealFileSystem();

}  // namespace tess::platform
