#include "main/mw/os_pthread/os_crit.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(CritTest, NestedStartsReturnTheDepthAndEndsUnwindIt)
{
    EXPECT_EQ(1u, uCritStart());
    EXPECT_EQ(2u, uCritStart());
    EXPECT_EQ(3u, uCritStart());
    uCritEnd(3);
    uCritEnd(2);
    EXPECT_EQ(2u, uCritStart());
    uCritEnd(2);
    uCritEnd(1);
    // Fully left: another thread enters at depth 1.
    uint32_t otherDepth = 0;
    std::thread([&] {
        otherDepth = uCritStart();
        uCritEnd(otherDepth);
    }).join();
    EXPECT_EQ(1u, otherDepth);
}

TEST(CritTest, ExcludesOtherThreads)
{
    long counter = 0;
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&counter] {
            for (int i = 0; i < kRounds; ++i) {
                const uint32_t outer = uCritStart();
                const uint32_t inner = uCritStart();
                ++counter;
                uCritEnd(inner);
                uCritEnd(outer);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(static_cast<long>(kThreads) * kRounds, counter);
}

TEST(CritDeathTest, EndingOutOfOrderOrWithoutOwningItIsFatal)
{
    EXPECT_DEATH(
        {
            uCritStart();
            uCritStart();
            uCritEnd(1);
        },
        "Assertion");
    EXPECT_DEATH(uCritEnd(1), "Assertion");
}

}  // namespace
