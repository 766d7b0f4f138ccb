#include "shell/dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_front_end.h"
#include "tests/support/raised_error.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using testing::errorOf;
using testing::FakeFileSystem;
using testing::FakeFrontEnd;
using testing::sjis;

TEST(FilterConversion, PatternIsBetweenFirstOpenAndLastClose) {
  auto items = convertFilter("a(*.x, *.y)");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].display, "a(*.x, *.y)");
  EXPECT_EQ(items[0].pattern, "*.x;*.y");

  items = convertFilter("x(a(b)\tc)d;log(*.LOG)");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].pattern, "a(b)c");
  EXPECT_EQ(items[1].display, "log(*.LOG)");
  EXPECT_EQ(items[1].pattern, "*.LOG");
}

TEST(FilterConversion, EmptyFilterMeansEveryFile) {
  auto items = convertFilter("");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].display, sjis("すべてのﾌｧｲﾙ(*.*)"));
  EXPECT_EQ(items[0].pattern, "*.*");
}

TEST(FilterConversion, MalformedFiltersAreRefused) {
  EXPECT_EQ(errorOf([] { convertFilter("abc"); }), err::kIllegalArgument);
  EXPECT_EQ(errorOf([] { convertFilter("a(*.x);"); }), err::kIllegalArgument);
  EXPECT_EQ(errorOf([] { convertFilter("a(*.x);;b(*)"); }),
            err::kIllegalArgument);
  EXPECT_EQ(errorOf([] { convertFilter("a)*.x("); }), err::kIllegalArgument);
  EXPECT_EQ(errorOf([] { convertFilter("a(*.x"); }), err::kIllegalArgument);
  const std::string longest = "a(" + std::string(509, 'x') + ")";
  ASSERT_EQ(longest.size(), 512u);
  EXPECT_EQ(errorOf([&] { convertFilter(ByteString(longest)); }), 0);
  EXPECT_EQ(errorOf([&] { convertFilter(ByteString("c" + longest)); }),
            err::kIllegalArgument);
}

TEST(SeparatorScan, StepsOverDoubleByteCharacters) {
  FakeFileSystem win(FakeFileSystem::Style::Windows);
  // 表 is 0x95 0x5C: its second byte is the backslash.
  EXPECT_EQ(nameStart("\x95\x5C"
                      "abc",
                      win),
            0u);
  EXPECT_EQ(nameStart("D:\\\x95\x5C\\a.log", win), 6u);
  EXPECT_EQ(nameStart("D:\\LOGS\\\x95\x5C", win), 8u);
  EXPECT_EQ(nameStart("D:a", win), 2u);
  FakeFileSystem posix;
  EXPECT_EQ(nameStart("dir\\name", posix), 0u);
  EXPECT_EQ(nameStart("/logs/a.log", posix), 6u);
}

struct DialogFixture : ::testing::Test {
  explicit DialogFixture(
      FakeFileSystem::Style style = FakeFileSystem::Style::Windows)
      : fs(style), window(&ui), dialogs(fs, ui, &window) {}
  FakeFileSystem fs;
  FakeFrontEnd ui;
  TextWindow window;
  Dialogs dialogs;
};

TEST_F(DialogFixture, OpenDialogStartsInTheInitialNamesFolder) {
  fs.addDirectory("C:\\WORK");
  dialogs.changeDirectory("C:\\WORK\\");
  ui.answerDialog("C:\\WORK\\19961231.LOG");
  EXPECT_EQ(dialogs.showOpenDialog(0, "t", "19*.*", "", 0),
            ByteString("C:\\WORK\\19961231.LOG"));
  ui.cancelDialog();
  dialogs.showOpenDialog(0, "t", "D:\\LOGS\\19*.*", "", 1);
  ui.cancelDialog();
  dialogs.showOpenDialog(0, "t", "D:\\19*.*", "", 0);
  ASSERT_EQ(ui.dialogs().size(), 3u);
  const auto& first = ui.dialogs()[0];
  EXPECT_FALSE(first.save);
  EXPECT_EQ(first.initialFolder, "C:\\WORK");
  EXPECT_EQ(first.fileName, "19*.*");
  EXPECT_EQ(first.filterIndex, 1);
  EXPECT_TRUE(first.fileMustExist);
  EXPECT_TRUE(first.pathMustExist);
  EXPECT_FALSE(first.overwritePrompt);
  const auto& second = ui.dialogs()[1];
  EXPECT_EQ(second.initialFolder, "D:\\LOGS");
  EXPECT_EQ(second.fileName, "19*.*");
  EXPECT_FALSE(second.fileMustExist);
  EXPECT_TRUE(second.pathMustExist);
  // A drive's root keeps its separator.
  EXPECT_EQ(ui.dialogs()[2].initialFolder, "D:\\");
}

TEST_F(DialogFixture, SaveDialogOpensInTheCurrentDirectory) {
  fs.addDirectory("C:\\WORK");
  dialogs.changeDirectory("C:\\WORK");
  ui.cancelDialog();
  dialogs.showSaveDialog(0, "t", "D:\\OUT\\kanbel.ren", "k(*.ren)", 1);
  ui.cancelDialog();
  dialogs.showSaveDialog(0, "t", "kanbel.ren", "k(*.ren)", 0);
  ASSERT_EQ(ui.dialogs().size(), 2u);
  const auto& first = ui.dialogs()[0];
  EXPECT_TRUE(first.save);
  EXPECT_EQ(first.initialFolder, "C:\\WORK");
  EXPECT_EQ(first.fileName, "kanbel.ren");
  EXPECT_FALSE(first.overwritePrompt);
  EXPECT_TRUE(first.pathMustExist);
  EXPECT_FALSE(first.fileMustExist);
  ASSERT_EQ(first.filters.size(), 1u);
  EXPECT_EQ(first.filters[0].pattern, "*.ren");
  EXPECT_TRUE(ui.dialogs()[1].overwritePrompt);
}

TEST_F(DialogFixture, CancelAndOverlongAnswersGiveTheCancelMarker) {
  ui.cancelDialog();
  const ByteString cancelled = dialogs.showOpenDialog(0, "t", "a", "", 0);
  ASSERT_EQ(cancelled.size(), 1u);
  EXPECT_EQ(cancelled.byteAt(0), 0x1B);
  // A path up to the platform's own limit is taken, one byte more is a
  // failed dialog.
  const size_t limit = platform::kPlatformMaxPathBytes;
  ui.answerDialog("C:\\" + std::string(limit - 3, 'a'));
  EXPECT_EQ(dialogs.showSaveDialog(0, "t", "a", "", 1).size(), limit);
  EXPECT_EQ(ui.dialogs().back().maxPathBytes, limit);
  ui.answerDialog("C:\\" + std::string(limit - 2, 'a'));
  EXPECT_EQ(dialogs.showSaveDialog(0, "t", "a", "", 1), CancelMarker);
}

TEST_F(DialogFixture, DialogArgumentsAreChecked) {
  auto open = [&](int64_t number, std::string title, std::string name,
                  std::string filter, int64_t mode) {
    return errorOf([&] {
      dialogs.showOpenDialog(number, ByteString(title), ByteString(name),
                             ByteString(filter), mode);
    });
  };
  EXPECT_EQ(open(1, "t", "a", "", 0), err::kNoWindow);
  EXPECT_EQ(open(0, std::string(65, 't'), "a", "", 0), err::kIllegalArgument);
  const size_t limit = platform::kPlatformMaxPathBytes;
  EXPECT_EQ(open(0, "t", std::string(limit + 1, 'a'), "", 0),
            err::kIllegalArgument);
  EXPECT_EQ(open(0, "t", "a", "", 2), err::kIllegalArgument);
  EXPECT_EQ(open(0, "t", "a", "", -1), err::kIllegalArgument);
  EXPECT_EQ(open(0, "t", "a", "bad", 0), err::kIllegalArgument);
  EXPECT_TRUE(ui.dialogs().empty());
  EXPECT_EQ(open(0, std::string(64, 't'), std::string(limit, 'a'), "", 0), 0);
  window.markClosed();
  EXPECT_EQ(errorOf([&] { dialogs.showSaveDialog(0, "t", "a", "", 1); }),
            err::kNoWindow);
}

TEST_F(DialogFixture, MessageBoxStyleAndAnswers) {
  constexpr int64_t kMainWindow = 0;
  EXPECT_EQ(dialogs.showMessageBox(kMainWindow, "cap", "text", box::kOk,
                                   box::kInformation),
            box::kAnsweredOk);
  ASSERT_EQ(ui.messageBoxes().size(), 1u);
  EXPECT_EQ(ui.messageBoxes()[0].caption, "cap");
  EXPECT_EQ(ui.messageBoxes()[0].text, "text");

  // The box statement's numbers and what the front end is asked to show.
  const std::pair<int64_t, ui::BoxButtons> buttons[] = {
      {0, ui::BoxButtons::Ok},
      {1, ui::BoxButtons::OkCancel},
      {2, ui::BoxButtons::AbortRetryIgnore},
      {3, ui::BoxButtons::YesNoCancel},
      {4, ui::BoxButtons::YesNo},
      {5, ui::BoxButtons::RetryCancel}};
  for (const auto& [number, shown] : buttons) {
    dialogs.showMessageBox(kMainWindow, "c", "t", number, box::kNoIcon);
    EXPECT_EQ(ui.messageBoxes().back().style,
              (ui::BoxStyle{shown, ui::BoxIcon::None}))
        << number;
  }
  const std::pair<int64_t, ui::BoxIcon> icons[] = {
      {0, ui::BoxIcon::Stop},
      {1, ui::BoxIcon::Question},
      {2, ui::BoxIcon::Exclamation},
      {3, ui::BoxIcon::Information},
      {4, ui::BoxIcon::None}};
  for (const auto& [number, shown] : icons) {
    dialogs.showMessageBox(kMainWindow, "c", "t", box::kOk, number);
    EXPECT_EQ(ui.messageBoxes().back().style,
              (ui::BoxStyle{ui::BoxButtons::Ok, shown}))
        << number;
  }
  const std::pair<ui::BoxAnswer, int> answers[] = {
      {ui::BoxAnswer::Ok, 0},     {ui::BoxAnswer::Cancel, 1},
      {ui::BoxAnswer::Abort, 2},  {ui::BoxAnswer::Retry, 3},
      {ui::BoxAnswer::Ignore, 4}, {ui::BoxAnswer::Yes, 5},
      {ui::BoxAnswer::No, 6}};
  for (const auto& [answer, expected] : answers) {
    ui.setMessageBoxAnswer(answer);
    EXPECT_EQ(dialogs.showMessageBox(kMainWindow, "c", "t", box::kYesNoCancel,
                                     box::kQuestion),
              expected);
  }

  const size_t shown = ui.messageBoxes().size();
  EXPECT_EQ(errorOf([&] {
              dialogs.showMessageBox(kMainWindow, "c", "t",
                                     box::kRetryCancel + 1, box::kStop);
            }),
            err::kIllegalArgument);
  EXPECT_EQ(errorOf([&] {
              dialogs.showMessageBox(kMainWindow, "c", "t", box::kOk,
                                     box::kNoIcon + 1);
            }),
            err::kIllegalArgument);
  EXPECT_EQ(errorOf([&] {
              dialogs.showMessageBox(kMainWindow, "c", "t", -1, box::kStop);
            }),
            err::kIllegalArgument);
  EXPECT_EQ(errorOf([&] {
              dialogs.showMessageBox(kMainWindow, "c", "t", box::kOk, -1);
            }),
            err::kIllegalArgument);
  constexpr int64_t kNoSuchWindow = 2;
  EXPECT_EQ(errorOf([&] {
              dialogs.showMessageBox(kNoSuchWindow, "c", "t", box::kOk,
                                     box::kStop);
            }),
            err::kNoWindow);
  EXPECT_EQ(ui.messageBoxes().size(), shown);
}

TEST_F(DialogFixture, ChangeDirectoryErrors) {
  EXPECT_EQ(errorOf([&] {
              dialogs.changeDirectory(ByteString(
                  std::string(platform::kPlatformMaxPathBytes + 1, 'a')));
            }),
            err::kIllegalArgument);
  fs.failNextChangeDirectory(72);
  fs.addDirectory("C:\\OK");
  EXPECT_EQ(errorOf([&] { dialogs.changeDirectory("C:\\OK"); }), 72);
  EXPECT_NE(errorOf([&] { dialogs.changeDirectory("C:\\MISSING\\"); }), 0);
  dialogs.changeDirectory("C:\\OK\\");
  EXPECT_EQ(fs.currentDirectory(), "C:\\OK");
}

TEST_F(DialogFixture, DirectorySearchSlots) {
  fs.setFile("C:\\LOGS\\A.LOG", "12345");
  fs.setFile("C:\\LOGS\\B.LOG", "");
  fs.setReadOnly("C:\\LOGS\\A.LOG");
  fs.setTime("C:\\LOGS\\A.LOG", 1996, 12, 31, 23, 59, 5);

  EXPECT_EQ(errorOf([&] { dialogs.openSearch(0, "x"); }), err::kBadChannel);
  EXPECT_EQ(errorOf([&] { dialogs.openSearch(17, "x"); }), err::kBadChannel);
  EXPECT_EQ(errorOf([&] {
              dialogs.openSearch(
                  1, ByteString(std::string(platform::kPlatformMaxPathBytes + 1,
                                            'a')));
            }),
            err::kIllegalArgument);
  EXPECT_EQ(errorOf([&] { dialogs.nextMatch(3); }), err::kNotOpen);
  EXPECT_EQ(errorOf([&] { dialogs.searchExhausted(3); }), err::kNotOpen);

  dialogs.openSearch(16, "C:\\LOGS\\A.LOG");
  EXPECT_EQ(errorOf([&] { dialogs.openSearch(16, "x"); }), err::kAlreadyOpen);
  EXPECT_EQ(errorOf([&] { dialogs.searchExhausted(16); }),
            err::kIllegalArgument);
  dialogs.nextMatch(16);
  ASSERT_FALSE(dialogs.searchExhausted(16));
  EXPECT_EQ(dialogs.matchInfo(16, 0), ByteString("A.LOG"));
  EXPECT_EQ(dialogs.matchInfo(16, 1), ByteString("5"));
  EXPECT_EQ(dialogs.matchInfo(16, 2), ByteString("96/12/31"));
  EXPECT_EQ(dialogs.matchInfo(16, 3), ByteString("23:59:05"));
  EXPECT_EQ(dialogs.matchInfo(16, 4), ByteString("-RA"));
  EXPECT_EQ(errorOf([&] { dialogs.matchInfo(16, 5); }), err::kIllegalArgument);
  dialogs.nextMatch(16);
  EXPECT_TRUE(dialogs.searchExhausted(16));
  EXPECT_EQ(errorOf([&] { dialogs.nextMatch(16); }), err::kInputPastEnd);
  dialogs.closeSearch(16);
  EXPECT_EQ(errorOf([&] { dialogs.closeSearch(0); }), err::kBadChannel);

  // A freed slot can be used again; a pattern walks every match.
  dialogs.openSearch(16, "C:\\LOGS\\*.LOG");
  int found = 0;
  for (dialogs.nextMatch(16); !dialogs.searchExhausted(16);
       dialogs.nextMatch(16)) {
    ++found;
  }
  EXPECT_EQ(found, 2);
  dialogs.closeSearch(16);

  dialogs.openSearch(2, "C:\\LOGS\\NONE.LOG");
  dialogs.nextMatch(2);
  EXPECT_TRUE(dialogs.searchExhausted(2));
  dialogs.closeSearch(2);
}

}  // namespace
}  // namespace tess
