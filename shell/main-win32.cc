// The program entry on Windows: the process settings, the real file system
// and the main text window, then one run of the program.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/front_end.h"
#include "platform/win32/ui_window.h"
#include "shell/command_window.h"
#include "shell/program.h"

namespace {

std::string executablePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, path.data(),
                                      static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The arguments after the program's name, in Shift-JIS (code page 932),
// whatever the system's code page.
std::vector<std::string> commandArguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) {
    int bytes = WideCharToMultiByte(932, 0, wide[i], -1, nullptr, 0, nullptr,
                                    nullptr);
    std::string arg(bytes > 0 ? static_cast<size_t>(bytes) : 1, '\0');
    WideCharToMultiByte(932, 0, wide[i], -1, arg.data(), bytes, nullptr,
                        nullptr);
    arg.resize(arg.size() - 1);  // the terminating zero
    args.push_back(std::move(arg));
  }
  LocalFree(wide);
  return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // The OS shows no critical-error or file-open boxes of its own: failures
  // reach the program as run-time errors.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

  tess::platform::ProcessInfo process;
  process.executablePath = executablePath();
  process.showCommand = showCommand;

  auto files = tess::platform::makeRealFileSystem();
  auto frontEnd = tess::platform::makeWindowsFrontEnd(instance, showCommand);
  // With arguments (also logs dropped onto the icon): the command line in
  // the window.
  const std::vector<std::string> args = commandArguments();
  if (!args.empty()) {
    return tess::runWindowCommandLine(args, *files, *frontEnd);
  }
  return tess::Program(*files, *frontEnd, process).run();
}
