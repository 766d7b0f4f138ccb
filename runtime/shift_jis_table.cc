#include "runtime/shift_jis_table.h"

#include <array>
#include <cstddef>

namespace tess {

namespace {

struct Row {
  unsigned char lead;
  // Four hex digits of UTF-16 for each of the 188 trail bytes.
  const char* units;
};

constexpr Row kRows[] = {
#include "runtime/cp932_table.inc"
};

constexpr size_t kTrails = 188;

constexpr unsigned hexDigit(char c) {
  return c <= '9' ? static_cast<unsigned>(c - '0')
                  : static_cast<unsigned>(c - 'A' + 10);
}

constexpr unsigned trailByte(size_t k) {
  // 0x40..0x7E, then 0x80..0xFC: 0x7F is never a trail byte.
  return static_cast<unsigned>(k < 0x3F ? 0x40 + k : 0x41 + k);
}

// Which of two codes of one character is written: JIS rows first, then
// the NEC row 13, then the IBM rows.
constexpr int preference(unsigned code) {
  const unsigned lead = code >> 8;
  if (lead == 0x87) return 1;
  if (lead >= 0xFA) return 2;
  return 0;
}

using Table = std::array<uint16_t, 0x10000>;

constexpr Table makeTable() {
  Table table{};
  for (unsigned c = 0; c < 0x80; ++c) table[c] = static_cast<uint16_t>(c);
  for (unsigned c = 0xFF61; c <= 0xFF9F; ++c) {
    table[c] = static_cast<uint16_t>(c - 0xFF61 + 0xA1);  // half-width kana
  }
  for (const Row& row : kRows) {
    for (size_t k = 0; k < kTrails; ++k) {
      const char* hex = row.units + 4 * k;
      const unsigned unit = hexDigit(hex[0]) << 12 | hexDigit(hex[1]) << 8 |
                            hexDigit(hex[2]) << 4 | hexDigit(hex[3]);
      if (unit == 0) continue;
      const unsigned code = static_cast<unsigned>(row.lead) << 8 | trailByte(k);
      if (table[unit] == 0 || preference(code) < preference(table[unit])) {
        table[unit] = static_cast<uint16_t>(code);
      }
    }
  }
  // The user-defined rows 0xF0..0xF9 hold U+E000 on, in code order.
  for (unsigned lead = 0xF0; lead <= 0xF9; ++lead) {
    for (size_t k = 0; k < kTrails; ++k) {
      table[0xE000 + (lead - 0xF0) * kTrails + k] =
          static_cast<uint16_t>(lead << 8 | trailByte(k));
    }
  }
  // The JIS way of mapping the same characters.
  constexpr struct {
    char16_t unicode;
    uint16_t code;
  } kJisWay[] = {{u'\u301C', 0x8160}, {u'\u2016', 0x8161}, {u'\u2212', 0x817C},
                 {u'\u2014', 0x815C}, {u'\u00A2', 0x8191}, {u'\u00A3', 0x8192},
                 {u'\u00AC', 0x81CA}, {u'\u00A5', 0x5C},   {u'\u203E', 0x7E}};
  for (const auto& extra : kJisWay) {
    if (table[extra.unicode] == 0) table[extra.unicode] = extra.code;
  }
  return table;
}

}  // namespace

constexpr Table kShiftJisOfUnicode = makeTable();

}  // namespace tess
