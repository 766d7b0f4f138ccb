// Helpers of the tests that work on the real Windows file system.
#pragma once

#if defined(_WIN32)

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/code_page.h"

namespace tess::testing {

// Shift-JIS as the OS's wide names, whatever the ANSI code page is.
inline std::wstring wide(const std::string& sjis) {
  std::wstring name;
  EXPECT_TRUE(platform::win32::wideName(sjis, &name)) << sjis;
  return name;
}

// Removes a folder with everything in it, read-only files included. Wide
// throughout: the tests make names that the ANSI code page may lack.
inline void removeTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &data));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace tess::testing

#endif
