#include "main/timerd/os_timer.h"

#include "main/am/aee/aee.h"
#include "main/mw/os_pthread/os_err.h"
#include "main/mw/os_pthread/os_tick.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

// Failures of the clock and the thread library leave the service unusable: end the process.
#define TIMER_ASSERT(expression) \
    ((expression) ? static_cast<void>(0) : osAssertFail(#expression, "_timer", __LINE__, __func__))

namespace {

constexpr long kNsecPerSec = 1000000000L;
constexpr long kNsecPerMsec = 1000000L;

void readMonotonic(timespec* now)
{
    TIMER_ASSERT(clock_gettime(CLOCK_MONOTONIC, now) == 0);
}

// Lives for the process: the thread may still wait on the condition while the process ends, so
// nothing here has a destructor.
struct TimerService {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t cond;         // on CLOCK_MONOTONIC; set up by os_timer_init
    bool threadStarted = false;  // guarded by mutex; nobody waits on cond before
    os_timer_t* head = nullptr;  // earliest expiry; head->prev is the latest
    std::atomic<os_timer_clock_fct> clock{readMonotonic};
};

TimerService gTimer;

class ServiceLock {
public:
    ServiceLock() { TIMER_ASSERT(pthread_mutex_lock(&gTimer.mutex) == 0); }
    ~ServiceLock() { TIMER_ASSERT(pthread_mutex_unlock(&gTimer.mutex) == 0); }
    ServiceLock(const ServiceLock&) = delete;
    ServiceLock& operator=(const ServiceLock&) = delete;
};

timespec now()
{
    timespec t{};
    gTimer.clock.load(std::memory_order_relaxed)(&t);
    return t;
}

bool before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

timespec add(const timespec& a, const timespec& b)
{
    timespec sum{a.tv_sec + b.tv_sec, a.tv_nsec + b.tv_nsec};
    if (sum.tv_nsec >= kNsecPerSec) {
        sum.tv_nsec -= kNsecPerSec;
        ++sum.tv_sec;
    }
    return sum;
}

timespec subtract(const timespec& a, const timespec& b)
{
    timespec diff{a.tv_sec - b.tv_sec, a.tv_nsec - b.tv_nsec};
    if (diff.tv_nsec < 0) {
        diff.tv_nsec += kNsecPerSec;
        --diff.tv_sec;
    }
    return diff;
}

timespec fromMs(uint32_t ms)
{
    return {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * kNsecPerMsec};
}

bool isOneShot(const os_timer_t* timer)
{
    return timer->interval.tv_sec == 0 && timer->interval.tv_nsec == 0;
}

bool isArmed(const os_timer_t* timer)
{
    return timer->next != nullptr;
}

// The notify block of a u_timer_start timer; other callbacks' arguments belong to their callers.
timer_notify_t* ownBlock(const os_timer_t* timer)
{
    return timer->callback == _os_timer_cb_fct ? static_cast<timer_notify_t*>(timer->arg) : nullptr;
}

void releaseBlock(timer_notify_t* block)
{
    if (block != nullptr) {
        std::free(block->data);
        std::free(block);
    }
}

void wakeThread()
{
    if (gTimer.threadStarted) {
        TIMER_ASSERT(pthread_cond_signal(&gTimer.cond) == 0);
    }
}

// Behind every timer of the same expiry, so equal expiries fire in the order they were armed.
void insertLocked(os_timer_t* timer)
{
    os_timer_t*& head = gTimer.head;
    if (head == nullptr) {
        timer->next = timer;
        timer->prev = timer;
        head = timer;
        return;
    }
    os_timer_t* at = head;
    if (!before(timer->expiry, head->expiry)) {
        at = head->next;
        while (at != head && !before(timer->expiry, at->expiry)) {
            at = at->next;
        }
    }
    timer->next = at;
    timer->prev = at->prev;
    at->prev->next = timer;
    at->prev = timer;
    if (at == head && before(timer->expiry, head->expiry)) {
        head = timer;
    }
}

// A one-shot's block goes with it: once out of the list it will never be delivered.
void unlinkLocked(os_timer_t* timer)
{
    if (isOneShot(timer) && ownBlock(timer) != nullptr) {
        releaseBlock(ownBlock(timer));
        timer->arg = nullptr;
    }
    if (timer->next == timer) {
        gTimer.head = nullptr;
    } else {
        timer->prev->next = timer->next;
        timer->next->prev = timer->prev;
        if (gTimer.head == timer) {
            gTimer.head = timer->next;
        }
    }
    timer->next = nullptr;
    timer->prev = nullptr;
}

bool disarmLocked(os_timer_t* timer)
{
    if (!isArmed(timer)) {
        return false;
    }
    unlinkLocked(timer);
    wakeThread();
    return true;
}

bool validArming(os_timer_cb_fct callback, uint32_t ms, uint32_t mode)
{
    return callback != nullptr && ms != 0 && (mode == TIMER_MODE_ONCE || mode == TIMER_MODE_REPEAT);
}

void armLocked(os_timer_t* timer, uint32_t ms, uint32_t mode, os_timer_cb_fct callback, void* arg)
{
    if (isArmed(timer)) {
        unlinkLocked(timer);
    }
    // A repeating timer keeps its block while stopped; a new arming replaces it.
    releaseBlock(ownBlock(timer));
    timer->expiry = add(now(), fromMs(ms));
    timer->interval = mode == TIMER_MODE_REPEAT ? fromMs(ms) : timespec{0, 0};
    timer->callback = callback;
    timer->arg = arg;
    insertLocked(timer);
    wakeThread();
}

// One expiry of the head, with the lock held on entry and on return.
void fireHead()
{
    os_timer_t* timer = gTimer.head;
    const os_timer_cb_fct callback = timer->callback;
    void* arg = timer->arg;
    timer_notify_t* ownedCopy = nullptr;
    if (isOneShot(timer)) {
        // The callback gets the block for itself, so re-arming the timer meanwhile cannot free it.
        ownedCopy = ownBlock(timer);
        if (ownedCopy != nullptr) {
            timer->arg = nullptr;
        }
        unlinkLocked(timer);
    } else {
        unlinkLocked(timer);
        timer->expiry = add(timer->expiry, timer->interval);
        insertLocked(timer);
    }
    TIMER_ASSERT(pthread_mutex_unlock(&gTimer.mutex) == 0);
    if (callback != nullptr) {
        callback(timer, arg);
    }
    releaseBlock(ownedCopy);
    TIMER_ASSERT(pthread_mutex_lock(&gTimer.mutex) == 0);
}

void* TimerProc(void*)
{
    ServiceLock lock;
    for (;;) {
        while (gTimer.head == nullptr) {
            TIMER_ASSERT(pthread_cond_wait(&gTimer.cond, &gTimer.mutex) == 0);
        }
        // One clock read per round: a timer that fell behind fires back to back until it has caught up.
        const timespec current = now();
        while (gTimer.head != nullptr && before(gTimer.head->expiry, current)) {
            fireHead();
        }
        if (gTimer.head != nullptr) {
            const timespec deadline = gTimer.head->expiry;
            const int ret = pthread_cond_timedwait(&gTimer.cond, &gTimer.mutex, &deadline);
            TIMER_ASSERT(ret == 0 || ret == ETIMEDOUT);
        }
    }
    return nullptr;
}

}  // namespace

int32_t u_timer_create(os_timer_t** out)
{
    if (out == nullptr) {
        return TMR_INV_ARG;
    }
    *out = static_cast<os_timer_t*>(std::calloc(1, sizeof(os_timer_t)));
    return *out == nullptr ? TMR_NO_MEM : TMR_OK;
}

int32_t u_timer_start(handle_t app_handle, const timer_param_t* param, const void* data, uint32_t size)
{
    if (param == nullptr || !validArming(_os_timer_cb_fct, param->time_ms, param->mode)) {
        return TMR_INV_ARG;
    }
    auto* block = static_cast<timer_notify_t*>(std::calloc(1, sizeof(timer_notify_t)));
    if (block == nullptr) {
        return TMR_FAIL;
    }
    block->app_handle = app_handle;
    if (data != nullptr && size != 0) {
        block->data = std::malloc(size);
        if (block->data == nullptr) {
            std::free(block);
            return TMR_FAIL;
        }
        std::memcpy(block->data, data, size);
        block->size = size;
    }
    ServiceLock lock;
    armLocked(param->timer, param->time_ms, param->mode, _os_timer_cb_fct, block);
    return 0;
}

int32_t _timer_start(os_timer_t* timer, uint32_t ms, uint32_t mode, os_timer_cb_fct callback, void* arg)
{
    if (!validArming(callback, ms, mode)) {
        return TMR_INV_ARG;
    }
    ServiceLock lock;
    armLocked(timer, ms, mode, callback, arg);
    return 0;
}

int32_t u_timer_stop(os_timer_t* timer)
{
    ServiceLock lock;
    if (disarmLocked(timer)) {
        // May be negative when the timer was overdue.
        timer->expiry = subtract(timer->expiry, now());
    }
    return 0;
}

int32_t u_timer_delete(os_timer_t* timer)
{
    {
        ServiceLock lock;
        disarmLocked(timer);
        releaseBlock(ownBlock(timer));
    }
    std::free(timer);
    return 0;
}

uint8_t u_timer_active_get(os_timer_t* timer)
{
    ServiceLock lock;
    return isArmed(timer) ? 1 : 0;
}

int32_t u_timer_resume(os_timer_t* timer)
{
    ServiceLock lock;
    if (isArmed(timer)) {
        return TMR_ARMED;
    }
    timer->expiry = add(timer->expiry, now());
    insertLocked(timer);
    wakeThread();
    return 0;
}

int32_t os_timer_init(void)
{
    ServiceLock lock;
    if (gTimer.threadStarted) {
        return 0;
    }
    os_tick_init();

    pthread_condattr_t attr;
    TIMER_ASSERT(pthread_condattr_init(&attr) == 0);
    TIMER_ASSERT(pthread_condattr_setclock(&attr, CLOCK_MONOTONIC) == 0);
    TIMER_ASSERT(pthread_cond_init(&gTimer.cond, &attr) == 0);
    pthread_condattr_destroy(&attr);

    pthread_t thread;
    TIMER_ASSERT(pthread_create(&thread, nullptr, TimerProc, nullptr) == 0);
    // Never joined: it serves until the process ends.
    TIMER_ASSERT(pthread_detach(thread) == 0);
    gTimer.threadStarted = true;
    return 0;
}

void _os_timer_cb_fct(os_timer_t*, void* arg)
{
    const auto* block = static_cast<const timer_notify_t*>(arg);
    if (block == nullptr) {
        return;  // a stopped and resumed one-shot has nothing left to deliver
    }
    // The queue copies the payload; a full or gone receiver just misses this expiry.
    u_app_send_msg(block->app_handle, E_APP_MSG_TYPE_TIMER, block->data, block->size, nullptr, 0);
}

void os_timer_set_clock(os_timer_clock_fct clock)
{
    gTimer.clock.store(clock != nullptr ? clock : readMonotonic, std::memory_order_relaxed);
}
