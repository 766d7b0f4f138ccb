#include "ui/model/ui_dialog_keys.h"

namespace tess::ui {

KeyName controlKey(unsigned char byte) {
  switch (byte) {
    case 1:
      return KeyName::CtrlA;
    case 3:
      return KeyName::Break;
    case 5:
      return KeyName::CtrlE;
    case 8:
    case 127:
      return KeyName::Backspace;
    case 9:
      return KeyName::Tab;
    case 10:
    case 13:
      return KeyName::Enter;
    case 11:
      return KeyName::CtrlK;
    case 21:
      return KeyName::CtrlU;
    case 23:
      return KeyName::CtrlW;
    case 25:
      return KeyName::Copy;
    case 27:
      return KeyName::Escape;
    default:
      return KeyName::None;
  }
}

bool escapeSequenceComplete(std::string_view s) {
  if (s.empty()) return false;
  if (s.size() >= 64) return true;  // nothing this long is a key: give up
  const char kind = s[0];
  if (kind == '\x1b')
    return s.size() > 1 && escapeSequenceComplete(s.substr(1));
  if (kind == '[') {
    // The Linux console's function keys: "[[" and one letter.
    if (s.size() >= 2 && s[1] == '[') return s.size() >= 3;
    for (size_t i = 1; i < s.size(); ++i) {
      const auto b = static_cast<unsigned char>(s[i]);
      if (b >= 0x40 && b <= 0x7E) return true;
    }
    return false;
  }
  if (kind == 'O') return s.size() >= 2;
  if (kind == ']' || kind == 'P' || kind == '_' || kind == '^') {
    return s.back() == '\a' ||
           (s.size() >= 3 && s[s.size() - 2] == '\x1b' && s.back() == '\\');
  }
  return true;  // Alt with one character
}

KeyName decodeEscapeSequence(std::string_view s) {
  struct Known {
    std::string_view sequence;
    KeyName key;
  };
  static constexpr Known kKnown[] = {
      {"[A", KeyName::Up},      {"[B", KeyName::Down},
      {"[C", KeyName::Right},   {"[D", KeyName::Left},
      {"[H", KeyName::Home},    {"[F", KeyName::End},
      {"OA", KeyName::Up},      {"OB", KeyName::Down},
      {"OC", KeyName::Right},   {"OD", KeyName::Left},
      {"OH", KeyName::Home},    {"OF", KeyName::End},
      {"OM", KeyName::Enter},   {"[Z", KeyName::BackTab},
      {"[1~", KeyName::Home},   {"[7~", KeyName::Home},
      {"[4~", KeyName::End},    {"[8~", KeyName::End},
      {"[5~", KeyName::PageUp}, {"[6~", KeyName::PageDown},
      {"[3~", KeyName::Delete}, {"OQ", KeyName::Copy},
      {"[12~", KeyName::Copy},
  };
  for (const Known& known : kKnown) {
    if (s == known.sequence) return known.key;
  }
  return KeyName::None;
}

}  // namespace tess::ui
