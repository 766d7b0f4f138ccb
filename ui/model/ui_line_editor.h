// The name field of a dialog: a one-line editor over Shift-JIS text, one
// byte per cell (a double-byte character takes two cells), and text cut to
// a number of cells on character bounds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ui/model/ui_dialog_keys.h"

namespace tess::ui {

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
  // The whole text selected, as a dialog offers its name: typed text takes
  // its place and a deleting key clears it; a moving key only ends the
  // selection. Any key the editor handles ends it.
  void selectAll() { allSelected_ = !text_.empty(); }
  bool allSelected() const { return allSelected_; }
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
  bool applyToText(const DialogKey& key);
  std::string text_;
  size_t cursor_ = 0;
  bool allSelected_ = false;
};

}  // namespace tess::ui
