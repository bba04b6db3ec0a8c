// The widgets' display texts: value in, the display request out (mode, text, count, times and
// the follow-up), one table row per case; and the five bytes each text puts on the simulated front
// display.
#include "main/gui/gui_ops_priv.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/gui_widget_disp.h"

#include "tests/support/sandbox.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr uint32_t NONE = GUI_OPS_DISP_MODE_NONE;
constexpr uint32_t STATIC = GUI_OPS_DISP_MODE_STATIC;
constexpr uint32_t ONCE = GUI_OPS_DISP_MODE_STATIC_ONCE;
constexpr uint32_t BLINK = GUI_OPS_DISP_MODE_BLINK;
constexpr uint32_t BLINK1 = GUI_OPS_DISP_MODE_BLINK_ONCE;
constexpr uint32_t SCROLL = GUI_OPS_DISP_MODE_SCROLL;
constexpr uint32_t SCROLL1 = GUI_OPS_DISP_MODE_SCROLL_ONCE;
constexpr uint32_t BREATH = GUI_OPS_DISP_MODE_BREATH;

const GuiOpsDispCbk HOME = guiWidgetDispHome;
const GuiOpsDispCbk HIST = guiWidgetDispHistory;
const GuiOpsDispCbk IDLE = guiWidgetDispIdleMark;
const GuiOpsDispCbk TV = guiWidgetDispTv;

struct Case {
    const char* name;
    std::function<void()> build;
    uint32_t mode;
    std::string text;
    uint16_t count;
    uint32_t time;
    uint32_t off;
    GuiOpsDispCbk done;
};

using WidgetDispTest = sbtest::SandboxTest;

void setPairing(uint32_t sts)
{
    std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
    guiWidgetRecord().wireless_aud_sts = sts;
}

TEST_F(WidgetDispTest, EveryBuilder)
{
    GuiUpgradePercent pct{5, 42, 0, 0};
    GuiUpgradePercent bad{8, 42, 0, 0};
    const std::vector<Case> cases = {
        {"bass above", [] { guiWidgetDispBass(9, 5000); }, ONCE, "BS+3", 1, 5000, 0, HOME},
        {"bass neutral", [] { guiWidgetDispBass(6, 1000); }, ONCE, "BS 0", 1, 1000, 0, HOME},
        {"bass below", [] { guiWidgetDispBass(5, 5000); }, ONCE, "BS-1", 1, 5000, 0, HOME},
        {"bass out of range", [] { guiWidgetDispBass(13, 5000); }, NONE, "", 0, 0, 0, nullptr},
        {"treble", [] { guiWidgetDispTreble(0, 5000); }, ONCE, "TB-6", 1, 5000, 0, HOME},
        {"centre", [] { guiWidgetDispCenter(12, 5000); }, ONCE, "MR+6", 1, 5000, 0, HOME},
        {"surround", [] { guiWidgetDispSurround(7, 2000); }, ONCE, "SR+1", 1, 2000, 0, HOME},
        {"surround level", [] { guiWidgetDispSurVol(6, 5000); }, ONCE, "SR 0", 1, 5000, 0, HOME},
        {"surround right", [] { guiWidgetDispSurroundRight(5, 5000); }, ONCE, "SRR 0", 1, 5000, 0, HOME},
        {"surround right out", [] { guiWidgetDispSurroundRight(11, 5000); }, NONE, "", 0, 0, 0, nullptr},
        {"surround left", [] { guiWidgetDispSurroundLeft(1, 5000); }, ONCE, "SRL-4", 1, 5000, 0, HOME},
        {"height", [] { guiWidgetDispHeight(3); }, ONCE, "UP 0", 1, 5000, 0, HOME},
        {"height below", [] { guiWidgetDispHeight(2); }, ONCE, "UP-1", 1, 5000, 0, HOME},
        {"height out", [] { guiWidgetDispHeight(7); }, NONE, "", 0, 0, 0, nullptr},
        {"eq movie", [] { guiWidgetDispEq(1, 5000); }, ONCE, "MOVI", 1, 5000, 0, HOME},
        {"eq custom", [] { guiWidgetDispEq(7, 5000); }, ONCE, "EQST", 1, 5000, 0, HOME},
        {"eq out", [] { guiWidgetDispEq(8, 5000); }, NONE, "", 0, 0, 0, nullptr},
        {"eq reset", [] { guiWidgetDispEqReset(2000); }, ONCE, "EQRS", 1, 2000, 0, HOME},
        {"volume 100", [] { guiWidgetDispVolume(100, 5000); }, ONCE, " 100", 1, 5000, 0, HOME},
        {"volume 7", [] { guiWidgetDispVolume(7, 5000); }, ONCE, "  07", 1, 5000, 0, HOME},
        {"volume 0", [] { guiWidgetVolDispHistorySet(0, 5000); }, ONCE, "   0", 1, 5000, 0, HOME},
        {"volume 101", [] { guiWidgetDispVolume(101, 5000); }, NONE, "", 0, 0, 0, nullptr},
        {"tone volume", [] { guiWidgetDispToneVolume(2, 5000); }, ONCE, "PT 2", 1, 5000, 0, HOME},
        {"lcd dimmer", [] { guiWidgetDispLcdDimmer(4); }, ONCE, "DIM 4", 1, 5000, 0, HOME},
        {"led dimmer", [] { guiWidgetDispLedDimmer(5); }, SCROLL1, "LED 100", 1, 350, 1000, HOME},
        {"led dimmer off", [] { guiWidgetDispLedDimmer(0); }, SCROLL1, "LED OFF", 1, 350, 1000, HOME},
        {"auto standby", [] { guiWidgetDispAutoStandby(3, 5000); }, ONCE, "S4H ", 1, 5000, 0, HOME},
        {"auto standby 9", [] { guiWidgetDispAutoStandby(9, 5000); }, NONE, "", 0, 0, 0, nullptr},
        {"screensaver", [] { guiWidgetDispAutoScreensaver(3, 5000); }, ONCE, "000S", 1, 5000, 0, HOME},
        {"screensaver 4", [] { guiWidgetDispAutoScreensaver(4, 5000); }, NONE, "", 0, 0, 0, nullptr},
        {"usb play mode", [] { guiWidgetDispUdiskPlayMode(1); }, ONCE, "ONE", 1, 5000, 0, HOME},
        {"surround on", [] { guiWidgetDispSurEn(1, 1000); }, SCROLL1, "SUR ON", 1, 350, 1000, HOME},
        {"virtual x off", [] { guiWidgetDispVirtualX(0, 0); }, SCROLL1, "VRT X OFF", 1, 350, 0, HOME},
        {"upmix on", [] { guiWidgetDispXupmix(1, 1000); }, SCROLL1, "XUPMIX ON    XUPMIX ON", 1, 150, 1000, HOME},
        {"sales area 0", [] { guiWidgetDispSalesArea(0); }, SCROLL1, "USA", 1, 350, 1000, HOME},
        {"sales area 1", [] { guiWidgetDispSalesArea(1); }, SCROLL1, "OTHER", 1, 350, 1000, HOME},
        {"shop on", [] { guiWidgetDispShopMode(1); }, SCROLL, "DEMO ON", 0, 350, 0, nullptr},
        {"shop off", [] { guiWidgetDispShopMode(0); }, SCROLL1, "DEMO OFF", 1, 350, 1000, HOME},
        {"bypass on", [] { guiWidgetDispBypass(1); }, ONCE, "FLAT", 1, 5000, 0, HOME},
        {"bypass off", [] { guiWidgetDispBypass(0); }, SCROLL1, "EXIT", 1, 350, 1000, HOME},
        {"standard test", [] { guiWidgetDispStandardTest(1); }, SCROLL1, "STANDARD", 1, 350, 1000, HOME},
        {"standard test off", [] { guiWidgetDispStandardTest(0); }, NONE, "", 0, 0, 0, nullptr},
        {"eq test", [] { guiWidgetDispEqTest(1); }, SCROLL1, "EQ Test", 1, 350, 1000, HOME},
        {"pcba", [] { guiWidgetDispPcbaTest(1); }, STATIC, "PCBA", 0, 5000, 0, nullptr},
        {"machine test", [] { guiWidgetDispMachineTest(1); }, STATIC, "PDT", 0, 5000, 0, nullptr},
        {"erp", [] { guiWidgetDispErp(1); }, STATIC, "ERP", 0, 5000, 0, nullptr},
        {"product test", [] { guiWidgetDispPdtMode(); }, STATIC, "TEST", 0, 5000, 0, nullptr},
        {"factory reset with home", [] { guiWidgetDispFactoryReset(1); }, SCROLL1, "RSET", 1, 350, 1000, HOME},
        {"factory reset", [] { guiWidgetDispFactoryReset(0); }, ONCE, "RSET", 5, 5000, 0, IDLE},
        {"power idle", [] { guiWidgetDispPowerIdle(); }, BLINK1, "----", 3, 500, 500, IDLE},
        {"idle mark", [] { guiWidgetDispIdleMark(); }, STATIC, "-   ", 0, 5000, 0, nullptr},
        {"power on", [] { guiWidgetDispPowerOnBlink(); }, BLINK, "----", 0, 500, 500, nullptr},
        {"blank", [] { guiWidgetDispBlank(); }, STATIC, "    ", 0, 5000, 0, nullptr},
        {"tv", [] { guiWidgetDispTv(); }, SCROLL, "- TV -", 0, 350, 0, nullptr},
        {"tv blink kept", [] { guiWidgetDispTvBlink(1); }, BLINK1, "- TV -", 1, 500, 500, TV},
        {"tv blink", [] { guiWidgetDispTvBlink(0); }, BLINK1, "- TV -", 1, 500, 500, HOME},
        {"scan", [] { guiWidgetDispScan(); }, BREATH, "SCAN", 0, 0, 0, nullptr},
        {"download", [] { guiWidgetDispDownLoad(); }, STATIC, "UP--", 0, 5000, 0, nullptr},
        {"percent", [&] { guiWidgetDispPercent(&pct); }, STATIC, "SL 42", 0, 5000, 0, nullptr},
        {"percent unknown module", [&] { guiWidgetDispPercent(&bad); }, NONE, "", 0, 0, 0, nullptr},
        {"file index", [] { guiWidgetDispUDiskFileIdx(12); }, ONCE, "0012", 1, 5000, 0, HOME},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        guiOpsLastRequestClear();
        c.build();
        const GuiOpsRequest r = guiOpsLastRequest();
        EXPECT_EQ(r.mode, c.mode);
        EXPECT_EQ(r.text, c.text);
        EXPECT_EQ(r.count, c.count);
        EXPECT_EQ(r.timeMs, c.time);
        EXPECT_EQ(r.offMs, c.off);
        EXPECT_EQ(r.done, c.done);
    }
}

TEST_F(WidgetDispTest, FollowUpIsHistoryWhileTheSubwooferPairs)
{
    setPairing(1);
    guiWidgetDispBass(6, 5000);
    EXPECT_EQ(guiOpsLastRequest().done, HIST);
    guiWidgetDispSurVol(6, 5000);
    EXPECT_EQ(guiOpsLastRequest().done, HOME) << "the surround level always returns home";
    setPairing(0);

    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord().music_sts = 1;
    }
    guiOpsLastRequestClear();
    guiWidgetDispPlayTime(3, 7);
    EXPECT_EQ(guiOpsLastRequest().mode, NONE) << "only while playing";
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord().music_sts = 2;
    }
    guiWidgetDispPlayTime(3, 7);
    EXPECT_EQ(guiOpsLastRequest().text, "03:07");
    EXPECT_EQ(guiOpsLastRequest().done, HIST);
    guiWidgetDispUDiskFileIdx(77);
    GuiWidgetSetting w{};
    guiWidgetSettingGet(&w);
    EXPECT_EQ(w.last_usb_file_idx, 77u);
}

// The five bytes of every frame the simulated display was given, in order.
std::vector<std::string> displayFrames(const sbtest::Sandbox& sandbox)
{
    std::vector<std::string> out;
    const std::string log = sandbox.exists("/sim/display.log") ? sandbox.read("/sim/display.log") : "";
    for (size_t at = log.find("frame "); at != std::string::npos; at = log.find("frame ", at + 1)) {
        std::string frame;
        for (size_t cell = 0; cell < 5; ++cell) {
            frame += static_cast<char>(strtoul(log.substr(at + 6 + 3 * cell, 2).c_str(), nullptr, 16));
        }
        out.push_back(frame);
    }
    return out;
}

class WidgetDispFrameTest : public sbtest::SimTest {
protected:
    void SetUp() override { guiOpsInit(); }
    void TearDown() override { guiOpsExit(); }
};

// What reaches the display: the text in its first frame, a NUL in every dark cell behind a short
// text (spaces only where the text has them), the first five characters of a scrolling text.
TEST_F(WidgetDispFrameTest, FirstFrameOfEveryBuilder)
{
    GuiUpgradePercent pct{5, 42, 0, 0};
    GuiUpgradePercent bare{7, 3, 0, 0};
    struct FrameCase {
        const char* name;
        std::function<void()> build;
        std::string frame;
    };
    const std::vector<FrameCase> cases = {
        {"bass above", [] { guiWidgetDispBass(9, 5000); }, "BS+3\0"s},
        {"bass neutral", [] { guiWidgetDispBass(6, 5000); }, "BS 0\0"s},
        {"treble below", [] { guiWidgetDispTreble(0, 5000); }, "TB-6\0"s},
        {"centre", [] { guiWidgetDispCenter(12, 5000); }, "MR+6\0"s},
        {"surround", [] { guiWidgetDispSurround(7, 5000); }, "SR+1\0"s},
        {"surround level", [] { guiWidgetDispSurVol(4, 5000); }, "SR-2\0"s},
        {"surround right", [] { guiWidgetDispSurroundRight(10, 5000); }, "SRR+5"s},
        {"surround left", [] { guiWidgetDispSurroundLeft(5, 5000); }, "SRL 0"s},
        {"height", [] { guiWidgetDispHeight(6); }, "UP+3\0"s},
        {"eq", [] { guiWidgetDispEq(4, 5000); }, "SPRT\0"s},
        {"eq reset", [] { guiWidgetDispEqReset(5000); }, "EQRS\0"s},
        {"volume 100", [] { guiWidgetDispVolume(100, 5000); }, " 100\0"s},
        {"volume 7", [] { guiWidgetVolDispHistorySet(7, 5000); }, "  07\0"s},
        {"volume 0", [] { guiWidgetDispVolume(0, 5000); }, "   0\0"s},
        {"tone volume", [] { guiWidgetDispToneVolume(3, 5000); }, "PT 3\0"s},
        {"lcd dimmer", [] { guiWidgetDispLcdDimmer(2); }, "DIM 2"s},
        {"led dimmer", [] { guiWidgetDispLedDimmer(1); }, "LED 2"s},
        {"auto standby", [] { guiWidgetDispAutoStandby(4, 5000); }, "S8H \0"s},
        {"screensaver", [] { guiWidgetDispAutoScreensaver(1, 5000); }, "030S\0"s},
        {"usb play mode", [] { guiWidgetDispUdiskPlayMode(0); }, "ALL\0\0"s},
        {"surround on", [] { guiWidgetDispSurEn(1, 1000); }, "SUR O"s},
        {"virtual x", [] { guiWidgetDispVirtualX(1, 1000); }, "VRT X"s},
        {"upmix", [] { guiWidgetDispXupmix(0, 1000); }, "XUPMI"s},
        {"sales area", [] { guiWidgetDispSalesArea(0); }, "USA\0\0"s},
        {"shop on", [] { guiWidgetDispShopMode(1); }, "DEMO "s},
        {"bypass on", [] { guiWidgetDispBypass(1); }, "FLAT\0"s},
        {"bypass off", [] { guiWidgetDispBypass(0); }, "EXIT\0"s},
        {"standard test", [] { guiWidgetDispStandardTest(1); }, "STAND"s},
        {"eq test", [] { guiWidgetDispEqTest(1); }, "EQ Te"s},
        {"pcba", [] { guiWidgetDispPcbaTest(1); }, "PCBA\0"s},
        {"machine test", [] { guiWidgetDispMachineTest(1); }, "PDT\0\0"s},
        {"erp", [] { guiWidgetDispErp(1); }, "ERP\0\0"s},
        {"product test", [] { guiWidgetDispPdtMode(); }, "TEST\0"s},
        {"factory reset", [] { guiWidgetDispFactoryReset(0); }, "RSET\0"s},
        {"power idle", [] { guiWidgetDispPowerIdle(); }, "----\0"s},
        {"idle mark", [] { guiWidgetDispIdleMark(); }, "-   \0"s},
        {"power on", [] { guiWidgetDispPowerOnBlink(); }, "----\0"s},
        {"blank", [] { guiWidgetDispBlank(); }, "    \0"s},
        {"tv", [] { guiWidgetDispTv(); }, "- TV "s},
        {"tv blink", [] { guiWidgetDispTvBlink(0); }, "- TV "s},
        {"scan", [] { guiWidgetDispScan(); }, "SCAN\0"s},
        {"download", [] { guiWidgetDispDownLoad(); }, "UP--\0"s},
        {"percent", [&] { guiWidgetDispPercent(&pct); }, "SL 42"s},
        {"percent without module", [&] { guiWidgetDispPercent(&bare); }, "  3\0\0"s},
        {"file index", [] { guiWidgetDispUDiskFileIdx(345); }, "0345\0"s},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.frame.size(), 5u);
        // A frame still on its way from the request before may land after this count, so the
        // case looks for its frame among all that come after it.
        guiOpsCleanDispBuf();
        const size_t before = displayFrames(sandbox).size();
        c.build();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::vector<std::string> after;
        for (;;) {
            const std::vector<std::string> all = displayFrames(sandbox);
            after.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
            if (std::find(after.begin(), after.end(), c.frame) != after.end() ||
                std::chrono::steady_clock::now() > deadline) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_TRUE(std::find(after.begin(), after.end(), c.frame) != after.end())
            << "wanted " << ::testing::PrintToString(c.frame) << ", got " << ::testing::PrintToString(after);
    }
}

}  // namespace
