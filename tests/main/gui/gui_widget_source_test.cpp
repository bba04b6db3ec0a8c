// Source and home widgets through the real widget core, with a wrapper table that records the
// slots it is given.
#include "main/gui/gui_manager.h"
#include "main/timerd/gui_timer.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/gui_widget_source.h"
#include "main/gui/wrapper/gui_wrapper.h"

#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <vector>

namespace {

using Call = std::pair<uint32_t, uint32_t>;  // slot, value behind its pointer

std::mutex gLock;
std::vector<Call> gCalls;
std::vector<GuiWrapperSettingId> gSettings;
uint8_t gPwrSrc = 0;

template <uint32_t S, typename T>
int32_t record(void* arg)
{
    std::lock_guard<std::mutex> lock(gLock);
    gCalls.push_back({S, arg != nullptr ? static_cast<uint32_t>(*static_cast<T*>(arg)) : 0});
    return 0;
}

int32_t pwrSrcGet(void* arg)
{
    *static_cast<uint8_t*>(arg) = gPwrSrc;
    return 0;
}

void settingSet(GuiWrapperSettingId id, const GuiWidgetSetting*)
{
    std::lock_guard<std::mutex> lock(gLock);
    gSettings.push_back(id);
}

// The GUI state a fresh process starts in, taken before any case changes it.
const uint32_t kFirstState = guiManagerAppStateGet();

class SourceWidgetTest : public sbtest::SandboxTest {
protected:
    SourceWidgetTest()
    {
        GuiWidgetCbkTable t{};
        t.slot[GUI_WIDGET_CBK_POWER_ON] = record<GUI_WIDGET_CBK_POWER_ON, uint32_t>;
        t.slot[GUI_WIDGET_CBK_HDMI_SRC_IN_SET] = record<GUI_WIDGET_CBK_HDMI_SRC_IN_SET, uint32_t>;
        t.slot[GUI_WIDGET_CBK_HDMI_PWR_SRC_GET] = pwrSrcGet;
        t.slot[GUI_WIDGET_CBK_FORCE_SRC_IN_CLR] = record<GUI_WIDGET_CBK_FORCE_SRC_IN_CLR, uint32_t>;
        t.slot[GUI_WIDGET_CBK_MANUAL_SRC_IN_SET] = record<GUI_WIDGET_CBK_MANUAL_SRC_IN_SET, uint32_t>;
        t.slot[GUI_WIDGET_CBK_BT_SRC_IN_SET] = record<GUI_WIDGET_CBK_BT_SRC_IN_SET, uint32_t>;
        t.slot[GUI_WIDGET_CBK_MUSIC_NOISE_CLR] = record<GUI_WIDGET_CBK_MUSIC_NOISE_CLR, uint32_t>;
        t.slot[GUI_WIDGET_CBK_POP_MUTE_SET] = record<GUI_WIDGET_CBK_POP_MUTE_SET, uint8_t>;
        t.slot[GUI_WIDGET_CBK_MUTE_SET] = record<GUI_WIDGET_CBK_MUTE_SET, uint8_t>;
        t.WidgetSettingSet = settingSet;
        // The record outlives the widgets' exit: each case starts from the fresh process's record.
        set([](GuiWidgetSetting& s) { s = GuiWidgetSetting{}; });
        guiManagerAppStateSet(kFirstState);
        guiWidgetRegisterCbk(&t);
        guiWidgetInit();
        calls();
        gPwrSrc = 0;
    }
    ~SourceWidgetTest() override { guiWidgetExit(); }

    static std::vector<Call> calls()
    {
        std::lock_guard<std::mutex> lock(gLock);
        std::vector<Call> out;
        out.swap(gCalls);
        gSettings.clear();
        return out;
    }
    template <typename F>
    static void set(F f)
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        f(guiWidgetRecord());
    }
    static GuiWidgetSetting rec()
    {
        GuiWidgetSetting s{};
        guiWidgetSettingGet(&s);
        return s;
    }
    static bool armed(GuiWidgetTimer t) { return guiTimerActiveStsGet(guiWidgetTimerGet(t)) != 0; }
};

TEST_F(SourceWidgetTest, TheSameSourceOnlyRedrawsWhileTheToggleAlwaysSwitches)
{
    set([](GuiWidgetSetting& s) { s.aud_src = 2; });
    guiWidgetSrcSelProcess(2, 1);
    EXPECT_TRUE(calls().empty());

    guiManagerAppStateSet(GUI_SYS_STATE_SRC_OPT);
    guiWidgetSrcSelProcess(4, 1);
    EXPECT_EQ(calls(), (std::vector<Call>{{GUI_WIDGET_CBK_FORCE_SRC_IN_CLR, 2},
                                          {GUI_WIDGET_CBK_POP_MUTE_SET, 1},
                                          {GUI_WIDGET_CBK_MANUAL_SRC_IN_SET, 4}}));
    EXPECT_EQ(rec().aud_src, 4u);
    EXPECT_EQ(rec().src_gst_sts, 1u);
    EXPECT_EQ(guiManagerAppStateGet(), static_cast<uint32_t>(GUI_SYS_STATE_SRC_AUX));

    // USB (5) wraps round to ARC (0), even onto the current source.
    set([](GuiWidgetSetting& s) {
        s.aud_src = 5;
        s.src_gst_sts = 2;
    });
    guiWidgetSrcToggleProcess();
    EXPECT_EQ(rec().aud_src, 0u);
    EXPECT_EQ(calls().back(), Call(GUI_WIDGET_CBK_MANUAL_SRC_IN_SET, 0));
}

TEST_F(SourceWidgetTest, APendingSwitchWaitsThreeRetriesThenGoesAhead)
{
    set([](GuiWidgetSetting& s) {
        s.aud_src = 0;
        s.src_gst_sts = 1;
    });
    guiWidgetSrcSelProcess(1, 1);
    EXPECT_TRUE(armed(GUI_WIDGET_TIMER_SRC_TOGGLE));
    EXPECT_EQ(rec().src_sel_retry_cnt, 3);
    calls();
    guiTimerSet(guiWidgetTimerGet(GUI_WIDGET_TIMER_SRC_TOGGLE), 0, 0);  // driven by hand below
    for (uint8_t left : {2, 1, 0}) {
        guiWidgetSrcSelTimeoutCbk(0);
        EXPECT_EQ(rec().src_sel_retry_cnt, left);
        guiTimerSet(guiWidgetTimerGet(GUI_WIDGET_TIMER_SRC_TOGGLE), 0, 0);
    }
    EXPECT_TRUE(calls().empty());
    guiWidgetSrcSelTimeoutCbk(0);
    EXPECT_EQ(calls(), (std::vector<Call>{{GUI_WIDGET_CBK_MANUAL_SRC_IN_SET, 1}}));
    guiWidgetSrcToggleDoneProcess(1);
    EXPECT_EQ(rec().src_gst_sts, 2u);
}

TEST_F(SourceWidgetTest, MutedSelectionsUnmuteLaterExceptBluetoothAtOnce)
{
    set([](GuiWidgetSetting& s) {
        s.aud_src = 0;
        s.mute_sts = 1;
    });
    guiWidgetSrcSelProcess(2, 1);
    EXPECT_EQ(rec().mute_sts, 0);
    EXPECT_TRUE(armed(GUI_WIDGET_TIMER_UNMUTE));
    for (const Call& c : calls()) {
        EXPECT_NE(c.first, GUI_WIDGET_CBK_POP_MUTE_SET);
    }
    guiWidgetUnMuteTimeoutCbk(0);
    EXPECT_EQ(calls(), (std::vector<Call>{{GUI_WIDGET_CBK_MUTE_SET, 0}}));

    set([](GuiWidgetSetting& s) { s.mute_sts = 1; });
    guiWidgetSrcSelProcess(3, 1);
    const std::vector<Call> bt = calls();
    ASSERT_GE(bt.size(), 2u);
    EXPECT_EQ(bt[0], Call(GUI_WIDGET_CBK_MUTE_SET, 0));
    EXPECT_EQ(bt[1], Call(GUI_WIDGET_CBK_FORCE_SRC_IN_CLR, 2));
    EXPECT_EQ(rec().aud_src, 3u);
    EXPECT_EQ(guiManagerAppStateGet(), static_cast<uint32_t>(GUI_SYS_STATE_SRC_BT));
    EXPECT_TRUE(armed(GUI_WIDGET_TIMER_SRC_BT));
    guiWidgetSrcBtProcess();  // already Bluetooth: the module is only asked for its source
    EXPECT_EQ(calls(), (std::vector<Call>{{GUI_WIDGET_CBK_BT_SRC_IN_SET, 0}}));
}

TEST_F(SourceWidgetTest, HomeShowTakesTheHdmiPowerSourceAndPowersTheRestOn)
{
    struct Case {
        uint8_t pwrSrc;
        uint32_t stored;
        uint32_t shown;
    };
    for (const Case& c : {Case{2, 4, 1}, Case{1, 4, 0}, Case{0, 4, 4}}) {
        gPwrSrc = c.pwrSrc;
        set([&c](GuiWidgetSetting& s) { s.aud_src = c.stored; });
        calls();
        guiWidgetHomeShowProcess();
        EXPECT_EQ(rec().aud_src, c.shown) << int(c.pwrSrc);
        EXPECT_EQ(calls(), (std::vector<Call>{{GUI_WIDGET_CBK_POWER_ON, 0}}));
    }
}

TEST_F(SourceWidgetTest, ProductTestNeedsAMountedStick)
{
    EXPECT_NE(guiWidgetPdtModeChk(), 0);
    EXPECT_EQ(guiWidgetDirIsExist(nullptr), 0);
    sandbox.write("/tmp/marker", "");
    EXPECT_EQ(guiWidgetDirIsExist("/tmp/marker"), 1);
}

}  // namespace
