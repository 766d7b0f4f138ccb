// The parts of the Windows front end that need no window: the common
// dialogs' request block, the drawing text of a row of cells, and the
// clipboard text. Kept apart so that they can be checked without a display.
#pragma once

#include <windows.h>
// commdlg.h needs the types of windows.h first.
#include <commdlg.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/code_page.h"
#include "ui/front_end.h"

namespace tess::ui::win32 {

// The file buffer of the common dialogs, in UTF-16 units with the final
// zero: as long as the longest path the wide file calls take (32,767
// units), so a dialog never fails for a path that the files could open.
inline constexpr size_t kDialogFileBuffer = 32768;

// The buffers that an OPENFILENAMEW points into; they must live as long as
// the dialog runs. The texts are the request's Shift-JIS texts as UTF-16.
struct DialogBuffers {
  std::wstring filter;         // display\0pattern\0...\0\0
  std::wstring title;          // zero-terminated by std::wstring
  std::wstring initialFolder;  // ditto; unused when empty
  std::vector<wchar_t> file = std::vector<wchar_t>(kDialogFileBuffer);
};

// The filter list of the common dialogs: for each filter its display text
// and its pattern, each ending with a zero, and one more zero at the end.
std::wstring dialogFilter(const std::vector<FileFilter>& filters);

// OFN_* flags of a request: the must-exist and overwrite rules, and always
// OFN_NOCHANGEDIR | OFN_HIDEREADONLY.
DWORD dialogFlags(const FileDialogRequest& request);

// Fills the buffers from the request and points the block at them. The
// name box's text is cut to fit the file buffer.
void prepareDialog(const FileDialogRequest& request, HWND owner,
                   DialogBuffers* buffers, OPENFILENAMEW* block);

// The chosen path in the file buffer after a successful dialog (UTF-16).
std::wstring dialogResult(const DialogBuffers& buffers);

// What a dialog run needs of the system: the dialog itself
// (GetOpenFileNameW or GetSaveFileNameW), the common dialogs' last error
// (CommDlgExtendedError) and a notice box.
struct DialogCalls {
  std::function<BOOL(OPENFILENAMEW*)> show;
  std::function<DWORD()> lastError;
  std::function<void(const std::string& sjisText)> notice;
};

// Runs the dialog until the user chooses a path that fits the request's
// limit or cancels, and gives it as Shift-JIS bytes. The buffer is as long
// as the limit allows, up to the file buffer. A path with a character that
// code page 932 cannot hold, or longer than the limit in that code page (or
// than the buffer), is refused with a notice and the dialog comes back; a
// cancel or any other failure gives nothing.
std::optional<std::string> chooseFile(const FileDialogRequest& request,
                                      HWND owner, const DialogCalls& calls);

// The notice for a path longer than the limit (Shift-JIS).
std::string pathTooLongNotice(size_t maxPathBytes);
// The notice for a path with characters that Shift-JIS cannot hold.
std::string unusableNameNotice();

// The text to draw for one row of Shift-JIS cells, whatever the system's
// ANSI code page: the characters of code page 932 and, for each of them,
// the advance to the next one (one cell for a single byte, two cells for a
// double-byte character), so that every character starts at its cell.
struct RowText {
  std::wstring text;
  std::vector<INT> advances;
};
RowText rowText(const unsigned char* cells, int columns, int cellWidth);

}  // namespace tess::ui::win32
