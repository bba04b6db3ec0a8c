// Power sequences and factory reset with the real setting record and configuration store, the
// amplifiers on the board simulator, and the wrappers not built yet recorded in the call log.
#include "main/gui/wrapper/wrapper_power.h"
#include "main/gui/wrapper/wrapper_power_priv.h"

#include "main/acfg/acfg_app.h"
#include "main/am/amb/amb.h"
#include "main/gui/gui_manager.h"
#include "main/gui/tone/gui_tone.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/state_mngr/state_mngr.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/gui/wrapper/phone_app_frames.h"
#include "tests/support/sim_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class PowerTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        apptest::startFramework();
        static amb_register_info_t info{};
        static bool registered = false;
        if (!registered) {
            a_acfg_register(&info);
            ASSERT_EQ(u_amb_register_app(&info), 0);
            registered = true;
        }
        ASSERT_EQ(u_amb_sync_start_app("acfg"), 0);
        guiWrapperAmpInit();
        smPmStateSet(0);
    }
    void TearDown() override
    {
        guiWrapperAmpExit();
        EXPECT_EQ(u_amb_sync_exit_app("acfg"), 0);
    }

    // The recorded calls since the last look.
    std::vector<std::string> calls()
    {
        std::vector<std::string> out;
        if (!sandbox.exists(WRAPPER_CALL_LOG)) {
            return out;
        }
        std::istringstream in(sandbox.read(WRAPPER_CALL_LOG));
        for (std::string line; std::getline(in, line);) {
            out.push_back(line);
        }
        sandbox.write(WRAPPER_CALL_LOG, "");
        return out;
    }

    // Runs `step` and returns what it printed.
    template <typename F>
    static std::string printed(F step)
    {
        ::testing::internal::CaptureStdout();
        step();
        return ::testing::internal::GetCapturedStdout();
    }

    static GuiWrapperSetting& rec() { return *guiWrapperSettingRecord(); }
};

TEST_F(PowerTest, TheFirstPowerOnIsColdAndEveryLaterOneWakesTheStateManager)
{
    guiWrapperPwrObjResetForTest();
    std::string out = printed([] { guiWrapperWidgetPowerOnPrepare(nullptr); });
    EXPECT_THAT(out, Not(HasSubstr("Standby Mode!")));
    EXPECT_THAT(out, HasSubstr("Prepare After Power On!"));
    EXPECT_EQ(1, guiWrapperPwrObjGet()->is_cold_pwr_on);
    EXPECT_EQ(1u, guiWrapperPwrObjGet()->pwr_on_state);
    // Default row 0: volume 50, tone volume 2, tones on.
    EXPECT_THAT(calls(), ElementsAreArray({"guiWrapperBtVolSet 50", "guiWrapperBtMacAddrSync", "guiWrapperNandPowerOn",
                                           "guiWrapperMusicPowerOn", "guiWrapperHdmiPowerOn", "guiWrapperBtPowerOn"}));
    // Then the power-on tone at the record's level (no player thread runs here: it stays queued).
    EXPECT_EQ(2u, guiToneVolGet());
    EXPECT_EQ(0u, guiTonePlayDoneGet());
    // The amplifiers came up between the NAND and the music wrapper.
    EXPECT_EQ("0x03\n", sim.ctl("i2c get 3 0x2d 0 0x04"));

    struct Case {
        uint8_t autoWake;
        const char* line;
    };
    for (const Case& c : {Case{0, "Exit Suspend Standby Mode!"}, Case{1, "Exit Fake Standby Mode!"}}) {
        smPmStateSet(0);
        rec().auto_wake_en = c.autoWake;
        out = printed([] { guiWrapperWidgetPowerOnPrepare(nullptr); });
        EXPECT_THAT(out, HasSubstr(c.line));
        EXPECT_EQ(0, guiWrapperPwrObjGet()->is_cold_pwr_on);
    }
    smPmStateSet(0);
}

TEST_F(PowerTest, PowerOffStopsEveryWrapperThenAsksForTheStandbyOfTheAutoWakeSetting)
{
    guiWrapperWidgetPowerOnPrepare(nullptr);
    // No player thread runs here: with tones off the power-on tone queued above is not waited for.
    guiToneEnableSet(0);
    struct Case {
        uint8_t autoWake;
        const char* msg;
    };
    for (const Case& c : {Case{0, "guiWrapperMsgSnd 36"}, Case{1, "guiWrapperMsgSnd 37"}}) {
        calls();
        rec().auto_wake_en = c.autoWake;
        guiManagerAppStateSet(GUI_SYS_STATE_TRANSIT);
        sandbox.write("/sim/i2c.log", "");
        guiWrapperWidgetPowerOff(nullptr);
        EXPECT_THAT(calls(), ElementsAreArray({"guiWrapperUsbPowerOff", "guiWrapperHdmiPowerOff",
                                               "guiWrapperDolbyPowerOff", "guiWrapperDtsPowerOff",
                                               "guiWrapperWirelessAudPowerOff", "guiWrapperBtPowerOff", c.msg}));
        EXPECT_THAT(sandbox.read("/sim/i2c.log"), HasSubstr("addr 0x2e W 04 0e"));
        EXPECT_EQ("0\n", sandbox.read("/sys/class/gpio/gpio428/value"));
        EXPECT_EQ(static_cast<uint32_t>(GUI_SYS_STATE_OFF), guiManagerAppStateGet());
    }
}

TEST_F(PowerTest, IdleStoresTheRecordOnAWarmPathAndRestoresItOnTheColdOne)
{
    guiWrapperWidgetPowerOnPrepare(nullptr);
    calls();
    uint8_t cold = 0;
    guiWrapperWidgetPowerIdlePrepare(&cold);
    guiWrapperWidgetPowerIdle(&cold);
    EXPECT_THAT(calls(), ElementsAreArray({"guiWrapperHdmiPowerOff", "guiWrapperWirelessAudPowerOff",
                                           "guiWrapperBtPowerOff", "guiWrapperMusicPowerIdle"}));

    // A change that was never stored is dropped by the cold path's restore.
    const uint8_t stored = rec().vol;
    rec().vol = static_cast<uint8_t>(stored + 3);
    cold = 1;
    guiWrapperWidgetPowerIdlePrepare(&cold);
    guiWrapperWidgetPowerIdle(&cold);
    EXPECT_THAT(calls(), ElementsAreArray({"guiWrapperHdmiPowerIdle", "guiWrapperMusicPowerIdle"}));
    EXPECT_EQ(stored, rec().vol);

    guiWrapperWidgetPowerOn(nullptr);
    guiWrapperWidgetPowerOffPrepare(nullptr);
    EXPECT_THAT(calls(),
                ElementsAreArray({"guiWrapperWirelessAudPowerOn", "guiWrapperUsbPowerOn", "guiWrapperDolbyPowerOn",
                                  "guiWrapperDtsPowerOn", "guiWrapperNandPowerOff"}));
}

// Each case waits the reset's six seconds; the two run as separate cases.
class FactoryResetTest : public PowerTest, public ::testing::WithParamInterface<std::pair<uint32_t, uint8_t>> {};

TEST_P(FactoryResetTest, KeepsTheMacTakesTheSalesAreasRowAndResetsTheLinkOnlyWhenAsked)
{
    const auto [salesArea, wireless] = GetParam();
    guiWrapperWidgetPowerOnPrepare(nullptr);
    const uint8_t mac[6] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    std::memcpy(rec().bt_mac, mac, sizeof(mac));
    rec().sales_area = salesArea;
    rec().vol = 77;
    calls();
    uint8_t withWireless = wireless;
    phoneapp::start();
    guiWrapperWidgetFactoryReset(&withWireless);
    phoneapp::stop();
    EXPECT_EQ(phoneapp::take(), (std::vector<std::string>{"phone app 02 0b 01"}));

    const GuiWrapperSetting& row = gGuiWrapperDefaultSetting[salesArea < 2 ? salesArea : 0];
    EXPECT_EQ(0, std::memcmp(rec().bt_mac, mac, sizeof(mac)));
    EXPECT_EQ(row.sales_area, rec().sales_area);
    EXPECT_EQ(row.vol, rec().vol);
    EXPECT_EQ(row.eq_mode, rec().eq_mode);
    std::vector<std::string> want = {"guiWrapperHdmiPowerOff", "guiWrapperBtFactoryReset"};
    if (wireless != 0) {
        want.push_back("guiWrapperWirelessAudFactoryReset");
    }
    for (const char* c : {"guiWrapperUsbFactoryReset", "guiWrapperHdmiFactoryReset", "guiWrapperMusicFactoryReset",
                          "guiWrapperDolbyFactoryReset", "guiWrapperDtsFactoryReset", "guiWrapperNandPowerOff"}) {
        want.push_back(c);
    }
    EXPECT_THAT(calls(), ElementsAreArray(want));
    EXPECT_EQ(static_cast<uint32_t>(GUI_SYS_STATE_IDLE), guiManagerAppStateGet());
}

// Sales area 7 has no default row: row 0 stands in for it.
INSTANTIATE_TEST_SUITE_P(Areas, FactoryResetTest,
                         ::testing::Values(std::make_pair(1u, uint8_t{1}), std::make_pair(7u, uint8_t{0})));

}  // namespace
