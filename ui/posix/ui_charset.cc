#include "ui/posix/ui_charset.h"

#include <langinfo.h>

#include <cerrno>
#include <cstdlib>
#include <cwchar>

#include "platform/shift_jis.h"
#include "ui/posix/ui_charset_texts.inc"

namespace tess::ui {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

bool isPrintableAscii(unsigned char b) { return b >= 0x20 && b < 0x7F; }

// One character of locale text with its display width.
struct Piece {
  size_t start = 0;
  size_t length = 0;
  int width = 1;
  bool valid = true;  // false: shown as "?"
};

std::vector<Piece> splitLocaleText(std::string_view text) {
  std::vector<Piece> pieces;
  std::mbstate_t state{};
  size_t i = 0;
  while (i < text.size()) {
    Piece piece;
    piece.start = i;
    wchar_t wc = 0;
    size_t n = std::mbrtowc(&wc, text.data() + i, text.size() - i, &state);
    if (n == 0) n = 1;  // an embedded zero byte
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
      state = std::mbstate_t{};
      piece.length = 1;
      piece.valid = false;
    } else {
      piece.length = n;
      int w = wcwidth(wc);
      if (w < 0 || wc == 0) {
        piece.valid = false;
      } else {
        piece.width = w;
      }
    }
    if (!piece.valid) piece.width = 1;
    pieces.push_back(piece);
    i += piece.length;
  }
  return pieces;
}

// Display width of locale text; -1 when it holds something unprintable.
int localeWidth(std::string_view text) {
  int width = 0;
  for (const Piece& piece : splitLocaleText(text)) {
    if (!piece.valid) return -1;
    width += piece.width;
  }
  return width;
}

}  // namespace

SjisConverter::SjisConverter(std::string target) : target_(std::move(target)) {
  std::string locale = nl_langinfo(CODESET);
  if (target_.empty()) target_ = locale.empty() ? "ANSI_X3.4-1968" : locale;
  measure_ = target_ == locale;
  cd_ = iconv_open(target_.c_str(), "CP932");
}

SjisConverter::~SjisConverter() {
  if (cd_ != kNoConverter) iconv_close(cd_);
}

bool SjisConverter::convertOne(std::string_view character, std::string* out) {
  if (cd_ == kNoConverter) return false;
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  char input[2] = {0, 0};
  size_t inLeft = character.size();
  for (size_t i = 0; i < inLeft && i < 2; ++i) input[i] = character[i];
  char buffer[32];
  char* in = input;
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  size_t result = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
  // A positive result counts irreversible (approximate) conversions: those
  // would show another character than the one in the window.
  if (result != 0 || inLeft != 0) return false;
  if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) ==
      static_cast<size_t>(-1)) {
    return false;
  }
  out->assign(buffer, static_cast<size_t>(outPtr - buffer));
  return !out->empty();
}

std::string SjisConverter::fitWidth(std::string text, int cells) const {
  if (!measure_) return text;
  int width = localeWidth(text);
  if (width < 0 || width > cells) return std::string(cells, '?');
  // A character the terminal shows narrower (box drawing, roman numerals)
  // is padded so that the columns after it stay where they belong.
  text.append(static_cast<size_t>(cells - width), ' ');
  return text;
}

std::vector<Glyph> SjisConverter::glyphs(std::string_view sjis) {
  std::vector<Glyph> result;
  result.reserve(sjis.size());
  size_t i = 0;
  while (i < sjis.size()) {
    Glyph glyph;
    glyph.column = static_cast<int>(i);
    unsigned char b = static_cast<unsigned char>(sjis[i]);
    size_t length = 1;
    if (platform::isLeadByte(b) && i + 1 < sjis.size()) length = 2;
    glyph.cells = static_cast<int>(length);
    if (b < 0x80) {
      glyph.text.assign(1, isPrintableAscii(b) ? static_cast<char>(b) : '?');
    } else {
      std::string converted;
      if (convertOne(sjis.substr(i, length), &converted)) {
        glyph.text = fitWidth(std::move(converted), glyph.cells);
      } else {
        glyph.text.assign(length, '?');
      }
    }
    result.push_back(std::move(glyph));
    i += length;
  }
  return result;
}

std::string SjisConverter::display(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size());
  for (const Glyph& glyph : glyphs(sjis)) out += glyph.text;
  return out;
}

std::string SjisConverter::plain(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  size_t i = 0;
  while (i < sjis.size()) {
    unsigned char b = static_cast<unsigned char>(sjis[i]);
    size_t length = platform::isLeadByte(b) && i + 1 < sjis.size() ? 2 : 1;
    if (b == '\r' || b == '\n' || isPrintableAscii(b)) {
      out += static_cast<char>(b);
    } else if (b < 0x80) {
      out += '?';
    } else {
      std::string converted;
      if (convertOne(sjis.substr(i, length), &converted)) {
        out += converted;
      } else {
        out.append(length, '?');
      }
    }
    i += length;
  }
  return out;
}

std::string fitToCells(std::string_view text, int maxCells, bool keepEnd,
                       int* usedCells) {
  std::vector<Piece> pieces = splitLocaleText(text);
  size_t first = 0;
  size_t last = pieces.size();  // one past
  int width = 0;
  if (keepEnd) {
    while (last > first) {
      const Piece& piece = pieces[last - 1];
      if (width + piece.width > maxCells) break;
      width += piece.width;
      --last;
    }
    std::swap(first, last);
    last = pieces.size();
  } else {
    size_t end = 0;
    while (end < pieces.size() && width + pieces[end].width <= maxCells) {
      width += pieces[end].width;
      ++end;
    }
    last = end;
  }
  std::string out;
  for (size_t i = first; i < last; ++i) {
    const Piece& piece = pieces[i];
    if (piece.valid) {
      out.append(text.substr(piece.start, piece.length));
    } else {
      out += '?';
    }
  }
  if (usedCells) *usedCells = width;
  return out;
}

bool localeShowsJapanese() {
  SjisConverter converter;
  return converter.plain(texts::kJapaneseProbe) != "????";
}

}  // namespace tess::ui
