#include "platform/worker_sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace tess::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Another thread's attempt to take the lock, waited for.
bool otherThreadTakes(WorkerMutex& mutex) {
  bool took = false;
  std::thread([&] {
    took = mutex.try_lock();
    if (took) mutex.unlock();
  }).join();
  return took;
}

TEST(WorkerSyncTest, AWaitLetsTheLockGoAndHoldsItAgainWhenItReturns) {
  WorkerMutex mutex;
  WorkerCondition condition;
  bool ready = false;  // under the lock
  std::atomic<bool> helperTookLock{false};
  std::unique_lock<WorkerMutex> lock(mutex);
  EXPECT_FALSE(otherThreadTakes(mutex));
  std::thread helper([&] {
    // Only a wait that lets the lock go lets this thread take it.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!mutex.try_lock()) {
      if (Clock::now() > deadline) {
        ready = true;  // only to end the test's wait: it fails below
        condition.notify_all();
        return;
      }
      std::this_thread::yield();
    }
    helperTookLock = true;
    ready = true;
    mutex.unlock();
    condition.notify_one();
  });
  condition.wait(lock, [&] { return ready; });
  helper.join();
  EXPECT_TRUE(helperTookLock);
  // The wait returned with the lock held.
  EXPECT_TRUE(lock.owns_lock());
  EXPECT_FALSE(otherThreadTakes(mutex));
  lock.unlock();
  EXPECT_TRUE(otherThreadTakes(mutex));
}

TEST(WorkerSyncTest, NotifyAllWakesEveryWaiter) {
  WorkerMutex mutex;
  WorkerCondition condition;
  int waiting = 0;  // under the lock
  bool go = false;  // under the lock
  std::atomic<int> woken{0};
  auto waiter = [&] {
    std::unique_lock<WorkerMutex> lock(mutex);
    ++waiting;
    condition.wait(lock, [&] { return go; });
    ++woken;
  };
  std::thread first(waiter);
  std::thread second(waiter);
  // A waiter counted has let the lock go in its wait by the time the lock
  // is taken here again: both wait once both are counted.
  for (;;) {
    std::lock_guard<WorkerMutex> lock(mutex);
    if (waiting == 2) {
      go = true;
      break;
    }
  }
  condition.notify_all();
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (woken < 2 && Clock::now() < deadline) std::this_thread::yield();
  EXPECT_EQ(woken, 2);
  // Whatever happened, the waiters are let go before they are joined.
  while (woken < 2) {
    condition.notify_one();
    std::this_thread::yield();
  }
  first.join();
  second.join();
}

}  // namespace
}  // namespace tess::platform
