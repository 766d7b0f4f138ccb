#include "runtime/byte_string.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "runtime/runtime_error.h"
#include "tests/support/raised_error.h"
#include "tests/support/sjis.h"

namespace tess {

namespace internal {
// Defined with the string operations: the length check of concatenate,
// testable without allocating two gigabytes.
int64_t joinedLength(int64_t left, int64_t right);
}  // namespace internal

namespace {

using tess::testing::errorOf;
using tess::testing::sjis;

ByteString S(const std::string& bytes) { return ByteString(bytes); }

TEST(FindBytes, EdgesInOrderOfTests) {
  EXPECT_EQ(findBytes(1, S(""), S("")), 0);
  EXPECT_EQ(findBytes(1, S("abc"), S("")), 1);
  EXPECT_EQ(findBytes(3, S("abc"), S("")), 3);
  EXPECT_EQ(findBytes(4, S("abc"), S("")), 0);
  EXPECT_EQ(findBytes(3, S("abcabc"), S("bc")), 5);
  EXPECT_EQ(findBytes(1, S("abcabc"), S("bc")), 2);
  EXPECT_EQ(findBytes(6, S("abcabc"), S("c")), 6);
  EXPECT_EQ(findBytes(6, S("abcabc"), S("bc")), 0);  // runs past the end
  EXPECT_EQ(findBytes(1, S("ab"), S("abc")), 0);
  EXPECT_EQ(findBytes(1, S("abc"), S("abc")), 1);
  EXPECT_EQ(findBytes(1, S("abc"), S("x")), 0);
  EXPECT_EQ(errorOf([] { findBytes(0, S("abc"), S("a")); }), 5);
  // The start is checked before anything else, even for empty operands.
  EXPECT_EQ(errorOf([] { findBytes(-1, S(""), S("")); }), 5);
}

TEST(FindBytes, ByteWiseAcrossCharacterBoundaries) {
  // ア is 0x83 0x41: the letter A matches its second byte.
  EXPECT_EQ(findBytes(1, S(sjis("ア")), S("A")), 2);
  EXPECT_EQ(findBytes(1, S(sjis("xアA")), S("A")), 3);
  // Embedded zero bytes are ordinary bytes.
  EXPECT_EQ(
      findBytes(1, S(std::string("a\0b\0c", 5)), S(std::string("\0c", 2))), 4);
}

TEST(ByteCuts, RangesAndEdges) {
  EXPECT_EQ(midBytes(S("abc"), 4), S(""));
  EXPECT_EQ(midBytes(S("abc"), 3, 5), S("c"));
  EXPECT_EQ(midBytes(S("abc"), 2), S("bc"));
  EXPECT_EQ(midBytes(S("abc"), 2, 1), S("b"));
  EXPECT_EQ(midBytes(S("abc"), 2, 0), S(""));
  EXPECT_EQ(midBytes(S("abc"), 100, 1), S(""));
  EXPECT_EQ(errorOf([] { midBytes(S("abc"), 0); }), 5);
  EXPECT_EQ(errorOf([] { midBytes(S("abc"), 2, -1); }), 5);

  EXPECT_EQ(leftBytes(S("abc"), 0), S(""));
  EXPECT_EQ(leftBytes(S("abc"), 2), S("ab"));
  EXPECT_EQ(leftBytes(S("abc"), 9), S("abc"));
  EXPECT_EQ(errorOf([] { leftBytes(S("abc"), -1); }), 5);
  EXPECT_EQ(rightBytes(S("abc"), 0), S(""));
  EXPECT_EQ(rightBytes(S("abc"), 2), S("bc"));
  EXPECT_EQ(rightBytes(S("abc"), 9), S("abc"));
  EXPECT_EQ(errorOf([] { rightBytes(S("abc"), -1); }), 5);

  // Cuts ignore characters: a lone lead byte or second byte can result.
  EXPECT_EQ(leftBytes(S(sjis("あい")), 3), S(sjis("あ") + "\x82"));
  EXPECT_EQ(rightBytes(S(sjis("あ")), 1), S("\xA0"));
}

TEST(CharacterAware, CountAndCuts) {
  const ByteString aA = S("a" + sjis("あ"));
  EXPECT_EQ(countChars(aA, 0), 2);
  EXPECT_EQ(countChars(aA, 1), 1);
  EXPECT_EQ(countChars(aA, 2), 1);
  EXPECT_EQ(errorOf([&] { countChars(aA, 3); }), 5);
  EXPECT_EQ(errorOf([] { countChars(S(""), -1); }), 5);
  EXPECT_EQ(countChars(S(""), 0), 0);
  // A lead byte in the last position is a single-byte character.
  EXPECT_EQ(countChars(S("a\x82"), 0), 2);
  EXPECT_EQ(countChars(S("a\x82"), 2), 0);
  // The second byte of a double-byte character is never a lead byte of its
  // own, even when it is in the lead range (0x81 0x81 is one character).
  EXPECT_EQ(countChars(S("\x81\x81\x81"), 0), 2);

  const ByteString aiu = S(sjis("あいう"));
  EXPECT_EQ(leftChars(aiu, 2), S(sjis("あい")));
  EXPECT_EQ(leftChars(aiu, 0), S(""));
  EXPECT_EQ(leftChars(aiu, 9), aiu);
  EXPECT_EQ(rightChars(aiu, 1), S(sjis("う")));
  EXPECT_EQ(rightChars(aiu, 0), S(""));
  EXPECT_EQ(rightChars(aiu, 3), aiu);
  EXPECT_EQ(midChars(aiu, 2, 1), S(sjis("い")));
  EXPECT_EQ(midChars(aiu, 2, 9), S(sjis("いう")));
  EXPECT_EQ(midChars(aiu, 4, 1), S(""));
  EXPECT_EQ(midChars(aiu, 1, 0), S(""));
  EXPECT_EQ(errorOf([&] { leftChars(aiu, -1); }), 5);
  EXPECT_EQ(errorOf([&] { rightChars(aiu, -1); }), 5);
  EXPECT_EQ(errorOf([&] { midChars(aiu, 0, 1); }), 5);
  EXPECT_EQ(errorOf([&] { midChars(aiu, 1, -1); }), 5);

  // A trailing lead byte is taken as a character of its own.
  const ByteString tail = S("a" + sjis("あ") + "\x82");
  EXPECT_EQ(leftChars(tail, 3), tail);
  EXPECT_EQ(rightChars(tail, 1), S("\x82"));
  EXPECT_EQ(midChars(tail, 3, 5), S("\x82"));

  EXPECT_EQ(isDoubleByteAt(aA, 2), 1);
  EXPECT_EQ(isDoubleByteAt(aA, 1), 0);
  EXPECT_EQ(isDoubleByteAt(tail, 3), 1);
  EXPECT_EQ(errorOf([&] { isDoubleByteAt(aA, 3); }), 5);
  EXPECT_EQ(errorOf([&] { isDoubleByteAt(aA, 0); }), 5);
}

TEST(CaseAndBlanks, SecondBytesAreNeverTouched) {
  EXPECT_EQ(upperAscii(S("abc" + sjis("ａ") + "xY")),
            S("ABC" + sjis("ａ") + "XY"));
  // ア is 0x83 0x41 and ヂ 0x83 0x61: second bytes that look like letters.
  EXPECT_EQ(lowerAscii(S(sjis("ア") + "AB")), S(sjis("ア") + "ab"));
  EXPECT_EQ(upperAscii(S("\x83\x61z")), S("\x83\x61Z"));
  EXPECT_EQ(upperAscii(S("a\x82")), S("A\x82"));

  const std::string fwSpace = "\x81\x40";
  EXPECT_EQ(trimTrailingBlanks(S("abc" + fwSpace + " ")), S("abc"));
  EXPECT_EQ(trimTrailingBlanks(S(" a b  ")), S(" a b"));
  EXPECT_EQ(trimTrailingBlanks(S("   ")), S(""));
  EXPECT_EQ(trimTrailingBlanks(S("")), S(""));
  // ァ is 0x83 0x40 and ー 0x81 0x5B: a second byte 0x40 is no blank.
  EXPECT_EQ(trimTrailingBlanks(S(sjis("ァ"))), S(sjis("ァ")));
  EXPECT_EQ(trimTrailingBlanks(S("\x83\x20")), S("\x83\x20"));
  // The pair 0x81 0x40 starting on a second byte is not a full-width space.
  EXPECT_EQ(trimTrailingBlanks(S("\x82\x81\x40")), S("\x82\x81\x40"));
  // Runs of lead-range bytes pair up from the start of the string.
  EXPECT_EQ(trimTrailingBlanks(S("\x81\x81\x40")), S("\x81\x81\x40"));
  EXPECT_EQ(trimTrailingBlanks(S("\x81\x81\x81\x40")), S("\x81\x81"));
  EXPECT_EQ(trimTrailingBlanks(S("\xE0\x81\x40 ")), S("\xE0\x81\x40"));
  EXPECT_EQ(trimTrailingBlanks(S("a\x81\x40\x81\x40 \x81\x40")), S("a"));

  EXPECT_EQ(trimLeadingBlanks(S(fwSpace + " abc")), S("abc"));
  EXPECT_EQ(trimLeadingBlanks(S(fwSpace + fwSpace)), S(""));
  EXPECT_EQ(trimLeadingBlanks(S(" \x81")), S("\x81"));
  EXPECT_EQ(trimLeadingBlanks(S(sjis("ァ"))), S(sjis("ァ")));
}

TEST(AssignBytes, EveryLengthOverEveryLength) {
  // Every size class of the short copies, written over a text that was
  // shorter, as long, or longer.
  std::string source;
  for (int i = 0; i < 80; ++i) source.push_back(static_cast<char>(0x21 + i));
  for (size_t before = 0; before <= 70; before += 7) {
    for (size_t length = 0; length <= 70; ++length) {
      std::string text(before, '\x81');
      assignBytes(text, std::string_view(source).substr(3, length));
      ASSERT_EQ(text, source.substr(3, length)) << before << " " << length;
    }
  }
}

TEST(CaseAndBlanks, InPlaceGivesWhatTheCopiesGive) {
  const std::vector<std::string> pieces = {
      "a", "Z", " ", "\x81", "\x40", "\x81\x40", "\x82\x61", sjis("表"), "z"};
  std::mt19937 random(77);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (size_t i = random() % 9; i > 0; --i) {
      text += pieces[random() % pieces.size()];
    }
    SCOPED_TRACE(::testing::PrintToString(text));
    ByteString upper = S(text);
    upperAsciiInPlace(upper);
    EXPECT_EQ(upper, upperAscii(S(text)));
    ByteString trimmed = S(text);
    trimTrailingBlanksInPlace(trimmed);
    EXPECT_EQ(trimmed, trimTrailingBlanks(S(text)));
  }
}

TEST(CompareAndJoin, ByteWise) {
  EXPECT_NE(compareStrings(S("abc"), S("abc ")), 0);
  EXPECT_LT(compareStrings(S("abc"), S("abc ")), 0);
  EXPECT_EQ(compareStrings(S(""), S("")), 0);
  EXPECT_LT(compareStrings(S(""), S("a")), 0);
  EXPECT_GT(compareStrings(S("a"), S("")), 0);
  EXPECT_LT(compareStrings(S("A"), S("a")), 0);
  // Bytes compare as unsigned values.
  EXPECT_GT(compareStrings(S("\x82"), S("z")), 0);
  EXPECT_NE(compareStrings(S(sjis("ａ")), S("a")), 0);

  EXPECT_EQ(concatenate(S("ab"), S("")), S("ab"));
  EXPECT_EQ(concatenate(S(""), S("ab")), S("ab"));
  ByteString s = S("xy");
  s = concatenate(s, s);
  EXPECT_EQ(s, S("xyxy"));

  EXPECT_EQ(internal::joinedLength(ByteString::kMaxLength - 1, 1),
            ByteString::kMaxLength);
  EXPECT_EQ(errorOf([] { internal::joinedLength(ByteString::kMaxLength, 1); }),
            15);
  EXPECT_EQ(errorOf([] { internal::joinedLength(1LL << 30, (1LL << 30) + 1); }),
            15);
}

TEST(BytesFromCodes, RangeOfCodes) {
  EXPECT_EQ(bytesFromCodes({27}), S("\x1B"));
  EXPECT_EQ(bytesFromCodes({0, 255, 13}), S(std::string("\0\xFF\r", 3)));
  EXPECT_EQ(errorOf([] { bytesFromCodes({256}); }), 5);
  EXPECT_EQ(errorOf([] { bytesFromCodes({65, -1}); }), 5);
}

}  // namespace
}  // namespace tess
