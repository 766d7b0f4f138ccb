#include "platform/win32/code_page.h"

#include <windows.h>

namespace tess::platform::win32 {
namespace {

constexpr UINT kShiftJis = 932;

bool toWide(std::string_view bytes, DWORD flags, std::wstring* wide) {
  wide->clear();
  if (bytes.empty()) return true;
  const int size = static_cast<int>(bytes.size());
  int length =
      MultiByteToWideChar(kShiftJis, flags, bytes.data(), size, nullptr, 0);
  if (length <= 0) return false;
  wide->assign(static_cast<size_t>(length), L'\0');
  return MultiByteToWideChar(kShiftJis, flags, bytes.data(), size, wide->data(),
                             length) == length;
}

}  // namespace

std::wstring fromCodePage932(std::string_view bytes) {
  std::wstring wide;
  if (!toWide(bytes, 0, &wide)) wide.clear();
  return wide;
}

bool wideName(std::string_view bytes, std::wstring* wide) {
  return toWide(bytes, MB_ERR_INVALID_CHARS, wide);
}

bool toCodePage932(std::wstring_view wide, std::string* bytes) {
  bytes->clear();
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  int length = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(),
                                   size, nullptr, 0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return false;
  bytes->assign(static_cast<size_t>(length), '\0');
  if (WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), size,
                          bytes->data(), length, nullptr,
                          &usedDefault) != length ||
      usedDefault) {
    bytes->clear();
    return false;
  }
  // Only a character that comes back unchanged is held by the code page.
  std::wstring back;
  if (!wideName(*bytes, &back) || back != wide) {
    bytes->clear();
    return false;
  }
  return true;
}

std::string toCodePage932Lossy(std::wstring_view wide) {
  std::string bytes;
  if (wide.empty()) return bytes;
  const int size = static_cast<int>(wide.size());
  int length = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(),
                                   size, nullptr, 0, "?", nullptr);
  if (length <= 0) return bytes;
  bytes.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), size,
                      bytes.data(), length, "?", nullptr);
  return bytes;
}

}  // namespace tess::platform::win32
