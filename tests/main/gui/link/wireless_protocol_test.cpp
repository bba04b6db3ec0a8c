// The whole link stack on the simulated board's serial port: module frames in, GUI events out on
// the GUI manager's queue (a recorder stands in for the GUI), the events parked while the GUI is
// waking, and what the hub sends back to the module.
#include "main/gui/link/protocol_ats2853.h"
#include "main/gui/link/wireless_protocol.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "tests/main/gui/link/link_stack_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using linktest::Bytes;
using linktest::Clock;
using linktest::Posted;
using namespace std::chrono_literals;

Bytes frame(uint8_t group, uint8_t id, const Bytes& payload)
{
    Bytes f = {ATS2853_HEAD_RCV, static_cast<uint8_t>(payload.size() + 5), group, id};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(guiWrapperProtocolAts2853ChkSum(f.data(), static_cast<uint32_t>(f.size())));
    return f;
}

const Bytes kConnected = frame(0x21, 0x02, {0});  // event 28, never parked: the marker of the cases

class WirelessProtocolTest : public linktest::LinkStackTest {};

TEST_F(WirelessProtocolTest, ModuleFramesBecomeGuiEvents)
{
    guiManagerAppStateSet(0x10);
    send({0x28, 0x06, 0x21, 0x02, 0x00, 0xAF});                    // bad checksum
    send({0x28, 0x05, 0x21, 0x02, 0xAF});                          // no payload
    send({0x28, 0x06, 0x21, 0x17, 0x28, 0x71});                    // upgrade at 40 %
    send({0x28, 0x06, 0x21, 0x17, 0x28, 0x71});                    // the same again
    send({0x28, 0x06, 0x21, 0xAA, 0x00, 0x00});                    // cannot complete in its burst
    const std::string name = "Living Room TV Box!!";
    send(frame(0x21, 0x1A, Bytes(name.begin(), name.end())));
    send(kConnected);
    waitPosted(E_GUI_SYS_EVT_BT_CONNECTED);
    EXPECT_EQ((std::vector<uint16_t>{E_GUI_SYS_EVT_UPGRADE_PERCENT, E_GUI_SYS_EVT_NAND_PARAM_SET,
                                     E_GUI_SYS_EVT_BT_CONNECTED}),
              ids());
    const std::vector<Posted> got = posted();
    EXPECT_EQ((Bytes{0x07, 0, 0, 0, 0x28, 0, 0, 0}), got[0].payload);
    Bytes cecName(name.begin(), name.begin() + 13);
    cecName.push_back(0);
    EXPECT_EQ(cecName, got[1].payload);
}

TEST_F(WirelessProtocolTest, BluetoothEventsWaitWhileTheGuiIsWaking)
{
    const auto sent = Clock::now();
    send({0x28, 0x06, 0x21, 0x03, 0x00, 0xAD});  // phone disconnected: parked
    send(kConnected);                            // delivered at once, also while waking
    waitPosted(E_GUI_SYS_EVT_BT_CONNECTED);
    EXPECT_EQ(std::vector<uint16_t>{E_GUI_SYS_EVT_BT_CONNECTED}, ids());
    guiManagerAppStateSet(0x10);
    const Posted disconnected = waitPosted(E_GUI_SYS_EVT_BT_DISCONNECTED);
    EXPECT_GE(disconnected.at - sent, 1400ms) << "on the parking timer's retry";

    guiManagerAppStateSet(GUI_SYS_STATE_ON);
    const auto volSent = Clock::now();
    send({0x28, 0x06, 0x21, 0x07, 0x19, 0x90});
    guiManagerAppStateSet(0x10);
    const Posted vol = waitPosted(E_GUI_SYS_EVT_BT_VOL);
    EXPECT_EQ(Bytes{0x19}, vol.payload) << "the volume byte is kept while parked";
    EXPECT_GE(vol.at - volSent, 450ms);

    // A volume that finds the GUI still waking after 500 ms waits for a later retry.
    guiManagerAppStateSet(GUI_SYS_STATE_ON);
    send({0x28, 0x06, 0x21, 0x07, 0x1A, 0x8F});
    std::this_thread::sleep_for(700ms);
    const std::vector<uint16_t> early = ids();
    EXPECT_EQ(1, std::count(early.begin(), early.end(), E_GUI_SYS_EVT_BT_VOL));
    guiManagerAppStateSet(0x10);
    EXPECT_EQ(Bytes{0x1A}, waitPosted(E_GUI_SYS_EVT_BT_VOL, 2).payload);
}

TEST_F(WirelessProtocolTest, FiveGigahertzLinkUpAndDown)
{
    guiManagerAppStateSet(0x10);
    guiWrapperWirelessProtocolCbk(45, nullptr);
    EXPECT_EQ((Bytes{0x82, 0x06, 0x81, 0x2D, 0x01, 0xC8, 0x82, 0x06, 0x81, 0x2D, 0x01, 0xC8}), line(12));
    EXPECT_EQ(Bytes{0}, waitPosted(E_GUI_SYS_EVT_WIRELESS_AUD_STS_4).payload);
    guiWrapperWirelessProtocolCbk(44, nullptr);
    EXPECT_EQ((Bytes{0x82, 0x06, 0x81, 0x2D, 0x00, 0xC9, 0x82, 0x06, 0x81, 0x2D, 0x00, 0xC9}), line(12));
    EXPECT_EQ(Bytes{0}, waitPosted(E_GUI_SYS_EVT_WIRELESS_AUD_STS_3).payload);
    const std::string calls = sandbox.read(WRAPPER_SOURCE_CALL_LOG);
    EXPECT_NE(std::string::npos, sim.ctl("log i2c").find("bus 3 addr 0x63 W 14 60 f6 00 00 00 00 01"))
        << "the RF band reset";
    EXPECT_NE(std::string::npos, calls.find("guiWrapperOtaDisconnHandle 1")) << calls;
}

TEST_F(WirelessProtocolTest, EqModesMapToTheirEvents)
{
    guiManagerAppStateSet(0x10);
    struct Case {
        uint32_t mode;
        uint16_t id;
        size_t payload;
    };
    const Case cases[] = {{0, E_GUI_USR_EVT_EQ_SEL_0, 0}, {1, E_GUI_USR_EVT_EQ_SEL_1, 0}, {2, E_GUI_USR_EVT_EQ_SEL_3, 0},
                          {3, E_GUI_USR_EVT_EQ_SEL_2, 0}, {4, E_GUI_USR_EVT_EQ_SEL_4, 0}, {5, E_GUI_USR_EVT_EQ_SEL_5, 0},
                          {6, E_GUI_USR_EVT_EQ_SEL_6, 44}, {7, E_GUI_USR_EVT_EQ_SEL_7, 44}};
    std::vector<uint16_t> want;
    for (const Case& c : cases) {
        uint8_t record[44] = {};
        std::memcpy(record, &c.mode, sizeof(c.mode));
        record[43] = 0x5A;
        guiWrapperWirelessProtocolCbk(15, record);
        want.push_back(c.id);
    }
    const uint32_t unknown = 8;
    uint8_t record[44] = {};
    std::memcpy(record, &unknown, sizeof(unknown));
    guiWrapperWirelessProtocolCbk(15, record);
    guiWrapperWirelessProtocolCbk(100, record);
    guiWrapperWirelessProtocolCbk(98, record);
    guiWrapperWirelessProtocolCbk(28, nullptr);
    want.push_back(E_GUI_SYS_EVT_BT_CONNECTED);
    waitPosted(E_GUI_SYS_EVT_BT_CONNECTED);
    EXPECT_EQ(want, ids()) << "mode 8 and events 98 and 100 post nothing";
    const std::vector<Posted> got = posted();
    ASSERT_EQ(44u, got[6].payload.size());
    EXPECT_EQ(0x5A, got[6].payload[43]);
}

}  // namespace
