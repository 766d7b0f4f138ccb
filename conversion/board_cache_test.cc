// Board lines, the board label and the per-conference tables.
#include "conversion/board_cache.h"

#include <gtest/gtest.h>

#include <string>

#include "conversion/conversion_test_doubles.h"

namespace tess {
namespace {

using testing::sjis;
using Table = BoardCache::ConferenceTable;

class BoardCacheTest : public ::testing::Test {
 protected:
  // True when the cache took the line as a board line.
  bool board(const std::string& line) {
    return cache.takeBoardLine(ByteString(line), record_);
  }
  const MessageRecord& record() { return record_; }
  const ByteString& storedLine(int k) {
    return cache.boardLines()[static_cast<size_t>(k)];
  }
  const ByteString& storedLabel(int k) {
    return cache.boardLabels()[static_cast<size_t>(k)];
  }

  BoardCache cache;
  MessageRecord record_;
};

TEST_F(BoardCacheTest, WorkedExample) {
  EXPECT_TRUE(board("- FOO  MES(03) Free talk -"));
  EXPECT_EQ(record().board, "FOO");
  EXPECT_EQ(record().currentMes, "(03)");
  EXPECT_EQ(record().boardLine, "- FOO  MES(03) Free talk -");
  EXPECT_EQ(record().boardLabel, "Free talk ");
  EXPECT_EQ(storedLine(3), "- FOO  MES(03) F -");
  EXPECT_EQ(storedLabel(3), "Free talk ");

  // A later message of conference 3 while currentMes is empty.
  record_.currentMes = "";
  record_.boardLine = "other";
  record_.boardLabel = "other";
  record_.mes = "(03)";
  ASSERT_TRUE(cache.knows(3));
  cache.recall(3, record_);
  EXPECT_EQ(record().boardLine, "- FOO  MES(03) F -");
  EXPECT_EQ(record().boardLabel, "Free talk ");
  EXPECT_EQ(record().currentMes, "(03)");
}

TEST_F(BoardCacheTest, LinesWithoutTheMarkerInRangeAreText) {
  for (const std::string& line :
       {std::string("- abc -"), std::string("- ABCDEFGHIJKLM  MES(03) x -"),
        std::string("-   MES(03) x -")}) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(board(line));
    EXPECT_EQ(record(), MessageRecord{});
  }
  EXPECT_EQ(cache.boardLabels(), Table{});
  // The marker at byte 15 is still accepted.
  EXPECT_TRUE(board("- ABCDEFGHIJKL  MES(03) x -"));
  EXPECT_EQ(record().board, "ABCDEFGHIJKL");
}

TEST_F(BoardCacheTest, ForumOffsets) {
  struct Case {
    std::string code;
    std::string label;
  };
  const std::string text = "0123456789abcdefghijklmn -";
  const Case cases[] = {{"FMKTG", "89abcdefgh"},  {"FWINMM", "89abcdefgh"},
                        {"FMSDEV", "89abcdefgh"}, {"FTRAN1", "abcdefghij"},
                        {"FGALDC", "cdefghijkl"}, {"FGALEL", "efghijklmn"},
                        {"FCHAT", "0123456789"},  {"FMKTG1", "0123456789"}};
  int k = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const std::string number = (k < 10 ? "0" : "") + std::to_string(k);
    board("- " + c.code + "  MES(" + number + ") " + text);
    EXPECT_EQ(record().board, ByteString(c.code));
    EXPECT_EQ(record().boardLabel, ByteString(c.label));
    ++k;
  }
}

TEST_F(BoardCacheTest, ForumCodeIsTrimmedAndUpperCased) {
  board("- fmktg" + sjis("　") + "  MES(12) 12345678Label -");
  EXPECT_EQ(record().board, "FMKTG");
  EXPECT_EQ(record().currentMes, "(12)");
  EXPECT_EQ(record().boardLabel, "Label -  ");  // 8 bytes skipped
  EXPECT_EQ(storedLabel(12), "Label -  ");
}

TEST_F(BoardCacheTest, BoardLabelLengths) {
  // Tenth byte begins a double-byte character: nine bytes and a blank.
  board("- X  MES(01) abcdefghi" + sjis("あ") + " -");
  EXPECT_EQ(record().boardLabel, "abcdefghi ");
  board("- X  MES(02) Chat -");
  EXPECT_EQ(record().boardLabel, "Chat -  ");
  board("- X  MES(03) abcdefg -");  // 9 bytes: itself and a blank
  EXPECT_EQ(record().boardLabel, "abcdefg - ");
  board("- X  MES(04) -");  // label text "-" after the ")" and blank
  EXPECT_EQ(record().boardLabel, "-  ");
  board("- FGALEL  MES(05) short -");  // shorter than the offset
  EXPECT_EQ(record().boardLabel, "  ");
}

TEST_F(BoardCacheTest, MeetingRoomPagesAreNotStored) {
  // The six bytes three bytes after the ")" are compared.
  EXPECT_TRUE(board("- FOO  MES(07)  " + sjis("会議室一覧") + " -"));
  EXPECT_EQ(record().currentMes, "(07)");
  EXPECT_EQ(record().boardLabel, ByteString(sjis(" 会議室一") + " "));
  EXPECT_EQ(storedLabel(7), "");
  EXPECT_EQ(storedLine(7), "");
  // One byte earlier they are not the marker: the page is stored.
  board("- FOO  MES(08) " + sjis("会議室一覧") + " -");
  EXPECT_EQ(storedLabel(8), ByteString(sjis("会議室一覧")));
}

TEST_F(BoardCacheTest, SameLabelKeepsTheFirstLineAnotherReplacesBoth) {
  board("- FOO  MES(03) Free talk - first -");
  const ByteString first = storedLine(3);
  EXPECT_EQ(first, "- FOO  MES(03) Free talk -");
  board("- BAR  MES(03) Free talk - second  -");
  EXPECT_EQ(storedLine(3), first);
  board("- BAR  MES(03) Other room -");
  EXPECT_EQ(storedLabel(3), "Other room");
  EXPECT_EQ(storedLine(3), "- BAR  MES(03) Ot -");
}

TEST_F(BoardCacheTest, ConferenceZeroAndNonNumbersUseSlotZero) {
  board("- FOO  MES(ab) Lounge -");
  EXPECT_EQ(storedLabel(0), "Lounge -  ");
  board("- FOO  MES( 7) Seven -");
  EXPECT_EQ(storedLabel(7), "Seven -  ");
}

TEST_F(BoardCacheTest, ConferencesWithoutASlotChangeNoTable) {
  board("- FOO  MES(26) Big -");
  board("- FOO  MES(99) Bigger -");
  EXPECT_TRUE(board("- FOO  MES(-1) Negative -"));
  EXPECT_EQ(record().currentMes, "(-1)");
  EXPECT_EQ(cache.boardLabels(), Table{});
  EXPECT_EQ(cache.boardLines(), Table{});
}

TEST_F(BoardCacheTest, OnlyConferencesWithARememberedBoardAreKnown) {
  board("- FOO  MES(03) Free talk -");
  board("- FOO  MES(07)  " + sjis("会議室一覧") + " -");
  EXPECT_TRUE(cache.knows(3));
  EXPECT_TRUE(cache.knows(3.4f));  // rounded to the slot
  for (const float n : {4.0f, 7.0f, 26.0f, 99.0f, -1.0f}) {
    SCOPED_TRACE(n);
    EXPECT_FALSE(cache.knows(n));
  }
}

}  // namespace
}  // namespace tess
