// The logs' wildcards on Windows, where names are Shift-JIS and the second
// byte of many characters (表, ソ, 能, 予, 十, 申) is the separator "\".
#include "shell/command_driver.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "conversion/conversion_test_doubles.h"
#include "conversion/screen_progress.h"
#include "platform/wildcard.h"
#include "runtime/runtime_error.h"
#include "shell/command_test_host.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using testing::FakeFileSystem;
using testing::sjis;

using RecordingHost = testing::RecordingCommandHost;

std::string logOf(const char* title) {
  return std::string(
             "- FOO  MES(03) Free talk -\r\n"
             "00001/00001 XYZ00001  guest            ") +
         title +
         "\r\n"
         "(03)   96/12/31 23:59  \r\n"
         "body\r\n";
}

// What a log costs the command: each log is checked without being opened,
// opened once at its turn to convert it, and looked up by its name once more
// to see it unchanged; the output is opened for writing once for the whole
// command, looked up by its name at each later log, and its end never read
// back. One read a log: none past the length the log had when it was opened.
TEST(CommandDriverTest, EachLogIsOpenedAtItsTurnAndTheOutputOnce) {
  for (const bool background : {false, true}) {
    SCOPED_TRACE(background ? "read ahead" : "read at once");
    FakeFileSystem fs;
    fs.workFromAnyThread(background);
    fs.setFile("/a.log", logOf("A"));
    fs.setFile("/b.log", logOf("B"));
    fs.setFile("/c.log", logOf("C"));
    RecordingHost host;
    CommandOptions options;
    options.logs = {"a.log", "b.log", "c.log"};
    options.output = "out";
    ASSERT_EQ(CommandDriver(fs, host, "tessarine").run(options), 0);
    EXPECT_TRUE(host.lines.empty());

    struct Open {
      const char* path;
      bool writes;
    };
    // Every log is checked before anything is written, none opened.
    EXPECT_EQ(fs.readErrorCalls(), 3u);
    const Open expected[] = {
        // a.log at its turn, the output written anew, a.log looked up.
        {"/a.log", false},
        {"/out.ren", true},
        {"/a.log", false},
        // Each later log: the output found under its name again.
        {"/b.log", false},
        {"/out.ren", false},
        {"/b.log", false},
        {"/c.log", false},
        {"/out.ren", false},
        {"/c.log", false},
        // The size written, for the summary.
        {"/out.ren", false},
    };
    const auto& opens = fs.opens();
    ASSERT_EQ(opens.size(), std::size(expected));
    for (size_t i = 0; i < opens.size(); ++i) {
      EXPECT_EQ(opens[i].path, expected[i].path) << i;
      EXPECT_EQ(opens[i].access != platform::Access::Read, expected[i].writes)
          << i;
      EXPECT_EQ(opens[i].error, 0) << i;
    }
    EXPECT_EQ(fs.readCalls(), 3u);
    EXPECT_TRUE(fs.openHandles().empty());
    const std::string records = *fs.fileBytes("/out.ren");
    EXPECT_EQ(records.find('\x1A'), records.size() - 1);
    for (const char* title : {"A", "B", "C"}) {
      EXPECT_NE(records.find(std::string("guest            ") + title),
                std::string::npos)
          << records;
    }
  }
}

// A log is opened at its turn without asking first whether it is there:
// only the check of every log before anything is written asks.
TEST(CommandDriverTest, ALogIsOpenedAtItsTurnWithoutALookFirst) {
  FakeFileSystem fs;
  fs.setFile("/a.log", logOf("A"));
  fs.setFile("/b.log", logOf("B"));
  RecordingHost host;
  CommandOptions options;
  options.logs = {"a.log", "b.log"};
  options.output = "out";
  ASSERT_EQ(CommandDriver(fs, host, "tessarine").run(options), 0);
  EXPECT_EQ(fs.existsCalls(), 2u);
}

// A log that goes, turns into a folder, is taken by another program or may
// not be read any more after every log was checked fails at its turn as it
// fails when it is so at the check: the same error, after the records of
// the logs before it, which the output keeps with its mark.
TEST(CommandDriverTest, ALogThatChangesAfterTheCheckFailsAtItsTurn) {
  struct Case {
    const char* name;
    std::function<void(FakeFileSystem&)> change;
    const char* message;
  };
  std::unique_ptr<platform::File> holder;
  const Case cases[] = {
      {"gone", [](FakeFileSystem& fs) { fs.removeFile("/b.log"); },
       "tessarine: b.log: file not found (error 63)"},
      {"folder",
       [](FakeFileSystem& fs) {
         fs.removeFile("/b.log");
         fs.addDirectory("/b.log");
       },
       "tessarine: b.log: file not found (error 63)"},
      {"taken",
       [&holder](FakeFileSystem& fs) {
         int error = 0;
         holder = fs.open("/b.log", platform::Access::ReadWrite,
                          platform::Share::Exclusive, false, &error);
         ASSERT_TRUE(holder) << error;
       },
       "tessarine: b.log: permission denied or in use by another program "
       "(error 75)"},
      {"unreadable",
       [](FakeFileSystem& fs) {
         fs.failOpensOf("/b.log", err::kPermissionDenied);
       },
       "tessarine: b.log: permission denied (error 70)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem fs;
    fs.setFile("/a.log", logOf("A"));
    fs.setFile("/b.log", logOf("B"));
    // While a.log is read, after the check of both.
    bool changed = false;
    fs.beforeRead([&](uint64_t) {
      if (!std::exchange(changed, true)) c.change(fs);
    });
    RecordingHost host;
    CommandOptions options;
    options.logs = {"a.log", "b.log"};
    options.output = "out";
    EXPECT_EQ(CommandDriver(fs, host, "tessarine").run(options), 1);
    EXPECT_TRUE(changed);
    EXPECT_EQ(host.lines, std::vector<std::string>{c.message});
    const std::string out = *fs.fileBytes("/out.ren");
    EXPECT_NE(out.find("guest            A"), std::string::npos);
    EXPECT_EQ(out.find("guest            B"), std::string::npos);
    EXPECT_EQ(out.rfind("#E\r\n\r\n\x1A"), out.size() - 7) << out;
    holder.reset();
  }
}

// A log another program holds against reading when the command starts is
// found at its turn, not at the check (which opens nothing): the logs before
// it are converted, and the output keeps their records with its mark.
TEST(CommandDriverTest, ALogHeldByAnotherProgramFailsAtItsTurn) {
  FakeFileSystem fs;
  fs.setFile("/a.log", logOf("A"));
  fs.setFile("/b.log", logOf("B"));
  int error = 0;
  std::unique_ptr<platform::File> holder =
      fs.open("/b.log", platform::Access::ReadWrite, platform::Share::Exclusive,
              false, &error);
  ASSERT_TRUE(holder) << error;
  RecordingHost host;
  CommandOptions options;
  options.logs = {"a.log", "b.log"};
  options.output = "out";
  EXPECT_EQ(CommandDriver(fs, host, "tessarine").run(options), 1);
  EXPECT_EQ(host.lines,
            std::vector<std::string>{
                "tessarine: b.log: permission denied or in use by another "
                "program (error 75)"});
  const std::string out = *fs.fileBytes("/out.ren");
  EXPECT_NE(out.find("guest            A"), std::string::npos);
  EXPECT_EQ(out.find("guest            B"), std::string::npos);
  EXPECT_EQ(out.rfind("#E\r\n\r\n\x1A"), out.size() - 7) << out;
}

// A host with a window and the clock that paces the running count on it.
class WindowHost : public RecordingHost {
 public:
  explicit WindowHost(CountClock* clock) : clock_(clock) {}
  ScreenWindow* screen() override { return &window; }
  CountClock* countClock() override { return clock_; }

  testing::RecordingWindow window;

 private:
  CountClock* clock_;
};

// The count of a long log is drawn at the pace of the host's clock, not at
// every message (drawing it costs a window's conversion as much as the
// conversion itself); the window shows the same rows at the end, the
// conference lines among them.
TEST(CommandDriverTest, TheWindowsCountIsPacedByTheHostsClock) {
  struct StoppedClock : CountClock {
    int64_t microseconds() override { return 0; }
  };
  FakeFileSystem fs;
  // Forty messages in conference 3, whose board line comes first, but for
  // five in the middle in conference 4, whose board is not known: each of
  // those shows a conference line.
  std::string many = "- FOO  MES(03) Free talk -\r\n";
  for (int i = 0; i < 40; ++i) {
    many += "00001/00001 XYZ00001  guest            B\r\n(0" +
            std::string(i >= 15 && i < 20 ? "4" : "3") +
            ")   96/12/31 23:59  \r\nbody\r\n";
  }
  fs.setFile("/many.log", many);
  CommandOptions options;
  options.logs = {"many.log"};
  // Each count is drawn at the start of its row.
  auto countsDrawn = [](const testing::RecordingWindow& window) {
    return window.positions().size();
  };

  WindowHost everyCount(nullptr);
  options.output = "every";
  ASSERT_EQ(CommandDriver(fs, everyCount, "tessarine").run(options), 0);
  StoppedClock stopped;
  WindowHost paced(&stopped);
  options.output = "paced";
  ASSERT_EQ(CommandDriver(fs, paced, "tessarine").run(options), 0);

  EXPECT_EQ(fs.fileBytes("/every.ren"), fs.fileBytes("/paced.ren"));
  EXPECT_EQ(paced.window.currentRow(), everyCount.window.currentRow());
  for (int row = 0; row < 24; ++row) {
    EXPECT_EQ(paced.window.row(row), everyCount.window.row(row)) << row;
  }
  const int last = paced.window.currentRow();
  EXPECT_NE(paced.window.row(last).find("40"), std::string::npos)
      << paced.window.row(last);
  EXPECT_GE(countsDrawn(everyCount.window), 40u);
  // The first count, the count before each conference line, and the last.
  EXPECT_LE(countsDrawn(paced.window), 8u) << paced.window.transcript();
}

// A stop request in the middle of a later log: the output, kept open since
// the first, ends after the records of the logs before it, with its mark,
// and is closed.
TEST(CommandDriverTest, AStopInALaterLogLeavesTheEarlierLogsRecords) {
  FakeFileSystem fs;
  fs.setFile("/a.log", logOf("A"));
  std::string many;
  for (int i = 0; i < 40; ++i) many += logOf("B");
  fs.setFile("/b.log", many);
  RecordingHost alone;
  CommandOptions options;
  options.logs = {"a.log"};
  options.output = "alone";
  ASSERT_EQ(CommandDriver(fs, alone, "tessarine").run(options), 0);

  RecordingHost host;
  options.logs = {"a.log", "b.log"};
  options.output = "out";
  const uint64_t readsBefore = fs.readCalls();
  // b.log's first read: the stop request comes with it.
  fs.beforeRead([&](uint64_t reads) {
    if (reads == readsBefore + 2) host.stop = 15;
  });
  EXPECT_EQ(CommandDriver(fs, host, "tessarine").run(options), 128 + 15);
  EXPECT_TRUE(host.lines.empty());
  EXPECT_TRUE(fs.openHandles().empty());
  // a.log's records, whole records of b.log (if any were written before
  // the stop was seen), one mark.
  const std::string first = *fs.fileBytes("/alone.ren");
  const std::string out = *fs.fileBytes("/out.ren");
  ASSERT_GE(out.size(), first.size());
  EXPECT_EQ(out.compare(0, first.size() - 1, first, 0, first.size() - 1), 0);
  EXPECT_EQ(out.find('\x1A'), out.size() - 1);
  const std::string later = out.substr(first.size() - 1);
  EXPECT_TRUE(later == "\x1A" ||
              later.rfind("#E\r\n\r\n\x1A") == later.size() - 7)
      << later;
  EXPECT_LT(later.size(), many.size());
}

TEST(ExpandWildcards, NamesAndFoldersWithASeparatorAsSecondByte) {
  FakeFileSystem fs(FakeFileSystem::Style::Windows);
  const std::string folder = sjis("C:\\ログ表\\");
  for (const char* name : {"19970823表.LOG", "19970822表.LOG", "19970823ソ.LOG",
                           "ソ19970823ソ.LOG", "19970823能.LOG", "19970823.LOG",
                           "表19970823.TXT"}) {
    fs.setFile(folder + sjis(name), "x");
  }
  // The same names one folder up must not be taken.
  fs.setFile(sjis("C:\\19970821表.LOG"), "x");
  fs.setFile(sjis("C:\\ソ.LOG"), "x");
  fs.changeDirectory(folder);

  struct Case {
    const char* pattern;
    std::vector<const char*> found;  // in the folder, in name order
  };
  const Case cases[] = {
      {"19*表.LOG", {"19970822表.LOG", "19970823表.LOG"}},
      {"*ソ*.LOG", {"19970823ソ.LOG", "ソ19970823ソ.LOG"}},
      {"*能.LOG", {"19970823能.LOG"}},
      {"表*", {"表19970823.TXT"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> full;
    std::vector<std::string> relative;
    for (const char* name : c.found) {
      full.push_back(folder + sjis(name));
      relative.push_back(sjis(name));
    }
    EXPECT_EQ(expandWildcards({folder + sjis(c.pattern)}, fs), full)
        << c.pattern << " in the folder named in full";
    EXPECT_EQ(expandWildcards({sjis(c.pattern)}, fs), relative)
        << c.pattern << " in the current folder";
  }
  // A pattern that matches nothing stays as it is, and so does a name that
  // ends in 表 without wildcards.
  const std::vector<std::string> kept = {folder + sjis("*十.LOG"),
                                         folder + sjis("19970823表")};
  EXPECT_EQ(expandWildcards(kept, fs), kept);
}

// A wildcard stands for whole characters: "?" takes a double-byte character
// whole, "*" never ends inside one, and only single-byte letters match
// without regard to case (0x83 0x41 is ア, 0x83 0x61 is ヂ; 宴 is 0x89 0x83,
// its second byte the first byte of ア).
TEST(ExpandWildcards, PatternsMatchWholeCharacters) {
  struct Case {
    std::string pattern;
    std::string name;
    bool matches;
  };
  const Case cases[] = {
      {"?.LOG", sjis("表.LOG"), true},
      {"19970823?.LOG", sjis("19970823ソ.LOG"), true},
      {"??.LOG", sjis("表示.LOG"), true},
      {"?.LOG", sjis("表示.LOG"), false},
      {sjis("*ア*"), sjis("宴A.LOG"), false},
      {sjis("*ア*"), sjis("表ア.LOG"), true},
      {sjis("ア*"), sjis("ヂ.LOG"), false},
      {sjis("*表.log"), sjis("19表.LOG"), true},
      {sjis("*ソ*.LOG"), sjis("ソ19970823ソ.LOG"), true},
      {"*\x5C*", sjis("表.LOG"), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::wildcardMatch(c.pattern, c.name), c.matches)
        << testing::utf8(c.pattern) << " against " << testing::utf8(c.name);
  }
}

}  // namespace
}  // namespace tess
