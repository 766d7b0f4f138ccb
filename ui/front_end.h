// The front end: what shows the main text window and the modal boxes, and
// what brings the user's input in. One per platform: the terminal
// (ncursesw), line mode for scripts, and the Win32 window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace tess::ui {

// A read-only view of the window's cells, kept by the platform-free model.
// cells holds rows * columns Shift-JIS bytes, row after row.
struct CellView {
  const unsigned char* cells = nullptr;
  int columns = 80;
  int rows = 24;
  int cursorColumn = 0;
  int cursorRow = 0;
  bool cursorVisible = false;
};

// The model behind the window, as the front end reaches it.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  virtual CellView cells() const = 0;
  // The system menu's text copy: rows with trailing blanks removed, each
  // followed by CR LF, blank rows left out (Shift-JIS).
  virtual std::string clipboardText() const = 0;
};

struct FileFilter {
  std::string display;  // the whole item, e.g. "log(19*.*)"
  std::string pattern;  // "19*.*" ("*.x;*.y" for several)
};

struct FileDialogRequest {
  bool save = false;
  std::string title;          // Shift-JIS
  std::string initialFolder;  // full path, "" = current directory
  std::string fileName;       // the name box's text
  std::vector<FileFilter> filters;
  int filterIndex = 1;  // 1-based
  bool fileMustExist = false;
  bool pathMustExist = false;
  bool overwritePrompt = false;
  // The longest full path the dialog may return (the platform's limit); a
  // front end refuses a longer choice with a notice, and one whose own
  // buffer is smaller keeps to that.
  size_t maxPathBytes = platform::kPlatformMaxPathBytes;
};

// A message box's buttons, in the order they are shown.
enum class BoxButtons {
  Ok,
  OkCancel,
  AbortRetryIgnore,
  YesNoCancel,
  YesNo,
  RetryCancel,
};

// The icon beside a message box's text.
enum class BoxIcon {
  None,
  Stop,  // an error
  Question,
  Exclamation,  // a warning
  Information,
};

struct BoxStyle {
  BoxButtons buttons = BoxButtons::Ok;
  BoxIcon icon = BoxIcon::None;
  // A Help button beside the others (the window's start-up failure box).
  bool help = false;
  bool operator==(const BoxStyle&) const = default;
};

// The button that closed a message box.
enum class BoxAnswer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct PumpEvents {
  bool breakRequested = false;  // character code 3, SIGINT in line mode
  bool quit = false;            // the window was closed (hang-up, SIGTERM)
};

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // Creates and shows the main text window with the title. False when the
  // window cannot be had (the caller then shows the start-up failure box).
  virtual bool openWindow(const std::string& title, WindowHost* host) = 0;
  // The model changed: rows 0..rows-1 of the view may differ. A front end
  // may draw now or at the next pump; the line feed notice tells line mode
  // that a row is complete (rowBytes is its 80 bytes).
  virtual void rowCompleted(const std::string& rowBytes) { (void)rowBytes; }
  // Handles pending input and painting; never blocks.
  virtual PumpEvents pump() = 0;
  // Modal dialogs: the chosen full path, or nothing on cancel or failure.
  virtual std::optional<std::string> fileDialog(
      const FileDialogRequest& request) = 0;
  // Modal message box: the button the user chose.
  virtual BoxAnswer messageBox(const std::string& caption,
                               const std::string& text, BoxStyle style) = 0;
  // The error report's and the break's wait: until a key is pressed or the
  // window is closed. Line mode does not wait.
  virtual void waitForKey() = 0;
  // Whether waitForKey waits (the report asks for a key only then).
  virtual bool waitsForKey() const { return true; }
  // The program refused a dialog's answer (Shift-JIS, as the dialog gave
  // it) for reason (Shift-JIS) and has said so in the window: true when the
  // dialog may ask again, false when the session must end there (answers
  // read from a script would land on the wrong questions from then on).
  virtual bool answerRefused(const std::string& answer,
                             const std::string& reason) {
    (void)answer;
    (void)reason;
    return true;
  }
  // True when the session ended short of what it was asked: an answer of a
  // script was refused, or its input ended while a run was half chosen. The
  // program then ends with exit code 1.
  virtual bool sessionFailed() const { return false; }
  // Closes the window at the end of the run (restores the terminal).
  virtual void closeWindow() = 0;
  // The signal that closed the window (SIGTERM, SIGHUP), 0 when none did;
  // the process's exit code then tells so.
  virtual int endSignal() const { return 0; }
  // A box shown when there is no window (start-up failures).
  virtual void failureBox(const std::string& caption, const std::string& text,
                          BoxStyle style) {
    messageBox(caption, text, style);
  }
};

// The process: the executable's path and the show command.
struct ProcessInfo {
  std::string executablePath;
  int showCommand = 1;
};

}  // namespace tess::ui
