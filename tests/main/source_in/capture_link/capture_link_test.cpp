#include "main/source_in/capture_link/capture_link.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

namespace {

using namespace std::chrono_literals;

const uint8_t* bytes(const std::string& s)
{
    return reinterpret_cast<const uint8_t*>(s.data());
}

class CaptureLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(link.open(8));
        link.setRunning();
    }
    void TearDown() override
    {
        link.stop();
        link.close();
    }

    std::string take(uint32_t n)
    {
        std::string out(n, '\0');
        out.resize(link.take(reinterpret_cast<uint8_t*>(out.data()), n));
        return out;
    }

    CaptureLink link;
};

TEST_F(CaptureLinkTest, FullRingMakesTheWriterWaitForRoom)
{
    const std::string data = "abcdefghijkl";
    auto writer = std::async(std::launch::async, [&] { return link.put(bytes(data), 12); });
    // Eight bytes fit; the writer waits (it does not spin) until the reader makes room.
    EXPECT_EQ("abcdefgh", take(8));
    EXPECT_EQ("ijkl", take(4));
    EXPECT_TRUE(writer.get());
}

TEST_F(CaptureLinkTest, StopAndPauseWakeBothSides)
{
    const std::string data = "0123456789";
    auto writer = std::async(std::launch::async, [&] { return link.put(bytes(data), 10); });
    ASSERT_EQ(std::future_status::timeout, writer.wait_for(10ms));
    link.setPaused(true);
    EXPECT_FALSE(writer.get());  // the rest of a write cut by a pause is dropped

    link.setPaused(false);
    ASSERT_TRUE(link.clearPending());
    link.clearIfPending();
    EXPECT_FALSE(link.clearPending());
    auto reader = std::async(std::launch::async, [&] { return take(4); });
    ASSERT_EQ(std::future_status::timeout, reader.wait_for(10ms));
    link.stop();
    EXPECT_EQ("", reader.get());  // the ring was emptied by the clear
    EXPECT_FALSE(link.put(bytes(data), 1));
}

TEST_F(CaptureLinkTest, PlaySideWaitsForTheClearThatFollowsAPause)
{
    EXPECT_TRUE(link.put(bytes(std::string("old")), 3));
    link.setPaused(true);
    link.setPaused(false);
    auto player = std::async(std::launch::async, [&] {
        link.waitUntilCleared();
        return take(3);
    });
    ASSERT_EQ(std::future_status::timeout, player.wait_for(10ms));
    link.clearIfPending();
    EXPECT_TRUE(link.put(bytes(std::string("new")), 3));
    EXPECT_EQ("new", player.get());
}

}  // namespace
