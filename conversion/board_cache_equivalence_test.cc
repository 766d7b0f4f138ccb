// The board cache works on the line's bytes in place. Here the same steps
// are taken with the runtime's string functions, one new string after
// another, and both must leave the same record and tables on any line.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "conversion/board_cache.h"
#include "conversion/field_helpers.h"
#include "conversion/log_markers.inc"
#include "runtime/numbers.h"
#include "runtime/runtime_error.h"
#include "tests/support/raised_error.h"

namespace tess {
namespace {

using tess::testing::errorOf;

// The board cache's steps, each with its own string function.
class StepByStepBoards {
 public:
  bool takeBoardLine(const ByteString& line, MessageRecord& record) {
    const int64_t marker = findBytes(1, line, ByteString("  MES("));
    if (marker < 4 || marker > 15) return false;
    record.board =
        upperAscii(trimTrailingBlanks(midBytes(line, 3, marker - 3)));
    record.currentMes = midBytes(line, marker + 5, 4);
    record.boardLine = line;
    const int64_t closeParen = findBytes(1, line, ByteString(")"));
    const ByteString label = midBytes(midBytes(line, closeParen + 2),
                                      forumLabelOffset(record.board.view()));
    record.boardLabel = leftBytes(concatenate(CUTS(label, 10), "  "), 10);
    const float conference =
        toSingle(textToNumber(midBytes(record.currentMes, 2, 2)));
    if (midBytes(record.boardLine, closeParen + 3, 6) ==
        ByteString(texts::kMeetingRoom)) {
      return true;
    }
    const int32_t slot = roundToInteger(conference);
    if (slot < 0 || slot >= BoardCache::kConferenceSlots) return true;
    if (record.boardLabel == labels[slot]) return true;
    lines[slot] = concatenate(
        leftBytes(record.boardLine, byteLength(record.boardLine) - 10), " -");
    labels[slot] = record.boardLabel;
    return true;
  }

  BoardCache::ConferenceTable lines;
  BoardCache::ConferenceTable labels;
};

// A line made of the pieces board lines are made of, in random order: the
// marker, conference numbers good and bad, forum codes, parentheses,
// blanks, double-byte characters (some cut) and the meeting room.
std::string randomLine(std::mt19937& random) {
  static const std::vector<std::string> pieces = {
      "- ",         " -",
      "  MES(",     "MES(",
      "(",          ")",
      "02",         "25",
      "26",         "7",
      "00",         "9E",
      " ",          "  ",
      "FGALDC",     "fmktg",
      "FTRAN1",     "FGALEL",
      "x",          "FOO",
      "\x81\x40",   "\x88\x9f",
      "\x8a",       "\x83\x5c",
      "abcdefghij", "-1",
      "1e",         std::string(texts::kMeetingRoom),
      "(03)",       "12345678901234"};
  std::string line;
  const size_t count = random() % 12;
  for (size_t i = 0; i < count; ++i) line += pieces[random() % pieces.size()];
  return line;
}

TEST(BoardCacheEquivalence, SameRecordAndTablesAsStepByStep) {
  std::mt19937 random(2026);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    BoardCache cache;
    StepByStepBoards reference;
    MessageRecord record;
    MessageRecord expected;
    for (int n = 0; n < 200; ++n) {
      const ByteString line(randomLine(random));
      SCOPED_TRACE(line.str());
      // Errors (a conference number too large) must be the same too.
      std::optional<bool> taken, referenceTaken;
      const int error =
          errorOf([&] { taken = cache.takeBoardLine(line, record); });
      const int referenceError = errorOf(
          [&] { referenceTaken = reference.takeBoardLine(line, expected); });
      ASSERT_EQ(error, referenceError);
      ASSERT_EQ(taken, referenceTaken);
      ASSERT_EQ(record, expected);
      ASSERT_EQ(cache.boardLines(), reference.lines);
      ASSERT_EQ(cache.boardLabels(), reference.labels);
    }
  }
}

}  // namespace
}  // namespace tess
