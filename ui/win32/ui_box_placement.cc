#include "ui/win32/ui_box_placement.h"

#include <windows.h>
// commdlg.h and dlgs.h need the types of windows.h first.
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <cwchar>

#include "ui/win32/ui_window.h"

namespace tess::ui::win32 {
namespace {

// Posted by the hook to itself once the dialog is laid out: by the time it
// arrives the dialog has done its own setting up, focus included.
constexpr UINT kSelectName = WM_APP + 0x19;

// The work area of the screen that shows the window.
RECT workAreaOf(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST),
                      &monitor)) {
    return monitor.rcWork;
  }
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return work;
}

// Moves a box of the given size to (x, y), kept inside the work area.
void moveInside(HWND box, const RECT& work, LONG x, LONG y) {
  RECT size;
  GetWindowRect(box, &size);
  const LONG width = size.right - size.left;
  const LONG height = size.bottom - size.top;
  x = std::max(work.left, std::min(x, work.right - width));
  y = std::max(work.top, std::min(y, work.bottom - height));
  SetWindowPos(box, nullptr, x, y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void placeBesideOwner(HWND dialog, HWND owner) {
  RECT main;
  RECT box;
  if (!GetWindowRect(owner, &main) || !GetWindowRect(dialog, &box)) return;
  const RECT work = workAreaOf(owner);
  const LONG width = box.right - box.left;
  const LONG height = box.bottom - box.top;
  if (main.bottom + height <= work.bottom) {
    moveInside(dialog, work, main.left, main.bottom);
  } else if (main.right + width <= work.right) {
    moveInside(dialog, work, main.right, main.top);
  } else {
    moveInside(dialog, work, work.right - width, work.bottom - height);
  }
}

bool hasClass(HWND window, const wchar_t* name) {
  wchar_t found[64] = L"";
  return GetClassNameW(window, found, 64) > 0 && _wcsicmp(found, name) == 0;
}

// The edit control inside a name box: the box itself, or the edit field of
// a combo box (the name box keeps a list of recent names on some systems).
HWND editOf(HWND box) {
  if (box == nullptr) return nullptr;
  if (hasClass(box, WC_COMBOBOXEXW)) {
    return reinterpret_cast<HWND>(SendMessageW(box, CBEM_GETEDITCONTROL, 0, 0));
  }
  if (hasClass(box, L"ComboBox")) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return GetComboBoxInfo(box, &info) ? info.hwndItem : nullptr;
  }
  return hasClass(box, L"Edit") ? box : nullptr;
}

void selectName(HWND dialog) {
  HWND edit = nameBoxOf(dialog);
  if (edit == nullptr) return;
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
}

}  // namespace

bool ownedByTextWindow(HWND window, HWND* owner) {
  *owner = GetWindow(window, GW_OWNER);
  wchar_t name[64] = L"";
  return *owner != nullptr && GetClassNameW(*owner, name, 64) > 0 &&
         std::wcscmp(name, kTextWindowClass) == 0;
}

void centreOnOwner(HWND box, HWND owner) {
  RECT main;
  RECT size;
  if (!GetWindowRect(owner, &main) || !GetWindowRect(box, &size)) return;
  moveInside(box, workAreaOf(owner),
             (main.left + main.right - (size.right - size.left)) / 2,
             (main.top + main.bottom - (size.bottom - size.top)) / 2);
}

CenteredBoxes::CenteredBoxes()
    : hook_(SetWindowsHookExW(WH_CBT, &CenteredBoxes::hook, nullptr,
                              GetCurrentThreadId())) {}

CenteredBoxes::~CenteredBoxes() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK CenteredBoxes::hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    HWND owner = nullptr;
    // Placed once, when it first comes up.
    if (ownedByTextWindow(box, &owner) &&
        GetPropW(box, L"TessarinePlaced") == nullptr) {
      SetPropW(box, L"TessarinePlaced", reinterpret_cast<HANDLE>(1));
      centreOnOwner(box, owner);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND nameBoxOf(HWND dialog) {
  // The name box is a combo box (cmb13) in the dialogs of Windows 2000 and
  // later, an edit control (edt1) in the older layout that others keep.
  if (HWND edit = editOf(GetDlgItem(dialog, cmb13))) return edit;
  return editOf(GetDlgItem(dialog, edt1));
}

UINT_PTR CALLBACK fileDialogHook(HWND child, UINT message, WPARAM,
                                 LPARAM lParam) {
  if (message == WM_NOTIFY &&
      reinterpret_cast<NMHDR*>(lParam)->code == CDN_INITDONE) {
    HWND dialog = GetParent(child);
    HWND owner = nullptr;
    if (dialog != nullptr && ownedByTextWindow(dialog, &owner)) {
      placeBesideOwner(dialog, owner);
    }
    PostMessageW(child, kSelectName, 0, 0);
  } else if (message == kSelectName) {
    selectName(GetParent(child));
    return TRUE;
  }
  return 0;
}

}  // namespace tess::ui::win32
