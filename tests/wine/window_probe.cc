// A small Windows program that the GUI test runs beside tessarine.exe to
// look at and move its main text window from outside, the way another
// program on the same desktop would: sizes, styles, the clipboard, and a
// file held open without sharing.
//
//   window_probe state             main window: outer and client rectangles
//                                  on the screen, scroll bars, maximized
//   window_probe owned             rectangles and titles of the visible
//                                  windows that the main window owns
//   window_probe resize W H        outer size W x H
//   window_probe show max|restore  maximizes or restores
//   window_probe clipboard         the clipboard's text (UTF-8)
//   window_probe set-clipboard T   puts the text T on the clipboard
//   window_probe hold FILE SECS    holds FILE open without sharing
//   window_probe acp               the ANSI code page of this system
//   window_probe close             closes the main window as its close
//                                  button does
//   window_probe name-box          the control that has the focus in the
//                                  dialog that the main window owns: its
//                                  class, text length, selection and text
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

std::string utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                   static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                      bytes.data(), length, nullptr, nullptr);
  return bytes;
}

HWND mainWindow() { return FindWindowW(L"TessarineTextWindow", nullptr); }

void printRect(const char* what, const RECT& r) {
  std::printf("%s %ld %ld %ld %ld\n", what, r.left, r.top, r.right, r.bottom);
}

int state(HWND window) {
  RECT outer;
  GetWindowRect(window, &outer);
  RECT client;
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  printRect("outer", outer);
  printRect("client", client);
  std::printf("hscroll %d\nvscroll %d\nmaximized %d\nenabled %d\n",
              (style & WS_HSCROLL) != 0, (style & WS_VSCROLL) != 0,
              IsZoomed(window) != 0, IsWindowEnabled(window) != 0);
  return 0;
}

int owned(HWND window) {
  RECT outer;
  GetWindowRect(window, &outer);
  printRect("main", outer);
  struct Context {
    HWND owner;
  } context{window};
  EnumWindows(
      [](HWND candidate, LPARAM data) -> BOOL {
        auto* c = reinterpret_cast<Context*>(data);
        if (IsWindowVisible(candidate) &&
            GetWindow(candidate, GW_OWNER) == c->owner) {
          RECT r;
          GetWindowRect(candidate, &r);
          wchar_t title[256] = L"";
          GetWindowTextW(candidate, title, 256);
          std::printf("owned %ld %ld %ld %ld %s\n", r.left, r.top, r.right,
                      r.bottom, utf8(title).c_str());
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&context));
  return 0;
}

// The visible dialog (class #32770) that the main window owns, or null.
HWND ownedDialog(HWND window) {
  struct Context {
    HWND owner;
    HWND found;
  } context{window, nullptr};
  EnumWindows(
      [](HWND candidate, LPARAM data) -> BOOL {
        auto* c = reinterpret_cast<Context*>(data);
        wchar_t name[64] = L"";
        if (IsWindowVisible(candidate) &&
            GetWindow(candidate, GW_OWNER) == c->owner &&
            GetClassNameW(candidate, name, 64) > 0 &&
            std::wcscmp(name, L"#32770") == 0) {
          c->found = candidate;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&context));
  return context.found;
}

// What a typed key would go to in the dialog. The edit control's text and
// selection come by messages, which reach into the other process.
int nameBox(HWND window) {
  HWND dialog = ownedDialog(window);
  if (dialog == nullptr) {
    std::printf("focus none\n");
    return 1;
  }
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) ||
      thread.hwndFocus == nullptr) {
    std::printf("focus none\n");
    return 1;
  }
  HWND focus = thread.hwndFocus;
  wchar_t name[64] = L"";
  GetClassNameW(focus, name, 64);
  const auto length =
      static_cast<int>(SendMessageW(focus, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(focus, WM_GETTEXT, text.size(),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  const auto selection =
      static_cast<DWORD>(SendMessageW(focus, EM_GETSEL, 0, 0));
  std::printf("focus %s\nlength %d\nselection %u %u\ntext %s\n",
              utf8(name).c_str(), length, LOWORD(selection), HIWORD(selection),
              utf8(text).c_str());
  return 0;
}

int clipboard() {
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) {
    Sleep(100);
  }
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  std::wstring text;
  if (data != nullptr) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  std::fwrite(utf8(text).data(), 1, utf8(text).size(), stdout);
  return data != nullptr ? 0 : 1;
}

int setClipboard(const wchar_t* text) {
  size_t size = (std::wcslen(text) + 1) * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(block), text, size);
  GlobalUnlock(block);
  if (!OpenClipboard(nullptr)) return 1;
  EmptyClipboard();
  bool done = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
  CloseClipboard();
  return done ? 0 : 1;
}

int hold(const wchar_t* path, int seconds) {
  HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(seconds) * 1000);
  CloseHandle(file);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::wstring command = argv[1];
  if (command == L"acp") {
    std::printf("%u\n", GetACP());
    return 0;
  }
  if (command == L"clipboard") return clipboard();
  if (command == L"set-clipboard" && argc == 3) return setClipboard(argv[2]);
  if (command == L"hold" && argc == 4) return hold(argv[2], _wtoi(argv[3]));
  HWND window = mainWindow();
  if (window == nullptr) {
    std::fprintf(stderr, "window_probe: no main text window\n");
    return 1;
  }
  if (command == L"state") return state(window);
  if (command == L"owned") return owned(window);
  if (command == L"name-box") return nameBox(window);
  if (command == L"close") {
    return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  }
  if (command == L"resize" && argc == 4) {
    return SetWindowPos(window, nullptr, 0, 0, _wtoi(argv[2]), _wtoi(argv[3]),
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : 1;
  }
  if (command == L"show" && argc == 3) {
    ShowWindow(window,
               std::wstring(argv[2]) == L"max" ? SW_MAXIMIZE : SW_RESTORE);
    return 0;
  }
  return 2;
}
