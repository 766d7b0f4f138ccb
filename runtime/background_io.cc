#include "runtime/background_io.h"

#include <utility>

#include "platform/worker_thread.h"

namespace tess {

BackgroundIo::~BackgroundIo() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_one();
  if (worker_.joinable()) worker_.join();
}

namespace {

// A transfer of a block takes some tens of microseconds: a thread that
// waits for one, or for the next, first looks this many times before it
// sleeps, since waking a sleeping thread may cost more than the transfer.
constexpr int kSpins = 2000;

inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

void BackgroundIo::start(Transfer& transfer) {
  transfer.error = 0;
  transfer.got = 0;
  transfer.done.store(false, std::memory_order_relaxed);
  transfer.started = true;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(&transfer);
    queued_count_.store(queue_.size(), std::memory_order_release);
  }
  if (!worker_.joinable()) {
    worker_ = platform::startWorkerThread([this] { work(); });
  } else {
    queued_.notify_one();
  }
}

void BackgroundIo::wait(Transfer& transfer) {
  if (!transfer.started) return;
  for (int i = 0; i < kSpins; ++i) {
    if (transfer.done.load(std::memory_order_acquire)) return;
    pause();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [&] { return transfer.done.load(); });
}

void BackgroundIo::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (queue_.empty() && !stopping_) {
      lock.unlock();
      for (int i = 0; i < kSpins; ++i) {
        if (queued_count_.load(std::memory_order_acquire) != 0) break;
        pause();
      }
      lock.lock();
    }
    queued_.wait(lock, [&] { return !queue_.empty() || stopping_; });
    // Queued transfers are run before the worker stops: the destructor
    // never leaves one half done.
    if (queue_.empty()) return;
    Transfer& t = *queue_.front();
    queue_.pop_front();
    queued_count_.store(queue_.size(), std::memory_order_relaxed);
    lock.unlock();
    int error = 0;
    size_t got = 0;
    if (t.write) {
      error = t.file->write(t.data, t.size);
    } else {
      error = t.file->read(t.data, t.size, &got);
      if (t.index != nullptr) t.index->build(t.data, got, t.lineTest);
    }
    lock.lock();
    t.error = error;
    t.got = got;
    t.done.store(true, std::memory_order_release);
    finished_.notify_all();
  }
}

}  // namespace tess
