// Print statements to a file channel: printFileStatementOf and runs of
// statements printed at once must print and fail as statement-by-statement
// printing does.
#include <gtest/gtest.h>

#include <random>
#include <source_location>
#include <string>
#include <utility>
#include <vector>

#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/raised_error.h"
#include "tests/support/recording_observer.h"

namespace tess {
namespace {

using tess::testing::FakeFileSystem;
using tess::testing::raisedBy;
using tess::testing::RecordingObserver;

// One output file channel 3 with its printer and the observer of its
// statement starts (made from the given arguments).
template <typename Observer>
struct FilePrintingWith {
  template <typename... Args>
  explicit FilePrintingWith(Args... args) : observer(args...) {
    files.openFile(ByteString("/out.txt"), FileMode::Output, ShareMode::Default,
                   3);
  }
  std::string bytes() {
    files.flushAll();
    return fs.fileBytes("/out.txt").value_or("?");
  }
  FakeFileSystem fs;
  FileTable files{fs};
  Observer observer;
  Printer printer{files, nullptr, &observer};
};
using FilePrinting = FilePrintingWith<RecordingObserver>;

// printFileStatement with the statement's own parts (1 to 3).
void printGeneral(Printer& printer, const std::vector<std::string>& parts,
                  PrintSeparator separator, std::source_location where) {
  switch (parts.size()) {
    case 1:
      printer.printFileStatement(3, {parts[0]}, separator, where);
      break;
    case 2:
      printer.printFileStatement(3, {parts[0], parts[1]}, separator, where);
      break;
    default:
      printer.printFileStatement(3, {parts[0], parts[1], parts[2]}, separator,
                                 where);
      break;
  }
}

// Channels a file print statement fails on, with the error: one not open,
// one open for input (see openInputOnFive) and one outside 1..255.
const std::pair<int64_t, uint16_t> kFailingChannels[] = {
    {4, err::kNotOpen}, {5, err::kBadFileMode}, {256, err::kBadChannel}};

template <typename Observer>
void openInputOnFive(FilePrintingWith<Observer>& p) {
  p.fs.setFile("/in.txt", "x\r\n");
  p.files.openFile(ByteString("/in.txt"), FileMode::Input, ShareMode::Default,
                   5);
}

// printFileStatementOf with the separator and the number of parts (1 to 3)
// chosen at run time.
template <PrintSeparator separator>
void printOf(Printer& printer, int64_t channel,
             const std::vector<std::string>& parts,
             std::source_location where) {
  switch (parts.size()) {
    case 1:
      printer.printFileStatementOf<separator>(channel, {parts[0]}, where);
      break;
    case 2:
      printer.printFileStatementOf<separator>(channel, {parts[0], parts[1]},
                                              where);
      break;
    default:
      printer.printFileStatementOf<separator>(
          channel, {parts[0], parts[1], parts[2]}, where);
      break;
  }
}

TEST(PrintStatementOfTest, PrintsAsTheGeneralStatementDoes) {
  // Random statements, now and then with parts large enough that they do
  // not fit into the buffer's room, against the same statements printed by
  // printFileStatement.
  std::mt19937 random(12);
  const auto pick = [&random](uint32_t n) {
    return static_cast<size_t>(random() % n);
  };
  for (int round = 0; round < 100; ++round) {
    SCOPED_TRACE(round);
    FilePrinting general;
    FilePrinting fixed;
    for (int statement = 0; statement < 300; ++statement) {
      std::vector<std::string> parts(1 + pick(3));
      for (std::string& part : parts) {
        part.assign(pick(100) == 0 ? pick(40000) : pick(40),
                    static_cast<char>('a' + pick(26)));
      }
      const bool end = pick(3) != 0;
      const std::source_location where = std::source_location::current();
      const PrintSeparator separator =
          end ? PrintSeparator::EndOfStatement : PrintSeparator::Semicolon;
      printGeneral(general.printer, parts, separator, where);
      if (end) {
        printOf<PrintSeparator::EndOfStatement>(fixed.printer, 3, parts, where);
      } else {
        printOf<PrintSeparator::Semicolon>(fixed.printer, 3, parts, where);
      }
      ASSERT_EQ(fixed.files.column(3), general.files.column(3));
      ASSERT_EQ(fixed.files.position(3), general.files.position(3));
    }
    ASSERT_EQ(fixed.observer.lines, general.observer.lines);
    ASSERT_EQ(fixed.bytes(), general.bytes());
  }
}

TEST(PrintStatementOfTest, FailsAsTheGeneralStatementDoes) {
  FilePrinting p;
  openInputOnFive(p);
  const std::vector<std::string> parts = {"a"};
  for (const auto& [channel, number] : kFailingChannels) {
    const std::source_location where = std::source_location::current();
    const RuntimeError e = raisedBy([&] {
      printOf<PrintSeparator::EndOfStatement>(p.printer, channel, parts, where);
    });
    EXPECT_EQ(e.number(), number);
    EXPECT_EQ(e.line(), where.line());
    EXPECT_EQ(p.observer.lines.back(), where.line());
  }
}

// A statement observer that ends the run at the statement start numbered
// stopAt (0-based), as a break request does.
struct StopRequested {};
class StoppingObserver : public StatementObserver {
 public:
  explicit StoppingObserver(int stopAt) : left_(stopAt) {}
  void statementStart(uint32_t line) override {
    lines.push_back(line);
    if (left_-- == 0) throw StopRequested{};
  }
  std::vector<uint32_t> lines;

 private:
  int left_;
};

// Three places a statement starts at, on lines of their own.
const std::source_location kSites[] = {
    std::source_location::current(),
    std::source_location::current(),
    std::source_location::current(),
};

// One random statement of a run: its parts, its separator and where it
// starts.
struct RunStatement {
  std::vector<std::string> parts;
  bool endsLine;
  std::source_location where;
};

template <PrintSeparator separator>
void addTo(FileStatementRun& run, const RunStatement& s) {
  const auto& p = s.parts;
  switch (p.size()) {
    case 1:
      run.add<separator>({p[0]}, s.where);
      break;
    case 2:
      run.add<separator>({p[0], p[1]}, s.where);
      break;
    default:
      run.add<separator>({p[0], p[1], p[2]}, s.where);
      break;
  }
}

// An output channel 3 whose printer's statement starts stop at a given one.
using StoppingPrinting = FilePrintingWith<StoppingObserver>;

TEST(FileStatementRunTest, PrintsAsStatementByStatementPrinting) {
  // Random runs of statements, with parts now and then too large for the
  // buffer's room, longer than the statements a run keeps waiting, and
  // stopped by a statement start now and then: each against the same
  // statements printed one by one.
  std::mt19937 random(21);
  const auto pick = [&random](uint32_t n) {
    return static_cast<size_t>(random() % n);
  };
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    const int stopAt = pick(3) == 0 ? static_cast<int>(pick(400)) : -1;
    StoppingPrinting general(stopAt);
    StoppingPrinting batched(stopAt);
    bool stopped = false;
    while (!stopped && general.files.position(3) < 200000) {
      std::vector<RunStatement> statements(1 + pick(60));
      for (RunStatement& s : statements) {
        s.parts.resize(1 + pick(3));
        for (std::string& part : s.parts) {
          part.assign(pick(150) == 0 ? pick(40000) : pick(40),
                      static_cast<char>('a' + pick(26)));
        }
        s.endsLine = pick(3) != 0;
        s.where = kSites[pick(3)];
      }
      try {
        for (const RunStatement& s : statements) {
          printGeneral(general.printer, s.parts,
                       s.endsLine ? PrintSeparator::EndOfStatement
                                  : PrintSeparator::Semicolon,
                       s.where);
        }
      } catch (const StopRequested&) {
        stopped = true;
      }
      bool batchedStopped = false;
      try {
        FileStatementRun run(batched.printer, 3);
        for (const RunStatement& s : statements) {
          if (s.endsLine) {
            addTo<PrintSeparator::EndOfStatement>(run, s);
          } else {
            addTo<PrintSeparator::Semicolon>(run, s);
          }
        }
        run.finish();
      } catch (const StopRequested&) {
        batchedStopped = true;
      }
      ASSERT_EQ(batchedStopped, stopped);
      ASSERT_EQ(batched.files.column(3), general.files.column(3));
      ASSERT_EQ(batched.files.position(3), general.files.position(3));
    }
    ASSERT_EQ(batched.observer.lines, general.observer.lines);
    ASSERT_EQ(batched.bytes(), general.bytes());
  }
}

TEST(FileStatementRunTest, FailsAtTheFirstStatementAsPrintingDoes) {
  FilePrinting p;
  openInputOnFive(p);
  for (const auto& [channel, number] : kFailingChannels) {
    const RuntimeError e = raisedBy([&] {
      FileStatementRun run(p.printer, channel);
      run.add({"a"}, kSites[1]);
      run.add({"b"}, kSites[2]);
      run.finish();
    });
    EXPECT_EQ(e.number(), number);
    EXPECT_EQ(e.line(), kSites[1].line());
    EXPECT_EQ(p.observer.lines.back(), kSites[1].line());
  }
}

// An observer that takes runs of statement starts as one and stops the
// program at the run or start numbered stopAt (0-based), as a break
// request does.
class RunTakingObserver : public StatementObserver {
 public:
  explicit RunTakingObserver(int stopAt) : left_(stopAt) {}
  void statementStart(uint32_t line) override { act({line, line, 1}); }
  bool takesRuns() const override { return true; }
  void statementRun(uint32_t firstLine, uint32_t lastLine,
                    uint32_t count) override {
    act({firstLine, lastLine, count});
  }
  struct Run {
    uint32_t first, last, count;
    bool operator==(const Run&) const = default;
  };
  std::vector<Run> runs;

 private:
  void act(Run run) {
    runs.push_back(run);
    if (left_-- == 0) throw StopRequested{};
  }
  int left_;
};

TEST(FileStatementRunTest, ObserverTakingRunsIsToldOnceAndAStopPrintsNone) {
  // Each round prints the same five statements as one run; the observer
  // stops the second round at its run: none of its statements is printed.
  FilePrintingWith<RunTakingObserver> p(1);
  const auto printRun = [&p] {
    FileStatementRun run(p.printer, 3);
    run.add({"#S"}, kSites[0]);
    run.add({"#K", "field", "@key"}, kSites[1]);
    run.add<PrintSeparator::Semicolon>({"half"}, kSites[1]);
    run.add({" line"}, kSites[2]);
    run.add({""}, kSites[2]);
    run.finish();
  };
  printRun();
  using Run = RunTakingObserver::Run;
  ASSERT_EQ(p.observer.runs,
            (std::vector<Run>{{kSites[0].line(), kSites[2].line(), 5}}));
  EXPECT_EQ(p.files.position(3), 30);
  EXPECT_THROW(printRun(), StopRequested);
  EXPECT_EQ(p.observer.runs.size(), 2u);
  EXPECT_EQ(p.files.position(3), 30);
  EXPECT_EQ(p.files.column(3), 0);
  EXPECT_EQ(p.bytes(), "#S\r\n#Kfield@key\r\nhalf line\r\n\r\n");
}

TEST(FileStatementRunTest, OneStatementIsAStartOfItsOwn) {
  FilePrintingWith<RunTakingObserver> p(-1);
  FileStatementRun run(p.printer, 3);
  run.add({"x"}, kSites[1]);
  run.finish();
  using Run = RunTakingObserver::Run;
  EXPECT_EQ(p.observer.runs,
            (std::vector<Run>{{kSites[1].line(), kSites[1].line(), 1}}));
}

}  // namespace
}  // namespace tess
