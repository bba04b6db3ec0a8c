// The real state manager on its own thread, driven through its console table and its queue, with
// recording applications in place of the sources and the GUI manager.
#include "main/acfg/acfg.h"
#include "main/cli/cli.h"
#include "main/gui/gui_manager.h"
#include "main/state_mngr/sm_context.h"
#include "tests/main/state_mngr/sm_peers.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using smtest::Peers;
using smtest::PeerMsg;

class SmAppTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        Peers::startStateManager();
        Peers::get().collect();
    }

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

    console("app.sm.inform_stop 8");
    const auto lineIn = waitFor("playback_line_in", 1);
    ASSERT_EQ(lineIn.size(), 1u);
    EXPECT_EQ(lineIn[0].word, 0x01010000u);
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

}  // namespace
