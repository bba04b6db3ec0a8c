// The idle picture and the status texts: record and state in, the display request out, one table
// row per case; the paced read-outs step by step through a recorded sleep.
#include "main/gui/gui_manager.h"
#include "main/gui/gui_ops_priv.h"
#include "main/timerd/gui_timer.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/gui_widget_disp.h"
#include "main/gui/gui_widget_disp_priv.h"

#include "tests/support/sandbox.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t NONE = GUI_OPS_DISP_MODE_NONE;
constexpr uint32_t STATIC = GUI_OPS_DISP_MODE_STATIC;
constexpr uint32_t ONCE = GUI_OPS_DISP_MODE_STATIC_ONCE;
constexpr uint32_t BLINK = GUI_OPS_DISP_MODE_BLINK;
constexpr uint32_t BLINK1 = GUI_OPS_DISP_MODE_BLINK_ONCE;
constexpr uint32_t SCROLL = GUI_OPS_DISP_MODE_SCROLL;
constexpr uint32_t SCROLL1 = GUI_OPS_DISP_MODE_SCROLL_ONCE;

const GuiOpsDispCbk HOME = guiWidgetDispHome;
const GuiOpsDispCbk HIST = guiWidgetDispHistory;

uint8_t gEarc = 1;
int gScreensaverCalls = 0;
int gSettingGetCalls = 0;
std::vector<std::pair<GuiOpsRequest, uint32_t>> gPaced;  // request showing at each sleep, its ms

int32_t earcStsGet(void* arg)
{
    *static_cast<uint8_t*>(arg) = gEarc;
    return 0;
}

int32_t screensaverEnter(void*)
{
    ++gScreensaverCalls;
    return 0;
}

int32_t settingGet(void* arg)
{
    ++gSettingGetCalls;
    auto* w = static_cast<GuiWidgetSetting*>(arg);
    w->center = 8;
    w->sur_right = 5;
    w->sur_left = 0;
    w->height = 10;
    return 0;
}

void recordSleep(uint32_t ms)
{
    gPaced.push_back({guiOpsLastRequest(), ms});
}

using RecordSetup = std::function<void(GuiWidgetSetting&)>;

struct Case {
    const char* name;
    uint32_t state;
    RecordSetup setup;
    std::function<void()> build;
    uint32_t mode;
    std::string text;
    uint16_t count;
    uint32_t time;
    uint32_t off;
    GuiOpsDispCbk done;
};

class WidgetDispStatusTest : public sbtest::SandboxTest {
protected:
    void SetUp() override
    {
        sbtest::SandboxTest::SetUp();
        GuiWidgetCbkTable table{};
        table.slot[GUI_WIDGET_CBK_HDMI_EARC_STS_GET] = earcStsGet;
        table.slot[GUI_WIDGET_CBK_MUSIC_AUTO_SCREENSAVER_ENTER] = screensaverEnter;
        guiWidgetRegisterCbk(&table);
        guiWidgetInit();
        gEarc = 1;
        gScreensaverCalls = 0;
        gSettingGetCalls = 0;
        gPaced.clear();
        guiWidgetDispSleepSet(recordSleep);
        reset({});
    }

    void TearDown() override
    {
        guiWidgetDispSleepSet(nullptr);
        guiWidgetExit();
        GuiWidgetCbkTable none{};
        guiWidgetRegisterCbk(&none);
        guiManagerAppStateSet(GUI_SYS_STATE_OFF);
        sbtest::SandboxTest::TearDown();
    }

    static void reset(const RecordSetup& setup)
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord() = GuiWidgetSetting{};
        guiWidgetRecord().bt_sts = 6;
        guiWidgetRecord().udisk_sts = 1;
        if (setup) {
            setup(guiWidgetRecord());
        }
    }

    static bool timerRunning(GuiWidgetTimer t) { return guiTimerActiveStsGet(guiWidgetTimerGet(t)) != 0; }
};

void expectRequest(const GuiOpsRequest& r, uint32_t mode, const std::string& text, uint16_t count, uint32_t time,
                   uint32_t off, GuiOpsDispCbk done)
{
    EXPECT_EQ(r.mode, mode);
    EXPECT_EQ(r.text, text);
    EXPECT_EQ(r.count, count);
    EXPECT_EQ(r.timeMs, time);
    EXPECT_EQ(r.offMs, off);
    EXPECT_EQ(r.done, done);
}

TEST_F(WidgetDispStatusTest, EveryStatusBuilder)
{
    constexpr uint32_t ON = GUI_SYS_STATE_ON;
    constexpr uint32_t BT = GUI_SYS_STATE_SRC_BT;
    auto src = [](uint32_t s) { return [s](GuiWidgetSetting& w) { w.aud_src = s; }; };
    auto pairing = [](GuiWidgetSetting& w) {
        w.wireless_aud_sts = 1;
        w.wireless_last_aud_sts = 2;
    };
    const std::vector<Case> cases = {
        // The idle picture.
        {"home shop", ON, [](GuiWidgetSetting& w) { w.shop_mode_en = 1; w.mute_sts = 1; w.aud_src = 2; },
         guiWidgetDispHome, SCROLL, "DEMO ON", 0, 350, 0, nullptr},
        {"home muted", ON, [](GuiWidgetSetting& w) { w.mute_sts = 1; }, guiWidgetDispHome, STATIC, "MUTE", 0, 5000, 0,
         HOME},
        {"home idle", GUI_SYS_STATE_IDLE, src(1), guiWidgetDispHome, NONE, "", 0, 0, 0, nullptr},
        {"home production test", GUI_SYS_STATE_PDT, src(1), guiWidgetDispHome, NONE, "", 0, 0, 0, nullptr},
        {"home arc", ON, src(0), guiWidgetDispHome, STATIC, " ARC", 0, 5000, 0, HIST},
        {"home hdmi", ON, src(1), guiWidgetDispHome, STATIC, "HDIN", 0, 5000, 0, HIST},
        {"home optical", ON, src(2), guiWidgetDispHome, STATIC, " OPT", 0, 5000, 0, HIST},
        {"home aux", ON, src(4), guiWidgetDispHome, STATIC, " AUX", 0, 5000, 0, HIST},
        {"home unknown source", ON, src(6), guiWidgetDispHome, NONE, "", 0, 0, 0, nullptr},
        {"home bt playing", ON, src(3), guiWidgetDispHome, STATIC, "  BT", 0, 5000, 0, HIST},
        {"home bt paused", ON, [](GuiWidgetSetting& w) { w.aud_src = 3; w.bt_sts = 5; }, guiWidgetDispHome, STATIC,
         "PAUS", 0, 5000, 0, HIST},
        {"home bt pairing", ON, [](GuiWidgetSetting& w) { w.aud_src = 3; w.bt_sts = 1; }, guiWidgetDispHome, BLINK,
         "  BT", 0, 500, 500, nullptr},
        {"home bt pairing, subwoofer pairing", ON,
         [&](GuiWidgetSetting& w) { w.aud_src = 3; w.bt_sts = 1; pairing(w); }, guiWidgetDispHome, BLINK1, "  BT", 5,
         500, 500, HIST},
        {"home no usb", ON, [](GuiWidgetSetting& w) { w.aud_src = 5; w.udisk_sts = 0; }, guiWidgetDispHome, SCROLL,
         "NO USB", 0, 350, 0, nullptr},
        {"home usb playing", ON,
         [](GuiWidgetSetting& w) { w.aud_src = 5; w.music_sts = 2; w.play_min = 4; w.play_sec = 9; },
         guiWidgetDispHome, STATIC, "04:09", 0, 5000, 0, HIST},
        {"home usb paused", ON, [](GuiWidgetSetting& w) { w.aud_src = 5; w.music_sts = 3; }, guiWidgetDispHome,
         STATIC, "PAUS", 0, 5000, 0, HIST},
        {"home usb stopped", ON, [](GuiWidgetSetting& w) { w.aud_src = 5; w.music_sts = 1; }, guiWidgetDispHome,
         STATIC, " USB", 0, 5000, 0, HIST},
        {"home usb other", ON, [](GuiWidgetSetting& w) { w.aud_src = 5; w.music_sts = 0; }, guiWidgetDispHome, NONE,
         "", 0, 0, 0, nullptr},
        // The subwoofer link.
        {"history pairing", ON, pairing, guiWidgetDispHistory, BLINK, " SUB", 0, 500, 500, nullptr},
        {"history after pairing", ON, [](GuiWidgetSetting& w) { w.wireless_aud_sts = 1; w.wireless_last_aud_sts = 3; },
         guiWidgetDispHistory, NONE, "", 0, 0, 0, nullptr},
        {"history not pairing", ON, nullptr, guiWidgetDispHistory, NONE, "", 0, 0, 0, nullptr},
        {"volume history", ON, nullptr, guiWidgetVolDispHistory, BLINK, " SUB", 0, 500, 500, nullptr},
        {"link pairing", ON, nullptr, [] { guiWidgetDispWirelessAudioSts(1); }, BLINK, " SUB", 0, 500, 500, nullptr},
        {"link paired", ON, src(4), [] { guiWidgetDispWirelessAudioSts(2); }, STATIC, " AUX", 0, 5000, 0, HIST},
        {"link 4 after pairing", ON, [](GuiWidgetSetting& w) { w.wireless_last_aud_sts = 3; },
         [] { guiWidgetDispWirelessAudioSts(4); }, ONCE, " SUB", 1, 5000, 0, HOME},
        {"link 4 otherwise", ON, [](GuiWidgetSetting& w) { w.wireless_last_aud_sts = 2; },
         [] { guiWidgetDispWirelessAudioSts(4); }, NONE, "", 0, 0, 0, nullptr},
        {"link 5", ON, src(2), [] { guiWidgetDispWirelessAudioSts(5); }, STATIC, " OPT", 0, 5000, 0, HIST},
        {"link 3", ON, nullptr, [] { guiWidgetDispWirelessAudioSts(3); }, NONE, "", 0, 0, 0, nullptr},
        {"link in shop", ON, [](GuiWidgetSetting& w) { w.shop_mode_en = 1; }, [] { guiWidgetDispWirelessAudioSts(1); },
         NONE, "", 0, 0, 0, nullptr},
        {"pairing blink", ON, nullptr, guiWidgetDispWirelessAudioPairingSts, BLINK, " SUB", 0, 500, 500, nullptr},
        {"pairing blink in shop", ON, [](GuiWidgetSetting& w) { w.shop_mode_en = 1; },
         guiWidgetDispWirelessAudioPairingSts, NONE, "", 0, 0, 0, nullptr},
        // Mute.
        {"unmute shows volume", ON, [](GuiWidgetSetting& w) { w.vol = 35; }, [] { guiWidgetDispMute(0); }, ONCE,
         "  35", 1, 5000, 0, HOME},
        {"mute while usb paused", ON, [](GuiWidgetSetting& w) { w.music_sts = 3; }, [] { guiWidgetDispMute(1); },
         BLINK, "MUTE", 0, 500, 500, nullptr},
        {"mute while bt paused, pairing", ON, [&](GuiWidgetSetting& w) { w.bt_sts = 5; pairing(w); },
         [] { guiWidgetDispMute(1); }, BLINK1, "MUTE", 5, 500, 500, HIST},
        {"mute", ON, nullptr, [] { guiWidgetDispMute(1); }, STATIC, "MUTE", 0, 5000, 0, HOME},
        {"mute, pairing", ON, pairing, [] { guiWidgetDispMute(1); }, ONCE, "MUTE", 1, 5000, 0, HIST},
        // Source.
        {"source hdmi", ON, nullptr, [] { guiWidgetDispSrc(1); }, STATIC, "HDIN", 0, 5000, 0, HIST},
        {"source usb", ON, nullptr, [] { guiWidgetDispSrc(5); }, STATIC, " USB", 0, 5000, 0, HIST},
        {"source arc", ON, nullptr, [] { guiWidgetDispSrc(0); }, STATIC, " ARC", 0, 5000, 0, HIST},
        {"source bt connected", ON, [](GuiWidgetSetting& w) { w.bt_sts = 4; }, [] { guiWidgetDispSrc(3); }, STATIC,
         "  BT", 0, 5000, 0, HIST},
        {"source bt unconnected", ON, [](GuiWidgetSetting& w) { w.bt_sts = 3; }, [] { guiWidgetDispSrc(3); }, BLINK,
         "  BT", 0, 500, 500, nullptr},
        {"source 6", ON, nullptr, [] { guiWidgetDispSrc(6); }, NONE, "", 0, 0, 0, nullptr},
        // Bluetooth status.
        {"bt outside the bt states", ON, nullptr, [] { guiWidgetDispBtSts(4); }, NONE, "", 0, 0, 0, nullptr},
        {"bt connected", BT, [](GuiWidgetSetting& w) { w.bt_sts = 1; }, [] { guiWidgetDispBtSts(4); }, STATIC, "  BT",
         0, 5000, 0, HIST},
        {"bt disconnected", BT, [](GuiWidgetSetting& w) { w.bt_sts = 6; }, [] { guiWidgetDispBtSts(1); }, BLINK,
         "  BT", 0, 500, 500, nullptr},
        {"bt paused from playing", GUI_SYS_STATE_BYPASS, [](GuiWidgetSetting& w) { w.bt_sts = 6; },
         [] { guiWidgetDispBtSts(5); }, STATIC, "PAUS", 0, 5000, 0, HIST},
        {"bt paused from connected", BT, [](GuiWidgetSetting& w) { w.bt_sts = 4; }, [] { guiWidgetDispBtSts(5); },
         NONE, "", 0, 0, 0, nullptr},
        {"bt playing", GUI_SYS_STATE_STANDARD_TEST, [](GuiWidgetSetting& w) { w.bt_sts = 5; },
         [] { guiWidgetDispBtSts(6); }, STATIC, "  BT", 0, 5000, 0, HIST},
        {"bt same status muted", BT, [](GuiWidgetSetting& w) { w.mute_sts = 1; }, [] { guiWidgetDispBtSts(6); }, NONE,
         "", 0, 0, 0, nullptr},
        {"bt paused muted", BT, [](GuiWidgetSetting& w) { w.mute_sts = 1; }, [] { guiWidgetDispBtSts(5); }, BLINK,
         "MUTE", 0, 500, 500, nullptr},
        {"bt playing muted", BT, [](GuiWidgetSetting& w) { w.mute_sts = 1; w.bt_sts = 5; },
         [] { guiWidgetDispBtSts(6); }, STATIC, "MUTE", 0, 5000, 0, HOME},
        {"bt playing muted, pairing", BT, [&](GuiWidgetSetting& w) { w.mute_sts = 1; w.bt_sts = 5; pairing(w); },
         [] { guiWidgetDispBtSts(6); }, ONCE, "MUTE", 1, 5000, 0, HIST},
        {"bt in shop", BT, [](GuiWidgetSetting& w) { w.shop_mode_en = 1; w.bt_sts = 1; }, [] { guiWidgetDispBtSts(4); },
         NONE, "", 0, 0, 0, nullptr},
        // USB.
        {"usb plugged", ON, src(5), [] { guiWidgetDispUDiskHotplugSts(1); }, STATIC, " USB", 0, 5000, 0, HIST},
        {"usb unplugged", ON, src(5), [] { guiWidgetDispUDiskHotplugSts(0); }, SCROLL, "NO USB", 0, 350, 0, nullptr},
        {"usb unplugged, pairing", ON, [&](GuiWidgetSetting& w) { w.aud_src = 5; pairing(w); },
         [] { guiWidgetDispUDiskHotplugSts(0); }, SCROLL1, "NO USB", 3, 350, 1000, HIST},
        {"usb plug on another source", ON, src(2), [] { guiWidgetDispUDiskHotplugSts(1); }, NONE, "", 0, 0, 0, nullptr},
        {"usb plug value 2", ON, src(5), [] { guiWidgetDispUDiskHotplugSts(2); }, NONE, "", 0, 0, 0, nullptr},
        {"usb plug muted", ON, [](GuiWidgetSetting& w) { w.aud_src = 5; w.mute_sts = 1; },
         [] { guiWidgetDispUDiskHotplugSts(1); }, NONE, "", 0, 0, 0, nullptr},
        {"usb plug in shop", ON, [](GuiWidgetSetting& w) { w.aud_src = 5; w.shop_mode_en = 1; },
         [] { guiWidgetDispUDiskHotplugSts(1); }, NONE, "", 0, 0, 0, nullptr},
        {"music stopped", ON, nullptr, [] { guiWidgetDispUDiskMusicSts(0, 1); }, STATIC, " USB", 0, 5000, 0, HIST},
        {"music new file", ON, [](GuiWidgetSetting& w) { w.last_usb_file_idx = 3; },
         [] { guiWidgetDispUDiskMusicSts(4, 2); }, ONCE, "0004", 1, 500, 0, HIST},
        {"music resumes same file", ON,
         [](GuiWidgetSetting& w) { w.last_usb_file_idx = 4; w.music_sts = 3; w.play_min = 2; w.play_sec = 30; },
         [] { guiWidgetDispUDiskMusicSts(4, 2); }, STATIC, "02:31", 0, 5000, 0, HIST},
        {"music resumes at 59 s", ON,
         [](GuiWidgetSetting& w) { w.last_usb_file_idx = 4; w.music_sts = 3; w.play_min = 2; w.play_sec = 59; },
         [] { guiWidgetDispUDiskMusicSts(4, 2); }, STATIC, "03:00", 0, 5000, 0, HIST},
        {"music same file, pairing", ON, [&](GuiWidgetSetting& w) { w.last_usb_file_idx = 4; pairing(w); },
         [] { guiWidgetDispUDiskMusicSts(4, 2); }, BLINK, " SUB", 0, 500, 500, nullptr},
        {"music same file", ON, [](GuiWidgetSetting& w) { w.last_usb_file_idx = 4; },
         [] { guiWidgetDispUDiskMusicSts(4, 2); }, NONE, "", 0, 0, 0, nullptr},
        {"music paused", ON, nullptr, [] { guiWidgetDispUDiskMusicSts(4, 3); }, STATIC, "PAUS", 0, 5000, 0, HIST},
        {"music paused muted", ON, [](GuiWidgetSetting& w) { w.mute_sts = 1; },
         [] { guiWidgetDispUDiskMusicSts(4, 3); }, BLINK, "MUTE", 0, 500, 500, nullptr},
        {"music playing muted", ON, [](GuiWidgetSetting& w) { w.mute_sts = 1; },
         [] { guiWidgetDispUDiskMusicSts(4, 2); }, STATIC, "MUTE", 0, 5000, 0, HOME},
        {"music stopped muted", ON, [](GuiWidgetSetting& w) { w.mute_sts = 1; },
         [] { guiWidgetDispUDiskMusicSts(4, 1); }, NONE, "", 0, 0, 0, nullptr},
        {"music 4", ON, nullptr, [] { guiWidgetDispUDiskMusicSts(4, 4); }, NONE, "", 0, 0, 0, nullptr},
        {"music in shop, new file", ON, [](GuiWidgetSetting& w) { w.shop_mode_en = 1; w.last_usb_file_idx = 1; },
         [] { guiWidgetDispUDiskMusicSts(2, 2); }, ONCE, "0002", 1, 500, 0, HIST},
        {"music in shop, same file", ON, [](GuiWidgetSetting& w) { w.shop_mode_en = 1; w.last_usb_file_idx = 2; },
         [] { guiWidgetDispUDiskMusicSts(2, 2); }, NONE, "", 0, 0, 0, nullptr},
        {"music in shop, paused", ON, [](GuiWidgetSetting& w) { w.shop_mode_en = 1; },
         [] { guiWidgetDispUDiskMusicSts(2, 3); }, NONE, "", 0, 0, 0, nullptr},
        {"music playing display", ON, [](GuiWidgetSetting& w) { w.usb_file_idx = 12; w.last_usb_file_idx = 1; },
         guiWidgetDispUDiskMusicPlaying, ONCE, "0012", 1, 500, 0, HIST},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset(c.setup);
        guiManagerAppStateSet(c.state);
        guiOpsLastRequestClear();
        c.build();
        expectRequest(guiOpsLastRequest(), c.mode, c.text, c.count, c.time, c.off, c.done);
    }
}

TEST_F(WidgetDispStatusTest, ArcAsksTheWrapperAndKeepsTheAnswer)
{
    guiManagerAppStateSet(GUI_SYS_STATE_ON);
    for (uint8_t sts : {0, 1, 2, 3}) {
        SCOPED_TRACE(static_cast<int>(sts));
        gEarc = sts;
        guiWidgetDispHome();
        EXPECT_EQ(guiOpsLastRequest().text, sts == 0 || sts == 2 ? "EARC" : " ARC");
        GuiWidgetSetting w{};
        guiWidgetSettingGet(&w);
        EXPECT_EQ(w.eArc_sts, sts);
    }
    GuiWidgetCbkTable none{};
    guiWidgetRegisterCbk(&none);
    guiWidgetDispSrc(0);
    EXPECT_EQ(guiOpsLastRequest().text, " ARC") << "no wrapper: the preset answer";
}

TEST_F(WidgetDispStatusTest, SideEffectsOfTheStatusTexts)
{
    guiManagerAppStateSet(GUI_SYS_STATE_ON);
    reset([](GuiWidgetSetting& w) { w.aud_src = 2; });
    guiWidgetDispWirelessAudioSts(2);
    EXPECT_EQ(gScreensaverCalls, 1);
    reset([](GuiWidgetSetting& w) {
        w.aud_src = 5;
        w.music_sts = 2;
    });
    guiWidgetDispWirelessAudioSts(2);
    EXPECT_EQ(gScreensaverCalls, 1) << "no screensaver while USB music plays";

    reset([](GuiWidgetSetting& w) { w.last_usb_file_idx = 3; });
    guiWidgetDispUDiskMusicSts(9, 2);
    GuiWidgetSetting w{};
    guiWidgetSettingGet(&w);
    EXPECT_EQ(w.last_usb_file_idx, 9u);

    reset([](GuiWidgetSetting& r) {
        r.shop_mode_en = 1;
        r.music_sts = 2;
    });
    EXPECT_FALSE(timerRunning(GUI_WIDGET_TIMER_SHOP_DISP));
    guiWidgetDispUDiskMusicSts(0, 2);
    EXPECT_TRUE(timerRunning(GUI_WIDGET_TIMER_SHOP_DISP)) << "the demo text comes back";

    reset([](GuiWidgetSetting& r) { r.mute_sts = 1; });
    guiWidgetDispUDiskMusicPlaying();
    EXPECT_TRUE(timerRunning(GUI_WIDGET_TIMER_MUTE_DISP));
    guiTimerSet(guiWidgetTimerGet(GUI_WIDGET_TIMER_MUTE_DISP), 0, 0);

    guiManagerAppStateSet(GUI_SYS_STATE_SRC_BT);
    reset([](GuiWidgetSetting& r) {
        r.mute_sts = 1;
        r.bt_sts = 6;
    });
    guiOpsLastRequestClear();
    guiWidgetDispBtSts(2);
    EXPECT_TRUE(timerRunning(GUI_WIDGET_TIMER_MUTE_DISP)) << "a connection change while muted";
    EXPECT_EQ(guiOpsLastRequest().text, "  BT");
}

TEST_F(WidgetDispStatusTest, BluetoothStatusWaitsForATimedTextToEnd)
{
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_BT);
    reset([](GuiWidgetSetting& w) { w.bt_sts = 5; });
    guiOpsDispStaticOnceStr("BS+1", 1, 5000, nullptr);
    guiWidgetDispBtSts(6);
    ASSERT_EQ(gPaced.size(), 30u) << "at most 30 checks";
    EXPECT_EQ(gPaced.front().second, 100u);
    EXPECT_EQ(guiOpsLastRequest().text, "  BT");

    gPaced.clear();
    reset([](GuiWidgetSetting& w) { w.bt_sts = 1; });
    guiOpsDispStaticOnceStr("BS+1", 1, 5000, nullptr);
    guiWidgetDispBtSts(4);
    EXPECT_TRUE(gPaced.empty()) << "a connection shows at once";
    guiOpsCleanDispBuf();
}

TEST_F(WidgetDispStatusTest, PacedReadOuts)
{
    struct Step {
        std::string text;
        uint32_t mode;
        uint32_t time;
        uint32_t off;
        uint32_t sleepMs;
    };
    auto expectSteps = [](const std::vector<Step>& steps) {
        ASSERT_EQ(gPaced.size(), steps.size());
        for (size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(steps[i].text);
            expectRequest(gPaced[i].first, steps[i].mode, steps[i].text, 1, steps[i].time, steps[i].off, HOME);
            EXPECT_EQ(gPaced[i].second, steps[i].sleepMs);
        }
        gPaced.clear();
    };

    GuiWidgetCbkTable table{};
    table.slot[GUI_WIDGET_CBK_WIDGET_SETTING_GET] = settingGet;
    guiWidgetRegisterCbk(&table);
    guiWidgetDispMenuParam();
    EXPECT_EQ(gSettingGetCalls, 1);
    expectSteps({{"CEN 3", ONCE, 5000, 0, 1000},
                 {"SRR 0", ONCE, 5000, 0, 1000},
                 {"SRL -5", ONCE, 5000, 0, 1000},
                 {"HGT 5", ONCE, 5000, 0, 1000}});

    uint8_t amp[GUI_WIDGET_AMP_STS_SIZE] = {0x2C, 0x01, 0, 0, 0, 0xA2, 0, 0, 0x0F, 0, 0, 0, 0, 0, 0, 0};
    guiWidgetDispAmpSts(amp);
    expectSteps({{"ERR:300", SCROLL1, 350, 0, 3500},
                 {"LR:R6A:a2", SCROLL1, 350, 0, 3500},
                 {"C:R6A:f", SCROLL1, 350, 0, 3500},
                 {"SKY:R6A:0", SCROLL1, 350, 0, 3500}});
    guiOpsLastRequestClear();
    guiWidgetDispAmpSts(nullptr);
    EXPECT_EQ(guiOpsLastRequest().mode, NONE);
    EXPECT_TRUE(gPaced.empty());
}

TEST_F(WidgetDispStatusTest, VersionReadOutSteps)
{
    char block[GUI_WIDGET_DSP_VER_SIZE] = {};
    memcpy(block, "V1.02xxxxxxxxxxB0003D0004E0005zz", sizeof(block));
    reset([](GuiWidgetSetting& w) {
        w.eq_mode = 2;
        w.bass = 8;
        w.center = 6;
        w.treble = 1;
        w.sur_vol = 12;
        w.wireless_aud_sts = 1;  // the read-out returns home even while the subwoofer pairs
    });
    const std::vector<std::pair<uint8_t, std::string>> steps = {
        {1, "V1.02"}, {2, "xxxxx"}, {3, "B0003"}, {4, "D0004"}, {5, "E0005"},
        {6, "GAME"},  {7, "BS+2"},  {8, "MR 0"},  {9, "TB-5"},  {10, "SR+6"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.second);
        guiOpsLastRequestClear();
        guiWidgetDispDspVer(s.first, block);
        expectRequest(guiOpsLastRequest(), ONCE, s.second, 1, 2000, 0, HOME);
    }
    for (uint8_t bad : {0, 11}) {
        guiOpsLastRequestClear();
        guiWidgetDispDspVer(bad, block);
        EXPECT_EQ(guiOpsLastRequest().mode, NONE);
    }
    guiWidgetDispDspVer(1, nullptr);
    EXPECT_EQ(guiOpsLastRequest().mode, NONE);
}

// On the simulated front display: a timed text ends and its follow-up puts up the idle picture.
class WidgetDispOnDisplayTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        GuiWidgetCbkTable none{};
        guiWidgetRegisterCbk(&none);
        guiManagerAppStateSet(GUI_SYS_STATE_ON);
        guiOpsInit();
    }
    void TearDown() override
    {
        guiOpsExit();
        guiManagerAppStateSet(GUI_SYS_STATE_OFF);
    }

    std::vector<std::string> frames()
    {
        std::vector<std::string> out;
        const std::string log = sandbox.exists("/sim/display.log") ? sandbox.read("/sim/display.log") : "";
        size_t at = 0;
        while ((at = log.find(" \"", log.find("frame ", at))) != std::string::npos) {
            const size_t end = log.find('"', at + 2);
            out.push_back(log.substr(at + 2, end - at - 2));
            at = end;
        }
        return out;
    }

    // Waits (bounded) until the display got `want` as its latest frames.
    bool framesEndWith(const std::vector<std::string>& want)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            const std::vector<std::string> got = frames();
            if (got.size() >= want.size() && std::equal(want.begin(), want.end(), got.end() - want.size())) {
                return true;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "frames: " << ::testing::PrintToString(got);
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
};

TEST_F(WidgetDispOnDisplayTest, TimedTextsFallBackToTheIdlePicture)
{
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord() = GuiWidgetSetting{};
        guiWidgetRecord().aud_src = 5;
        guiWidgetRecord().udisk_sts = 1;
        guiWidgetRecord().music_sts = 2;
        guiWidgetRecord().play_min = 1;
        guiWidgetRecord().play_sec = 5;
    }
    guiWidgetDispEqReset(300);
    EXPECT_TRUE(framesEndWith({"EQRS ", "01:05"}));

    // While the subwoofer pairs, the follow-up brings its blink back.
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord().wireless_aud_sts = 1;
        guiWidgetRecord().wireless_last_aud_sts = 0;
    }
    guiWidgetDispBass(7, 300);
    EXPECT_TRUE(framesEndWith({"BS+1 ", " SUB ", "     "}));
}

}  // namespace
