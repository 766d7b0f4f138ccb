// Recognition of log lines and the filling of the message record.
#include <gtest/gtest.h>

#include <string>

#include "conversion/conversion_test_doubles.h"

namespace tess {
namespace {

using testing::ConverterHarness;
using testing::sjis;
using testing::sjisLines;

std::string pad(std::string s, size_t width) {
  s.resize(width, ' ');
  return s;
}

// A 5-digit layout header line.
std::string header5(const std::string& number, const std::string& second,
                    const std::string& title,
                    const std::string& userId = "XYZ00000",
                    const std::string& handle = pad("guest", 16)) {
  return number + "/" + second + " " + userId + "  " + handle + " " + title;
}

// A 3-digit layout header line; bytes 8-9 and 37 are free.
std::string header3(const std::string& number, const std::string& title,
                    const std::string& bytes8to9 = "  ",
                    const std::string& byte37 = " ") {
  return number + "/456" + bytes8to9 + " " + "ABC01234" + "  " +
         pad("guest", 16) + byte37 + " " + title;
}

std::string dateLine(const std::string& mes, const std::string& date,
                     const std::string& tail = "") {
  return mes + "   " + date + "  " + tail;
}

class HeaderParserTest : public ::testing::Test {
 protected:
  // The log holds the lines after the one under test.
  void parse(const std::string& line, const std::string& restOfLog) {
    h.open(restOfLog);
    h.converter.setCurrentLine(ByteString(line));
    h.converter.parseLogLine();
  }
  const MessageRecord& record() { return h.converter.record(); }
  ReaderState state() { return h.converter.readerState(); }

  ConverterHarness h;
};

TEST_F(HeaderParserTest, WorkedExampleFillsTheWholeRecord) {
  MessageRecord& r = h.converter.mutableRecord();
  r.currentMes = "(03)";
  r.boardLabel = "Free talk ";
  const std::string header = header5("00123", "00456", "RE: Hello");
  ASSERT_EQ(header.size(), 48u);
  const std::string date =
      dateLine("(03)", "96/12/31 23:59", "00120" + sjis("へのコメント"));
  parse(header, date + "\r\nbody\r\n");

  EXPECT_EQ(state(), HeaderComplete);
  EXPECT_EQ(record().messageNumber, "00123");
  EXPECT_EQ(record().userId, "XYZ00000");
  EXPECT_EQ(record().handle, ByteString(pad("guest", 16)));
  EXPECT_EQ(record().title, "hello  ");
  EXPECT_EQ(record().mes, "(03)");
  EXPECT_EQ(record().postedTime, "1996/12/31 23:59");
  EXPECT_EQ(record().refer, "00120");
  EXPECT_EQ(record().sortKey, "00120");
  EXPECT_EQ(record().headerLine, ByteString(header));
  // An accepted date line moves into the record; a refused one stays the
  // current line, to be written as text (the false-header test).
  EXPECT_EQ(record().dateLine, ByteString(date));
  const std::string headline =
      "Free talk  00123 " + pad("RE: Hello", 34) + " " + pad("guest", 10);
  EXPECT_EQ(headline.size(), 62u);
  EXPECT_EQ(record().headline, ByteString(headline));
  // No conference lookup: nothing on the window.
  EXPECT_EQ(h.window.transcript(), "");
  EXPECT_EQ(h.output(), "");
}

TEST_F(HeaderParserTest, ThreeDigitLayoutIgnoresBytes8To9And37) {
  h.converter.mutableRecord().boardLabel = "Chat  ";
  h.converter.mutableRecord().currentMes = "(05)";
  const std::string header = header3("012", "Hello", "x/", "#");
  parse(header, dateLine("(05)", "97/01/02 03:04") + "\r\nz\r\n");
  ASSERT_EQ(state(), HeaderComplete);
  EXPECT_EQ(record().messageNumber, "012");
  EXPECT_EQ(record().userId, "ABC01234");
  EXPECT_EQ(record().handle, ByteString(pad("guest", 16)));
  EXPECT_EQ(record().sortKey, "00012");
  EXPECT_EQ(record().refer, "");
  const std::string headline =
      "Chat   00012 " + pad("Hello", 34) + " " + pad("guest", 10);
  EXPECT_EQ(headline.size(), 58u);
  EXPECT_EQ(record().headline, ByteString(headline));
}

TEST_F(HeaderParserTest, NumberFieldsMustBeZeroPaddedAndAboveZero) {
  const std::string date = dateLine("(03)", "96/12/31 23:59") + "\r\nx\r\n";
  for (const auto& [number, second] :
       std::vector<std::pair<std::string, std::string>>{{"00000", "00456"},
                                                        {" 0123", "00456"},
                                                        {"0012a", "00456"},
                                                        {"00123", "00000"},
                                                        {"+1234", "00456"},
                                                        {"1234 ", "00456"},
                                                        {"00123", "-0001"}}) {
    SCOPED_TRACE(number + "/" + second);
    ConverterHarness fresh;
    fresh.open(date);
    fresh.converter.setCurrentLine(ByteString(header5(number, second, "t")));
    fresh.converter.parseLogLine();
    EXPECT_EQ(fresh.converter.readerState(), Body);
    EXPECT_EQ(fresh.converter.record(), MessageRecord{});
    EXPECT_EQ(fresh.output(), "");
  }
}

TEST_F(HeaderParserTest, ExponentTextOfTheValueIsAValidNumber) {
  // 1E+06 is the decimal text of one million, so it passes the test.
  parse(header5("1E+06", "00001", "t"),
        dateLine("(03)", "96/12/31 23:59") + "\r\nx\r\n");
  EXPECT_EQ(state(), HeaderComplete);
  EXPECT_EQ(record().messageNumber, "1E+06");
}

TEST_F(HeaderParserTest, NumbersBeyondSinglePrecisionAreText) {
  // Values that no single-precision number holds, some of them beyond
  // double precision too: the line is text and no error is raised.
  for (const char* number : {"9E999", "1E+39", "9D308", "1e400"}) {
    SCOPED_TRACE(number);
    for (const bool first : {true, false}) {
      ConverterHarness fresh;
      fresh.open(dateLine("(03)", "96/12/31 23:59") + "\r\nx\r\n");
      fresh.converter.setCurrentLine(
          ByteString(first ? header5(number, "00001", "t")
                           : header5("00001", number, "t")));
      EXPECT_NO_THROW(fresh.converter.parseLogLine());
      EXPECT_EQ(fresh.converter.readerState(), Body);
      EXPECT_EQ(fresh.converter.record(), MessageRecord{});
    }
  }
}

TEST_F(HeaderParserTest, LayoutAndBlankChecks) {
  const std::string date = dateLine("(03)", "96/12/31 23:59") + "\r\nx\r\n";
  const std::string good = header5("00123", "00456", "t");
  std::vector<std::string> refused = {
      good.substr(0, 38),                          // not longer than 38 bytes
      "1996/" + good.substr(5),                    // first "/" at byte 5
      good.substr(0, 11) + "x" + good.substr(12),  // byte 12 not blank
      good.substr(0, 21) + "x" + good.substr(22),  // bytes 21-22 not blanks
      good.substr(0, 38) + "x" + good.substr(39),  // byte 39 not blank
      "- " + good + " -",  // a board line is never a header
  };
  for (const std::string& line : refused) {
    SCOPED_TRACE(line);
    ConverterHarness fresh;
    fresh.open(date);
    fresh.converter.setCurrentLine(ByteString(line));
    fresh.converter.parseLogLine();
    EXPECT_EQ(fresh.converter.readerState(), Body);
    EXPECT_EQ(fresh.converter.record(), MessageRecord{});
  }
  // 39 bytes with an empty title: accepted.
  parse(good.substr(0, 39), date);
  EXPECT_EQ(state(), HeaderComplete);
}

TEST_F(HeaderParserTest, TitleAndHandleColumns) {
  // Bytes 34 and 35 of the raw title form one double-byte character.
  const std::string title = std::string(33, 'a') + sjis("あ") + "12345";
  ASSERT_EQ(title.size(), 40u);
  const std::string handle = "abc" + std::string(13, ' ');
  parse(header5("00123", "00456", title, "XYZ00000", handle),
        dateLine("(03)", "96/12/31 23:59") + "\r\nx\r\n");
  ASSERT_EQ(state(), HeaderComplete);
  EXPECT_EQ(record().handle, ByteString(handle));
  // Empty label, blank, number, blank, title column, blank, handle column.
  EXPECT_EQ(record().headline, ByteString(" 00123 " + std::string(33, 'a') +
                                          "  " + "abc" + std::string(7, ' ')));
}

TEST_F(HeaderParserTest, EmptyRawTitle) {
  parse(header5("00123", "00456", ""),
        dateLine("(03)", "96/12/31 23:59") + "\r\nx\r\n");
  ASSERT_EQ(state(), HeaderComplete);
  EXPECT_EQ(record().title, "  ");
  EXPECT_EQ(record().headline,
            ByteString(" 00123 " + std::string(34, ' ') + " guest     "));
}

TEST_F(HeaderParserTest, CenturyOfThePostingTime) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"96/12/31 23:59", "1996/12/31 23:59"},
      {"70/01/01 00:00", "2070/01/01 00:00"},
      {"71/01/01 00:00", "1971/01/01 00:00"},
      {"01/01/01 00:00", "2001/01/01 00:00"},
      {"ab/01/01 00:00", "20ab/01/01 00:00"}};
  for (const auto& [date, posted] : cases) {
    SCOPED_TRACE(date);
    ConverterHarness fresh;
    fresh.converter.mutableRecord().currentMes = "(07)";
    fresh.open(dateLine("(07)", date) + "\r\nx\r\n");
    fresh.converter.setCurrentLine(ByteString(header5("00123", "00456", "t")));
    fresh.converter.parseLogLine();
    ASSERT_EQ(fresh.converter.readerState(), HeaderComplete);
    EXPECT_EQ(fresh.converter.record().mes, "(07)");
    EXPECT_EQ(fresh.converter.record().postedTime, ByteString(posted));
  }
}

TEST_F(HeaderParserTest, ShortDateLineIsAccepted) {
  h.converter.mutableRecord().currentMes = "(1)";
  parse(header5("00123", "00456", "t"), "(1)\r\nx\r\n");
  ASSERT_EQ(state(), HeaderComplete);
  EXPECT_EQ(record().mes, "(1)");
  EXPECT_EQ(record().postedTime, "20");
  EXPECT_EQ(record().refer, "");
  EXPECT_EQ(record().sortKey, "00123");
}

TEST_F(HeaderParserTest, RefusedDateLineMakesAFalseHeader) {
  for (const std::string& date :
       {dateLine("(00)", "96/12/31 23:59"), dateLine("(ab)", "96/12/31 23:59"),
        std::string("body text that goes on"), std::string(""),
        std::string("("), std::string("()")}) {
    SCOPED_TRACE(date);
    ConverterHarness fresh;
    fresh.converter.mutableRecord().currentMes = "(09)";
    fresh.converter.mutableRecord().postedTime = "old";
    const std::string header = header5("00123", "00456", "Re: x");
    fresh.open(date + "\r\nx\r\n");
    fresh.converter.setCurrentLine(ByteString(header));
    fresh.converter.parseLogLine();
    const MessageRecord& r = fresh.converter.record();
    EXPECT_EQ(fresh.converter.readerState(), FalseHeader);
    EXPECT_EQ(fresh.output(), header + "\r\n");
    EXPECT_EQ(r.mes, "(09)");
    EXPECT_EQ(fresh.converter.currentLine(), ByteString(date));
    // Parsed before the date line was refused.
    EXPECT_EQ(r.messageNumber, "00123");
    EXPECT_EQ(r.title, "x  ");
    EXPECT_EQ(r.headerLine, ByteString(header));
    EXPECT_EQ(r.headline,
              ByteString(pad("Re: x", 34) + " " + pad("guest", 10)));
    // Not reached.
    EXPECT_EQ(r.postedTime, "old");
    EXPECT_EQ(r.dateLine, "");
  }
}

TEST_F(HeaderParserTest, CommentMarkerGivesTheReference) {
  const std::string marker = sjis("へのコメント");
  parse(header5("00123", "00456", "t"),
        dateLine("(03)", "96/12/31 23:59", "00120" + marker) + "\r\nx\r\n");
  EXPECT_EQ(record().refer, "00120");  // marker at byte 29
  EXPECT_EQ(record().sortKey, "00120");

  ConverterHarness shortRefer;
  shortRefer.open(dateLine("(03)", "96/12/31 23:59", "7" + marker) +
                  "\r\nx\r\n");
  shortRefer.converter.setCurrentLine(
      ByteString(header5("00123", "00456", "t")));
  shortRefer.converter.parseLogLine();
  EXPECT_EQ(shortRefer.converter.record().refer, "7");
  EXPECT_EQ(shortRefer.converter.record().sortKey, "00007");

  ConverterHarness atByte24;
  atByte24.open(dateLine("(03)", "96/12/31 23:59", marker) + "\r\nx\r\n");
  atByte24.converter.setCurrentLine(ByteString(header5("00123", "00456", "t")));
  atByte24.converter.parseLogLine();
  EXPECT_EQ(atByte24.converter.record().refer, "");
  EXPECT_EQ(atByte24.converter.record().sortKey, "00123");
}

TEST_F(HeaderParserTest, CommentMarkerIsFoundByteWise) {
  // 0x88 0x82 is one character; the marker's first byte is its second
  // byte, and the byte-wise search still finds the marker there.
  parse(header5("00123", "00456", "t"),
        dateLine("(03)", "96/12/31 23:59", "0012\x88" + sjis("へのコメント")) +
            "\r\nx\r\n");
  ASSERT_EQ(state(), HeaderComplete);
  EXPECT_EQ(record().refer, "0012\x88");
  EXPECT_EQ(record().sortKey, "0012\x88");
}

TEST_F(HeaderParserTest, CommentMarkerBeforeByte24GivesNoReference) {
  h.converter.mutableRecord().refer = "old";
  parse(header5("00123", "00456", "t"),
        "(03)" + sjis("へのコメント") + "96/12/31 23:59\r\nx\r\n");
  EXPECT_EQ(state(), HeaderComplete);
  EXPECT_EQ(record().refer, "");
  EXPECT_EQ(record().sortKey, "00123");
}

TEST_F(HeaderParserTest, HeaderOnTheLastLineIsText) {
  // No byte is left for the date line: ordinary text, nothing changes.
  parse(header5("00123", "00456", "t"), "");
  EXPECT_EQ(state(), Body);
  EXPECT_EQ(record(), MessageRecord{});
  EXPECT_EQ(h.output(), "");
}

TEST_F(HeaderParserTest, NoNextPageAndGoLinesStartSkipping) {
  // A skipping line leaves the conference; any other line keeps it.
  struct Case {
    std::string line;
    ReaderState state;
    const char* mes;
  };
  const Case cases[] = {
      {sjis("＞◆次頁はありません◆"), Skipping, ""},
      {sjis("◆次頁はありません◆ 続き"), Skipping, ""},
      {sjis("＞GO FMKTG"), Skipping, ""},
      {sjis("＞go x"), Skipping, ""},
      {sjis("＞Go "), Skipping, ""},
      {sjis("＞GO"), Body, "(03)"},
      {sjis("＞GOX"), Body, "(03)"},
      {sjis("＞ＧＯ x"), Body, "(03)"},
      {sjis("次頁はありません"), Body, "(03)"},
      {" \x81\x84GO ", Body, "(03)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(ByteString(c.line)));
    ConverterHarness fresh;
    fresh.converter.mutableRecord().currentMes = "(03)";
    fresh.open("x\r\n");
    fresh.converter.setCurrentLine(ByteString(c.line));
    fresh.converter.parseLogLine();
    EXPECT_EQ(fresh.converter.readerState(), c.state);
    EXPECT_EQ(fresh.converter.record().currentMes, c.mes);
  }
}

TEST_F(HeaderParserTest, OtherConferenceIsLookedUp) {
  h.converter.mutableRecord().currentMes = "";
  h.converter.mutableRecord().boardLabel = "Old       ";
  parse(header5("00123", "00456", "t"),
        dateLine("(04)", "96/12/31 23:59") + "\r\nx\r\n");
  ASSERT_EQ(state(), HeaderComplete);
  // Slot 4 is empty: the window names the conference and "無修正".
  EXPECT_EQ(h.window.transcript(), std::string(10, ' ') + " 4 \r\n" +
                                       std::string(20, ' ') + sjis("無修正") +
                                       "\r\n");
  EXPECT_EQ(record().currentMes, "");
  EXPECT_EQ(record().headline.view().substr(0, 17), "Old        00123 ");
}

struct TitleCase {
  const char* raw;
  const char* cleaned;
};

TEST(CleanTitleTest, RemovesReplyPrefixesAndNormalises) {
  const TitleCase cases[] = {
      {"RE:RE: Hello", "hello  "},
      {"Re^2: Thanks", "thanks  "},
      {"RE*3:  Thanks", "thanks  "},
      {"RE2: x", "re2: x  "},
      {"Ｒｅ：ＡＢＣ", "re:abc  "},
      {"", "  "},
      {"re:   ", "  "},
      {"Re: ｶﾞｰﾃﾞﾝ ガーデン", "ｶﾞｰﾃﾞﾝ ｶﾞｰﾃﾞﾝ  "},
      {"RE^: x", "x  "},  // "^" and a colon after it: cut after the colon
      {"RE x: y", "re x: y  "},
      {"re:re*2:ok", "ok  "},
  };
  for (const TitleCase& c : cases) {
    SCOPED_TRACE(c.raw);
    testing::ConverterHarness h;
    h.converter.mutableRecord().title = ByteString(sjis(c.raw));
    h.converter.cleanTitle();
    EXPECT_EQ(h.converter.record().title, ByteString(sjis(c.cleaned)));
  }
}

}  // namespace
}  // namespace tess
