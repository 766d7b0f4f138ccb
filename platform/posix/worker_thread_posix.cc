#include <pthread.h>
#include <signal.h>

#include <utility>

#include "platform/worker_thread.h"

namespace tess::platform {

std::thread startWorkerThread(std::function<void()> body) {
  // A new thread starts with its creator's signal mask: every signal is
  // blocked while it is made, and the creator's mask is given back.
  sigset_t all;
  sigset_t before;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &before);
  std::thread worker(std::move(body));
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return worker;
}

}  // namespace tess::platform
