#include "shell/command_window.h"

#include <chrono>
#include <string_view>
#include <utility>

#include "conversion/log_reading_texts.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/runtime_error.h"
#include "shell/coarse_count_clock.h"
#include "shell/command_driver.h"
#include "shell/run_driver.h"
#include "shell/statement_pump.h"
#include "shell/text_window.h"

namespace tess {

namespace {

constexpr const char* kProgram = "tessarine";
constexpr ui::BoxStyle kInformationBox{ui::BoxButtons::Ok,
                                       ui::BoxIcon::Information};
constexpr ui::BoxStyle kStopBox{ui::BoxButtons::Ok, ui::BoxIcon::Stop};
// What a stop request stands for: a break (Ctrl-C in the window) as SIGINT,
// a closed window as SIGTERM.
constexpr int kBreakStop = 2;
constexpr int kClosedStop = 15;

class WindowCommandHost : public CommandHost {
 public:
  WindowCommandHost(platform::FileSystem& fs, ui::FrontEnd& ui,
                    MillisecondClock clock)
      : ui_(ui),
        pump_(ui, std::move(clock)),
        window_(&ui),
        files_(fs),
        printer_(files_, &window_) {}

  bool open() { return ui_.openWindow(kProgram, &window_); }

  void message(std::string_view line) override {
    if (!box_.empty()) box_ += "\n";
    box_ += line;
  }
  void helpText(std::string_view text) override {
    ui_.messageBox(kProgram, std::string(text), kInformationBox);
  }
  Text help() const override { return Text::HelpWindow; }
  // The window speaks Japanese, in Shift-JIS, like the rest of the program.
  CommandTexts texts() const override {
    return CommandTexts(Language::Japanese, TextEncoding::ShiftJis);
  }
  bool canShowStatus() const override { return false; }
  bool showsSummary() const override { return true; }
  void status(std::string_view) override {}
  double seconds() override {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch())
        .count();
  }
  // The window stays responsive as it does while the dialogs' runs
  // convert: the command looks for a stop request every few statements,
  // and the window's messages are handled there by the same clock-driven
  // pump, about every 10 ms, so that the conversion runs nearly as fast as
  // without a window.
  int stopSignal() override {
    if (stop_ != 0) return stop_;
    try {
      pump_.statementStart(0);
    } catch (const ProgramEnd& end) {
      stop_ = end.reason == ProgramEnd::Reason::WindowClosed ? kClosedStop
                                                             : kBreakStop;
    }
    return stop_;
  }
  // True when the window was closed or a break asked the command to stop.
  bool stopped() const { return stop_ != 0; }
  ScreenWindow* screen() override { return &window_; }
  // The count is drawn at the pace of the dialogs' runs.
  CountClock* countClock() override { return &countClock_; }
  void runStarted(const std::string& log, const std::string& output,
                  const LogReading& reading) override {
    printRunBanner(printer_);
    printLine(convertingLine(ByteString(std::string_view(log))));
    const ByteString notice = readingNotice(reading);
    if (!notice.empty()) printLine(notice);
    printLine("");
    printLine(savingLine(ByteString(std::string_view(output))));
  }

  // The box that ends the command, then the window closes.
  void finish(int exitCode) {
    if (stop_ == kBreakStop) {
      message(std::string(kProgram) + ": " + texts()(Text::Interrupted));
    }
    if (stop_ != kClosedStop && !box_.empty()) {
      ui_.messageBox(kProgram, box_,
                     exitCode == 0 ? kInformationBox : kStopBox);
    }
    window_.markClosed();
    ui_.closeWindow();
  }

 private:
  void printLine(const ByteString& text) {
    printer_.selectOutputWindow(0);
    printer_.printString(text, PrintSeparator::EndOfStatement);
  }

  ui::FrontEnd& ui_;
  StatementPump pump_;
  TextWindow window_;
  CoarseCountClock countClock_;
  FileTable files_;  // no channel is opened: the printer needs a table
  Printer printer_;
  std::string box_;
  int stop_ = 0;
};

}  // namespace

int runWindowCommandLine(const std::vector<std::string>& args,
                         platform::FileSystem& fs, ui::FrontEnd& ui,
                         MillisecondClock clock) {
  WindowCommandHost host(fs, ui, std::move(clock));
  if (!host.open()) {
    ui.failureBox(kProgram, host.texts()(Text::NoWindow), kStopBox);
    return CommandDriver::kExitError;
  }
  int exitCode = CommandDriver::kExitError;
  try {
    exitCode = runCommandLine(args, fs, host, kProgram, true);
  } catch (const RuntimeError& error) {
    // The window's own lines failed (the window was closed meanwhile).
    host.message(std::string(kProgram) + ": " + error.what());
  }
  host.finish(exitCode);
  // A closed window or a break cut the session short, as in the dialogs'
  // program: 1, not the number of a signal, which Windows does not have.
  if (host.stopped()) return CommandDriver::kExitError;
  return exitCode;
}

}  // namespace tess
