#include "conversion/field_helpers.h"

#include <gtest/gtest.h>

#include "conversion/conversion_test_doubles.h"
#include "runtime/runtime_error.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using testing::sjis;

TEST(ZeronumTest, PadsWithAtMostSixZeros) {
  EXPECT_EQ(ZERONUM(" 7", 3), "007");
  EXPECT_EQ(ZERONUM("12", 5), "00012");
  EXPECT_EQ(ZERONUM("99999", 5), "99999");
  EXPECT_EQ(ZERONUM("5", 8), "0000005");  // seven bytes: six zeros at most
  EXPECT_EQ(ZERONUM("", 2), "00");
  EXPECT_EQ(ZERONUM("", 0), "");
}

TEST(ZeronumTest, KeepsTheRightmostBytesOfALongerText) {
  EXPECT_EQ(ZERONUM("123456", 3), "456");
  EXPECT_EQ(ZERONUM(" 1E+06", 5), "1E+06");
}

TEST(ZeronumTest, TrimsOnlyLeadingBlanksAndDoesNotLookForDigits) {
  EXPECT_EQ(ZERONUM("12 ", 4), "012 ");
  EXPECT_EQ(ZERONUM("ab", 4), "00ab");
  EXPECT_EQ(ZERONUM("1.5", 5), "001.5");
  EXPECT_EQ(ZERONUM(ByteString(sjis("\u3000 42")), 4), "0042");
}

TEST(ZeronumTest, RoundsTheWidthAndRefusesANegativeOne) {
  EXPECT_EQ(ZERONUM("7", 2.5), "007");
  EXPECT_EQ(ZERONUM("7", 2.4), "07");
  try {
    ZERONUM("7", -1);
    FAIL() << "a negative width must be refused";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kIllegalArgument);
  }
}

TEST(CutsTest, ShortTextsStayAsTheyAre) {
  EXPECT_EQ(CUTS("abcd", 4), "abcd");
  EXPECT_EQ(CUTS("abc", 4), "abc");  // not filled up
  EXPECT_EQ(CUTS("", 3), "");
  // Exactly width bytes ending in a lone lead byte: returned unchanged.
  EXPECT_EQ(CUTS("ab\x82", 3), "ab\x82");
}

TEST(CutsTest, CutsSingleByteTextAtTheWidth) {
  EXPECT_EQ(CUTS("abcdef", 4), "abcd");
  EXPECT_EQ(CUTS("abc", 0), "");
}

TEST(CutsTest, NeverSplitsADoubleByteCharacter) {
  EXPECT_EQ(CUTS(ByteString(sjis("abあc")), 3), "ab ");
  EXPECT_EQ(CUTS(ByteString(sjis("aあいう")), 3), ByteString(sjis("aあ")));
  EXPECT_EQ(CUTS(ByteString(sjis("あ")), 1), " ");
  EXPECT_EQ(CUTS(ByteString(sjis("あいうえおか")), 5),
            ByteString(sjis("あい ")));
  EXPECT_EQ(CUTS(ByteString(sjis("あいうえおか")), 6),
            ByteString(sjis("あいう")));
  // A character whose second byte is a lead-range byte (ぁ: 82 9F) is still
  // one character: the cut after it is clean.
  EXPECT_EQ(CUTS(ByteString(sjis("ぁぁぁ")), 4), ByteString(sjis("ぁぁ")));
  EXPECT_EQ(CUTS(ByteString(sjis("aぁぁ")), 4), ByteString(sjis("aぁ ")));
}

TEST(CutsTest, KeepsBlanksAndControlBytes) {
  EXPECT_EQ(CUTS(ByteString("a\x01 \tbcdef", 9), 5),
            ByteString("a\x01 \tb", 5));
}

TEST(CutsTest, RefusesANegativeWidth) {
  try {
    CUTS("abc", -1);
    FAIL() << "a negative width must be refused";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kIllegalArgument);
  }
}

}  // namespace
}  // namespace tess
