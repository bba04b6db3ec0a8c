#include "main/timerd/gui_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Counts expiries and records on which thread and when they ran.
struct Probe {
    std::mutex mtx;
    std::condition_variable cv;
    int entered = 0;
    int fired = 0;
    Clock::time_point lastAt;
    std::thread::id lastThread;
    uint32_t lastArg = 0;
    uint8_t activeInCallback = 0xAA;
    uint32_t handle = 0;  // set before arming, for callbacks that look at their own timer
    std::atomic<bool> rearmInCallback{false};
    std::atomic<bool> deleteInCallback{false};
    std::atomic<int> sleepMs{0};
    bool held = false;  // callbacks wait in their body until release()

    bool waitFired(int n, std::chrono::milliseconds limit = 5s)
    {
        std::unique_lock<std::mutex> lock(mtx);
        return cv.wait_for(lock, limit, [&] { return fired >= n; });
    }
    void waitEntered()
    {
        std::unique_lock<std::mutex> lock(mtx);
        cv.wait(lock, [&] { return entered > 0; });
    }
    int count()
    {
        std::lock_guard<std::mutex> lock(mtx);
        return fired;
    }
    void hold()
    {
        std::lock_guard<std::mutex> lock(mtx);
        held = true;
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(mtx);
        held = false;
        cv.notify_all();
    }
    void reset()
    {
        std::lock_guard<std::mutex> lock(mtx);
        entered = 0;
        fired = 0;
    }
};

// The flag drops after the callback has returned, on the timer's thread; nothing signals it.
bool waitIdle(uint32_t handle)
{
    const Clock::time_point deadline = Clock::now() + 5s;
    while (guiTimerActiveStsGet(handle) != 0) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

Probe* gProbe = nullptr;

void probeCallback(uint32_t arg)
{
    Probe& p = *gProbe;
    const uint8_t active = guiTimerActiveStsGet(p.handle);
    {
        std::unique_lock<std::mutex> lock(p.mtx);
        ++p.entered;
        p.cv.notify_all();
        p.cv.wait(lock, [&] { return !p.held; });
    }
    if (p.sleepMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(p.sleepMs.load()));
    }
    if (p.rearmInCallback.exchange(false)) {
        guiTimerSet(p.handle, 60000, 0);
    }
    if (p.deleteInCallback.exchange(false)) {
        guiTimerDelete(p.handle);
    }
    std::lock_guard<std::mutex> lock(p.mtx);
    ++p.fired;
    p.lastAt = Clock::now();
    p.lastThread = std::this_thread::get_id();
    p.lastArg = arg;
    p.activeInCallback = active;
    p.cv.notify_all();
}

class GuiTimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gProbe = &probe;
        probe.handle = guiTimerCreate(probeCallback, 77);
        ASSERT_NE(probe.handle, 0u);
    }
    void TearDown() override
    {
        guiTimerDelete(probe.handle);
        gProbe = nullptr;
    }
    Probe probe;
};

TEST_F(GuiTimerTest, OneShotFiresOnceOnItsOwnThreadAndThenReadsIdle)
{
    EXPECT_EQ(guiTimerActiveStsGet(probe.handle), 0);
    probe.hold();  // the flag cannot drop before this thread has looked at it
    const Clock::time_point armed = Clock::now();
    EXPECT_EQ(guiTimerSet(probe.handle, 50, 0), 0);
    EXPECT_EQ(guiTimerActiveStsGet(probe.handle), 1);
    probe.release();
    ASSERT_TRUE(probe.waitFired(1));
    std::lock_guard<std::mutex> lock(probe.mtx);
    EXPECT_GE(probe.lastAt - armed, 50ms);
    EXPECT_NE(probe.lastThread, std::this_thread::get_id());
    EXPECT_EQ(probe.lastArg, 77u);
    EXPECT_EQ(probe.activeInCallback, 1) << "a one-shot reads active during its own callback";
}

TEST_F(GuiTimerTest, OneShotIsIdleAfterItsCallbackAndDoesNotFireAgain)
{
    guiTimerSet(probe.handle, 10, 0);
    ASSERT_TRUE(probe.waitFired(1));
    EXPECT_TRUE(waitIdle(probe.handle));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(probe.count(), 1);
}

TEST_F(GuiTimerTest, RearmingPushesTheExpiryBack)
{
    // The second arming must land before the first expiry is due; a run in which this thread was
    // held up that long shows nothing and is repeated on a fresh timer with longer times.
    for (const std::chrono::milliseconds delay : {300ms, 1200ms, 4800ms}) {
        const Clock::time_point start = Clock::now();
        guiTimerSet(probe.handle, static_cast<uint32_t>(delay.count()), 0);
        std::this_thread::sleep_for(delay / 3);
        const Clock::time_point rearmed = Clock::now();
        guiTimerSet(probe.handle, static_cast<uint32_t>(delay.count()), 0);
        if (Clock::now() - start >= delay) {
            guiTimerDelete(probe.handle);
            probe.reset();
            probe.handle = guiTimerCreate(probeCallback, 77);
            ASSERT_NE(probe.handle, 0u);
            continue;
        }
        ASSERT_TRUE(probe.waitFired(1, delay * 2 + 5s));
        {
            std::lock_guard<std::mutex> lock(probe.mtx);
            EXPECT_GE(probe.lastAt - rearmed, delay);
            EXPECT_GE(probe.lastAt - start, delay + delay / 3);
        }
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(probe.count(), 1);
        return;
    }
    FAIL() << "held up past the first expiry in every run";
}

TEST_F(GuiTimerTest, PeriodicTimerRepeatsUntilDisarmed)
{
    guiTimerSet(probe.handle, 10, 10);
    ASSERT_TRUE(probe.waitFired(3));
    EXPECT_EQ(guiTimerActiveStsGet(probe.handle), 1);
    {
        std::lock_guard<std::mutex> lock(probe.mtx);
        EXPECT_EQ(probe.activeInCallback, 1);
    }
    guiTimerSet(probe.handle, 0, 0);
    EXPECT_EQ(guiTimerActiveStsGet(probe.handle), 0);
    const int atDisarm = probe.count();
    std::this_thread::sleep_for(60ms);  // six periods
    guiTimerDelete(probe.handle);       // waits for a callback that is still running
    probe.handle = 0;
    EXPECT_LE(probe.count(), atDisarm + 1) << "only an expiry taken before the disarm may still run";
}

TEST_F(GuiTimerTest, PeriodWithoutFirstExpiryReadsActiveButStaysDisarmed)
{
    guiTimerSet(probe.handle, 0, 20);
    EXPECT_EQ(guiTimerActiveStsGet(probe.handle), 1);
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(probe.count(), 0);
}

TEST_F(GuiTimerTest, OneShotRearmedInsideItsCallbackReadsIdleAfterwards)
{
    probe.rearmInCallback = true;
    guiTimerSet(probe.handle, 10, 0);
    ASSERT_TRUE(probe.waitFired(1));
    EXPECT_TRUE(waitIdle(probe.handle));
}

TEST_F(GuiTimerTest, DeleteWaitsForARunningCallback)
{
    probe.sleepMs = 100;
    guiTimerSet(probe.handle, 1, 0);
    probe.waitEntered();
    guiTimerDelete(probe.handle);
    EXPECT_EQ(probe.count(), 1) << "delete returned while the callback still ran";
    probe.handle = 0;
}

TEST_F(GuiTimerTest, TimerCanDeleteItselfFromItsCallback)
{
    probe.deleteInCallback = true;
    guiTimerSet(probe.handle, 1, 0);
    ASSERT_TRUE(probe.waitFired(1));
    EXPECT_EQ(guiTimerSet(probe.handle, 10, 0), -1) << "the handle is gone";
    probe.handle = 0;
}

TEST(GuiTimerHandles, ZeroAndStaleHandlesAreHarmless)
{
    EXPECT_EQ(guiTimerSet(0, 10, 0), 0);
    EXPECT_EQ(guiTimerActiveStsGet(0), 0);
    guiTimerDelete(0);

    const uint32_t a = guiTimerCreate(nullptr, 0);
    const uint32_t b = guiTimerCreate(nullptr, 0);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(guiTimerSet(a, 1, 0), 0);  // no callback: expiry only clears the flag
    guiTimerDelete(a);
    EXPECT_EQ(guiTimerSet(a, 10, 0), -1);
    EXPECT_EQ(guiTimerActiveStsGet(a), 0);
    guiTimerDelete(a);
    guiTimerDelete(b);
}

}  // namespace
