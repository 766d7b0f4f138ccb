// The lock and the wake-ups that the program's thread and its worker share.
// On Windows they are the system's slim reader/writer lock and condition
// variable, which wait within the process as long as they can; the C++
// library's mutex and condition variable go through kernel objects there,
// which makes every hand-over between the two threads several times dearer.
// Elsewhere they are the C++ library's own.
#pragma once

#include <mutex>

#if !defined(_WIN32)
#include <condition_variable>
#endif

namespace tess::platform {

#if defined(_WIN32)

class WorkerMutex {
 public:
  WorkerMutex() = default;
  WorkerMutex(const WorkerMutex&) = delete;
  WorkerMutex& operator=(const WorkerMutex&) = delete;
  void lock();
  bool try_lock();
  void unlock();

 private:
  friend class WorkerCondition;
  void* lock_ = nullptr;  // the SRWLOCK, unlocked when null
};

class WorkerCondition {
 public:
  WorkerCondition() = default;
  WorkerCondition(const WorkerCondition&) = delete;
  WorkerCondition& operator=(const WorkerCondition&) = delete;
  void notify_one();
  void notify_all();
  // Releases the lock while it waits and holds it again when it returns,
  // which it may do without a notification.
  void wait(std::unique_lock<WorkerMutex>& lock);
  template <typename Predicate>
  void wait(std::unique_lock<WorkerMutex>& lock, Predicate ready) {
    while (!ready()) wait(lock);
  }

 private:
  void* condition_ = nullptr;  // the CONDITION_VARIABLE, with no waiter
};

#else

using WorkerMutex = std::mutex;
using WorkerCondition = std::condition_variable;

#endif

}  // namespace tess::platform
