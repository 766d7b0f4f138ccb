// Reads and writes of whole buffers done by one worker thread while the
// program goes on: the file channels read the log's next block and write
// the output's last full buffer there, so that the copying into and out of
// the operating system's file cache overlaps the conversion. Transfers run
// one at a time in the order they were started. A transfer waited for that
// the worker has not taken yet is run by the waiting thread (with those
// queued before it): the worker may not even be running yet, and waking it
// to be waited for costs more than the transfer.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/file_system.h"
#include "runtime/block_index.h"

namespace tess {

class BackgroundIo {
 public:
  // One read or write of a buffer. Between start() and the wait() that
  // returns, the buffer and the file belong to the worker: the caller
  // touches neither.
  struct Transfer {
    platform::File* file = nullptr;
    bool write = false;
    char* data = nullptr;
    size_t size = 0;  // to write, or room to read into
    // A read with an index: the block read is indexed there, with the test.
    BlockIndex* index = nullptr;
    LineTest lineTest;
    // Results, valid after wait(): the run-time error number (0: none) and,
    // for a read, the bytes read (0 at the physical end).
    int error = 0;
    size_t got = 0;
    // The caller's side: started and its result not taken yet. start()
    // sets it; the caller clears it when it takes the result.
    bool started = false;

   private:
    friend class BackgroundIo;
    std::atomic<bool> done{false};  // the worker's side
  };

  // How the worker thread is started: the platform's way by default; a
  // test may hold the thread it starts.
  using WorkerStarter = std::function<std::thread(std::function<void()>)>;

  BackgroundIo();
  explicit BackgroundIo(WorkerStarter startWorker);
  // Waits for the transfers started and ends the worker.
  ~BackgroundIo();
  BackgroundIo(const BackgroundIo&) = delete;
  BackgroundIo& operator=(const BackgroundIo&) = delete;

  // Queues the transfer (its file, direction, data and size set); the
  // worker is started with the first one.
  void start(Transfer& transfer);
  // Waits until the transfer has run (at once for one not started).
  void wait(Transfer& transfer);
  // True when no transfer runs or waits: one started now runs at once. A
  // caller may write a buffer itself rather than queue it behind others.
  bool idle() const {
    return queued_count_.load(std::memory_order_acquire) == 0 &&
           !busy_.load(std::memory_order_acquire);
  }

 private:
  // Runs the transfer here, with the ones queued before it, when the
  // worker runs none and has not taken it; false otherwise.
  bool runHere(Transfer& transfer);
  // Reads or writes; sets the results.
  static void run(Transfer& transfer);
  void work();

  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  std::deque<Transfer*> queue_;
  std::atomic<size_t> queued_count_{0};
  WorkerStarter startWorker_;
  // Whether a waiting thread looks for a while before it sleeps: not with
  // a single processor.
  const bool spins_;
  bool stopping_ = false;
  // A transfer is running (in the worker, or in a waiting thread). Set
  // under the mutex; read without it by idle().
  std::atomic<bool> busy_{false};
  std::thread worker_;
};

}  // namespace tess
