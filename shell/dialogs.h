// The open and save dialogs, the message box, the current directory and the
// 16 directory-search slots, as the run driver and the conversion use them.
// All boxes belong to the main text window, window number 0.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <source_location>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "runtime/byte_string.h"
#include "runtime/screen.h"
#include "runtime/statements.h"
#include "shell/text_window.h"
#include "ui/front_end.h"

namespace tess {

// What a dialog returns when it is cancelled or fails: the one byte 0x1B.
inline const ByteString CancelMarker{"\x1B", 1};

// The filter text of a dialog as the front end's list of items. Error 5 for
// a text longer than 512 bytes, an item without "(" or without ")" after it,
// or an empty item (a final ";" included). An empty text stands for every
// file.
std::vector<ui::FileFilter> convertFilter(const ByteString& filter);

// 0-based index just past the last separator of path (0 when it has none),
// with the file system's separators: the Shift-JIS walk of
// platform/shift_jis.h, so a second byte that equals a separator is never
// taken for one.
size_t nameStart(std::string_view path, const platform::FileSystem& fs);

class Dialogs : public MessageBoxService {
 public:
  static constexpr int kSearchSlots = 16;

  // observer may be null. mainWindow is the window number 0.
  Dialogs(platform::FileSystem& fs, ui::FrontEnd& ui, TextWindow* mainWindow,
          StatementObserver* observer = nullptr);
  ~Dialogs() override;
  Dialogs(const Dialogs&) = delete;
  Dialogs& operator=(const Dialogs&) = delete;

  void setObserver(StatementObserver* observer) { observer_ = observer; }

  // The longest path the dialogs return and take as an initial name, a
  // folder or a search pattern: the file system's own limit.
  size_t maxPathBytes() const { return fs_.maxPathBytes(); }

  // mode 0: the file must exist; 1: it need not. The chosen full path, or
  // CancelMarker.
  ByteString showOpenDialog(
      int64_t window, const ByteString& title, const ByteString& initialName,
      const ByteString& filter, int64_t mode,
      std::source_location where = std::source_location::current());
  // mode 0: ask before replacing a file; 1: do not ask. Opens in the current
  // directory with the name part of initialName in the name box.
  ByteString showSaveDialog(
      int64_t window, const ByteString& title, const ByteString& initialName,
      const ByteString& filter, int64_t mode,
      std::source_location where = std::source_location::current());

  // buttons 0..5, icon 0..4 (box::Buttons, box::Icon); returns the pressed
  // button as 0..6 (box::Answer). Other numbers raise error 5.
  int showMessageBox(int64_t window, const ByteString& caption,
                     const ByteString& text, int64_t buttons,
                     int64_t icon) override;

  // The driver refused an answer of a dialog for reason and has said so:
  // true when the dialog may ask again, false when the session ends there
  // (answers read from a script).
  bool askAgainAfter(const ByteString& answer, const ByteString& reason) {
    return ui_.answerRefused(answer.str(), reason.str());
  }

  void changeDirectory(
      const ByteString& path,
      std::source_location where = std::source_location::current());

  // Directory search on slots 1..16.
  void openSearch(int64_t slot, const ByteString& pattern,
                  std::source_location where = std::source_location::current());
  void nextMatch(int64_t slot,
                 std::source_location where = std::source_location::current());
  bool searchExhausted(int64_t slot);
  // 0 name, 1 size, 2 date, 3 time, 4 attribute letters.
  ByteString matchInfo(int64_t slot, int64_t what);
  void closeSearch(int64_t slot, std::source_location where =
                                     std::source_location::current());

 private:
  struct Slot {
    bool inUse = false;
    bool started = false;
    bool found = false;
    std::unique_ptr<platform::DirectorySearch> search;
    std::string pattern;
    platform::DirEntry match;
  };

  template <typename F>
  auto statement(std::source_location where, F&& body) -> decltype(body());
  ByteString fileDialog(bool save, int64_t window, const ByteString& title,
                        const ByteString& initialName, const ByteString& filter,
                        int64_t mode);
  std::string initialFolder(std::string_view name);
  Slot& slotInUse(int64_t slot);

  platform::FileSystem& fs_;
  ui::FrontEnd& ui_;
  TextWindow* mainWindow_;
  StatementObserver* observer_;
  std::array<Slot, kSearchSlots + 1> slots_;  // index 0 unused
};

}  // namespace tess
