// playback_usb with the player stand-in program on the real player queue, the real application
// manager and a recording application in the state manager's place.
#include "main/playback/usb/playback_usb.h"

#include "main/cli/cli.h"
#include "main/device_mngr/dm_mount.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/playback/usb/usb_playlist.h"
#include "main/state_mngr/state_mngr.h"
#include "platform/quorid/quorid.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/playback/usb/player_standin.h"
#include "tests/main/playback/usb/stick_walk.h"
#include "tests/main/playback/usb/usb_app_fixture.h"
#include "tests/main/program_runner.h"
#include "tests/support/app_support.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace {

constexpr uint32_t kPermitPlay = 0x01010000;
constexpr uint32_t kStopOrder = 0x00000000;
constexpr uint32_t kRequestPlay = 0x00010000;
constexpr uint32_t kInformStopped = 0x03000000;
constexpr uint32_t kInformPlaying = 0x03010000;
constexpr uint32_t kInformPaused = 0x03030000;

class PlaybackUsbTest : public usbtest::UsbAppTest {
protected:
    void SetUp() override
    {
        UsbAppTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        for (auto* flag : {&gIsFakeStandbySendStopMessage, &gIsSourceSwitchSendStopMessage, &gIsSourceSwitchSeekPlay,
                           &gIsSourceSwitchSendPlayMessage, &gIsUsbUnMountedSendStopMessage,
                           &gPlaybackUsbPrevDirection}) {
            flag->store(0);
        }
    }

    void TearDown() override
    {
        if (running_) {
            EXPECT_EQ(u_amb_sync_exit_app(PLAYBACK_USB_APP_NAME), 0);
            running_ = false;
        }
        player_.reset();
        if (mounted_) {
            unmount();
        }
    }

    handle_t app()
    {
        handle_t h = 0;
        EXPECT_EQ(u_am_get_app_handle_from_name(&h, PLAYBACK_USB_APP_NAME), 0);
        return h;
    }

    // A stick at "/data/mnt/sda1" holding these files, announced as the device manager does.
    void mountStick(std::initializer_list<const char*> files)
    {
        for (const char* f : files) {
            sandbox.write(std::string("/data/mnt/sda1/") + f, "ID3");
        }
        DmMntInfo rec{};
        rec.bMnt = 1;
        snprintf(rec.acMntPath, sizeof rec.acMntPath, "/data/mnt/sda1");
        dmModifyMntInfo(1, &rec);
        mounted_ = true;
        walk_ = usbtest::expectedWalk(sandbox, "/data/mnt");
    }

    // The device manager's unmount; returns once the broadcast has been handed out.
    void unmount()
    {
        const size_t seen = sm().messages().size();
        dmModifyMntInfo(0, nullptr);
        mounted_ = false;
        for (size_t n = seen + 1; sm().waitMessages(n); ++n) {
            if (sm().messages()[n - 1].msgId == DM_BRDCST_MSG_USB_MNT) {
                return;
            }
        }
        ADD_FAILURE() << "unmount broadcast not delivered";
    }

    void broadcast(const void* data, uint32_t size)
    {
        am_broadcast_msg_t msg{};
        msg.ui4MsgId = DM_BRDCST_MSG_USB_MNT;
        std::memcpy(msg.aui1Data, data, size);
        msg.ui4Size = size;
        ASSERT_EQ(u_amb_broadcast_msg(&msg, 1), 0);
    }

    // The state manager's side.
    void smSend(uint32_t word)
    {
        ASSERT_EQ(u_app_send_appmsg(app(), E_APP_MSG_TYPE_STATE_MNGR, 0, word, nullptr, 0), 0);
    }

    // What the state manager sets when it grants USB play, then the grant.
    void smGrantUsb()
    {
        gIsSourceSwitchSeekPlay = 1;
        gIsSourceSwitchSendPlayMessage = 1;
        smSend(kPermitPlay);
    }

    // A 520-byte key record as the GUI and the state manager post it.
    void key(uint32_t value, uint32_t word0 = 0, uint32_t longPress = 0, uint32_t repeats = 0, uint32_t msgId = 1,
             uint32_t size = sizeof(appmsg_t))
    {
        appmsg_t rec{};
        rec.ui4_sender_id = word0;
        rec.ui4_msg_type = value;
        std::memcpy(rec.aui1_data, &longPress, 4);
        std::memcpy(rec.aui1_data + 4, &repeats, 4);
        ASSERT_EQ(u_app_send_msg(app(), msgId, &rec, size, nullptr, 0), 0);
    }

    void startPlayer()
    {
        player_ = std::make_unique<usbtest::PlayerStandIn>(sandbox);
        ASSERT_TRUE(player_->ready()) << player_->program().output();
    }

    void tellPlayer(const std::string& line) { ASSERT_TRUE(player_->tell(line)); }
    ::testing::AssertionResult playerGets(const std::string& command) { return player_->gets(command); }

    std::string wrapperLog() { return sandbox.read(WRAPPER_CALL_LOG); }

    // Waits until the wrapper log holds these lines in this order.
    ::testing::AssertionResult wrapperShows(std::initializer_list<std::string> lines)
    {
        const auto deadline = std::chrono::steady_clock::now() + apptest::kDeadline;
        while (!sbtest::containsInOrder(wrapperLog(), lines)) {
            if (std::chrono::steady_clock::now() > deadline) {
                return sbtest::containsInOrder(wrapperLog(), lines);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return ::testing::AssertionSuccess();
    }

    // Grants USB play and waits until the first track plays.
    void playFromStart()
    {
        smGrantUsb();
        ASSERT_TRUE(playerGets("PLAY 0 " + walk_[0]));
        ASSERT_TRUE(smReceives(kInformPlaying));
    }

    std::vector<std::string> walk_;
    std::unique_ptr<usbtest::PlayerStandIn> player_;
    size_t cursor_ = 0;
    bool mounted_ = false;
};

TEST_F(PlaybackUsbTest, PlaysTheStickInWalkOrderAndWrapsAtTheEnd)
{
    mountStick({"a.mp3", "b.mp3", "d1/c.mp3", "d2/e.mp3"});
    ASSERT_EQ(walk_.size(), 4u);
    startPlayer();
    startApp();

    // The console's start asks the state manager to play.
    ASSERT_EQ(u_cli_parser("app.playback_usb.url 0"), 0);
    ASSERT_TRUE(smReceives(kRequestPlay));

    smGrantUsb();
    ASSERT_TRUE(playerGets("PLAY 0 " + walk_[0]));
    ASSERT_TRUE(smReceives(kInformPlaying));
    EXPECT_TRUE(wrapperShows({"guiWrapperUsbUDiskMusicStsCbk 2 1\n"}));
    for (size_t i = 1; i <= walk_.size(); ++i) {
        tellPlayer("eos");
        ASSERT_TRUE(playerGets("PLAY 0 " + walk_[i % walk_.size()])) << i;
        ASSERT_TRUE(smReceives(kInformPlaying));
        EXPECT_TRUE(wrapperShows({"guiWrapperUsbUDiskMusicStsCbk 2 " + std::to_string(i % walk_.size() + 1) + "\n"}));
    }

    // Single loop plays the same track again.
    playbackGstModeSwitchMsgProcess(USB_PLAY_MODE_SINGLE_LOOP);
    tellPlayer("eos");
    EXPECT_TRUE(playerGets("PLAY 0 " + walk_[0]));
}

TEST_F(PlaybackUsbTest, SourceSwitchSavesTheTrackAndResumesItAtTheReportedPosition)
{
    mountStick({"a.mp3", "b.mp3", "d1/c.mp3"});
    startPlayer();
    startApp();
    playFromStart();
    tellPlayer("eos");
    ASSERT_TRUE(playerGets("PLAY 0 " + walk_[1]));
    ASSERT_TRUE(smReceives(kInformPlaying));

    // The GUI asks for the play time; the player's answer is kept as the resume point.
    tellPlayer("position 83000");
    key(180);
    ASSERT_TRUE(playerGets("GET_PROGRESS"));
    ASSERT_TRUE(wrapperShows({"guiWrapperUsbUDiskMusicPlayTimeCbk 83\n"}));

    // Another source takes over: the state manager marks the switch and orders a stop.
    gIsSourceSwitchSendStopMessage = 1;
    smSend(kStopOrder);
    ASSERT_TRUE(playerGets("STOP"));
    ASSERT_TRUE(smReceives(kInformStopped));
    const std::string record = sandbox.read(USB_PB_RESUME_FILE);
    const std::string text = "2:" + walk_[1];
    ASSERT_EQ(record.size(), 512u);
    EXPECT_EQ(record.substr(0, text.size()), text);
    EXPECT_EQ(record.find_first_not_of('\0', text.size()), std::string::npos);

    // USB is selected again once the other source has stopped.
    smGrantUsb();
    ASSERT_TRUE(playerGets("PLAY 0 " + walk_[1]));
    ASSERT_TRUE(playerGets("SEEK 83000 2"));
    ASSERT_TRUE(smReceives(kInformPlaying));
    key(180);  // handled after the play done that sent the seek
    ASSERT_TRUE(playerGets("GET_PROGRESS"));
    EXPECT_EQ(gIsSourceSwitchSendStopMessage.load(), 0);
    EXPECT_EQ(gIsSourceSwitchSeekPlay.load(), 0);
}

TEST_F(PlaybackUsbTest, MountBroadcastsWhilePlaying)
{
    mountStick({"a.mp3", "b.mp3"});
    startPlayer();
    startApp();
    playFromStart();

    // A broadcast of the wrong size is ignored; a mount only reaches the GUI.
    const uint64_t wide = 0;
    broadcast(&wide, sizeof wide);
    const uint32_t mounted = DM_USB_MOUNTED;
    broadcast(&mounted, sizeof mounted);
    ASSERT_TRUE(wrapperShows({"guiWrapperUsbUdiskHotplugCbk 1\n"}));
    EXPECT_EQ(wrapperLog().find("guiWrapperUsbUdiskHotplugCbk 0"), std::string::npos);
    key(180);
    ASSERT_TRUE(playerGets("GET_PROGRESS"));

    // A changed medium stops playback as a removal does, then tells the GUI.
    const uint32_t changed = DM_USB_MEDIUM_CHANGED;
    broadcast(&changed, sizeof changed);
    ASSERT_TRUE(playerGets("STOP"));
    ASSERT_TRUE(wrapperShows({"guiWrapperUsbUdiskHotplugCbk 1\n", "guiWrapperUsbUdiskHotplugCbk 0\n"}));
    ASSERT_TRUE(smReceives(kInformStopped));
    EXPECT_EQ(sandbox.read(USB_PB_RESUME_FILE).substr(0, 2), "1:");

    // Played again after the removal, the same track resumes at the saved position.
    smGrantUsb();
    ASSERT_TRUE(playerGets("PLAY 0 " + walk_[0]));
    ASSERT_TRUE(playerGets("SEEK 0 2"));
    ASSERT_TRUE(smReceives(kInformPlaying));

    // The stick pulled while playing: the GUI hears it and the player is stopped.
    const size_t before = wrapperLog().size();
    unmount();
    ASSERT_TRUE(playerGets("STOP"));
    EXPECT_NE(wrapperLog().substr(before).find("guiWrapperUsbUdiskHotplugCbk 0\n"), std::string::npos) << wrapperLog();
}

TEST_F(PlaybackUsbTest, NothingMountedReportsStoppedAndNoPlaylist)
{
    startApp();
    smGrantUsb();
    ASSERT_TRUE(smReceives(kInformStopped));
    EXPECT_TRUE(wrapperShows({"guiWrapperUsbUDiskMusicStsCbk 1 0\n", "guiWrapperUsbUDiskMusicStsCbk 0 -1\n"}));
}

TEST_F(PlaybackUsbTest, AStickOfUnplayableTracksEndsStoppedAfterOnePass)
{
    mountStick({"a.mp3", "b.mp3", "c.mp3"});
    startPlayer();
    startApp();
    playFromStart();
    for (size_t i = 1; i < walk_.size(); ++i) {
        tellPlayer("stream_error");
        ASSERT_TRUE(playerGets("PLAY 0 " + walk_[i]));
    }
    tellPlayer("stream_error");
    ASSERT_TRUE(playerGets("STOP"));
    ASSERT_TRUE(smReceives(kInformStopped));
    ASSERT_TRUE(smReceives(kInformStopped));  // the player's stop done and the list's end, either order
    EXPECT_EQ(player_->rest().find("PLAY"), std::string::npos);
}

TEST_F(PlaybackUsbTest, KeysDriveThePlayer)
{
    mountStick({"a.mp3", "b.mp3", "c.mp3"});
    startPlayer();
    startApp();
    playFromStart();

    smSend(0x02010000);  // a forbid only logs
    key(201);            // pause
    ASSERT_TRUE(playerGets("PAUSE"));
    ASSERT_TRUE(smReceives(kInformPaused));
    EXPECT_TRUE(wrapperShows({"guiWrapperUsbUDiskMusicStsCbk 3 1\n"}));
    key(201);                                    // already paused: the client refuses
    key(166, 0, 0, 0, 1, sizeof(appmsg_t) - 4);  // a stop key of the wrong size is ignored
    key(200);                                    // play while playing resumes
    ASSERT_TRUE(playerGets("RESUME"));
    ASSERT_TRUE(smReceives(kInformPlaying));

    key(163, 3);  // next: the GUI names the track
    ASSERT_TRUE(playerGets("PLAY 1 " + walk_[2]));
    key(163, 0, 1, 3);  // held: seek forward five per repeat
    ASSERT_TRUE(playerGets("SEEK 15 2"));
    key(165, 0, 1, 3);
    ASSERT_TRUE(playerGets("SEEK -15 2"));
    key(3, 0, 0, 0, E_APP_MSG_TYPE_BLUETOOTH);  // AVRCP previous, the track number from word 0
    ASSERT_TRUE(playerGets("PLAY 1 " + walk_[0]));
    key(166);
    ASSERT_TRUE(playerGets("STOP"));
    ASSERT_TRUE(smReceives(kInformStopped));

    smSend(0x00030000);  // a pause order with nothing playing: the client refuses it
    key(163, 2);         // not playing: nothing
    key(200);            // not playing: play the current track
    ASSERT_TRUE(playerGets("PLAY 0 " + walk_[0]));
}

TEST_F(PlaybackUsbTest, StopWaitsForTheTrackToStartPlaying)
{
    mountStick({"a.mp3"});
    startPlayer();
    startApp();
    tellPlayer("hold 1");
    smGrantUsb();
    ASSERT_TRUE(playerGets("PLAY 0 " + walk_[0]));
    smSend(kStopOrder);
    tellPlayer("play_done");
    ASSERT_TRUE(playerGets("STOP"));
    ASSERT_TRUE(smReceives(kInformPlaying));
    ASSERT_TRUE(smReceives(kInformStopped));
}

TEST_F(PlaybackUsbTest, AMissingPlayerNeverHoldsTheApplicationThread)
{
    mountStick({"a.mp3"});
    startApp();
    smGrantUsb();  // PLAY waits in the queue; nobody answers
    smSend(kStopOrder);
    // Enough plays to fill the queue several times over.
    for (int i = 0; i < 100; ++i) {
        key(200);
    }
    ASSERT_EQ(u_cli_parser("app.playback_usb.url 0"), 0);
    EXPECT_TRUE(smReceives(kRequestPlay));
}

TEST_F(PlaybackUsbTest, PlayerReportsReachTheMusicWrapper)
{
    startPlayer();
    startApp();
    for (const char* line : {"mute 1", "mute 256", "stream_info 2", "stream_info 6"}) {
        tellPlayer(line);
    }
    EXPECT_TRUE(wrapperShows({"guiWrapperMusicPopMuteSet 1\n", "guiWrapperMusicPopMuteSet 0\n",
                              "guiWrapperMusicFmtChnNumSet 1\n", "guiWrapperMusicFmtChnNumSet 0\n"}));
}

TEST_F(PlaybackUsbTest, ExitStopsThePlayerServiceAndRemovesTheQueue)
{
    startPlayer();
    startApp();
    ASSERT_EQ(u_amb_sync_exit_app(PLAYBACK_USB_APP_NAME), 0);
    running_ = false;
    EXPECT_TRUE(player_->program().waitFor("velmor: queue gone\n"));
    EXPECT_EQ(sandbox.quoridLog(), std::vector<std::string>{"systemctl stop velmor.service"});
}

}  // namespace
