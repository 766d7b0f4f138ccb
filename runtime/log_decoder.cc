#include "runtime/log_decoder.h"

#include "runtime/shift_jis_table.h"

namespace tess {

namespace {

constexpr unsigned char kEsc = 0x1B;

unsigned char at(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]);
}

bool inRange(unsigned b, unsigned low, unsigned high) {
  return b >= low && b <= high;
}

void putCode(uint16_t code, std::string& out) {
  if (code >= 0x100) out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
}

}  // namespace

uint16_t shiftJisOfJis(unsigned row, unsigned cell) {
  const unsigned lead = (row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0);
  const unsigned trail =
      row % 2 == 1 ? cell + (cell >= 0x60 ? 0x20 : 0x1F) : cell + 0x7E;
  return static_cast<uint16_t>(lead << 8 | trail);
}

void LogDecoder::putMissing(std::string& out) {
  putCode(kMissingCharacter, out);
  ++replaced_;
}

void LogDecoder::decode(std::string_view bytes, std::string& out) {
  switch (encoding_) {
    case LogEncoding::Utf8:
      decodeUtf8(bytes, out);
      break;
    case LogEncoding::EucJp:
      decodeEucJp(bytes, out);
      break;
    case LogEncoding::Iso2022Jp:
      decodeIso2022Jp(bytes, out);
      break;
    default:
      out.append(bytes);
      break;
  }
  if (!bytes.empty()) atStart_ = false;
}

void LogDecoder::decodeUtf8(std::string_view bytes, std::string& out) {
  if (atStart_ && bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  // No character takes more than two bytes of Shift-JIS per byte read.
  const size_t start = out.size();
  out.resize(start + 2 * bytes.size());
  char* o = out.data() + start;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = p + bytes.size();
  auto put = [&o](uint16_t code) {
    if (code >= 0x100) *o++ = static_cast<char>(code >> 8);
    *o++ = static_cast<char>(code & 0xFF);
  };
  auto putOrMissing = [&](char32_t c) {
    const uint16_t code = shiftJisOf(c);
    if (code == 0) {
      put(kMissingCharacter);
      ++replaced_;
    } else {
      put(code);
    }
  };
  while (p < end) {
    const unsigned b = *p;
    if (b < 0x80) {
      *o++ = static_cast<char>(b);
      ++p;
      continue;
    }
    // Most characters of a Japanese log: three bytes from U+1000 on
    // (E1..EC, EE, EF: no surrogates and no overlong forms to refuse).
    if (end - p >= 3 && b >= 0xE1 && b <= 0xEF && b != 0xED &&
        (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
      putOrMissing((b & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu));
      p += 3;
      continue;
    }
    size_t length = 0;
    unsigned low = 0x80, high = 0xBF;
    char32_t c = 0;
    if (inRange(b, 0xC2, 0xDF)) {
      length = 2;
      c = b & 0x1Fu;
    } else if (inRange(b, 0xE0, 0xEF)) {
      length = 3;
      c = b & 0x0Fu;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (inRange(b, 0xF0, 0xF4)) {
      length = 4;
      c = b & 0x07u;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    }
    // The longest start of a valid sequence is one missing character.
    size_t k = 1;
    for (; k < length && p + k < end; ++k) {
      const unsigned next = p[k];
      if (!inRange(next, k == 1 ? low : 0x80, k == 1 ? high : 0xBF)) break;
      c = c << 6 | (next & 0x3Fu);
    }
    p += k;
    if (length == 0 || k < length) {
      put(kMissingCharacter);
      ++replaced_;
    } else {
      putOrMissing(c);
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
}

void LogDecoder::decodeEucJp(std::string_view bytes, std::string& out) {
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char b = at(bytes, i);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const unsigned next = i + 1 < bytes.size() ? at(bytes, i + 1) : 0;
    if (b == 0x8E && inRange(next, 0xA1, 0xDF)) {
      out += static_cast<char>(next);  // half-width katakana
      i += 2;
    } else if (b == 0x8F && inRange(next, 0xA1, 0xFE) && i + 2 < bytes.size() &&
               inRange(at(bytes, i + 2), 0xA1, 0xFE)) {
      putMissing(out);  // JIS X 0212: not in code page 932
      i += 3;
    } else if (inRange(b, 0xA1, 0xFE) && inRange(next, 0xA1, 0xFE)) {
      // The rows 0x75 on hold the user-defined characters, which code page
      // 932 has from its lead byte 0xF0 on.
      const unsigned row = b - 0x80u;
      putCode(shiftJisOfJis(row >= 0x75 ? row + 0x0A : row, next - 0x80u), out);
      i += 2;
    } else {
      putMissing(out);
      ++i;
    }
  }
}

void LogDecoder::decodeIso2022Jp(std::string_view bytes, std::string& out) {
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char b = at(bytes, i);
    if (b == kEsc) {
      const std::string_view rest = bytes.substr(i + 1, 3);
      size_t used = 0;
      if (rest.starts_with("$B") || rest.starts_with("$@")) {
        shift_ = Shift::Jis0208;
        used = 3;
      } else if (rest.starts_with("$(D")) {
        shift_ = Shift::Jis0212;
        used = 4;
      } else if (rest.starts_with("(B") || rest.starts_with("(J")) {
        shift_ = Shift::Ascii;
        used = 3;
      } else if (rest.starts_with("(I")) {
        shift_ = Shift::Kana;
        used = 3;
      }
      if (used > 0) {
        i += used;
        continue;
      }
      out += static_cast<char>(b);  // another escape sequence: kept
      ++i;
      continue;
    }
    if (b >= 0x80) {
      putMissing(out);
      ++i;
      continue;
    }
    const bool graphic = inRange(b, 0x21, 0x7E);
    if (!graphic || shift_ == Shift::Ascii) {
      out += static_cast<char>(b);
      ++i;
    } else if (shift_ == Shift::Kana) {
      if (b <= 0x5F) {
        out += static_cast<char>(b + 0x80);
      } else {
        putMissing(out);
      }
      ++i;
    } else {
      const unsigned next = i + 1 < bytes.size() ? at(bytes, i + 1) : 0;
      if (!inRange(next, 0x21, 0x7E)) {
        putMissing(out);
        ++i;
        continue;
      }
      if (shift_ == Shift::Jis0208) {
        putCode(shiftJisOfJis(b, next), out);
      } else {
        putMissing(out);
      }
      i += 2;
    }
  }
}

}  // namespace tess
