// How logs are read, as the user sees it: --log-encoding and --line-ends,
// the command line's -v line and summary, and the window's line under the
// log's line and its last line with the replaced characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/log_reading_texts.h"
#include "shell/command_driver.h"
#include "shell/command_line.h"
#include "shell/command_test_host.h"
#include "shell/command_texts.h"
#include "shell/command_window.h"
#include "shell/program.h"
#include "shell/run_driver.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_front_end.h"

namespace tess {
namespace {

using testing::FakeFileSystem;
using testing::FakeFrontEnd;

TEST(CommandReadingTest, ParsesTheReadingOptions) {
  const struct {
    std::vector<std::string> args;
    LogEncoding encoding;
    LineEnds ends;
  } cases[] = {
      {{"a"}, LogEncoding::Auto, LineEnds::Auto},
      {{"--log-encoding=utf-8", "a"}, LogEncoding::Utf8, LineEnds::Auto},
      {{"--log-encoding", "euc-jp", "a"}, LogEncoding::EucJp, LineEnds::Auto},
      {{"--log-encoding=iso-2022-jp", "--line-ends=lf", "a"},
       LogEncoding::Iso2022Jp,
       LineEnds::Lf},
      {{"--log-encoding=sjis", "--line-ends", "cr", "a"},
       LogEncoding::ShiftJis,
       LineEnds::Cr},
      {{"--line-ends=lf", "--line-ends=auto", "a"},
       LogEncoding::Auto,
       LineEnds::Auto},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const CommandParse parse = parseCommandLine(c.args);
    EXPECT_FALSE(parse.error.has_value());
    EXPECT_EQ(parse.options.logs, std::vector<std::string>{"a"});
    EXPECT_EQ(parse.options.logChoice.encoding, c.encoding);
    EXPECT_EQ(parse.options.logChoice.lineEnds, c.ends);
  }
  const struct {
    std::vector<std::string> args;
    Text error;
    const char* option;
  } refused[] = {
      {{"--log-encoding=latin1", "a"}, Text::EncodingChoices, "--log-encoding"},
      {{"--log-encoding=UTF-8", "a"}, Text::EncodingChoices, "--log-encoding"},
      {{"a", "--log-encoding"}, Text::EncodingChoices, "--log-encoding"},
      {{"--line-ends=crlf", "a"}, Text::LineEndChoices, "--line-ends"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.args[0]);
    const CommandParse parse = parseCommandLine(r.args);
    EXPECT_EQ(parse.error, r.error);
    EXPECT_EQ(parse.errorArgument, r.option);
  }
  EXPECT_EQ(CommandTexts()(Text::EncodingChoices, {"--log-encoding"}),
            "option --log-encoding takes auto, sjis, utf-8, euc-jp or "
            "iso-2022-jp");
  for (const Text helpId : {Text::HelpTerminal, Text::HelpWindow}) {
    for (const Language language : {Language::English, Language::Japanese}) {
      const std::string help(rawText(helpId, language));
      EXPECT_NE(help.find("--log-encoding E"), std::string::npos) << help;
      EXPECT_NE(help.find("--line-ends L"), std::string::npos) << help;
      EXPECT_NE(help.find("iso-2022-jp"), std::string::npos) << help;
    }
  }
}

using RecordingHost = testing::RecordingCommandHost;

// One message in UTF-8 with LF ends; its body holds é, which Shift-JIS
// cannot hold.
constexpr const char* kUtf8Log =
    "- FOO  MES(03) Free talk -\n"
    "00001/00001 XYZ00001  \xE3\x81\xAD\xE3\x81\x93             Title\n"
    "(03)   96/12/31 23:59  \n"
    "caf\xC3\xA9 \xE3\x81\x82\xE3\x81\x84\n"
    "end\n";

TEST(CommandReadingTest, VerboseLineAndSummarySayHowTheLogWasRead) {
  FakeFileSystem fs;
  fs.setFile("/a.log", kUtf8Log);
  fs.setFile("/b.log", std::string(kUtf8Log).substr(0, 27));
  RecordingHost host;
  CommandOptions options;
  options.logs = {"a.log", "b.log"};
  options.verbose = true;
  EXPECT_EQ(CommandDriver(fs, host, "tessarine").run(options), 0);
  ASSERT_EQ(host.lines.size(), 4u);
  EXPECT_EQ(host.lines[0],
            "tessarine: a.log: 1 messages; UTF-8 log with LF line ends, read "
            "as Shift-JIS; 1 character not in Shift-JIS written as the "
            "missing-character mark");
  EXPECT_EQ(host.lines[1],
            "tessarine: b.log: warning: no messages in this log");
  EXPECT_EQ(host.lines[2],
            "tessarine: b.log: 0 messages; lines end in LF only");
  EXPECT_NE(host.lines[3].find(" s; 1 character not in Shift-JIS"),
            std::string::npos)
      << host.lines[3];
  ASSERT_EQ(host.readings.size(), 2u);
  EXPECT_EQ(host.readings[0].encoding, LogEncoding::Utf8);
  EXPECT_EQ(host.readings[1].lineEnds, LineEnds::Lf);
  const auto out = fs.fileBytes("/kanbel.ren");
  ASSERT_TRUE(out.has_value());
  EXPECT_NE(out->find("caf\x81\xAC \x82\xA0\x82\xA2\r\n"), std::string::npos);

  // Read as asked: with CR ends the LF log is one line without a message,
  // and the warning says what it looked like.
  RecordingHost forced;
  options.logs = {"a.log"};
  options.verbose = false;
  options.logChoice = {LogEncoding::Auto, LineEnds::Cr};
  EXPECT_EQ(CommandDriver(fs, forced, "tessarine").run(options), 0);
  ASSERT_EQ(forced.lines.size(), 1u);
  EXPECT_EQ(forced.lines[0],
            "tessarine: a.log: warning: no messages in this log; its lines "
            "seem to end in LF only (read with CR ends)");
}

// The window's completed rows without the blanks that fill them.
std::vector<std::string> rowsOf(const FakeFrontEnd& ui) {
  std::vector<std::string> rows = ui.completedRows();
  for (std::string& row : rows) row.erase(row.find_last_not_of(' ') + 1);
  return rows;
}

TEST(WindowReadingTest, TheWindowSaysHowTheLogIsReadAndWhatWasReplaced) {
  FakeFileSystem fs;
  fs.setFile("/a.log", kUtf8Log);
  FakeFrontEnd session;
  session.answerDialog("/a.log");
  session.answerDialog("/a.ren");
  EXPECT_EQ(Program(fs, session, {}).run(), 0);
  const std::vector<std::string> rows = rowsOf(session);
  const std::string converting = convertingLine("/a.log").str();
  size_t at = 0;
  while (at < rows.size() && rows[at] != converting) ++at;
  ASSERT_LT(at + 1, rows.size()) << ::testing::PrintToString(rows);
  EXPECT_EQ(rows[at + 1], readingNotice({LogEncoding::Utf8, LineEnds::Lf,
                                         LogLook::Plain, true, true})
                              .str());
  // The count, then the replaced characters, under it.
  const std::string replaced = replacedNotice(1).str();
  size_t notice = at;
  while (notice < rows.size() && rows[notice] != replaced) ++notice;
  ASSERT_LT(notice, rows.size()) << "no line with the replaced characters";
  EXPECT_EQ(rows[notice - 1], " 1");

  // A Shift-JIS log with CR LF ends has neither line.
  fs.setFile("/b.log",
             "- FOO  MES(03) Free talk -\r\n"
             "00001/00001 XYZ00001  guest            Title\r\n"
             "(03)   96/12/31 23:59  \r\nbody\r\nend\r\n");
  FakeFrontEnd plain;
  plain.answerDialog("/b.log");
  plain.answerDialog("/b.ren");
  EXPECT_EQ(Program(fs, plain, {}).run(), 0);
  const std::vector<std::string> plainRows = rowsOf(plain);
  for (size_t i = 0; i + 1 < plainRows.size(); ++i) {
    if (plainRows[i] == convertingLine("/b.log").str()) {
      EXPECT_EQ(plainRows[i + 1], "");
    }
    EXPECT_EQ(plainRows[i].find("Shift-JIS"), std::string::npos)
        << plainRows[i];
  }
}

TEST(WindowReadingTest, TheWindowCommandLineShowsTheLineToo) {
  FakeFileSystem fs(FakeFileSystem::Style::Windows);
  fs.setFile("C:\\A.LOG", kUtf8Log);
  FakeFrontEnd ui;
  EXPECT_EQ(runWindowCommandLine({"-o", "C:\\OUT", "C:\\A.LOG"}, fs, ui), 0);
  const std::vector<std::string> rows = rowsOf(ui);
  const std::string converting = convertingLine("C:\\A.LOG").str();
  size_t at = 0;
  while (at < rows.size() && rows[at] != converting) ++at;
  ASSERT_LT(at + 1, rows.size());
  EXPECT_EQ(rows[at + 1], readingNotice({LogEncoding::Utf8, LineEnds::Lf,
                                         LogLook::Plain, true, true})
                              .str());
}

}  // namespace
}  // namespace tess
