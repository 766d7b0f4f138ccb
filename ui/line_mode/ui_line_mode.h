// Line mode: the front end for runs whose standard input or output is not
// a terminal that can be drawn on (scripts, pipes, TERM=dumb). The window's
// rows go to the output as they are completed (buffered, and written out
// before each prompt, each report and at the end), dialogs read one line
// each, message boxes are printed and answered with their first button, and
// nothing waits for a key. Nothing written holds a control character.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/posix/path_encoding.h"
#include "ui/front_end.h"
#include "ui/posix/ui_charset.h"
#include "ui/posix/ui_signals.h"

namespace tess::ui {

// Where line mode reads its answers.
class LineInput {
 public:
  virtual ~LineInput() = default;
  // The next line without its line end (LF, or CR LF); nothing at the end
  // of the input or when a break request came while waiting.
  virtual std::optional<std::string> readLine() = 0;
  // True once a break request (SIGINT) ended a wait for a line.
  virtual bool interrupted() const { return false; }
  // True when the last line was longer than kMaxLineBytes: it was read
  // past and dropped, and readLine gave an empty line in its place.
  virtual bool lastLineTooLong() const { return false; }

  // The longest answer line taken (64 KiB): no name is nearly as long, and a
  // longer line is never held whole.
  static constexpr size_t kMaxLineBytes = 64 * 1024;
};

// Lines from a file descriptor. A read interrupted by SIGTERM or SIGHUP
// ends the input; one interrupted by SIGINT ends it as well and takes the
// break request (interrupted() then says so).
class FdLineInput : public LineInput {
 public:
  FdLineInput(int fd, SignalSource& signals) : fd_(fd), signals_(signals) {}
  std::optional<std::string> readLine() override;
  bool interrupted() const override { return interrupted_; }
  bool lastLineTooLong() const override { return tooLong_; }

 private:
  int fd_;
  SignalSource& signals_;
  std::string buffer_;
  bool ended_ = false;
  bool interrupted_ = false;
  bool dropping_ = false;  // inside a line that is too long
  bool tooLong_ = false;
};

// Lines from a stream (tests).
class StreamLineInput : public LineInput {
 public:
  explicit StreamLineInput(std::istream& in) : in_(in) {}
  std::optional<std::string> readLine() override;

 private:
  std::istream& in_;
};

class LineModeFrontEnd : public FrontEnd {
 public:
  // codeset: the charset of the output ("" = the locale's).
  LineModeFrontEnd(platform::FileSystem& fs, LineInput& in, std::ostream& out,
                   std::ostream& err, SignalSource& signals,
                   std::string codeset = {});
  ~LineModeFrontEnd() override;

  bool openWindow(const std::string& title, WindowHost* host) override;
  void rowCompleted(const std::string& rowBytes) override;
  PumpEvents pump() override;
  std::optional<std::string> fileDialog(
      const FileDialogRequest& request) override;
  BoxAnswer messageBox(const std::string& caption, const std::string& text,
                       BoxStyle style) override;
  // The report is complete: what it wrote goes out (nothing waits).
  void waitForKey() override { flush(); }
  bool waitsForKey() const override { return false; }
  bool answerRefused(const std::string& answer,
                     const std::string& reason) override;
  bool sessionFailed() const override { return failed_; }
  void closeWindow() override;
  void failureBox(const std::string& caption, const std::string& text,
                  BoxStyle style) override;
  int endSignal() const override { return signals_.quitSignal(); }
  // Answers from a script (the input is not a terminal): each answer is
  // echoed after its prompt (a terminal has shown the typed line already),
  // and a refused answer ends the session instead of being asked for again.
  void setScript(bool script) { script_ = script; }

 private:
  // Locale text with every control character shown as "?", so that no
  // escape sequence from a file name or a log reaches the terminal.
  void emit(std::string_view text);
  void flush();
  void writeRow(std::string_view rowBytes);
  // Shift-JIS text, converted and with control characters shown as "?".
  void notice(const std::string& sjis);
  std::optional<std::string> ask(const std::string& prompt);
  // answerRefused with the answer as it is shown (locale text).
  bool endsScript(const std::string& shownAnswer, const std::string& reason);
  // A refused answer: the notice in the transcript; true when the dialog
  // asks again (see answerRefused).
  bool refuse(const std::string& noticeSjis, const std::string& answer,
              const std::string& reasonSjis);
  // The matching names of a pattern (Shift-JIS full path), under the prompt.
  void listMatches(const std::string& pattern);
  // A full path as the user gives names: relative to the start folder when
  // it lies below it.
  std::string fromStartFolder(const std::string& full) const;

  platform::FileSystem& fs_;
  LineInput& in_;
  std::ostream& out_;
  std::ostream& err_;
  SignalSource& signals_;
  SjisConverter charset_;
  platform::PathEncoding typed_;
  WindowHost* host_ = nullptr;
  // The folder the program was started in: typed names are taken from
  // there, whatever folder a dialog shows.
  std::string startFolder_;
  std::string program_ = "tessarine";
  std::string pending_;
  bool script_ = true;
  bool failed_ = false;
  bool helped_ = false;
  bool pendingBreak_ = false;
};

// Line mode on standard input and output with the process's signals.
std::unique_ptr<FrontEnd> makeStdioLineMode(platform::FileSystem& fs);

}  // namespace tess::ui
