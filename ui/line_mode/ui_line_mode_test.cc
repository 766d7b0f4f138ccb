// Line mode: rows to the output in the locale's charset, dialogs answered
// from input lines under the must-exist rules, boxes printed, signals as the
// break request and the end of the session.
#include "ui/line_mode/ui_line_mode.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "tests/support/fake_file_system.h"
#include "tests/support/sjis.h"

namespace tess::ui {
namespace {

using tess::testing::FakeFileSystem;
using tess::testing::sjis;

const std::string kHelp =
    "（空行: [ ] 内の名前を使う　入力の終わり (Ctrl-D): 終了）\n";

class FakeSignals : public SignalSource {
 public:
  bool takeBreakRequest() override {
    bool was = breakPending;
    breakPending = false;
    return was;
  }
  bool quitRequested() override { return quit; }
  bool breakPending = false;
  bool quit = false;
};

class FakeHost : public WindowHost {
 public:
  FakeHost() : cells_(80 * 24, ' ') {}
  void setRow(int row, const std::string& bytes) {
    cells_.replace(static_cast<size_t>(row) * 80, bytes.size(), bytes);
  }
  CellView cells() const override {
    CellView view;
    view.cells = reinterpret_cast<const unsigned char*>(cells_.data());
    view.cursorRow = cursorRow;
    return view;
  }
  std::string clipboardText() const override { return {}; }
  int cursorRow = 0;

 private:
  std::string cells_;
};

class LineModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    fs.setFile("/logs/1996.log", "log");
    fs.addDirectory("/out");
    fs.addDirectory("/logs/sub");
    fs.changeDirectory("/out");
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }

  // Runs one dialog with the given input lines, as from a script or at a
  // terminal.
  std::optional<std::string> dialog(const FileDialogRequest& request,
                                    const std::string& lines,
                                    bool script = true) {
    input.str(lines);
    input.clear();
    LineModeFrontEnd ui(fs, in, out, err, signals);
    ui.setScript(script);
    return ui.fileDialog(request);
  }

  static FileDialogRequest openRequest() {
    FileDialogRequest r;
    r.title = sjis("ログのファイル指定");
    r.initialFolder = "/logs";
    r.fileName = "19*.*";
    r.fileMustExist = true;
    r.pathMustExist = true;
    return r;
  }

  static FileDialogRequest saveRequest() {
    FileDialogRequest r;
    r.save = true;
    r.title = sjis("保存");
    r.fileName = "kanbel.ren";
    r.pathMustExist = true;
    return r;
  }

  FakeFileSystem fs;
  FakeSignals signals;
  std::istringstream input;
  StreamLineInput in{input};
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(LineModeTest, RowsGoOutConvertedWithoutTrailingBlanks) {
  LineModeFrontEnd ui(fs, in, out, err, signals);
  FakeHost host;
  ASSERT_TRUE(ui.openWindow("tessarine", &host));
  std::string row = sjis("\tnifty log →　Kanbelテキスト");
  row.resize(80, ' ');
  ui.rowCompleted(row);
  ui.rowCompleted(std::string(80, ' '));
  // Rows wait in the buffer until a prompt, a report or the end.
  EXPECT_EQ(out.str(), "");
  ui.closeWindow();
  EXPECT_EQ(out.str(), "?nifty log → 　Kanbelテキスト\n\n");
}

TEST_F(LineModeTest, RowsGoOutBeforeEachPromptAndEachReport) {
  LineModeFrontEnd ui(fs, in, out, err, signals);
  FakeHost host;
  ui.openWindow("t", &host);
  ui.rowCompleted("row 1");
  ui.waitForKey();  // the report's wait
  EXPECT_EQ(out.str(), "row 1\n");
  ui.rowCompleted("row 2");
  ui.setScript(false);
  EXPECT_EQ(ui.fileDialog(saveRequest()), std::nullopt);
  EXPECT_EQ(out.str(), "row 1\nrow 2\n" + kHelp + "保存 [kanbel.ren]: ");
}

TEST_F(LineModeTest, ControlBytesNeverReachTheOutput) {
  input.str("/out/\x1b]0;T\a.ren\n");
  LineModeFrontEnd ui(fs, in, out, err, signals);
  FakeHost host;
  ui.openWindow("t", &host);
  ui.rowCompleted("/x\x1b[2J.log\x9b");
  FileDialogRequest request = saveRequest();
  request.fileName = "a\x1b[31m.ren";
  ASSERT_EQ(ui.fileDialog(request), "/out/\x1b]0;T\a.ren");
  ui.messageBox("c\x07", "t\x1b", {});
  ui.failureBox("c\x1b", "t", {BoxButtons::Ok, BoxIcon::Stop});
  ui.closeWindow();
  for (const std::string& text : {out.str(), err.str()}) {
    for (char c : text) {
      EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20)
          << "in [" << text << "]";
    }
  }
  EXPECT_NE(out.str().find("/out/?]0;T?.ren"), std::string::npos);
}

TEST_F(LineModeTest, NoEchoWhenTheTerminalShowedTheAnswer) {
  input.str("/logs/1996.log\n");
  LineModeFrontEnd ui(fs, in, out, err, signals);
  ui.setScript(false);
  EXPECT_EQ(ui.fileDialog(openRequest()), "/logs/1996.log");
  EXPECT_EQ(out.str(), kHelp + "ログのファイル指定 [/logs/19*.*]: ");
}

TEST_F(LineModeTest, TypedNamesAreConvertedToShiftJis) {
  fs.setFile(sjis("/logs/日本語.log"), "log");
  EXPECT_EQ(dialog(openRequest(), "../logs/日本語.log\n"),
            sjis("/logs/日本語.log"));
  // A name Shift-JIS cannot hold is refused, and asked for again at a
  // terminal.
  EXPECT_EQ(dialog(saveRequest(), "\xF0\x9F\x98\x80.ren\nb.ren\n", false),
            "/out/b.ren");
  EXPECT_NE(out.str().find("この名前は使えません: \xF0\x9F\x98\x80.ren"),
            std::string::npos);
}

// Input that ends because a break request came while it waited.
class InterruptedInput : public LineInput {
 public:
  std::optional<std::string> readLine() override { return std::nullopt; }
  bool interrupted() const override { return true; }
};

TEST_F(LineModeTest, BreakAtAPromptCancelsAndIsReportedByThePump) {
  InterruptedInput interrupted;
  LineModeFrontEnd ui(fs, interrupted, out, err, signals);
  EXPECT_EQ(ui.fileDialog(saveRequest()), std::nullopt);
  EXPECT_TRUE(ui.pump().breakRequested);
  EXPECT_FALSE(ui.pump().breakRequested);
}

TEST_F(LineModeTest, ClosingWritesTheCurrentRowUnlessBlank) {
  FakeHost host;
  host.setRow(3, "   12");
  host.cursorRow = 3;
  {
    LineModeFrontEnd ui(fs, in, out, err, signals);
    ui.openWindow("t", &host);
    ui.closeWindow();
    ui.closeWindow();  // a second close writes nothing more
  }
  EXPECT_EQ(out.str(), "   12\n");
  out.str("");
  host.cursorRow = 4;
  LineModeFrontEnd ui(fs, in, out, err, signals);
  ui.openWindow("t", &host);
  ui.closeWindow();
  EXPECT_EQ(out.str(), "");
}

TEST_F(LineModeTest, EndOfInputCancelsAfterThePrompt) {
  EXPECT_EQ(dialog(openRequest(), ""), std::nullopt);
  // The first prompt says what an empty line and the end of input do.
  EXPECT_EQ(out.str(), kHelp + "ログのファイル指定 [/logs/19*.*]: \n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(LineModeTest, NamesAreTakenFromTheStartFolderWhateverTheDialogShows) {
  fs.setFile("/out/a.log", "log");
  // The dialog shows /logs; the program was started in /out.
  EXPECT_EQ(dialog(openRequest(), "a.log\n"), "/out/a.log");
  EXPECT_EQ(out.str(), kHelp + "ログのファイル指定 [/logs/19*.*]: a.log\n");
  EXPECT_EQ(dialog(openRequest(), "../logs/1996.log\n"), "/logs/1996.log");
  EXPECT_EQ(dialog(saveRequest(), "new.ren\r\n"), "/out/new.ren");
  EXPECT_EQ(dialog(saveRequest(), "/logs/x.ren"), "/logs/x.ren");
  // The offered name is shown as it would be typed, and an empty answer
  // takes what it shows.
  fs.addDirectory("/out/sub");
  FileDialogRequest later = saveRequest();
  later.initialFolder = "/out/sub";
  later.fileName = "same.ren";
  out.str("");
  EXPECT_EQ(dialog(later, "\n"), "/out/sub/same.ren");
  EXPECT_NE(out.str().find("保存 [sub/same.ren]: \n"), std::string::npos);
  EXPECT_EQ(dialog(later, "same.ren\n"), "/out/same.ren");
}

TEST_F(LineModeTest, EmptyLineTakesTheOfferedName) {
  EXPECT_EQ(dialog(saveRequest(), "\n"), "/out/kanbel.ren");
  // An offered pattern chooses nothing: at a terminal its files are listed
  // under the prompt and the dialog asks again.
  fs.setFile("/logs/1997.log", "log");
  fs.setFile("/logs/other.txt", "x");
  EXPECT_EQ(dialog(openRequest(), "\n/logs/1996.log\n", false),
            "/logs/1996.log");
  EXPECT_NE(out.str().find("[/logs/19*.*]: "
                           "  /logs/1996.log\n  /logs/1997.log\n  "
                           "ワイルドカードではファイルを選べません"),
            std::string::npos)
      << out.str();
  EXPECT_EQ(out.str().find("other.txt"), std::string::npos);
}

// Lines of a script read from a file, as a pipe gives them.
class ScriptFile {
 public:
  explicit ScriptFile(const std::string& text) : file_(std::tmpfile()) {
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
    std::rewind(file_);
  }
  ~ScriptFile() { std::fclose(file_); }
  int fd() const { return fileno(file_); }

 private:
  std::FILE* file_;
};

TEST_F(LineModeTest, AScriptEndsAtItsFirstRefusedAnswerATerminalAsksAgain) {
  struct Case {
    const char* what;
    bool save;
    std::string first;   // the refused answer line
    std::string notice;  // in the transcript
    std::string error;   // the line on standard error
  };
  const Case cases[] = {
      {"missing log", false, "/logs/nothing.log",
       "  ファイルが見つかりません: /logs/nothing.log",
       "t: /logs/nothing.log: ファイルが見つかりません"},
      {"folder", false, "/logs/sub", "  /logs/sub はフォルダーです。",
       "t: /logs/sub: フォルダーです"},
      {"offered pattern", false, "",
       "  ワイルドカードではファイルを選べません。",
       "t: /logs/19*.*: ワイルドカードではファイルを選べません。"},
      {"typed pattern", false, "*.log",
       "  ワイルドカードではファイルを選べません。",
       "t: *.log: ワイルドカードではファイルを選べません。"},
      {"missing folder", true, "/missing/out.ren",
       "  フォルダーが見つかりません: /missing",
       "t: /missing/out.ren: フォルダーが見つかりません"},
      {"unusable name", true, "\xF0\x9F\x98\x80.ren",
       "  この名前は使えません: \xF0\x9F\x98\x80.ren",
       "t: \xF0\x9F\x98\x80.ren: この名前は使えません"},
      {"line too long", true, std::string(70000, 'a'),
       "  入力行が65536バイトを超えています",
       "t: 入力行が65536バイトを超えています"},
  };
  for (const Case& c : cases) {
    for (bool script : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (script ? " (script)" : ""));
      out.str("");
      err.str("");
      const std::string next = c.save ? "/out/b.ren" : "/logs/1996.log";
      ScriptFile lines(c.first + "\n" + next + "\nlater\n");
      FdLineInput fdInput(lines.fd(), signals);
      LineModeFrontEnd ui(fs, fdInput, out, err, signals);
      ui.openWindow("t", nullptr);
      ui.setScript(script);
      const std::optional<std::string> got =
          ui.fileDialog(c.save ? saveRequest() : openRequest());
      ui.closeWindow();
      EXPECT_NE(out.str().find(c.notice), std::string::npos) << out.str();
      if (script) {
        // Nothing more is read: no later answer lands on a wrong question.
        EXPECT_EQ(got, std::nullopt);
        EXPECT_TRUE(ui.sessionFailed());
        // One line that names the answer and the reason.
        EXPECT_EQ(err.str().rfind(c.error, 0), 0u) << err.str();
        EXPECT_EQ(err.str().find('\n'), err.str().size() - 1);
        EXPECT_EQ(fdInput.readLine(), next);
      } else {
        EXPECT_EQ(got, next);
        EXPECT_FALSE(ui.sessionFailed());
        EXPECT_EQ(err.str(), "");
        EXPECT_EQ(fdInput.readLine(), "later");
      }
    }
  }
}

TEST_F(LineModeTest, AScriptThatEndsAtASaveDialogFails) {
  for (bool save : {false, true}) {
    SCOPED_TRACE(save ? "save" : "open");
    err.str("");
    input.str("");
    input.clear();
    LineModeFrontEnd ui(fs, in, out, err, signals);
    ui.openWindow("t", nullptr);
    EXPECT_EQ(ui.fileDialog(save ? saveRequest() : openRequest()),
              std::nullopt);
    // The end of the input at the open dialog is the script's normal end.
    EXPECT_EQ(ui.sessionFailed(), save);
    EXPECT_EQ(
        err.str(),
        save ? "t: 保存するファイルを指定する前に入力が終わりました\n" : "");
  }
}

TEST_F(LineModeTest, MustExistRulesAskAgainAtATerminal) {
  EXPECT_EQ(dialog(openRequest(),
                   "/logs/nothing.log\n/logs/sub\n/logs/1996.log\n", false),
            "/logs/1996.log");
  const std::string shown = out.str();
  EXPECT_NE(shown.find("  ファイルが見つかりません: /logs/nothing.log\n"),
            std::string::npos);
  EXPECT_NE(shown.find("  /logs/sub はフォルダーです。"), std::string::npos);
}

TEST_F(LineModeTest, OverwritePromptNeedsAYes) {
  fs.setFile("/out/old.ren", "x");
  FileDialogRequest request = saveRequest();
  request.overwritePrompt = true;
  EXPECT_EQ(dialog(request, "old.ren\nn\nold.ren\ny\n", false), "/out/old.ren");
  EXPECT_EQ(dialog(request, "old.ren\n", false), std::nullopt);
}

TEST_F(LineModeTest, QuitBeforeADialogCancelsWithoutReading) {
  signals.quit = true;
  EXPECT_EQ(dialog(saveRequest(), "a.ren\n"), std::nullopt);
  EXPECT_EQ(out.str(), "");
}

TEST_F(LineModeTest, MessageBoxIsPrintedAndAnsweredWithItsFirstButton) {
  LineModeFrontEnd ui(fs, in, out, err, signals);
  EXPECT_EQ(ui.messageBox(sjis("トラブル発生"),
                          sjis("/a.logに発言はありませんでした"),
                          {BoxButtons::Ok, BoxIcon::Information}),
            BoxAnswer::Ok);
  EXPECT_EQ(out.str(), "[トラブル発生] /a.logに発言はありませんでした\n");
  out.str("");
  EXPECT_EQ(ui.messageBox("Q", "line 1\r\nline 2",
                          {BoxButtons::YesNo, BoxIcon::Question}),
            BoxAnswer::Yes);
  EXPECT_EQ(out.str(), "[Q] line 1\nline 2\n");
  ui.failureBox("TESSARINE.EXE", sjis("ウィンドウをオープンできません"),
                {BoxButtons::Ok, BoxIcon::Stop});
  EXPECT_EQ(err.str(), "TESSARINE.EXE: ウィンドウをオープンできません\n");
}

TEST_F(LineModeTest, PumpReportsSignals) {
  LineModeFrontEnd ui(fs, in, out, err, signals);
  PumpEvents none = ui.pump();
  EXPECT_FALSE(none.breakRequested);
  EXPECT_FALSE(none.quit);
  signals.breakPending = true;
  EXPECT_TRUE(ui.pump().breakRequested);
  EXPECT_FALSE(ui.pump().breakRequested);  // taken once
  signals.quit = true;
  EXPECT_TRUE(ui.pump().quit);
  EXPECT_TRUE(ui.pump().quit);
}

TEST(FdLineInputTest, ReadsLinesUpToTheEnd) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const char text[] = "first\r\nsecond\n\nlast";
  ASSERT_EQ(write(fds[1], text, std::strlen(text)),
            static_cast<ssize_t>(std::strlen(text)));
  close(fds[1]);
  FakeSignals signals;
  FdLineInput input(fds[0], signals);
  EXPECT_EQ(input.readLine(), "first");
  EXPECT_EQ(input.readLine(), "second");
  EXPECT_EQ(input.readLine(), "");
  EXPECT_EQ(input.readLine(), "last");
  EXPECT_EQ(input.readLine(), std::nullopt);
  EXPECT_EQ(input.readLine(), std::nullopt);
  close(fds[0]);
}

TEST(FdLineInputTest, ALineTooLongIsDroppedWithoutBeingHeld) {
  // Lines at the limit are taken; longer ones give an empty line and say
  // so, the lines after them come as they are.
  const std::string atLimit(LineInput::kMaxLineBytes, 'x');
  const std::string text = atLimit + "\r\n" + std::string(3'000'000, 'y') +
                           "\nnext\n" +
                           std::string(LineInput::kMaxLineBytes + 1, 'z');
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
  std::rewind(file);
  FakeSignals signals;
  FdLineInput input(fileno(file), signals);
  EXPECT_EQ(input.readLine(), atLimit);
  EXPECT_FALSE(input.lastLineTooLong());
  EXPECT_EQ(input.readLine(), "");
  EXPECT_TRUE(input.lastLineTooLong());
  EXPECT_EQ(input.readLine(), "next");
  EXPECT_FALSE(input.lastLineTooLong());
  EXPECT_EQ(input.readLine(), "");  // cut by the end of the input
  EXPECT_TRUE(input.lastLineTooLong());
  EXPECT_EQ(input.readLine(), std::nullopt);
  std::fclose(file);
}

TEST(FdLineInputTest, BreakEndsTheInputAndSaysSo) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  FakeSignals signals;
  signals.breakPending = true;
  FdLineInput input(fds[0], signals);
  EXPECT_FALSE(input.interrupted());
  EXPECT_EQ(input.readLine(), std::nullopt);  // does not block
  EXPECT_TRUE(input.interrupted());
  EXPECT_FALSE(signals.breakPending);  // the request was taken
  close(fds[0]);
  close(fds[1]);
}

TEST(FdLineInputTest, QuitEndsTheInputBeforeReading) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  FakeSignals signals;
  signals.quit = true;
  FdLineInput input(fds[0], signals);
  EXPECT_EQ(input.readLine(), std::nullopt);  // does not block
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
}  // namespace tess::ui
