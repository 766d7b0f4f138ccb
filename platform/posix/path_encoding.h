// File names between the file system's encoding and the Shift-JIS that the
// program prints and compares. The file system's names are in the locale's
// character set (UTF-8 when the locale's is plain ASCII, as under LANG=C);
// a name that is not valid there but is valid Shift-JIS (a log copied from
// an old disk) is taken as the Shift-JIS name it already is.
#pragma once

#include <iconv.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tess::platform {

class PathEncoding {
 public:
  // native: the file system's charset (an iconv name); empty means the
  // locale's (setlocale must have run first).
  explicit PathEncoding(std::string native = {});
  ~PathEncoding();
  PathEncoding(const PathEncoding&) = delete;
  PathEncoding& operator=(const PathEncoding&) = delete;

  const std::string& native() const { return native_; }

  // A native name or path as Shift-JIS, component by component: each one
  // converted when it is valid native text that Shift-JIS holds exactly
  // (it converts back to the same bytes), kept as it is when it is not
  // valid native text but valid Shift-JIS; nothing when a component is
  // neither.
  std::optional<std::string> toSjis(std::string_view native) const;
  // One Shift-JIS name or path in the native charset; nothing when the
  // native charset cannot hold it.
  std::optional<std::string> toNative(std::string_view sjis) const;
  // True when the bytes are valid Shift-JIS text.
  bool validSjis(std::string_view bytes) const;
  // True when the bytes are valid native text.
  bool validNative(std::string_view bytes) const;

 private:
  std::optional<std::string> convertComponent(std::string_view text,
                                              bool fromNative) const;

  std::string native_;
  iconv_t toSjis_;
  iconv_t fromSjis_;
  iconv_t checkNative_;
};

// The file system seen in Shift-JIS: every path given is converted to the
// file system's names, every name and path handed back is converted to
// Shift-JIS. A Shift-JIS component that exists on disk as those very bytes
// (an old name) is passed as it is. A directory entry whose name Shift-JIS
// cannot hold is handed back with an empty name, so that nothing offers it
// as another name (the dialogs count such entries and say so).
class EncodingFileSystem : public FileSystem {
 public:
  EncodingFileSystem(std::unique_ptr<FileSystem> inner,
                     std::string native = {});
  ~EncodingFileSystem() override;

  bool fullPath(std::string_view name, std::string* full) override;
  bool exists(const std::string& full) override;
  std::unique_ptr<File> open(const std::string& full, Access access,
                             Share share, bool create, int* error) override;
  std::unique_ptr<File> openForReplacing(const std::string& full, Share share,
                                         int* error) override;
  FileKind kindOf(const std::string& full) override;
  std::optional<NamedFile> namedFile(const std::string& full) override;
  int readError(const std::string& full) override;
  int removeFile(const std::string& full) override;
  bool samePath(const std::string& a, const std::string& b) override;
  int changeDirectory(std::string_view path) override;
  std::string currentDirectory() override;
  std::unique_ptr<DirectorySearch> findFirst(std::string_view pattern,
                                             DirEntry* first) override;
  bool filesWorkFromAnyThread() const override {
    return inner_->filesWorkFromAnyThread();
  }
  bool isSeparator(unsigned char byte) const override;
  char preferredSeparator() const override;
  size_t maxPathBytes() const override { return inner_->maxPathBytes(); }

 private:
  class Search;
  // The native path of a Shift-JIS path; nothing when a component cannot
  // be had in the native charset.
  std::optional<std::string> nativePath(std::string_view sjis);
  bool existsNative(const std::string& path);

  std::unique_ptr<FileSystem> inner_;
  PathEncoding encoding_;
};

}  // namespace tess::platform
