// Files, folders and directory search over the Windows wide interface.
// Paths are Shift-JIS bytes, converted by code page 932 both ways whatever
// the system's ANSI code page is; a name that code page 932 cannot hold is
// never changed into another name.
#include "platform/win32/file_system_win32.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/error_number.h"
#include "platform/file_system.h"
#include "platform/win32/code_page.h"

namespace tess::platform {
namespace win32 {
namespace {

using E = ErrorNumber;

struct ErrorEntry {
  uint32_t windowsError;
  ErrorNumber number;
};

// Windows error codes of an open and the run-time errors they stand for.
// Anything not listed is 27.
constexpr ErrorEntry kOpenErrors[] = {
    {2, E::FileNotFound},     {18, E::FileNotFound},  // not found
    {3, E::BadFileName},      {15, E::BadFileName},
    {16, E::BadFileName},     {17, E::BadFileName},  // bad path
    {4, E::TooManyFiles},                            // no handles
    {5, E::AccessDenied},     {32, E::AccessDenied},
    {33, E::AccessDenied},                          // denied
    {7, E::OutOfMemory},      {8, E::OutOfMemory},  // memory
    {19, E::WriteProtected},                        // protected
    {20, E::DeviceError},     {22, E::DeviceError},
    {23, E::DeviceError},     {24, E::DeviceError},
    {25, E::DeviceError},     {27, E::DeviceError},
    {29, E::DeviceError},     {30, E::DeviceError},  // device
    {21, E::DriveNotReady},                          // not ready
    {26, E::DiskNotReadable},                        // unreadable
    {82, E::CannotCreate},                           // cannot make
};

// Windows error codes of a read, write, seek or directory change and the
// run-time errors they stand for. Anything not listed is 27.
constexpr ErrorEntry kReadWriteErrors[] = {
    {1, E::IllegalArgument},  {2, E::FileNotFound},     {3, E::FileNotFound},
    {4, E::TooManyFiles},     {5, E::AccessDenied},     {8, E::OutOfMemory},
    {11, E::DiskNotReadable}, {12, E::AccessDenied},    {15, E::DriveNotReady},
    {16, E::DriveNotReady},   {17, E::DriveNotReady},   {18, E::DiskFull},
    {19, E::WriteProtected},  {20, E::DeviceFault},     {21, E::DriveNotReady},
    {26, E::DiskNotReadable}, {27, E::DiskNotReadable}, {28, E::DeviceFault},
    {29, E::DiskFull},        {30, E::InputPastEnd},    {32, E::AccessDenied},
    {33, E::AccessDenied},    {34, E::DeviceFault},     {50, E::DeviceTimeout},
    {80, E::FileExists},      {87, E::IllegalArgument}, {108, E::RecordTooLong},
    {110, E::FileNotFound},   {111, E::DiskIoError},    {112, E::DiskFull},
    {113, E::TooManyFiles},
};

template <size_t N>
int lookUp(const ErrorEntry (&table)[N], uint32_t windowsError) {
  for (const ErrorEntry& entry : table) {
    if (entry.windowsError == windowsError) return number(entry.number);
  }
  return number(ErrorNumber::SystemError);
}

}  // namespace

int openErrorNumber(uint32_t windowsError) {
  return lookUp(kOpenErrors, windowsError);
}

int readWriteErrorNumber(uint32_t windowsError) {
  return lookUp(kReadWriteErrors, windowsError);
}

namespace {

int lastReadWriteError() { return readWriteErrorNumber(GetLastError()); }

// A name that holds a zero byte would reach the OS cut short, naming some
// other file: such names are refused.
bool hasZeroByte(std::string_view text) {
  return text.find('\0') != std::string_view::npos;
}

class Win32File final : public File {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override { close(); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  int read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (handle_ == INVALID_HANDLE_VALUE)
      return number(ErrorNumber::IllegalArgument);
    DWORD want = static_cast<DWORD>(std::min<size_t>(n, 0x40000000));
    DWORD done = 0;
    if (!ReadFile(handle_, buffer, want, &done, nullptr)) {
      return lastReadWriteError();
    }
    *got = done;
    return 0;
  }

  int write(const void* buffer, size_t n) override {
    if (handle_ == INVALID_HANDLE_VALUE)
      return number(ErrorNumber::IllegalArgument);
    const char* bytes = static_cast<const char*>(buffer);
    while (n > 0) {
      DWORD want = static_cast<DWORD>(std::min<size_t>(n, 0x40000000));
      DWORD done = 0;
      if (!WriteFile(handle_, bytes, want, &done, nullptr)) {
        return lastReadWriteError();
      }
      // A write that succeeds without taking every byte has run out of
      // room.
      if (done == 0) return number(ErrorNumber::DiskFull);
      bytes += done;
      n -= done;
    }
    return 0;
  }

  int seek(uint64_t offset) override {
    if (handle_ == INVALID_HANDLE_VALUE)
      return number(ErrorNumber::IllegalArgument);
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN)) {
      return lastReadWriteError();
    }
    return 0;
  }

  int size(uint64_t* bytes) override {
    *bytes = 0;
    if (handle_ == INVALID_HANDLE_VALUE)
      return number(ErrorNumber::IllegalArgument);
    LARGE_INTEGER length;
    if (!GetFileSizeEx(handle_, &length)) return lastReadWriteError();
    *bytes = static_cast<uint64_t>(length.QuadPart);
    return 0;
  }

  int truncate(uint64_t bytes) override {
    if (handle_ == INVALID_HANDLE_VALUE)
      return number(ErrorNumber::IllegalArgument);
    if (int e = seek(bytes)) return e;
    if (!SetEndOfFile(handle_)) return lastReadWriteError();
    return 0;
  }

  std::string identity() override {
    BY_HANDLE_FILE_INFORMATION info;
    if (handle_ == INVALID_HANDLE_VALUE ||
        !GetFileInformationByHandle(handle_, &info)) {
      return std::string();
    }
    return std::to_string(info.dwVolumeSerialNumber) + ":" +
           std::to_string(info.nFileIndexHigh) + ":" +
           std::to_string(info.nFileIndexLow);
  }

  int close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return 0;
    HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    if (!CloseHandle(handle)) return lastReadWriteError();
    return 0;
  }

 private:
  HANDLE handle_;
};

// The found entry; false when its name has characters that code page 932
// cannot hold (the search leaves such entries out).
bool fillEntry(const WIN32_FIND_DATAW& data, DirEntry* entry) {
  if (!toCodePage932(data.cFileName, &entry->name)) return false;
  entry->size =
      (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  FILETIME local;
  SYSTEMTIME time{};
  if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
      FileTimeToSystemTime(&local, &time)) {
    entry->year = time.wYear;
    entry->month = time.wMonth;
    entry->day = time.wDay;
    entry->hour = time.wHour;
    entry->minute = time.wMinute;
    entry->second = time.wSecond;
  } else {
    entry->year = entry->month = entry->day = 0;
    entry->hour = entry->minute = entry->second = 0;
  }
  entry->directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry->readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  entry->archive = (data.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) != 0;
  return true;
}

class Win32Search final : public DirectorySearch {
 public:
  explicit Win32Search(HANDLE handle) : handle_(handle) {}
  ~Win32Search() override {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  Win32Search(const Win32Search&) = delete;
  Win32Search& operator=(const Win32Search&) = delete;

  bool next(DirEntry* entry) override {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    WIN32_FIND_DATAW data;
    do {
      if (!FindNextFileW(handle_, &data)) {
        // The search is over: give its handle back at once.
        FindClose(std::exchange(handle_, INVALID_HANDLE_VALUE));
        return false;
      }
    } while (!fillEntry(data, entry));
    return true;
  }

 private:
  HANDLE handle_;
};

DWORD shareFlags(Share share) {
  switch (share) {
    case Share::DenyNone:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case Share::DenyWrite:
      return FILE_SHARE_READ;
    case Share::DenyRead:
      return FILE_SHARE_WRITE;
    case Share::Exclusive:
      return 0;
  }
  return 0;
}

DWORD accessFlags(Access access) {
  switch (access) {
    case Access::Read:
      return GENERIC_READ;
    case Access::Write:
      return GENERIC_WRITE;
    case Access::ReadWrite:
      return GENERIC_READ | GENERIC_WRITE;
  }
  return GENERIC_READ;
}

// Opens a file to be written anew in place. The share mode is claimed by the
// open itself, and only then may the caller empty the file: it is never
// deleted. A read-only file refuses the open (75), as a folder does; a
// device name opens a character device or pipe, which is refused.
std::unique_ptr<File> openReplacingFile(const std::string& full, Share share,
                                        int* error) {
  *error = 0;
  std::wstring wide;
  if (full.empty() || hasZeroByte(full) || !wideName(full, &wide)) {
    *error = number(ErrorNumber::BadFileName);
    return nullptr;
  }
  HANDLE handle =
      CreateFileW(wide.c_str(), GENERIC_WRITE, shareFlags(share), nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = openErrorNumber(GetLastError());
    return nullptr;
  }
  auto file = std::make_unique<Win32File>(handle);
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    *error = kNotRegularFileError;
    return nullptr;
  }
  // Read-only is refused whoever asks (the open alone lets some file
  // systems' administrators through).
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    *error = number(ErrorNumber::AccessDenied);
    return nullptr;
  }
  return file;
}

FileKind kindOfPath(const std::string& full) {
  std::wstring wide;
  if (full.empty() || hasZeroByte(full) || !wideName(full, &wide)) {
    return FileKind::Missing;
  }
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::Directory;
  return FileKind::Regular;
}

class Win32FileSystem final : public FileSystem {
 public:
  bool fullPath(std::string_view name, std::string* full) override {
    if (name.empty() || hasZeroByte(name)) return false;
    std::wstring input;
    if (!wideName(name, &input)) return false;
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD length =
        GetFullPathNameW(input.c_str(), static_cast<DWORD>(buffer.size()),
                         buffer.data(), nullptr);
    if (length == 0) return false;
    if (length >= buffer.size()) {
      buffer.assign(length + 1, L'\0');
      length =
          GetFullPathNameW(input.c_str(), static_cast<DWORD>(buffer.size()),
                           buffer.data(), nullptr);
      if (length == 0 || length >= buffer.size()) return false;
    }
    buffer.resize(length);
    // The current folder may have a name that Shift-JIS cannot hold.
    return toCodePage932(buffer, full);
  }

  bool exists(const std::string& full) override {
    std::wstring wide;
    if (full.empty() || hasZeroByte(full) || !wideName(full, &wide)) {
      return false;
    }
    // Opened for reading, as an existence test that the other openers'
    // sharing cannot refuse: a sharing violation still means the file is
    // there. A folder is not a file and does not count.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      return GetLastError() == ERROR_SHARING_VIOLATION;
    }
    CloseHandle(handle);
    return true;
  }

  std::unique_ptr<File> open(const std::string& full, Access access,
                             Share share, bool create, int* error) override {
    *error = 0;
    std::wstring wide;
    if (full.empty() || hasZeroByte(full) || !wideName(full, &wide)) {
      *error = number(ErrorNumber::BadFileName);
      return nullptr;
    }
    // OPEN_ALWAYS creates a missing file but never empties an existing one,
    // even when another program made it after the caller's existence test.
    HANDLE handle = CreateFileW(
        wide.c_str(), accessFlags(access), shareFlags(share), nullptr,
        create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      *error = openErrorNumber(GetLastError());
      return nullptr;
    }
    return std::make_unique<Win32File>(handle);
  }

  std::unique_ptr<File> openForReplacing(const std::string& full, Share share,
                                         int* error) override {
    return openReplacingFile(full, share, error);
  }

  FileKind kindOf(const std::string& full) override { return kindOfPath(full); }

  int removeFile(const std::string& full) override {
    std::wstring wide;
    if (hasZeroByte(full) || !wideName(full, &wide))
      return number(ErrorNumber::AccessDenied);
    return DeleteFileW(wide.c_str()) ? 0 : 75;
  }

  bool samePath(const std::string& a, const std::string& b) override {
    if (a == b) return true;
    // The file system ignores letter case the way an ordinal comparison
    // without case does, on the names as the wide calls take them.
    std::wstring wideA;
    std::wstring wideB;
    if (!wideName(a, &wideA) || !wideName(b, &wideB) || wideA.empty() ||
        wideB.empty()) {
      return false;
    }
    return CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()),
                                wideB.data(), static_cast<int>(wideB.size()),
                                TRUE) == CSTR_EQUAL;
  }

  int changeDirectory(std::string_view path) override {
    std::wstring text;
    if (path.empty() || hasZeroByte(path) || !wideName(path, &text))
      return number(ErrorNumber::FileNotFound);
    if (!SetCurrentDirectoryW(text.c_str())) return lastReadWriteError();
    return 0;
  }

  std::string currentDirectory() override {
    DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0) return {};
    std::wstring buffer(length, L'\0');
    DWORD got = GetCurrentDirectoryW(length, buffer.data());
    if (got == 0 || got >= length) return {};
    buffer.resize(got);
    // A folder whose name Shift-JIS cannot hold has no name here.
    std::string name;
    if (!toCodePage932(buffer, &name)) return {};
    return name;
  }

  std::unique_ptr<DirectorySearch> findFirst(std::string_view pattern,
                                             DirEntry* first) override {
    std::wstring text;
    if (pattern.empty() || hasZeroByte(pattern) || !wideName(pattern, &text)) {
      return nullptr;
    }
    WIN32_FIND_DATAW data;
    HANDLE handle = FindFirstFileW(text.c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    // Entries whose names Shift-JIS cannot hold are skipped.
    auto search = std::make_unique<Win32Search>(handle);
    if (fillEntry(data, first) || search->next(first)) return search;
    return nullptr;
  }

  // Each file is a handle of its own: reads and writes of one file in
  // one thread go with any call in another.
  bool filesWorkFromAnyThread() const override { return true; }
  bool isSeparator(unsigned char byte) const override {
    return byte == '\\' || byte == '/' || byte == ':';
  }
  char preferredSeparator() const override { return '\\'; }
};

}  // namespace
}  // namespace win32

std::unique_ptr<FileSystem> makeRealFileSystem() {
  return std::make_unique<win32::Win32FileSystem>();
}

}  // namespace tess::platform
