#include "tests/support/sjis.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace tess::testing {
namespace {

#ifdef _WIN32
std::string convert(std::string_view in, UINT from, UINT to) {
  if (in.empty()) return {};
  int wide = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(),
                                 static_cast<int>(in.size()), nullptr, 0);
  if (wide <= 0) throw std::runtime_error("cannot convert test text");
  std::wstring w(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()),
                      w.data(), wide);
  int out = WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, nullptr,
                                nullptr);
  std::string result(static_cast<size_t>(out), '\0');
  WideCharToMultiByte(to, 0, w.data(), wide, result.data(), out, nullptr,
                      nullptr);
  return result;
}
#else
std::string convert(std::string_view in, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error("iconv cannot convert test text");
  std::string out(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1))
    throw std::runtime_error("test text has no code page 932 form");
  out.resize(out.size() - dstLeft);
  return out;
}
#endif

}  // namespace

#ifdef _WIN32
std::string sjis(std::string_view text) { return convert(text, CP_UTF8, 932); }
std::string utf8(std::string_view bytes) {
  return convert(bytes, 932, CP_UTF8);
}
#else
std::string sjis(std::string_view text) {
  return convert(text, "UTF-8", "CP932");
}
std::string utf8(std::string_view bytes) {
  return convert(bytes, "CP932", "UTF-8");
}
#endif

}  // namespace tess::testing
