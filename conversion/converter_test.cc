// The conversion pass: the record and body loops, the line repairs, the
// count on the window and the no-message box.
#include "conversion/converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/conversion_test_doubles.h"
#include "runtime/runtime_error.h"

namespace tess {
namespace {

using testing::ConverterHarness;
using testing::sjis;

std::string pad(std::string s, size_t width) {
  s.resize(width, ' ');
  return s;
}

std::string header(const std::string& number, const std::string& title) {
  return number + "/00001 ABC01234  " + pad("guest", 16) + " " + title;
}

std::string date(const std::string& mes) { return mes + "   97/08/20 21:05  "; }

std::string crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

// The output cut into what stands before the first record and, for each
// record, its head lines and its body lines.
struct Record {
  std::vector<std::string> head;
  std::vector<std::string> body;
};
struct Output {
  std::vector<std::string> before;
  std::vector<Record> records;
  bool endsWithMark = false;
};

Output split(std::string bytes) {
  Output out;
  if (!bytes.empty() && bytes.back() == '\x1a') {
    out.endsWithMark = true;
    bytes.pop_back();
  }
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t p; (p = bytes.find("\r\n", start)) != std::string::npos;
       start = p + 2) {
    lines.push_back(bytes.substr(start, p - start));
  }
  EXPECT_EQ(start, bytes.size()) << "output must end with a line end";
  enum { Before, Head, Body, Tail } where = Before;
  for (const std::string& line : lines) {
    if (where == Before && line == "#S") where = Head;
    if (where == Tail) {
      EXPECT_EQ(line, "") << "the tail is #E and an empty line";
      where = Before;
      continue;
    }
    switch (where) {
      case Before:
        out.before.push_back(line);
        break;
      case Head:
        if (line == "#S") out.records.emplace_back();
        out.records.back().head.push_back(line);
        if (line.starts_with(sjis("▼"))) where = Body;
        break;
      case Body:
        if (line == "#E") {
          where = Tail;
        } else {
          out.records.back().body.push_back(line);
        }
        break;
      case Tail:
        break;
    }
  }
  EXPECT_EQ(where, Before) << "the last record must be complete";
  return out;
}

TEST(ConverterTest, MessagesAreCutAtHeadersAndTheLastLineIsNeverWritten) {
  ConverterHarness h;
  const Output out = split(h.convert(crlf({
      "- FOO  MES(03) Free talk -",
      header("00001", "First"),
      date("(03)"),
      "one a",
      "one b",
      header("00002", "Second"),
      date("(03)"),
      "two a",
      "the last line",
  })));
  ASSERT_EQ(out.records.size(), 2u);
  EXPECT_TRUE(out.before.empty());
  EXPECT_TRUE(out.endsWithMark);
  EXPECT_EQ(out.records[0].body, (std::vector<std::string>{"one a", "one b"}));
  EXPECT_EQ(out.records[1].body, (std::vector<std::string>{"two a"}));
  EXPECT_EQ(out.records[1].head[2].substr(0, 18), "#TFree talk  00002");
  EXPECT_EQ(h.converter.messageCount(), 2);
  // All files are closed by the pass itself.
  EXPECT_FALSE(h.files.isOpen(1));
  EXPECT_FALSE(h.files.isOpen(3));
  EXPECT_TRUE(h.boxes.calls.empty());
}

TEST(ConverterTest, ControlLinesAreEscaped) {
  ConverterHarness h;
  const std::vector<std::string> escaped = {
      "#T title", "#t", "#W80", "#w", "#F", "#f", "#K", "#k",
      "#A",       "#a", "#B",   "#b", "#E", "#e", "#S"};
  const std::vector<std::string> kept = {
      "#X", "#", sjis("＃T"), "#" + sjis("あ"), " #T", "T#", "##T", "#1"};
  std::vector<std::string> log = {header("00001", "t"), date("(03)"), "first"};
  log.insert(log.end(), escaped.begin(), escaped.end());
  log.insert(log.end(), kept.begin(), kept.end());
  log.push_back("last");
  const Output out = split(h.convert(crlf(log)));
  ASSERT_EQ(out.records.size(), 1u);
  std::vector<std::string> expected = {"first"};
  for (const std::string& line : escaped) {
    // "#S" is no control line for the reader: only W T F K A B E are.
    expected.push_back(line == "#S" ? line : "'" + line);
  }
  expected.insert(expected.end(), kept.begin(), kept.end());
  EXPECT_EQ(out.records[0].body, expected);
}

TEST(ConverterTest, FirstBodyLineIsNeitherJoinedNorExamined) {
  ConverterHarness h;
  const std::string split = "ab" + std::string("\x82");  // cut あ
  const Output out = tess::split(h.convert(crlf({
      header("00001", "t"),
      date("(03)"),
      sjis("＞◆次頁はありません◆"),  // the first body line: written
      "text",                        // stays in the message
      header("00002", "t"),
      date("(03)"),
      split,  // first body line: not joined
      "\xa0 rest",
      "- FOO  MES(04) Board -",  // ends the message
      "skipped",
      "also skipped",
  })));
  ASSERT_EQ(out.records.size(), 2u);
  EXPECT_EQ(out.records[0].body,
            (std::vector<std::string>{sjis("＞◆次頁はありません◆"), "text"}));
  EXPECT_EQ(out.records[1].body,
            (std::vector<std::string>{split, "\xa0 rest"}));
}

TEST(ConverterTest, LineCutInsideACharacterIsJoinedOnce) {
  ConverterHarness h;
  const std::string cut = "ab\x82";      // あ is 82 A0
  const std::string whole = sjis("ぁ");  // 82 9F: ends in a lead-range byte
  const Output out = split(h.convert(crlf({
      header("00001", "t"),
      date("(03)"),
      "first",
      cut,
      "\xa0"
      "cd\x82",
      "\xa0"
      "ef",  // joined once: the result ends cut
      "x" + whole,
      "next",  // complete character: no join
      cut,
      header("00002", "t"),  // the header is swallowed by the join
      date("(03)"),
      "last",
  })));
  ASSERT_EQ(out.records.size(), 1u);
  EXPECT_EQ(
      out.records[0].body,
      (std::vector<std::string>{"first",
                                cut + "\xa0"
                                      "cd\x82",
                                "\xa0"
                                "ef",
                                "x" + whole, "next", cut + header("00002", "t"),
                                date("(03)")}));
}

TEST(ConverterTest, CutLastLineWithNothingLeftStaysAsItIs) {
  for (const std::string& ending :
       {std::string("ab\x82"), std::string("ab\x82\r\n"),
        std::string("ab\x82\r\n\x1a")}) {
    ConverterHarness h;
    std::string log = crlf({header("00001", "t"), date("(03)"), "one", "two"});
    log += ending;
    std::string bytes;
    ASSERT_NO_THROW(bytes = h.convert(log));
    const Output out = split(bytes);
    ASSERT_EQ(out.records.size(), 1u);
    EXPECT_EQ(out.records[0].body, (std::vector<std::string>{"one", "two"}));
  }
}

TEST(ConverterTest, SkippedLinesBetweenMessages) {
  ConverterHarness h;
  const Output out = split(h.convert(crlf({
      "connect text",
      header("00001", "t"),
      date("(03)"),
      "one",
      sjis("＞GO FMKTG"),
      "menu text",
      "- FOO  MES(05) Five -",
      "list text",
      header("00002", "t"),
      date("(05)"),
      "two",
      sjis("◆次頁はありません◆"),
      "prompt",
      header("00003", "t"),
      date("(05)"),
      "three",
      "end",
  })));
  ASSERT_EQ(out.records.size(), 3u);
  EXPECT_EQ(out.records[0].body, (std::vector<std::string>{"one"}));
  EXPECT_EQ(out.records[1].body, (std::vector<std::string>{"two"}));
  EXPECT_EQ(out.records[2].body, (std::vector<std::string>{"three"}));
  // After the GO line the conference is unknown: message 2 has the board of
  // the board line; after the no-next-page line, message 3 looks up (05).
  EXPECT_EQ(out.records[1].head[3], "#KFOO  " + sjis("＠board"));
  EXPECT_EQ(out.records[2].head[2].substr(0, 12), "#TFive -   0");
}

TEST(ConverterTest, FalseHeaderInTheBodyBecomesBodyText) {
  ConverterHarness h;
  const std::string fake = header("00077", "looks like a header");
  const Output out = split(h.convert(crlf({
      "- FOO  MES(03) Free talk -",
      header("00001", "t"),
      date("(03)"),
      "one",
      fake,
      "(00) refused date line",
      "two",
      "last",
  })));
  ASSERT_EQ(out.records.size(), 1u);
  EXPECT_EQ(
      out.records[0].body,
      (std::vector<std::string>{"one", fake, "(00) refused date line", "two"}));
  // The false header overwrote the fields that it had parsed.
  EXPECT_EQ(h.converter.record().messageNumber, "00077");
  EXPECT_EQ(h.converter.record().mes, "(03)");
}

TEST(ConverterTest, FalseHeaderWhileSkippingEndsTheSkip) {
  // The header line goes to the output before any record; the first record
  // is written from the fields as they stand, and the refused line is lost.
  ConverterHarness h;
  const std::string fake = header("00077", "Re: fake");
  const Output out = split(h.convert(crlf({
      "connect text",
      fake,
      "refused",
      "after",
      "body",
      "last",
  })));
  EXPECT_EQ(out.before, (std::vector<std::string>{fake}));
  ASSERT_EQ(out.records.size(), 1u);
  EXPECT_EQ(out.records[0].head[2],
            "#T" + pad("Re: fake", 34) + " " + pad("guest", 10));
  EXPECT_EQ(out.records[0].body, (std::vector<std::string>{"after", "body"}));
}

TEST(ConverterTest, EmptyLogGivesTheNoMessageBox) {
  for (const std::string& log :
       {std::string(""), std::string("\x1a"), std::string("x"),
        crlf({"no", "message", "here"}),
        // A header that completes on the last two lines gives no record.
        crlf({"text", header("00001", "t"), date("(03)")}),
        // A header on the very last line has no date line: text.
        crlf({"text", header("00001", "t")})}) {
    SCOPED_TRACE(log);
    ConverterHarness h;
    std::string bytes;
    ASSERT_NO_THROW(bytes = h.convert(log));
    EXPECT_EQ(bytes, "\x1a");
    ASSERT_EQ(h.boxes.calls.size(), 1u);
    const testing::RecordingBoxes::Call& box = h.boxes.calls[0];
    EXPECT_EQ(box.window, 0);
    EXPECT_EQ(box.caption, sjis("トラブル発生"));
    EXPECT_EQ(box.text, "/log.txt" + sjis("に発言はありませんでした"));
    EXPECT_EQ(box.buttons, 0);
    EXPECT_EQ(box.icon, 3);
    EXPECT_EQ(h.converter.messageCount(), 0);
  }
}

TEST(ConverterTest, NoMessageLeavesTheFilesOpen) {
  ConverterHarness h;
  h.open(crlf({"no message"}));
  h.converter.convertLog("/log.txt");
  EXPECT_TRUE(h.files.isOpen(1));
  EXPECT_TRUE(h.files.isOpen(3));
}

TEST(ConverterTest, HeaderCompletingAtTheEndGivesNoFurtherRecord) {
  ConverterHarness h;
  const Output out =
      split(h.convert(crlf({header("00001", "t"), date("(03)"), "one", "two",
                            header("00002", "t"), date("(03)")})));
  ASSERT_EQ(out.records.size(), 1u);
  EXPECT_EQ(out.records[0].body, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(h.converter.record().messageNumber, "00002");
}

TEST(ConverterTest, CountOverwritesItselfOnOneRow) {
  ConverterHarness h;
  h.window.writeText("banner\r\n");
  h.convert(crlf({"- FOO  MES(03) Free talk -", header("00001", "t"),
                  date("(03)"), "one", header("00002", "t"), date("(03)"),
                  "two", header("00003", "t"), date("(03)"), "three", "last"}));
  ASSERT_EQ(h.window.positions().size(), 3u);
  for (const auto& p : h.window.positions()) {
    EXPECT_EQ(p.column, 0);
    EXPECT_EQ(p.row, 1);
    EXPECT_EQ(p.flags, 3);
  }
  EXPECT_EQ(h.window.row(1), " 3");
  EXPECT_EQ(h.window.transcript(), "banner\r\n 1  2  3 ");
}

TEST(ConverterTest, CountGoesOnBelowTheLookupLines) {
  // Without a board line every header looks up conference 3, whose slot is
  // empty. The lookup of a message's header is made while the body of the
  // message before it is copied, so it follows that message's count.
  ConverterHarness h;
  h.window.writeText("banner\r\n");
  h.convert(crlf({header("00001", "t"), date("(03)"), "one",
                  header("00002", "t"), date("(03)"), "two", "last"}));
  const std::string lookup = std::string(10, ' ') + " 3 \r\n" +
                             std::string(20, ' ') + sjis("無修正") + "\r\n";
  EXPECT_EQ(h.window.transcript(),
            "banner\r\n" + lookup + " 1 " + lookup.substr(3) + " 2 ");
  ASSERT_EQ(h.window.positions().size(), 2u);
  EXPECT_EQ(h.window.positions()[0].row, 3);
  EXPECT_EQ(h.window.positions()[1].row, 5);
}

// A clock that moves on by step at every reading.
class SteppingClock : public CountClock {
 public:
  explicit SteppingClock(int64_t step) : step_(step) {}
  int64_t microseconds() override { return now_ += step_; }

 private:
  int64_t step_;
  int64_t now_ = 1000000;
};

TEST(ConverterTest, CountIsDrawnAtMostOncePerIntervalOnARow) {
  // Messages 1 to 3 and 5, 6 are in the conference of the board line; the
  // header of message 4 looks up another one, whose lines go on the rows
  // below the count of message 3.
  std::vector<std::string> lines = {"- FOO  MES(03) Free talk -"};
  for (const char* mes : {"(03)", "(03)", "(03)", "(05)", "(03)", "(03)"}) {
    lines.push_back(header("00001", "t"));
    lines.push_back(date(mes));
    lines.push_back("body");
  }
  lines.push_back("last");
  const std::string log = crlf(lines);
  ConverterHarness every;
  every.window.writeText("banner\r\n");
  every.convert(log);
  ASSERT_EQ(every.window.positions().size(), 6u);

  const int64_t interval = ScreenProgress::kCountIntervalMicroseconds;
  struct Case {
    int64_t step;
    size_t draws;
  } cases[] = {
      {0, 4},  // the first count, 3 before the lookup lines, 4 on its new
               // row, 6 at the end
      {interval, 6},  // every count
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    SteppingClock clock(c.step);
    ConverterHarness h;
    h.conversion.setCountClock(&clock);
    h.window.writeText("banner\r\n");
    EXPECT_EQ(h.convert(log), every.output());
    EXPECT_EQ(h.window.positions().size(), c.draws);
    // The screen ends as it does when every count is drawn.
    for (int row = 0; row < 24; ++row) {
      EXPECT_EQ(h.window.row(row), every.window.row(row)) << "row " << row;
    }
  }
}

// Ends the run at the nth statement start once the count has reached a
// value, as a run-time error or a break would.
class EndingObserver : public StatementObserver {
 public:
  EndingObserver(const Converter& converter, int count, int nth, bool asError)
      : converter_(converter), count_(count), nth_(nth), asError_(asError) {}
  struct Break {};
  void statementStart(uint32_t line) override {
    if (converter_.messageCount() != count_ || ++seen_ != nth_) return;
    if (asError_) throw RuntimeError(err::kDeviceError, line);
    throw Break{};
  }

 private:
  const Converter& converter_;
  int count_;
  int nth_;
  bool asError_;
  int seen_ = 0;
};

TEST(ConverterTest, HeldCountIsDrawnWhenAnErrorOrABreakEndsThePass) {
  std::vector<std::string> lines = {"- FOO  MES(03) Free talk -"};
  for (int i = 0; i < 6; ++i) {
    lines.push_back(header("00001", "t"));
    lines.push_back(date("(03)"));
    lines.push_back("body");
  }
  lines.push_back("last");
  const std::string log = crlf(lines);
  const int64_t interval = ScreenProgress::kCountIntervalMicroseconds;
  struct Case {
    int64_t step;
    int nth;  // statement start after the count reached 4
    const char* shown;
  } cases[] = {
      // Counts 2 to 4 held; the end comes inside the head of record 4.
      {0, 3, " 4"},
      // Counts 2 and 3 held, 4 due; the end comes at the start of the
      // statement that would draw 4, so the window shows 3.
      {interval / 3 + 1, 1, " 3"},
  };
  for (const Case& c : cases) {
    for (const bool asError : {true, false}) {
      SCOPED_TRACE(std::to_string(c.step) + (asError ? " error" : " break"));
      SteppingClock clock(c.step);
      ConverterHarness h;
      h.conversion.setCountClock(&clock);
      EndingObserver observer(h.converter, 4, c.nth, asError);
      h.printer.setObserver(&observer);
      h.open(log);
      bool ended = false;
      try {
        h.converter.convertLog(ByteString(ConverterHarness::kLog));
      } catch (const RuntimeError& e) {
        ended = asError && e.number() == err::kDeviceError;
      } catch (const EndingObserver::Break&) {
        ended = !asError;
      }
      EXPECT_TRUE(ended);
      EXPECT_EQ(h.window.row(0), c.shown);
    }
  }
}

TEST(ConverterTest, TwoLogsShareTheRecordAndTheTables) {
  ConverterHarness h;
  h.convert(crlf({"- FOO  MES(03) Free talk -", header("00001", "t"),
                  date("(03)"), "one", "last"}));
  ASSERT_EQ(h.converter.record().sortKey, "00001");
  h.window.writeText("\r\n");
  // The second log has no board line: conference 3 comes from the tables.
  const Output out = split(
      h.convert(crlf({header("00002", "t"), date("(03)"), "two", "last"})));
  ASSERT_EQ(out.records.size(), 1u);
  EXPECT_EQ(out.records[0].head[2].substr(0, 18), "#TFree talk  00002");
  // The board keyword is not restored: resetRecord emptied it.
  EXPECT_EQ(out.records[0].head[3], "#K(03)" + sjis("＠mes"));
  EXPECT_EQ(out.records[0].head[10], "- FOO  MES(03) F -");
}

TEST(ConverterTest, SecondLogKeepsUnclearedFieldsUntilItsFirstHeader) {
  ConverterHarness h;
  h.convert(crlf({header("00001", "t"), date("(03)"), "one", "last"}));
  h.open(crlf({"no message"}));
  h.converter.convertLog("/log.txt");
  const MessageRecord& r = h.converter.record();
  EXPECT_EQ(r.sortKey, "00001");
  EXPECT_EQ(r.headerLine, ByteString(header("00001", "t")));
  EXPECT_EQ(r.dateLine, ByteString(date("(03)")));
  EXPECT_EQ(r.messageNumber, "");
  EXPECT_EQ(r.mes, "");
}

TEST(ConverterTest, FinalMarkEndsTheLastLine) {
  ConverterHarness h;
  const Output out = split(h.convert(
      crlf({header("00001", "t"), date("(03)"), "one", "two"}) + "\x1a"));
  ASSERT_EQ(out.records.size(), 1u);
  // After "two" the file is at its end (one byte left): "two" is the last
  // line and is not written.
  EXPECT_EQ(out.records[0].body, (std::vector<std::string>{"one"}));
}

}  // namespace
}  // namespace tess
