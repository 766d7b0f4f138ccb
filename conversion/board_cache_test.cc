// Board lines, the board label and the per-conference tables.
#include <gtest/gtest.h>

#include <string>

#include "conversion/conversion_test_doubles.h"

namespace tess {
namespace {

using testing::ConverterHarness;
using testing::sjis;

class BoardCacheTest : public ::testing::Test {
 protected:
  void SetUp() override { h.open("x\r\n"); }
  void board(const std::string& line) {
    h.converter.setCurrentLine(ByteString(line));
    h.converter.parseLogLine();
  }
  const MessageRecord& record() { return h.converter.record(); }
  const ByteString& storedLine(int k) {
    return h.converter.boardLineByMes()[static_cast<size_t>(k)];
  }
  const ByteString& storedLabel(int k) {
    return h.converter.boardLabelByMes()[static_cast<size_t>(k)];
  }

  ConverterHarness h;
};

TEST_F(BoardCacheTest, WorkedExample) {
  board("- FOO  MES(03) Free talk -");
  EXPECT_EQ(h.converter.readerState(), Skipping);
  EXPECT_EQ(record().board, "FOO");
  EXPECT_EQ(record().currentMes, "(03)");
  EXPECT_EQ(record().boardLine, "- FOO  MES(03) Free talk -");
  EXPECT_EQ(record().boardLabel, "Free talk ");
  EXPECT_EQ(storedLine(3), "- FOO  MES(03) F -");
  EXPECT_EQ(storedLabel(3), "Free talk ");

  // A later message of conference 3 while currentMes is empty.
  h.converter.mutableRecord().currentMes = "";
  h.converter.mutableRecord().boardLine = "other";
  h.converter.mutableRecord().boardLabel = "other";
  h.converter.mutableRecord().mes = "(03)";
  h.converter.recallBoard(3);
  EXPECT_EQ(record().boardLine, "- FOO  MES(03) F -");
  EXPECT_EQ(record().boardLabel, "Free talk ");
  EXPECT_EQ(record().currentMes, "(03)");
  EXPECT_EQ(h.window.transcript(), std::string(10, ' ') + " 3 \r\n");
}

TEST_F(BoardCacheTest, LinesWithoutTheMarkerInRangeAreText) {
  for (const std::string& line :
       {std::string("- abc -"), std::string("- ABCDEFGHIJKLM  MES(03) x -"),
        std::string("-   MES(03) x -")}) {
    SCOPED_TRACE(line);
    board(line);
    EXPECT_EQ(h.converter.readerState(), Body);
    EXPECT_EQ(record(), MessageRecord{});
  }
  EXPECT_EQ(h.converter.boardLabelByMes(), Converter::ConferenceTable{});
  // The marker at byte 15 is still accepted.
  board("- ABCDEFGHIJKL  MES(03) x -");
  EXPECT_EQ(h.converter.readerState(), Skipping);
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
  board("- FOO  MES(07)  " + sjis("会議室一覧") + " -");
  EXPECT_EQ(h.converter.readerState(), Skipping);
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
  board("- FOO  MES(-1) Negative -");
  EXPECT_EQ(h.converter.readerState(), Skipping);
  EXPECT_EQ(record().currentMes, "(-1)");
  EXPECT_EQ(h.converter.boardLabelByMes(), Converter::ConferenceTable{});
  EXPECT_EQ(h.converter.boardLineByMes(), Converter::ConferenceTable{});
}

TEST_F(BoardCacheTest, RecallOfAnEmptyOrMissingSlotKeepsTheBoard) {
  board("- FOO  MES(03) Free talk -");
  for (const float n : {4.0f, 26.0f, 99.0f, -1.0f}) {
    SCOPED_TRACE(n);
    h.converter.mutableRecord().mes = "(xx)";
    h.converter.recallBoard(n);
    EXPECT_EQ(record().boardLine, "- FOO  MES(03) Free talk -");
    EXPECT_EQ(record().boardLabel, "Free talk ");
    EXPECT_EQ(record().currentMes, "(03)");
  }
  // Each lookup shows the number at column 10 and "無修正" at column 20 on
  // the next row.
  const std::string unedited = sjis("無修正");
  EXPECT_EQ(h.window.transcript(),
            std::string(10, ' ') + " 4 \r\n" + std::string(20, ' ') + unedited +
                "\r\n" + std::string(10, ' ') + " 26 \r\n" +
                std::string(20, ' ') + unedited + "\r\n" +
                std::string(10, ' ') + " 99 \r\n" + std::string(20, ' ') +
                unedited + "\r\n" + std::string(10, ' ') + "-1 \r\n" +
                std::string(20, ' ') + unedited + "\r\n");
  EXPECT_EQ(h.window.row(0), "           4");
  EXPECT_EQ(h.window.row(1), std::string(20, ' ') + unedited);
}

}  // namespace
}  // namespace tess
