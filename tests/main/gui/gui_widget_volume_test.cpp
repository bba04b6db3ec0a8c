// The volume and mute widgets on the widget core: a recording wrapper table takes their slot calls,
// the simulator's front display shows their texts.
#include "main/gui/gui_ops.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/wrapper/gui_wrapper.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Call {
    uint32_t slot;
    int value;  // the byte behind the pointer, -1 without one
    bool operator==(const Call& o) const { return slot == o.slot && value == o.value; }
};
std::ostream& operator<<(std::ostream& os, const Call& c)
{
    return os << "{" << c.slot << "," << c.value << "}";
}

std::mutex gLock;
std::vector<Call> gCalls;

template <uint32_t Slot>
int32_t recordSlot(void* arg)
{
    std::lock_guard<std::mutex> guard(gLock);
    gCalls.push_back({Slot, arg != nullptr ? *static_cast<uint8_t*>(arg) : -1});
    return 0;
}

void recordSetting(GuiWrapperSettingId id, const GuiWidgetSetting*)
{
    std::lock_guard<std::mutex> guard(gLock);
    gCalls.push_back({1000 + id, -1});
}

constexpr uint32_t kSetVol = 1000 + GUI_WRAPPER_SETTING_VOL;
constexpr uint32_t kSetNightVol = 1000 + GUI_WRAPPER_SETTING_NIGHT_VOL;
constexpr uint32_t kSetMute = 1000 + GUI_WRAPPER_SETTING_MUTE;
constexpr uint32_t kVolSet = GUI_WIDGET_CBK_VOL_SET;
constexpr uint32_t kMuteSet = GUI_WIDGET_CBK_MUTE_SET;
constexpr uint32_t kBtPlay = GUI_WIDGET_CBK_BT_PLAY;
constexpr uint32_t kVolSync = GUI_WIDGET_CBK_VOL_SYNC;

class VolumeWidgetTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        guiOpsInit();
        GuiWidgetCbkTable table{};
        table.WidgetSettingSet = recordSetting;
        table.slot[GUI_WIDGET_CBK_VOL_SET] = recordSlot<GUI_WIDGET_CBK_VOL_SET>;
        table.slot[GUI_WIDGET_CBK_MUTE_SET] = recordSlot<GUI_WIDGET_CBK_MUTE_SET>;
        table.slot[GUI_WIDGET_CBK_BT_PLAY] = recordSlot<GUI_WIDGET_CBK_BT_PLAY>;
        table.slot[GUI_WIDGET_CBK_VOL_SYNC] = recordSlot<GUI_WIDGET_CBK_VOL_SYNC>;
        guiWidgetRegisterCbk(&table);
        guiWidgetInit();
        set(50, 0, 1, 0);
    }
    void TearDown() override
    {
        guiWidgetExit();
        guiOpsExit();
    }

    static void set(uint8_t vol, uint8_t muted, uint32_t eqMode, uint32_t audSrc)
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        GuiWidgetSetting& s = guiWidgetRecord();
        s.vol = vol;
        s.day_vol = eqMode == 5 ? s.day_vol : vol;
        s.mute_sts = muted;
        s.eq_mode = eqMode;
        s.aud_src = audSrc;
        std::lock_guard<std::mutex> guard(gLock);
        gCalls.clear();
    }
    static GuiWidgetSetting record()
    {
        GuiWidgetSetting s{};
        guiWidgetSettingGet(&s);
        return s;
    }
    static std::vector<Call> calls()
    {
        std::lock_guard<std::mutex> guard(gLock);
        return gCalls;
    }
    bool shows(const std::string& text) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            if (sandbox.exists("/sim/display.log") &&
                sandbox.read("/sim/display.log").find("\"" + text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

TEST_F(VolumeWidgetTest, OnePressStoresShowsAndSends)
{
    guiWidgetVolumeOnceProcess(0);
    EXPECT_EQ(record().vol, 51);
    EXPECT_EQ(record().day_vol, 51);
    EXPECT_EQ(calls(), (std::vector<Call>{{kSetVol, -1}, {kVolSet, 51}}));
    EXPECT_TRUE(shows("  51"));
}

TEST_F(VolumeWidgetTest, LimitsShowTheValueAndSendNothing)
{
    struct Case {
        uint8_t vol;
        uint8_t dir;
        const char* text;
    };
    for (const Case& c : {Case{100, 0, " 100"}, Case{0, 1, "   0"}}) {
        SCOPED_TRACE(c.text);
        set(c.vol, 0, 1, 0);
        guiWidgetVolumeOnceProcess(c.dir);
        EXPECT_EQ(record().vol, c.vol);
        EXPECT_TRUE(calls().empty());
        EXPECT_TRUE(shows(c.text));
    }
    guiWidgetVolumeOnceProcess(2);  // "Param Error!"
    EXPECT_TRUE(calls().empty());
}

TEST_F(VolumeWidgetTest, HeldKeyStepsByEight)
{
    struct Case {
        uint8_t from;
        uint8_t dir;
        uint8_t to;
    };
    for (const Case& c : {Case{50, 0, 58}, Case{95, 0, 100}, Case{5, 1, 0}, Case{9, 1, 1}}) {
        SCOPED_TRACE(int(c.from));
        set(c.from, 0, 1, 0);
        guiWidgetVolumeRepeatProcess(c.dir, 8);
        EXPECT_EQ(record().vol, c.to);
        EXPECT_EQ(calls(), (std::vector<Call>{{kSetVol, -1}, {kVolSet, c.to}}));
    }
}

TEST_F(VolumeWidgetTest, AVolumeEndsTheMuteByItsRules)
{
    struct Case {
        const char* name;
        uint8_t audSrc;
        void (*act)();
        std::vector<Call> calls;
        uint8_t mutedAfter;
    };
    const Case cases[] = {
        {"set 85 below the volume: stays muted",
         0,
         [] { guiWidgetVolumeSetProcess(85); },
         {{kSetVol, -1}, {kVolSet, 85}},
         1},
        {"set 95",
         0,
         [] { guiWidgetVolumeSetProcess(95); },
         {{kSetMute, -1}, {kMuteSet, 0}, {kSetVol, -1}, {kVolSet, 95}},
         0},
        {"set 80",
         0,
         [] { guiWidgetVolumeSetProcess(80); },
         {{kSetMute, -1}, {kMuteSet, 0}, {kSetVol, -1}, {kVolSet, 80}},
         0},
        {"set 0", 0, [] { guiWidgetVolumeSetProcess(0); }, {{kSetVol, -1}, {kVolSet, 0}}, 1},
        {"one press down", 0, [] { guiWidgetVolumeOnceProcess(1); }, {{kSetVol, -1}, {kVolSet, 89}}, 1},
        {"one press up, Bluetooth playing",
         3,
         [] { guiWidgetVolumeOnceProcess(0); },
         {{kSetMute, -1}, {kMuteSet, 0}, {kBtPlay, -1}, {kSetVol, -1}, {kVolSet, 91}},
         0},
        {"Bluetooth volume 79: no play command",
         3,
         [] { guiWidgetBtVolProcess(79); },
         {{kSetMute, -1}, {kMuteSet, 0}, {kSetVol, -1}, {kVolSync, 79}},
         0},
        {"Bluetooth volume 85", 3, [] { guiWidgetBtVolProcess(85); }, {{kSetVol, -1}, {kVolSync, 85}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        set(90, 1, 1, c.audSrc);
        c.act();
        EXPECT_EQ(calls(), c.calls);
        EXPECT_EQ(record().mute_sts, c.mutedAfter);
    }
    set(81, 1, 1, 0);
    guiWidgetVolumeOnceProcess(1);
    EXPECT_EQ(record().mute_sts, 0) << "muted at 81, one press down to 80";
}

TEST_F(VolumeWidgetTest, OutsideVolumesAreKeptToTheTablesAndBluetoothOnlyCountsForItsSource)
{
    guiWidgetVolumeSetProcess(150);
    EXPECT_EQ(record().vol, 100);
    EXPECT_EQ(calls(), (std::vector<Call>{{kSetVol, -1}, {kVolSet, 100}}));

    set(40, 0, 1, 0);
    guiWidgetBtVolProcess(30);  // not the Bluetooth source: "aud_src=0!"
    EXPECT_EQ(record().vol, 40);
    EXPECT_TRUE(calls().empty());

    set(40, 0, 1, 3);
    guiWidgetBtVolProcess(150);
    EXPECT_EQ(record().vol, 100);
    EXPECT_EQ(calls(), (std::vector<Call>{{kSetVol, -1}, {kVolSync, 100}}));
}

TEST_F(VolumeWidgetTest, TheSameVolumeOnlyShowsAndNightModeKeepsItsOwnCopy)
{
    guiWidgetVolumeSetProcess(50);
    EXPECT_TRUE(calls().empty());
    EXPECT_TRUE(shows("  50"));

    set(20, 0, 5, 0);
    guiWidgetVolumeSetProcess(30);
    EXPECT_EQ(record().night_vol, 30);
    EXPECT_EQ(record().day_vol, 50);
    EXPECT_EQ(calls(), (std::vector<Call>{{kSetNightVol, -1}, {kVolSet, 30}}));
}

TEST_F(VolumeWidgetTest, MuteShowsStoresAndSends)
{
    guiWidgetMuteToggleProcess();
    EXPECT_EQ(record().mute_sts, 1);
    EXPECT_EQ(calls(), (std::vector<Call>{{kSetMute, -1}, {kMuteSet, 1}}));
    EXPECT_TRUE(shows("MUTE"));

    set(50, 1, 1, 0);
    guiWidgetMuteToggleProcess();
    EXPECT_EQ(record().mute_sts, 0);
    EXPECT_EQ(calls(), (std::vector<Call>{{kSetMute, -1}, {kMuteSet, 0}}));

    set(50, 0, 1, 0);
    guiWidgetMuteSetProcess(1);
    EXPECT_EQ(record().mute_sts, 1);
    EXPECT_EQ(record().mute_toggle_play, 0);
    guiWidgetMuteSetProcess(0);
    EXPECT_EQ(record().mute_toggle_play, 1);
    EXPECT_EQ(calls(), (std::vector<Call>{{kSetMute, -1}, {kMuteSet, 1}, {kSetMute, -1}, {kMuteSet, 0}}));
}

}  // namespace
