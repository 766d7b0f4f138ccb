// Line mode: the front end for runs whose standard input is not a
// terminal (scripts, pipes). The window's rows go to the output as they are
// completed, dialogs read one line each, message boxes are printed and
// answered with their first button, and nothing waits for a key.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/front_end.h"
#include "platform/posix/ui_charset.h"
#include "platform/posix/ui_signals.h"

namespace tess::platform {

// Where line mode reads its answers.
class LineInput {
 public:
  virtual ~LineInput() = default;
  // The next line without its line end (LF, or CR LF); nothing at the end
  // of the input.
  virtual std::optional<std::string> readLine() = 0;
};

// Lines from a file descriptor. A read interrupted by SIGTERM or SIGHUP
// ends the input; one interrupted by SIGINT goes on reading.
class FdLineInput : public LineInput {
 public:
  FdLineInput(int fd, SignalSource& signals) : fd_(fd), signals_(signals) {}
  std::optional<std::string> readLine() override;

 private:
  int fd_;
  SignalSource& signals_;
  std::string buffer_;
  bool ended_ = false;
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
  LineModeFrontEnd(FileSystem& fs, LineInput& in, std::ostream& out,
                   std::ostream& err, SignalSource& signals,
                   std::string codeset = {});

  bool openWindow(const std::string& title, WindowHost* host) override;
  void rowCompleted(const std::string& rowBytes) override;
  PumpEvents pump() override;
  std::optional<std::string> fileDialog(
      const FileDialogRequest& request) override;
  int messageBox(const std::string& caption, const std::string& text,
                 unsigned style) override;
  void waitForKey() override {}
  void closeWindow() override;
  void failureBox(const std::string& caption, const std::string& text,
                  unsigned style) override;

 private:
  void writeRow(std::string_view rowBytes);
  void notice(const std::string& text);
  std::optional<std::string> ask(const std::string& prompt);

  FileSystem& fs_;
  LineInput& in_;
  std::ostream& out_;
  std::ostream& err_;
  SignalSource& signals_;
  SjisConverter charset_;
  WindowHost* host_ = nullptr;
};

// Line mode on standard input and output with the process's signals.
std::unique_ptr<FrontEnd> makeStdioLineMode(FileSystem& fs);

}  // namespace tess::platform
