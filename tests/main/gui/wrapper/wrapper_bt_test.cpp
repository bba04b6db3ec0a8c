// The Bluetooth-module wrapper down to the bytes on the module's line: the commands of each
// operation, the query timer's order and its stop outside the Bluetooth source, the reads of the
// module status record, the LE-audio handshake and the MAC saved into the store at power on.
#include "main/gui/wrapper/wrapper_bt.h"

#include "main/acfg/acfg_app.h"
#include "main/acfg/acfg_cus_flash.h"
#include "main/acfg/acfg_item_idx.h"
#include "main/am/amb/amb.h"
#include "main/gui/link/protocol_ats2853.h"
#include "main/gui/link/wireless_drv.h"
#include "main/gui/wrapper/gui_wrapper.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/app_support.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The frames written to the module's line; the query timer writes from its own thread.
std::mutex gLock;
std::condition_variable gWritten;
std::vector<Bytes> gWrites;

int32_t recordWrite(uint16_t, const uint8_t* buf, uint32_t len)
{
    {
        std::lock_guard<std::mutex> lock(gLock);
        gWrites.emplace_back(buf, buf + len);
    }
    gWritten.notify_all();
    return static_cast<int32_t>(len);
}

// The whole frame of a command as the module receives it.
Bytes frame(uint8_t group, uint8_t cmd, const Bytes& payload = {})
{
    Bytes f = {0x82, static_cast<uint8_t>(payload.size() + 5), group, cmd};
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(guiWrapperProtocolAts2853ChkSum(f.data(), static_cast<uint32_t>(f.size())));
    return f;
}

Bytes cmd(uint8_t c, const Bytes& payload = {})
{
    return frame(0x81, c, payload);
}

Bytes query(uint8_t c)
{
    return frame(0x82, c);
}

class BtTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        taken();
        const GuiWirelessDevOps ops{nullptr, nullptr, nullptr, recordWrite};
        guiWrapperWirelessDrvRegister(WIRELESS_DEV_E_ATS2853, &ops);
        guiWrapperWirelessDrvPowerOn();
        db() = ProtocolAts2853Db{};
    }
    void TearDown() override
    {
        guiWrapperBtExit();
        guiWrapperWirelessDrvUnRegister(WIRELESS_DEV_E_ATS2853);
        db() = ProtocolAts2853Db{};
    }

    static ProtocolAts2853Db& db() { return *guiWrapperProtocolAts2853DBget(); }

    // The frames written since the last look.
    static std::vector<Bytes> taken()
    {
        std::lock_guard<std::mutex> lock(gLock);
        std::vector<Bytes> out;
        out.swap(gWrites);
        return out;
    }
    // Waits until `n` frames were written since the last look (at most 2 s) and takes them.
    static std::vector<Bytes> takeWhen(size_t n)
    {
        std::unique_lock<std::mutex> lock(gLock);
        gWritten.wait_for(lock, std::chrono::seconds(2), [n] { return gWrites.size() >= n; });
        std::vector<Bytes> out;
        out.swap(gWrites);
        return out;
    }
};

TEST_F(BtTest, EachOperationSendsItsCommand)
{
    GuiWrapperSetting awake{};
    awake.lcd_dimmer_lvl = 3;
    GuiWrapperSetting fake = awake;
    fake.auto_wake_en = 1;
    fake.lcd_dimmer_lvl = 0x102;  // the low byte goes out
    struct Case {
        const char* what;
        std::function<void()> run;
        std::vector<Bytes> sent;
    };
    const std::vector<Case> cases = {
        {"power off", [&] { guiWrapperBtPowerOff(&awake); }, {cmd(0x25, {0, 3})}},
        {"fake power off", [&] { guiWrapperBtPowerOff(&fake); }, {cmd(0x25, {1, 2})}},
        {"power idle", [] { guiWrapperBtPowerIdle(); }, {cmd(0xF4)}},
        {"factory reset", [] { guiWrapperBtFactoryReset(0); }, {cmd(0x14)}},
        {"shop on", [] { guiWrapperBtShopSet(1); }, {cmd(0x26, {1})}},
        {"mute", [] { guiWrapperBtMuteSet(1); }, {cmd(0x08, {1})}},
        {"volume", [] { guiWrapperBtVolSet(37); }, {cmd(0x07, {37})}},
        {"pair, play, pause", [] { guiWrapperBtPair(); guiWrapperBtPlay(); guiWrapperBtPause(); },
         {cmd(0x15), cmd(0x01), cmd(0x02)}},
        {"source in and reconnect", [] { guiWrapperBtSrcInSet(); guiWrapperBtReConnect(); }, {cmd(0x16), cmd(0x16)}},
        {"source clear", [] { guiWrapperBtSrcInClr(); }, {cmd(0x0A, {2})}},
        {"music controls 0 to 4",
         [] {
             for (uint32_t c = 0; c <= 4; ++c) {
                 guiWrapperBtMusicCtrl(c);
             }
         },
         {cmd(0x02), cmd(0x18), cmd(0x04), cmd(0x03)}},
        {"each source's code",
         [] {
             for (uint32_t s = 0; s <= 6; ++s) {
                 guiWrapperBtManualSrcInSet(s);
             }
         },
         {cmd(0x0A, {1}), cmd(0x0A, {2}), cmd(0x0A, {3}), cmd(0x0A, {6}), cmd(0x0A, {4}), cmd(0x0A, {5})}},
        {"routes ARC, eARC, HDMI in",
         [] {
             for (uint32_t r = 0; r <= 2; ++r) {
                 guiWrapperBtRoutingSrcInSet(r);
             }
         },
         {cmd(0x0A, {1}), cmd(0x0A, {1}), cmd(0x0A, {2})}},
        {"USB connection 0 to 3",
         [] {
             for (uint32_t s = 0; s <= 3; ++s) {
                 guiWrapperBtUsbConnSet(s);
             }
         },
         {cmd(0x28, {0}), cmd(0x28, {1}), cmd(0x28, {2})}},
        {"upgrades", [] { guiWrapperBtUsbUpgrade(); guiWrapperBtHdmiUpgrade(); }, {cmd(0x19), cmd(0x1A)}},
        {"DSP reboot", [] { guiWrapperBtDspReboot(7); }, {cmd(0x29, {7})}},
        {"5.8 GHz link", [] { guiWrapperWirelesStateReport(5); guiWrapperWirelesStateReport(0); },
         {cmd(0x2D, {1}), cmd(0x2D, {0})}},
        {"PCBA test with no 5.8 GHz record", [] { guiWrapperBtPcbaTestSet(1); guiWrapperBtPcbaTestSet(0); },
         {cmd(0xF0), cmd(0x2D, {0}), cmd(0xF1)}},
        {"machine test off", [] { guiWrapperBtMachineTestSet(0); }, {cmd(0xF3)}},
    };
    for (const Case& c : cases) {
        c.run();
        EXPECT_EQ(c.sent, taken()) << c.what;
    }
}

// The widgets reach the module through the wrapper table's Bluetooth slots.
TEST_F(BtTest, TheTableSlotsReachTheModule)
{
    const GuiWidgetCbkTable table = guiWrapperCbkTableBuild();
    uint8_t on = 1;
    uint8_t off = 0;
    uint32_t next = 3;
    uint32_t usbConn = 2;
    struct Case {
        GuiWidgetCbkSlot slot;
        void* arg;
        std::vector<Bytes> sent;
    };
    const std::vector<Case> cases = {
        {GUI_WIDGET_CBK_BT_SRC_IN_SET, nullptr, {cmd(0x16)}},
        {GUI_WIDGET_CBK_BT_PAIR, nullptr, {cmd(0x15)}},
        {GUI_WIDGET_CBK_BT_PLAY, nullptr, {cmd(0x01)}},
        {GUI_WIDGET_CBK_BT_PAUSE, nullptr, {cmd(0x02)}},
        {GUI_WIDGET_CBK_MUSIC_BT_CTRL, &next, {cmd(0x03)}},
        {GUI_WIDGET_CBK_SHOP_SET, &on, {cmd(0x26, {1})}},
        {GUI_WIDGET_CBK_PCBA_TEST_SET, &off, {cmd(0xF1)}},
        {GUI_WIDGET_CBK_MACHINE_TEST_SET, &off, {cmd(0xF3)}},
        {GUI_WIDGET_CBK_USB_CONN_SET, &usbConn, {cmd(0x28, {2})}},
        {GUI_WIDGET_CBK_MUSIC_BT_CTRL, nullptr, {}},
    };
    for (const Case& c : cases) {
        ASSERT_NE(nullptr, table.slot[c.slot]) << c.slot;
        table.slot[c.slot](c.arg);
        EXPECT_EQ(c.sent, taken()) << "slot " << c.slot;
    }

    db().bt_sts = 4;
    uint32_t sts = 0;
    table.slot[GUI_WIDGET_CBK_BT_STS_GET](&sts);
    EXPECT_EQ(16u, sts);
    // Disconnected, in the state's high byte: the play status is cleared.
    db().play_sts = 1;
    uint16_t state = 3 << 8;
    table.slot[GUI_WIDGET_CBK_BT_STS_SET_PROCESS](&state);
    EXPECT_EQ(0u, db().play_sts);
    EXPECT_TRUE(taken().empty());
}

// The start-up queries, then a power on in the Bluetooth source: its volume waits for the next tick.
// Outside the Bluetooth source the timer stops and what the module asks meanwhile waits.
TEST_F(BtTest, TheQueryTimerServesOneQueryATickInItsOrderOnlyInTheBluetoothSource)
{
    // Nothing is lost while the module's line is not up yet.
    guiWrapperWirelessDrvSleepSet(WIRELESS_DEV_E_ATS2853, 1);
    guiWrapperBtInit();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_TRUE(taken().empty());
    guiWrapperWirelessDrvPowerOn();
    EXPECT_EQ((std::vector<Bytes>{query(0x03), query(0x04), query(0x05), query(0x06)}), takeWhen(4));

    GuiWrapperSetting s{};
    s.aud_src = GUI_WRAPPER_BT_AUD_SRC_BT;
    s.vol = 50;
    guiWrapperBtPowerOn(&s);
    EXPECT_EQ((std::vector<Bytes>{cmd(0x17), cmd(0x0A, {6}), cmd(0x07, {50})}), takeWhen(3));

    guiWrapperBtManualSrcInSet(0);
    const uint8_t connected[2] = {4, 30};
    guiWrapperBtStsSetProcess(connected);
    // Long enough for three ticks of a timer that failed to stop.
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    EXPECT_EQ((std::vector<Bytes>{cmd(0x0A, {1})}), taken());

    guiWrapperBtManualSrcInSet(GUI_WRAPPER_BT_AUD_SRC_BT);
    EXPECT_EQ((std::vector<Bytes>{cmd(0x0A, {6}), query(0x01), cmd(0x07, {30})}), takeWhen(3));

    // Night mode: the module hears the volume that plays.
    s.eq_mode = GUI_EQ_MODE_NIGHT;
    s.night_vol = 12;
    guiWrapperBtPowerOn(&s);
    EXPECT_EQ((std::vector<Bytes>{cmd(0x17), cmd(0x0A, {6}), cmd(0x07, {12})}), takeWhen(3));
}

TEST_F(BtTest, StatusReadsFollowTheModuleRecord)
{
    struct Case {
        uint32_t module;
        uint32_t out;  // from 0xAA
    };
    for (const Case& c : {Case{0, 0xAA}, Case{1, 0xAA}, Case{2, 1}, Case{3, 0xAA}, Case{4, 16}, Case{5, 0xAA}}) {
        db().bt_sts = c.module;
        uint32_t out = 0xAA;
        guiWrapperBtStsGet(&out);
        EXPECT_EQ(c.out, out) << "module status " << c.module;
    }

    db().play_sts = 0x101;
    db().bt_version = 0x21;
    db().touch_version = 0x05;
    const uint8_t mac[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(db().mac, mac, sizeof(mac));
    uint8_t play = 0, version = 0, touch = 0, got[6] = {};
    guiWrapperBtPlayStsGet(&play);
    guiWrapperBtVersionGet(&version);
    guiWrapperBtTouchVersionGet(&touch);
    guiWrapperBtMacAddrGet(got);
    EXPECT_EQ(1, play);
    EXPECT_EQ(0x21, version);
    EXPECT_EQ(0x05, touch);
    EXPECT_EQ(0, std::memcmp(mac, got, sizeof(mac)));

    const uint8_t disconnected[2] = {3, 20};
    guiWrapperBtStsSetProcess(disconnected);
    EXPECT_EQ(0u, db().play_sts);
}

TEST_F(BtTest, TheLeAudioPowerIsAskedForEverySecondTryUntilTheModuleReportsIt)
{
    db().le_aud_pwr_sts = 1;
    guiWrapperBtCtrlWirelessAudPwr(1);
    EXPECT_TRUE(taken().empty()) << "already on";

    db().le_aud_pwr_sts = 0;
    guiWrapperBtCtrlWirelessAudPwr(1);
    EXPECT_EQ(std::vector<Bytes>(5, cmd(0x27, {1})), taken()) << "ten tries, no answer";
}

class BtMacTest : public BtTest {
protected:
    void SetUp() override
    {
        BtTest::SetUp();
        apptest::startFramework();
        ASSERT_EQ(apptest::registerOnce(a_acfg_register), 0);
        ASSERT_EQ(u_amb_sync_start_app("acfg"), 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(u_amb_sync_exit_app("acfg"), 0);
        BtTest::TearDown();
    }
    static Bytes storedMac()
    {
        AcfgCusFlashParam p{};
        uAcfgCusFlashGet(IDX_BT_MAC, &p);
        return Bytes(p.bt_mac, p.bt_mac + sizeof(p.bt_mac));
    }
};

TEST_F(BtMacTest, ANewMacIsSavedOnceAtTheNextPowerOn)
{
    guiWrapperBtInit();
    const Bytes before = storedMac();
    const uint8_t mac[6] = {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5};
    guiWrapperBtMacAddrSet(mac);
    EXPECT_EQ(before, storedMac()) << "only the power on saves it";

    GuiWrapperSetting s{};
    guiWrapperBtMacAddrSync(&s);
    EXPECT_EQ(Bytes(mac, mac + 6), Bytes(s.bt_mac, s.bt_mac + 6));
    EXPECT_EQ(Bytes(mac, mac + 6), storedMac());
    AcfgCusFlashParam p{};
    uAcfgCusFlashGet(IDX_FLASH_WRITTEN, &p);
    EXPECT_EQ(ACFG_CUS_FLASH_WRITTEN, p.flash_written);

    // The same MAC again, and a later power on: nothing to save.
    guiWrapperBtMacAddrSet(mac);
    GuiWrapperSetting later{};
    guiWrapperBtMacAddrSync(&later);
    EXPECT_EQ(Bytes(6, 0), Bytes(later.bt_mac, later.bt_mac + 6));
}

}  // namespace
