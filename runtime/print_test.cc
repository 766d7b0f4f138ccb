#include "runtime/print.h"

#include <gtest/gtest.h>

#include <random>
#include <source_location>
#include <string>
#include <vector>

#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/raised_error.h"
#include "tests/support/recording_observer.h"
#include "tests/support/sjis.h"

namespace tess {
namespace {

using tess::testing::errorOf;
using tess::testing::FakeFileSystem;
using tess::testing::raisedBy;
using tess::testing::RecordingObserver;
using tess::testing::sjis;

// A window that keeps a print column the way the main text window does
// (CR goes to column 0, a full row wraps) and records every write.
class RecordingWindow : public ScreenWindow {
 public:
  int printColumn() const override { return column; }
  int printWidth() const override { return width; }
  void writeText(std::string_view bytes) override {
    writes.emplace_back(bytes);
    for (char c : bytes) {
      if (c == '\r') {
        column = 0;
      } else if (c != '\n' && ++column == width) {
        column = 0;
      }
    }
  }
  int currentRow() const override { return 0; }
  void setPosition(int64_t c, int64_t, int64_t, int flags) override {
    if (flags & 1) column = static_cast<int>(c);
  }

  int column = 0;
  int width = 80;
  std::vector<std::string> writes;
};

class PrintTest : public ::testing::Test {
 protected:
  // The bytes of /out.txt after all channels are closed, without the
  // end-of-file mark.
  std::string fileOutput() {
    files.closeFiles();
    std::string bytes = fs.fileBytes("/out.txt").value_or("?");
    EXPECT_EQ(bytes.back(), '\x1A');
    bytes.pop_back();
    return bytes;
  }
  void openOutput(int64_t channel = 3) {
    files.openFile(ByteString("/out.txt"), FileMode::Output, ShareMode::Default,
                   channel);
  }

  FakeFileSystem fs;
  FileTable files{fs};
  RecordingWindow window;
  RecordingObserver observer;
  Printer printer{files, &window, &observer};
};

TEST_F(PrintTest, WindowLineWidthRule) {
  printer.selectOutputWindow(0);
  window.column = 75;
  printer.printString(ByteString("0123456789"), PrintSeparator::Semicolon);
  EXPECT_EQ(window.writes.back(), "\r\n0123456789");
  // Exactly filling the row needs no line end.
  window.column = 70;
  printer.printString(ByteString("0123456789"), PrintSeparator::Semicolon);
  EXPECT_EQ(window.writes.back(), "0123456789");
  // At column 0 a long item is not preceded by a line end; the window
  // wraps it.
  window.column = 0;
  const std::string longItem(100, 'x');
  printer.printString(ByteString(longItem), PrintSeparator::EndOfStatement);
  EXPECT_EQ(window.writes.back(), longItem + "\r\n");
  // The line end, the item and its separator arrive in one write.
  window.writes.clear();
  window.column = 79;
  printer.printString(ByteString("ab"), PrintSeparator::EndOfStatement);
  ASSERT_EQ(window.writes.size(), 1u);
  EXPECT_EQ(window.writes[0], "\r\nab\r\n");
  // A CR LF inside an item is written as it is.
  window.column = 0;
  printer.printString(ByteString("a\r\nb"), PrintSeparator::Semicolon);
  EXPECT_EQ(window.writes.back(), "a\r\nb");
}

TEST_F(PrintTest, WindowNumberItems) {
  printer.selectOutputWindow(0);
  printer.printNumber(12, PrintSeparator::Semicolon);
  EXPECT_EQ(window.writes.back(), " 12 ");
  printer.printNumber(0, PrintSeparator::Semicolon);
  EXPECT_EQ(window.writes.back(), " 0 ");
  printer.printNumber(-5, PrintSeparator::EndOfStatement);
  EXPECT_EQ(window.writes.back(), "-5 \r\n");
  printer.printNumber(1234567, PrintSeparator::Semicolon);
  EXPECT_EQ(window.writes.back(), " 1.23457E+06 ");
  // A number item obeys the line-width rule with its trailing blank.
  window.column = 78;
  printer.printNumber(5, PrintSeparator::Semicolon);
  EXPECT_EQ(window.writes.back(), "\r\n 5 ");
}

TEST_F(PrintTest, WindowCommaZones) {
  printer.selectOutputWindow(0);
  printer.printString(ByteString("abc"), PrintSeparator::Comma);
  EXPECT_EQ(window.writes.back(), "abc" + std::string(11, ' '));
  EXPECT_EQ(window.column, 14);
  printer.printString(ByteString(std::string(14, 'x')), PrintSeparator::Comma);
  EXPECT_EQ(window.writes.back(), std::string(14, 'x') + std::string(14, ' '));
  EXPECT_EQ(window.column, 42);
  // From column 50 the next zone is 56, with 24 columns still left.
  window.column = 48;
  printer.printString(ByteString("xx"), PrintSeparator::Comma);
  EXPECT_EQ(window.writes.back(), "xx" + std::string(6, ' '));
  // A zone at 70 would leave fewer than 14 columns: a line end instead.
  window.column = 56;
  printer.printString(ByteString("y"), PrintSeparator::Comma);
  EXPECT_EQ(window.writes.back(), "y\r\n");
  EXPECT_EQ(window.column, 0);
}

TEST_F(PrintTest, WindowTabTo) {
  printer.selectOutputWindow(0);
  EXPECT_EQ(printer.tabTo(10), ByteString(std::string(10, ' ')));
  EXPECT_TRUE(window.writes.empty());
  window.column = 10;
  EXPECT_EQ(printer.tabTo(10), ByteString(""));
  // Past the column: the line end goes out at once, then n blanks.
  window.column = 15;
  EXPECT_EQ(printer.tabTo(10), ByteString(std::string(10, ' ')));
  ASSERT_EQ(window.writes.size(), 1u);
  EXPECT_EQ(window.writes[0], "\r\n");
  EXPECT_EQ(window.column, 0);
  // Beyond the width n wraps around it; n equal to the width stays.
  EXPECT_EQ(printer.tabTo(100), ByteString(std::string(20, ' ')));
  EXPECT_EQ(printer.tabTo(80), ByteString(std::string(80, ' ')));
  EXPECT_EQ(errorOf([&] { printer.tabTo(256); }), 5);
  EXPECT_EQ(errorOf([&] { printer.tabTo(-1); }), 5);

  // A banner line: tabTo(20) then the text.
  window.column = 0;
  window.writes.clear();
  printer.printString(printer.tabTo(20), PrintSeparator::Semicolon);
  printer.printString(ByteString("Title"), PrintSeparator::EndOfStatement);
  EXPECT_EQ(window.writes[0] + window.writes[1],
            std::string(20, ' ') + "Title\r\n");
}

TEST_F(PrintTest, SelectionStartsAStatementAndNamesItsLine) {
  const auto here = std::source_location::current();
  printer.selectOutputWindow(0, here);
  ASSERT_EQ(observer.lines.size(), 1u);
  EXPECT_EQ(observer.lines[0], here.line());
  // Errors of the statement's items carry the selection's line.
  EXPECT_EQ(raisedBy([&] { printer.tabTo(300); }).line(), here.line());

  const RuntimeError noWindow =
      raisedBy([&] { printer.selectOutputWindow(1, here); });
  EXPECT_EQ(noWindow.number(), 1000);
  EXPECT_EQ(noWindow.line(), here.line());
  EXPECT_EQ(observer.lines.size(), 2u);

  printer.setWindow(nullptr);
  EXPECT_EQ(raisedBy([&] { printer.selectOutputWindow(0); }).number(), 1000);

  EXPECT_EQ(raisedBy([&] { printer.selectOutputFile(0); }).number(), 50);
  EXPECT_EQ(raisedBy([&] { printer.selectOutputFile(256); }).number(), 50);
  const RuntimeError notOpen =
      raisedBy([&] { printer.selectOutputFile(4, here); });
  EXPECT_EQ(notOpen.number(), 57);
  EXPECT_EQ(notOpen.line(), here.line());
}

TEST_F(PrintTest, FileItemsJoinedAndLinesWhole) {
  openOutput();
  const std::string mes = sjis("＠mes");
  printer.selectOutputFile(3);
  printer.printString(ByteString("#K"), PrintSeparator::Semicolon);
  printer.printString(ByteString("field"), PrintSeparator::Semicolon);
  printer.printString(ByteString(mes), PrintSeparator::EndOfStatement);
  // A line far past any width is written whole.
  const std::string longLine(300, 'z');
  printer.selectOutputFile(3);
  printer.printString(ByteString(longLine), PrintSeparator::EndOfStatement);
  // An empty statement writes a bare line end.
  printer.selectOutputFile(3);
  printer.printString(ByteString(), PrintSeparator::EndOfStatement);
  EXPECT_EQ(fileOutput(), "#Kfield" + mes + "\r\n" + longLine + "\r\n\r\n");
  // The window saw none of it.
  EXPECT_TRUE(window.writes.empty());
}

TEST_F(PrintTest, FileSemicolonContinuesAcrossStatements) {
  openOutput();
  printer.selectOutputFile(3);
  printer.printString(ByteString("#T "), PrintSeparator::Semicolon);
  printer.selectOutputWindow(0);
  printer.printString(ByteString("screen"), PrintSeparator::EndOfStatement);
  printer.selectOutputFile(3);
  printer.printString(ByteString("title"), PrintSeparator::EndOfStatement);
  EXPECT_EQ(fileOutput(), "#T title\r\n");
}

TEST_F(PrintTest, FileColumnCommaAndTab) {
  openOutput();
  printer.selectOutputFile(3);
  printer.printString(ByteString("abc"), PrintSeparator::Comma);
  printer.printString(ByteString(std::string(11, 'x')), PrintSeparator::Comma);
  EXPECT_EQ(files.column(3), 28);
  printer.printString(ByteString(), PrintSeparator::EndOfStatement);
  EXPECT_EQ(files.column(3), 0);
  // Files have no width: no line end however far the column goes, and
  // tabTo counts in a span of 256.
  printer.printString(ByteString(std::string(300, 'y')), PrintSeparator::Comma);
  EXPECT_EQ(files.column(3), 308);
  const ByteString tab = printer.tabTo(10);
  EXPECT_EQ(tab, ByteString(std::string(10, ' ')));
  EXPECT_EQ(files.column(3), 0);
  printer.printString(tab, PrintSeparator::Semicolon);
  printer.printNumber(7, PrintSeparator::EndOfStatement);
  EXPECT_EQ(fileOutput(), "abc" + std::string(11, ' ') + std::string(11, 'x') +
                              std::string(3, ' ') + "\r\n" +
                              std::string(300, 'y') + std::string(8, ' ') +
                              "\r\n" + std::string(10, ' ') + " 7 \r\n");
}

TEST_F(PrintTest, FileWriteErrorsCarryTheStatementLine) {
  fs.setFile("/in.txt", "data\r\n");
  files.openFile(ByteString("/in.txt"), FileMode::Input, ShareMode::Default, 1);
  const auto here = std::source_location::current();
  printer.selectOutputFile(1, here);
  const RuntimeError wrongMode = raisedBy(
      [&] { printer.printString(ByteString("x"), PrintSeparator::Semicolon); });
  EXPECT_EQ(wrongMode.number(), 51);
  EXPECT_EQ(wrongMode.line(), here.line());
}

}  // namespace
}  // namespace tess
