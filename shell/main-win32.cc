// The program entry on Windows: the process settings, the real file system
// and the main text window, then one run of the program.
#include <windows.h>

#include <string>

#include "platform/file_system.h"
#include "platform/front_end.h"
#include "platform/win32/ui_window.h"
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
  return tess::Program(*files, *frontEnd, process).run();
}
