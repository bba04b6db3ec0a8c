#include "main/mw/rwlock/rwlock.h"

#include "main/mw/os_pthread/os_crit.h"
#include "main/mw/os_pthread/os_err.h"
#include "main/mw/os_pthread/os_sema.h"
#include "main/mw/os_pthread/os_thread.h"

#include <cstdlib>

namespace {

constexpr const char* kFile = "rwlock";

// Codes of the "exit code" log lines.
enum rwl_exit_code : uint32_t {
    RWL_EXIT_WRITER_SEMA = 16,
    RWL_EXIT_READER_SEMA = 17,
    RWL_EXIT_INCONSISTENT = 18,
    RWL_EXIT_NO_MEMORY = 19,
    RWL_EXIT_WRONG_TYPE = 21,
    RWL_EXIT_SEMA_DELETE = 22,
    RWL_EXIT_WAIT = 23,
};

// Owned by its handle; every counter is guarded by the critical section.
struct RwLock {
    sema_t* writerSema;   // writers wait here, value 0
    sema_t* readerSema;   // readers wait here, value 0
    uint16_t writeHolds;  // the owner's write nesting depth
    uint16_t waitingWriters;
    uint16_t readers;  // read holds of threads other than the writer
    uint16_t waitingReaders;
    uint16_t writerReadHolds;  // read holds the writer took while writing
    os_thread_t owner;         // the writer, null when there is none
    uint8_t deleted;
};

// Runs `section` inside the critical section and returns its result.
template <typename Section>
auto critical(Section section)
{
    const uint32_t depth = uCritStart();
    const auto result = section();
    uCritEnd(depth);
    return result;
}

// Inside the critical section: the lock behind a live lock handle.
RwLock* lookup(handle_t handle)
{
    handle_type type = 0;
    void* obj = nullptr;
    if (uHandleGetTypeObj(handle, &type, &obj) != HR_OK || type != HT_RWLOCK) {
        return nullptr;
    }
    return static_cast<RwLock*>(obj);
}

bool idle(const RwLock* lock)
{
    return lock->writeHolds == 0 && lock->waitingWriters == 0 && lock->readers == 0 && lock->waitingReaders == 0;
}

// The woken thread finds its hold already counted, so nobody can take the lock between the
// release and its wake-up.
sema_t* handToReader(RwLock* lock)
{
    --lock->waitingReaders;
    ++lock->readers;
    return lock->readerSema;
}

sema_t* handToWriter(RwLock* lock)
{
    --lock->waitingWriters;
    ++lock->writeHolds;
    return lock->writerSema;
}

// Inside the critical section, for a lock nobody holds or waits for: once the handle is gone no
// thread can reach the lock again, and disposeLock may run outside.
bool retireHandle(handle_t handle, const RwLock* lock)
{
    return lock->deleted != 0 && idle(lock) && uHandleFree(handle, 0) == HR_OK;
}

void disposeLock(RwLock* lock)
{
    if (uSemaDelete(lock->writerSema) != OSR_OK || uSemaDelete(lock->readerSema) != OSR_OK) {
        OS_LOG_EXIT_CODE(kFile, RWL_EXIT_SEMA_DELETE);
        return;  // a semaphore still in use may be touched again: keep the record
    }
    std::free(lock);
}

int32_t awaitHandOver(sema_t* sema)
{
    const int32_t result = uSemaLock(sema, SEMA_OPTION_WAIT);
    if (result != OSR_OK) {
        OS_LOG_EXIT_CODE(kFile, RWL_EXIT_WAIT);
    }
    return result;
}

enum class Hold { Read, Write };

// Inside the critical section: takes the hold when it is free for the caller. A reader never
// passes a waiting writer or an earlier waiting reader.
bool grant(RwLock* lock, Hold hold, os_thread_t self)
{
    const bool nobodyWaits = lock->waitingReaders == 0 && lock->waitingWriters == 0;
    const bool selfWrites = lock->writeHolds != 0 && lock->owner == self;
    if (hold == Hold::Read) {
        if (lock->writeHolds == 0 && nobodyWaits) {
            ++lock->readers;
        } else if (selfWrites) {
            ++lock->writerReadHolds;
        } else {
            return false;
        }
        return true;
    }
    if (lock->readers == 0 && lock->writeHolds == 0 && nobodyWaits) {
        lock->writeHolds = 1;
        lock->owner = self;
    } else if (selfWrites) {
        // The writer nests, even on top of its own read holds: waiting here would wait for itself.
        ++lock->writeHolds;
    } else {
        return false;
    }
    return true;
}

int32_t takeHold(handle_t handle, uint32_t option, Hold hold)
{
    os_thread_t self = nullptr;
    const int32_t selfResult = uThreadSelf(&self);
    if (selfResult != OSR_OK) {
        return selfResult;
    }
    struct Attempt {
        int32_t result;
        RwLock* queuedOn;  // set when the caller must wait for a hand-over
    };
    const Attempt attempt = critical([&]() -> Attempt {
        RwLock* lock = lookup(handle);
        if (lock == nullptr) {
            return {RWLR_INV_HANDLE, nullptr};
        }
        if (lock->deleted != 0) {
            return {RWLR_DELETED, nullptr};
        }
        if (grant(lock, hold, self)) {
            return {RWLR_OK, nullptr};
        }
        if (option != RWL_OPTION_WAIT) {
            return {RWLR_WOULD_BLOCK, nullptr};
        }
        ++(hold == Hold::Read ? lock->waitingReaders : lock->waitingWriters);
        return {RWLR_OK, lock};
    });
    RwLock* lock = attempt.queuedOn;
    if (lock == nullptr) {
        return attempt.result;
    }
    const int32_t waited = awaitHandOver(hold == Hold::Read ? lock->readerSema : lock->writerSema);
    if (waited == OSR_OK && hold == Hold::Write) {
        critical([&] { return lock->owner = self; });
    }
    return waited;
}

// Inside the critical section: drops one hold and, when that frees the lock, hands it to one
// waiter, whose semaphore is returned for posting.
sema_t* dropHold(RwLock* lock)
{
    if (lock->writerReadHolds != 0) {
        --lock->writerReadHolds;
        return nullptr;
    }
    if (lock->readers != 0) {
        if (--lock->readers != 0) {
            return nullptr;
        }
        // A waiting reader goes first; it lets the next one in when it leaves.
        if (lock->waitingReaders != 0) {
            return handToReader(lock);
        }
        return lock->waitingWriters != 0 ? handToWriter(lock) : nullptr;
    }
    if (lock->writeHolds == 0 || --lock->writeHolds != 0) {
        return nullptr;
    }
    lock->owner = nullptr;
    if (lock->waitingWriters != 0) {
        return handToWriter(lock);
    }
    return lock->waitingReaders != 0 ? handToReader(lock) : nullptr;
}

// What a release or delete leaves to do once outside the critical section.
struct Outcome {
    int32_t result;
    sema_t* wake;
    RwLock* retired;
};

int32_t settle(const Outcome& outcome)
{
    if (outcome.wake != nullptr) {
        uSemaUnlock(outcome.wake);
    }
    if (outcome.retired != nullptr) {
        disposeLock(outcome.retired);
    }
    return outcome.result;
}

}  // namespace

int32_t uRwlCreateLock(handle_t* out)
{
    if (out == nullptr) {
        return OSR_INV_ARG;
    }
    auto* lock = static_cast<RwLock*>(std::calloc(1, sizeof(RwLock)));
    if (lock == nullptr) {
        OS_LOG_EXIT_CODE(kFile, RWL_EXIT_NO_MEMORY);
        return OSR_NO_MEM;
    }
    int32_t result = uSemaCreate(&lock->writerSema, SEMA_TYPE_BINARY, 0);
    if (result != OSR_OK) {
        OS_LOG_EXIT_CODE(kFile, RWL_EXIT_WRITER_SEMA);
        std::free(lock);
        return result;
    }
    result = uSemaCreate(&lock->readerSema, SEMA_TYPE_BINARY, 0);
    if (result != OSR_OK) {
        OS_LOG_EXIT_CODE(kFile, RWL_EXIT_READER_SEMA);
        uSemaDelete(lock->writerSema);
        std::free(lock);
        return result;
    }
    result = uHandleAlloc(HT_RWLOCK, lock, 0, rwlHandleCb, out);
    if (result != HR_OK) {
        OS_LOG_EXIT_CODE(kFile, RWL_EXIT_NO_MEMORY);
        disposeLock(lock);
        return result;
    }
    return 0;
}

int32_t uRwlReadLock(handle_t handle, uint32_t option)
{
    return takeHold(handle, option, Hold::Read);
}

int32_t uRwlWriteLock(handle_t handle, uint32_t option)
{
    return takeHold(handle, option, Hold::Write);
}

int32_t uRwlReleaseLock(handle_t handle)
{
    return settle(critical([&]() -> Outcome {
        RwLock* lock = lookup(handle);
        if (lock == nullptr) {
            return {RWLR_INV_HANDLE, nullptr, nullptr};
        }
        if ((lock->readers != 0 && lock->writeHolds != 0) || (lock->writerReadHolds != 0 && lock->writeHolds == 0)) {
            OS_LOG_EXIT_CODE(kFile, RWL_EXIT_INCONSISTENT);
            return {OSR_FAIL, nullptr, nullptr};
        }
        sema_t* wake = dropHold(lock);
        return {RWLR_OK, wake, wake == nullptr && retireHandle(handle, lock) ? lock : nullptr};
    }));
}

int32_t uRwlDeleteLock(handle_t handle)
{
    return settle(critical([&]() -> Outcome {
        RwLock* lock = lookup(handle);
        if (lock == nullptr) {
            return {RWLR_INV_HANDLE, nullptr, nullptr};
        }
        if (lock->deleted != 0) {
            return {RWLR_DELETED, nullptr, nullptr};
        }
        lock->deleted = 1;
        return {RWLR_OK, nullptr, retireHandle(handle, lock) ? lock : nullptr};
    }));
}

int32_t uRwlReadLockGrabbed(handle_t handle)
{
    return critical([&] {
        const RwLock* lock = lookup(handle);
        return lock != nullptr && (lock->readers != 0 || lock->writerReadHolds != 0) ? 1 : 0;
    });
}

int32_t uRwlWriteLockGrabbed(handle_t handle)
{
    os_thread_t self = nullptr;
    if (uThreadSelf(&self) != OSR_OK) {
        return 0;
    }
    return critical([&] {
        const RwLock* lock = lookup(handle);
        return lock != nullptr && lock->writeHolds != 0 && lock->owner == self ? 1 : 0;
    });
}

int32_t rwlHandleCb(handle_t, handle_type type, void* obj, uint32_t, uint8_t)
{
    if (obj == nullptr) {
        return 0;
    }
    if (type != HT_RWLOCK) {
        OS_LOG_EXIT_CODE(kFile, RWL_EXIT_WRONG_TYPE);
        return 0;
    }
    return critical([&] { return static_cast<const RwLock*>(obj)->deleted != 0 ? 1 : 0; });
}
