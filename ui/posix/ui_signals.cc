#include "ui/posix/ui_signals.h"

#include <signal.h>

#include <atomic>
#include <cstdlib>

namespace tess::ui {

namespace {

// A signal handler can reach nothing but process-wide variables, so these
// are the one place where the front ends keep state outside their objects.
// They only record that a signal came; the front end objects act on them.
volatile sig_atomic_t gBreakCount = 0;
volatile sig_atomic_t gQuit = 0;
volatile sig_atomic_t gRestoreArmed = 0;
std::atomic<void (*)()> gRestore{nullptr};
bool gAtexitDone = false;  // one atexit hook per process

extern "C" void onBreakSignal(int) { gBreakCount = gBreakCount + 1; }
extern "C" void onQuitSignal(int signo) {
  if (gQuit == 0) gQuit = signo;
}

void runRestore() {
  if (!gRestoreArmed) return;
  gRestoreArmed = 0;
  if (auto restore = gRestore.load()) restore();
}

extern "C" void onCrashSignal(int signo) {
  runRestore();
  // SA_RESETHAND gave the signal its default action back.
  raise(signo);
}

extern "C" void onExit() { runRestore(); }

void setHandler(int signo, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signo, &action, nullptr);
}

}  // namespace

ProcessSignals::ProcessSignals() {
  setHandler(SIGINT, onBreakSignal, 0);
  setHandler(SIGTERM, onQuitSignal, 0);
  setHandler(SIGHUP, onQuitSignal, 0);
  setHandler(SIGPIPE, SIG_IGN, 0);
}

bool ProcessSignals::takeBreakRequest() {
  if (gBreakCount == 0) return false;
  gBreakCount = 0;
  return true;
}

bool ProcessSignals::quitRequested() { return gQuit != 0; }

int ProcessSignals::quitSignal() const { return gQuit; }

void installCrashRestore(void (*restore)()) {
  gRestore.store(restore);
  for (int signo : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE}) {
    setHandler(signo, onCrashSignal, SA_RESETHAND | SA_NODEFER);
  }
  if (!gAtexitDone) {
    gAtexitDone = true;
    std::atexit(onExit);
  }
}

void armCrashRestore(bool armed) { gRestoreArmed = armed ? 1 : 0; }

}  // namespace tess::ui
