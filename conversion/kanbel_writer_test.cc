// The record head of Kanbel text.
#include "conversion/kanbel_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "conversion/conversion_test_doubles.h"
#include "runtime/statements.h"
#include "tests/support/recording_observer.h"

namespace tess {
namespace {

using testing::ConverterHarness;
using testing::sjis;

class KanbelWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { h.open(""); }
  // The head of record_, as written to the output channel.
  std::string head() {
    KanbelWriter(h.printer, Converter::kOutputChannel).writeHead(record_);
    return h.output();
  }
  MessageRecord& r() { return record_; }

  ConverterHarness h;
  MessageRecord record_;
};

TEST_F(KanbelWriterTest, WorkedExample) {
  const std::string board =
      "- FMKTG  MES(03) 12345678" + sjis("一般の話題") + " -";
  const std::string header = "00123/00456 XYZ00000  " + sjis("ねこ") +
                             std::string(12, ' ') + " " + sjis("雑感");
  const std::string date =
      "(03)   97/08/20 21:05  00120" + sjis("へのコメント");
  const std::string headline = sjis("一般の話題") + " 00123 " + sjis("雑感") +
                               std::string(31, ' ') + sjis("ねこ") +
                               std::string(6, ' ');
  ASSERT_EQ(headline.size(), 62u);
  r().headline = ByteString(headline);
  r().board = "FMKTG";
  r().mes = "(03)";
  r().userId = "XYZ00000";
  r().handle = ByteString(sjis("ねこ") + std::string(12, ' '));
  r().messageNumber = "00123";
  r().refer = "00120";
  r().sortKey = "00120";
  r().title = ByteString(sjis("雑感") + "  ");
  r().postedTime = "1997/08/20 21:05";
  r().boardLine = ByteString(board);
  r().headerLine = ByteString(header);
  r().dateLine = ByteString(date);

  std::string expected =
      "#S\r\n#W80\r\n#T" + headline + "\r\n" + "#KFMKTG  " + sjis("＠board") +
      "\r\n" + "#K(03)" + sjis("＠mes") + "\r\n" + "#KXYZ00000" + sjis("＠id") +
      "\r\n" + "#K" + sjis("ねこ") + std::string(12, ' ') + sjis("＠ハンドル") +
      "\r\n" + "#K(03)00123" + sjis("＠発言番号") + "\r\n" + "#K(03)00120" +
      sjis("＠refer") + "\r\n" + "#K(03)00120" + sjis("＠整列") + "\r\n" +
      "#K" + sjis("雑感") + "  " + sjis("＠title") + "\r\n" +
      "#K1997/08/20 21:05" + sjis("＠time") + "\r\n" + board + "\r\n" + header +
      "\r\n" + date + "\r\n" + sjis("▼(03)00123,(03)00120,雑感") + "  " +
      sjis("▲") + "\r\n";
  EXPECT_EQ(ByteString(head()), ByteString(expected));

  // The literals are exactly these bytes.
  EXPECT_EQ(sjis("＠board"),
            "\x81\x97"
            "board");
  EXPECT_EQ(sjis("▼"), "\x81\xa5");
  EXPECT_EQ(sjis("▲"), "\x81\xa3");
  EXPECT_EQ(sjis("＠ハンドル"), "\x81\x97\x83\x6e\x83\x93\x83\x68\x83\x8b");
  EXPECT_EQ(sjis("＠発言番号"), "\x81\x97\x94\xad\x8c\xbe\x94\xd4\x8d\x86");
  EXPECT_EQ(sjis("＠整列"), "\x81\x97\x90\xae\x97\xf1");
}

TEST_F(KanbelWriterTest, WithoutReferenceTheSummaryHasOneNumberPart) {
  r().mes = "(03)";
  r().messageNumber = "00123";
  r().sortKey = "00123";
  r().title = ByteString(sjis("雑感") + "  ");
  const std::string out = head();
  EXPECT_EQ(out.find(sjis("＠refer")), std::string::npos);
  EXPECT_NE(out.find("#K(03)00123" + sjis("＠整列") + "\r\n"),
            std::string::npos);
  EXPECT_TRUE(out.ends_with("\r\n\r\n\r\n" + sjis("▼(03)00123,雑感") + "  " +
                            sjis("▲") + "\r\n"))
      << out;
}

TEST_F(KanbelWriterTest, EmptyRecordWritesOnlyTheFixedLines) {
  // The pass puts two blanks into the title when the headline is empty.
  r().title = "  ";
  EXPECT_EQ(head(), "#S\r\n#W80\r\n#T\r\n#K  " + sjis("＠title") +
                        "\r\n\r\n\r\n\r\n" + sjis("▼") + ",  " + sjis("▲") +
                        "\r\n");
}

TEST_F(KanbelWriterTest, BlankFieldsCountAsNotEmpty) {
  r().board = " ";
  r().userId = "        ";
  r().refer = " ";
  const std::string out = head();
  EXPECT_NE(out.find("#K   " + sjis("＠board") + "\r\n"), std::string::npos);
  EXPECT_NE(out.find("#K        " + sjis("＠id") + "\r\n"), std::string::npos);
  EXPECT_NE(out.find("#K " + sjis("＠refer") + "\r\n"), std::string::npos);
  EXPECT_TRUE(out.ends_with(sjis("▼") + ", ," + sjis("▲") + "\r\n")) << out;
}

// Observes statement starts taken as runs: each start or run in order.
class RunRecorder : public StatementObserver {
 public:
  struct Run {
    uint32_t first, last, count;
  };
  void statementStart(uint32_t line) override {
    runs.push_back({line, line, 1});
  }
  bool takesRuns() const override { return true; }
  void statementRun(uint32_t first, uint32_t last, uint32_t count) override {
    runs.push_back({first, last, count});
  }
  std::vector<Run> runs;
};

// A random field: empty now and then, large enough now and then that a
// head does not fit into the room left in the output's buffer.
ByteString randomField(std::mt19937& random) {
  const auto kind = static_cast<uint32_t>(random() % 10);
  const size_t size =
      kind == 0 ? 0 : (kind == 1 ? random() % 30000 : random() % 40);
  return ByteString(std::string(size, static_cast<char>('a' + random() % 26)));
}

TEST(KanbelWriterBlockTest, SameBytesAndStartsAsStatementByStatement) {
  // Heads and record ends are copied into the buffer in one block where
  // they fit and their starts can be taken as one run (no observer, or one
  // that takes runs), else printed statement by statement (an observer that
  // wants each start): random records written all three ways.
  std::mt19937 random(31);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    ConverterHarness block, runs, each;
    RunRecorder runRecorder;
    testing::RecordingObserver eachRecorder;
    for (ConverterHarness* h : {&block, &runs, &each}) h->open("");
    runs.printer.setObserver(&runRecorder);
    each.printer.setObserver(&eachRecorder);
    for (int n = 0; n < 100; ++n) {
      MessageRecord r;
      for (ByteString* field :
           {&r.board, &r.mes, &r.headline, &r.title, &r.handle, &r.userId,
            &r.messageNumber, &r.postedTime, &r.refer, &r.sortKey, &r.boardLine,
            &r.headerLine, &r.dateLine}) {
        *field = randomField(random);
      }
      // A head and, now and then, a record's end.
      const bool end = random() % 2 == 0;
      for (ConverterHarness* h : {&block, &runs, &each}) {
        KanbelWriter writer(h->printer, Converter::kOutputChannel);
        writer.writeHead(r);
        if (end) writer.writeEnd();
      }
    }
    const std::string expected = each.output();
    ASSERT_EQ(block.output(), expected);
    ASSERT_EQ(runs.output(), expected);
    // The runs cover the same starts, in order.
    size_t start = 0;
    for (const RunRecorder::Run& run : runRecorder.runs) {
      ASSERT_LE(start + run.count, eachRecorder.lines.size());
      EXPECT_EQ(run.first, eachRecorder.lines[start]);
      EXPECT_EQ(run.last, eachRecorder.lines[start + run.count - 1]);
      start += run.count;
    }
    EXPECT_EQ(start, eachRecorder.lines.size());
  }
}

}  // namespace
}  // namespace tess
