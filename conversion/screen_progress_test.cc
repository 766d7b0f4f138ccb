// What a conversion shows in the window: the conference lines, the count
// held back and drawn before them, the notice of replaced characters and
// the box of a log without messages.
#include "conversion/screen_progress.h"

#include <gtest/gtest.h>

#include <string>

#include "conversion/conversion_test_doubles.h"
#include "conversion/log_reading_texts.h"

namespace tess {
namespace {

using testing::FakeFileSystem;
using testing::RecordingBoxes;
using testing::RecordingWindow;
using testing::sjis;

// A clock that stands still: every count after the first on a row is held.
class StoppedClock : public CountClock {
 public:
  int64_t microseconds() override { return 0; }
};

class ScreenProgressTest : public ::testing::Test {
 protected:
  FakeFileSystem fs;
  FileTable files{fs};
  RecordingWindow window;
  RecordingBoxes boxes;
  Printer printer{files, &window};
  ScreenProgress progress{printer, &window, &boxes};
};

TEST_F(ScreenProgressTest, ConferenceLinesShowTheNumberAndAnUnknownBoard) {
  progress.passStarted();
  progress.conferenceRecalled(3, true);
  // Each lookup of an unknown board shows the number at column 10 and
  // "無修正" at column 20 on the next row.
  for (const float n : {4.0f, 26.0f, 99.0f, -1.0f}) {
    progress.conferenceRecalled(n, false);
  }
  const std::string unedited = sjis("無修正");
  const std::string tenth(10, ' ');
  const std::string twentieth(20, ' ');
  EXPECT_EQ(window.transcript(),
            tenth + " 3 \r\n" + tenth + " 4 \r\n" + twentieth + unedited +
                "\r\n" + tenth + " 26 \r\n" + twentieth + unedited + "\r\n" +
                tenth + " 99 \r\n" + twentieth + unedited + "\r\n" + tenth +
                "-1 \r\n" + twentieth + unedited + "\r\n");
  EXPECT_EQ(window.row(0), "           3");
  EXPECT_EQ(window.row(2), twentieth + unedited);
}

TEST_F(ScreenProgressTest, AHeldCountStandsBeforeTheConferenceLines) {
  StoppedClock clock;
  progress.setCountClock(&clock);
  progress.passStarted();
  progress.messageCounted(1);
  progress.messageCounted(2);  // held: same row, no time has passed
  EXPECT_EQ(window.transcript(), " 1 ");
  progress.conferenceRecalled(5, true);
  // The held count is drawn over the first at column 0; the tab then
  // moves from column 3 to column 10.
  EXPECT_EQ(window.transcript(), " 1  2 " + std::string(7, ' ') + " 5 \r\n");
  // After the conference lines the next count is drawn at once.
  progress.messageCounted(3);
  EXPECT_EQ(window.row(1), " 3");
  // And a held count is drawn when the pass stops.
  progress.messageCounted(4);
  EXPECT_EQ(window.row(1), " 3");
  progress.passStopped();
  EXPECT_EQ(window.row(1), " 4");
  // Each count goes to the start of the current row: column and row given.
  ASSERT_FALSE(window.positions().empty());
  EXPECT_EQ(window.positions().back().column, 0);
  EXPECT_EQ(window.positions().back().row, 1);
  EXPECT_EQ(window.positions().back().flags, 3);
}

TEST_F(ScreenProgressTest, ReplacedCharactersAreTheLastLineUnderTheCount) {
  progress.passStarted();
  progress.messageCounted(7);
  progress.charactersReplaced(12);
  EXPECT_EQ(window.transcript(), " 7 \r\n" + replacedNotice(12).str() + "\r\n");
}

TEST_F(ScreenProgressTest, ALogWithoutMessagesGetsAnInformationBox) {
  progress.noMessages(ByteString("A.LOG"), LogReading{});
  ASSERT_EQ(boxes.calls.size(), 1u);
  const RecordingBoxes::Call& box = boxes.calls[0];
  EXPECT_EQ(box.window, 0);
  EXPECT_EQ(box.caption, sjis("トラブル発生"));
  EXPECT_EQ(box.text, "A.LOG" + sjis("に発言はありませんでした"));
  EXPECT_EQ(box.buttons, 0);  // OK alone
  EXPECT_EQ(box.icon, 3);     // information
  EXPECT_EQ(window.transcript(), "");
}

TEST_F(ScreenProgressTest, WithoutAWindowOrBoxesNothingIsShown) {
  ScreenProgress blind(printer, nullptr, nullptr);
  blind.passStarted();
  blind.messageCounted(1);
  blind.conferenceRecalled(3, false);
  blind.charactersReplaced(2);
  blind.noMessages(ByteString("A.LOG"), LogReading{});
  blind.passStopped();
  EXPECT_EQ(window.transcript(), "");
  EXPECT_TRUE(window.positions().empty());
  EXPECT_TRUE(boxes.calls.empty());
}

}  // namespace
}  // namespace tess
