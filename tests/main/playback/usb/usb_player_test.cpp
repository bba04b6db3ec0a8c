// The player client against the player stand-in program, with a recording reply sink.
#include "main/playback/usb/usb_player.h"

#include "tests/main/playback/usb/player_standin.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

struct Sink {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<usb_pb_msg_t> posts;
    std::vector<uint32_t> informs;
};
Sink gSink;

int32_t recordPost(const usb_pb_msg_t* msg)
{
    std::lock_guard<std::mutex> g(gSink.lock);
    gSink.posts.push_back(*msg);
    gSink.changed.notify_all();
    return 0;
}

int32_t recordInform(uint32_t body)
{
    std::lock_guard<std::mutex> g(gSink.lock);
    gSink.informs.push_back(body);
    gSink.changed.notify_all();
    return 0;
}

class UsbPlayerTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        static const UsbPlayerReplySink sink = {recordPost, recordInform};
        playerSetReplySink(&sink);
    }
    void TearDown() override
    {
        if (playerGetMsgId() >= 0) {
            player_deinit();
        }
        playerSetReplySink(nullptr);
    }

    void startPlayer()
    {
        player_ = std::make_unique<usbtest::PlayerStandIn>(sandbox);
        ASSERT_TRUE(player_->ready()) << player_->program().output();
    }

    // Waits for the n-th post and returns it.
    usb_pb_msg_t post(size_t n)
    {
        std::unique_lock<std::mutex> g(gSink.lock);
        EXPECT_TRUE(gSink.changed.wait_for(g, std::chrono::seconds(30), [&] { return gSink.posts.size() >= n; }));
        return gSink.posts.size() >= n ? gSink.posts[n - 1] : usb_pb_msg_t{};
    }

    bool informed(std::vector<uint32_t> expected)
    {
        std::unique_lock<std::mutex> g(gSink.lock);
        return gSink.changed.wait_for(g, std::chrono::seconds(30), [&] { return gSink.informs == expected; });
    }

    std::unique_ptr<usbtest::PlayerStandIn> player_;
};

TEST_F(UsbPlayerTest, CommandsNeedAQueueAUrlAndAPlayingTrack)
{
    EXPECT_EQ(usb_player::start("/data/mnt/sda1/a.mp3", 0), -1);  // no queue yet
    ASSERT_EQ(player_init(), 0);
    EXPECT_EQ(usb_player::start(nullptr, 0), -2);
    EXPECT_EQ(usb_player::start(std::string(300, 'a').c_str(), 0), -1);  // would not fit the url field
    EXPECT_EQ(usb_player::pause(), -1);
    EXPECT_EQ(usb_player::resume(), -1);
    EXPECT_EQ(usb_player::seek(5, 2), -1);
    EXPECT_EQ(usb_player::getCurrentPosition(), -1);
    EXPECT_EQ(usb_player::getDuration(), -1);
}

TEST_F(UsbPlayerTest, RepliesKeepTheFlagsAndReachTheApplication)
{
    startPlayer();
    ASSERT_EQ(player_init(), 0);
    ASSERT_EQ(usb_player::start("/data/mnt/sda1/a.mp3", 1), 0);
    ASSERT_TRUE(player_->gets("PLAY 1 /data/mnt/sda1/a.mp3"));
    usb_pb_msg_t got = post(1);
    EXPECT_EQ(got.ui4Path, USB_PB_PATH_PLAYER);
    EXPECT_EQ(got.ui4Id, USB_PB_PLAY_DONE);
    EXPECT_EQ(got.i8Value, 0);
    ASSERT_TRUE(informed({1}));
    EXPECT_EQ(get_playing_flag(), 1);

    // Both duration calls send the same command; the value rides on later posts.
    ASSERT_EQ(usb_player::getCurrentDuration(), 0);
    ASSERT_EQ(usb_player::getDuration(), 0);
    ASSERT_TRUE(player_->gets("GET_DURATION"));
    ASSERT_TRUE(player_->gets("GET_DURATION"));
    got = post(3);
    EXPECT_EQ(got.ui4Id, USB_PB_GET_DURATION_DONE);
    EXPECT_EQ(got.i8Value, 180000);
    ASSERT_TRUE(player_->tell("eos"));
    got = post(4);
    EXPECT_EQ(got.ui4Id, USB_PB_EOS);
    EXPECT_EQ(got.i8Value, 180000);
    ASSERT_TRUE(player_->tell("position -2"));  // sign-extended
    ASSERT_EQ(usb_player::getCurrentPosition(), 0);
    ASSERT_TRUE(player_->gets("GET_PROGRESS"));
    got = post(5);
    EXPECT_EQ(got.ui4Id, USB_PB_GET_PROGRESS_DONE);
    EXPECT_EQ(got.i8Value, -2);

    ASSERT_EQ(usb_player::seek((int64_t{7} << 32) | 5, 2), 0);
    ASSERT_TRUE(player_->gets("SEEK 5 2"));

    ASSERT_EQ(usb_player::pause(), 0);
    ASSERT_TRUE(informed({1, 3}));
    EXPECT_EQ(usb_player::pause(), -1);  // already paused
    ASSERT_EQ(usb_player::resume(), 0);
    ASSERT_TRUE(informed({1, 3, 1}));
    EXPECT_EQ(usb_player::resume(), -1);  // playing
    ASSERT_EQ(usb_player::stop(), 0);
    ASSERT_TRUE(informed({1, 3, 1, 0}));
    EXPECT_EQ(get_playing_flag(), 0);

    ASSERT_EQ(player_deinit(), 0);
    EXPECT_TRUE(player_->program().waitFor("velmor: queue gone\n"));
    EXPECT_EQ(sandbox.quoridLog(), std::vector<std::string>{USB_PLAYER_STOP_COMMAND});
    EXPECT_EQ(playerGetMsgId(), -1);
}

}  // namespace
