// What the terminal's file dialogs and message boxes are, apart from how
// they are drawn: the keys they understand (escape sequences decoded here,
// unknown ones swallowed whole), the name field as a line editor, the file
// dialog's state and how each key changes it, and the wrapping of a box's
// text. All text is Shift-JIS, one byte per cell (a double-byte character
// takes two cells), so widths are byte counts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "ui/front_end.h"
#include "ui/model/ui_dialog_rules.h"

namespace tess::platform {

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

// Shift-JIS character steps: the length of the character at index i.
size_t sjisCharLength(std::string_view text, size_t i);

// Text cut to at most cells cells on character bounds. A cut is marked:
// with keepEnd the start is dropped and "<" stands before the rest (a long
// folder path), otherwise the end is dropped and ">" ends it.
std::string fitSjis(std::string_view text, size_t cells, bool keepEnd = false);

// A one-line editor as in a shell prompt, over Shift-JIS text, with a
// cursor on character bounds.
class LineEditor {
 public:
  void set(std::string text);  // the cursor goes to the end
  const std::string& text() const { return text_; }
  size_t cursor() const { return cursor_; }
  // Handles the editing keys (Text, Left, Right, Home, End, Backspace,
  // Delete, Ctrl-A/E/U/K/W); false for any other key.
  bool apply(const DialogKey& key);
  // The part shown in a field of width cells, scrolled so that the cursor
  // stays in it, and the cursor's cell within it.
  std::string visible(size_t width, size_t* cursorCell) const;

 private:
  size_t previous(size_t i) const;
  std::string text_;
  size_t cursor_ = 0;
};

enum class DialogFocus { Type, Name, List };

enum class DialogOutcome {
  Open,       // the dialog stays
  Chosen,     // result() is the answer
  Cancelled,  // Esc
  Copy,       // the front end copies the window's text, the dialog stays
};

// One open file dialog. The list starts without a highlight and the name
// field has the focus, so Enter applies the name field; Down enters the
// list, and from then on the highlight is what Enter acts on, and the name
// field shows it (a folder with its separator). Up/Down move between the type
// row, the name field and the list; Left/Right switch the type only on the type
// row and move the name field's cursor otherwise; Tab/Shift-Tab switch the
// type anywhere.
class FileDialogModel {
 public:
  FileDialogModel(FileSystem& fs, const FileDialogRequest& request);

  // The list rows the view shows (PgUp/PgDn move by them).
  void setListRows(int rows);
  DialogOutcome press(const DialogKey& key);
  // A notice (Shift-JIS) shown until the next key.
  void setNotice(std::string notice) { notice_ = std::move(notice); }

  const std::string& folder() const { return folder_; }
  // The file type's text (the filter item or the typed pattern).
  std::string typeText() const;
  const std::vector<ListEntry>& entries() const { return entries_; }
  // The highlighted entry; -1 when there is none (the name field applies).
  int selected() const { return selected_; }
  int top() const { return top_; }
  int listRows() const { return listRows_; }
  DialogFocus focus() const { return focus_; }
  const LineEditor& name() const { return name_; }
  const std::string& notice() const { return notice_; }
  // "12/300" (the highlighted entry, or 0 without one, and the count).
  std::string position() const;
  // An entry as listed: folders with a final "/".
  static std::string entryText(const ListEntry& entry);
  const std::string& result() const { return result_; }

 private:
  void reload();
  void highlight(int index);
  void leaveList(DialogFocus focus);
  void switchType(int step);
  bool enterFolder(const std::string& path, const std::string& cameFrom);
  DialogOutcome applyHighlight();
  DialogOutcome applyName(const std::string& name);
  void keepInView();

  FileSystem& fs_;
  const FileDialogRequest& request_;
  std::string folder_;
  std::string pattern_;
  size_t filterIndex_ = 0;
  bool customPattern_ = false;
  std::vector<ListEntry> entries_;
  size_t unnamed_ = 0;  // entries whose names cannot be shown
  int selected_ = -1;
  int top_ = 0;
  int listRows_ = 8;
  DialogFocus focus_ = DialogFocus::Name;
  LineEditor name_;
  bool nameFromList_ = false;   // the name field holds a listed entry's name
  std::string nameBeforeList_;  // what it held before
  std::string initialName_;
  std::string notice_;
  bool confirming_ = false;  // asking whether to replace result_
  std::string result_;
};

// A box's text wrapped at width cells on character bounds: every line of
// the text, as many rows as it needs; nothing is dropped.
std::vector<std::string> wrapBoxText(std::string_view text, size_t width);

// The hint line of a box: no word of buttons when there is only one.
const char* boxHint(size_t buttons);

// The first window row shown when only areaRows screen rows are left for
// the window (a small terminal, a panel below): the rows up to the print
// position stay in sight, the print position's own unless it stands at the
// start of an empty row.
int windowViewTop(const CellView& view, int areaRows);

}  // namespace tess::platform
