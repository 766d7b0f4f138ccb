// The whole program over an in-memory file system and a scripted front end:
// the logs, the fixture and the row helpers its tests share.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "shell/program.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/fake_front_end.h"
#include "tests/support/sjis.h"

namespace tess::testing {

inline constexpr char kEof = '\x1A';

inline std::string padded(std::string text) {
  text.resize(80, ' ');
  return text;
}

inline std::string trimmed(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

inline bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() > tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

inline size_t countOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

// A log with messages of conference 3; with a board line for that
// conference first unless boardLine is false.
inline std::string logWith(int messages, bool boardLine = true,
                           int bodyLines = 2) {
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

// One run of the program as /usr/bin/tessarine over files and front.
inline int runProgram(FakeFileSystem& files, FakeFrontEnd& front) {
  Program program(files, front, {"/usr/bin/tessarine", 1});
  return program.run();
}

// Two logs (/logs/19961231.log with 2 messages, /logs/19970101.log with 3)
// and an empty folder /out.
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

  // The answers to one conversion's two dialogs.
  void answerOneRun(const std::string& log = "/logs/19961231.log",
                    const std::string& output = "/out/kanbel.ren") {
    ui.answerDialog(log);
    ui.answerDialog(output);
  }

  // One conversion of /logs/big.log, a log of 400 messages long enough for
  // many pumps, into /out/kanbel.ren; the pump's call-th call brings events.
  void answerBigRun(int call, ui::PumpEvents events) {
    fs.setFile("/logs/big.log", logWith(400));
    answerOneRun("/logs/big.log");
    ui.setPumpEvents(call, events);
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

  // The completed row n rows before the end (1: the last one), trimmed;
  // "<no row>" when there are fewer rows.
  std::string rowFromEnd(size_t n) {
    const auto& rows = ui.completedRows();
    return n <= rows.size() ? trimmed(rows[rows.size() - n]) : "<no row>";
  }

  FakeFileSystem fs;
  FakeFrontEnd ui;
  // Each statement start takes 1 ms: the window is pumped every 10
  // statements, whatever the speed of the machine.
  FakeClock time{1};
};

// Events the pump brings: a break request, or the window closed.
inline ui::PumpEvents breakRequest() {
  ui::PumpEvents events;
  events.breakRequested = true;
  return events;
}

inline ui::PumpEvents windowClosed() {
  ui::PumpEvents events;
  events.quit = true;
  return events;
}

}  // namespace tess::testing
