#include "runtime/background_io.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/worker_thread.h"

namespace tess {

BackgroundIo::BackgroundIo() : BackgroundIo(platform::startWorkerThread) {}

BackgroundIo::BackgroundIo(WorkerStarter startWorker)
    : startWorker_(std::move(startWorker)),
      spins_(std::thread::hardware_concurrency() != 1) {}

BackgroundIo::~BackgroundIo() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_one();
  if (worker_.joinable()) worker_.join();
}

namespace {

// A transfer of a block takes some tens of microseconds, and the program
// starts the next one after about as long: a thread that waits for one, or
// for the next, first looks for this long before it sleeps, since putting a
// thread to sleep and waking it costs more than the transfer (a round trip
// through the system, on some platforms through a server process). With a
// single processor the looking would only keep the other thread from
// running: the thread sleeps at once.
constexpr auto kSpinTime = std::chrono::microseconds(300);
// The clock is read once in this many looks.
constexpr int kLooksPerClockRead = 64;

inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// True when ready() became true while looking, false when the time ran out.
template <class Ready>
bool lookFor(bool spins, Ready ready) {
  if (!spins) return ready();
  using Clock = std::chrono::steady_clock;
  const Clock::time_point until = Clock::now() + kSpinTime;
  for (;;) {
    for (int i = 0; i < kLooksPerClockRead; ++i) {
      if (ready()) return true;
      pause();
    }
    if (Clock::now() >= until) return ready();
  }
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
    worker_ = startWorker_([this] { work(); });
  } else {
    queued_.notify_one();
  }
}

void BackgroundIo::wait(Transfer& transfer) {
  if (!transfer.started) return;
  if (transfer.done.load(std::memory_order_acquire)) return;
  if (runHere(transfer)) return;
  if (lookFor(spins_,
              [&] { return transfer.done.load(std::memory_order_acquire); })) {
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [&] { return transfer.done.load(); });
}

bool BackgroundIo::runHere(Transfer& transfer) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (busy_ ||
      std::find(queue_.begin(), queue_.end(), &transfer) == queue_.end()) {
    return false;
  }
  // The transfers before it too, in their order: none of them has started.
  busy_ = true;
  Transfer* t = nullptr;
  do {
    t = queue_.front();
    queue_.pop_front();
    queued_count_.store(queue_.size(), std::memory_order_relaxed);
    lock.unlock();
    run(*t);
    lock.lock();
    t->done.store(true, std::memory_order_release);
  } while (t != &transfer);
  busy_ = false;
  const bool more = !queue_.empty();
  lock.unlock();
  // Another waiter may wait for one of those run here.
  finished_.notify_all();
  if (more) queued_.notify_one();
  return true;
}

void BackgroundIo::run(Transfer& t) {
  int error = 0;
  size_t got = 0;
  if (t.write) {
    error = t.file->write(t.data, t.size);
  } else {
    error = t.file->read(t.data, t.size, &got);
    if (t.index != nullptr) t.index->build(t.data, got, t.lineTest);
  }
  t.error = error;
  t.got = got;
}

void BackgroundIo::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if ((queue_.empty() || busy_) && !stopping_) {
      lock.unlock();
      lookFor(spins_, [&] {
        return queued_count_.load(std::memory_order_acquire) != 0;
      });
      lock.lock();
    }
    // While the program's thread runs transfers itself, the ones after
    // them wait for it.
    queued_.wait(lock,
                 [&] { return !busy_ && (!queue_.empty() || stopping_); });
    // Queued transfers are run before the worker stops: the destructor
    // never leaves one half done.
    if (queue_.empty()) return;
    Transfer& t = *queue_.front();
    queue_.pop_front();
    queued_count_.store(queue_.size(), std::memory_order_relaxed);
    busy_ = true;
    lock.unlock();
    run(t);
    lock.lock();
    busy_ = false;
    t.done.store(true, std::memory_order_release);
    finished_.notify_all();
  }
}

}  // namespace tess
