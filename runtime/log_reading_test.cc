#include "runtime/log_reading.h"

#include <gtest/gtest.h>

#include <string>

namespace tess {
namespace {

using namespace std::string_literals;

struct EncodingCase {
  const char* what;
  std::string block;
  bool whole;
  LogEncoding expected;
};

TEST(LogReadingTest, EncodingDecidedFromTheFirstBlock) {
  // あいうえお and 会議室 in each encoding.
  const std::string sjis = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8"s;
  const std::string utf8 =
      "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\xE3\x81\x8A"s;
  const std::string euc = "\xA4\xA2\xA4\xA4\xA4\xA6\xA4\xA8\xA4\xAA"s;
  const std::string jis = "\x1B$B$\"$$$&$($*\x1B(B"s;
  const EncodingCase cases[] = {
      {"empty", "", true, LogEncoding::ShiftJis},
      {"ASCII", "hello\r\nworld\r\n", true, LogEncoding::ShiftJis},
      {"Shift-JIS kana", "abc " + sjis + "\r\n", true, LogEncoding::ShiftJis},
      {"UTF-8", "abc " + utf8 + "\r\n", true, LogEncoding::Utf8},
      {"UTF-8 with LF", utf8 + "\n" + utf8 + "\n", true, LogEncoding::Utf8},
      {"UTF-8, too few to tell", "\xE3\x81\x82\r\n", true,
       LogEncoding::ShiftJis},
      {"a byte-order mark alone", "\xEF\xBB\xBF", true, LogEncoding::Utf8},
      {"a byte-order mark and ASCII", "\xEF\xBB\xBFhello\r\n", true,
       LogEncoding::Utf8},
      {"UTF-8 cut at the block's end", utf8 + "\xE3\x81", false,
       LogEncoding::Utf8},
      {"UTF-8 cut at the log's end", utf8 + "\xE3\x81", true,
       LogEncoding::ShiftJis},
      // 縺 (E3 81) and others: Shift-JIS kanji whose bytes are valid UTF-8
      // here and there; the kana after them are not.
      {"Shift-JIS valid as UTF-8 in places",
       "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88 " + sjis, true,
       LogEncoding::ShiftJis},
      {"UTF-8 surrogates", "\xED\xA0\x80\xED\xA0\x80\xED\xA0\x80\xED\xA0\x80",
       true, LogEncoding::ShiftJis},
      {"EUC-JP", "abc " + euc + "\n", true, LogEncoding::EucJp},
      {"EUC-JP with half-width kana", "\x8E\xB1\x8E\xB2" + euc, true,
       LogEncoding::EucJp},
      {"Shift-JIS kanji only, valid as EUC-JP pairs but with a hiragana",
       "\xE0\xA1\xE0\xA2\xE0\xA3\xE0\xA4" + sjis, true, LogEncoding::ShiftJis},
      {"ISO-2022-JP", "abc " + jis + "\r\n", true, LogEncoding::Iso2022Jp},
      {"ANSI escapes are not ISO-2022-JP", "\x1B[2J\x1B[1;1Hhello\r\n", true,
       LogEncoding::ShiftJis},
      {"ISO-2022-JP escape among 8-bit bytes", jis + sjis, true,
       LogEncoding::ShiftJis},
      // A lead byte at a line's end: the CR after it is no UTF-8 or EUC-JP.
      {"Shift-JIS split across lines",
       "\x93\xFA\x96\x7B\x8C\xEA\x82\r\n\xA0\x82\xA2\r\n", true,
       LogEncoding::ShiftJis},
      {"EUC-JP split across lines", euc + "\xA4\r\n\xA2" + euc, true,
       LogEncoding::ShiftJis},
      {"binary", "\x00\x01\x02\xFF\xFE\x80\x90\x00"s, true,
       LogEncoding::ShiftJis},
  };
  for (const EncodingCase& c : cases) {
    EXPECT_EQ(decideEncoding(c.block, c.whole), c.expected) << c.what;
  }
}

TEST(LogReadingTest, OnlyTheFirstBlockIsLookedAt) {
  const std::string utf8 = "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88";
  std::string log(kDecisionBytes, 'a');
  EXPECT_EQ(decideEncoding(log + utf8, true), LogEncoding::ShiftJis);
  EXPECT_EQ(decideLineEnds(log + "\r\n"), LineEnds::Cr);
  log[10] = '\n';
  EXPECT_EQ(decideLineEnds(log + "\r\n"), LineEnds::Lf);
}

TEST(LogReadingTest, LineEnds) {
  const struct {
    const char* block;
    LineEnds expected;
  } cases[] = {
      {"", LineEnds::Cr},           {"abc", LineEnds::Cr},
      {"a\r\nb\r\n", LineEnds::Cr}, {"a\rb\r", LineEnds::Cr},
      {"a\nb\n", LineEnds::Lf},     {"a\nb\r\n", LineEnds::Cr},
      {"a\nb\rc\n", LineEnds::Cr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(decideLineEnds(c.block), c.expected) << c.block;
  }
}

TEST(LogReadingTest, ChoiceOverridesTheDecisionAndTheLookTellsWhy) {
  const std::string lfLog = "line one\nline two\nline three\n";
  const LogReading decided = decideLogReading(lfLog, true, {});
  EXPECT_EQ(decided.lineEnds, LineEnds::Lf);
  EXPECT_TRUE(decided.lineEndsDecided);
  EXPECT_EQ(decided.look, LogLook::Plain);

  const LogReading forced =
      decideLogReading(lfLog, true, {LogEncoding::Auto, LineEnds::Cr});
  EXPECT_EQ(forced.lineEnds, LineEnds::Cr);
  EXPECT_FALSE(forced.lineEndsDecided);
  EXPECT_EQ(forced.look, LogLook::LfEnds);

  // One CR among many LF: read with CR ends, and it looks like LF ends.
  const LogReading mixed = decideLogReading("a\rb\nc\nd\n", true, {});
  EXPECT_EQ(mixed.lineEnds, LineEnds::Cr);
  EXPECT_EQ(mixed.look, LogLook::LfEnds);

  const LogReading utf8 =
      decideLogReading("\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\r\n",
                       true, {LogEncoding::EucJp, LineEnds::Auto});
  EXPECT_EQ(utf8.encoding, LogEncoding::EucJp);
  EXPECT_FALSE(utf8.encodingDecided);

  // Bytes that are no Shift-JIS and none of the others.
  const LogReading other =
      decideLogReading("\x80\xA0\xFD\xFE\x80\xA0\r\n", true, {});
  EXPECT_EQ(other.encoding, LogEncoding::ShiftJis);
  EXPECT_EQ(other.look, LogLook::NotShiftJis);

  std::string binary(256, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i);
  EXPECT_EQ(decideLogReading(binary, true, {}).look, LogLook::NotText);

  // A Shift-JIS line cut inside a character is nothing unusual.
  EXPECT_EQ(decideLogReading("\x82\xA0\x82\r\n\xA2\r\n", true, {}).look,
            LogLook::Plain);
  EXPECT_TRUE(decideLogReading("a\r\n", true, {}).plain());
}

}  // namespace
}  // namespace tess
