#include "main/mw/rwlock/rwlock.h"

#include "main/mw/os_pthread/os_thread.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

pid_t threadId()
{
    return static_cast<pid_t>(syscall(SYS_gettid));
}

// True once the thread sleeps in the kernel: the waiters below do nothing but wait for their hold
// after announcing themselves, so sleeping means waiting for the hand-over.
bool sleeping(pid_t tid)
{
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto end = line.rfind(')');
    return end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'S';
}

// A thread that takes one hold of the lock, waiting for it, and keeps it until told to release.
class Holder {
public:
    enum Kind { Reader, Writer };

    Holder(handle_t lock, Kind kind, std::vector<std::string>* log, std::mutex* logMutex, std::string name)
        : thread_([=] {
              os_thread_t self = nullptr;
              uThreadSelf(&self);  // adopt first: afterwards the only way to sleep is the lock's wait
              tid_ = threadId();
              const int32_t got =
                  kind == Reader ? uRwlReadLock(lock, RWL_OPTION_WAIT) : uRwlWriteLock(lock, RWL_OPTION_WAIT);
              {
                  std::lock_guard<std::mutex> guard(*logMutex);
                  log->push_back(name + (got == 0 ? " in" : " failed"));
                  if (kind == Writer && uRwlWriteLockGrabbed(lock) != 1) {
                      log->push_back(name + " not owner");
                  }
              }
              entered_.set_value();
              release_.get_future().wait();
              uRwlReleaseLock(lock);
          })
    {
    }

    ~Holder()
    {
        if (thread_.joinable()) {
            release();
        }
    }

    // Returns once the thread waits inside the lock call.
    void waitUntilBlocked()
    {
        while (tid_.load() == 0 || !sleeping(tid_.load())) {
            std::this_thread::sleep_for(1ms);
        }
    }

    bool waitEntered() { return entered_.get_future().wait_for(30s) == std::future_status::ready; }

    void release()
    {
        release_.set_value();
        thread_.join();
    }

private:
    std::atomic<pid_t> tid_{0};
    std::promise<void> entered_;
    std::promise<void> release_;
    std::thread thread_;
};

class RwlockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const int32_t init = uHandleUsrInit(256);
        ASSERT_TRUE(init == HR_OK || init == HR_ALREADY_INIT);
        ASSERT_EQ(0, uRwlCreateLock(&lock));
    }

    void TearDown() override { uRwlDeleteLock(lock); }

    // Runs `fn` on another thread and returns its result.
    template <typename Fn>
    static int32_t onOtherThread(Fn fn)
    {
        return std::async(std::launch::async, fn).get();
    }

    std::vector<std::string> events()
    {
        std::lock_guard<std::mutex> guard(logMutex);
        return log;
    }

    handle_t lock = NULL_HANDLE;
    std::mutex logMutex;
    std::vector<std::string> log;
};

TEST_F(RwlockTest, WaitingWriterHoldsBackLaterReadersWhoStillGoFirst)
{
    ASSERT_EQ(0, uRwlReadLock(lock, RWL_OPTION_WAIT));
    ASSERT_EQ(0, uRwlReadLock(lock, RWL_OPTION_WAIT));

    Holder writer(lock, Holder::Writer, &log, &logMutex, "writer");
    writer.waitUntilBlocked();
    EXPECT_EQ(RWLR_WOULD_BLOCK, uRwlReadLock(lock, RWL_OPTION_NOWAIT));  // no passing a waiting writer
    Holder reader(lock, Holder::Reader, &log, &logMutex, "reader");
    reader.waitUntilBlocked();
    EXPECT_TRUE(events().empty());

    EXPECT_EQ(0, uRwlReleaseLock(lock));
    EXPECT_EQ(0, uRwlReleaseLock(lock));
    ASSERT_TRUE(reader.waitEntered());
    EXPECT_EQ(std::vector<std::string>{"reader in"}, events());
    EXPECT_EQ(1, uRwlReadLockGrabbed(lock));

    reader.release();
    ASSERT_TRUE(writer.waitEntered());
    EXPECT_EQ((std::vector<std::string>{"reader in", "writer in"}), events());
    EXPECT_EQ(0, uRwlReadLockGrabbed(lock));
    EXPECT_EQ(0, uRwlWriteLockGrabbed(lock));  // held, but not by this thread

    writer.release();
    EXPECT_EQ(0, uRwlWriteLock(lock, RWL_OPTION_NOWAIT));
    EXPECT_EQ(0, uRwlReleaseLock(lock));
}

TEST_F(RwlockTest, WriterReleaseWakesWaitingWriterBeforeReaders)
{
    ASSERT_EQ(0, uRwlWriteLock(lock, RWL_OPTION_WAIT));
    Holder reader(lock, Holder::Reader, &log, &logMutex, "reader");
    reader.waitUntilBlocked();
    Holder writer(lock, Holder::Writer, &log, &logMutex, "writer");
    writer.waitUntilBlocked();

    EXPECT_EQ(0, uRwlReleaseLock(lock));
    ASSERT_TRUE(writer.waitEntered());
    writer.release();
    ASSERT_TRUE(reader.waitEntered());
    EXPECT_EQ((std::vector<std::string>{"writer in", "reader in"}), events());
}

TEST_F(RwlockTest, WriterNestsWritesAndReads)
{
    ASSERT_EQ(0, uRwlWriteLock(lock, RWL_OPTION_WAIT));
    ASSERT_EQ(0, uRwlWriteLock(lock, RWL_OPTION_NOWAIT));
    ASSERT_EQ(0, uRwlReadLock(lock, RWL_OPTION_NOWAIT));
    // Writing again on top of its own read hold must not wait for itself.
    ASSERT_EQ(0, uRwlWriteLock(lock, RWL_OPTION_NOWAIT));
    EXPECT_EQ(1, uRwlWriteLockGrabbed(lock));
    EXPECT_EQ(1, uRwlReadLockGrabbed(lock));
    EXPECT_EQ(1, onOtherThread([&] { return uRwlReadLockGrabbed(lock); }));
    EXPECT_EQ(0, onOtherThread([&] { return uRwlWriteLockGrabbed(lock); }));
    EXPECT_EQ(RWLR_WOULD_BLOCK, onOtherThread([&] { return uRwlReadLock(lock, RWL_OPTION_NOWAIT); }));
    EXPECT_EQ(RWLR_WOULD_BLOCK, onOtherThread([&] { return uRwlWriteLock(lock, RWL_OPTION_NOWAIT); }));

    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(1, uRwlWriteLockGrabbed(lock)) << "release " << i;
        EXPECT_EQ(0, uRwlReleaseLock(lock));
    }
    EXPECT_EQ(0, uRwlWriteLockGrabbed(lock));
    EXPECT_EQ(0, uRwlReadLockGrabbed(lock));
    EXPECT_EQ(0, onOtherThread([&] {
                  const int32_t got = uRwlWriteLock(lock, RWL_OPTION_NOWAIT);
                  uRwlReleaseLock(lock);
                  return got;
              }));
    EXPECT_EQ(0, uRwlReleaseLock(lock));  // nothing held: nothing happens
}

TEST_F(RwlockTest, OptionsOtherThanWaitNeverWait)
{
    ASSERT_EQ(0, uRwlReadLock(lock, RWL_OPTION_WAIT));
    for (const uint32_t option : {0u, 2u, 3u, 0xffffffffu}) {
        EXPECT_EQ(RWLR_WOULD_BLOCK, uRwlWriteLock(lock, option)) << option;
    }
    EXPECT_EQ(0, uRwlReleaseLock(lock));
    ASSERT_EQ(0, uRwlWriteLock(lock, RWL_OPTION_WAIT));
    for (const uint32_t option : {0u, 2u, 3u}) {
        EXPECT_EQ(RWLR_WOULD_BLOCK, onOtherThread([&] { return uRwlReadLock(lock, option); })) << option;
    }
    EXPECT_EQ(0, uRwlReleaseLock(lock));
}

TEST_F(RwlockTest, DeletingAnIdleLockFreesItsHandle)
{
    EXPECT_EQ(0, uRwlDeleteLock(lock));
    EXPECT_EQ(RWLR_INV_HANDLE, uRwlDeleteLock(lock));
    EXPECT_EQ(RWLR_INV_HANDLE, uRwlReadLock(lock, RWL_OPTION_WAIT));
    EXPECT_EQ(RWLR_INV_HANDLE, uRwlWriteLock(lock, RWL_OPTION_WAIT));
    EXPECT_EQ(RWLR_INV_HANDLE, uRwlReleaseLock(lock));
    EXPECT_EQ(0, uRwlReadLockGrabbed(lock));
}

TEST_F(RwlockTest, DeletingAHeldLockFreesItAtTheLastRelease)
{
    ASSERT_EQ(0, uRwlReadLock(lock, RWL_OPTION_WAIT));
    ASSERT_EQ(0, uRwlReadLock(lock, RWL_OPTION_WAIT));
    EXPECT_EQ(0, uRwlDeleteLock(lock));
    EXPECT_EQ(RWLR_DELETED, uRwlDeleteLock(lock));
    EXPECT_EQ(RWLR_DELETED, uRwlReadLock(lock, RWL_OPTION_WAIT));
    EXPECT_EQ(RWLR_DELETED, uRwlWriteLock(lock, RWL_OPTION_NOWAIT));

    EXPECT_EQ(0, uRwlReleaseLock(lock));
    EXPECT_EQ(1, uRwlReadLockGrabbed(lock));
    EXPECT_EQ(0, uRwlReleaseLock(lock));
    EXPECT_EQ(RWLR_INV_HANDLE, uRwlReleaseLock(lock));
}

TEST_F(RwlockTest, WaiterKeepsItsTurnOnADeletedLock)
{
    ASSERT_EQ(0, uRwlWriteLock(lock, RWL_OPTION_WAIT));
    Holder reader(lock, Holder::Reader, &log, &logMutex, "reader");
    reader.waitUntilBlocked();
    EXPECT_EQ(0, uRwlDeleteLock(lock));
    EXPECT_EQ(0, uRwlReleaseLock(lock));
    ASSERT_TRUE(reader.waitEntered());
    EXPECT_EQ(std::vector<std::string>{"reader in"}, events());
    EXPECT_EQ(1, uRwlReadLockGrabbed(lock));
    reader.release();
    EXPECT_EQ(RWLR_INV_HANDLE, uRwlReleaseLock(lock));
}

TEST_F(RwlockTest, HandleLibraryMayFreeOnlyADeletedLock)
{
    EXPECT_EQ(HR_FREE_NOT_ALLOWED, uHandleFree(lock, 0));
    EXPECT_EQ(0, uRwlReadLock(lock, RWL_OPTION_NOWAIT));  // still alive
    EXPECT_EQ(0, uRwlReleaseLock(lock));
    EXPECT_EQ(0, rwlHandleCb(lock, HT_RWLOCK, nullptr, 0, 0));
    int other = 0;
    EXPECT_EQ(0, rwlHandleCb(lock, HT_RWLOCK + 1, &other, 0, 0));
}

TEST_F(RwlockTest, OnlyLockHandlesAreAccepted)
{
    handle_t other = NULL_HANDLE;
    ASSERT_EQ(HR_OK, uHandleAlloc(
                         200, this, 0, [](handle_t, handle_type, void*, uint32_t, uint8_t) { return 1; }, &other));
    for (const handle_t bad : {NULL_HANDLE, other, 0xffffffffu}) {
        EXPECT_EQ(RWLR_INV_HANDLE, uRwlReadLock(bad, RWL_OPTION_WAIT)) << bad;
        EXPECT_EQ(RWLR_INV_HANDLE, uRwlWriteLock(bad, RWL_OPTION_WAIT)) << bad;
        EXPECT_EQ(RWLR_INV_HANDLE, uRwlReleaseLock(bad)) << bad;
        EXPECT_EQ(RWLR_INV_HANDLE, uRwlDeleteLock(bad)) << bad;
        EXPECT_EQ(0, uRwlReadLockGrabbed(bad)) << bad;
        EXPECT_EQ(0, uRwlWriteLockGrabbed(bad)) << bad;
    }
    EXPECT_EQ(HR_OK, uHandleFree(other, 0));
    EXPECT_NE(0, uRwlCreateLock(nullptr));
}

// Writers must find nobody inside; readers must find no writer. A lost hand-over hangs the test.
TEST_F(RwlockTest, ThreadsExcludeEachOther)
{
    std::atomic<int> readersInside{0};
    std::atomic<int> writersInside{0};
    std::atomic<int> violations{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                if ((i + t) % 3 == 0) {
                    ASSERT_EQ(0, uRwlWriteLock(lock, RWL_OPTION_WAIT));
                    if (writersInside.fetch_add(1) != 0 || readersInside.load() != 0) {
                        ++violations;
                    }
                    writersInside.fetch_sub(1);
                } else {
                    ASSERT_EQ(0, uRwlReadLock(lock, RWL_OPTION_WAIT));
                    readersInside.fetch_add(1);
                    if (writersInside.load() != 0) {
                        ++violations;
                    }
                    readersInside.fetch_sub(1);
                }
                ASSERT_EQ(0, uRwlReleaseLock(lock));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(0, violations.load());
    EXPECT_EQ(0, uRwlReadLockGrabbed(lock));
}

}  // namespace
