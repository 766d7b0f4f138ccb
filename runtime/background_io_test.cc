// Reading ahead and writing behind in the worker thread must give what
// reading and writing at once gives: the same lines, the same output, the
// same errors. A failing write may only be reported later, up to one
// buffer's worth of output on, and what it left in the file stays the same.
#include "runtime/background_io.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <pthread.h>
#include <time.h>
#endif

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "runtime/file_table.h"
#include "runtime/runtime_error.h"
#include "tests/support/fake_file_system.h"

namespace tess {
namespace {

using testing::FakeFileSystem;

// A file that records, in order, what was done to it, and by which thread.
class RecordingFile : public platform::File {
 public:
  int read(void* buffer, size_t n, size_t* got) override {
    std::lock_guard<std::mutex> lock(mutex);
    log.push_back("read " + std::to_string(n));
    threads.push_back(std::this_thread::get_id());
    *got = std::min<size_t>(n, 3);
    std::memset(buffer, 'r', *got);
    return failReads;
  }
  int write(const void* buffer, size_t n) override {
    std::lock_guard<std::mutex> lock(mutex);
    log.push_back("write " + std::string(static_cast<const char*>(buffer), n));
    threads.push_back(std::this_thread::get_id());
    return 0;
  }
  int seek(uint64_t) override { return 0; }
  int size(uint64_t* bytes) override {
    *bytes = 0;
    return 0;
  }
  int truncate(uint64_t) override { return 0; }
  std::string identity() override { return {}; }
  int close() override { return 0; }

  std::mutex mutex;
  std::vector<std::string> log;
  std::vector<std::thread::id> threads;
  int failReads = 0;
};

// Starts the worker held: it runs nothing until it is let go (or, should a
// wait rely on it wrongly, after a long bound, so that the test fails
// rather than hangs).
class HeldWorker {
 public:
  BackgroundIo::WorkerStarter starter() {
    return [this](std::function<void()> body) {
      return std::thread([this, body = std::move(body)] {
        {
          std::unique_lock<std::mutex> lock(mutex_);
          gate_.wait_for(lock, std::chrono::seconds(20), [&] { return open_; });
        }
        body();
      });
    };
  }
  void letGo() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    gate_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable gate_;
  bool open_ = false;
};

void setTransfer(BackgroundIo::Transfer& t, platform::File& file, bool write,
                 char* data, size_t size) {
  t.file = &file;
  t.write = write;
  t.data = data;
  t.size = size;
}

TEST(BackgroundIoTest, AWaitedTransferNotTakenYetRunsInTheWaitingThread) {
  // The worker is started but does not run: waiting for the second of
  // three transfers runs the first two here, in their order, and leaves
  // the third to the worker.
  RecordingFile file;
  char a[] = "first";
  char b[] = "second";
  char in[8] = {};
  HeldWorker held;
  {
    BackgroundIo io(held.starter());
    BackgroundIo::Transfer write1, read, write2;
    setTransfer(write1, file, true, a, 5);
    setTransfer(read, file, false, in, sizeof in);
    setTransfer(write2, file, true, b, 6);
    io.start(write1);
    io.start(read);
    io.start(write2);
    io.wait(read);
    EXPECT_EQ(read.got, 3u);
    EXPECT_EQ(std::string(in, 3), "rrr");
    io.wait(write1);  // already run
    {
      std::lock_guard<std::mutex> lock(file.mutex);
      EXPECT_EQ(file.log, (std::vector<std::string>{"write first", "read 8"}));
      EXPECT_EQ(file.threads,
                (std::vector<std::thread::id>(2, std::this_thread::get_id())));
    }
    // write2 is not waited for: the end of the worker runs it.
    held.letGo();
  }
  EXPECT_EQ(file.log, (std::vector<std::string>{"write first", "read 8",
                                                "write second"}));
  ASSERT_EQ(file.threads.size(), 3u);
  EXPECT_NE(file.threads[2], std::this_thread::get_id());
}

TEST(BackgroundIoTest, IdleOnlyWithNoTransferRunningOrWaiting) {
  // The file channels write a full buffer themselves when the worker is
  // not idle, rather than queue it behind the log's next block.
  RecordingFile file;
  char a[] = "first";
  HeldWorker held;
  BackgroundIo io(held.starter());
  EXPECT_TRUE(io.idle());
  BackgroundIo::Transfer write;
  setTransfer(write, file, true, a, 5);
  io.start(write);
  EXPECT_FALSE(io.idle());  // waiting for the held worker
  held.letGo();
  io.wait(write);
  EXPECT_TRUE(io.idle());
}

TEST(BackgroundIoTest, TransfersRunInOrderAndAllBeforeTheEnd) {
  RecordingFile file;
  file.failReads = 57;
  char a[] = "first";
  char b[] = "second";
  char in[8] = {};
  {
    BackgroundIo io;
    const auto transfer = [&file](BackgroundIo::Transfer& t, bool write,
                                  char* data, size_t size) {
      t.file = &file;
      t.write = write;
      t.data = data;
      t.size = size;
    };
    BackgroundIo::Transfer write1, read, write2;
    transfer(write1, true, a, 5);
    transfer(read, false, in, sizeof in);
    transfer(write2, true, b, 6);
    io.start(write1);
    io.start(read);
    io.start(write2);
    io.wait(read);
    EXPECT_EQ(read.error, 57);
    EXPECT_EQ(read.got, 3u);
    EXPECT_EQ(std::string(in, 3), "rrr");
    // write2 is not waited for: the end of the worker runs it.
  }
  EXPECT_EQ(file.log, (std::vector<std::string>{"write first", "read 8",
                                                "write second"}));
}

// The lines of a file read through a table, with the end test after each,
// and the output written back in pieces of the lines' lengths.
struct Pass {
  std::vector<std::string> lines;
  std::string output;
  int error = 0;
};

Pass readAndCopy(const std::string& bytes, bool background, size_t readLimit,
                 const std::function<void(FakeFileSystem&)>& failures = {}) {
  FakeFileSystem fs;
  fs.workFromAnyThread(background);
  fs.setFile("/in.log", bytes);
  fs.limitReads(readLimit);
  Pass pass;
  {
    FileTable files(fs);
    files.openFile("/in.log", FileMode::Input, ShareMode::DenyNone, 1);
    files.openFile("/out", FileMode::Output, ShareMode::Default, 3);
    if (failures) failures(fs);
    try {
      ByteString line;
      while (files.hasUnreadBytes(1)) {
        files.readLine(1, line);
        pass.lines.push_back(line.str() +
                             (files.atEndOfFile(1) ? "<end>" : ""));
        files.writeBytes(3, line.view());
        files.writeBytes(3, "\r\n");
      }
      files.closeFiles();
    } catch (const RuntimeError& e) {
      pass.error = e.number();
    }
    try {
      files.closeFiles();
    } catch (const RuntimeError&) {
      // The failing write was reported above.
    }
  }
  pass.output = fs.fileBytes("/out").value_or("?");
  return pass;
}

TEST(BackgroundIoTest, ChannelsReadAndWriteAsTheyDoAtOnce) {
  // Random files with CR LF pairs across blocks, NUL bytes, a final mark
  // and lines longer than a block; now and then short reads.
  std::mt19937 random(2026);
  const char alphabet[] = {'A', '\r', '\n', '\0', '\x1A', '\x82'};
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    std::string bytes(static_cast<size_t>(random() % 400000), ' ');
    const bool longLines = round % 4 == 3;
    for (char& c : bytes) {
      const auto r = random() % (longLines ? 200000 : 64);
      c = r < sizeof alphabet ? alphabet[r] : static_cast<char>('a' + r % 26);
    }
    if (round % 2 == 1 && !bytes.empty()) bytes.back() = '\x1A';
    const size_t readLimit = round % 3 == 2 ? 4093 : 0;
    const Pass atOnce = readAndCopy(bytes, false, readLimit);
    const Pass behind = readAndCopy(bytes, true, readLimit);
    EXPECT_EQ(behind.error, 0);
    EXPECT_EQ(behind.lines, atOnce.lines);
    EXPECT_EQ(behind.output, atOnce.output);
  }
}

TEST(BackgroundIoTest, AFailedWriteLeavesTheSameFileAndIsReportedSoonAfter) {
  // A disk that fills up at several points, and one write that fails while
  // the later ones would succeed: what was printed after the failed write
  // must not reach the file, also when the failure is only seen at the
  // close.
  std::mt19937 random(61);
  std::string bytes(600000, ' ');
  for (char& c : bytes) {
    c = random() % 50 == 0 ? '\r' : static_cast<char>('a' + random() % 26);
  }
  struct Case {
    size_t logBytes;
    std::function<void(FakeFileSystem&)> failures;
  };
  const auto full = [](uint64_t room) {
    return [room](FakeFileSystem& fs) { fs.failWritesAfter(room, 61); };
  };
  const auto once = [](FakeFileSystem& fs) { fs.failNextWrite(61); };
  const Case cases[] = {{600000, full(0)},      {600000, full(100)},
                        {600000, full(65536)},  {600000, full(70000)},
                        {600000, full(300000)}, {600000, once},
                        {100000, once},         {100000, full(70000)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logBytes);
    const std::string log = bytes.substr(0, c.logBytes);
    const Pass atOnce = readAndCopy(log, false, 0, c.failures);
    const Pass behind = readAndCopy(log, true, 0, c.failures);
    EXPECT_EQ(atOnce.error, 61);
    EXPECT_EQ(behind.error, 61);
    EXPECT_EQ(behind.output, atOnce.output);
    // Reported at most one buffer's worth of lines later (and the line
    // that fills it).
    ASSERT_GE(behind.lines.size(), atOnce.lines.size());
    size_t later = 0;
    for (size_t i = atOnce.lines.size(); i < behind.lines.size(); ++i) {
      later += behind.lines[i].size() + 2;
    }
    EXPECT_LE(later, size_t{65536} + 4096);
  }
}

TEST(BackgroundIoTest, AReadFailureIsReportedWhereReadingAtOnceReportsIt) {
  for (const bool background : {false, true}) {
    SCOPED_TRACE(background);
    FakeFileSystem fs;
    fs.workFromAnyThread(background);
    fs.setFile("/in.log", "line\r\n");
    FileTable files(fs);
    // In the background the first block is read from the open on; its
    // failure still belongs to the first line read.
    fs.failNextRead(57);
    files.openFile("/in.log", FileMode::Input, ShareMode::DenyNone, 1);
    ByteString line;
    try {
      files.readLine(1, line);
      FAIL() << "the failed read was not reported";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), 57);
    }
  }
}

#if defined(__linux__)
// The processor time a thread has used so far.
std::chrono::nanoseconds threadCpuTime(std::thread::native_handle_type thread) {
  clockid_t clock{};
  EXPECT_EQ(::pthread_getcpuclockid(thread, &clock), 0);
  struct timespec used {};
  EXPECT_EQ(::clock_gettime(clock, &used), 0);
  return std::chrono::seconds(used.tv_sec) +
         std::chrono::nanoseconds(used.tv_nsec);
}

TEST(BackgroundIoTest, AnIdleWorkerSleeps) {
  // After a transfer the worker looks for the next one for a moment and
  // then sleeps: a program that waits in a dialog, or between two runs,
  // keeps no processor busy.
  std::thread::native_handle_type worker{};
  BackgroundIo io([&](std::function<void()> body) {
    std::thread thread(std::move(body));
    worker = thread.native_handle();
    return thread;
  });
  RecordingFile file;
  char data[8] = {};
  BackgroundIo::Transfer transfer;
  transfer.file = &file;
  transfer.data = data;
  transfer.size = sizeof data;
  for (int round = 0; round < 3; ++round) {
    io.start(transfer);
    io.wait(transfer);
    const std::chrono::nanoseconds before = threadCpuTime(worker);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_LT(threadCpuTime(worker) - before, std::chrono::milliseconds(40))
        << "round " << round;
  }
}
#endif

}  // namespace
}  // namespace tess
