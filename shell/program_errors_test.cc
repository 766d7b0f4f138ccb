// The whole program over an in-memory file system and a scripted front end
// when things go wrong: reported errors, logs and outputs that cannot be
// used, a break, a signal, a closed window and a window that cannot open.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/program.h"
#include "shell/program_test_fixture.h"

namespace tess {
namespace {

using testing::breakRequest;
using testing::countOf;
using testing::endsWith;
using testing::FakeFileSystem;
using testing::FakeFrontEnd;
using testing::kEof;
using testing::logWith;
using testing::ProgramTest;
using testing::runProgram;
using testing::sjis;
using testing::trimmed;
using testing::windowClosed;

TEST_F(ProgramTest, UnhandledErrorIsReportedAndEndsWithExitCodeOne) {
  fs.failOpensOf("/logs/19961231.log", 27);
  ui.answerDialog("/logs/19961231.log");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  EXPECT_EQ(ui.closeWindowCalls(), 1);
  const std::string report = rowFromEnd(3);
  EXPECT_EQ(report.rfind("Tessarine.cc [", 0), 0u) << report;
  EXPECT_TRUE(endsWith(report, sjis("行]:エラー[27]"))) << report;
  // The line below says what the number means.
  EXPECT_EQ(rowFromEnd(2), sjis("システムエラーです"));
  EXPECT_EQ(rowFromEnd(1), sjis("任意のキーを押してください"));
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
      EXPECT_EQ(runProgram(files, front), script ? 1 : 0);
      ASSERT_EQ(front.refusals().size(), 1u);
      EXPECT_EQ(front.refusals()[0].first, "/logs/bad.log");
      EXPECT_EQ(front.refusals()[0].second, sjis(c.reason));
      EXPECT_EQ(front.waitForKeyCalls(), 0);
      EXPECT_EQ(files.hasFile("/logs/out.ren"), !script);
    }
  }
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
      EXPECT_EQ(runProgram(files, script), 1);
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
    EXPECT_EQ(runProgram(files, front), 0);
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

TEST_F(ProgramTest, WriteFailureDuringConversionIsReportedAndOutputClosed) {
  // Several buffers' worth of records: the first disk write succeeds, the
  // second finds the disk full; the end-of-file mark still fits.
  fs.setFile("/logs/big.log", logWith(400, true, 3));
  fs.failWritesAfter(65536 + 100, 67);
  answerOneRun("/logs/big.log");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  EXPECT_TRUE(endsWith(rowFromEnd(3), sjis("]:エラー[67]"))) << rowFromEnd(3);
  EXPECT_EQ(rowFromEnd(2), sjis("ディスクがいっぱいです"));
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
  answerBigRun(6, breakRequest());
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.pumpCalls(), 6);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  const std::string report = rowFromEnd(2);
  EXPECT_EQ(report.rfind(sjis("中断しました Tessarine.cc["), 0), 0u) << report;
  EXPECT_TRUE(endsWith(report, sjis("行]"))) << report;
  EXPECT_EQ(rowFromEnd(1), sjis("任意のキーを押してください"));
  const std::string out = file("/out/kanbel.ren");
  EXPECT_EQ(out.back(), kEof);
  EXPECT_LT(countOf(out, "#E\r\n"), 400u);
  EXPECT_TRUE(fs.openHandles().empty());
}

TEST_F(ProgramTest, BreakWhileTheLastDialogWaitedEndsAsABreak) {
  // The open dialog is cancelled because a break came while it waited; the
  // pump after it (call 2) brings the request.
  ui.setPumpEvents(2, breakRequest());
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  EXPECT_EQ(rowFromEnd(2).rfind(sjis("中断しました"), 0), 0u) << rowFromEnd(2);
}

TEST_F(ProgramTest, EndedBySignalExitsWith128PlusItsNumber) {
  answerBigRun(6, windowClosed());
  ui.setEndSignal(15);
  EXPECT_EQ(run(), 143);
  const std::string out = file("/out/kanbel.ren");
  EXPECT_EQ(countOf(out, std::string(1, kEof)), 1u);
  EXPECT_EQ(out.back(), kEof);
}

TEST_F(ProgramTest, ClosingTheWindowEndsTheRunQuietly) {
  // Some records into the conversion.
  answerBigRun(8, windowClosed());
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
  answerBigRun(6, windowClosed());
  ui.onPump([&](int call) {
    if (call == 6) fs.failWritesAfter(0, 67);
  });
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 0);
  ASSERT_EQ(ui.failureBoxes().size(), 1u);
  EXPECT_EQ(ui.failureBoxes()[0].caption, "tessarine.EXE");
  EXPECT_EQ(ui.failureBoxes()[0].style,
            (ui::BoxStyle{ui::BoxButtons::Ok, ui::BoxIcon::Exclamation, true}));
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
  answerOneRun("/logs/big.log");
  ui.onPump([&](int call) {
    if (call == 6) {
      fs.failNextRead(71);
      fs.failWritesAfter(0, 67);
    }
  });
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(ui.waitForKeyCalls(), 1);
  EXPECT_TRUE(endsWith(rowFromEnd(3), sjis("]:エラー[67]"))) << rowFromEnd(3);
}

TEST_F(ProgramTest, WindowThatCannotOpenGivesTheStartUpBox) {
  ui.failOpenWindow();
  EXPECT_EQ(run("/opt/bin/Tess.arine.exe"), 0);
  EXPECT_EQ(ui.windowTitle(), "Tess");
  ASSERT_EQ(ui.failureBoxes().size(), 1u);
  EXPECT_EQ(ui.failureBoxes()[0].caption, "Tess.EXE");
  EXPECT_EQ(ui.failureBoxes()[0].text, sjis("ウィンドウをオープンできません"));
  EXPECT_EQ(ui.failureBoxes()[0].style,
            (ui::BoxStyle{ui::BoxButtons::Ok, ui::BoxIcon::Stop}));
  EXPECT_TRUE(ui.dialogs().empty());
  EXPECT_EQ(ui.pumpCalls(), 0);
}

}  // namespace
}  // namespace tess
