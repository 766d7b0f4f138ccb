#include "shell/command_window.h"

#include <chrono>
#include <string_view>

#include "conversion/log_reading_texts.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/runtime_error.h"
#include "shell/command_driver.h"
#include "shell/run_driver.h"
#include "shell/text_window.h"

namespace tess {

namespace {

constexpr const char* kProgram = "tessarine";
constexpr unsigned kIconHand = 0x10;
constexpr unsigned kIconInformation = 0x40;
// What a stop request stands for: a break (Ctrl-C in the window) as SIGINT,
// a closed window as SIGTERM.
constexpr int kBreakStop = 2;
constexpr int kClosedStop = 15;

class WindowCommandHost : public CommandHost {
 public:
  WindowCommandHost(platform::FileSystem& fs, platform::FrontEnd& ui)
      : ui_(ui), window_(&ui), files_(fs), printer_(files_, &window_) {}

  bool open() { return ui_.openWindow(kProgram, &window_); }

  void message(std::string_view line) override {
    if (!box_.empty()) box_ += "\n";
    box_ += line;
  }
  void helpText(std::string_view text) override {
    ui_.messageBox(kProgram, std::string(text), kIconInformation);
  }
  HelpLayout helpLayout() const override { return HelpLayout::Box; }
  bool canShowStatus() const override { return false; }
  bool showsSummary() const override { return true; }
  void status(std::string_view) override {}
  double seconds() override {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch())
        .count();
  }
  // The window stays responsive: its messages are handled each time the
  // command looks for a stop request (every few statements).
  int stopSignal() override {
    if (stop_ != 0) return stop_;
    const platform::PumpEvents events = ui_.pump();
    if (events.quit) stop_ = kClosedStop;
    if (events.breakRequested) stop_ = kBreakStop;
    return stop_;
  }
  ScreenWindow* screen() override { return &window_; }
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
      message(std::string(kProgram) +
              ": interrupted; the output holds the records written so far");
    }
    if (stop_ != kClosedStop && !box_.empty()) {
      ui_.messageBox(kProgram, box_,
                     exitCode == 0 ? kIconInformation : kIconHand);
    }
    window_.markClosed();
    ui_.closeWindow();
  }

 private:
  void printLine(const ByteString& text) {
    printer_.selectOutputWindow(0);
    printer_.printString(text, PrintSeparator::EndOfStatement);
  }

  platform::FrontEnd& ui_;
  TextWindow window_;
  FileTable files_;  // no channel is opened: the printer needs a table
  Printer printer_;
  std::string box_;
  int stop_ = 0;
};

}  // namespace

int runWindowCommandLine(const std::vector<std::string>& args,
                         platform::FileSystem& fs, platform::FrontEnd& ui) {
  WindowCommandHost host(fs, ui);
  if (!host.open()) {
    ui.failureBox(kProgram, "The window cannot be opened.", kIconHand);
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
  return exitCode;
}

}  // namespace tess
