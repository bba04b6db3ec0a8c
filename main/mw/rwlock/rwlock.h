// Read-write locks reached through handles. Many threads may read at once; one thread writes,
// and it may nest further write holds and take read holds too. Waiters queue on two binary
// semaphores and are let in one at a time: a reader never passes a waiting writer or an earlier
// waiting reader, and a release hands the lock to a waiting reader before a waiting writer.
// Counters change only inside the process-wide critical section.
#pragma once

#include "main/mw/handle/handle.h"

#include <cstdint>

constexpr handle_type HT_RWLOCK = 129;

enum rwl_option : uint32_t {
    RWL_OPTION_WAIT = 1,
    RWL_OPTION_NOWAIT = 2,  // any value but RWL_OPTION_WAIT never waits
};

enum rwl_result : int32_t {
    RWLR_OK = 0,
    RWLR_INV_HANDLE = -2,   // not a lock handle
    RWLR_DELETED = -3,      // the lock is marked deleted
    RWLR_WOULD_BLOCK = -4,  // not free, and the option says not to wait
};

// 0, or the failing call's result.
int32_t uRwlCreateLock(handle_t* lock);

// 0 when the hold is taken; a failed wait returns the semaphore's result.
int32_t uRwlReadLock(handle_t lock, uint32_t option);
int32_t uRwlWriteLock(handle_t lock, uint32_t option);

// Drops one hold of the caller, handing the lock to one waiter when it becomes free.
int32_t uRwlReleaseLock(handle_t lock);

// Marks the lock deleted: it is freed at once when nobody holds or waits for it, else at the last
// release. Threads already waiting still get their hold.
int32_t uRwlDeleteLock(handle_t lock);

// 1 when anyone holds the lock for reading.
int32_t uRwlReadLockGrabbed(handle_t lock);
// 1 when the calling thread holds the lock for writing.
int32_t uRwlWriteLockGrabbed(handle_t lock);

// The handle library's free function of HT_RWLOCK: agrees only for a lock marked deleted.
int32_t rwlHandleCb(handle_t handle, handle_type type, void* obj, uint32_t tag, uint8_t flag);
