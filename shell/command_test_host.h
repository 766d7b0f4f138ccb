// A command host for the command line's tests: it records the messages, the
// help text and the logs' readings, never shows a status line, and answers
// the stop request with the signal the test sets.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "shell/command_driver.h"

namespace tess::testing {

class RecordingCommandHost : public CommandHost {
 public:
  void message(std::string_view line) override { lines.emplace_back(line); }
  void helpText(std::string_view text) override { help += text; }
  bool canShowStatus() const override { return false; }
  void status(std::string_view) override { ADD_FAILURE() << "status drawn"; }
  double seconds() override { return 0; }
  int stopSignal() override { return stop; }
  void runStarted(const std::string&, const std::string&,
                  const LogReading& reading) override {
    readings.push_back(reading);
  }

  std::vector<std::string> lines;
  std::string help;
  std::vector<LogReading> readings;
  int stop = 0;
};

}  // namespace tess::testing
