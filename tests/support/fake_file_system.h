// An in-memory platform::FileSystem for unit tests: files are byte strings,
// folders exist explicitly or as parents of files, there is a current
// directory, failures can be injected ("the next write fails with 67"), every
// open is recorded with its access and sharing, and sharing conflicts between
// open handles give 75 as on the real platforms. Paths may name special files
// (FIFOs, devices, sockets), which opening for replacing refuses, and a hook
// lets a second opener act in the middle of such an opening. Directory
// search uses the dialogs' wildcard rules.
//
// Two path styles: Posix ("/logs/a.log", separator "/", names compared
// exactly) and Windows ("C:\LOGS\A.LOG", separators "\", "/" and ":", names
// compared without regard to ASCII letter case).
//
// The fake must outlive every File and DirectorySearch it hands out.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace tess::testing {

class FakeFileSystem : public platform::FileSystem {
 public:
  enum class Style { Posix, Windows };

  // One call of open(), successful or not.
  struct OpenRecord {
    std::string path;  // the full path as given to open()
    platform::Access access;
    platform::Share share;
    bool create;
    int error;       // 0 when the open succeeded
    bool replacing;  // through openForReplacing()
  };

  // One handle that is open right now.
  struct OpenHandle {
    std::string path;
    platform::Access access;
    platform::Share share;
  };

  // Posix style starts in "/"; Windows style in "C:\".
  explicit FakeFileSystem(Style style = Style::Posix);
  ~FakeFileSystem() override;

  // --- Content ---------------------------------------------------------
  // Creates or replaces a file (name resolved against the current
  // directory); its parent folders are created as needed.
  void setFile(std::string_view name, std::string_view bytes);
  // Puts a new file at name, as a file renamed over it does: handles open
  // on the file that was there keep that one.
  void replaceFile(std::string_view name, std::string_view bytes);
  // Creates a folder and its parents.
  void addDirectory(std::string_view name);
  bool hasFile(std::string_view name) const;
  bool hasDirectory(std::string_view name) const;
  // The bytes of a file; nullopt when there is no such file.
  std::optional<std::string> fileBytes(std::string_view name) const;
  // The full paths of every file (not folders), in sorted order.
  std::vector<std::string> allFiles() const;
  void setReadOnly(std::string_view name, bool readOnly = true);
  // Puts a special file (a FIFO, a device, a socket) at name; it reads as
  // empty.
  void setSpecial(std::string_view name, platform::FileKind kind);
  // Time stamp reported by directory search for this entry.
  void setTime(std::string_view name, int year, int month, int day, int hour,
               int minute, int second);

  // --- Failure injection ------------------------------------------------
  // Each "next" failure applies once, to the next call of that kind.
  void failNextOpen(int error) { failNextOpen_ = error; }
  // Every open of this file (name resolved now) fails with error.
  void failOpensOf(std::string_view name, int error);
  void failNextRead(int error) { failNextRead_ = error; }
  // Each read returns at most this many bytes (short reads, as from a pipe
  // or a network file); 0 lifts the limit.
  void limitReads(size_t bytes) { readLimit_ = bytes; }
  void failNextWrite(int error) { failNextWrite_ = error; }
  // Writes fail with error once this many more bytes have been written in
  // total (the failing write stores nothing): a disk that fills up. Bytes
  // cut from a file give their room back.
  void failWritesAfter(uint64_t bytes, int error = 67);
  void failNextClose(int error) { failNextClose_ = error; }
  void failNextRemove(int error) { failNextRemove_ = error; }
  void failNextChangeDirectory(int error) { failNextChangeDirectory_ = error; }
  // fullPath() fails for every name (then nothing exists anywhere).
  void failFullPath(bool fail) { failFullPath_ = fail; }
  // Files may be read and written from a worker thread (off by default);
  // the test then touches the files' settings only when no transfer runs.
  void workFromAnyThread(bool on) { workFromAnyThread_ = on; }
  // Sharing conflicts between open handles give 75 (on by default).
  void enforceSharing(bool on) { enforceSharing_ = on; }
  // Runs in openForReplacing() once the file is found or created and before
  // its sharing is claimed, with the full path (a second opener may act
  // there). It is not run again by an opening it makes itself.
  void beforeClaim(std::function<void(const std::string& full)> hook) {
    beforeClaim_ = std::move(hook);
  }

  // Runs at the start of every read with the number of reads so far, this
  // one included (a log may be cut or rewritten there, between two blocks).
  void beforeRead(std::function<void(uint64_t readCalls)> hook) {
    beforeRead_ = std::move(hook);
  }

  // --- Observation -------------------------------------------------------
  const std::vector<OpenRecord>& opens() const { return opens_; }
  std::vector<OpenHandle> openHandles() const;
  // Number of handles open on this file right now.
  int openCount(std::string_view name) const;
  uint64_t readCalls() const { return readCalls_; }
  // Calls of exists().
  uint64_t existsCalls() const { return existsCalls_; }
  // Calls of readError().
  uint64_t readErrorCalls() const { return readErrorCalls_; }
  uint64_t writeCalls() const { return writeCalls_; }
  uint64_t seekCalls() const { return seekCalls_; }
  uint64_t truncateCalls() const { return truncateCalls_; }
  uint64_t bytesWritten() const { return bytesWritten_; }
  // Files deleted by removeFile().
  int removals() const { return removals_; }

  // --- platform::FileSystem ----------------------------------------------
  bool fullPath(std::string_view name, std::string* full) override;
  bool exists(const std::string& full) override;
  std::unique_ptr<platform::File> open(const std::string& full,
                                       platform::Access access,
                                       platform::Share share, bool create,
                                       int* error) override;
  std::unique_ptr<platform::File> openForReplacing(const std::string& full,
                                                   platform::Share share,
                                                   int* error) override;
  // As the POSIX file system: without opening the file, so another
  // opener's sharing is not seen; the injected open failures are.
  int readError(const std::string& full) override;
  platform::FileKind kindOf(const std::string& full) override;
  int removeFile(const std::string& full) override;
  bool samePath(const std::string& a, const std::string& b) override;
  int changeDirectory(std::string_view path) override;
  std::string currentDirectory() override { return cwd_; }
  std::unique_ptr<platform::DirectorySearch> findFirst(
      std::string_view pattern, platform::DirEntry* first) override;
  bool filesWorkFromAnyThread() const override { return workFromAnyThread_; }
  bool isSeparator(unsigned char byte) const override;
  char preferredSeparator() const override;

 private:
  struct Node;
  class FakeFile;
  friend class FakeFile;

  std::string key(std::string_view full) const;
  // Where the last part of a path starts, found as the program finds it.
  size_t nameStartOf(std::string_view path) const;
  std::string parentOf(const std::string& full) const;
  std::string lastComponent(const std::string& full) const;
  bool isRoot(const std::string& full) const;
  std::string resolveOrFail(std::string_view name) const;
  Node* find(const std::string& full) const;
  void makeDirectories(const std::string& full);
  bool conflicts(const std::string& k, platform::Access access,
                 platform::Share share) const;
  void release(FakeFile* file);
  int takeWriteFailure(size_t bytes);

  Style style_;
  std::string cwd_;
  std::map<std::string, std::shared_ptr<Node>> nodes_;  // by key()
  std::vector<FakeFile*> handles_;
  std::map<std::string, int> openFailures_;  // by key()
  std::vector<OpenRecord> opens_;

  int failNextOpen_ = 0;
  int failNextRead_ = 0;
  size_t readLimit_ = 0;
  int failNextWrite_ = 0;
  int failNextClose_ = 0;
  int failNextRemove_ = 0;
  int failNextChangeDirectory_ = 0;
  std::optional<uint64_t> writeBudget_;
  int writeBudgetError_ = 67;
  bool failFullPath_ = false;
  bool enforceSharing_ = true;
  bool workFromAnyThread_ = false;
  std::function<void(const std::string&)> beforeClaim_;
  std::function<void(uint64_t)> beforeRead_;
  bool inHook_ = false;
  int removals_ = 0;

  uint64_t readCalls_ = 0;
  uint64_t existsCalls_ = 0;
  uint64_t readErrorCalls_ = 0;
  uint64_t writeCalls_ = 0;
  uint64_t seekCalls_ = 0;
  uint64_t truncateCalls_ = 0;
  uint64_t bytesWritten_ = 0;
};

}  // namespace tess::testing
