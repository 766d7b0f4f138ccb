// The whole program over an in-memory file system and a scripted front end:
// the banner, the dialogs, one run after another, append and overwrite,
// rejected names, cancels and the no-message box.
#include "shell/program.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/program_test_fixture.h"

namespace tess {
namespace {

using testing::countOf;
using testing::FakeFileSystem;
using testing::FakeFrontEnd;
using testing::kEof;
using testing::logWith;
using testing::padded;
using testing::ProgramTest;
using testing::runProgram;
using testing::sjis;
using testing::trimmed;

TEST_F(ProgramTest, BannerLandsInItsCells) {
  ui.cancelDialog();
  EXPECT_EQ(run(), 0);
  const auto& rows = ui.completedRows();
  ASSERT_GE(rows.size(), 8u);
  const std::string stars(54, '*');
  EXPECT_EQ(rows[0], padded(std::string(10, ' ') + stars));
  EXPECT_EQ(rows[1], padded(""));
  EXPECT_EQ(rows[2],
            padded(std::string(20, ' ') + sjis("nifty log →　Kanbelテキスト")));
  EXPECT_EQ(rows[3], padded(std::string(26, ' ') + "(tessarine)     "));
  EXPECT_EQ(rows[4],
            padded(std::string(21, ' ') + "ver 0.20 mavel     1997.08.20"));
  EXPECT_EQ(rows[5], rows[0]);
  EXPECT_EQ(rows[6], padded(""));
  EXPECT_EQ(rows[7], padded(""));
  // The banner is on screen when the open dialog asks.
  ASSERT_EQ(ui.screensAtDialogs().size(), 1u);
  EXPECT_EQ(ui.screensAtDialogs()[0].substr(0, 66),
            std::string(10, ' ') + stars + "\r\n");
  EXPECT_EQ(ui.windowTitle(), "tessarine");
  EXPECT_EQ(ui.closeWindowCalls(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 0);
}

TEST_F(ProgramTest, FirstRunAsksForTheLogAndTheOutputAndWritesANewFile) {
  answerOneRun();
  EXPECT_EQ(run(), 0);

  ASSERT_EQ(ui.dialogs().size(), 3u);
  const auto& open = ui.dialogs()[0];
  EXPECT_FALSE(open.save);
  EXPECT_EQ(open.title, sjis("niftyログのファイル指定(キャンセルで終了）"));
  EXPECT_EQ(open.fileName, "19*.*");
  EXPECT_EQ(open.initialFolder, "/");
  EXPECT_TRUE(open.fileMustExist);
  ASSERT_EQ(open.filters.size(), 4u);
  EXPECT_EQ(open.filters[0].display, sjis("nifty log用(19*.*)"));
  EXPECT_EQ(open.filters[2].pattern, "*.LOG");
  EXPECT_EQ(open.filters[3].display, sjis("すべてのファイル(*.*)"));
  const auto& save = ui.dialogs()[1];
  EXPECT_TRUE(save.save);
  EXPECT_EQ(save.title,
            sjis("保存するKanbelテキストファイル名　（同じなら上書き）"));
  EXPECT_EQ(save.fileName, "kanbel.ren");
  EXPECT_FALSE(save.overwritePrompt);
  ASSERT_EQ(save.filters.size(), 1u);
  EXPECT_EQ(save.filters[0].pattern, "*.ren");
  // The next run's open dialog starts in the previous log's folder.
  EXPECT_EQ(ui.dialogs()[2].initialFolder, "/logs");

  const std::string out = file("/out/kanbel.ren");
  EXPECT_EQ(countOf(out, "#E\r\n"), 2u);
  EXPECT_NE(out.find("body 2.2 of a message"), std::string::npos);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back(), kEof);
  EXPECT_EQ(countOf(out, std::string(1, kEof)), 1u);
  EXPECT_TRUE(fs.openHandles().empty());

  EXPECT_NE(rowIndex("/logs/19961231.log" +
                     sjis(" に含まれる発言をKanbelテキスト化します")),
            std::string::npos);
  EXPECT_NE(rowIndex("/out/kanbel.ren" + sjis("　に保存します。")),
            std::string::npos);
}

TEST_F(ProgramTest, SamePathAppendsOtherPathsStartAnew) {
  answerOneRun();
  // Leading blanks (half- and full-width) go and ".ren" is added, so this
  // names the previous file.
  ui.answerDialog("/logs/19970101.log");
  ui.answerDialog(" " + sjis("　") + "/out/kanbel");
  ui.answerDialog("/logs/19961231.log");
  ui.answerDialog("/out/other");
  EXPECT_EQ(run(), 0);

  ASSERT_EQ(ui.dialogs().size(), 7u);
  const auto& later = ui.dialogs()[3];
  EXPECT_EQ(later.title,
            sjis("保存するKanbelテキストファイル名　(前と同じなら追加)"));
  EXPECT_EQ(later.fileName, "kanbel.ren");
  EXPECT_EQ(later.initialFolder, "/out");
  EXPECT_EQ(ui.dialogs()[5].fileName, "kanbel.ren");
  EXPECT_EQ(ui.dialogs()[6].initialFolder, "/logs");

  const std::string appended = file("/out/kanbel.ren");
  EXPECT_EQ(countOf(appended, "#E\r\n"), 5u);
  EXPECT_EQ(countOf(appended, std::string(1, kEof)), 1u);
  EXPECT_EQ(appended.back(), kEof);
  const std::string other = file("/out/other.ren");
  EXPECT_EQ(countOf(other, "#E\r\n"), 2u);
  EXPECT_EQ(other.back(), kEof);
}

TEST_F(ProgramTest, ExistingFileUnderANewNameIsOverwritten) {
  fs.setFile("/out/kanbel.ren", "OLD CONTENT\r\n\x1A");
  answerOneRun();
  EXPECT_EQ(run(), 0);
  const std::string out = file("/out/kanbel.ren");
  EXPECT_EQ(out.find("OLD CONTENT"), std::string::npos);
  EXPECT_EQ(countOf(out, "#E\r\n"), 2u);
  EXPECT_EQ(countOf(out, std::string(1, kEof)), 1u);
  EXPECT_EQ(ui.waitForKeyCalls(), 0);
}

TEST_F(ProgramTest, UnusableNameAsksAgainWithTheFirstDialog) {
  ui.answerDialog("/logs/19961231.log");
  ui.answerDialog("/out/a.ren");
  ui.answerDialog("/logs/19970101.log");
  ui.answerDialog("/missing/b.ren");
  ui.answerDialog("/out/c.ren");
  EXPECT_EQ(run(), 0);

  ASSERT_EQ(ui.dialogs().size(), 6u);
  const auto& again = ui.dialogs()[4];
  EXPECT_TRUE(again.save);
  EXPECT_EQ(again.title,
            sjis("保存するKanbelテキストファイル名　（同じなら上書き）"));
  EXPECT_EQ(again.fileName, "kanbel.ren");

  const size_t first = rowIndex(sjis("ファイルの記述に間違いがあります。"));
  ASSERT_NE(first, std::string::npos);
  const auto& rows = ui.completedRows();
  ASSERT_GT(rows.size(), first + 3);
  EXPECT_EQ(trimmed(rows[first - 1]), "");
  EXPECT_EQ(trimmed(rows[first + 1]),
            sjis("パスやファイル名をチェックしてください。"));
  EXPECT_EQ(trimmed(rows[first + 2]),
            sjis("ファイル名かフォルダが正しくありません"));
  EXPECT_EQ(trimmed(rows[first + 3]), "");

  EXPECT_FALSE(fs.hasFile("/missing/b.ren"));
  EXPECT_EQ(countOf(file("/out/c.ren"), "#E\r\n"), 3u);
  EXPECT_EQ(countOf(file("/out/a.ren"), "#E\r\n"), 2u);
}

TEST_F(ProgramTest, CancelInEitherDialogEndsWithExitCodeZero) {
  {
    ui.cancelDialog();
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(ui.dialogs().size(), 1u);
  }
  FakeFrontEnd saveCancelled;
  saveCancelled.answerDialog("/logs/19961231.log");
  saveCancelled.cancelDialog();
  EXPECT_EQ(runProgram(fs, saveCancelled), 0);
  EXPECT_EQ(saveCancelled.dialogs().size(), 2u);
  EXPECT_EQ(saveCancelled.closeWindowCalls(), 1);
  EXPECT_EQ(saveCancelled.waitForKeyCalls(), 0);
  EXPECT_TRUE(fs.openHandles().empty());  // the log was closed
  EXPECT_FALSE(fs.hasFile("/out/kanbel.ren"));
}

TEST_F(ProgramTest, LogWithoutMessagesShowsTheBox) {
  fs.setFile("/logs/empty.log", "hello\r\nworld\r\nbye\r\n");
  answerOneRun("/logs/empty.log");
  EXPECT_EQ(run(), 0);
  ASSERT_EQ(ui.messageBoxes().size(), 1u);
  EXPECT_EQ(ui.messageBoxes()[0].caption, sjis("トラブル発生"));
  EXPECT_EQ(ui.messageBoxes()[0].text,
            "/logs/empty.log" + sjis("に発言はありませんでした"));
  EXPECT_EQ(ui.messageBoxes()[0].style,
            (ui::BoxStyle{ui::BoxButtons::Ok, ui::BoxIcon::Information}));
  EXPECT_EQ(file("/out/kanbel.ren"), std::string(1, kEof));
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST_F(ProgramTest, ConferenceLinesAndTheCounterRow) {
  fs.setFile("/logs/conf.log", logWith(1, false));
  answerOneRun("/logs/conf.log");
  EXPECT_EQ(run(), 0);
  const size_t saved = rowIndex("/out/kanbel.ren" + sjis("　に保存します。"));
  ASSERT_NE(saved, std::string::npos);
  const auto& rows = ui.completedRows();
  ASSERT_GT(rows.size(), saved + 3);
  EXPECT_EQ(rows[saved + 1], padded(std::string(10, ' ') + " 3"));
  EXPECT_EQ(rows[saved + 2], padded(std::string(20, ' ') + sjis("無修正")));
  // The count stays on its row; the next banner's first line continues it
  // at column 10.
  EXPECT_EQ(rows[saved + 3],
            padded(" 1" + std::string(8, ' ') + std::string(54, '*')));
}

TEST(ProgramWindows, NameWrittenDifferentlyOverwritesThePreviousOutput) {
  FakeFileSystem fs(FakeFileSystem::Style::Windows);
  fs.setFile("C:\\LOGS\\19961231.LOG", logWith(2));
  fs.setFile("C:\\LOGS\\19970101.LOG", logWith(3));
  fs.addDirectory("C:\\OUT");
  FakeFrontEnd ui;
  ui.answerDialog("C:\\LOGS\\19961231.LOG");
  ui.answerDialog("C:\\OUT\\kanbel.ren");
  ui.answerDialog("C:\\LOGS\\19970101.LOG");
  ui.answerDialog("C:\\OUT\\KANBEL.REN");
  Program program(fs, ui, {"C:\\PROG\\TESSARINE.EXE", 1});
  EXPECT_EQ(program.run(), 0);
  EXPECT_EQ(ui.windowTitle(), "TESSARINE");
  ASSERT_EQ(ui.dialogs().size(), 5u);
  EXPECT_EQ(ui.dialogs()[2].initialFolder, "C:\\LOGS");
  EXPECT_EQ(ui.dialogs()[3].initialFolder, "C:\\OUT");
  EXPECT_EQ(ui.dialogs()[3].fileName, "kanbel.ren");
  // Same file for the file system, but another name: written anew.
  const std::string out = fs.fileBytes("C:\\OUT\\kanbel.ren").value_or("");
  EXPECT_EQ(countOf(out, "#E\r\n"), 3u);
  EXPECT_EQ(countOf(out, std::string(1, kEof)), 1u);
}

TEST(ProgramWindows, TitleComesFromTheExecutableName) {
  FakeFileSystem fs(FakeFileSystem::Style::Windows);
  FakeFrontEnd ui;
  Program program(fs, ui, {"C:\\PROG\\\x95\x5C.EXE", 1});
  EXPECT_EQ(program.run(), 0);
  // 表 ends in the byte of "\", which is not a separator there.
  EXPECT_EQ(ui.windowTitle(), "\x95\x5C");
}

TEST_F(ProgramTest, ExistingOutputIsRewrittenInPlaceNeverDeleted) {
  fs.setFile("/out/kanbel.ren", "OLD CONTENT\r\n\x1A");
  answerOneRun();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(fs.removals(), 0);
  ASSERT_FALSE(fs.opens().empty());
  const auto& output = fs.opens()[1];
  EXPECT_TRUE(output.replacing);
  EXPECT_EQ(output.share, platform::Share::DenyWrite);
  EXPECT_EQ(countOf(file("/out/kanbel.ren"), "#E\r\n"), 2u);
}

TEST_F(ProgramTest, LogThatIsNotAnOrdinaryFileAsksAgain) {
  fs.setSpecial("/logs/pipe.log", platform::FileKind::Fifo);
  fs.setSpecial("/logs/tty", platform::FileKind::Device);
  ui.answerDialog("/logs/pipe.log");
  ui.answerDialog("/logs/tty");
  answerOneRun();
  EXPECT_EQ(run(), 0);
  ASSERT_EQ(ui.dialogs().size(), 5u);
  EXPECT_FALSE(ui.dialogs()[1].save);
  EXPECT_FALSE(ui.dialogs()[2].save);
  EXPECT_TRUE(ui.messageBoxes().empty());  // not "no messages"
  EXPECT_NE(
      rowIndex("/logs/pipe.log" +
               sjis(" は名前付きパイプで、通常のファイルではありません。")),
      std::string::npos);
  EXPECT_NE(rowIndex("/logs/tty" +
                     sjis(" はデバイスで、通常のファイルではありません。")),
            std::string::npos);
  EXPECT_EQ(countOf(file("/out/kanbel.ren"), "#E\r\n"), 2u);
}

TEST_F(ProgramTest, LongestNameWithTheExtensionIsOfferedNextRun) {
  // A path of the platform's longest with ".ren" (far beyond the 127 bytes
  // of the old dialog buffer), in folders of 200 bytes each, is written and
  // offered by the next run's dialog.
  const size_t limit = platform::kPlatformMaxPathBytes;
  std::string folder = "/out";
  while (folder.size() + 201 + 100 < limit) {
    folder += "/" + std::string(200, 'd');
    fs.addDirectory(folder);
  }
  const std::string stem(limit - folder.size() - 1 - 4, 'n');
  const std::string name = folder + "/" + stem;
  ui.answerDialog("/logs/19961231.log");
  ui.answerDialog(name);
  ui.answerDialog("/logs/19970101.log");
  ui.answerDialog(name + ".ren");
  EXPECT_EQ(run(), 0);
  ASSERT_EQ(ui.dialogs().size(), 5u);
  EXPECT_EQ(ui.dialogs()[3].fileName, stem + ".ren");
  EXPECT_EQ(countOf(file(name + ".ren"), "#E\r\n"), 5u);
}

}  // namespace
}  // namespace tess
