// The command line's arguments, the output name rules, and the driver's
// behaviour where the file system fails (which the program test cannot
// provoke): errors name the right file and leave the output closed.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command_driver.h"
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
    EXPECT_EQ(parse.error, "");
    EXPECT_EQ(parse.options.logs, c.logs);
    EXPECT_EQ(parse.options.output, c.output);
    EXPECT_EQ(parse.options.append, c.append);
    EXPECT_EQ(parse.options.quiet, c.quiet);
    EXPECT_EQ(parse.options.verbose, c.verbose);
  }
}

TEST(CommandLineTest, RefusesUnusableArguments) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no log given"},
      {{"-a", "-q"}, "no log given"},
      {{"-o"}, "option -o needs a file name"},
      {{"a", "-o", ""}, "option -o needs a file name"},
      {{"--output=", "a"}, "option --output needs a file name"},
      {{"-y", "a"}, "unknown option -y"},
      {{"--append=1", "a"}, "unknown option --append=1"},
      {{"--out", "x", "a"}, "unknown option --out"},
  };
  for (const auto& [args, error] : cases) {
    EXPECT_EQ(parseCommandLine(args).error, error);
  }
  EXPECT_EQ(parseCommandLine({"--help"}).error, "");
  EXPECT_TRUE(parseCommandLine({"-h"}).options.help);
  EXPECT_TRUE(parseCommandLine({"--version"}).options.version);
}

TEST(CommandLineTest, OutputNamesFollowTheRunDriversRule) {
  const std::pair<std::string, std::string> cases[] =
      {
          {"out", "out.ren"},
          {"out.txt", "out.txt"},
          {"  out", "out.ren"},
          {"\x81\x40out", "out.ren"},  // a full-width blank
          {".hidden", ".hidden.ren"},
          {"a.b/out", "a.b/out"},  // the first "." may lie in a folder name
          {"./out", "./out.ren"},
      };
  for (const auto& [given, used] : cases) {
    EXPECT_EQ(normalizedOutputName(given), used) << given;
  }
}

class RecordingHost : public CommandHost {
 public:
  void message(std::string_view line) override { lines.emplace_back(line); }
  void helpText(std::string_view text) override { help += text; }
  bool canShowStatus() const override { return false; }
  void status(std::string_view) override { ADD_FAILURE() << "status drawn"; }
  double seconds() override { return 0; }
  int stopSignal() override { return stop; }

  std::vector<std::string> lines;
  std::string help;
  int stop = 0;
};

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
  EXPECT_EQ(
      ui.messageBoxes()[0].text.rfind("tessarine: 2 logs, 2 messages, ", 0), 0u)
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
  EXPECT_EQ(ui.messageBoxes()[0].text,
            "tessarine: C:\\NONE\\*.LOG: bad file name or folder not found "
            "(error 55)");
  FakeFrontEnd usage;
  EXPECT_EQ(runWindowCommandLine({"-x"}, fs, usage), 2);
  ASSERT_EQ(usage.messageBoxes().size(), 1u);
  EXPECT_NE(usage.messageBoxes()[0].text.find("usage: tessarine"),
            std::string::npos);
}

}  // namespace
}  // namespace tess
