#include "shell/program.h"

#include <string>
#include <utility>

#include "conversion/conversion_assembly.h"
#include "conversion/converter.h"
#include "runtime/error_messages.h"
#include "runtime/file_table.h"
#include "runtime/print.h"
#include "runtime/runtime_error.h"
#include "shell/coarse_count_clock.h"
#include "shell/dialogs.h"
#include "shell/run_driver.h"
#include "shell/shell_texts.inc"
#include "shell/statement_pump.h"
#include "shell/text_window.h"

namespace tess {

namespace {

// The program's module name in reports: its name and the extension of its
// main source file.
constexpr const char* kModule = "Tessarine.cc";
constexpr ui::BoxStyle kStopBox{ui::BoxButtons::Ok, ui::BoxIcon::Stop};
// The start-up failure's box offers help beside its OK button.
constexpr ui::BoxStyle kHelpWarning{ui::BoxButtons::Ok,
                                    ui::BoxIcon::Exclamation, true};

// The executable's name without its folder and without everything from its
// first ".".
std::string programName(const std::string& executablePath,
                        const platform::FileSystem& fs) {
  std::string name = executablePath.substr(nameStart(executablePath, fs));
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

}  // namespace

struct Program::State {
  State(platform::FileSystem& fs, ui::FrontEnd& ui, MillisecondClock clock)
      : pump(ui, std::move(clock)),
        window(&ui),
        dialogs(fs, ui, &window, &pump),
        conversion(fs, {&pump, &pump, &window, &dialogs}),
        files(conversion.files()),
        printer(conversion.printer()),
        driver(conversion, dialogs) {
    conversion.setCountClock(&countClock);
  }

  // From here on nothing runs as a statement of the program: no pump, no
  // second end request while the run ends.
  void stopStatements() {
    files.setObserver(nullptr);
    printer.setObserver(nullptr);
    dialogs.setObserver(nullptr);
  }

  CoarseCountClock countClock;
  StatementPump pump;
  TextWindow window;
  Dialogs dialogs;
  ConversionAssembly conversion;
  FileTable& files;
  Printer& printer;
  RunDriver driver;
};

Program::Program(platform::FileSystem& fs, ui::FrontEnd& ui,
                 ui::ProcessInfo process, MillisecondClock clock)
    : fs_(fs),
      ui_(ui),
      process_(std::move(process)),
      clock_(std::move(clock)) {}

Program::~Program() = default;

int Program::run() {
  const std::string name = programName(process_.executablePath, fs_);
  const std::string caption = name + ".EXE";
  State state(fs_, ui_, clock_);
  if (!ui_.openWindow(name, &state.window)) {
    ui_.failureBox(caption, texts::kCannotOpenWindow, kStopBox);
    return 0;
  }

  // Shows the report of an error in the window, its meaning on the next
  // line, and waits for a key; when the window cannot show it, a box takes
  // its place.
  auto report = [&](uint32_t line, uint16_t number) {
    const ByteString text = formatErrorReport(kModule, line, number);
    const std::string_view meaning = errorMeaning(number);
    try {
      state.window.writeText(text.view());
      if (!meaning.empty()) {
        state.window.writeText("\r\n");
        state.window.writeText(meaning);
      }
      // Only a front end that waits asks for a key.
      if (ui_.waitsForKey()) state.window.writeText(texts::kPressAnyKey);
      ui_.waitForKey();
      state.window.writeText("\r\n");
    } catch (const RuntimeError&) {
      std::string boxText = text.str();
      if (!meaning.empty()) boxText += "\n" + std::string(meaning);
      ui_.failureBox(caption, boxText, kHelpWarning);
    }
  };

  int exitCode = 0;
  try {
    state.driver.run();
    // A break requested while the last dialog waited ends as a break.
    if (ui_.pump().breakRequested) {
      throw ProgramEnd{ProgramEnd::Reason::BreakRequested,
                       state.pump.currentLine()};
    }
  } catch (const ProgramEnd& end) {
    state.stopStatements();
    // A break or a window closed during the run: the session was cut.
    exitCode = 1;
    try {
      // The outputs end after their last whole record.
      if (const int failed = state.files.keepWholeRecords()) {
        raiseError(static_cast<uint16_t>(failed));
      }
      if (end.reason == ProgramEnd::Reason::BreakRequested) {
        std::string text = texts::kInterrupted;
        text += " ";
        text += kModule;
        text += "[" + std::to_string(end.line) + texts::kLineSuffix;
        if (ui_.waitsForKey()) text += texts::kPressAnyKey;
        state.window.writeText(text);
        ui_.waitForKey();
        state.window.writeText("\r\n");
      }
    } catch (const RuntimeError& e) {
      exitCode = 1;
      if (end.reason == ProgramEnd::Reason::WindowClosed) {
        state.window.markClosed();  // the user closed it: a box reports
      }
      report(end.line, e.number());
    }
  } catch (const RuntimeError& error) {
    state.stopStatements();
    exitCode = 1;
    // Every whole record written so far reaches its file before the
    // report, and the outputs end after the last one; a failure there is the
    // error to report, at the line where the run stopped.
    uint16_t number = error.number();
    if (const int failed = state.files.keepWholeRecords()) {
      number = static_cast<uint16_t>(failed);
    }
    report(error.line(), number);
  }

  // Ending: the window goes first, then every channel is closed, so every
  // output file gets its end-of-file mark. Nothing can be reported any more;
  // a failure still makes the exit code say so.
  state.stopStatements();
  state.window.markClosed();
  ui_.closeWindow();
  try {
    state.files.closeFiles();
  } catch (const RuntimeError&) {
    if (exitCode == 0) exitCode = 1;
  }
  // A script whose answer was refused, or whose input ended with a run half
  // chosen, did not get what it asked for.
  if (exitCode == 0 && ui_.sessionFailed()) exitCode = 1;
  // Ended by a signal (the output still closed): 128 + its number.
  if (const int signo = ui_.endSignal()) exitCode = 128 + signo;
  return exitCode;
}

}  // namespace tess
