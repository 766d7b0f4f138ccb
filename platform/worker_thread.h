// Threads that work in the background for the program.
#pragma once

#include <functional>
#include <thread>

namespace tess::platform {

// Starts a thread that runs body and takes none of the process's signals:
// they stay with the program's own thread, whose waits they interrupt.
std::thread startWorkerThread(std::function<void()> body);

}  // namespace tess::platform
