// Whole logs converted without a window, one program run at a time.
#include "conversion/conversion_assembly.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "conversion/conversion_test_doubles.h"
#include "runtime/runtime_error.h"

namespace tess {
namespace {

using testing::FakeFileSystem;
using testing::sjis;
using Mode = ConversionAssembly::OutputMode;

std::string readData(const std::string& name) {
  std::ifstream in(std::string(TESSARINE_TEST_DATA) + "/" + name,
                   std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A second log: a message of conference 3 without any board line, so its
// board comes from the tables that the first log filled.
std::string secondLog() {
  return sjis(
      "00200/00001 XYZ00000  ねこ             追伸\r\n"
      "(03)   97/08/22 10:00  \r\n"
      "もう一つ。\r\n"
      "おしまい\r\n");
}

std::string secondRecord() {
  return sjis(
      "#S\r\n#W80\r\n"
      "#T一般の話題 00200 追伸                               ねこ      \r\n"
      "#K(03)＠mes\r\n#KXYZ00000＠id\r\n#Kねこ            ＠ハンドル\r\n"
      "#K(03)00200＠発言番号\r\n#K(03)00200＠整列\r\n#K追伸  ＠title\r\n"
      "#K1997/08/22 10:00＠time\r\n"
      "- FMKTG  MES(03) [FMKTG] 一 -\r\n"
      "00200/00001 XYZ00000  ねこ             追伸\r\n"
      "(03)   97/08/22 10:00  \r\n"
      "▼(03)00200,追伸  ▲\r\n"
      "もう一つ。\r\n#E\r\n\r\n");
}

TEST(ConversionAssemblyTest, ForumSampleMatchesItsExpectedOutput) {
  // forum_sample.log (made by tests/data/make_forum_sample.py) holds:
  //  - connection noise and a "＞GO" line before the first board line;
  //  - FMKTG board, conference 3 (label after an 8-byte forum offset);
  //    message 00123 in the 5-digit layout commenting on 00120, with a
  //    "#K" body line (escaped) and a line cut inside "あ" (joined);
  //  - "＞◆次頁はありません◆", a lower-case "＞go" line, the FGALDC board
  //    (12-byte offset), conference 7: message 045 in the 3-digit layout,
  //    full-width title, year 02, a first body line "#t" (escaped), "#X"
  //    (kept), and a header-like line whose date line is refused (both are
  //    body text);
  //  - message 00125 of conference 3 on conference 7's page: board line
  //    and label recalled from the table, "RE:RE:" removed in two rounds;
  //  - "◆次頁はありません◆", "＞GO FCHAT" and a meeting-room board line
  //    (not remembered): message 00007 with an empty title and year 70;
  //  - a last line that is never written, and the final 0x1A.
  FakeFileSystem fs;
  fs.setFile("/forum.log", readData("forum_sample.log"));
  ConversionAssembly run(fs);
  run.convert("/forum.log", "/forum.ren", Mode::New);
  const std::string expected = readData("forum_sample.ren");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(ByteString(fs.fileBytes("/forum.ren").value()),
            ByteString(expected));
  EXPECT_EQ(run.converter().messageCount(), 4);
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST(ConversionAssemblyTest, TwoLogsAppendedToOneOutput) {
  FakeFileSystem fs;
  fs.setFile("/forum.log", readData("forum_sample.log"));
  fs.setFile("/second.log", secondLog());
  ConversionAssembly run(fs);
  run.convert("/forum.log", "/all.ren", Mode::New);
  run.convert("/second.log", "/all.ren", Mode::Append);
  std::string expected = readData("forum_sample.ren");
  expected.pop_back();  // the mark is overwritten by the appended records
  expected += secondRecord() + "\x1a";
  EXPECT_EQ(ByteString(fs.fileBytes("/all.ren").value()), ByteString(expected));
}

TEST(ConversionAssemblyTest, TwoLogsIntoDifferentOutputs) {
  FakeFileSystem fs;
  fs.setFile("/forum.log", readData("forum_sample.log"));
  fs.setFile("/second.log", secondLog());
  fs.setFile("/second.ren", "old contents");
  ConversionAssembly run(fs);
  run.convert("/forum.log", "/forum.ren", Mode::New);
  // An existing output is rewritten in place, never deleted.
  run.convert("/second.log", "/second.ren", Mode::New);
  EXPECT_EQ(fs.removals(), 0);
  EXPECT_EQ(fs.fileBytes("/forum.ren").value(), readData("forum_sample.ren"));
  EXPECT_EQ(ByteString(fs.fileBytes("/second.ren").value()),
            ByteString(secondRecord() + "\x1a"));

  // A new program run has empty tables: the board stays empty.
  FakeFileSystem fresh;
  fresh.setFile("/second.log", secondLog());
  ConversionAssembly other(fresh);
  other.convert("/second.log", "/second.ren", Mode::New);
  const std::string out = fresh.fileBytes("/second.ren").value();
  EXPECT_TRUE(out.starts_with("#S\r\n#W80\r\n#T 00200 ")) << out;
}

TEST(ConversionAssemblyTest, SameLogTwiceAppendsEveryRecordAgain) {
  FakeFileSystem fs;
  fs.setFile("/forum.log", readData("forum_sample.log"));
  ConversionAssembly run(fs);
  run.convert("/forum.log", "/forum.ren", Mode::New);
  run.convert("/forum.log", "/forum.ren", Mode::Append);
  std::string once = readData("forum_sample.ren");
  once.pop_back();
  EXPECT_EQ(fs.fileBytes("/forum.ren").value(), once + once + "\x1a");
}

TEST(ConversionAssemblyTest, LogWithoutMessagesLeavesANewOutputWithTheMark) {
  FakeFileSystem fs;
  fs.setFile("/empty.log", "");
  fs.setFile("/chat.log", sjis("雑談だけ\r\n＞GO FCHAT\r\n"));
  ConversionAssembly run(fs);
  run.convert("/empty.log", "/out.ren", Mode::New);
  EXPECT_EQ(fs.fileBytes("/out.ren").value(), "\x1a");
  run.convert("/chat.log", "/out.ren", Mode::Append);
  EXPECT_EQ(fs.fileBytes("/out.ren").value(), "\x1a");
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST(ConversionAssemblyTest, ErrorsEscapeWithAllFilesClosed) {
  FakeFileSystem fs;
  ConversionAssembly run(fs);
  try {
    run.convert("/missing.log", "/out.ren", Mode::New);
    FAIL() << "a missing log must raise an error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kFileNotFound);
  }
  fs.setFile("/forum.log", readData("forum_sample.log"));
  fs.failWritesAfter(100);
  try {
    run.convert("/forum.log", "/out.ren", Mode::New);
    FAIL() << "a full disk must raise an error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kDiskFull);
  }
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST(ConversionAssemblyTest, SampleLogsConvertInOneRun) {
  // The samples, one after the other into one output as a user would.
  FakeFileSystem fs;
  ConversionAssembly run(fs);
  int total = 0;
  for (const char* name : {"19970820.LOG", "19970821.TXT", "NIFTY.LOG"}) {
    SCOPED_TRACE(name);
    std::ifstream in(std::string(TESSARINE_SAMPLES) + "/" + name,
                     std::ios::binary);
    ASSERT_TRUE(in.good());
    fs.setFile(std::string("/") + name,
               std::string(std::istreambuf_iterator<char>(in), {}));
    run.convert(ByteString(std::string("/") + name), "/kanbel.ren",
                total == 0 ? Mode::New : Mode::Append);
    EXPECT_GT(run.converter().messageCount(), 2);
    total += run.converter().messageCount();
  }
  const std::string out = fs.fileBytes("/kanbel.ren").value();
  size_t records = 0;
  for (size_t p = 0; (p = out.find("#S\r\n#W80\r\n", p)) != std::string::npos;
       ++p) {
    ++records;
  }
  EXPECT_EQ(records, static_cast<size_t>(total));
  EXPECT_EQ(out.find('\x1a'), out.size() - 1);
}

}  // namespace
}  // namespace tess
