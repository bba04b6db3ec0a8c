#include "main/mw/os_pthread/os_thread.h"

#include "main/mw/os_pthread/os_pthread_priv.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

constexpr uint32_t kReaperStackSize = 16384;

// Sanitizer builds instrument every frame and run their own code on the thread's stack: the same
// threads get larger stacks there, and only there. The records keep the board's sizes.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr uint32_t kStackScale = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(undefined_behavior_sanitizer)
constexpr uint32_t kStackScale = 4;
#else
constexpr uint32_t kStackScale = 1;
#endif
#else
constexpr uint32_t kStackScale = 1;
#endif

size_t stackToAllocate(uint32_t size)
{
    return static_cast<size_t>(size) * kStackScale;
}

// Ended records travel to the reaper in a singly linked queue (through prNext, free once the
// record is off the thread list), so any number of threads may end at the same moment.
struct Reaper {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t work = PTHREAD_COND_INITIALIZER;
    pthread_cond_t idle = PTHREAD_COND_INITIALIZER;
    thread_rec_t* first = nullptr;
    thread_rec_t* last = nullptr;
    bool busy = false;
    pthread_t thread{};
};

struct ThreadState {
    std::once_flag initOnce;
    pid_t initPid = 0;
    pthread_key_t key{};
    pthread_rwlock_t listLock = PTHREAD_RWLOCK_INITIALIZER;
    thread_rec_t* list = nullptr;
    Reaper reaper;
};

ThreadState gThread;

class ListLock {
public:
    explicit ListLock(bool write)
    {
        OS_ASSERT((write ? pthread_rwlock_wrlock(&gThread.listLock) : pthread_rwlock_rdlock(&gThread.listLock)) == 0);
    }
    ~ListLock() { OS_ASSERT(pthread_rwlock_unlock(&gThread.listLock) == 0); }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
};

uint8_t* argCopy(thread_rec_t* rec)
{
    return reinterpret_cast<uint8_t*>(rec + 1);
}

bool isKnownLocked(const thread_rec_t* thread)
{
    return thread != nullptr &&
           osListFind(gThread.list, [thread](const thread_rec_t* rec) { return rec == thread; }) != nullptr;
}

int32_t schedParamLocked(const thread_rec_t* thread, int* policy, sched_param* param)
{
    if (!isKnownLocked(thread)) {
        return OSR_EINVAL;
    }
    return pthread_getschedparam(thread->tThread, policy, param) == 0 ? OSR_OK : OSR_FAIL;
}

thread_rec_t* allocRecord(uint32_t argSize)
{
    auto* rec = static_cast<thread_rec_t*>(calloc(1, sizeof(thread_rec_t) + argSize));
    if (rec != nullptr) {
        OS_ASSERT(pthread_cond_init(&rec->tCond, nullptr) == 0);
        OS_ASSERT(pthread_mutex_init(&rec->tMutex, nullptr) == 0);
    }
    return rec;
}

void freeRecord(thread_rec_t* rec)
{
    OS_ASSERT(pthread_mutex_destroy(&rec->tMutex) == 0);
    OS_ASSERT(pthread_cond_destroy(&rec->tCond) == 0);
    free(rec);
}

void* ExitReaperProc(void*)
{
    Reaper& reaper = gThread.reaper;
    OS_ASSERT(pthread_mutex_lock(&reaper.mutex) == 0);
    for (;;) {
        while (reaper.first == nullptr) {
            reaper.busy = false;
            pthread_cond_broadcast(&reaper.idle);
            OS_ASSERT(pthread_cond_wait(&reaper.work, &reaper.mutex) == 0);
        }
        thread_rec_t* rec = reaper.first;
        reaper.first = reaper.last = nullptr;
        reaper.busy = true;
        OS_ASSERT(pthread_mutex_unlock(&reaper.mutex) == 0);
        while (rec != nullptr) {
            thread_rec_t* next = rec->prNext;
            if (rec->ui4StackSize != 0) {
                OS_ASSERT(pthread_join(rec->tThread, nullptr) == 0);
            }
            freeRecord(rec);
            rec = next;
        }
        OS_ASSERT(pthread_mutex_lock(&reaper.mutex) == 0);
    }
    return nullptr;
}

void SignalReaper(thread_rec_t* rec)
{
    Reaper& reaper = gThread.reaper;
    rec->prNext = nullptr;
    OS_ASSERT(pthread_mutex_lock(&reaper.mutex) == 0);
    if (reaper.last == nullptr) {
        reaper.first = rec;
    } else {
        reaper.last->prNext = rec;
    }
    reaper.last = rec;
    pthread_cond_signal(&reaper.work);
    OS_ASSERT(pthread_mutex_unlock(&reaper.mutex) == 0);
}

// At process exit, every thread that has ended is joined and freed before the process goes away.
// Threads still running are left as they are. A forked child has no reaper and skips this.
void drainReaperAtExit()
{
    if (getpid() != gThread.initPid) {
        return;
    }
    Reaper& reaper = gThread.reaper;
    pthread_mutex_lock(&reaper.mutex);
    while (reaper.first != nullptr || reaper.busy) {
        pthread_cond_wait(&reaper.idle, &reaper.mutex);
    }
    pthread_mutex_unlock(&reaper.mutex);
}

thread_pvt_t* findPvt(thread_rec_t* rec, uint32_t key)
{
    return osListFind(rec->prPvt, [key](const thread_pvt_t* pvt) { return pvt->ui4Key == key; });
}

void deletePvt(thread_rec_t* rec, thread_pvt_t* pvt)
{
    osListRemove(rec->prPvt, pvt);
    if (pvt->pfDestructor != nullptr) {
        pvt->pfDestructor(pvt->ui4Key, pvt->pvValue);
    }
    free(pvt);
}

void threadKeyDestructor(void* value)
{
    auto* rec = static_cast<thread_rec_t*>(value);
    while (rec->prPvt != nullptr) {
        deletePvt(rec, rec->prPvt);
    }
    // Handed over while the list is still locked, so that once a thread is off the list its record
    // is already the reaper's.
    ListLock lock(true);
    osListRemove(gThread.list, rec);
    SignalReaper(rec);
}

void initOnce()
{
    gThread.initPid = getpid();
    OS_ASSERT(pthread_key_create(&gThread.key, threadKeyDestructor) == 0);
    pthread_attr_t attr;
    OS_ASSERT(pthread_attr_init(&attr) == 0);
    OS_ASSERT(pthread_attr_setstacksize(&attr, stackToAllocate(kReaperStackSize)) == 0);
    OS_ASSERT(pthread_create(&gThread.reaper.thread, &attr, ExitReaperProc, nullptr) == 0);
    pthread_attr_destroy(&attr);
    OS_ASSERT(atexit(drainReaperAtExit) == 0);
}

void ensureInit()
{
    std::call_once(gThread.initOnce, initOnce);
}

void* ThreadProc(void* value)
{
    auto* rec = static_cast<thread_rec_t*>(value);
    // The operating system keeps 15 characters of a thread's name.
    char osName[16] = {};
    memcpy(osName, rec->acName, strnlen(rec->acName, sizeof(osName) - 1));
    pthread_setname_np(pthread_self(), osName);
    OS_ASSERT(pthread_setspecific(gThread.key, rec) == 0);
    rec->pfEntry(rec->ui4ArgSize != 0 ? argCopy(rec) : nullptr);
    return nullptr;
}

thread_rec_t* currentRecord()
{
    ensureInit();
    return static_cast<thread_rec_t*>(pthread_getspecific(gThread.key));
}

}  // namespace

int32_t osThreadInit(void)
{
    ensureInit();
    return OSR_OK;
}

int32_t uThreadCreate(os_thread_t* out, const char* name, uint32_t stackSize, uint8_t priority, thread_entry_fct entry,
                      uint32_t argSize, const void* arg)
{
    if (out == nullptr || name == nullptr || name[0] == '\0' || stackSize == 0 || entry == nullptr ||
        priority < THREAD_PRI_MIN || priority > THREAD_PRI_MAX) {
        return OSR_INV_ARG;
    }
    if (arg == nullptr) {
        argSize = 0;
    } else if (argSize == 0) {
        return OSR_INV_ARG;
    }
    const uint64_t rounded = (static_cast<uint64_t>(stackSize) + 7u) & ~static_cast<uint64_t>(7u);
    if (rounded > UINT32_MAX) {
        return OSR_INV_ARG;
    }
    ensureInit();

    thread_rec_t* rec = allocRecord(argSize);
    if (rec == nullptr) {
        return OSR_NO_MEM;
    }
    rec->ui4StackSize = std::max(static_cast<uint32_t>(rounded), THREAD_MIN_STACK_SIZE);
    strncpy(rec->acName, name, THREAD_NAME_LEN);
    rec->pfEntry = entry;
    rec->ui4ArgSize = argSize;
    if (argSize != 0) {
        memcpy(argCopy(rec), arg, argSize);
    }
    pthread_attr_t attr;
    OS_ASSERT(pthread_attr_init(&attr) == 0);
    OS_ASSERT(pthread_attr_setstacksize(&attr, stackToAllocate(rec->ui4StackSize)) == 0);

    int32_t result = OSR_OK;
    {
        ListLock lock(true);
        const bool nameInUse = osListFind(gThread.list, [name](const thread_rec_t* other) {
                                   return strncmp(other->acName, name, THREAD_NAME_LEN) == 0;
                               }) != nullptr;
        if (nameInUse) {
            result = OSR_EXIST;
        } else if (pthread_create(&rec->tThread, &attr, ThreadProc, rec) != 0) {
            result = OSR_FAIL;
        } else {
            osListAppend(gThread.list, rec);
            *out = rec;
        }
    }
    pthread_attr_destroy(&attr);
    if (result != OSR_OK) {
        freeRecord(rec);
    }
    return result;
}

int32_t uThreadSelf(os_thread_t* out)
{
    if (out == nullptr) {
        return OSR_INV_ARG;
    }
    thread_rec_t* rec = currentRecord();
    if (rec == nullptr) {
        rec = allocRecord(0);
        if (rec == nullptr) {
            return OSR_NO_MEM;
        }
        rec->tThread = pthread_self();
        ListLock lock(true);
        if (pthread_setspecific(gThread.key, rec) != 0) {
            freeRecord(rec);
            return OSR_NOT_EXIST;
        }
        osListAppend(gThread.list, rec);
    }
    *out = rec;
    return OSR_OK;
}

int32_t uThreadDelay(uint32_t ms)
{
    if (ms == 0) {
        sched_yield();
        return OSR_OK;
    }
    timespec remaining{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
    return OSR_OK;
}

int32_t uThreadSetPri(os_thread_t thread, uint8_t priority)
{
    if (priority < THREAD_PRI_MIN || priority > THREAD_PRI_MAX) {
        return OSR_INV_ARG;
    }
    ensureInit();
    ListLock lock(true);
    int policy = 0;
    sched_param param{};
    if (const int32_t result = schedParamLocked(thread, &policy, &param); result != OSR_OK) {
        return result;
    }
    param.sched_priority = std::min(100 - (100 * priority) / 256, 99);
    return pthread_setschedparam(thread->tThread, policy, &param) == 0 ? OSR_OK : OSR_FAIL;
}

int32_t uThreadGetPri(os_thread_t thread, uint8_t* priority)
{
    if (priority == nullptr) {
        return OSR_INV_ARG;
    }
    ensureInit();
    ListLock lock(false);
    int policy = 0;
    sched_param param{};
    if (const int32_t result = schedParamLocked(thread, &policy, &param); result != OSR_OK) {
        return result;
    }
    *priority = static_cast<uint8_t>(((100 - param.sched_priority) * 256 / 100) % 256);
    return OSR_OK;
}

int32_t uThreadGetName(os_thread_t thread, const char** name)
{
    if (name == nullptr) {
        return OSR_INV_ARG;
    }
    ensureInit();
    ListLock lock(false);
    if (!isKnownLocked(thread)) {
        return OSR_EINVAL;
    }
    *name = thread->acName;
    return OSR_OK;
}

int32_t uThreadSuspend(void)
{
    os_thread_t self = nullptr;
    const int32_t result = uThreadSelf(&self);
    if (result != OSR_OK) {
        return result;
    }
    OS_ASSERT(pthread_mutex_lock(&self->tMutex) == 0);
    self->ui1Suspended = 1;
    while (self->ui1Suspended != 0) {
        OS_ASSERT(pthread_cond_wait(&self->tCond, &self->tMutex) == 0);
    }
    OS_ASSERT(pthread_mutex_unlock(&self->tMutex) == 0);
    return OSR_OK;
}

int32_t uThreadResume(os_thread_t thread)
{
    ensureInit();
    ListLock lock(true);
    if (!isKnownLocked(thread)) {
        return OSR_EINVAL;
    }
    if (const int ret = pthread_mutex_lock(&thread->tMutex); ret != 0) {
        OS_LOG_EXIT_CODE("os_thread", static_cast<uint32_t>(ret));
        return OSR_FAIL;
    }
    if (thread->ui1Suspended != 0) {
        thread->ui1Suspended = 0;
        pthread_cond_signal(&thread->tCond);
    }
    pthread_mutex_unlock(&thread->tMutex);
    return OSR_OK;
}

int32_t uThreadSetPvt(uint32_t key, thread_pvt_dtor_fct destructor, void* value)
{
    thread_rec_t* rec = currentRecord();
    if (rec == nullptr) {
        return OSR_NOT_EXIST;
    }
    if (findPvt(rec, key) != nullptr) {
        return OSR_KEY_EXIST;
    }
    auto* pvt = static_cast<thread_pvt_t*>(calloc(1, sizeof(thread_pvt_t)));
    if (pvt == nullptr) {
        return OSR_NO_MEM;
    }
    pvt->ui4Key = key;
    pvt->pfDestructor = destructor;
    pvt->pvValue = value;
    osListAppend(rec->prPvt, pvt);
    return OSR_OK;
}

int32_t uThreadGetPvt(uint32_t key, void** value)
{
    if (value == nullptr) {
        return OSR_INV_ARG;
    }
    thread_rec_t* rec = currentRecord();
    if (rec == nullptr) {
        return OSR_NOT_EXIST;
    }
    const thread_pvt_t* pvt = findPvt(rec, key);
    if (pvt == nullptr) {
        return OSR_KEY_NOT_EXIST;
    }
    *value = pvt->pvValue;
    return OSR_OK;
}

int32_t uThreadDelPvt(uint32_t key)
{
    thread_rec_t* rec = currentRecord();
    if (rec == nullptr) {
        return OSR_NOT_EXIST;
    }
    thread_pvt_t* pvt = findPvt(rec, key);
    if (pvt == nullptr) {
        return OSR_KEY_NOT_EXIST;
    }
    deletePvt(rec, pvt);
    return OSR_OK;
}

int32_t uThreadStackStats(os_thread_t /*thread*/, uint32_t* /*stackSize*/, uint32_t* /*maxUsed*/)
{
    return OSR_NOT_SUPPORT;
}
