// What the terminal's file dialog is, apart from how it is drawn: its
// state and how each key changes it (the keys in ui_dialog_keys.h, the name
// field in ui_line_editor.h). All text is Shift-JIS, one byte per cell (a
// double-byte character takes two cells), so widths are byte counts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "ui/front_end.h"
#include "ui/model/ui_dialog_keys.h"
#include "ui/model/ui_dialog_rules.h"
#include "ui/model/ui_line_editor.h"

namespace tess::ui {

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
  FileDialogModel(platform::FileSystem& fs, const FileDialogRequest& request);

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

  platform::FileSystem& fs_;
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

}  // namespace tess::ui
