// The command line's arguments, the output name rules, and the driver's
// behaviour where the file system fails (which the program test cannot
// provoke): errors name the right file and leave the output closed.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command_driver.h"
#include "shell/command_test_host.h"
#include "shell/command_window.h"
#include "shell/program.h"
#include "shell/run_driver.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_front_end.h"

namespace tess {
namespace {

using testing::FakeFileSystem;
using testing::FakeFrontEnd;

TEST(CommandLineTest, ParsesOptionsAndLogs) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> logs;
    std::string output;
    bool append, quiet, verbose;
  };
  const Case cases[] = {
      {{"a"}, {"a"}, "kanbel.ren", false, false, false},
      {{"-o", "x", "a", "b"}, {"a", "b"}, "x", false, false, false},
      {{"-ox", "a"}, {"a"}, "x", false, false, false},
      {{"--output=x", "a"}, {"a"}, "x", false, false, false},
      {{"--output", "x", "a"}, {"a"}, "x", false, false, false},
      {{"-aqv", "a"}, {"a"}, "kanbel.ren", true, true, true},
      {{"-ao", "x", "a"}, {"a"}, "x", true, false, false},
      {{"a", "--append", "--quiet", "b"},
       {"a", "b"},
       "kanbel.ren",
       true,
       true,
       false},
      {{"--", "-a", "-"}, {"-a", "-"}, "kanbel.ren", false, false, false},
  };
  for (const Case& c : cases) {
    const CommandParse parse = parseCommandLine(c.args);
    SCOPED_TRACE(c.args[0]);
    EXPECT_FALSE(parse.error.has_value());
    EXPECT_EQ(parse.options.logs, c.logs);
    EXPECT_EQ(parse.options.output, c.output);
    EXPECT_EQ(parse.options.append, c.append);
    EXPECT_EQ(parse.options.quiet, c.quiet);
    EXPECT_EQ(parse.options.verbose, c.verbose);
  }
}

TEST(CommandLineTest, RefusesUnusableArguments) {
  struct Case {
    std::vector<std::string> args;
    Text error;
    std::string argument;
  };
  const Case cases[] = {
      {{}, Text::NoLogGiven, ""},
      {{"-a", "-q"}, Text::NoLogGiven, ""},
      {{"-o"}, Text::OptionNeedsName, "-o"},
      {{"a", "-o", ""}, Text::OptionNeedsName, "-o"},
      {{"--output=", "a"}, Text::OptionNeedsName, "--output"},
      {{"-y", "a"}, Text::UnknownOption, "-y"},
      {{"--append=1", "a"}, Text::UnknownOption, "--append=1"},
      {{"--out", "x", "a"}, Text::UnknownOption, "--out"},
  };
  for (const Case& c : cases) {
    const CommandParse parse = parseCommandLine(c.args);
    ASSERT_TRUE(parse.error.has_value());
    EXPECT_EQ(*parse.error, c.error);
    EXPECT_EQ(parse.errorArgument, c.argument);
  }
  EXPECT_FALSE(parseCommandLine({"--help"}).error.has_value());
  EXPECT_TRUE(parseCommandLine({"-h"}).options.help);
  EXPECT_TRUE(parseCommandLine({"--version"}).options.version);
}

// The save dialog's rule on the name part: ".ren" only when the name part
// has no "."; "./" and "../" change nothing of that.
TEST(CommandLineTest, OutputNamesFollowTheSaveDialogsRuleOnTheirNamePart) {
  FakeFileSystem posix;
  FakeFileSystem windows(FakeFileSystem::Style::Windows);
  struct Case {
    const platform::FileSystem& fs;
    bool sjis;
    std::string given, used;
  };
  const Case cases[] = {
      {posix, false, "out", "out.ren"},
      {posix, false, "out.txt", "out.txt"},
      {posix, false, "  out", "out.ren"},
      {posix, false, "\xE3\x80\x80out", "out.ren"},  // a full-width blank
      {posix, false, ".hidden", ".hidden"},
      {posix, false, "a.b/out", "a.b/out.ren"},  // a "." in a folder: no
      {posix, false, "./x.ren", "./x.ren"},
      {posix, false, "../d/x.ren", "../d/x.ren"},
      {posix, false, "./x", "./x.ren"},
      {posix, false, "x.ren", "x.ren"},
      // A UTF-8 name whose bytes would pair with "/" as Shift-JIS.
      {posix, false, "\xE3\x81\x82/x", "\xE3\x81\x82/x.ren"},
      {windows, true, "\x81\x40out", "out.ren"},
      {windows, true, "..\\d\\x.ren", "..\\d\\x.ren"},
      {windows, true, "C:x", "C:x.ren"},
      // 表 ends in the byte of "\": still one name part without ".".
      {windows, true, "d.d\\\x95\x5C", "d.d\\\x95\x5C.ren"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(normalizedOutputName(c.given, c.fs, c.sjis), c.used) << c.given;
    EXPECT_FALSE(outputNameFault(c.given, c.fs, c.sjis).has_value()) << c.given;
  }
  struct Fault {
    const platform::FileSystem& fs;
    bool sjis;
    std::string given;
    Text fault;
  };
  const Fault faults[] = {
      {posix, false, "out/", Text::OutputEndsInSeparator},
      {posix, false, "/", Text::OutputEndsInSeparator},
      {posix, false, "./", Text::OutputEndsInSeparator},
      {posix, false, " ", Text::OutputNameBlank},
      {posix, false, "d/ ", Text::OutputNameBlank},
      {posix, false, "d/\xE3\x80\x80", Text::OutputNameBlank},
      {windows, true, "d\\", Text::OutputEndsInSeparator},
      {windows, true, "C:", Text::OutputEndsInSeparator},
      {windows, true, "\x81\x40", Text::OutputNameBlank},
  };
  for (const Fault& c : faults) {
    const std::optional<Text> fault = outputNameFault(c.given, c.fs, c.sjis);
    ASSERT_TRUE(fault.has_value()) << c.given;
    EXPECT_EQ(*fault, c.fault) << c.given;
  }
}

using RecordingHost = testing::RecordingCommandHost;

constexpr const char* kLog =
    "- FOO  MES(03) Free talk -\r\n"
    "00001/00001 XYZ00001  guest            Title\r\n"
    "(03)   96/12/31 23:59  \r\n"
    "body\r\n";

TEST(CommandDriverTest, AFullDiskIsAnErrorAboutTheOutputWhichStaysClosed) {
  FakeFileSystem fs;
  fs.setFile("/a.log", kLog);
  fs.setFile("/b.log", kLog);
  RecordingHost host;
  CommandOptions options;
  options.logs = {"a.log", "b.log"};
  options.output = "out";
  // The disk fills up while the records are written.
  fs.failWritesAfter(fs.bytesWritten() + 400, 67);
  EXPECT_EQ(CommandDriver(fs, host, "tessarine").run(options), 1);
  ASSERT_EQ(host.lines.size(), 1u);
  EXPECT_EQ(host.lines[0], "tessarine: out.ren: disk full (error 67)");
  EXPECT_EQ(fs.openCount("/out.ren"), 0);
  EXPECT_EQ(fs.openCount("/b.log"), 0);
}

TEST(CommandDriverTest, AReadFailureIsAnErrorAboutTheLog) {
  FakeFileSystem fs;
  fs.setFile("/a.log", kLog);
  RecordingHost host;
  CommandOptions options;
  options.logs = {"a.log"};
  fs.failNextRead(71);
  EXPECT_EQ(CommandDriver(fs, host, "tessarine").run(options), 1);
  ASSERT_EQ(host.lines.size(), 1u);
  EXPECT_EQ(host.lines[0], "tessarine: a.log: disk not readable (error 71)");
  const auto out = fs.fileBytes("/kanbel.ren");
  ASSERT_TRUE(out.has_value());
  EXPECT_EQ(*out, "\x1A");
}

TEST(CommandDriverTest, AStopRequestEndsWithTheSignalsExitCode) {
  FakeFileSystem fs;
  fs.setFile("/a.log", kLog);
  RecordingHost host;
  host.stop = 15;
  CommandOptions options;
  options.logs = {"a.log"};
  EXPECT_EQ(CommandDriver(fs, host, "tessarine").run(options), 128 + 15);
  EXPECT_TRUE(host.lines.empty());
  EXPECT_EQ(fs.openCount("/a.log"), 0);
}

// OUT names that the save dialog would not take are usage errors before
// anything is looked at; a folder as OUT is said to be one.
TEST(CommandDriverTest, UnusableOutputNamesAndFoldersWriteNothing) {
  FakeFileSystem fs;
  fs.setFile("/a.log", kLog);
  fs.addDirectory("/adir.ren");
  for (const char* out : {"out/", " ", "adir.ren/"}) {
    RecordingHost host;
    EXPECT_EQ(runCommandLine({"-o", out, "a.log"}, fs, host, "tessarine"), 2)
        << out;
    ASSERT_EQ(host.lines.size(), 3u);
    EXPECT_EQ(host.lines[0].rfind(std::string("tessarine: ") + out + ": ", 0),
              0u)
        << host.lines[0];
    EXPECT_EQ(host.lines[1], "usage: tessarine [-o OUT] [-a] [-q] [-v] LOG...");
  }
  for (const char* append : {"-o", "-ao"}) {
    RecordingHost host;
    EXPECT_EQ(
        runCommandLine({append, "adir.ren", "a.log"}, fs, host, "tessarine"),
        1);
    ASSERT_EQ(host.lines.size(), 1u);
    EXPECT_EQ(host.lines[0], "tessarine: adir.ren: is a folder (error 74)");
  }
  EXPECT_FALSE(fs.fileBytes("/out.ren").has_value());
  EXPECT_FALSE(fs.fileBytes("/.ren").has_value());
  EXPECT_TRUE(fs.hasDirectory("/adir.ren"));
}

// The window run: the logs of a wildcard, in name order, give the bytes of
// a session that chooses them with the same output; the window shows each
// run's lines and the count, no dialog is asked, one box ends it.
TEST(WindowCommandLineTest, ConvertsAWildcardLikeASessionAndEndsWithABox) {
  FakeFileSystem fs(FakeFileSystem::Style::Windows);
  std::string later = kLog;
  later.replace(later.find("Title"), 5, "Later");
  fs.setFile("C:\\LOGS\\19970821.LOG", later);
  fs.setFile("C:\\LOGS\\19970820.LOG", kLog);
  fs.setFile("C:\\LOGS\\NOTES.TXT", "not a log");
  FakeFrontEnd session;
  for (const char* log : {"C:\\LOGS\\19970820.LOG", "C:\\LOGS\\19970821.LOG"}) {
    session.answerDialog(log);
    session.answerDialog("C:\\SESSION.REN");
  }
  EXPECT_EQ(Program(fs, session, {}).run(), 0);

  FakeFrontEnd ui;
  EXPECT_EQ(
      runWindowCommandLine({"-o", "C:\\COMMAND", "C:\\LOGS\\19*.log"}, fs, ui),
      0);
  EXPECT_EQ(fs.fileBytes("C:\\COMMAND.REN"), fs.fileBytes("C:\\SESSION.REN"));
  EXPECT_TRUE(ui.dialogs().empty());
  ASSERT_EQ(ui.messageBoxes().size(), 1u);
  // The window's texts are Japanese, in Shift-JIS: "ログ 2 件、発言 2 件、".
  EXPECT_EQ(ui.messageBoxes()[0].text.rfind(
                "tessarine: \x83\x8D\x83\x4F 2 \x8C\x8F\x81\x41\x94\xAD"
                "\x8C\xBE 2 \x8C\x8F\x81\x41",
                0),
            0u)
      << ui.messageBoxes()[0].text;
  const std::string saving = savingLine("C:\\COMMAND.ren").str();
  int savingRows = 0;
  for (const std::string& row : ui.completedRows()) {
    if (row.rfind(saving, 0) == 0) ++savingRows;
  }
  EXPECT_EQ(savingRows, 2);
  EXPECT_EQ(ui.closeWindowCalls(), 1);
}

TEST(WindowCommandLineTest, ErrorsAndUsageGoToTheBox) {
  FakeFileSystem fs(FakeFileSystem::Style::Windows);
  FakeFrontEnd ui;
  EXPECT_EQ(runWindowCommandLine({"C:\\NONE\\*.LOG"}, fs, ui), 1);
  ASSERT_EQ(ui.messageBoxes().size(), 1u);
  // ファイル名かフォルダが正しくありません (エラー 55): the folder is missing
  EXPECT_EQ(ui.messageBoxes()[0].text,
            "tessarine: C:\\NONE\\*.LOG: \x83\x74\x83\x40\x83\x43\x83\x8B"
            "\x96\xBC\x82\xA9\x83\x74\x83\x48\x83\x8B\x83\x5F\x82\xAA"
            "\x90\xB3\x82\xB5\x82\xAD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"
            " (\x83\x47\x83\x89\x81\x5B 55)");
  FakeFrontEnd usage;
  EXPECT_EQ(runWindowCommandLine({"-x"}, fs, usage), 2);
  ASSERT_EQ(usage.messageBoxes().size(), 1u);
  // 使い方: tessarine
  EXPECT_NE(
      usage.messageBoxes()[0].text.find("\x8E\x67\x82\xA2\x95\xFB: tessarine"),
      std::string::npos);
  // --help speaks of the window, not of terminals or signals.
  FakeFrontEnd help;
  EXPECT_EQ(runWindowCommandLine({"--help"}, fs, help), 0);
  ASSERT_EQ(help.messageBoxes().size(), 1u);
  EXPECT_EQ(help.messageBoxes()[0].text,
            CommandTexts(Language::Japanese, TextEncoding::ShiftJis)(
                Text::HelpWindow, {"tessarine"}));
  EXPECT_EQ(help.messageBoxes()[0].text.find("SIG"), std::string::npos);
}

}  // namespace
}  // namespace tess
