#include "main/mw/os_pthread/os_sema.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct SemaDeleter {
    void operator()(sema_t* sema) const { EXPECT_EQ(OSR_OK, uSemaDelete(sema)); }
};
using SemaPtr = std::unique_ptr<sema_t, SemaDeleter>;

SemaPtr makeSema(uint32_t type, uint32_t value)
{
    sema_t* sema = nullptr;
    EXPECT_EQ(OSR_OK, uSemaCreate(&sema, type, value));
    return SemaPtr(sema);
}

// Runs `body` on another thread and returns its result.
template <typename Body>
int32_t onOtherThread(Body body)
{
    int32_t result = 0;
    std::thread([&] { result = body(); }).join();
    return result;
}

TEST(SemaTest, CreateRefusesBadArguments)
{
    sema_t* sema = nullptr;
    EXPECT_EQ(OSR_INV_ARG, uSemaCreate(nullptr, SEMA_TYPE_BINARY, 0));
    EXPECT_EQ(OSR_INV_ARG, uSemaCreate(&sema, 0, 0));
    EXPECT_EQ(OSR_INV_ARG, uSemaCreate(&sema, 4, 0));
    EXPECT_EQ(OSR_INV_ARG, uSemaCreate(&sema, SEMA_TYPE_BINARY, 2));
    EXPECT_EQ(OSR_INV_ARG, uSemaCreate(&sema, SEMA_TYPE_MUTEX, 2));
    EXPECT_EQ(nullptr, sema);
    SemaPtr counting = makeSema(SEMA_TYPE_COUNTING, 5);
    EXPECT_EQ(OSR_INV_ARG, uSemaLock(counting.get(), 0));
    EXPECT_EQ(OSR_INV_ARG, uSemaLock(counting.get(), 3));
}

TEST(SemaTest, CountingSemaphoreHandsOutItsValueThenAnswersNotAvailable)
{
    SemaPtr sema = makeSema(SEMA_TYPE_COUNTING, 2);
    EXPECT_EQ(OSR_OK, uSemaLock(sema.get(), SEMA_OPTION_NOWAIT));
    EXPECT_EQ(OSR_OK, uSemaLockTimeout(sema.get(), 0));
    EXPECT_EQ(SEMA_NOT_AVAILABLE, uSemaLock(sema.get(), SEMA_OPTION_NOWAIT));
    EXPECT_EQ(OSR_TIMEOUT, uSemaLockTimeout(sema.get(), 0));
}

TEST(SemaTest, BinarySemaphoreReleasedTwiceHoldsTwo)
{
    SemaPtr sema = makeSema(SEMA_TYPE_BINARY, 0);
    EXPECT_EQ(SEMA_NOT_AVAILABLE, uSemaLock(sema.get(), SEMA_OPTION_NOWAIT));
    EXPECT_EQ(OSR_OK, uSemaUnlock(sema.get()));
    EXPECT_EQ(OSR_OK, uSemaUnlock(sema.get()));
    EXPECT_EQ(OSR_OK, uSemaLock(sema.get(), SEMA_OPTION_NOWAIT));
    EXPECT_EQ(OSR_OK, uSemaLock(sema.get(), SEMA_OPTION_NOWAIT));
    EXPECT_EQ(SEMA_NOT_AVAILABLE, uSemaLock(sema.get(), SEMA_OPTION_NOWAIT));
}

TEST(SemaTest, TimedLockGivesUpAtTheDeadline)
{
    SemaPtr sema = makeSema(SEMA_TYPE_BINARY, 0);
    const auto start = Clock::now();
    EXPECT_EQ(OSR_TIMEOUT, uSemaLockTimeout(sema.get(), 50));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(49));
}

TEST(SemaTest, WaitersAreWokenByAReleaseFromAnotherThread)
{
    SemaPtr request = makeSema(SEMA_TYPE_BINARY, 0);
    SemaPtr reply = makeSema(SEMA_TYPE_COUNTING, 0);
    constexpr int kRounds = 500;
    std::thread peer([&] {
        for (int i = 0; i < kRounds; ++i) {
            ASSERT_EQ(OSR_OK, uSemaLock(request.get(), SEMA_OPTION_WAIT));
            ASSERT_EQ(OSR_OK, uSemaUnlock(reply.get()));
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        ASSERT_EQ(OSR_OK, uSemaUnlock(request.get()));
        ASSERT_EQ(OSR_OK, i % 2 == 0 ? uSemaLock(reply.get(), SEMA_OPTION_WAIT) : uSemaLockTimeout(reply.get(), 10000));
    }
    peer.join();
}

TEST(SemaTest, MutexIsRecursiveForItsOwnerAndReleasedOnlyByIt)
{
    SemaPtr mutex = makeSema(SEMA_TYPE_MUTEX, 1);
    sema_t* m = mutex.get();
    ASSERT_EQ(OSR_OK, uSemaLock(m, SEMA_OPTION_WAIT));
    ASSERT_EQ(OSR_OK, uSemaLockTimeout(m, 0));

    EXPECT_EQ(SEMA_NOT_AVAILABLE, onOtherThread([m] { return uSemaLock(m, SEMA_OPTION_NOWAIT); }));
    EXPECT_EQ(OSR_FAIL, onOtherThread([m] { return uSemaUnlock(m); }));

    ASSERT_EQ(OSR_OK, uSemaUnlock(m));
    EXPECT_EQ(SEMA_NOT_AVAILABLE, onOtherThread([m] { return uSemaLock(m, SEMA_OPTION_NOWAIT); }));
    ASSERT_EQ(OSR_OK, uSemaUnlock(m));
    EXPECT_EQ(OSR_FAIL, uSemaUnlock(m));
    EXPECT_EQ(OSR_OK, onOtherThread([m] {
                  const int32_t result = uSemaLock(m, SEMA_OPTION_NOWAIT);
                  return result == OSR_OK ? uSemaUnlock(m) : result;
              }));
}

TEST(SemaTest, MutexCreatedWithZeroBelongsToItsCreator)
{
    SemaPtr mutex = makeSema(SEMA_TYPE_MUTEX, 0);
    sema_t* m = mutex.get();
    EXPECT_EQ(OSR_TIMEOUT, onOtherThread([m] { return uSemaLockTimeout(m, 1); }));
    EXPECT_EQ(OSR_OK, uSemaLock(m, SEMA_OPTION_NOWAIT));
    EXPECT_EQ(OSR_OK, uSemaUnlock(m));
    EXPECT_EQ(OSR_OK, uSemaUnlock(m));
    EXPECT_EQ(OSR_OK, onOtherThread([m] {
                  const int32_t result = uSemaLock(m, SEMA_OPTION_WAIT);
                  return result == OSR_OK ? uSemaUnlock(m) : result;
              }));
}

}  // namespace
