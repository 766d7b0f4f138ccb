// The keys the dialogs and boxes understand, decoded from control characters
// and escape sequences (unknown sequences swallowed whole).
#pragma once

#include <string>
#include <string_view>

namespace tess::ui {

enum class KeyName {
  None,  // nothing to act on (an unknown sequence, Alt+key)
  Text,  // a character to insert (DialogKey::text, Shift-JIS)
  Up,
  Down,
  Left,
  Right,
  Home,
  End,
  PageUp,
  PageDown,
  Enter,
  Tab,
  BackTab,
  Backspace,
  Delete,
  Escape,  // a lone Esc
  CtrlA,
  CtrlE,
  CtrlK,
  CtrlU,
  CtrlW,
  Copy,    // F2 or Ctrl-Y
  Break,   // Ctrl-C
  Resize,  // the terminal changed its size
  BadText  // a typed character that Shift-JIS cannot hold
};

struct DialogKey {
  KeyName name = KeyName::None;
  std::string text;  // KeyName::Text: the character in Shift-JIS
};

// The key of a control character (a byte below 0x20 or 0x7F); None for one
// that means nothing here.
KeyName controlKey(unsigned char byte);

// Escape sequences: after ESC, bytes up to the sequence's end belong to it.
// True when afterEscape (the bytes read after ESC, non-ASCII characters as
// 0x80) is a whole sequence: CSI ("[" ... final byte 0x40-0x7E), SS3 ("O"
// and one byte), a string ("]", "P", "_", "^" up to BEL or ESC "\") or
// Alt with one character.
bool escapeSequenceComplete(std::string_view afterEscape);
// The key a whole sequence stands for; None for one that is not known (it
// is swallowed and ignored).
KeyName decodeEscapeSequence(std::string_view afterEscape);

}  // namespace tess::ui
