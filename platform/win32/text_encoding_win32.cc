#include <windows.h>

#include "platform/text_encoding.h"
#include "platform/win32/code_page.h"

namespace tess::platform {

namespace {

std::wstring fromUtf8(std::string_view utf8) {
  std::wstring wide;
  if (utf8.empty()) return wide;
  const int size = static_cast<int>(utf8.size());
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (length <= 0) return wide;
  wide.assign(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string toUtf8(std::wstring_view wide) {
  std::string bytes;
  if (wide.empty()) return bytes;
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr,
                                         0, nullptr, nullptr);
  if (length <= 0) return bytes;
  bytes.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, bytes.data(), length,
                      nullptr, nullptr);
  return bytes;
}

}  // namespace

std::string utf8ToSjis(std::string_view utf8) {
  return win32::toCodePage932Lossy(fromUtf8(utf8));
}

std::string sjisToUtf8(std::string_view sjis) {
  return toUtf8(win32::fromCodePage932(sjis));
}

}  // namespace tess::platform
