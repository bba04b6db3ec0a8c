#include "main/mw/os_pthread/os_thread.h"

#include <gtest/gtest.h>

#include <alloca.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A one-shot gate: threads wait until the test opens it.
class Gate {
public:
    void open()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        cond_.notify_all();
    }
    void wait()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cond_.wait(lock, [this] { return open_; });
    }
    bool isOpen()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return open_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    bool open_ = false;
};

// A thread's record leaves the list when the thread has ended; by then the reaper owns it.
void waitUntilEnded(os_thread_t thread)
{
    const char* name = nullptr;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (uThreadGetName(thread, &name) == OSR_OK) {
        ASSERT_LT(Clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The entries below receive a pointer to a Gate (the argument is copied, the pointer stays valid).
void waitOnGate(void* arg)
{
    Gate* gate = nullptr;
    memcpy(&gate, arg, sizeof(gate));
    gate->wait();
}

os_thread_t startGated(const char* name, Gate* gate, uint32_t stackSize = 16384, uint8_t priority = 128)
{
    os_thread_t thread = nullptr;
    EXPECT_EQ(OSR_OK, uThreadCreate(&thread, name, stackSize, priority, waitOnGate, sizeof(gate), &gate));
    return thread;
}

class ThreadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(OSR_OK, osThreadInit()); }
};

TEST_F(ThreadTest, InitMayBeRepeated)
{
    EXPECT_EQ(OSR_OK, osThreadInit());
    EXPECT_EQ(OSR_OK, osThreadInit());
}

TEST_F(ThreadTest, StackSizeIsRoundedUpToEightAndRaisedToTheMinimum)
{
    const struct {
        uint32_t requested;
        uint32_t given;
    } cases[] = {{1, 16384}, {4096, 16384}, {16384, 16384}, {16385, 16392}, {65535, 65536}, {131072, 131072}};
    Gate gate;
    std::vector<os_thread_t> threads;
    for (const auto& c : cases) {
        os_thread_t thread = startGated(("stack" + std::to_string(c.requested)).c_str(), &gate, c.requested);
        ASSERT_NE(nullptr, thread);
        EXPECT_EQ(c.given, thread->ui4StackSize) << c.requested;
        threads.push_back(thread);
    }
    gate.open();
    for (os_thread_t thread : threads) {
        waitUntilEnded(thread);
    }
}

TEST_F(ThreadTest, CreateRefusesBadArguments)
{
    os_thread_t thread = nullptr;
    int value = 0;
    EXPECT_EQ(OSR_INV_ARG, uThreadCreate(nullptr, "t", 16384, 100, waitOnGate, 0, nullptr));
    EXPECT_EQ(OSR_INV_ARG, uThreadCreate(&thread, nullptr, 16384, 100, waitOnGate, 0, nullptr));
    EXPECT_EQ(OSR_INV_ARG, uThreadCreate(&thread, "", 16384, 100, waitOnGate, 0, nullptr));
    EXPECT_EQ(OSR_INV_ARG, uThreadCreate(&thread, "t", 0, 100, waitOnGate, 0, nullptr));
    EXPECT_EQ(OSR_INV_ARG, uThreadCreate(&thread, "t", 16384, 100, nullptr, 0, nullptr));
    EXPECT_EQ(OSR_INV_ARG, uThreadCreate(&thread, "t", 16384, 0, waitOnGate, 0, nullptr));
    EXPECT_EQ(OSR_INV_ARG, uThreadCreate(&thread, "t", 16384, 255, waitOnGate, 0, nullptr));
    EXPECT_EQ(OSR_INV_ARG, uThreadCreate(&thread, "t", 16384, 100, waitOnGate, 0, &value));
    EXPECT_EQ(OSR_INV_ARG, uThreadCreate(&thread, "t", 0xFFFFFFFF, 100, waitOnGate, 0, nullptr));
    EXPECT_EQ(nullptr, thread);

    Gate gate;
    os_thread_t lowest = startGated("pri1", &gate, 16384, 1);
    os_thread_t highest = startGated("pri254", &gate, 16384, 254);
    gate.open();
    waitUntilEnded(lowest);
    waitUntilEnded(highest);
}

TEST_F(ThreadTest, SecondThreadOfTheSameNameIsRefusedAndTheFirstRunsOn)
{
    Gate gate;
    os_thread_t first = startGated("same_first_16chr_one", &gate);
    os_thread_t second = nullptr;
    EXPECT_EQ(OSR_EXIST, uThreadCreate(&second, "same_first_16chr_two", 16384, 100, waitOnGate, sizeof(&gate), &gate));
    EXPECT_EQ(nullptr, second);
    const char* name = nullptr;
    ASSERT_EQ(OSR_OK, uThreadGetName(first, &name));
    EXPECT_STREQ("same_first_16chr", name);

    gate.open();
    waitUntilEnded(first);
    // Once the first has ended, its name is free again.
    Gate again;
    again.open();
    waitUntilEnded(startGated("same_first_16chr", &again));
}

struct ArgProbe {
    std::mutex mutex;
    std::condition_variable cond;
    bool done = false;
    bool gotNull = false;
    uint64_t value = 0;
    std::string osName;
    os_thread_t self = nullptr;
};

ArgProbe* gProbe = nullptr;

void recordArg(void* arg)
{
    std::lock_guard<std::mutex> lock(gProbe->mutex);
    gProbe->gotNull = arg == nullptr;
    if (arg != nullptr) {
        memcpy(&gProbe->value, arg, sizeof(gProbe->value));
    }
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof(name));
    gProbe->osName = name;
    EXPECT_EQ(OSR_OK, uThreadSelf(&gProbe->self));
    gProbe->done = true;
    gProbe->cond.notify_all();
}

os_thread_t runProbe(ArgProbe& probe, const char* name, uint32_t argSize, const void* arg)
{
    gProbe = &probe;
    os_thread_t thread = nullptr;
    EXPECT_EQ(OSR_OK, uThreadCreate(&thread, name, 16384, 100, recordArg, argSize, arg));
    std::unique_lock<std::mutex> lock(probe.mutex);
    probe.cond.wait(lock, [&] { return probe.done; });
    return thread;
}

TEST_F(ThreadTest, EntryGetsAPrivateCopyOfTheArgumentOrNull)
{
    uint64_t value = 0x1122334455667788u;
    {
        ArgProbe probe;
        // The creator's buffer is overwritten at once; the thread still sees what was passed.
        gProbe = &probe;
        os_thread_t thread = nullptr;
        ASSERT_EQ(OSR_OK, uThreadCreate(&thread, "arg_copy", 16384, 100, recordArg, sizeof(value), &value));
        value = 0;
        {
            std::unique_lock<std::mutex> lock(probe.mutex);
            probe.cond.wait(lock, [&] { return probe.done; });
        }
        EXPECT_FALSE(probe.gotNull);
        EXPECT_EQ(0x1122334455667788u, probe.value);
        EXPECT_EQ(thread, probe.self);
        waitUntilEnded(thread);
    }
    for (uint32_t size : {0u, 8u}) {
        ArgProbe probe;
        waitUntilEnded(runProbe(probe, "arg_null", size, nullptr));
        EXPECT_TRUE(probe.gotNull) << size;
    }
}

TEST_F(ThreadTest, OperatingSystemNameIsTheFirstFifteenCharacters)
{
    ArgProbe probe;
    os_thread_t thread = runProbe(probe, "a_rather_long_thread_name", 0, nullptr);
    EXPECT_EQ("a_rather_long_t", probe.osName);
    waitUntilEnded(thread);
}

TEST_F(ThreadTest, ForeignThreadIsAdoptedOnceWithAnEmptyName)
{
    std::thread([] {
        os_thread_t first = nullptr;
        os_thread_t again = nullptr;
        ASSERT_EQ(OSR_OK, uThreadSelf(&first));
        ASSERT_EQ(OSR_OK, uThreadSelf(&again));
        EXPECT_EQ(first, again);
        const char* name = nullptr;
        ASSERT_EQ(OSR_OK, uThreadGetName(first, &name));
        EXPECT_STREQ("", name);
        EXPECT_EQ(0u, first->ui4StackSize);
    }).join();
    EXPECT_EQ(OSR_INV_ARG, uThreadSelf(nullptr));
}

int gDestroyed[3];

void countDestroyed(uint32_t key, void* value)
{
    EXPECT_EQ(static_cast<uintptr_t>(key) * 10, reinterpret_cast<uintptr_t>(value));
    ++gDestroyed[key];
}

TEST_F(ThreadTest, PrivateValuesAreKeyedAndDestroyedOnce)
{
    memset(gDestroyed, 0, sizeof(gDestroyed));
    std::thread([] {
        void* value = nullptr;
        EXPECT_EQ(OSR_NOT_EXIST, uThreadSetPvt(1, countDestroyed, reinterpret_cast<void*>(10)));
        EXPECT_EQ(OSR_NOT_EXIST, uThreadGetPvt(1, &value));
        EXPECT_EQ(OSR_NOT_EXIST, uThreadDelPvt(1));

        os_thread_t self = nullptr;
        ASSERT_EQ(OSR_OK, uThreadSelf(&self));
        EXPECT_EQ(OSR_OK, uThreadSetPvt(1, countDestroyed, reinterpret_cast<void*>(10)));
        EXPECT_EQ(OSR_KEY_EXIST, uThreadSetPvt(1, countDestroyed, reinterpret_cast<void*>(10)));
        EXPECT_EQ(OSR_OK, uThreadSetPvt(2, countDestroyed, reinterpret_cast<void*>(20)));
        EXPECT_EQ(OSR_OK, uThreadSetPvt(0, nullptr, nullptr));
        EXPECT_EQ(OSR_OK, uThreadGetPvt(2, &value));
        EXPECT_EQ(reinterpret_cast<void*>(20), value);
        EXPECT_EQ(OSR_INV_ARG, uThreadGetPvt(2, nullptr));

        EXPECT_EQ(OSR_OK, uThreadDelPvt(1));
        EXPECT_EQ(1, gDestroyed[1]);
        EXPECT_EQ(OSR_KEY_NOT_EXIST, uThreadDelPvt(1));
        EXPECT_EQ(OSR_KEY_NOT_EXIST, uThreadGetPvt(1, &value));
        EXPECT_EQ(OSR_OK, uThreadDelPvt(0));
        EXPECT_EQ(0, gDestroyed[2]);
    }).join();
    // Values still set when the thread ends are destroyed with it.
    EXPECT_EQ(1, gDestroyed[1]);
    EXPECT_EQ(1, gDestroyed[2]);
}

void suspendOnce(void* arg)
{
    Gate* passed = nullptr;
    memcpy(&passed, arg, sizeof(passed));
    EXPECT_EQ(OSR_OK, uThreadSuspend());
    passed->open();
}

TEST_F(ThreadTest, SuspendedThreadRunsOnWhenResumed)
{
    Gate passed;
    Gate* arg = &passed;
    os_thread_t thread = nullptr;
    ASSERT_EQ(OSR_OK, uThreadCreate(&thread, "suspender", 16384, 100, suspendOnce, sizeof(arg), &arg));
    // A resume that comes before the thread suspends does nothing, so keep resuming.
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!passed.isOpen()) {
        ASSERT_LT(Clock::now(), deadline);
        ASSERT_EQ(OSR_OK, uThreadResume(thread));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    waitUntilEnded(thread);
}

TEST_F(ThreadTest, UnknownThreadsAreRefused)
{
    thread_rec_t stranger{};
    uint8_t priority = 0;
    const char* name = nullptr;
    EXPECT_EQ(OSR_EINVAL, uThreadResume(&stranger));
    EXPECT_EQ(OSR_EINVAL, uThreadSetPri(&stranger, 100));
    EXPECT_EQ(OSR_EINVAL, uThreadGetPri(&stranger, &priority));
    EXPECT_EQ(OSR_EINVAL, uThreadGetName(&stranger, &name));
    EXPECT_EQ(OSR_EINVAL, uThreadGetName(nullptr, &name));
    uint32_t size = 0;
    uint32_t used = 0;
    EXPECT_EQ(OSR_EINVAL, uThreadStackStats(&stranger, &size, &used));
}

// Uses `depth` bytes of its stack, then waits on the gate.
struct DeepArg {
    Gate* gate;
    uint32_t depth;
    std::atomic<bool>* deep;
};

void goDeepThenWait(void* arg)
{
    DeepArg a{};
    memcpy(&a, arg, sizeof(a));
    auto* frame = static_cast<volatile uint8_t*>(alloca(a.depth));
    for (uint32_t i = 0; i < a.depth; ++i) {
        frame[i] = static_cast<uint8_t>(i);
    }
    a.deep->store(true);
    a.gate->wait();
}

TEST_F(ThreadTest, StackStatsGiveTheSizeAndTheDeepestUse)
{
    os_thread_t self = nullptr;
    ASSERT_EQ(OSR_OK, uThreadSelf(&self));
    uint32_t size = 0;
    uint32_t used = 0;
    const int32_t adopted = uThreadStackStats(self, &size, &used);
    EXPECT_EQ(OSR_NOT_SUPPORT, adopted) << "an adopted thread's stack was not painted";

    Gate gate;
    std::atomic<bool> deep{false};
    DeepArg arg{&gate, 40000, &deep};
    os_thread_t thread = nullptr;
    ASSERT_EQ(OSR_OK, uThreadCreate(&thread, "deep", 65536, 128, goDeepThenWait, sizeof(arg), &arg));
    EXPECT_EQ(OSR_INV_ARG, uThreadStackStats(thread, nullptr, &used));
    EXPECT_EQ(OSR_INV_ARG, uThreadStackStats(thread, &size, nullptr));
    while (!deep.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const int32_t result = uThreadStackStats(thread, &size, &used);
    gate.open();
    waitUntilEnded(thread);
    if (result == OSR_NOT_SUPPORT) {
        GTEST_SKIP() << "sanitizer builds do not paint their stacks";
    }
    ASSERT_EQ(OSR_OK, result);
    EXPECT_EQ(65536u, size);
    EXPECT_GE(used, 40000u);
    EXPECT_LT(used, 40000u + 8192u);
}

TEST_F(ThreadTest, PriorityMapsOntoTheThreadsRealTimePriority)
{
    os_thread_t self = nullptr;
    ASSERT_EQ(OSR_OK, uThreadSelf(&self));
    EXPECT_EQ(OSR_INV_ARG, uThreadSetPri(self, 0));
    EXPECT_EQ(OSR_INV_ARG, uThreadSetPri(self, 255));
    EXPECT_EQ(OSR_INV_ARG, uThreadGetPri(self, nullptr));
    // The default time-sharing policy has no priorities to set.
    int policy = 0;
    sched_param param{};
    ASSERT_EQ(0, pthread_getschedparam(pthread_self(), &policy, &param));
    if (policy == SCHED_OTHER) {
        EXPECT_EQ(OSR_FAIL, uThreadSetPri(self, 128));
    }

    // The layer keeps the thread's policy; a real-time one is needed for a priority to stick.
    std::thread([] {
        sched_param param{};
        param.sched_priority = 1;
        if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) != 0) {
            GTEST_SKIP() << "no permission for real-time scheduling";
        }
        os_thread_t self = nullptr;
        ASSERT_EQ(OSR_OK, uThreadSelf(&self));
        const struct {
            uint8_t priority;
            int posix;
            uint8_t readBack;
        } cases[] = {{128, 50, 128}, {1, 99, 2}, {254, 1, 253}, {200, 22, 199}};
        for (const auto& c : cases) {
            ASSERT_EQ(OSR_OK, uThreadSetPri(self, c.priority));
            int policy = 0;
            ASSERT_EQ(0, pthread_getschedparam(pthread_self(), &policy, &param));
            EXPECT_EQ(SCHED_RR, policy);
            EXPECT_EQ(c.posix, param.sched_priority) << int(c.priority);
            uint8_t readBack = 0;
            ASSERT_EQ(OSR_OK, uThreadGetPri(self, &readBack));
            EXPECT_EQ(c.readBack, readBack) << int(c.priority);
        }
    }).join();
}

TEST_F(ThreadTest, DelayOfZeroYieldsAndOtherwiseSleeps)
{
    auto start = Clock::now();
    EXPECT_EQ(OSR_OK, uThreadDelay(0));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    start = Clock::now();
    EXPECT_EQ(OSR_OK, uThreadDelay(20));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(20));
}

std::atomic<int> gEndedThreads{0};

void countEnd(uint32_t, void*)
{
    ++gEndedThreads;
}

void endWithOthers(void* arg)
{
    Gate* gate = nullptr;
    memcpy(&gate, arg, sizeof(gate));
    EXPECT_EQ(OSR_OK, uThreadSetPvt(7, countEnd, nullptr));
    gate->wait();
}

// Many threads, created and adopted, ending at the same moment: each record is handed to the
// reaper once (the sanitizers see a double free, a leak or a thread left unjoined).
TEST_F(ThreadTest, ThreadsEndingTogetherAreEachReapedOnce)
{
    constexpr int kCreated = 48;
    constexpr int kAdopted = 16;
    gEndedThreads = 0;
    Gate gate;
    Gate* arg = &gate;
    std::vector<os_thread_t> created;
    for (int i = 0; i < kCreated; ++i) {
        os_thread_t thread = nullptr;
        ASSERT_EQ(OSR_OK, uThreadCreate(&thread, ("ender" + std::to_string(i)).c_str(), 16384, 100, endWithOthers,
                                        sizeof(arg), &arg));
        created.push_back(thread);
    }
    std::vector<std::thread> adopted;
    std::vector<os_thread_t> adoptedRecords(kAdopted);
    std::atomic<int> ready{0};
    for (int i = 0; i < kAdopted; ++i) {
        adopted.emplace_back([&, i] {
            ASSERT_EQ(OSR_OK, uThreadSelf(&adoptedRecords[i]));
            endWithOthers(&arg);
        });
    }
    gate.open();
    for (std::thread& thread : adopted) {
        thread.join();
    }
    for (os_thread_t thread : created) {
        waitUntilEnded(thread);
    }
    EXPECT_EQ(kCreated + kAdopted, gEndedThreads.load());
}

}  // namespace
