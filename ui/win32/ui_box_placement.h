// Where the program's dialogs and boxes open, and the file dialogs' hook:
// a file dialog opens beside the main text window with its name box ready
// to take a typed name, a message box centred on the window.
#pragma once

#include <windows.h>

namespace tess::ui::win32 {

// True for a window owned by the main text window; *owner is its owner.
bool ownedByTextWindow(HWND window, HWND* owner);

// Message boxes are centred on the window that owns them.
void centreOnOwner(HWND box, HWND owner);

// While it lives, the thread's message boxes that the main text window owns
// open centred on it.
class CenteredBoxes {
 public:
  CenteredBoxes();
  ~CenteredBoxes();
  CenteredBoxes(const CenteredBoxes&) = delete;
  CenteredBoxes& operator=(const CenteredBoxes&) = delete;

 private:
  static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);

  HHOOK hook_;
};

// The hook of the file dialogs (OFN_EXPLORER | OFN_ENABLEHOOK). When the
// dialog is laid out it goes below the window that owns it where it fits,
// else beside it, else into the work area's bottom-right corner, so that
// the rows the run printed stay in sight. Then its name box gets the focus
// with its whole text selected: what the user types replaces the offered
// name instead of being mixed into it. Both are the hook's own doing, so
// they hold whatever the dialog itself would do with the focus.
UINT_PTR CALLBACK fileDialogHook(HWND child, UINT message, WPARAM wParam,
                                 LPARAM lParam);

// The edit control of a file dialog's name box, or null.
HWND nameBoxOf(HWND dialog);

}  // namespace tess::ui::win32
