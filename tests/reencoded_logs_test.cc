// Random forum logs written in each of the encodings and line ends that
// logs have today convert to the records of the same log in Shift-JIS with
// CR LF ends. The logs are made of JIS X 0208 characters whose Unicode
// values are written out here (both mappings where they differ), so the
// encodings do not come from the program's own tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "conversion/conversion_assembly.h"
#include "tests/support/fake_file_system.h"

namespace tess {
namespace {

using testing::FakeFileSystem;
using Mode = ConversionAssembly::OutputMode;

// One character of a log: ASCII (row 0), or JIS X 0208 row and cell with
// its Unicode value in the JIS way and in the Windows way.
struct Char {
  unsigned row, cell;
  char32_t jisWay, windowsWay;
};

Char ascii(char c) {
  return {0, static_cast<unsigned char>(c), static_cast<char32_t>(c),
          static_cast<char32_t>(c)};
}

std::vector<Char> repertoire() {
  std::vector<Char> chars;
  for (unsigned c = 0x21; c <= 0x73; ++c) {  // hiragana
    chars.push_back({0x24, c, U'\u3041' + (c - 0x21), U'\u3041' + (c - 0x21)});
  }
  for (unsigned c = 0x21; c <= 0x76; ++c) {  // katakana
    chars.push_back({0x25, c, U'\u30A1' + (c - 0x21), U'\u30A1' + (c - 0x21)});
  }
  for (unsigned c = 0x41; c <= 0x5A; ++c) {  // full-width letters
    chars.push_back({0x23, c, U'\uFF21' + (c - 0x41), U'\uFF21' + (c - 0x41)});
  }
  const Char others[] = {
      {0x21, 0x21, U'\u3000', U'\u3000'}, {0x21, 0x22, U'\u3001', U'\u3001'},
      {0x21, 0x23, U'\u3002', U'\u3002'}, {0x21, 0x41, U'\u301C', U'\uFF5E'},
      {0x21, 0x42, U'\u2016', U'\u2225'}, {0x21, 0x5D, U'\u2212', U'\uFF0D'},
      {0x21, 0x71, U'\u00A2', U'\uFFE0'}, {0x21, 0x72, U'\u00A3', U'\uFFE1'},
      {0x22, 0x4C, U'\u00AC', U'\uFFE2'}, {0x21, 0x3D, U'\u2014', U'\u2015'},
      {0x30, 0x21, U'\u4E9C', U'\u4E9C'}, {0x32, 0x71, U'\u4F1A', U'\u4F1A'},
      {0x35, 0x44, U'\u8B70', U'\u8B70'}, {0x3C, 0x3C, U'\u5BA4', U'\u5BA4'},
      {0x4F, 0x43, U'\u8A71', U'\u8A71'}, {0x42, 0x6A, U'\u984C', U'\u984C'},
      {0x3F, 0x37, U'\u65B0', U'\u65B0'}, {0x4B, 0x5C, U'\u672C', U'\u672C'},
  };
  chars.insert(chars.end(), std::begin(others), std::end(others));
  return chars;
}

using Line = std::vector<Char>;

// A forum log: board lines, message headers with their date lines, bodies.
std::vector<Line> randomLog(uint32_t seed, size_t lineCount) {
  std::mt19937 random(seed);
  const std::vector<Char> chars = repertoire();
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  auto text = [&](Line& line, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      line.push_back(pick(6) == 0 ? ascii("ab #x1"[pick(6)])
                                  : chars[pick(chars.size())]);
    }
  };
  auto plain = [](Line& line, const std::string& s) {
    for (char c : s) line.push_back(ascii(c));
  };
  std::vector<Line> lines;
  int number = 100;
  while (lines.size() < lineCount) {
    const int conference = 1 + static_cast<int>(pick(25));
    char mes[8];
    std::snprintf(mes, sizeof mes, "(%02d)", conference);
    Line board;
    plain(board, std::string("- FMKTG  MES") + mes + " [FMKTG] ");
    text(board, 4);
    plain(board, " -");
    lines.push_back(board);
    for (size_t m = 1 + pick(8); m > 0; --m) {
      number += 1 + static_cast<int>(pick(3));
      char head[40];
      std::snprintf(head, sizeof head, "%05d/%05d XYZ%05d  ", number,
                    static_cast<int>(pick(99999)),
                    static_cast<int>(pick(99999)));
      Line header;
      plain(header, head);
      for (int k = 0; k < 8; ++k) {  // the handle: 16 bytes
        header.push_back(chars[pick(chars.size())]);
      }
      plain(header, " ");
      text(header, 1 + pick(12));
      lines.push_back(header);
      Line date;
      plain(date, std::string(mes) + "   97/08/20 21:05  ");
      lines.push_back(date);
      for (size_t b = pick(12); b > 0; --b) {
        Line body;
        text(body, pick(40));
        lines.push_back(body);
      }
    }
  }
  return lines;
}

enum class Encoding { ShiftJis, Utf8Jis, Utf8Windows, EucJp, Iso2022Jp };

void putUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string written(const std::vector<Line>& lines, Encoding encoding,
                    const std::string& end) {
  std::string out;
  for (const Line& line : lines) {
    bool kanji = false;  // ISO-2022-JP's shift
    for (const Char& c : line) {
      if (c.row == 0) {
        if (kanji) out += "\x1B(B";
        kanji = false;
        out += static_cast<char>(c.cell);
        continue;
      }
      switch (encoding) {
        case Encoding::ShiftJis: {
          const unsigned lead = (c.row + 1) / 2 + (c.row <= 0x5E ? 0x70 : 0xB0);
          const unsigned trail = c.row % 2 == 1
                                     ? c.cell + (c.cell >= 0x60 ? 0x20 : 0x1F)
                                     : c.cell + 0x7E;
          out += static_cast<char>(lead);
          out += static_cast<char>(trail);
          break;
        }
        case Encoding::Utf8Jis:
          putUtf8(c.jisWay, out);
          break;
        case Encoding::Utf8Windows:
          putUtf8(c.windowsWay, out);
          break;
        case Encoding::EucJp:
          out += static_cast<char>(c.row | 0x80);
          out += static_cast<char>(c.cell | 0x80);
          break;
        case Encoding::Iso2022Jp:
          if (!kanji) out += "\x1B$B";
          kanji = true;
          out += static_cast<char>(c.row);
          out += static_cast<char>(c.cell);
          break;
      }
    }
    if (kanji) out += "\x1B(B";
    out += end;
  }
  return out;
}

std::string converted(const std::string& log) {
  FakeFileSystem fs;
  fs.setFile("/a.log", log);
  ConversionAssembly run(fs);
  run.convert("/a.log", "/a.ren", Mode::New);
  return fs.fileBytes("/a.ren").value_or("");
}

TEST(ReencodedLogsTest, EveryEncodingGivesTheRecordsOfTheShiftJisLog) {
  const struct {
    const char* what;
    Encoding encoding;
    const char* end;
  } variants[] = {
      {"Shift-JIS, LF", Encoding::ShiftJis, "\n"},
      {"UTF-8 (JIS way), CR LF", Encoding::Utf8Jis, "\r\n"},
      {"UTF-8 (JIS way), LF", Encoding::Utf8Jis, "\n"},
      {"UTF-8 (Windows way), CR LF", Encoding::Utf8Windows, "\r\n"},
      {"UTF-8 (Windows way), LF", Encoding::Utf8Windows, "\n"},
      {"EUC-JP, LF", Encoding::EucJp, "\n"},
      {"ISO-2022-JP, CR LF", Encoding::Iso2022Jp, "\r\n"},
  };
  for (uint32_t seed : {1u, 2u, 3u}) {
    // Larger than a block of the file channels.
    const std::vector<Line> log = randomLog(seed, 4000);
    const std::string expected =
        converted(written(log, Encoding::ShiftJis, "\r\n"));
    ASSERT_GT(expected.size(), 100000u) << "no records for seed " << seed;
    for (const auto& v : variants) {
      const std::string got = converted(written(log, v.encoding, v.end));
      EXPECT_TRUE(got == expected)
          << v.what << ", seed " << seed << ": " << got.size()
          << " bytes, expected " << expected.size();
    }
    // With a byte-order mark.
    EXPECT_TRUE(converted("\xEF\xBB\xBF" + written(log, Encoding::Utf8Windows,
                                                   "\r\n")) == expected)
        << "UTF-8 with a byte-order mark, seed " << seed;
  }
}

}  // namespace
}  // namespace tess
