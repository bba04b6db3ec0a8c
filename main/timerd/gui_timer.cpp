#include "main/timerd/gui_timer.h"

#include "main/timerd/gui_log.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

using Clock = std::chrono::steady_clock;

// One timer. Its own thread waits for the expiry and runs the callback, so a callback never runs
// on the arming thread and a slow callback holds up no other timer. Relative times on the
// monotonic clock behave as relative POSIX timers do: setting the wall clock does not move them.
struct GuiTimer {
    GuiTimerCbk pfCallback = nullptr;
    uint32_t ui4Arg = 0;
    // Written by guiTimerSet and after each expiry, read from any thread.
    std::atomic<uint8_t> ui1Active{GUI_TIMER_IDLE};

    std::mutex mtx;  // guards the fields below
    std::condition_variable cv;
    bool fgArmed = false;
    bool fgStop = false;
    Clock::time_point tExpiry;
    Clock::duration tPeriod{};
    pthread_t tThread{};
};

namespace {

// Callbacks may do file or device work; far below the 8 MiB default, which a 32-bit process
// running dozens of timers cannot afford.
constexpr size_t kTimerStackSize = 512 * 1024;

struct GuiTimerModule {
    std::mutex mtx;  // guards the table and the next handle
    std::map<uint32_t, std::shared_ptr<GuiTimer>> table;
    uint32_t ui4NextHandle = 1;
};

GuiTimerModule& module()
{
    static GuiTimerModule m;
    return m;
}

std::shared_ptr<GuiTimer> findTimer(uint32_t handle)
{
    GuiTimerModule& m = module();
    std::lock_guard<std::mutex> lock(m.mtx);
    auto it = m.table.find(handle);
    return it == m.table.end() ? nullptr : it->second;
}

// A one-shot reads active during its own callback and idle afterwards; a periodic one stays 0xFF.
void dropOneShotFlag(GuiTimer& timer)
{
    uint8_t active = timer.ui1Active.load();
    while (active >= 1 && active <= 254 && !timer.ui1Active.compare_exchange_weak(active, active - 1)) {
    }
}

void runTimer(GuiTimer& timer)
{
    std::unique_lock<std::mutex> lock(timer.mtx);
    while (!timer.fgStop) {
        if (!timer.fgArmed) {
            timer.cv.wait(lock);
            continue;
        }
        timer.cv.wait_until(lock, timer.tExpiry);
        const Clock::time_point now = Clock::now();
        if (timer.fgStop || !timer.fgArmed || now < timer.tExpiry) {
            continue;
        }
        if (timer.tPeriod > Clock::duration::zero()) {
            // Expiries missed while a callback ran are dropped, as a POSIX timer counts them as
            // overruns instead of queueing them.
            do {
                timer.tExpiry += timer.tPeriod;
            } while (timer.tExpiry <= now);
        } else {
            timer.fgArmed = false;
        }
        lock.unlock();
        if (timer.pfCallback != nullptr) {
            timer.pfCallback(timer.ui4Arg);
        }
        dropOneShotFlag(timer);
        lock.lock();
    }
}

void* timerThread(void* arg)
{
    // The thread keeps its record alive: a timer deleted from its own callback is freed here.
    std::unique_ptr<std::shared_ptr<GuiTimer>> self(static_cast<std::shared_ptr<GuiTimer>*>(arg));
    runTimer(**self);
    return nullptr;
}

bool startThread(const std::shared_ptr<GuiTimer>& timer)
{
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) {
        return false;
    }
    pthread_attr_setstacksize(&attr, kTimerStackSize);
    auto self = std::make_unique<std::shared_ptr<GuiTimer>>(timer);
    const int ret = pthread_create(&timer->tThread, &attr, timerThread, self.get());
    pthread_attr_destroy(&attr);
    if (ret != 0) {
        return false;
    }
    self.release();  // owned by the thread now
    return true;
}

}  // namespace

uint32_t guiTimerCreate(GuiTimerCbk callback, uint32_t arg)
{
    auto timer = std::make_shared<GuiTimer>();
    timer->pfCallback = callback;
    timer->ui4Arg = arg;
    if (!startThread(timer)) {
        GUI_LOG_ERR("timer_create Failed!");
        return 0;
    }
    GuiTimerModule& m = module();
    std::lock_guard<std::mutex> lock(m.mtx);
    while (m.ui4NextHandle == 0 || m.table.count(m.ui4NextHandle) != 0) {
        ++m.ui4NextHandle;
    }
    const uint32_t handle = m.ui4NextHandle++;
    m.table.emplace(handle, std::move(timer));
    return handle;
}

int32_t guiTimerSet(uint32_t handle, uint32_t firstMs, uint32_t periodMs)
{
    if (handle == 0) {
        GUI_LOG_ERR("Timer Restart Failed!");
        return 0;
    }
    std::shared_ptr<GuiTimer> timer = findTimer(handle);
    if (timer == nullptr) {
        GUI_LOG_ERR("gui_timer_restart fail ");
        return -1;
    }
    uint8_t active = GUI_TIMER_IDLE;
    if (periodMs != 0) {
        active = GUI_TIMER_PERIODIC;
    } else if (firstMs != 0) {
        active = GUI_TIMER_ONESHOT;
    }
    std::lock_guard<std::mutex> lock(timer->mtx);
    timer->ui1Active.store(active);
    // As with timer_settime, a zero first expiry disarms whatever the period says.
    timer->fgArmed = firstMs != 0;
    timer->tExpiry = Clock::now() + std::chrono::milliseconds(firstMs);
    timer->tPeriod = std::chrono::milliseconds(periodMs);
    timer->cv.notify_one();
    return 0;
}

uint8_t guiTimerActiveStsGet(uint32_t handle)
{
    if (handle == 0) {
        GUI_LOG_ERR("Timer Status Get Failed!");
        return 0;
    }
    std::shared_ptr<GuiTimer> timer = findTimer(handle);
    return (timer != nullptr && timer->ui1Active.load() != GUI_TIMER_IDLE) ? 1 : 0;
}

void guiTimerDelete(uint32_t handle)
{
    if (handle == 0) {
        return;
    }
    std::shared_ptr<GuiTimer> timer;
    {
        GuiTimerModule& m = module();
        std::lock_guard<std::mutex> lock(m.mtx);
        auto it = m.table.find(handle);
        if (it == m.table.end()) {
            return;
        }
        timer = std::move(it->second);
        m.table.erase(it);
    }
    {
        std::lock_guard<std::mutex> lock(timer->mtx);
        timer->fgStop = true;
        timer->fgArmed = false;
        timer->cv.notify_one();
    }
    if (pthread_equal(timer->tThread, pthread_self())) {
        pthread_detach(timer->tThread);  // deleted from its own callback: the thread ends after it
    } else {
        pthread_join(timer->tThread, nullptr);
    }
}
