// The terminal's keys: curses key codes and escape sequences read to their
// end, turned into the keys the dialogs understand; a hang-up ends the wait.
#ifndef _XOPEN_SOURCE_EXTENDED
#define _XOPEN_SOURCE_EXTENDED 1
#endif
#include <curses.h>
#include <poll.h>
#include <unistd.h>

#include <climits>
#include <cwchar>

#include "ui/model/ui_dialog_keys.h"
#include "ui/terminal/ui_terminal.h"

namespace tess::ui {

namespace {

constexpr int kWaitSliceMs = 100;
// How long the rest of an escape sequence may take to arrive.
constexpr int kSequenceByteMs = 30;

}  // namespace

std::optional<TerminalFrontEnd::Key> TerminalFrontEnd::readKey(int timeoutMs) {
  wtimeout(stdscr, timeoutMs);
  wint_t code = 0;
  int kind = wget_wch(stdscr, &code);
  if (kind == ERR) return std::nullopt;
  Key key;
  key.function = kind == KEY_CODE_YES;
  key.code = static_cast<unsigned>(code);
  return key;
}

bool TerminalFrontEnd::terminalHungUp(int timeoutMs) {
  if (hungUp_) return true;
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, timeoutMs) > 0 &&
      (input.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    hungUp_ = true;
  }
  return hungUp_;
}

std::optional<TerminalFrontEnd::Key> TerminalFrontEnd::waitKey(int timeoutMs) {
  if (std::optional<Key> key = readKey(0)) return key;
  // Waiting on the terminal itself also tells when it has gone away (a
  // closed terminal emulator does not always send a hang-up signal).
  if (terminalHungUp(timeoutMs)) return std::nullopt;
  return readKey(0);
}

std::optional<DialogKey> TerminalFrontEnd::nextKey() {
  while (!closed()) {
    if (std::optional<Key> key = waitKey(kWaitSliceMs)) return translate(*key);
  }
  return std::nullopt;
}

DialogKey TerminalFrontEnd::translate(const Key& key) {
  DialogKey result;
  if (key.function) {
    switch (static_cast<int>(key.code)) {
      case KEY_UP:
        result.name = KeyName::Up;
        break;
      case KEY_DOWN:
        result.name = KeyName::Down;
        break;
      case KEY_LEFT:
        result.name = KeyName::Left;
        break;
      case KEY_RIGHT:
        result.name = KeyName::Right;
        break;
      case KEY_HOME:
      case KEY_FIND:
      case KEY_A1:
        result.name = KeyName::Home;
        break;
      case KEY_END:
      case KEY_SELECT:
      case KEY_C1:
        result.name = KeyName::End;
        break;
      case KEY_PPAGE:
      case KEY_A3:
        result.name = KeyName::PageUp;
        break;
      case KEY_NPAGE:
      case KEY_C3:
        result.name = KeyName::PageDown;
        break;
      case KEY_ENTER:
        result.name = KeyName::Enter;
        break;
      case KEY_BTAB:
        result.name = KeyName::BackTab;
        break;
      case KEY_BACKSPACE:
        result.name = KeyName::Backspace;
        break;
      case KEY_DC:
        result.name = KeyName::Delete;
        break;
      case KEY_RESIZE:
        result.name = KeyName::Resize;
        break;
      default:
        if (key.code == static_cast<unsigned>(KEY_F(2))) {
          result.name = KeyName::Copy;
        }
        break;
    }
    return result;
  }
  if (key.code == 27) {
    // A lone Esc, or the start of a sequence the terminal description does
    // not know: read it to its end so that none of it is taken for typed
    // keys (or left for the shell).
    std::string sequence;
    while (!escapeSequenceComplete(sequence)) {
      std::optional<Key> more = readKey(kSequenceByteMs);
      if (!more) break;
      if (more->function) {
        sequence += 'A';  // Alt with a key the library decoded
        break;
      }
      sequence += more->code < 0x80 ? static_cast<char>(more->code) : '\x80';
    }
    result.name =
        sequence.empty() ? KeyName::Escape : decodeEscapeSequence(sequence);
    return result;
  }
  if (key.code < 0x20 || key.code == 0x7F) {
    result.name = controlKey(static_cast<unsigned char>(key.code));
    return result;
  }
  char bytes[MB_LEN_MAX];
  std::mbstate_t state{};
  const size_t n = std::wcrtomb(bytes, static_cast<wchar_t>(key.code), &state);
  std::optional<std::string> sjis;
  if (n != static_cast<size_t>(-1)) {
    sjis = typing_.toSjis(std::string_view(bytes, n));
  }
  if (sjis && !sjis->empty()) {
    result.name = KeyName::Text;
    result.text = std::move(*sjis);
  } else {
    result.name = KeyName::BadText;  // Shift-JIS has no such character
  }
  return result;
}

bool TerminalFrontEnd::closed() { return signals_.quitRequested() || hungUp_; }

}  // namespace tess::ui
