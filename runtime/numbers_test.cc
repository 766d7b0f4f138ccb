#include "runtime/numbers.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <vector>

#include "runtime/runtime_error.h"
#include "tests/support/raised_error.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using tess::testing::errorOf;

std::string text(float x) { return numberToText(x).str(); }
double value(const std::string& s) { return textToNumber(ByteString(s)); }

TEST(NumberToText, EveryExampleOfTheTable) {
  EXPECT_EQ(text(0.0f), " 0");
  EXPECT_EQ(text(-0.0f), " 0");
  EXPECT_EQ(text(5.0f), " 5");
  EXPECT_EQ(text(-5.0f), "-5");
  EXPECT_EQ(text(12.5f), " 12.5");
  EXPECT_EQ(text(0.5f), " .5");
  EXPECT_EQ(text(-0.5f), "-.5");
  EXPECT_EQ(text(1000.0f), " 1000");
  EXPECT_EQ(text(999999.0f), " 999999");
  EXPECT_EQ(text(999999.5f), " 1E+06");
  EXPECT_EQ(text(1234567.0f), " 1.23457E+06");
  EXPECT_EQ(text(16777216.0f), " 1.67772E+07");
  EXPECT_EQ(text(0.1f), " .1");
  EXPECT_EQ(text(3.3f), " 3.3");
  EXPECT_EQ(text(1.0f / 3.0f), " .333333");
  EXPECT_EQ(text(0.000001f), " .000001");
  EXPECT_EQ(text(0.0000001f), " 1E-07");
  EXPECT_EQ(text(0.012345f), " .012345");
  EXPECT_EQ(text(0.0123457f), " 1.23457E-02");
  EXPECT_EQ(text(-1.5e-10f), "-1.5E-10");
}

TEST(NumberToText, RoundingAtTheSeventhDigit) {
  // Exactly ...5 at the 7th digit rounds up, whatever the 6th digit.
  EXPECT_EQ(text(123456.5f), " 123457");
  // 1.2343845367... : the 7th digit is 4, so it rounds down even though
  // rounding first to 7 digits would give ...385 and then ...39.
  EXPECT_EQ(text(1.234384536743164f), " 1.23438");
  // Every whole number from 1 000 000 on takes exponent notation.
  EXPECT_EQ(text(1000000.0f), " 1E+06");
  EXPECT_EQ(text(-1000000.0f), "-1E+06");
  EXPECT_EQ(text(100000.0f), " 100000");
  EXPECT_EQ(text(120000.0f), " 120000");
  // Far ends of single precision.
  EXPECT_EQ(text(FLT_MAX), " 3.40282E+38");
  EXPECT_EQ(text(FLT_TRUE_MIN), " 1.4013E-45");
  // At most six digits may follow the point in fixed notation.
  EXPECT_EQ(text(0.001234f), " .001234");
  EXPECT_EQ(text(0.0001234f), " 1.234E-04");
  EXPECT_EQ(text(0.0000012345f), " 1.2345E-06");
}

TEST(TextToNumber, WhereTheNumberStartsAndEnds) {
  EXPECT_EQ(value(""), 0);
  EXPECT_EQ(value("  12"), 12);
  EXPECT_EQ(value("0012"), 12);
  EXPECT_EQ(value("12 34"), 12);
  EXPECT_EQ(value("-5"), -5);
  EXPECT_EQ(value("+5"), 5);
  EXPECT_EQ(value("- 5"), 0);
  EXPECT_EQ(value(".5"), 0.5);
  EXPECT_EQ(value("-.5"), -0.5);
  EXPECT_EQ(value("."), 0);
  EXPECT_EQ(value("   "), 0);
  EXPECT_EQ(value(tess::testing::sjis("１２")), 0);
  EXPECT_EQ(value("\x81\x40"
                  "12"),
            0);  // a full-width space is not passed
  EXPECT_EQ(value("a12"), 0);
  EXPECT_EQ(value(",5"), 0);
  EXPECT_EQ(value("12a"), 12);
  EXPECT_EQ(value("1,234"), 1);
  EXPECT_EQ(value("1.5.3"), 1.5);
  EXPECT_EQ(value("12%"), 12);
  EXPECT_EQ(value("2.5#"), 2.5);
}

TEST(TextToNumber, ExponentsAndRadixForms) {
  EXPECT_EQ(value("1E3"), 1000);
  EXPECT_EQ(value("1e+3"), 1000);
  EXPECT_EQ(value("15D-1"), 1.5);
  EXPECT_EQ(value("2d2"), 200);
  EXPECT_EQ(value("7E"), 7);
  EXPECT_EQ(value("5.e2"), 500);
  EXPECT_EQ(value("-12.E-1"), -1.2);
  EXPECT_EQ(value("3.25E1x"), 32.5);
  EXPECT_EQ(value("&H1F"), 31);
  EXPECT_EQ(value("&hff"), 255);
  EXPECT_EQ(value("&O17"), 15);
  EXPECT_EQ(value("&o19"), 1);  // 9 is no octal digit
  EXPECT_EQ(value("&H"), 0);
  EXPECT_EQ(value("&X1"), 0);
  EXPECT_EQ(errorOf([] { value("&H1FFFFFFFF"); }), 6);
}

TEST(TextToNumber, NearestDoubleAndRange) {
  EXPECT_EQ(value("0.1"), 0.1);
  EXPECT_EQ(value("3.3"), 3.3);
  EXPECT_EQ(value("9007199254740993"), 9007199254740992.0);
  EXPECT_EQ(value("1.7976931348623157e308"), DBL_MAX);
  EXPECT_EQ(errorOf([] { value("1e309"); }), 6);
  EXPECT_EQ(errorOf([] { value("-1e400"); }), 6);
  EXPECT_EQ(errorOf([] { value("1" + std::string(400, '0')); }), 6);
  EXPECT_EQ(errorOf([] { value("1e99999999999999999999"); }), 6);
  EXPECT_EQ(value("1e-400"), 0);
  EXPECT_EQ(value("0." + std::string(400, '0') + "1"), 0);
  EXPECT_EQ(value(std::string(400, '0') + "1"), 1);
  EXPECT_EQ(value("0.000001e6"), 1);
}

TEST(TextToNumber, ShortTextsAsTheGeneralReading) {
  // Every text of up to two bytes.
  std::vector<std::string> texts = {""};
  for (int a = 0; a < 256; ++a) {
    texts.emplace_back(1, static_cast<char>(a));
    for (int b = 0; b < 256; ++b) {
      texts.push_back({static_cast<char>(a), static_cast<char>(b)});
    }
  }
  for (const std::string& text : texts) {
    ASSERT_EQ(shortTextToNumber(text), textToNumber(ByteString(text)))
        << "[" << text << "]";
  }
}

TEST(Singles, StoringAndRounding) {
  EXPECT_EQ(toSingle(0.1), 0.1f);
  EXPECT_EQ(toSingle(FLT_MAX), FLT_MAX);
  EXPECT_EQ(toSingle(1e-50), 0.0f);
  EXPECT_TRUE(fitsSingle(-FLT_MAX));
  // Just below the half-way point to 2^128 still rounds to the largest.
  EXPECT_TRUE(fitsSingle(0x1.fffffefffffffp+127));
  EXPECT_FALSE(fitsSingle(0x1.ffffffp+127));
  EXPECT_EQ(errorOf([] { toSingle(3.5e38); }), 6);
  EXPECT_EQ(errorOf([] { toSingle(-1e300); }), 6);

  EXPECT_EQ(roundToInteger(2.5), 3);
  EXPECT_EQ(roundToInteger(-2.5), -3);
  EXPECT_EQ(roundToInteger(3.49), 3);
  EXPECT_EQ(roundToInteger(2.4), 2);
  EXPECT_EQ(roundToInteger(-2.4), -2);
  EXPECT_EQ(roundToInteger(0.0), 0);
  // x + 0.5 would round up to 1 in double precision.
  EXPECT_EQ(roundToInteger(0.49999999999999994), 0);
  EXPECT_EQ(roundToInteger(2147483647.4), 2147483647);
  EXPECT_EQ(roundToInteger(-2147483648.4), -2147483647 - 1);
  EXPECT_EQ(errorOf([] { roundToInteger(2147483647.5); }), 6);
  EXPECT_EQ(errorOf([] { roundToInteger(-2147483648.5); }), 6);
  EXPECT_EQ(errorOf([] { roundToInteger(1e10); }), 6);
}

}  // namespace
}  // namespace tess
