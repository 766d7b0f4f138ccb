#include <utility>

#include "platform/worker_thread.h"

namespace tess::platform {

// Windows has no signals to keep away from the thread.
std::thread startWorkerThread(std::function<void()> body) {
  return std::thread(std::move(body));
}

}  // namespace tess::platform
