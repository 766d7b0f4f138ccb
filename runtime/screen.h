// What the conversion and the print machinery need of the main text window
// and of the message box. The shell implements these; tests use doubles.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/byte_string.h"

namespace tess {

class ScreenWindow {
 public:
  virtual ~ScreenWindow() = default;
  // The print position's column (0-based) and the window's width (80).
  virtual int printColumn() const = 0;
  virtual int printWidth() const = 0;
  // Puts bytes at the print position: CR, LF, wrapping and scrolling apply.
  virtual void writeText(std::string_view bytes) = 0;
  // Row of the print position, 0..23.
  virtual int currentRow() const = 0;
  // flags: bit 0 column given, bit 1 row given, bit 2 cursor switch given.
  // A given value out of range raises error 5.
  virtual void setPosition(int64_t column, int64_t row, int64_t cursor,
                           int flags) = 0;
};

// The numbers of the box statement: its buttons, its icon and the button
// pressed.
namespace box {
enum Buttons : int64_t {
  kOk = 0,
  kOkCancel = 1,
  kAbortRetryIgnore = 2,
  kYesNoCancel = 3,
  kYesNo = 4,
  kRetryCancel = 5,
};
enum Icon : int64_t {
  kStop = 0,
  kQuestion = 1,
  kExclamation = 2,
  kInformation = 3,
  kNoIcon = 4,
};
enum Answer : int {
  kAnsweredOk = 0,
  kAnsweredCancel = 1,
  kAnsweredAbort = 2,
  kAnsweredRetry = 3,
  kAnsweredIgnore = 4,
  kAnsweredYes = 5,
  kAnsweredNo = 6,
};
}  // namespace box

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // buttons 0..5, icon 0..4; returns the pressed button as 0..6.
  virtual int showMessageBox(int64_t window, const ByteString& caption,
                             const ByteString& text, int64_t buttons,
                             int64_t icon) = 0;
};

}  // namespace tess
