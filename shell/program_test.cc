// The whole program over an in-memory file system and a scripted front end:
// one run after another, append and overwrite, rejected names, cancels, the
// no-message box, reported errors, a break and a closed window.
#include "shell/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_front_end.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using testing::FakeClock;
using testing::FakeFileSystem;
using testing::FakeFrontEnd;
using testing::sjis;

constexpr char kEof = '\x1A';

std::string padded(std::string text) {
  text.resize(80, ' ');
  return text;
}

std::string trimmed(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

size_t countOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

// A log with messages of conference 3; with a board line for that
// conference first unless boardLine is false.
std::string logWith(int messages, bool boardLine = true, int bodyLines = 2) {
  std::string log = "connected\r\n";
  if (boardLine) log += "- FOO  MES(03) Free talk -\r\n";
  for (int m = 1; m <= messages; ++m) {
    char header[80];
    std::snprintf(header, sizeof header,
                  "%05d/00456 XYZ00000  guest            RE: Hello", m);
    log += header;
    log += "\r\n";
    log += sjis("(03)   96/12/31 23:59  00120へのコメント") + "\r\n";
    for (int b = 1; b <= bodyLines; ++b) {
      log += "body " + std::to_string(m) + "." + std::to_string(b) +
             " of a message, long enough to fill some of the buffer\r\n";
    }
  }
  log += "END\r\n";
  return log;
}

struct ProgramTest : ::testing::Test {
  ProgramTest() {
    fs.setFile("/logs/19961231.log", logWith(2));
    fs.setFile("/logs/19970101.log", logWith(3));
    fs.addDirectory("/out");
  }

  int run(std::string executable = "/usr/bin/tessarine") {
    Program program(fs, ui, {executable, 1}, time.clock());
    return program.run();
  }

  std::string file(const std::string& name) {
    return fs.fileBytes(name).value_or("<missing>");
  }

  // Index of the first completed row equal to text (padded), from start.
  size_t rowIndex(const std::string& text, size_t start = 0) {
    const auto& rows = ui.completedRows();
    for (size_t i = start; i < rows.size(); ++i) {
      if (trimmed(rows[i]) == text) return i;
    }
    return std::string::npos;
  }

  FakeFileSystem fs;
  FakeFrontEnd ui;
  // Each statement start takes 1 ms: the window is pumped every 10
  // statements, whatever the speed of the machine.
  FakeClock time{1};
};

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

TEST_F(ProgramTest, FirstRunWritesANewFileWithTheDescribedDialogs) {
  ui.answerDialog("/logs/19961231.log");
  ui.answerDialog("/out/kanbel.ren");
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
  ui.answerDialog("/logs/19961231.log");
  ui.answerDialog("/out/kanbel.ren");
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
  ui.answerDialog("/logs/19961231.log");
  ui.answerDialog("/out/kanbel.ren");
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
  Program program(fs, saveCancelled, {"/usr/bin/tessarine", 1});
  EXPECT_EQ(program.run(), 0);
  EXPECT_EQ(saveCancelled.dialogs().size(), 2u);
  EXPECT_EQ(saveCancelled.closeWindowCalls(), 1);
  EXPECT_EQ(saveCancelled.waitForKeyCalls(), 0);
  EXPECT_TRUE(fs.openHandles().empty());  // the log was closed
  EXPECT_FALSE(fs.hasFile("/out/kanbel.ren"));
}

TEST_F(ProgramTest, LogWithoutMessagesShowsTheBox) {
  fs.setFile("/logs/empty.log", "hello\r\nworld\r\nbye\r\n");
  ui.answerDialog("/logs/empty.log");
  ui.answerDialog("/out/kanbel.ren");
  EXPECT_EQ(run(), 0);
  ASSERT_EQ(ui.messageBoxes().size(), 1u);
  EXPECT_EQ(ui.messageBoxes()[0].caption, sjis("トラブル発生"));
  EXPECT_EQ(ui.messageBoxes()[0].text,
            "/logs/empty.log" + sjis("に発言はありませんでした"));
  EXPECT_EQ(ui.messageBoxes()[0].style,
            (platform::BoxStyle{platform::BoxButtons::Ok,
                                platform::BoxIcon::Information}));
  EXPECT_EQ(file("/out/kanbel.ren"), std::string(1, kEof));
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST_F(ProgramTest, ConferenceLinesAndTheCounterRow) {
  fs.setFile("/logs/conf.log", logWith(1, false));
  ui.answerDialog("/logs/conf.log");
  ui.answerDialog("/out/kanbel.ren");
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

TEST_F(ProgramTest, UnhandledErrorIsReportedAndEndsWithExitCodeOne) {
  fs.failOpensOf("/logs/19961231.log", 27);
  ui.answerDialog("/logs/19961231.log");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  EXPECT_EQ(ui.closeWindowCalls(), 1);
  const auto& rows = ui.completedRows();
  ASSERT_GE(rows.size(), 3u);
  const std::string report = trimmed(rows[rows.size() - 3]);
  EXPECT_EQ(report.rfind("Tessarine.cc [", 0), 0u) << report;
  const std::string tail = sjis("行]:エラー[27]");
  ASSERT_GT(report.size(), tail.size());
  EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
  // The line below says what the number means.
  EXPECT_EQ(trimmed(rows[rows.size() - 2]), sjis("システムエラーです"));
  EXPECT_EQ(trimmed(rows.back()), sjis("任意のキーを押してください"));
}

TEST_F(ProgramTest, ALogThatCannotBeReadIsAskedForAgainOrEndsAScript) {
  struct Case {
    const char* what;
    int error;  // of every open of the log (0: the log is missing)
    const char* reason;
  };
  const Case cases[] = {
      {"missing", 0, "ファイルが見つかりません"},
      {"may not be read", 70, "アクセスが許可されていません"},
      {"a loop of links", 68, "シンボリックリンクがループしています"},
      {"a folder on the way", 69, "途中のフォルダーに入る権限がありません"},
  };
  for (const Case& c : cases) {
    for (bool script : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (script ? " (script)" : ""));
      FakeFileSystem files;
      files.setFile("/logs/19961231.log", logWith(2));
      if (c.error != 0) {
        files.setFile("/logs/bad.log", logWith(1));
        files.failOpensOf("/logs/bad.log", c.error);
      }
      FakeFrontEnd front;
      if (script) front.endSessionOnRefusal();
      front.answerDialog("/logs/bad.log");
      front.answerDialog("/logs/19961231.log");
      front.answerDialog("/logs/out.ren");
      Program program(files, front, {"/usr/bin/tessarine", 1});
      EXPECT_EQ(program.run(), script ? 1 : 0);
      ASSERT_EQ(front.refusals().size(), 1u);
      EXPECT_EQ(front.refusals()[0].first, "/logs/bad.log");
      EXPECT_EQ(front.refusals()[0].second, sjis(c.reason));
      EXPECT_EQ(front.waitForKeyCalls(), 0);
      EXPECT_EQ(files.hasFile("/logs/out.ren"), !script);
    }
  }
}

TEST_F(ProgramTest, WriteFailureDuringConversionIsReportedAndOutputClosed) {
  // Several buffers' worth of records: the first disk write succeeds, the
  // second finds the disk full; the end-of-file mark still fits.
  fs.setFile("/logs/big.log", logWith(400, true, 3));
  fs.failWritesAfter(65536 + 100, 67);
  ui.answerDialog("/logs/big.log");
  ui.answerDialog("/out/kanbel.ren");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  const auto& rows = ui.completedRows();
  ASSERT_GE(rows.size(), 3u);
  const std::string report = trimmed(rows[rows.size() - 3]);
  const std::string tail = sjis("]:エラー[67]");
  ASSERT_GT(report.size(), tail.size());
  EXPECT_EQ(report.substr(report.size() - tail.size()), tail) << report;
  EXPECT_EQ(trimmed(rows[rows.size() - 2]), sjis("ディスクがいっぱいです"));
  // No further dialog: the run ended at the failure.
  EXPECT_EQ(ui.dialogs().size(), 2u);
  // What reached the disk before the failure is kept and the file is
  // closed with its mark.
  const std::string out = file("/out/kanbel.ren");
  ASSERT_GT(out.size(), 32768u);
  EXPECT_LE(out.size(), 65536u + 1);
  EXPECT_EQ(out.rfind("#S\r\n", 0), 0u);
  EXPECT_EQ(out.back(), kEof);
  EXPECT_GT(countOf(out, "#E\r\n"), 0u);
  EXPECT_LT(countOf(out, "#E\r\n"), 400u);
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST_F(ProgramTest, BreakRequestIsReportedAndEndsWithExitCodeOne) {
  fs.setFile("/logs/big.log", logWith(400));
  ui.answerDialog("/logs/big.log");
  ui.answerDialog("/out/kanbel.ren");
  platform::PumpEvents events;
  events.breakRequested = true;
  ui.setPumpEvents(6, events);
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.pumpCalls(), 6);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  const auto& rows = ui.completedRows();
  ASSERT_GE(rows.size(), 2u);
  const std::string report = trimmed(rows[rows.size() - 2]);
  const std::string head = sjis("中断しました Tessarine.cc[");
  EXPECT_EQ(report.rfind(head, 0), 0u) << report;
  EXPECT_EQ(report.substr(report.size() - 3), sjis("行]"));
  EXPECT_EQ(trimmed(rows.back()), sjis("任意のキーを押してください"));
  const std::string out = file("/out/kanbel.ren");
  EXPECT_EQ(out.back(), kEof);
  EXPECT_LT(countOf(out, "#E\r\n"), 400u);
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST_F(ProgramTest, BreakWhileTheLastDialogWaitedEndsAsABreak) {
  // The open dialog is cancelled because a break came while it waited; the
  // pump after it (call 2) brings the request.
  platform::PumpEvents events;
  events.breakRequested = true;
  ui.setPumpEvents(2, events);
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  const auto& rows = ui.completedRows();
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(trimmed(rows[rows.size() - 2]).rfind(sjis("中断しました"), 0), 0u);
}

TEST_F(ProgramTest, EndedBySignalExitsWith128PlusItsNumber) {
  fs.setFile("/logs/big.log", logWith(400));
  ui.answerDialog("/logs/big.log");
  ui.answerDialog("/out/kanbel.ren");
  platform::PumpEvents events;
  events.quit = true;
  ui.setPumpEvents(6, events);
  ui.setEndSignal(15);
  EXPECT_EQ(run(), 143);
  const std::string out = file("/out/kanbel.ren");
  EXPECT_EQ(countOf(out, std::string(1, kEof)), 1u);
  EXPECT_EQ(out.back(), kEof);
}

TEST_F(ProgramTest, ClosingTheWindowEndsTheRunQuietly) {
  fs.setFile("/logs/big.log", logWith(400));
  ui.answerDialog("/logs/big.log");
  ui.answerDialog("/out/kanbel.ren");
  platform::PumpEvents events;
  events.quit = true;
  // Some records into the conversion.
  ui.setPumpEvents(8, events);
  // The session was cut: not the exit code of a finished one.
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.pumpCalls(), 8);
  EXPECT_EQ(ui.waitForKeyCalls(), 0);
  EXPECT_EQ(ui.closeWindowCalls(), 1);
  EXPECT_TRUE(ui.failureBoxes().empty());
  const std::string out = file("/out/kanbel.ren");
  EXPECT_GT(countOf(out, "#E\r\n"), 0u);
  EXPECT_LT(countOf(out, "#E\r\n"), 400u);
  EXPECT_EQ(out.back(), kEof);
  EXPECT_EQ(countOf(out, std::string(1, kEof)), 1u);
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST_F(ProgramTest, OutputThatCannotBeWrittenAtTheEndIsNotLostSilently) {
  // The window is closed while the records are still buffered, and the disk
  // refuses them: with the window gone, a box reports the failure.
  fs.setFile("/logs/big.log", logWith(400));
  ui.answerDialog("/logs/big.log");
  ui.answerDialog("/out/kanbel.ren");
  platform::PumpEvents events;
  events.quit = true;
  ui.setPumpEvents(6, events);
  ui.onPump([&](int call) {
    if (call == 6) fs.failWritesAfter(0, 67);
  });
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 0);
  ASSERT_EQ(ui.failureBoxes().size(), 1u);
  EXPECT_EQ(ui.failureBoxes()[0].caption, "tessarine.EXE");
  EXPECT_EQ(ui.failureBoxes()[0].style,
            (platform::BoxStyle{platform::BoxButtons::Ok,
                                platform::BoxIcon::Exclamation, true}));
  const std::string text = ui.failureBoxes()[0].text;
  EXPECT_EQ(text.rfind("\r\nTessarine.cc [", 0), 0u);
  EXPECT_NE(text.find(sjis("]:エラー[67]\nディスクがいっぱいです")),
            std::string::npos);
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST_F(ProgramTest, FailedFlushBeforeTheReportIsTheErrorReported) {
  // Three messages, then more skipped text than the read buffer holds: the
  // log's second read fails while the records are still buffered, and they
  // cannot be written out either.
  std::string log = logWith(3);
  log += sjis("◆次頁はありません◆") + "\r\n";
  for (int i = 0; i < 1000; ++i) log += std::string(98, 'j') + "\r\n";
  log += logWith(1);
  fs.setFile("/logs/big.log", log);
  ui.answerDialog("/logs/big.log");
  ui.answerDialog("/out/kanbel.ren");
  ui.onPump([&](int call) {
    if (call == 6) {
      fs.failNextRead(71);
      fs.failWritesAfter(0, 67);
    }
  });
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  const auto& rows = ui.completedRows();
  ASSERT_GE(rows.size(), 3u);
  const std::string report = trimmed(rows[rows.size() - 3]);
  const std::string tail = sjis("]:エラー[67]");
  ASSERT_GT(report.size(), tail.size());
  EXPECT_EQ(report.substr(report.size() - tail.size()), tail) << report;
}

TEST_F(ProgramTest, WindowThatCannotOpenGivesTheStartUpBox) {
  ui.failOpenWindow();
  EXPECT_EQ(run("/opt/bin/Tess.arine.exe"), 0);
  EXPECT_EQ(ui.windowTitle(), "Tess");
  ASSERT_EQ(ui.failureBoxes().size(), 1u);
  EXPECT_EQ(ui.failureBoxes()[0].caption, "Tess.EXE");
  EXPECT_EQ(ui.failureBoxes()[0].text, sjis("ウィンドウをオープンできません"));
  EXPECT_EQ(
      ui.failureBoxes()[0].style,
      (platform::BoxStyle{platform::BoxButtons::Ok, platform::BoxIcon::Stop}));
  EXPECT_TRUE(ui.dialogs().empty());
  EXPECT_EQ(ui.pumpCalls(), 0);
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

// An output the user can mend is asked for again: the two "wrong name"
// lines, a line saying why, and the first run's save dialog; the file at the
// path is left as it was and the next name is used.
TEST_F(ProgramTest, OutputErrorsAboutTheChosenFileAskAgain) {
  struct Case {
    const char* what;
    std::string answer;
    std::function<void(FakeFileSystem&)> prepare;
    std::string reason;  // UTF-8
  };
  // With ".ren" one byte longer than the platform's limit.
  const std::string longName =
      "/out/" + std::string(platform::kPlatformMaxPathBytes - 8, 'n');
  std::unique_ptr<platform::File> held;
  const std::vector<Case> cases = {
      {"the log being converted", "/logs/19961231.log", nullptr,
       "出力のファイルは変換するログと同じです。"},
      {"read-only file", "/out/ro.ren",
       [](FakeFileSystem& f) {
         f.setFile("/out/ro.ren", "KEEP");
         f.setReadOnly("/out/ro.ren");
       },
       "書き込みが許可されていないか、ほかのプログラムが使用中です"},
      {"held by another program", "/out/held.ren",
       [&](FakeFileSystem& f) {
         f.setFile("/out/held.ren", "KEEP");
         int error = 0;
         held = f.open("/out/held.ren", platform::Access::Write,
                       platform::Share::DenyWrite, false, &error);
       },
       "書き込みが許可されていないか、ほかのプログラムが使用中です"},
      {"FIFO", "/out/pipe.ren",
       [](FakeFileSystem& f) {
         f.setSpecial("/out/pipe.ren", platform::FileKind::Fifo);
       },
       "/out/pipe.ren は名前付きパイプで、通常のファイルではありません。"},
      {"device", "/out/null",
       [](FakeFileSystem& f) {
         f.setSpecial("/out/null.ren", platform::FileKind::Device);
       },
       "/out/null.ren はデバイスで、通常のファイルではありません。"},
      {"socket", "/out/sock.ren",
       [](FakeFileSystem& f) {
         f.setSpecial("/out/sock.ren", platform::FileKind::Socket);
       },
       "/out/sock.ren はソケットで、通常のファイルではありません。"},
      {"name too long with .ren", longName, nullptr,
       "ファイル名が長すぎます。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFileSystem files;
    files.setFile("/logs/19961231.log", logWith(2));
    files.addDirectory("/out");
    if (c.prepare) c.prepare(files);
    const auto before = files.allFiles();
    const std::string log = *files.fileBytes("/logs/19961231.log");
    // From a script the refused answer ends the session: the answer meant
    // for the next question is never taken for this one.
    {
      FakeFrontEnd script;
      script.endSessionOnRefusal();
      script.answerDialog("/logs/19961231.log");
      script.answerDialog(c.answer);
      script.answerDialog("/out/good.ren");
      Program program(files, script, {"/usr/bin/tessarine", 1});
      EXPECT_EQ(program.run(), 1);
      EXPECT_EQ(script.unusedAnswers(), 1u);
      ASSERT_EQ(script.refusals().size(), 1u);
      EXPECT_EQ(script.refusals()[0].second, sjis(c.reason));
      EXPECT_FALSE(files.hasFile("/out/good.ren"));
      EXPECT_EQ(files.allFiles(), before);
      EXPECT_EQ(files.openHandles().size(), held ? 1u : 0u);
    }
    FakeFrontEnd front;
    front.answerDialog("/logs/19961231.log");
    front.answerDialog(c.answer);
    front.answerDialog("/out/good.ren");
    Program program(files, front, {"/usr/bin/tessarine", 1});
    EXPECT_EQ(program.run(), 0);
    held.reset();

    ASSERT_EQ(front.dialogs().size(), 4u);
    EXPECT_EQ(front.dialogs()[2].fileName, "kanbel.ren");
    std::vector<std::string> rows;
    for (const std::string& row : front.completedRows()) {
      rows.push_back(trimmed(row));
    }
    auto first = std::find(rows.begin(), rows.end(),
                           sjis("ファイルの記述に間違いがあります。"));
    ASSERT_LT(first + 3, rows.end());
    EXPECT_EQ(first[1], sjis("パスやファイル名をチェックしてください。"));
    EXPECT_EQ(first[2], sjis(c.reason));
    EXPECT_EQ(first[3], "");
    EXPECT_EQ(front.waitForKeyCalls(), 0);
    EXPECT_EQ(countOf(files.fileBytes("/out/good.ren").value_or(""), "#E\r\n"),
              2u);
    // Nothing else was made, deleted or written.
    auto after = files.allFiles();
    after.erase(std::find(after.begin(), after.end(), "/out/good.ren"));
    EXPECT_EQ(after, before);
    EXPECT_EQ(files.fileBytes("/logs/19961231.log"), log);
    for (const char* kept : {"/out/ro.ren", "/out/held.ren"}) {
      if (files.hasFile(kept)) {
        EXPECT_EQ(files.fileBytes(kept), "KEEP");
      }
    }
    EXPECT_EQ(files.removals(), 0);
  }
}

TEST_F(ProgramTest, ExistingOutputIsRewrittenInPlaceNeverDeleted) {
  fs.setFile("/out/kanbel.ren", "OLD CONTENT\r\n\x1A");
  ui.answerDialog("/logs/19961231.log");
  ui.answerDialog("/out/kanbel.ren");
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
  ui.answerDialog("/logs/19961231.log");
  ui.answerDialog("/out/kanbel.ren");
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
