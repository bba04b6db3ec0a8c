// playback_usb under the real state manager, with the player stand-in program and a recording
// application in the S/PDIF input's place.
#include "main/acfg/acfg_app.h"
#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/device_mngr/dm_mount.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/playback/usb/playback_usb.h"
#include "main/playback/usb/usb_playlist.h"
#include "main/state_mngr/state_mngr.h"
#include "main/timerd/timerd.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/playback/usb/player_standin.h"
#include "tests/main/playback/usb/stick_walk.h"
#include "tests/support/app_support.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

namespace {

using apptest::console;
using apptest::eventually;

class PlaybackUsbSmTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        apptest::startFramework();
        for (auto fill : {a_timerd_register, a_acfg_register, a_sm_register, a_playback_usb_register}) {
            ASSERT_EQ(apptest::registerOnce(fill), 0);
        }
        ASSERT_EQ(apptest::registerApp(&spdif().record()), 0);
        for (const char* name : {"timerd", "acfg", SM_APP_NAME, spdif().name().c_str()}) {
            ASSERT_EQ(u_amb_sync_start_app(name), 0) << name;
        }
    }

    void TearDown() override
    {
        EXPECT_EQ(u_amb_sync_exit_app(PLAYBACK_USB_APP_NAME), 0);
        player_.reset();
        dmModifyMntInfo(0, nullptr);
    }

    static apptest::TestApp& spdif() { return apptest::recorder("pb_spdif_in"); }

    // Waits for the S/PDIF input to be sent this state-manager word.
    ::testing::AssertionResult spdifGets(uint32_t word)
    {
        for (size_t n = spdifSeen_ + 1; spdif().waitMessages(n); ++n) {
            const apptest::ReceivedMsg m = spdif().messages()[n - 1];
            spdifSeen_ = n;
            uint32_t got = 0;
            if (m.msgId == E_APP_MSG_TYPE_STATE_MNGR && m.data.size() >= 8) {
                std::memcpy(&got, m.data.data() + 4, 4);
                if (got == word) {
                    return ::testing::AssertionSuccess();
                }
            }
        }
        return ::testing::AssertionFailure() << "the S/PDIF input was never sent 0x" << std::hex << word;
    }

    void spdifInforms(uint32_t body)
    {
        handle_t sm = 0;
        ASSERT_EQ(u_am_get_app_handle_from_name(&sm, SM_APP_NAME), 0);
        ASSERT_EQ(u_app_send_appmsg(sm, E_APP_MSG_TYPE_STATE_MNGR, MSG_FROM_SPDIF_IN, smMsgWord(SM_INFORM_GRP, body, 0),
                                    nullptr, 0),
                  0);
    }

    void playTimeKey()
    {
        handle_t usb = 0;
        ASSERT_EQ(u_am_get_app_handle_from_name(&usb, PLAYBACK_USB_APP_NAME), 0);
        appmsg_t key{};
        key.ui4_sender_id = MSG_FROM_UI;
        key.ui4_msg_type = 180;
        ASSERT_EQ(u_app_send_msg(usb, E_APP_MSG_TYPE_USER_CMD, &key, sizeof key, nullptr, 0), 0);
    }

    bool wrapperShows(const std::string& line)
    {
        return eventually([&] { return sandbox.read(WRAPPER_CALL_LOG).find(line) != std::string::npos; });
    }

    static bool playing(uint32_t source)
    {
        return eventually([&] { return uSmGetCurrentSource() == source && uSmGetCurrentPlaybackStatus() == 1; });
    }

    std::unique_ptr<usbtest::PlayerStandIn> player_;
    size_t spdifSeen_ = 0;
};

TEST_F(PlaybackUsbSmTest, SwitchingAwayAndBackResumesTheTrackAtItsPosition)
{
    for (const char* f : {"a.mp3", "b.mp3", "d1/c.mp3", "d2/e.mp3"}) {
        sandbox.write(std::string("/data/mnt/sda1/") + f, "ID3");
    }
    DmMntInfo rec{};
    rec.bMnt = 1;
    snprintf(rec.acMntPath, sizeof rec.acMntPath, "/data/mnt/sda1");
    dmModifyMntInfo(1, &rec);
    const std::vector<std::string> walk = usbtest::expectedWalk(sandbox, "/data/mnt");
    player_ = std::make_unique<usbtest::PlayerStandIn>(sandbox);
    ASSERT_TRUE(player_->ready());
    ASSERT_EQ(u_amb_sync_start_app(PLAYBACK_USB_APP_NAME), 0);

    // USB chosen: the first track of the walk plays and the state manager knows it.
    console("app.sm.request_play 13");
    ASSERT_TRUE(player_->gets("PLAY 0 " + walk[0]));
    ASSERT_TRUE(playing(SM_SOURCE_USB));
    EXPECT_NE(console("app.sm.show_source").find("source:[13] status:[1]"), std::string::npos);
    ASSERT_TRUE(player_->tell("eos"));
    ASSERT_TRUE(player_->gets("PLAY 0 " + walk[1]));
    ASSERT_TRUE(wrapperShows("guiWrapperUsbUDiskMusicStsCbk 2 2\n"));
    ASSERT_TRUE(player_->tell("position 42000"));
    playTimeKey();
    ASSERT_TRUE(player_->gets("GET_PROGRESS"));
    ASSERT_TRUE(wrapperShows("guiWrapperUsbUDiskMusicPlayTimeCbk 42\n"));

    // The S/PDIF input takes over: USB saves its place and stops, then the input is permitted.
    console("app.sm.request_play 8");
    ASSERT_TRUE(player_->gets("STOP"));
    ASSERT_TRUE(spdifGets(smMsgWord(SM_PERMIT_GRP, SM_BODY_PLAY, 0)));
    spdifInforms(SM_BODY_PLAY);
    ASSERT_TRUE(playing(SM_SOURCE_SPDIF_IN));
    const std::string record = sandbox.read(USB_PB_RESUME_FILE);
    ASSERT_EQ(record.size(), 512u);
    EXPECT_EQ(record.substr(0, record.find('\0')), "2:" + walk[1]);

    // Back to USB: the input answers its stop order, and USB resumes the same track where it was.
    console("app.sm.request_play 13");
    ASSERT_TRUE(spdifGets(smMsgWord(SM_REQUEST_GRP, SM_BODY_STOP, 0)));
    spdifInforms(SM_BODY_STOP);
    ASSERT_TRUE(player_->gets("PLAY 0 " + walk[1]));
    ASSERT_TRUE(player_->gets("SEEK 42000 2"));
    ASSERT_TRUE(playing(SM_SOURCE_USB));
}

}  // namespace
