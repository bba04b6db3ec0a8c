// The driver interface against the board simulator's HDMI transmitter, through the device seam.
#include "main/cec/cec_drv.h"
#include "main/cec/cec_state.h"
#include "tests/support/sim_process.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace {

using ::testing::HasSubstr;

class CecDrvTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        cecStateReset(0);
    }
};

TEST(CecPaText, FourHexDigitsHighNibbleFirst)
{
    const struct {
        uint16_t address;
        const char* text;
    } cases[] = {{0x1234, "1.2.3.4"}, {0x00FF, "0.0.f.f"}, {0xFFFF, "f.f.f.f"}, {0x1000, "1.0.0.0"}, {0, "0.0.0.0"}};
    for (const auto& c : cases) {
        char buffer[CEC_PA_TEXT_SIZE];
        EXPECT_EQ(buffer, pa_to_string(c.address, buffer));
        EXPECT_STREQ(c.text, buffer);
    }
    EXPECT_EQ(nullptr, pa_to_string(0x1234, nullptr));
}

TEST(CecRequests, CarryTheirRecordSizeInTheDriversEncoding)
{
    const struct {
        uint32_t request;
        uint32_t value;
    } cases[] = {
        {KVX_HMDI_SETLA, 0xC0084800},        {KVX_HDMI_GET_CECCMD, 0xC0184801},  {KVX_HDMI_SET_CECCMD, 0xC0204802},
        {KVX_HDMI_CEC_ENABLE, 0xC0014803},   {KVX_HDMI_CEC_APP_READY, 0xC0014804}, {KVX_HDMI_GET_TX_PA, 0xC0044805},
        {KVX_HDMI_GET_TX_STS, 0xC0084806},   {KVX_HDMI_ARC_ENABLE, 0xC0014807},  {KVX_HDMI_GET_TX_INFO, 0xC0034808},
        {KVX_HDMI_GET_RX_PA, 0xC008480B},    {KVX_HDMI_SWITCH_RX, 0xC001480C},   {KVX_HDMI_GET_RX_STS, 0xC003480F},
        {KVX_HDMI_GET_CM4_INFO, 0xC0084814},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value, c.request);
    }
}

TEST_F(CecDrvTest, SwitchesTakeTheirValueAndRecordsTheirAddress)
{
    EXPECT_EQ(0, cecCtrlSetFunction(1));
    EXPECT_EQ(0, cecCtrlSignalDriverReady(1));
    gHDMITXInfo[0].physicalAddr = 0x1200;
    EXPECT_EQ(0, cecCtrlSetConfigToDrive());
    cecCtrlARC(1);
    EXPECT_EQ(1, gHDMITXInfo[0].openARC.load());
    // The simulator refuses a value where the driver takes a pointer and the other way round.
    EXPECT_EQ("01\n", sim.ctl("hdmitx last CEC_ENABLE"));
    EXPECT_EQ("01\n", sim.ctl("hdmitx last CEC_APP_READY"));
    EXPECT_EQ("00 05 00 00 00 12 00 00\n", sim.ctl("hdmitx last SETLA"));
    EXPECT_EQ("01\n", sim.ctl("hdmitx last ARC_ENABLE"));
    EXPECT_THAT(sim.ctl("log hdmitx"), ::testing::Not(HasSubstr("bad argument")));
}

TEST_F(CecDrvTest, ARefusedOrImpossibleRequestChangesNothing)
{
    sim.ctl("hdmitx fail ARC_ENABLE 1");
    cecCtrlARC(1);
    EXPECT_EQ(0, gHDMITXInfo[0].openARC.load());

    gPlatformInfo.ui4ActiveTx = 1;
    cecCtrlARC(1);
    EXPECT_EQ(-3, cecCtrlSetConfigToDrive());
    EXPECT_EQ(0, gHDMITXInfo[0].openARC.load());
    EXPECT_THAT(sim.ctl("log hdmitx"), ::testing::Not(HasSubstr("SETLA")));
    gPlatformInfo.ui4ActiveTx = 0;

    sim.ctl("hdmitx missing on");
    uint8_t byte = 1;
    EXPECT_EQ(-4, cecIoctl(KVX_HDMI_SWITCH_RX, reinterpret_cast<uintptr_t>(&byte)));
    EXPECT_EQ(-4, cecCtrlSetConfigToDrive());
    cecCtrlARC(1);
    EXPECT_EQ(0, gHDMITXInfo[0].openARC.load());
    // The switch and the ready signal count as done whatever the driver says.
    EXPECT_EQ(0, cecCtrlSetFunction(1));
    EXPECT_EQ(0, cecCtrlSignalDriverReady(1));
}

TEST_F(CecDrvTest, OpeningTheDriverMakesTheNodeUsable)
{
    EXPECT_EQ(0, cecCtrlOpenDriver());
    const auto log = sandbox.quoridLog();
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "chmod 777 /dev/hdmitx"));
}

}  // namespace
