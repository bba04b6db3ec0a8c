// The `cec` application's console directory and its dispatch, in the test process.
#include "main/cec/cec_app.h"
#include "main/cec/cec_dbg.h"
#include "main/cec/cec_parser.h"
#include "main/cec/cec_pool.h"
#include "main/cec/cec_state.h"
#include "tests/main/cec/cec_fixture.h"

#include <gtest/gtest.h>

namespace {

using cectest::consoleLine;

using CecConsoleTest = cectest::CecAppTest;

// Puts the level back for the next test: the application's level is one for the process.
struct LevelGuard {
    ~LevelGuard() { cecSetDbgLevel(CEC_DBG_LEVEL_DEFAULT); }
};

TEST_F(CecConsoleTest, DirectoryListsItsFourteenRowsWithTheirHelp)
{
    const struct {
        const char* label;
        const char* help;
    } rows[] = {
        {"gdl:", "Get debug level (e=error, a=api, i=info, n=none)"},
        {"sdl:", "Set debug level (e=error, a=api, i=info, n=none)"},
        {"standby:", "standby all"},
        {"power_status:", "the power status of target device"},
        {"osd_name:", "request OSD name of target device"},
        {"init_ARC:", "ARC RX device to activate the ARC"},
        {"terminate_ARC:", "ARC RX device to deactivate the ARC"},
        {"get_cec_version:", "enquire which version number of target device"},
        {"get_menu_language(get_ml):", "get currently selected menu language on the TV"},
        {"get_physical_address(get_pa):", "get physical address of traget device"},
        {"set_OSD_string:", "send a text message to output on a TV"},
        {"get_local_resource(get_lr):", "current local resource info"},
        {"send_message:", "other app(spdif in) control cec app (ARC/repeater)"},
        {"get_cec_info(getInfo):", "printf cec app info"},
    };
    const std::string help = consoleLine("app.cec");
    size_t at = 0;
    for (const auto& row : rows) {
        // The console gives the name column 24 characters.
        std::string line = row.label;
        line.resize(24, ' ');
        line += std::string(row.help) + "\n\r";
        const size_t found = help.find(line, at);
        EXPECT_NE(std::string::npos, found) << line << help;
        at = found == std::string::npos ? at : found;
    }
    EXPECT_NE(std::string::npos, consoleLine("app").find("cec_manager(cec):"));
}

TEST_F(CecConsoleTest, SendMessageTakesOneControlCommand)
{
    const std::string usage = "Err: invalid param![USERGUIDE] 0: open audio | 1: close audio | 2:initiate ARC | "
                              "3:termination ARC | 4: switch Rx0 | 5: switch Rx1 \n";
    const struct {
        const char* line;
        int32_t result;
        std::string printed;
    } cases[] = {
        {"app.cec.send_message 2", 0, ""},
        {"app.cec.send_message 6", -4, "invalid param \n"},
        {"app.cec.send_message -1", -4, "invalid param \n"},
        {"app.cec.send_message", -4, usage},
        {"app.cec.send_message 1 2", -4, usage},
    };
    for (const auto& c : cases) {
        int32_t result = 1;
        const std::string printed = consoleLine(c.line, &result);
        EXPECT_EQ(c.result, result) << c.line;
        if (!c.printed.empty()) {
            EXPECT_NE(std::string::npos, printed.find(c.printed)) << c.line << printed;
        }
    }
}

TEST_F(CecConsoleTest, LevelIsSetAndShownAndGatesTheInformation)
{
    LevelGuard restore;
    EXPECT_EQ(0x103, cecGetDbgLevel());
    EXPECT_EQ(std::string::npos, consoleLine("app.cec.get_cec_info").find("addr"));

    consoleLine("app.cec.sdl e");
    EXPECT_NE(std::string::npos, consoleLine("app.cec.gdl").find("Debug level = e\n\r"));
    int32_t result = 0;
    consoleLine("app.cec.sdl x", &result);
    EXPECT_EQ(-4, result);
    EXPECT_EQ(0x101, cecGetDbgLevel());

    consoleLine("app.cec.sdl all");
    const std::string info = consoleLine("app.cec.getInfo");
    for (const char* line : {"TV is support: 0 \n", "physical addr: 0.0.0.0 \n", "active RX port: 0 \n",
                             "active TX port: 0 \n", "HDMI TX number: 1\n", "TX[0]->isSupport: 1\n",
                             "TX[0]->logicalAddr: 5\n", "TX[0]->physicalAddr: 0.0.0.0\n"}) {
        EXPECT_NE(std::string::npos, info.find(line)) << line << info;
    }
}

TEST_F(CecConsoleTest, ARequestFromTheConsoleGoesToTheTv)
{
    sim.ctl("hdmitx tx-status hold");
    const struct {
        const char* command;
        const char* frame;  // initiator, destination, opcode, operands
    } cases[] = {
        {"standby", "05 0f 36 00"},
        {"power_status", "05 00 8f 00"},
        {"osd_name", "05 00 46 00"},
        {"init_ARC", "05 00 c0 00"},
        {"terminate_ARC", "05 00 c5 00"},
        {"get_cec_version", "05 00 9f 00"},
        {"get_ml", "05 00 91 00"},
        {"get_pa", "05 00 83 00"},
        {"set_OSD_string", "05 00 64 00 00 4f 53 44 4b 56 58"},
    };
    size_t n = 0;
    for (const auto& c : cases) {
        int32_t result = 1;
        consoleLine(std::string("app.cec.") + c.command, &result);
        EXPECT_EQ(0, result) << c.command;
        const auto sent = cectest::sentFrames(sim);
        ASSERT_EQ(++n, sent.size()) << c.command;
        EXPECT_EQ(0u, cectest::frameText(sent.back().frame).find(c.frame)) << c.command;
    }
    // The OSD string counts its display-control byte and its six characters.
    EXPECT_EQ(7, cectest::sentFrames(sim).back().frame[20]);
}

TEST_F(CecConsoleTest, TimerRecordOfTheGuardClearsTheFakePlugIn)
{
    gPlatformInfo.ui1FakePlugIn = 1;
    uint8_t rec[CEC_TIMER_REC_SIZE];
    memset(rec, 0xAB, sizeof rec);
    memset(rec + CEC_TIMER_REC_OFF_STATE, 0, 4);
    EXPECT_EQ(0, cecAppProcessMsg(0, E_APP_MSG_TYPE_TIMER, rec, sizeof rec));
    EXPECT_EQ(0, gPlatformInfo.ui1FakePlugIn.load());

    // A short record is not read past its end.
    gPlatformInfo.ui1FakePlugIn = 1;
    EXPECT_EQ(0, cecAppProcessMsg(0, E_APP_MSG_TYPE_TIMER, rec, CEC_TIMER_REC_OFF_STATE + 4));
    EXPECT_EQ(0, cecAppProcessMsg(0, E_APP_MSG_TYPE_TIMER, nullptr, 0));
    EXPECT_EQ(1, gPlatformInfo.ui1FakePlugIn.load());
    gPlatformInfo.ui1FakePlugIn = 0;
}

TEST_F(CecConsoleTest, ASecondStartChangesNothing)
{
    EXPECT_EQ(0, cecAppInit("cec", 0));
    EXPECT_NE(0u, gCecThisObj.hApp.load());
    EXPECT_EQ(CEC_RX_PORT_0, gPlatformInfo.ui4ActiveRx.load());
    EXPECT_EQ(-2, cecParserInit(nullptr));
    EXPECT_TRUE(cecParserIsInited());
}

}  // namespace
