// Shift-JIS text shown on a POSIX terminal or written to standard output:
// converted to the locale's character set one character at a time, so that
// what cannot be converted becomes "?" instead of failing, and every
// character keeps the cells it takes in the window (two for a double-byte
// character, one for a half-width one).
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>
#include <vector>

namespace tess::ui {

// One character of a row of window cells, ready for display.
struct Glyph {
  int column = 0;    // first cell
  int cells = 1;     // 1 or 2
  std::string text;  // in the target charset, exactly `cells` wide
};

class SjisConverter {
 public:
  // target: an iconv charset name; empty means the locale's charset
  // (nl_langinfo(CODESET), so setlocale must have run first).
  explicit SjisConverter(std::string target = {});
  ~SjisConverter();
  SjisConverter(const SjisConverter&) = delete;
  SjisConverter& operator=(const SjisConverter&) = delete;

  const std::string& target() const { return target_; }

  // The characters of a row of cells, each padded to its cell width.
  // Control bytes and unconvertible characters become "?" per cell.
  std::vector<Glyph> glyphs(std::string_view sjis);
  // The converted text with cell widths kept (glyphs joined).
  std::string display(std::string_view sjis);
  // The converted text without padding, CR and LF kept (clipboard text).
  std::string plain(std::string_view sjis);

 private:
  bool convertOne(std::string_view character, std::string* out);
  std::string fitWidth(std::string text, int cells) const;

  std::string target_;
  iconv_t cd_;
  bool measure_ = false;  // the target is the locale's charset: widths known
};

// Text in the locale's charset (paths, typed names) cut to at most maxCells
// display cells; invalid bytes and control characters show as "?". With
// keepEnd the end of the text is kept (a long folder path). *usedCells, when
// given, receives the width of the result.
std::string fitToCells(std::string_view text, int maxCells, bool keepEnd,
                       int* usedCells = nullptr);

// True when the locale's character set can show Japanese text (not so
// under LANG=C or POSIX).
bool localeShowsJapanese();
// What standard error says before the start when it cannot, with a fix.
inline constexpr const char kLocaleNotice[] =
    "tessarine: the locale's character set cannot show Japanese text, so the "
    "window shows \"?\" in its place.\n"
    "  Start it in a UTF-8 locale, for example: LANG=C.UTF-8 tessarine\n";

}  // namespace tess::ui
