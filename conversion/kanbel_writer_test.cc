// The record head of Kanbel text.
#include "conversion/kanbel_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "conversion/conversion_test_doubles.h"

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

}  // namespace
}  // namespace tess
