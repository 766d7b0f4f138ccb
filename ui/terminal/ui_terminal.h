// The terminal front end (ncursesw): the 80 x 24 window drawn at the
// terminal's top-left, white on black (on a smaller terminal the rows around
// the print position, with a status line saying so), the file dialogs and
// message boxes as modal panels at the bottom with the window's latest rows
// in sight above them, Ctrl-C as the break request, F2 or Ctrl-Y to copy
// the window's text to the clipboard, and a hang-up or SIGTERM as the
// window's closing.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix/path_encoding.h"
#include "ui/front_end.h"
#include "ui/model/ui_dialog_model.h"
#include "ui/posix/ui_charset.h"
#include "ui/posix/ui_signals.h"

struct screen;

namespace tess::ui {

class TerminalFrontEnd : public FrontEnd {
 public:
  // The terminal is standard input and output; signals must have been
  // set up before the window opens (so the curses library leaves SIGINT and
  // SIGTERM to them).
  TerminalFrontEnd(platform::FileSystem& fs, SignalSource& signals);
  ~TerminalFrontEnd() override;

  bool openWindow(const std::string& title, WindowHost* host) override;
  PumpEvents pump() override;
  std::optional<std::string> fileDialog(
      const FileDialogRequest& request) override;
  BoxAnswer messageBox(const std::string& caption, const std::string& text,
                       BoxStyle style) override;
  void waitForKey() override;
  void closeWindow() override;
  void failureBox(const std::string& caption, const std::string& text,
                  BoxStyle style) override;
  int endSignal() const override;

 private:
  struct Key {
    bool function = false;  // a curses key code rather than a character
    unsigned code = 0;
  };
  struct Panel {
    int y = 0, x = 0, height = 0, width = 0;
  };

  // Draws the window's rows on the screen rows above areaRows (the whole
  // screen less the status line when negative), scrolled so that the print
  // position is in sight when they are fewer than the window's.
  void drawWindow(bool force, int areaRows = -1);
  void redrawAll();
  std::optional<Key> readKey(int timeoutMs);
  // Waits up to timeoutMs for a key; nothing on a timeout or a hang-up.
  std::optional<Key> waitKey(int timeoutMs);
  // The next whole key (escape sequences read to their end); nothing when
  // the session ends while waiting.
  std::optional<DialogKey> nextKey();
  DialogKey translate(const Key& key);
  // Waits up to timeoutMs for input; true once the terminal has hung up.
  bool terminalHungUp(int timeoutMs);
  // The window is gone: SIGTERM, SIGHUP or the terminal hung up.
  bool closed();
  void copyWindowText();
  Panel placePanel(int height, int width) const;
  void drawPanel(const Panel& panel, const std::string& title,
                 const std::string& corner = {});
  // Shift-JIS text at a screen position, cut to maxCells.
  void putText(int y, int x, std::string_view sjis, int maxCells,
               int attributes, bool keepEnd = false);
  void drawDialog(const FileDialogRequest& request, FileDialogModel& model);
  void endModal();

  platform::FileSystem& fs_;
  SignalSource& signals_;
  SjisConverter display_;
  SjisConverter utf8_{"UTF-8"};
  platform::PathEncoding typing_;
  WindowHost* host_ = nullptr;
  struct screen* screen_ = nullptr;
  bool colors_ = false;
  std::vector<std::string> drawnRows_;
  int viewTop_ = 0;
  std::chrono::steady_clock::time_point lastPump_{};
  bool pendingBreak_ = false;
  bool hungUp_ = false;
};

// True when the terminal named by TERM can be drawn on (it is known and can
// move the cursor); otherwise the program runs in line mode.
bool terminalUsable();

// The terminal front end on standard input and output with the process's
// signals and the crash restore of the terminal.
std::unique_ptr<FrontEnd> makeStdioTerminal(platform::FileSystem& fs);

}  // namespace tess::ui
