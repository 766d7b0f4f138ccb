#include <errno.h>
#include <iconv.h>

#include "platform/text_encoding.h"

namespace tess::platform {

namespace {

// Converts with iconv; a sequence that cannot be converted (or is not valid
// in the source) becomes one "?" and the rest is converted on.
std::string convert(std::string_view text, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string out;
  char buffer[256];
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip one byte (and the bytes that continue it).
    out += '?';
    ++in;
    --inLeft;
    while (inLeft > 0 && std::string_view(from) == "UTF-8" &&
           (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
      ++in;
      --inLeft;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string utf8ToSjis(std::string_view utf8) {
  return convert(utf8, "CP932", "UTF-8");
}

std::string sjisToUtf8(std::string_view sjis) {
  return convert(sjis, "UTF-8", "CP932");
}

}  // namespace tess::platform
