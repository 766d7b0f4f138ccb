// The program entry on Windows: the process settings, the real file system
// and the main text window, then one run of the program.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/code_page.h"
#include "shell/command_texts.h"
#include "shell/command_window.h"
#include "shell/program.h"
#include "ui/front_end.h"
#include "ui/win32/ui_window.h"

namespace {

// The executable's path in Shift-JIS. Only its file name is used (for the
// window's title and the boxes' caption); a character that code page 932
// cannot hold shows as "?".
std::string executablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(),
                                      static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return tess::platform::win32::toCodePage932Lossy(path);
    }
    path.resize(path.size() * 2);
  }
}

// The arguments after the program's name, in Shift-JIS (code page 932),
// whatever the system's code page. An argument that code page 932 cannot
// hold is never changed into another name: it goes to *unusable instead.
std::vector<std::string> commandArguments(std::wstring* unusable) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) {
    std::string arg;
    if (!tess::platform::win32::toCodePage932(wide[i], &arg)) {
      *unusable = wide[i];
      break;
    }
    args.push_back(std::move(arg));
  }
  LocalFree(wide);
  return args;
}

// What the program is told of its process.
tess::ui::ProcessInfo processInfo(int showCommand) {
  tess::ui::ProcessInfo process;
  process.executablePath = executablePath();
  process.showCommand = showCommand;
  return process;
}

// The pump's clock: the tick count is read from memory the system keeps up
// to date, so a reading at every statement start costs next to nothing.
// Its steps (10 to 16 ms) keep the window's answers well within 50 ms.
uint64_t tickCount() { return GetTickCount64(); }

// A text of the table (UTF-8) for the wide calls.
std::wstring wideText(std::string_view utf8) {
  const int size = static_cast<int>(utf8.size());
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  }
  return wide;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // The OS shows no critical-error or file-open boxes of its own: failures
  // reach the program as run-time errors.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

  auto files = tess::platform::makeRealFileSystem();
  auto frontEnd = tess::ui::makeWindowsFrontEnd(instance, showCommand);
  // With arguments (also logs dropped onto the icon): the command line in
  // the window.
  std::wstring unusable;
  const std::vector<std::string> args = commandArguments(&unusable);
  if (!unusable.empty()) {
    std::wstring text = wideText(
        tess::rawText(tess::Text::UnusableName, tess::Language::Japanese));
    text.replace(text.find(L"%1"), 2, unusable);
    MessageBoxW(nullptr, text.c_str(), L"tessarine", MB_OK | MB_ICONERROR);
    return 2;  // as a usage error
  }
  if (!args.empty()) {
    return tess::runWindowCommandLine(args, *files, *frontEnd, &tickCount);
  }
  return tess::Program(*files, *frontEnd, processInfo(showCommand), &tickCount)
      .run();
}
