// The command line's arguments, the output name rules, and the driver's
// behaviour where the file system fails (which the program test cannot
// provoke): errors name the right file and leave the output closed.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command_driver.h"
#include "tests/support/fake_file_system.h"

namespace tess {
namespace {

using testing::FakeFileSystem;

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

}  // namespace
}  // namespace tess
