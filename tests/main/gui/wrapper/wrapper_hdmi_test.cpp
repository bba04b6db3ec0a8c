// The HDMI wrapper against the board simulator's HDMI transmitter and GPIO nodes, a recording
// state manager on the real application framework, and the GUI messages recorded in place of the
// GUI manager's queue: what reaches the driver, the source messages, the TV reports filtered by the
// GUI state and their timers, and the source slots that fan out to it.
#include "main/gui/wrapper/wrapper_hdmi.h"

#include "main/am/aee/aee.h"
#include "main/gui/link/wrapper_hdmi_upgrade.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/gui_wrapper.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_power.h"
#include "main/state_mngr/msg/sm_msg.h"
#include "platform/sbdev/hdmitx_ioctl.h"
#include "tests/support/app_support.h"
#include "tests/support/sim_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {
std::mutex gPostedLock;
std::vector<std::vector<int>> gPosted;
}  // namespace

// The GUI messages the wrapper posts, recorded in place of the GUI manager's queue.
extern "C" int32_t __wrap__Z19guiManagerAppMsgSndPK6GuiMsg(const GuiMsg* msg)
{
    std::vector<int> m{msg->msg_id};
    for (int i = 0; i < msg->msg_size; ++i) {
        m.push_back(msg->data[i]);
    }
    std::lock_guard<std::mutex> guard(gPostedLock);
    gPosted.push_back(m);
    return 0;
}

// The Bluetooth module's source calls, recorded on their way (the module's frames are its own
// tests' to follow).
std::mutex gBtLock;
std::vector<std::string> gBt;

void recordBt(std::string call)
{
    std::lock_guard<std::mutex> guard(gBtLock);
    gBt.push_back(std::move(call));
}

extern "C" void __wrap__Z20guiWrapperBtSrcInClrv()
{
    recordBt("clear");
}

extern "C" void __wrap__Z26guiWrapperBtManualSrcInSetj(uint32_t src)
{
    recordBt("manual " + std::to_string(src));
}

extern "C" void __wrap__Z27guiWrapperBtRoutingSrcInSetj(uint32_t route)
{
    recordBt("routing " + std::to_string(route));
}

namespace {

std::vector<std::string> btCalls()
{
    std::lock_guard<std::mutex> guard(gBtLock);
    return gBt;
}

using SmMsg = std::pair<uint32_t, uint32_t>;  // {ui4_sender_id, ui4_msg_type}

class HdmiWrapperTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        apptest::startFramework();
        sm_ = &apptest::runningRecorder("state_mngr");
        sm_->clearMessages();
        {
            std::lock_guard<std::mutex> guard(gPostedLock);
            gPosted.clear();
        }
        {
            std::lock_guard<std::mutex> guard(gBtLock);
            gBt.clear();
        }
        guiManagerAppStateSet(GUI_SYS_STATE_SRC_ARC);
        guiWrapperHdmiInit();
    }
    void TearDown() override { guiWrapperHdmiExit(); }

    // The transmitter's setter requests so far ("SET_VOLUME 33"), in order.
    std::vector<std::string> setters() const
    {
        std::vector<std::string> out;
        std::istringstream in(sandbox.exists("/sim/hdmitx.log") ? sandbox.read("/sim/hdmitx.log") : "");
        for (std::string line; std::getline(in, line);) {
            const std::string text = line.substr(line.find(' ') + 1);
            if (text.rfind("SET_", 0) == 0) {
                out.push_back(text);
            }
        }
        return out;
    }
    std::vector<std::string> settersSince(size_t& mark) const
    {
        const std::vector<std::string> all = setters();
        std::vector<std::string> out(all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end());
        mark = all.size();
        return out;
    }
    std::vector<SmMsg> smMessages() const
    {
        std::vector<SmMsg> out;
        for (const apptest::ReceivedMsg& m : sm_->messages()) {
            appmsg_t body{};
            if (m.msgId == E_APP_MSG_TYPE_USER_CMD && m.data.size() == sizeof(body)) {
                std::memcpy(&body, m.data.data(), sizeof(body));
                out.emplace_back(body.ui4_sender_id, body.ui4_msg_type);
            }
        }
        return out;
    }
    static std::vector<std::vector<int>> posted()
    {
        std::lock_guard<std::mutex> guard(gPostedLock);
        return gPosted;
    }
    static bool postedCount(size_t n)
    {
        return apptest::eventually([n] { return posted().size() >= n; });
    }
    std::string wrapperCalls() const
    {
        return sandbox.exists("/sim/gui_wrapper.log") ? sandbox.read("/sim/gui_wrapper.log") : "";
    }

    apptest::TestApp* sm_ = nullptr;
};

TEST_F(HdmiWrapperTest, SettersReachTheDriverOnlyWhenTheirValueChanges)
{
    size_t mark = 0;
    settersSince(mark);
    GuiWrapperSetting s = gGuiWrapperDefaultSetting[0];
    const auto vol = [](uint8_t v) { guiWrapperHdmiVolSet(&v); };
    const auto mute = [](uint8_t m) { guiWrapperHdmiMuteSet(&m); };
    struct Case {
        const char* name;
        std::function<void()> act;
        std::vector<std::string> sent;
    };
    const Case cases[] = {
        {"volume 0 to 1 unmutes first", [&] { vol(1); }, {"SET_MUTE 00", "SET_VOLUME 01"}},
        {"same volume", [&] { vol(1); }, {}},
        {"volume step", [&] { vol(51); }, {"SET_VOLUME 33"}},
        {"mute", [&] { mute(1); }, {"SET_MUTE 01"}},
        {"same mute", [&] { mute(1); }, {}},
        {"cold power on: night volume and shop mode",
         [&] {
             s.eq_mode = GUI_EQ_MODE_NIGHT;
             s.night_vol = 20;
             s.shop_mode_en = 1;
             const GuiWrapperPwrObj pwr{1, 1, &s};
             guiWrapperHdmiPowerOn(&pwr);
         },
         {"SET_VOLUME 14", "SET_SHOP_MODE 01"}},
        {"warm power on: no shop mode",
         [&] {
             s.eq_mode = 1;
             s.vol = 30;
             const GuiWrapperPwrObj pwr{1, 0, &s};
             guiWrapperHdmiPowerOn(&pwr);
         },
         {"SET_VOLUME 1e"}},
        {"power idle", [&] { guiWrapperHdmiPowerIdle(&s); }, {"SET_POWER_IDLE 00"}},
        {"power off without auto wake",
         [&] {
             s.auto_wake_en = 0;
             guiWrapperHdmiPowerOff(&s);
         },
         {"SET_SRC_STS 03"}},
        {"power off with auto wake",
         [&] {
             s.auto_wake_en = 1;
             guiWrapperHdmiPowerOff(&s);
         },
         {}},
        {"source status out of range", [&] { guiWrapperHdmiSrcStsSet(6); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.act();
        EXPECT_EQ(settersSince(mark), c.sent);
    }
}

TEST_F(HdmiWrapperTest, SourceStatusIsTriedAgainWhileTheDriverRefusesIt)
{
    struct Case {
        const char* failures;
        size_t sent;
    };
    for (const Case c : {Case{"2", 3}, Case{"", 6}}) {
        SCOPED_TRACE(c.failures);
        size_t mark = 0;
        settersSince(mark);
        sim.ctl(std::string("hdmitx fail SET_SRC_STS ") + c.failures);
        guiWrapperHdmiSrcStsSet(1);
        EXPECT_EQ(settersSince(mark), std::vector<std::string>(c.sent, "SET_SRC_STS 01"));
        sim.ctl("hdmitx fail SET_SRC_STS 0");
    }
}

TEST_F(HdmiWrapperTest, GettersReadTheDriverAndAFailureLeavesTheOutputAlone)
{
    sim.ctl("hdmitx set GET_PWR_SRC 02");
    sim.ctl("hdmitx words GET_VERSION 0x10203");
    uint8_t pwrSrc = 0;
    guiWrapperHdmiPwrSrcGet(&pwrSrc);
    EXPECT_EQ(pwrSrc, 2);
    uint32_t version = 0;
    guiWrapperHdmiVersionGet(&version);
    EXPECT_EQ(version, 0x10203u);
    sim.ctl("hdmitx fail GET_PWR_SRC");
    pwrSrc = 7;
    guiWrapperHdmiPwrSrcGet(&pwrSrc);
    EXPECT_EQ(pwrSrc, 7);
    sim.ctl("hdmitx missing on");
    EXPECT_EQ(guiWrapperHdmiCecIoctl(KVX_HDMI_GET_PWR_SRC, &pwrSrc), 1);
}

TEST_F(HdmiWrapperTest, SourceSetAndClearAskTheStateManager)
{
    const uint32_t hdmiIn = 1;
    const uint32_t arc = 0;
    const uint32_t routingHdmiIn = 2;
    const uint32_t bad = 6;
    guiWrapperHdmiManualSrcInSet(&hdmiIn);
    EXPECT_EQ(guiWrapperHdmiSrcInClr(&arc), 0);
    guiWrapperHdmiRoutingSrcInSet(&routingHdmiIn);
    guiWrapperHdmiManualSrcInSet(&bad);
    guiWrapperHdmiRoutingSrcInSet(&bad);
    ASSERT_TRUE(sm_->waitMessages(3));
    EXPECT_THAT(smMessages(), ElementsAre(SmMsg{MSG_FROM_UI, SM_BODY_UI_SRC_HDMI_IN},
                                          SmMsg{SM_BODY_UI_SRC_ARC_IN, SM_BODY_UI_SRCIN_CLR},
                                          SmMsg{MSG_FROM_UI, SM_BODY_UI_SRC_HDMI_IN}));
    EXPECT_THAT(setters(), ElementsAre("SET_SRC_STS 01"));
}

// Each report's negative case comes first and would change what the positive one sees, so the
// positive's one post shows the negative did nothing.
TEST_F(HdmiWrapperTest, TvReportsArePostedOnlyInTheirStates)
{
    struct Case {
        const char* name;
        std::function<void()> act;
        std::vector<std::vector<int>> posts;
        std::vector<std::string> sent;
    };
    const auto state = [](uint32_t st) { guiManagerAppStateSet(st); };
    const auto vol = [](uint8_t v) { guiWrapperHdmiVolSet(&v); };
    const auto mute = [](uint8_t m) { guiWrapperHdmiMuteSet(&m); };
    GuiWrapperSetting s = gGuiWrapperDefaultSetting[0];
    const Case cases[] = {
        {"TV power on in idle, long after start",
         [&] {
             state(GUI_SYS_STATE_IDLE);
             guiWrapperHdmiRoutingPowerCbk(1);
         },
         {{E_GUI_SYS_EVT_HDMI_OUT_ROUTING_POWER, 1}},
         {}},
        {"TV power on right after our idle is debounced, but taken",
         [&] {
             guiWrapperHdmiPowerIdle(&s);
             guiWrapperHdmiRoutingPowerCbk(1);
             state(GUI_SYS_STATE_SRC_ARC);
             guiWrapperHdmiRoutingPowerCbk(0);
         },
         {{E_GUI_SYS_EVT_HDMI_OUT_ROUTING_POWER, 0}},
         {"SET_POWER_IDLE 00"}},
        {"TV routing to HDMI in while idle is dropped: an ARC toggle then shows ARC",
         [&] {
             state(GUI_SYS_STATE_IDLE);
             guiWrapperHdmiRoutingSrcCbk(2);
             state(GUI_SYS_STATE_SRC_ARC);
             guiWrapperHdmiArcToggleCbk(1);
         },
         {{E_GUI_SYS_EVT_HDMI_OUT_ARC_SHOW, 1}},
         {}},
        {"TV routing in a source state, 1.5 s later",
         [&] { guiWrapperHdmiRoutingSrcCbk(2); },
         {{E_GUI_SYS_EVT_HDMI_OUT_ROUTING_SRC, 2}},
         {}},
        {"TV volume in idle, then with ARC current",
         [&] {
             state(GUI_SYS_STATE_IDLE);
             guiWrapperHdmiRoutingVolCbk(0x46);
             state(GUI_SYS_STATE_SRC_ARC);
             guiWrapperHdmiRoutingVolCbk(0x46);
         },
         {{E_GUI_SYS_EVT_HDMI_OUT_VOL_SET, 70}},
         {}},
        {"a lower TV volume keeps our mute at 90",
         [&] {
             vol(90);
             mute(1);
             guiWrapperHdmiRoutingVolCbk(85);
         },
         {{E_GUI_SYS_EVT_HDMI_OUT_VOL_SET, 85}},
         {"SET_VOLUME 5a", "SET_MUTE 01", "SET_MUTE 01"}},
        {"TV unmute at our volume posts the mute",
         [&] { guiWrapperHdmiRoutingVolCbk(85); },
         {{E_GUI_SYS_EVT_HDMI_OUT_MUTE_SET, 0}},
         {}},
        {"ARC toggle while on without a source, then plugging the TV in with ARC current",
         [&] {
             sim.ctl("hdmitx set GET_EARC_STS 00");
             state(GUI_SYS_STATE_ON);
             guiWrapperHdmiArcToggleCbk(1);
             state(GUI_SYS_STATE_SRC_ARC);
             guiWrapperHdmiTxHotplug(1);
         },
         {{E_GUI_SYS_EVT_HDMI_OUT_ROUTING_SRC, 1}},
         {}},
    };
    size_t mark = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settersSince(mark);
        {
            std::lock_guard<std::mutex> guard(gPostedLock);
            gPosted.clear();
        }
        c.act();
        if (!c.posts.empty()) {
            ASSERT_TRUE(postedCount(c.posts.size()));
        }
        EXPECT_EQ(posted(), c.posts);
        EXPECT_EQ(settersSince(mark), c.sent);
    }
    // Only the ARC show started a source; a routing taken while idle would have cleared ARC.
    ASSERT_TRUE(sm_->waitMessages(1));
    EXPECT_THAT(smMessages(), ElementsAre(SmMsg{MSG_FROM_UI, SM_BODY_UI_SRC_ARC_IN}));
    uint32_t online = 0;
    guiWrapperHdmiCecStsGet(&online);
    EXPECT_EQ(online, 1u);
}

TEST_F(HdmiWrapperTest, I2cPowerLineStartsLowAndFollowsTheSetter)
{
    const std::string start = sandbox.read("/sim/sysfs.log");
    EXPECT_THAT(start, HasSubstr("/sys/class/gpio/export 449"));
    EXPECT_THAT(start, HasSubstr("/sys/class/gpio/gpio449/value 0"));
    guiWrapperHdmiI2cPwrSet(1);
    EXPECT_THAT(sandbox.read("/sim/sysfs.log"), HasSubstr("/sys/class/gpio/gpio449/value 1"));
}

// Starts the chip upgrade on a file whose header the worker refuses at once, so only its origin
// is left behind, and waits for the worker to end.
void startRefusedUpgrade(const sbtest::Sandbox& sandbox, uint32_t origin, const char* path)
{
    sandbox.write(path, std::string(24, '\0'));
    const uint32_t state = guiManagerAppStateGet();
    ASSERT_EQ(guiWrapperHdmiUpgradeStart(origin, path), 0);
    ASSERT_TRUE(apptest::eventually([] { return guiWrapperHdmiUpgradeStsGet() == 0; }));
    guiManagerAppStateSet(state);
}

TEST_F(HdmiWrapperTest, UpgradePercentIsPostedOncePerValueAndNotForAnOtaUpgrade)
{
    startRefusedUpgrade(sandbox, 0, "/data/mnt/iTE_FW_file.bin");
    for (uint32_t p : {41u, 41u, 42u}) {
        guiWrapperHdmiUpgradePercentDisp(p);
    }
    startRefusedUpgrade(sandbox, 1, "/data/ota/iTE_FW_file.bin");
    guiWrapperHdmiUpgradePercentDisp(43);
    startRefusedUpgrade(sandbox, 0, "/data/mnt/iTE_FW_file.bin");
    guiWrapperHdmiUpgradeExit();  // joins the last worker
    // {u32 module 1, u16 percent, reboot 1, factory reset 0}
    EXPECT_THAT(posted(), ElementsAre(std::vector<int>{E_GUI_SYS_EVT_UPGRADE_PERCENT, 1, 0, 0, 0, 41, 0, 1, 0},
                                      std::vector<int>{E_GUI_SYS_EVT_UPGRADE_PERCENT, 1, 0, 0, 0, 42, 0, 1, 0}));
}

// The source slots hand the source on to the music, HDMI and Bluetooth wrappers.
TEST_F(HdmiWrapperTest, SourceSlotsFanOutAndAutoWakeKeepsAWakingSource)
{
    const GuiWidgetCbkTable table = guiWrapperCbkTableBuild();
    GuiWrapperSetting* rec = guiWrapperSettingRecord();
    const GuiWrapperSetting saved = *rec;
    rec->auto_wake_en = 1;
    uint32_t src = 0;

    // Going to standby with auto wake on ARC keeps the source; on USB it is cleared.
    guiManagerAppStateSet(GUI_SYS_STATE_TRANSIT);
    rec->aud_src = 0;
    table.slot[GUI_WIDGET_CBK_MANUAL_SRC_IN_CLR](&src);
    rec->aud_src = 5;
    src = 5;
    table.slot[GUI_WIDGET_CBK_MANUAL_SRC_IN_CLR](&src);
    guiManagerAppStateSet(GUI_SYS_STATE_SRC_ARC);
    src = 1;
    table.slot[GUI_WIDGET_CBK_MANUAL_SRC_IN_SET](&src);
    src = 2;
    table.slot[GUI_WIDGET_CBK_ROUTING_SRC_IN_SET](&src);
    *rec = saved;

    ASSERT_TRUE(sm_->waitMessages(3));
    EXPECT_THAT(smMessages(), ElementsAre(SmMsg{SM_BODY_UI_SRC_USB, SM_BODY_UI_SRCIN_CLR},
                                          SmMsg{MSG_FROM_UI, SM_BODY_UI_SRC_HDMI_IN},
                                          SmMsg{MSG_FROM_UI, SM_BODY_UI_SRC_HDMI_IN}));
    EXPECT_THAT(btCalls(), ElementsAre("clear", "manual 1", "routing 2"));
}

}  // namespace
