// The real state manager on its own thread, driven through its console table and its queue, with
// recording applications in place of the sources and the GUI manager.
#include "main/acfg/acfg.h"
#include "main/acfg/acfg_accessor.h"
#include "main/am/am.h"
#include "main/cli/cli.h"
#include "main/gui/gui_manager.h"
#include "main/state_mngr/sm_context_priv.h"
#include "tests/main/program_runner.h"
#include "tests/main/state_mngr/sm_peers.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using smtest::PeerMsg;
using smtest::Peers;

class SmAppTest : public sbtest::SandboxTest {
protected:
    // A state manager of its own for each case: its init starts from a cleared context.
    void SetUp() override
    {
        Peers::startStateManager();
        handle_t sm = 0;
        ASSERT_EQ(u_am_get_app_handle_from_name(&sm, SM_APP_NAME), 0);
        if (sm == 0) {
            ASSERT_EQ(u_amb_sync_start_app(SM_APP_NAME), 0);
        }
        Peers::get().collect();
    }
    void TearDown() override { EXPECT_EQ(u_amb_sync_exit_app(SM_APP_NAME), 0); }

    // Runs a console line and returns what was printed meanwhile (on any thread).
    static std::string console(const std::string& line, int32_t* result = nullptr)
    {
        testing::internal::CaptureStdout();
        const int32_t res = u_cli_parser(line.c_str());
        fflush(stdout);
        if (result != nullptr) {
            *result = res;
        }
        return testing::internal::GetCapturedStdout();
    }

    // Waits until a peer has received `count` messages since the test began, and returns them.
    std::vector<PeerMsg> waitFor(const std::string& peer, size_t count)
    {
        const size_t have = got_[peer].size();
        if (have < count) {
            EXPECT_TRUE(Peers::get().waitNew(peer, count - have)) << peer;
        }
        for (auto& [name, msgs] : Peers::get().collect()) {
            auto& all = got_[name];
            all.insert(all.end(), msgs.begin(), msgs.end());
        }
        return got_[peer];
    }

    // Posts a message to the state manager as its peers do.
    static void post(uint32_t msgId, uint32_t sender, uint32_t type, const void* data = nullptr, uint32_t size = 0)
    {
        handle_t sm = 0;
        ASSERT_EQ(u_am_get_app_handle_from_name(&sm, SM_APP_NAME), 0);
        ASSERT_EQ(u_app_send_appmsg(sm, msgId, sender, type, data, size), 0);
    }

    static void key(uint32_t body) { post(E_APP_MSG_TYPE_USER_CMD, MSG_FROM_UI, body); }

    // Returns once the state manager has handled everything posted to it so far: its answer to a
    // play-status inform reaches the GUI manager behind them.
    void sync()
    {
        const size_t before = waitFor("gui_namager", 0).size();
        post(E_APP_MSG_TYPE_STATE_MNGR, MSG_FROM_SM, smMsgWord(SM_INFORM_GRP, SM_BODY_PLAY_STS, 0));
        waitFor("gui_namager", before + 1);
    }

    std::map<std::string, std::vector<PeerMsg>> got_;
};

// Offset of the value of the record named `name` in the configuration file.
size_t valueOffset(const std::string& file, const std::string& name)
{
    auto le16 = [&](size_t at) { return static_cast<uint8_t>(file[at]) | static_cast<uint8_t>(file[at + 1]) << 8; };
    size_t at = 16;
    while (at + 36 <= file.size()) {
        const std::string recName(file.c_str() + at);
        const size_t size = static_cast<size_t>(le16(at + 34));
        if (recName == name) {
            return at + 36;
        }
        at += 36 + size;
    }
    return std::string::npos;
}

TEST_F(SmAppTest, RequestInformAndStoreThroughTheConsole)
{
    console("app.sm.request_play 8");
    const auto spdif = waitFor("pb_spdif_in", 1);
    ASSERT_EQ(spdif.size(), 1u);
    EXPECT_EQ(spdif[0].msgId, static_cast<uint32_t>(E_APP_MSG_TYPE_STATE_MNGR));
    EXPECT_EQ(spdif[0].sender, 0u);
    EXPECT_EQ(spdif[0].word, 0x01010000u);
    EXPECT_EQ(sandbox.quoridLog(), std::vector<std::string>{"sh /usr/bin/cpu_performance_mode.sh start"});
    EXPECT_NE(console("app.sm.show_source").find("source:[8] status:[0]"), std::string::npos);

    console("app.sm.test 4 3 1");
    const auto gui = waitFor("gui_namager", 1);
    ASSERT_EQ(gui.size(), 1u);
    EXPECT_EQ(gui[0].msgId, static_cast<uint32_t>(E_APP_MSG_TYPE_GUI));
    GuiMsg event{};
    ASSERT_GE(gui[0].data.size(), sizeof(event));
    memcpy(&event, gui[0].data.data(), sizeof(event));
    EXPECT_EQ(event.msg_id, E_GUI_SYS_EVT_SRC_TOGGLE_DONE);
    EXPECT_EQ(event.msg_size, 1);
    EXPECT_EQ(event.data[0], 1);
    EXPECT_NE(console("app.sm.show_source").find("source:[8] status:[1]"), std::string::npos);

    ASSERT_EQ(acfgStore(), 0);
    const std::string file = sandbox.read("/data/misc/app.cfg");
    const size_t at = valueOffset(file, "IDX_SOURCE");
    ASSERT_LT(at, file.size());
    EXPECT_EQ(static_cast<uint8_t>(file[at]), 2);
}

TEST_F(SmAppTest, LineInWaitsForTheStopOfSpdifIn)
{
    console("app.sm.request_play 8");
    console("app.sm.test 4 3 1");
    waitFor("gui_namager", 1);
    console("app.sm.request_play 14");
    const auto spdif = waitFor("pb_spdif_in", 2);
    ASSERT_EQ(spdif.size(), 2u);
    EXPECT_EQ(spdif[1].word, 0u);
    EXPECT_TRUE(waitFor("playback_line_in", 0).empty());

    const auto informed = std::chrono::steady_clock::now();
    console("app.sm.inform_stop 8");
    const auto lineIn = waitFor("playback_line_in", 1);
    ASSERT_EQ(lineIn.size(), 1u);
    EXPECT_EQ(lineIn[0].word, 0x01010000u);
    // The walk that permits it waits 200 ms after the stop; the upper bound only catches a walk
    // that never comes on its own (a loaded machine may take long).
    EXPECT_GE(lineIn[0].at - informed, std::chrono::milliseconds(200));
    EXPECT_LT(lineIn[0].at - informed, std::chrono::milliseconds(200) + std::chrono::seconds(10));
    EXPECT_EQ(sandbox.quoridLog(), (std::vector<std::string>{"sh /usr/bin/cpu_performance_mode.sh start",
                                                             "sh /usr/bin/cpu_performance_mode.sh stop"}));
    EXPECT_NE(console("app.sm.show_source").find("source:[14] status:[0]"), std::string::npos);
}

TEST_F(SmAppTest, ConsoleRowsCheckTheirArguments)
{
    struct Row {
        const char* line;
        int32_t result;
        const char* printed;
    };
    const Row rows[] = {
        {"app.sm.test 4 3", CLIR_INV_ARG, "usage: app.sm.test [MSG_FROM_XXX] [SM_XXX_GRP] [BODY]"},
        {"app.sm.request_play", CLIR_INV_ARG, "usage"},
        {"app.sm.inform_stop", CLIR_INV_ARG, "usage"},
        {"app.sm.set_fake_flag", CLIR_INV_ARG, "usage"},
        {"app.sm.set_suspend_flag", CLIR_INV_ARG, "usage"},
        {"app.sm.set_fake_flag 257", CLIR_OK, "set fake flag:1"},
        {"app.sm.set_suspend_flag 3", CLIR_OK, "set suspend flag:3"},
        {"app.sm.show_network", CLIR_OK, "network status:[disconnect]"},
        {"app.sm.standby", CLIR_OK, "Current is [non-standby]!"},
        {"app.sm.show_source", CLIR_OK, "source:[0] status:[0]"},
    };
    for (const Row& r : rows) {
        int32_t res = 0;
        const std::string out = console(r.line, &res);
        EXPECT_EQ(res, r.result) << r.line;
        EXPECT_NE(out.find(r.printed), std::string::npos) << r.line << "\n" << out;
    }
    EXPECT_TRUE(Peers::get().collect().empty()) << "no row with missing arguments posted anything";
}

TEST_F(SmAppTest, RequestPlayOfASourceWithoutSenderIsRejected)
{
    testing::internal::CaptureStdout();
    u_cli_parser("app.sm.request_play 15");
    // Handled in order: once the next request is served, the first one was too.
    u_cli_parser("app.sm.request_play 8");
    waitFor("pb_spdif_in", 1);
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("[0] is invalid play request id!"), std::string::npos) << out;
}

TEST_F(SmAppTest, DebugLevelRows)
{
    EXPECT_NE(console("app.sm.gdl").find("Debug level"), std::string::npos);
    int32_t res = -1;
    console("app.sm.sdl i", &res);
    EXPECT_EQ(res, 0);
    EXPECT_EQ(smGetDbgLevel(), 0x104u);
    EXPECT_EQ(console("app.sm.show_network").find("network status"), std::string::npos) << "printed on the error bit";
    console("app.sm.sdl e");
    EXPECT_NE(console("app.sm.show_network").find("network status"), std::string::npos);
    console("app.sm.sdl n");
    EXPECT_EQ(console("app.sm.show_network").find("network status"), std::string::npos);
}

TEST_F(SmAppTest, AutoPlayNamesTheSenderOfTheStoredSource)
{
    struct Case {
        int stored;  // -1: the store cannot be read
        uint32_t sender;
    };
    const Case cases[] = {
        {0, MSG_FROM_ARC_IN},     {1, MSG_FROM_HDMI_IN}, {2, MSG_FROM_SPDIF_IN}, {3, MSG_FROM_BT_EXT_IN},
        {4, MSG_FROM_AUX_IN},     {5, MSG_FROM_USB},     {14, MSG_FROM_LINE_IN}, {6, MSG_FROM_SM},
        {15, MSG_FROM_SM},        {-1, MSG_FROM_SM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        if (c.stored >= 0) {
            ASSERT_EQ(uAcfgSetSource(static_cast<uint8_t>(c.stored)), 0);
        } else {
            ASSERT_EQ(u_amb_sync_exit_app("acfg"), 0);
        }
        testing::internal::CaptureStdout();
        uSmAutoPlaySource();
        fflush(stdout);
        const std::string out = testing::internal::GetCapturedStdout();
        if (c.stored < 0) {
            ASSERT_EQ(u_amb_sync_start_app("acfg"), 0);
            EXPECT_NE(out.find("Err: uAcfgGetSource fail, errno: "), std::string::npos) << out;
        }
        // Nothing read names no source, whatever the line shows as the source.
        const std::string line = (c.stored >= 0 ? "ui1LastSource =" + std::to_string(c.stored) + ", " : ", ") +
                                 "msgSender=" + std::to_string(c.sender) + "!\n";
        EXPECT_NE(out.find(line), std::string::npos) << out;
    }
    EXPECT_TRUE(Peers::get().collect().empty()) << "auto-play only names the source";
}

TEST_F(SmAppTest, RegistrationValues)
{
    amb_register_info_t* info = u_amb_get_register_info(SM_APP_NAME);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->ui4StackSize, 65536u);
    EXPECT_EQ(info->ui1Priority, 180);
    EXPECT_EQ(info->ui2SecCount, 128);
    EXPECT_EQ(info->ui2QueueLen, 128);
    EXPECT_EQ(info->ui2MaxPayload, 4096);
    amb_register_info_t again{};
    a_sm_register(&again);
    EXPECT_EQ(again.acName[0], '\0') << "no record while started";
}

TEST_F(SmAppTest, VolumeAndMuteKeysChangeTheStore)
{
    ASSERT_EQ(u_cli_parser("app.acfg.set_volume 97"), 0);
    key(SM_BODY_UI_MUTE);
    sync();
    EXPECT_NE(console("app.acfg.get_volume").find("get_volume(97) success."), std::string::npos);
    uint8_t mute = 0;
    ASSERT_EQ(uAcfgGetMute(&mute), 0);
    EXPECT_EQ(mute, 1);

    key(SM_BODY_UI_VOLUMEUP);
    sync();
    EXPECT_NE(console("app.acfg.get_volume").find("get_volume(100) success."), std::string::npos);
    ASSERT_EQ(uAcfgGetMute(&mute), 0);
    EXPECT_EQ(mute, 0) << "volume up unmutes";

    key(SM_BODY_UI_MUTE);
    key(SM_BODY_UI_VOLUMEDOWN);
    sync();
    EXPECT_NE(console("app.acfg.get_volume").find("get_volume(94) success."), std::string::npos);
    ASSERT_EQ(uAcfgGetMute(&mute), 0);
    EXPECT_EQ(mute, 1) << "volume down keeps mute";

    ASSERT_EQ(u_cli_parser("app.acfg.set_volume 4"), 0);
    key(SM_BODY_UI_VOLUMEDOWN);
    key(SM_BODY_UI_MUTE);
    sync();
    EXPECT_NE(console("app.acfg.get_volume").find("get_volume(0) success."), std::string::npos);
    ASSERT_EQ(uAcfgGetMute(&mute), 0);
    EXPECT_EQ(mute, 0) << "mute toggles back";
}

const std::vector<std::string> kSuspendSequence = {
    "iwpriv wlan0 driver \"SETSUSPENDMODE 1\"",
    "chown system:system /sys/devices/system/cpu/cpu2/online",
    "chmod 660 /sys/devices/system/cpu/cpu2/online",
    "chown system:system /sys/devices/system/cpu/cpu3/online",
    "chmod 660 /sys/devices/system/cpu/cpu3/online",
    "echo 0 > /sys/devices/system/cpu/cpu2/online",
    "echo 0 > /sys/devices/system/cpu/cpu3/online",
    "chown system:system /sys/power/state",
    "chmod 660 /sys/power/state",
    "echo mem > /sys/power/state",
    "echo on > /sys/power/state",
    "iwpriv wlan0 driver \"SETSUSPENDMODE 0\"",
    "chown system:system /sys/devices/platform/kv_usb/swmode",
    "echo 'idle' > /sys/devices/platform/kv_usb/swmode",
    "echo 'host' > /sys/devices/platform/kv_usb/swmode",
};

TEST_F(SmAppTest, SuspendKeysEnterAndLeaveSuspendStandby)
{
    key(SM_BODY_UI_ENTER_SUSPEND);
    const auto cec = waitFor("cec", 1);
    ASSERT_EQ(cec.size(), 1u);
    EXPECT_EQ(cec[0].word, 0x034E0000u);
    sync();
    EXPECT_EQ(sandbox.quoridLog(), kSuspendSequence);
    EXPECT_EQ(gPmOnlineState.load(), 0);
    EXPECT_NE(console("app.sm.standby").find("Current is [suspend-standby]!"), std::string::npos);

    key(SM_BODY_UI_EXIT_SUSPEND);
    const auto cecAfter = waitFor("cec", 2);
    ASSERT_EQ(cecAfter.size(), 2u);
    EXPECT_EQ(cecAfter[1].word, 0x034F0000u);
    sync();
    EXPECT_NE(console("app.sm.standby").find("Current is [non-standby]!"), std::string::npos);
    EXPECT_EQ(gPmOnlineState.load(), 1);
    EXPECT_EQ(gIsPowerOnFromSuspend.load(), 1);
    EXPECT_EQ(sandbox.quoridLog().size(), kSuspendSequence.size()) << "leaving runs no command";
}

TEST_F(SmAppTest, CecStandbyTogglesSuspend)
{
    post(E_APP_MSG_TYPE_CEC, MSG_FROM_CEC, SM_BODY_CEC_STANDBY);
    sync();
    EXPECT_NE(console("app.sm.standby").find("Current is [suspend-standby]!"), std::string::npos);
    post(E_APP_MSG_TYPE_CEC, MSG_FROM_CEC, SM_BODY_CEC_STANDBY);
    sync();
    EXPECT_NE(console("app.sm.standby").find("Current is [non-standby]!"), std::string::npos);
    EXPECT_EQ(smtest::words(waitFor("cec", 2)), (std::vector<uint32_t>{0x034E0000, 0x034F0000}));
}

TEST_F(SmAppTest, AssistantFakeStandbyEndsWithTheNextRequest)
{
    uint8_t data[512] = {};
    memcpy(data, "/system/system_status", 21);
    memcpy(data + 33, "fake", 4);
    post(E_APP_MSG_TYPE_ASSISTANT, 0, 6, data, sizeof(data));
    sync();
    EXPECT_EQ(sandbox.quoridLog(),
              (std::vector<std::string>{"echo test > /sys/power/wake_lock", "echo mem > /sys/power/autosleep"}));
    EXPECT_NE(console("app.sm.standby").find("Current is [fake-standby]!"), std::string::npos);

    console("app.sm.request_play 14");
    waitFor("playback_line_in", 1);
    const auto log = sandbox.quoridLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2], "echo off > /sys/power/autosleep");
    EXPECT_EQ(log[3], "echo test > /sys/power/wake_unlock");
    EXPECT_NE(console("app.sm.standby").find("Current is [non-standby]!"), std::string::npos);
}

TEST_F(SmAppTest, SourceSwitchKeyWalksTheRing)
{
    testing::internal::CaptureStdout();
    for (int press = 0; press < 8; ++press) {
        key(SM_BODY_UI_SOURCE_SWITCH);
    }
    sync();
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(sbtest::containsInOrder(out,
                                        {
                                            "Spdif in request play!",
                                            "Hdmi in request play!",
                                            "Arc in request play!",
                                            "Bt ext in request play!",
                                            "Aux in request play!",
                                            "Usb request play!",
                                            "Line in request play!",
                                            "Spdif in request play!",
                                        }))
        << out;
    const auto spdif = waitFor("pb_spdif_in", 1);
    ASSERT_FALSE(spdif.empty());
    EXPECT_EQ(spdif[0].word, 0x01010000u) << "the first press permits spdif-in";
}

}  // namespace
