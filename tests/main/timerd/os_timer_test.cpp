#include "main/timerd/os_timer.h"

#include "tests/main/am/app_harness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int64_t kNsPerMs = 1000000;

int64_t toNs(const timespec& t)
{
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int64_t realNowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return toNs(t);
}

// While pinned, the service reads this instant instead of the monotonic clock. The pin only
// moves forward and stays ahead of the real clock, so the thread never wakes to a deadline that
// its clock says has not come.
std::atomic<int64_t> gPinNs{-1};

void pinnedClock(timespec* now)
{
    const int64_t ns = gPinNs.load();
    const int64_t value = ns >= 0 ? ns : realNowNs();
    now->tv_sec = static_cast<time_t>(value / 1000000000);
    now->tv_nsec = static_cast<long>(value % 1000000000);
}

struct Fire {
    int id;
    int64_t expiryNs;  // the expiry that fired
};

// Collects the expiries seen by the timer thread.
class Recorder {
public:
    void add(Fire fire)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fires_.push_back(fire);
        cond_.notify_all();
    }

    std::vector<Fire> waitFor(size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cond_.wait_for(lock, apptest::kDeadline, [&] { return fires_.size() >= count; });
        return fires_;
    }

    std::vector<Fire> fires()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return fires_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    std::vector<Fire> fires_;
};

struct Probe {
    Recorder* recorder;
    int id;
    int stopAfter = 0;  // fires after which the callback stops its own timer; 0 never
    int fired = 0;
};

// Runs on the timer thread, the only writer of an armed timer's expiry, so reading it is safe.
void recordFire(os_timer_t* timer, void* arg)
{
    auto* probe = static_cast<Probe*>(arg);
    int64_t fired = toNs(timer->expiry);
    if (timer->interval.tv_sec != 0 || timer->interval.tv_nsec != 0) {
        fired -= toNs(timer->interval);  // already moved on to the next period
    }
    if (++probe->fired == probe->stopAfter) {
        u_timer_stop(timer);  // nothing may fire into the test once it has what it waits for
    }
    probe->recorder->add({probe->id, fired});
}

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, os_timer_init());
        os_timer_set_clock(pinnedClock);
    }

    void TearDown() override
    {
        for (os_timer_t* timer : timers_) {
            u_timer_delete(timer);
        }
        gPinNs = -1;
        os_timer_set_clock(nullptr);
    }

    os_timer_t* create()
    {
        os_timer_t* timer = nullptr;
        EXPECT_EQ(0, u_timer_create(&timer));
        timers_.push_back(timer);
        return timer;
    }

    int64_t pinNow()
    {
        gPinNs = realNowNs();
        return gPinNs;
    }

    // Arms a new repeating timer at a pinned instant, which it returns.
    int64_t armRepeatingPinned(Probe* probe, uint32_t ms)
    {
        const int64_t armed = pinNow();
        EXPECT_EQ(0, _timer_start(create(), ms, TIMER_MODE_REPEAT, recordFire, probe));
        return armed;
    }

    Recorder recorder;

private:
    std::vector<os_timer_t*> timers_;
};

TEST_F(TimerTest, EqualExpiriesFireInArmingOrderAndEarlierOnesFirst)
{
    std::array<Probe, 4> probes{{{&recorder, 0}, {&recorder, 1}, {&recorder, 2}, {&recorder, 3}}};
    const std::array<uint32_t, 4> delays{50, 50, 30, 50};
    const int64_t pinned = pinNow();
    for (size_t i = 0; i < probes.size(); ++i) {
        ASSERT_EQ(0, _timer_start(create(), delays[i], TIMER_MODE_ONCE, recordFire, &probes[i]));
    }
    gPinNs = -1;

    const auto fires = recorder.waitFor(4);
    ASSERT_EQ(4u, fires.size());
    const std::vector<int> expectedOrder{2, 0, 1, 3};
    for (size_t i = 0; i < fires.size(); ++i) {
        EXPECT_EQ(expectedOrder[i], fires[i].id);
        EXPECT_EQ(pinned + delays[fires[i].id] * kNsPerMs, fires[i].expiryNs);
    }
}

TEST_F(TimerTest, EarlierTimerShortensTheWait)
{
    Probe late{&recorder, 0};
    Probe early{&recorder, 1};
    os_timer_t* lateTimer = create();
    ASSERT_EQ(0, _timer_start(lateTimer, 60000, TIMER_MODE_ONCE, recordFire, &late));
    std::this_thread::sleep_for(5ms);  // lets the thread settle on the late deadline
    ASSERT_EQ(0, _timer_start(create(), 20, TIMER_MODE_ONCE, recordFire, &early));

    const auto fires = recorder.waitFor(1);
    ASSERT_EQ(1u, fires.size());
    EXPECT_EQ(1, fires[0].id);
    EXPECT_EQ(1, u_timer_active_get(lateTimer));
}

TEST_F(TimerTest, InvalidArmingLeavesTheTimerAsItWas)
{
    Probe probe{&recorder, 0};
    os_timer_t* idle = create();
    os_timer_t* armed = create();
    const char first[] = "first";
    const timer_param_t armedParam{armed, 60000, TIMER_MODE_ONCE};
    ASSERT_EQ(0, u_timer_start(7, &armedParam, first, sizeof first));
    const timespec armedExpiry = armed->expiry;

    struct Case {
        uint32_t ms;
        uint32_t mode;
    };
    for (const Case c : {Case{0, TIMER_MODE_ONCE}, Case{0, TIMER_MODE_REPEAT}, Case{100, 0}, Case{100, 3}}) {
        SCOPED_TRACE(testing::Message() << "ms " << c.ms << " mode " << c.mode);
        for (os_timer_t* timer : {idle, armed}) {
            const timer_param_t param{timer, c.ms, c.mode};
            EXPECT_EQ(-2, u_timer_start(9, &param, "second", 7));
            EXPECT_EQ(-2, _timer_start(timer, c.ms, c.mode, recordFire, &probe));
        }
        EXPECT_EQ(0, u_timer_active_get(idle));
        EXPECT_EQ(nullptr, idle->arg);
        ASSERT_EQ(1, u_timer_active_get(armed));
        EXPECT_EQ(0, std::memcmp(&armedExpiry, &armed->expiry, sizeof armedExpiry));
        const auto* block = static_cast<const timer_notify_t*>(armed->arg);
        EXPECT_EQ(7u, block->app_handle);
        ASSERT_EQ(sizeof first, block->size);
        EXPECT_STREQ(first, static_cast<const char*>(block->data));
    }
    EXPECT_EQ(-2, _timer_start(idle, 100, TIMER_MODE_ONCE, nullptr, nullptr));
    EXPECT_EQ(-2, u_timer_create(nullptr));
}

TEST_F(TimerTest, HeldUpRepeatingTimerCatchesUpOnItsGrid)
{
    Probe probe{&recorder, 0, 5};
    const int64_t armed = armRepeatingPinned(&probe, 100);
    // The thread's clock jumps 350 ms while it waits for the first expiry: three periods are due.
    gPinNs = armed + 350 * kNsPerMs;

    auto fires = recorder.waitFor(3);
    ASSERT_EQ(3u, fires.size());
    gPinNs = -1;  // the fourth period is not due until the real clock reaches it
    fires = recorder.waitFor(5);
    ASSERT_EQ(5u, fires.size());
    for (size_t i = 0; i < fires.size(); ++i) {
        EXPECT_EQ(armed + static_cast<int64_t>(i + 1) * 100 * kNsPerMs, fires[i].expiryNs) << "fire " << i;
    }
}

TEST_F(TimerTest, StopAndResumeContinueWithTheRemainingTime)
{
    Probe probe{&recorder, 0, 2};
    os_timer_t* timer = create();
    const int64_t armed = pinNow();
    ASSERT_EQ(0, _timer_start(timer, 100, TIMER_MODE_REPEAT, recordFire, &probe));
    gPinNs = armed + 30 * kNsPerMs;
    EXPECT_EQ(0, u_timer_stop(timer));
    EXPECT_EQ(0, u_timer_active_get(timer));
    EXPECT_EQ(70 * kNsPerMs, toNs(timer->expiry));
    EXPECT_EQ(0, u_timer_stop(timer));  // not armed: nothing changes
    EXPECT_EQ(70 * kNsPerMs, toNs(timer->expiry));

    const int64_t resumed = pinNow();
    ASSERT_EQ(0, u_timer_resume(timer));
    EXPECT_EQ(-15, u_timer_resume(timer));
    gPinNs = resumed + 80 * kNsPerMs;
    ASSERT_EQ(1u, recorder.waitFor(1).size());
    gPinNs = resumed + 180 * kNsPerMs;
    const auto fires = recorder.waitFor(2);
    ASSERT_EQ(2u, fires.size());
    EXPECT_EQ(resumed + 70 * kNsPerMs, fires[0].expiryNs);
    EXPECT_EQ(resumed + 170 * kNsPerMs, fires[1].expiryNs);
}

TEST_F(TimerTest, RepeatingTimerStaysArmedBetweenExpiries)
{
    Probe probe{&recorder, 0, 2};
    os_timer_t* timer = create();
    const int64_t armed = pinNow();
    ASSERT_EQ(0, _timer_start(timer, 10, TIMER_MODE_REPEAT, recordFire, &probe));
    // The first period is due and the second is not, however late this thread runs.
    gPinNs = armed + 15 * kNsPerMs;
    ASSERT_EQ(1u, recorder.waitFor(1).size());
    EXPECT_EQ(1, u_timer_active_get(timer));
    gPinNs = armed + 25 * kNsPerMs;
    ASSERT_EQ(2u, recorder.waitFor(2).size());
}

// Holds the timer thread inside a callback until released, so nothing else can fire meanwhile.
struct ThreadHold {
    std::mutex mutex;
    std::condition_variable cond;
    bool entered = false;
    bool released = false;
    bool left = false;

    static void callback(os_timer_t*, void* arg)
    {
        auto* hold = static_cast<ThreadHold*>(arg);
        std::unique_lock<std::mutex> lock(hold->mutex);
        hold->entered = true;
        hold->cond.notify_all();
        hold->cond.wait(lock, [&] { return hold->released; });
        hold->left = true;
        hold->cond.notify_all();
    }

    bool waitEntered()
    {
        std::unique_lock<std::mutex> lock(mutex);
        return cond.wait_for(lock, 30s, [&] { return entered; });
    }

    // Returns once the callback has let go of this record.
    void release()
    {
        std::unique_lock<std::mutex> lock(mutex);
        released = true;
        cond.notify_all();
        cond.wait(lock, [&] { return left; });
    }
};

TEST_F(TimerTest, OverdueStopLeavesANegativeRemainder)
{
    // With the timer thread held in another callback, the overdue timer cannot fire before the stop.
    ThreadHold hold;
    const int64_t start = pinNow();
    ASSERT_EQ(0, _timer_start(create(), 1, TIMER_MODE_ONCE, ThreadHold::callback, &hold));
    gPinNs = start + 2 * kNsPerMs;
    ASSERT_TRUE(hold.waitEntered());

    Probe probe{&recorder, 0};
    os_timer_t* timer = create();
    const int64_t armed = gPinNs;
    ASSERT_EQ(0, _timer_start(timer, 60000, TIMER_MODE_ONCE, recordFire, &probe));
    gPinNs = armed + 60250 * kNsPerMs;
    EXPECT_EQ(0, u_timer_stop(timer));
    hold.release();
    EXPECT_EQ(-250 * kNsPerMs, toNs(timer->expiry));
    EXPECT_LT(timer->expiry.tv_sec, 0);
    EXPECT_GE(timer->expiry.tv_nsec, 0);
}

// Callbacks run without the list lock, so they may re-arm and delete their own timer.
struct SelfManaged {
    Recorder* recorder;
    int rounds = 0;
};

void rearmThenDelete(os_timer_t* timer, void* arg)
{
    auto* self = static_cast<SelfManaged*>(arg);
    const int round = ++self->rounds;
    if (round < 3) {
        _timer_start(timer, 5, TIMER_MODE_ONCE, rearmThenDelete, self);
    } else {
        u_timer_delete(timer);
    }
    self->recorder->add({round, 0});
}

TEST_F(TimerTest, CallbackRearmsAndDeletesItsOwnTimer)
{
    gPinNs = -1;
    SelfManaged self{&recorder};
    os_timer_t* timer = nullptr;
    ASSERT_EQ(0, u_timer_create(&timer));
    ASSERT_EQ(0, _timer_start(timer, 5, TIMER_MODE_ONCE, rearmThenDelete, &self));
    const auto fires = recorder.waitFor(3);
    ASSERT_EQ(3u, fires.size());
    EXPECT_EQ(3, fires[2].id);
}

TEST_F(TimerTest, OneShotIsInactiveOnceFired)
{
    Probe probe{&recorder, 0};
    os_timer_t* timer = create();
    const int64_t armed = pinNow();
    ASSERT_EQ(0, _timer_start(timer, 5, TIMER_MODE_ONCE, recordFire, &probe));
    // Not due yet, however late this thread runs.
    EXPECT_EQ(1, u_timer_active_get(timer));
    gPinNs = armed + 10 * kNsPerMs;
    ASSERT_EQ(1u, recorder.waitFor(1).size());
    EXPECT_EQ(0, u_timer_active_get(timer));
    EXPECT_EQ(&probe, timer->arg);  // a caller's own argument is never freed
}

TEST_F(TimerTest, TickFollowsTheMonotonicClock)
{
    const uint32_t period = u_os_get_sys_tick_period();
    ASSERT_GE(period, 1u);
    const uint32_t before = u_os_get_sys_tick();
    std::this_thread::sleep_for(30ms);
    const uint32_t elapsed = u_os_get_sys_tick() - before;
    EXPECT_GE(elapsed * period, 29u);
    EXPECT_LT(elapsed * period, 10000u);
}

// Expiries of u_timer_start timers reach an application's queue as message 0.
class TimerDeliveryTest : public TimerTest {
protected:
    void SetUp() override
    {
        apptest::startFramework();
        TimerTest::SetUp();
    }

    // Lives as long as the process: the broker keeps its record.
    static apptest::TestApp& receiver()
    {
        static apptest::TestApp* app = [] {
            static apptest::TestApp started("timer_rx");
            EXPECT_EQ(0, apptest::registerApp(&started.record()));
            EXPECT_EQ(0, u_amb_sync_start_app(started.record().acName));
            return &started;
        }();
        return *app;
    }

    int32_t start(os_timer_t* timer, uint32_t ms, uint32_t mode, const void* data, uint32_t size)
    {
        const timer_param_t param{timer, ms, mode};
        return u_timer_start(receiver().handle(), &param, data, size);
    }

    // What the receiver got from message `from` on, up to a marker posted now, markers left out:
    // once the marker arrives, nothing sent before it is still on the way.
    std::vector<apptest::ReceivedMsg> messagesSince(size_t from)
    {
        static uint8_t marker = 0;
        const std::vector<uint8_t> markerData{++marker};
        EXPECT_EQ(0, u_app_send_msg(receiver().handle(), kMarkerId, markerData.data(), 1, nullptr, 0));
        for (;;) {
            const auto all = receiver().messages();
            const auto end = std::find_if(all.begin() + static_cast<std::ptrdiff_t>(from), all.end(),
                                          [&](const auto& m) { return m.msgId == kMarkerId && m.data == markerData; });
            if (end != all.end()) {
                std::vector<apptest::ReceivedMsg> got;
                std::copy_if(all.begin() + static_cast<std::ptrdiff_t>(from), end, std::back_inserter(got),
                             [](const auto& m) { return m.msgId != kMarkerId; });
                return got;
            }
            if (!receiver().waitMessages(all.size() + 1)) {
                ADD_FAILURE() << "marker lost";
                return {};
            }
        }
    }

    static std::vector<uint8_t> bytes(const char* text) { return {text, text + std::strlen(text) + 1}; }

    static constexpr uint32_t kMarkerId = 7;
};

TEST_F(TimerDeliveryTest, ExpiryCarriesACopyOfTheData)
{
    gPinNs = -1;
    const size_t before = receiver().messages().size();
    char data[] = "volume";
    ASSERT_EQ(0, start(create(), 5, TIMER_MODE_ONCE, data, sizeof data));
    data[0] = 'X';  // the caller keeps its buffer
    ASSERT_EQ(0, start(create(), 5, TIMER_MODE_ONCE, nullptr, 16));
    ASSERT_EQ(0, start(create(), 5, TIMER_MODE_ONCE, data, 0));

    ASSERT_TRUE(receiver().waitMessages(before + 3));
    const auto msgs = receiver().messages();
    std::vector<std::vector<uint8_t>> payloads;
    for (size_t i = before; i < msgs.size(); ++i) {
        EXPECT_EQ(E_APP_MSG_TYPE_TIMER, msgs[i].msgId);
        EXPECT_EQ(msgs[i].data.empty(), msgs[i].nullPayload);
        payloads.push_back(msgs[i].data);
    }
    EXPECT_THAT(payloads,
                testing::UnorderedElementsAre(bytes("volume"), std::vector<uint8_t>{}, std::vector<uint8_t>{}));
}

TEST_F(TimerDeliveryTest, RearmingAnArmedOneShotDeliversOnlyTheNewData)
{
    gPinNs = -1;
    const size_t before = receiver().messages().size();
    os_timer_t* timer = create();
    ASSERT_EQ(0, start(timer, 60000, TIMER_MODE_ONCE, "old", 4));
    ASSERT_EQ(0, start(timer, 5, TIMER_MODE_ONCE, "new", 4));
    while (u_timer_active_get(timer) != 0) {
        std::this_thread::sleep_for(1ms);
    }
    // The timer is idle once it has posted; the receiving thread may not have taken it yet.
    ASSERT_TRUE(receiver().waitMessages(before + 1));
    const auto msgs = messagesSince(before);
    ASSERT_EQ(1u, msgs.size());
    EXPECT_EQ(bytes("new"), msgs[0].data);
}

TEST_F(TimerDeliveryTest, RepeatingTimerKeepsItsDataAcrossStopAndResume)
{
    gPinNs = -1;
    const size_t before = receiver().messages().size();
    os_timer_t* timer = create();
    ASSERT_EQ(0, start(timer, 5, TIMER_MODE_REPEAT, "tick", 5));
    ASSERT_TRUE(receiver().waitMessages(before + 2));
    ASSERT_EQ(0, u_timer_stop(timer));
    const size_t stopped = before + messagesSince(before).size();
    ASSERT_EQ(0, u_timer_resume(timer));
    ASSERT_TRUE(receiver().waitMessages(stopped + 2));
    ASSERT_EQ(0, u_timer_stop(timer));
    for (const auto& msg : messagesSince(before)) {
        EXPECT_EQ(E_APP_MSG_TYPE_TIMER, msg.msgId);
        EXPECT_EQ(bytes("tick"), msg.data);
    }
}

TEST_F(TimerDeliveryTest, ResumedOneShotFiresWithoutAMessage)
{
    const size_t before = receiver().messages().size();
    os_timer_t* timer = create();
    const int64_t armed = pinNow();
    ASSERT_EQ(0, start(timer, 60000, TIMER_MODE_ONCE, "lost", 5));
    gPinNs = armed + 59990 * kNsPerMs;
    ASSERT_EQ(0, u_timer_stop(timer));
    EXPECT_EQ(nullptr, timer->arg);  // a one-shot's block goes when it leaves the list
    gPinNs = -1;
    ASSERT_EQ(0, u_timer_resume(timer));
    while (u_timer_active_get(timer) != 0) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(messagesSince(before).empty());
}

}  // namespace
