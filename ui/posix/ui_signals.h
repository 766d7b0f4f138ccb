// The POSIX signals the front ends listen to: the break request (SIGINT),
// the end of the session (SIGTERM, SIGHUP), and the crash signals after
// which the terminal must still be given back in a usable state.
#pragma once

namespace tess::ui {

// What the front ends ask of the signals; tests give their own.
class SignalSource {
 public:
  virtual ~SignalSource() = default;
  // True once per SIGINT received since the last call.
  virtual bool takeBreakRequest() = 0;
  // True from the first SIGTERM or SIGHUP on.
  virtual bool quitRequested() = 0;
  // The number of that first SIGTERM or SIGHUP; 0 before it.
  virtual int quitSignal() const { return 0; }
};

// The process's signals. Handlers are installed without SA_RESTART, so a
// blocking read returns when a signal arrives and the reader can look at
// the flags. SIGPIPE is ignored: a closed standard output must not kill the
// run before its output files are closed.
class ProcessSignals : public SignalSource {
 public:
  ProcessSignals();
  bool takeBreakRequest() override;
  bool quitRequested() override;
  int quitSignal() const override;
};

// Gives the terminal back on a crash: handlers for SIGSEGV, SIGABRT, SIGBUS
// and SIGFPE call restore (when armed) and then re-raise the signal with its
// default action; an atexit hook calls it as well. restore must be safe to
// call when there is nothing to restore.
void installCrashRestore(void (*restore)());
// Arms or disarms the restore call (the terminal is in use or not).
void armCrashRestore(bool armed);

}  // namespace tess::ui
