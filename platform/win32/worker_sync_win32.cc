#include <windows.h>

#include "platform/worker_sync.h"

namespace tess::platform {

// Both system objects are one pointer that starts as null (SRWLOCK_INIT,
// CONDITION_VARIABLE_INIT), so the header need not name them.
static_assert(sizeof(SRWLOCK) == sizeof(void*));
static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void*));

namespace {

PSRWLOCK srwLock(void** state) { return reinterpret_cast<PSRWLOCK>(state); }

PCONDITION_VARIABLE condition(void** state) {
  return reinterpret_cast<PCONDITION_VARIABLE>(state);
}

}  // namespace

void WorkerMutex::lock() { AcquireSRWLockExclusive(srwLock(&lock_)); }

bool WorkerMutex::try_lock() {
  return TryAcquireSRWLockExclusive(srwLock(&lock_)) != 0;
}

void WorkerMutex::unlock() { ReleaseSRWLockExclusive(srwLock(&lock_)); }

void WorkerCondition::notify_one() {
  WakeConditionVariable(condition(&condition_));
}

void WorkerCondition::notify_all() {
  WakeAllConditionVariable(condition(&condition_));
}

void WorkerCondition::wait(std::unique_lock<WorkerMutex>& lock) {
  SleepConditionVariableSRW(condition(&condition_),
                            srwLock(&lock.mutex()->lock_), INFINITE, 0);
}

}  // namespace tess::platform
