// The conversion pass's count on the window: one row overwritten, drawn at
// most once per interval, and the held count drawn when the pass ends early.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/conversion_test_doubles.h"
#include "conversion/converter.h"
#include "conversion/converter_test_logs.h"
#include "runtime/runtime_error.h"

namespace tess {
namespace {

using testing::ConverterHarness;
using testing::crlf;
using testing::date;
using testing::header;
using testing::sjis;

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

}  // namespace
}  // namespace tess
