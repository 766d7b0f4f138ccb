#include "runtime/log_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/shift_jis_table.h"

namespace tess {
namespace {

using namespace std::string_literals;

std::string decoded(LogEncoding encoding, const std::string& bytes,
                    uint64_t* replaced = nullptr) {
  LogDecoder decoder(encoding);
  std::string out;
  decoder.decode(bytes, out);
  if (replaced != nullptr) *replaced = decoder.replaced();
  return out;
}

TEST(LogDecoderTest, BothMappingsOfShiftJisComeBackToTheSameCodes) {
  const struct {
    char32_t unicode;
    uint16_t code;
  } cases[] = {
      {U'A', 0x41},
      {U'\\', 0x5C},
      {U'~', 0x7E},
      {U'\u00A5', 0x5C},
      {U'\u203E', 0x7E},
      {U'\uFF61', 0xA1},
      {U'\uFF9F', 0xDF},
      {U'\u3000', 0x8140},
      {U'\u3042', 0x82A0},
      {U'\u301C', 0x8160},
      {U'\uFF5E', 0x8160},
      {U'\u2016', 0x8161},
      {U'\u2225', 0x8161},
      {U'\u2212', 0x817C},
      {U'\uFF0D', 0x817C},
      {U'\u2014', 0x815C},
      {U'\u2015', 0x815C},
      {U'\u00A2', 0x8191},
      {U'\uFFE0', 0x8191},
      {U'\u00A3', 0x8192},
      {U'\uFFE1', 0x8192},
      {U'\u00AC', 0x81CA},
      {U'\uFFE2', 0x81CA},
      {U'\u3013', 0x81AC},
      {U'\u4E9C', 0x889F},
      {U'\u9ED1', 0xFC4B},
      {U'\u7199', 0xEAA4},
      // Characters with two codes: the one Windows writes.
      {U'\u2252', 0x81E0},
      {U'\u2235', 0x81E6},
      {U'\u2160', 0x8754},
      {U'\u2170', 0xFA40},
      {U'\uE000', 0xF040},
      {U'\uE757', 0xF9FC},
      // Not in code page 932.
      {U'\u00E9', 0},
      {U'\u4E02', 0},
      {U'\U0001F600', 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shiftJisOf(c.unicode), c.code)
        << std::hex << static_cast<uint32_t>(c.unicode);
  }
}

TEST(LogDecoderTest, EachEncodingBecomesShiftJis) {
  const struct {
    const char* what;
    LogEncoding encoding;
    std::string in;
    std::string out;
    uint64_t replaced;
  } cases[] = {
      {"UTF-8 text", LogEncoding::Utf8, "a\xE3\x81\x82\xE4\xBA\x9C\xEF\xBD\xB1",
       "a\x82\xA0\x88\x9F\xB1", 0},
      {"UTF-8 byte-order mark at the start", LogEncoding::Utf8,
       "\xEF\xBB\xBF"
       "abc",
       "abc", 0},
      {"UTF-8 character not in code page 932", LogEncoding::Utf8,
       "a\xC3\xA9z\xF0\x9F\x98\x80", "a\x81\xACz\x81\xAC", 2},
      {"UTF-8 invalid bytes", LogEncoding::Utf8, "\x80\xE3\x81z\xFF",
       "\x81\xAC\x81\xACz\x81\xAC", 3},
      {"UTF-8 overlong and surrogate", LogEncoding::Utf8,
       "\xC0\xAF\xED\xA0\x80", "\x81\xAC\x81\xAC\x81\xAC\x81\xAC\x81\xAC", 5},
      {"EUC-JP text", LogEncoding::EucJp, "a\xA4\xA2\xB0\xA1\xA1\xC1",
       "a\x82\xA0\x88\x9F\x81\x60", 0},
      {"EUC-JP half-width kana", LogEncoding::EucJp, "\x8E\xB1\x8E\xDF",
       "\xB1\xDF", 0},
      {"EUC-JP row 13 and a user-defined character", LogEncoding::EucJp,
       "\xAD\xA1\xF5\xA1", "\x87\x40\xF0\x40", 0},
      {"EUC-JP JIS X 0212 and invalid bytes", LogEncoding::EucJp,
       "\x8F\xB0\xA1\x80\xA4", "\x81\xAC\x81\xAC\x81\xAC", 3},
      {"ISO-2022-JP text", LogEncoding::Iso2022Jp,
       "a\x1B$B$\"0!\x1B(Bb\x1B(J\\",
       "a\x82\xA0\x88\x9F"
       "b\\",
       0},
      {"ISO-2022-JP kana and JIS X 0212", LogEncoding::Iso2022Jp,
       "\x1B(I1_\x1B$(D0!\x1B(B", "\xB1\xDF\x81\xAC", 1},
      {"ISO-2022-JP other escapes stay", LogEncoding::Iso2022Jp, "\x1B[1m\x80",
       "\x1B[1m\x81\xAC", 1},
  };
  for (const auto& c : cases) {
    uint64_t replaced = 0;
    EXPECT_EQ(decoded(c.encoding, c.in, &replaced), c.out) << c.what;
    EXPECT_EQ(replaced, c.replaced) << c.what;
  }
}

TEST(LogDecoderTest, StateCarriesFromLineToLine) {
  LogDecoder jis(LogEncoding::Iso2022Jp);
  std::string out;
  jis.decode("\x1B$B$\"", out);
  jis.decode("$$\x1B(B", out);
  EXPECT_EQ(out, "\x82\xA0\x82\xA2");

  // The byte-order mark is dropped only at the log's start.
  LogDecoder utf8(LogEncoding::Utf8);
  out.clear();
  utf8.decode("\xEF\xBB\xBFx", out);
  utf8.decode("\xEF\xBB\xBFy", out);
  EXPECT_EQ(out, "x\x81\xACy");
  EXPECT_EQ(utf8.replaced(), 1u);
}

TEST(LogDecoderTest, JisRowAndCellToShiftJis) {
  EXPECT_EQ(shiftJisOfJis(0x21, 0x21), 0x8140);
  EXPECT_EQ(shiftJisOfJis(0x21, 0x7E), 0x819E);
  EXPECT_EQ(shiftJisOfJis(0x22, 0x21), 0x819F);
  EXPECT_EQ(shiftJisOfJis(0x22, 0x7E), 0x81FC);
  EXPECT_EQ(shiftJisOfJis(0x21, 0x5F), 0x817E);
  EXPECT_EQ(shiftJisOfJis(0x21, 0x60), 0x8180);
  EXPECT_EQ(shiftJisOfJis(0x5F, 0x21), 0xE040);
  EXPECT_EQ(shiftJisOfJis(0x7E, 0x7E), 0xEFFC);
}

}  // namespace
}  // namespace tess
