#include "conversion/screen_progress.h"

#include <string_view>

#include "conversion/conversion_texts.inc"
#include "conversion/log_markers.inc"
#include "conversion/log_reading_texts.h"

namespace tess {

namespace {

// The program's one text window.
constexpr int64_t kMainWindow = 0;
// setPosition's flags: the column and the row are given, the cursor switch
// is not.
constexpr int kColumnAndRow = 1 | 2;
// The columns of the conference lines: the conference number, then the
// note that its board is not known.
constexpr int64_t kConferenceColumn = 10;
constexpr int64_t kUnknownBoardColumn = 20;

constexpr std::string_view kUnedited = texts::kUnedited;

}  // namespace

ScreenProgress::ScreenProgress(Printer& printer, ScreenWindow* screen,
                               MessageBoxService* boxes)
    : printer_(printer), screen_(screen), boxes_(boxes) {}

void ScreenProgress::passStarted() {
  countHeld_ = false;
  countRow_ = -1;
}

void ScreenProgress::messageCounted(int count) {
  if (screen_ == nullptr) return;
  // Drawing every count would cost the window more than the pass costs the
  // files; the eye needs a few new counts a second. A count on a new row is
  // drawn at once.
  if (countClock_ != nullptr && screen_->currentRow() == countRow_ &&
      countClock_->microseconds() - countDrawnAt_ <
          kCountIntervalMicroseconds) {
    countHeld_ = true;
    heldCount_ = count;
    return;
  }
  drawCount(count);
}

void ScreenProgress::conferenceRecalled(float conference, bool known) {
  if (screen_ == nullptr) return;
  // The lookup lines follow the count of the message before: it must stand
  // on the screen first, and the next count is drawn at once below them
  // (also when the window scrolls and the row number stays).
  showHeldCount();
  countRow_ = -1;
  selectWindow();
  printer_.printString(printer_.tabTo(kConferenceColumn),
                       PrintSeparator::Semicolon);
  printer_.printNumber(conference, PrintSeparator::EndOfStatement);
  if (known) return;
  // A conference not seen yet keeps the board of the last board line.
  selectWindow();
  printer_.printString(printer_.tabTo(kUnknownBoardColumn),
                       PrintSeparator::Semicolon);
  printer_.printString(ByteString(kUnedited), PrintSeparator::EndOfStatement);
}

void ScreenProgress::passStopped() { showHeldCount(); }

void ScreenProgress::noMessages(const ByteString& logPath,
                                const LogReading& reading) {
  if (boxes_ == nullptr) return;
  ByteString text = concatenate(logPath, texts::kNoMessagesIn);
  // What the log looked like, when that may be why.
  const ByteString look = lookNotice(reading);
  if (!look.empty()) text = concatenate(concatenate(text, "\n"), look);
  // The OK button alone, with the information icon.
  boxes_->showMessageBox(kMainWindow, texts::kTroubleTitle, text, box::kOk,
                         box::kInformation);
}

void ScreenProgress::charactersReplaced(uint64_t count) {
  if (screen_ == nullptr) return;
  // The run's last line says how many characters were replaced, under the
  // count.
  selectWindow();
  printer_.printString("", PrintSeparator::EndOfStatement);
  selectWindow();
  printer_.printString(replacedNotice(count), PrintSeparator::EndOfStatement);
}

void ScreenProgress::showHeldCount() {
  if (countHeld_) drawCount(heldCount_);
}

void ScreenProgress::drawCount(int count) {
  countRow_ = screen_->currentRow();
  if (countClock_ != nullptr) countDrawnAt_ = countClock_->microseconds();
  screen_->setPosition(0, countRow_, 0, kColumnAndRow);
  selectWindow();
  // Once the statement has started, this count takes the place of a held
  // one; a break at its start leaves the held count to be drawn.
  countHeld_ = false;
  printer_.printNumber(static_cast<float>(count), PrintSeparator::Semicolon);
}

void ScreenProgress::selectWindow() {
  printer_.selectOutputWindow(kMainWindow);
}

}  // namespace tess
