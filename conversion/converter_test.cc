// The conversion pass: the record and body loops, the line repairs and the
// no-message box.
#include "conversion/converter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "conversion/conversion_test_doubles.h"
#include "conversion/converter_test_logs.h"
#include "runtime/runtime_error.h"

namespace tess {
namespace {

using testing::ConverterHarness;
using testing::crlf;
using testing::date;
using testing::header;
using testing::pad;
using testing::sjis;

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

TEST(ConverterTest, SkippedTextGivesWhatTheLinesReadOneByOneGive) {
  // Runs of message text while the pass looks for a header are passed over
  // at once when the log has CR LF ends; with LF ends each line is read.
  // Random logs of listings, prompts, text and messages, whatever their
  // last bytes, must come out the same both ways.
  const std::vector<std::string> pieces = {
      "list text",
      "",
      "a/b/c/d/e",
      "123/456 short",
      pad("12/", 45) + "x",
      "#W80",
      "- not a board",
      "-",
      sjis("＞GO FMKTG"),
      sjis("◆次頁はありません◆"),
      sjis("次頁(Enter),MES番号(番号),終了(E)>"),
      "- FOO  MES(05) Five -",
      "- BAR  MES(03) Three -",
      sjis("漢字のテキスト"),
      "cut \x82",
      header("00001", "t"),
      header("00002", sjis("タイトル")) + "\r\n" + date("(05)"),
      header("00003", "RE: x") + "\r\n" + date("(03)"),
  };
  std::mt19937 random(2024);
  for (int round = 0; round < 300; ++round) {
    std::string log;
    for (size_t i = random() % 40; i > 0; --i) {
      log += pieces[random() % pieces.size()] + "\r\n";
    }
    // The end: a whole line, a line without its end, or the final mark
    // after a line. (An empty last line would be a single LF byte with LF
    // ends, which the end test takes for the end of the log.)
    log += "last";
    const int end = static_cast<int>(random() % 3);
    if (end != 1) log += "\r\n";
    if (end == 2) log += "\x1a";
    std::string lf = log;
    for (size_t p; (p = lf.find("\r\n")) != std::string::npos;) {
      lf.replace(p, 2, "\n");
    }
    SCOPED_TRACE(::testing::PrintToString(log));
    ConverterHarness crlfEnds;
    ConverterHarness lfEnds;
    lfEnds.files.setLogChoice({LogEncoding::ShiftJis, LineEnds::Lf});
    const std::string expected = lfEnds.convert(lf);
    EXPECT_EQ(crlfEnds.convert(log), expected);
    EXPECT_EQ(crlfEnds.window.transcript(), lfEnds.window.transcript());
  }
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
