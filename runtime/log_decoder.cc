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
  size_t i = 0;
  if (atStart_ && bytes.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  while (i < bytes.size()) {
    const unsigned char b = at(bytes, i);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
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
    for (; k < length && i + k < bytes.size(); ++k) {
      const unsigned next = at(bytes, i + k);
      if (!inRange(next, k == 1 ? low : 0x80, k == 1 ? high : 0xBF)) break;
      c = c << 6 | (next & 0x3Fu);
    }
    if (length == 0 || k < length) {
      putMissing(out);
      i += k;
      continue;
    }
    i += length;
    const uint16_t code = shiftJisOf(c);
    if (code == 0) {
      putMissing(out);
    } else {
      putCode(code, out);
    }
  }
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
