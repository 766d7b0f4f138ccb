// The half-width forms of full-width characters: letters, digits, signs
// and katakana written with two bytes become their single-byte forms.
#include "runtime/half_width.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tess {

namespace {

// The byte lower-cased when it is one of A to Z.
constexpr unsigned char lowerLetter(unsigned b) {
  return static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 0x20 : b);
}

// Full-width forms
// "　！”＃＄％＆’（）＊＋，－．／０..９：；＜＝＞？＠Ａ..Ｚ［￥］＾＿｀
// ａ..ｚ｛｜｝￣": index i becomes the byte 0x20 + i.
constexpr std::array<uint16_t, 95> kFullWidthForms = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166, 0x8169,
    0x816a, 0x8196, 0x817b, 0x8143, 0x817c, 0x8144, 0x815e, 0x824f, 0x8250,
    0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256, 0x8257, 0x8258, 0x8146,
    0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262,
    0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826a, 0x826b,
    0x826c, 0x826d, 0x826e, 0x826f, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274,
    0x8275, 0x8276, 0x8277, 0x8278, 0x8279, 0x816d, 0x818f, 0x816e, 0x814f,
    0x8151, 0x814d, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,
    0x8288, 0x8289, 0x828a, 0x828b, 0x828c, 0x828d, 0x828e, 0x828f, 0x8290,
    0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297, 0x8298, 0x8299,
    0x829a, 0x816f, 0x8162, 0x8170, 0x8150,
};

// Katakana forms
// "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソ
// タチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜": index i
// becomes the single-byte katakana 0xA1 + i.
constexpr std::array<uint16_t, 63> kKatakanaForms = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344,
    0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815b, 0x8341, 0x8343,
    0x8345, 0x8347, 0x8349, 0x834a, 0x834c, 0x834e, 0x8350, 0x8352, 0x8354,
    0x8356, 0x8358, 0x835a, 0x835c, 0x835e, 0x8360, 0x8363, 0x8365, 0x8367,
    0x8369, 0x836a, 0x836b, 0x836c, 0x836d, 0x836e, 0x8371, 0x8374, 0x8377,
    0x837a, 0x837d, 0x837e, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388,
    0x8389, 0x838a, 0x838b, 0x838c, 0x838d, 0x838f, 0x8393, 0x814a, 0x814b,
};

// Voiced forms "ガギグゲゴザジズゼゾダヂヅデドバビブベボ": the unvoiced form
// (second byte minus 1) followed by 0xDE.
constexpr std::array<uint16_t, 20> kVoicedForms = {
    0x834b, 0x834d, 0x834f, 0x8351, 0x8353, 0x8355, 0x8357,
    0x8359, 0x835b, 0x835d, 0x835f, 0x8361, 0x8364, 0x8366,
    0x8368, 0x836f, 0x8372, 0x8375, 0x8378, 0x837b,
};

// Semi-voiced forms "パピプペポ": the form with the second byte minus 2
// followed by 0xDF.
constexpr std::array<uint16_t, 5> kSemiVoicedForms = {0x8370, 0x8373, 0x8376,
                                                      0x8379, 0x837c};

// Every character of the four tables has the lead byte 0x81, 0x82 or 0x83.
constexpr unsigned kFirstTableLead = 0x81;
constexpr unsigned kLastTableLead = 0x83;
constexpr size_t kTableRows = kLastTableLead - kFirstTableLead + 1;
// One row of 256 entries per table lead byte, and a last row of zeros that
// every other character looks up, so that the walk below needs no branch
// to tell the characters apart.
constexpr size_t kTableSlots = (kTableRows + 1) * 256;

constexpr size_t slotOf(uint16_t code) {
  return (static_cast<size_t>(code >> 8) - kFirstTableLead) * 256 +
         (code & 0xFFu);
}

// One entry per double-byte character with a table lead byte: 0 for none,
// else the single byte in the low half and the added sound mark (0xDE or
// 0xDF) or 0 in the high half. The first table that has a character wins.
constexpr std::array<uint16_t, kTableSlots> buildHalfWidthTable() {
  std::array<uint16_t, kTableSlots> table{};
  auto put = [&table](uint16_t code, uint16_t value) {
    if (table[slotOf(code)] == 0) table[slotOf(code)] = value;
  };
  for (size_t i = 0; i < kFullWidthForms.size(); ++i)
    put(kFullWidthForms[i], static_cast<uint16_t>(0x20 + i));
  for (size_t i = 0; i < kKatakanaForms.size(); ++i)
    put(kKatakanaForms[i], static_cast<uint16_t>(0xA1 + i));
  auto katakana = [](uint16_t code) -> uint16_t {
    for (size_t i = 0; i < kKatakanaForms.size(); ++i)
      if (kKatakanaForms[i] == code) return static_cast<uint16_t>(0xA1 + i);
    return 0;
  };
  for (uint16_t code : kVoicedForms)
    put(code, static_cast<uint16_t>(katakana(static_cast<uint16_t>(code - 1)) |
                                    (0xDE << 8)));
  for (uint16_t code : kSemiVoicedForms)
    put(code, static_cast<uint16_t>(katakana(static_cast<uint16_t>(code - 2)) |
                                    (0xDF << 8)));
  return table;
}

constexpr std::array<uint16_t, kTableSlots> kHalfWidthTable =
    buildHalfWidthTable();

// The table row of every byte: its own row for a table lead byte, else the
// row of zeros.
constexpr std::array<uint8_t, 256> buildTableRows() {
  std::array<uint8_t, 256> rows{};
  for (size_t b = 0; b < 256; ++b) {
    rows[b] = b >= kFirstTableLead && b <= kLastTableLead
                  ? static_cast<uint8_t>(b - kFirstTableLead)
                  : static_cast<uint8_t>(kTableRows);
  }
  return rows;
}

constexpr std::array<uint8_t, 256> kTableRowOf = buildTableRows();

// The table row of every lead byte, as kTableRowOf; kNoPair for any other
// byte, which stands as a single-byte character. One look-up tells the
// walk what to do with a byte.
constexpr uint8_t kNoPair = 0xFF;
constexpr std::array<uint8_t, 256> buildPairRows() {
  std::array<uint8_t, 256> rows{};
  for (size_t b = 0; b < 256; ++b) {
    rows[b] =
        isLeadByte(static_cast<unsigned char>(b)) ? kTableRowOf[b] : kNoPair;
  }
  return rows;
}
constexpr std::array<uint8_t, 256> kPairRowOf = buildPairRows();

}  // namespace

ByteString toHalfWidth(const ByteString& s) {
  const std::string_view v = s.view();
  const size_t n = v.size();
  std::string out;
  size_t copied = 0;  // bytes of v before this index are already in out
  // Byte by byte, carrying whether the byte is the second of a double-byte
  // character. Titles mix single-byte and double-byte characters at
  // random: every byte looks up a table entry without a branch (a byte
  // that does not start a double-byte character looks up the row of
  // zeros), and only a hit branches.
  bool second = false;
  for (size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(v[i]);
    const bool lead = !second && isLeadByte(b);
    const bool pair = lead && i + 1 < n;
    const auto trail = static_cast<unsigned char>(v[i + pair]);
    const size_t row = pair ? kTableRowOf[b] : kTableRows;
    const uint16_t half = kHalfWidthTable[row * 256 + trail];
    if (half != 0) {
      if (out.empty()) out.reserve(n);
      out.append(v.substr(copied, i - copied));
      out.push_back(static_cast<char>(half & 0xFF));
      if ((half >> 8) != 0) out.push_back(static_cast<char>(half >> 8));
      copied = i + 2;
    }
    second = lead;
  }
  if (copied == 0) return s;  // nothing to replace
  out.append(v.substr(copied));
  return ByteString(std::move(out));
}

void toHalfWidthLowerAsciiInPlace(std::string& text, size_t from) {
  unsigned char* const bytes = reinterpret_cast<unsigned char*>(text.data());
  const size_t n = text.size();
  // The walk of toHalfWidth, a character at a time: a lead byte with a byte
  // after it starts a double-byte character, any other byte is a
  // single-byte character. The result so far is bytes[0, out), out <= i.
  // The last byte, with no byte after it, is a single-byte character
  // whatever it is: it is taken after the loop.
  size_t i = from;
  size_t out = 0;
  // While the result starts where the text does, a character that stays as
  // it is needs no write: up to the first pair with a half-width form (the
  // one change that can shorten the text), only letters are written.
  if (from == 0) {
    while (i + 1 < n) {
      const unsigned row = kPairRowOf[bytes[i]];
      if (row == kNoPair) {
        bytes[i] = lowerLetter(bytes[i]);
        ++i;
        continue;
      }
      if (kHalfWidthTable[row * 256 + bytes[i + 1]] != 0) break;
      i += 2;
    }
    out = i;
  }
  while (i + 1 < n) {
    const unsigned b = bytes[i];
    const unsigned row = kPairRowOf[b];
    if (row == kNoPair) {
      // Lower-casing changes only a single-byte character A to Z.
      bytes[out++] = lowerLetter(b);
      ++i;
      continue;
    }
    const unsigned trail = bytes[i + 1];
    const unsigned half = kHalfWidthTable[row * 256 + trail];
    i += 2;
    if (half == 0) {
      // No half-width form: the pair as it is, never lower-cased.
      bytes[out] = static_cast<unsigned char>(b);
      bytes[out + 1] = static_cast<unsigned char>(trail);
      out += 2;
      continue;
    }
    // The half-width form of the pair: one or two single-byte characters,
    // none of them a lead byte, so the characters after it start where
    // they started before. Its letter is lower-cased. The second byte is
    // written either way (out + 1 < i): it counts only when there is one.
    bytes[out] = lowerLetter(half & 0xFF);
    bytes[out + 1] = static_cast<unsigned char>(half >> 8);
    out += (half >> 8) != 0 ? 2 : 1;
  }
  if (i < n) bytes[out++] = lowerLetter(bytes[i]);
  text.resize(out);
}

}  // namespace tess
