// The general wrappers: messages to the state manager and the GUI through the real application
// framework, the store's written marker, the kernel-version node, the reboot retries through the
// shell-command client, and the mute fan-out to a real pellant.
#include "main/gui/wrapper/wrapper_general.h"

#include "main/acfg/acfg_app.h"
#include "main/acfg/acfg_cus_flash.h"
#include "main/acfg/acfg_item_idx.h"
#include "main/am/aee/aee.h"
#include "main/am/amb/amb.h"
#include "main/audio_client/vesk_ipc.h"
#include "main/gui/gui_manager.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_amp_tables.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/gui/tone/gui_tone.h"
#include "main/gui/wrapper/gui_wrapper.h"
#include "main/gui/wrapper/wrapper_music_priv.h"
#include "main/state_mngr/state_mngr.h"
#include "main/timerd/gui_timer.h"
#include "platform/quorid/quorid.h"
#include "tests/main/am/app_harness.h"
#include "tests/main/gui/wrapper/phone_app_frames.h"
#include "tests/pellant/pellant_harness.h"
#include "tests/support/app_support.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

class GeneralWrapperTest : public sbtest::SandboxTest {};

TEST_F(GeneralWrapperTest, StateManagerGetsOneKeyMessageFromTheUi)
{
    apptest::startFramework();
    EXPECT_EQ(guiWrapperMsgSnd(36), -1) << "no state manager yet";

    apptest::TestApp sm("state_mngr", 1024);
    ASSERT_EQ(apptest::registerApp(&sm.record()), 0);
    ASSERT_EQ(u_amb_sync_start_app(sm.record().acName), 0);
    EXPECT_EQ(guiWrapperMsgSnd(37), 0);
    ASSERT_TRUE(sm.waitMessages(1));
    const apptest::ReceivedMsg msg = sm.messages().at(0);
    EXPECT_EQ(msg.msgId, static_cast<uint32_t>(E_APP_MSG_TYPE_USER_CMD));
    ASSERT_EQ(msg.data.size(), sizeof(appmsg_t));
    appmsg_t body{};
    memcpy(&body, msg.data.data(), sizeof(body));
    EXPECT_EQ(body.ui4_sender_id, static_cast<uint32_t>(MSG_FROM_UI));
    EXPECT_EQ(body.ui4_msg_type, 37u);
    EXPECT_EQ(std::vector<uint8_t>(body.aui1_data, body.aui1_data + APPMSG_DATA_SIZE),
              std::vector<uint8_t>(APPMSG_DATA_SIZE, 0));
    sm.stop();
}

TEST_F(GeneralWrapperTest, GuiMessagesCarryTheirPayloadAndRefuseMoreThanAGuiMessageHolds)
{
    apptest::startFramework();
    apptest::TestApp gui(GUI_MANAGER_APP_NAME, 1024);
    ASSERT_EQ(apptest::registerApp(&gui.record()), 0);
    ASSERT_EQ(u_amb_sync_start_app(gui.record().acName), 0);

    std::vector<uint8_t> full(GUI_MSG_DATA_SIZE + 1);
    for (size_t i = 0; i < full.size(); ++i) {
        full[i] = static_cast<uint8_t>(i + 1);
    }
    guiWrapperMsgCbk(0x8013, full.data(), static_cast<uint16_t>(full.size()));  // refused
    guiWrapperMsgCbk(0x8012, full.data(), GUI_MSG_DATA_SIZE);
    guiWrapperMsgCbk(0x8011, nullptr, 5);
    ASSERT_TRUE(gui.waitMessages(2));

    struct Expect {
        uint16_t id;
        uint8_t size;
    };
    const Expect expected[] = {{0x8012, GUI_MSG_DATA_SIZE}, {0x8011, 0}};
    const auto msgs = gui.messages();
    ASSERT_EQ(msgs.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(msgs[i].data.size(), sizeof(appmsg_t) + sizeof(GuiMsg));
        GuiMsg got{};
        memcpy(&got, msgs[i].data.data() + 8, sizeof(got));
        EXPECT_EQ(got.msg_id, expected[i].id);
        EXPECT_EQ(got.msg_size, expected[i].size);
        EXPECT_EQ(memcmp(got.data, full.data(), got.msg_size), 0);
    }
    gui.stop();
}

TEST_F(GeneralWrapperTest, MenuSetMarksTheStoreWritten)
{
    apptest::startFramework();
    ASSERT_EQ(apptest::registerOnce(a_acfg_register), 0);
    ASSERT_EQ(u_amb_sync_start_app("acfg"), 0);

    AcfgCusFlashParam back{};
    guiWrapperMenuItemSet(0, nullptr);
    guiWrapperMenuItemGet(nullptr);
    uAcfgCusFlashGet(IDX_FLASH_WRITTEN, &back);
    EXPECT_NE(back.flash_written, ACFG_CUS_FLASH_WRITTEN);

    const uint32_t item = 0;
    guiWrapperMenuItemSet(0, &item);
    uAcfgCusFlashGet(IDX_FLASH_WRITTEN, &back);
    EXPECT_EQ(back.flash_written, ACFG_CUS_FLASH_WRITTEN);
    EXPECT_EQ(u_amb_sync_exit_app("acfg"), 0);
}

TEST_F(GeneralWrapperTest, KernelVersionKeepsDigitsAndBlanksTheRest)
{
    constexpr const char* kNode = "/sys/devices/platform/fd_kernel_version/fd_kernel_version";
    struct Case {
        const char* text;  // nullptr: no node
        const char* out;
    };
    const Case cases[] = {
        {"V0.1a23\n", "1 23"}, {"V0.4567", "4567"}, {"V0.9", "9   "},
        {"V1.2345", "...."},   {"", "...."},        {nullptr, "...."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text != nullptr ? c.text : "missing");
        if (c.text != nullptr) {
            sandbox.write(kNode, c.text);
        } else {
            std::remove(sandbox.path(kNode).c_str());
        }
        char out[4] = {'.', '.', '.', '.'};
        guiWrapperKernelVersionGet(out);
        EXPECT_EQ(std::string(out, 4), c.out);
    }
    const auto log = sandbox.quoridLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], std::string("chown system:system ") + kNode);
    EXPECT_EQ(log[1], std::string("chmod 666 ") + kNode);
}

TEST_F(GeneralWrapperTest, VersionTextFillsItsFieldsAndLeavesTheRest)
{
    std::string text(GUI_WRAPPER_VER_TEXT_SIZE, '.');
    guiWrapperWidgetDspVerRead(text.data());
    // The HDMI-chip, Bluetooth and 5.8 GHz versions read 0 until their links report them.
    const std::string want("PA33.H000......B000.TX\0\0.RX\0\0................EQ001", GUI_WRAPPER_VER_TEXT_SIZE);
    EXPECT_EQ(want, text);
    guiWrapperWidgetDspVerRead(nullptr);
}

TEST_F(GeneralWrapperTest, RebootTriesFiveTimesAtMostFiftyMillisecondsApart)
{
    struct Case {
        int status;
        size_t tries;
    };
    for (const Case& c : {Case{0, 1}, Case{1, 5}}) {
        SCOPED_TRACE(c.status);
        sandbox.write(QUORID_RESULTS_PATH, std::to_string(c.status) + " reboot\n");
        const size_t before = sandbox.quoridLog().size();
        const auto start = std::chrono::steady_clock::now();
        guiWrapperWidgetSysReboot(nullptr);
        const auto took = std::chrono::steady_clock::now() - start;
        const auto log = sandbox.quoridLog();
        EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<long>(before), log.end()),
                  std::vector<std::string>(c.tries, "reboot"));
        // A pause of 50 ms before each retry: a lower bound only, the machine may be slow.
        EXPECT_GE(took, std::chrono::milliseconds(50) * (c.tries - 1));
    }
}

TEST_F(GeneralWrapperTest, MuteReachesThePhoneAppTheLinkAndTheStreams)
{
    auto pellant = pellanttest::startPellant(sandbox);
    ASSERT_TRUE(pellanttest::waitStarted(sandbox));
    ASSERT_EQ(vesk_ipc_create(), 0);
    guiWrapperMusicInit();
    phoneapp::start();
    const uint8_t vol = 20;
    guiWrapperMusicVolSet(&vol);

    const uint8_t on = 1;
    guiWrapperWidgetMuteSet(&on);
    guiWrapperWidgetMuteSet(nullptr);
    const uint8_t off = 0;
    guiWrapperWidgetRoutingMuteSet(&off);
    EXPECT_EQ(pellanttest::lines(sandbox.read(WRAPPER_SOURCE_CALL_LOG)),
              (std::vector<std::string>{"guiWrapperWirelessAudMuteSet 1",
                                        "guiWrapperWirelessAudMuteSet 0", "guiWrapperWirelessAudVolSet 20 0 0"}));
    // The audio server takes the streams' volume on its own time.
    EXPECT_TRUE(apptest::eventually(
        [&] { return pellanttest::contains(pellanttest::vesk2State(sandbox), "vesk_set_stream_vol_ext 1 100000"); }));
    EXPECT_EQ(guiWrapperMusicMuteGet(), 0);
    // The app shows sound on: muting tells it 0.
    EXPECT_EQ(phoneapp::take(), (std::vector<std::string>{"phone app 02 0a 00"}));
    phoneapp::stop();
    guiWrapperMusicExit();
}

// The volume slots with the amplifiers on the simulator and a real pellant.
class VolumeFanOutTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        pellant = pellanttest::startPellant(sandbox);
        ASSERT_TRUE(pellanttest::waitStarted(sandbox));
        ASSERT_EQ(vesk_ipc_create(), 0);
        guiWrapperAmpInit();
        guiWrapperAmpRegReset(GUI_WRAPPER_AMP_IDX_LR);
        guiWrapperMusicInit();
        *guiWrapperSettingRecord() = gGuiWrapperDefaultSetting[0];
        guiWrapperSettingRecord()->vol = 50;
        guiWrapperSettingRecord()->night_vol = 20;
        const uint8_t vol = 50;
        guiWrapperMusicVolSet(&vol);
        phoneapp::start();
    }
    void TearDown() override
    {
        phoneapp::stop();
        guiWrapperMusicExit();
        guiWrapperAmpExit();
    }

    std::string coeff(int addr) const
    {
        std::string out;
        for (int reg = 0x7C; reg < 0x84; ++reg) {
            char line[64];
            std::snprintf(line, sizeof(line), "i2c get 3 0x%02x 4 0x%02x", addr, reg);
            out += sim.ctl(line).substr(2, 2);
        }
        return out;
    }
    static std::string tableEntry(const uint8_t entry[4])
    {
        char text[24];
        std::snprintf(text, sizeof(text), "%02x%02x%02x%02x%02x%02x%02x%02x", entry[0], entry[1], entry[2], entry[3],
                      entry[0], entry[1], entry[2], entry[3]);
        return text;
    }
    std::vector<int> idsFrom(size_t from) const
    {
        std::vector<int> ids;
        const auto all = pellanttest::lines(sandbox.read(pellanttest::kPellantOut));
        for (size_t i = from; i < all.size(); ++i) {
            const auto at = all[i].find(":func_id=");
            if (at != std::string::npos) {
                ids.push_back(std::stoi(all[i].substr(at + 9)));
            }
        }
        return ids;
    }
    size_t pellantLines() const { return pellanttest::lines(sandbox.read(pellanttest::kPellantOut)).size(); }
    std::vector<std::string> linkFrom(size_t from) const
    {
        const auto all = pellanttest::lines(sandbox.read(WRAPPER_SOURCE_CALL_LOG));
        return {all.begin() + static_cast<long>(std::min(from, all.size())), all.end()};
    }
    size_t linkLines() const { return pellanttest::lines(sandbox.read(WRAPPER_SOURCE_CALL_LOG)).size(); }

    // Lets the change to the music wrapper's current EQ mode run its effect to the end: the end
    // writes the volume to the link and the amplifiers once more, which must not land among a
    // later step's writes.
    static ::testing::AssertionResult effectSettled()
    {
        const uint8_t vol = guiWrapperMusicVolGet();
        guiWrapperMusicVolSet(&vol);
        if (!apptest::eventually([] { return guiWrapperMusicEffectPendingForTest() == 0; })) {
            return ::testing::AssertionFailure() << "the effect change never ended";
        }
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<pellanttest::Child> pellant;
};

TEST_F(VolumeFanOutTest, VolumeReachesTheRecordTheLinkTheAmplifiersAndTheStreams)
{
    const std::string lrsBefore = coeff(0x2C);
    const size_t from = pellantLines();
    const size_t linkFromLine = linkLines();
    const uint8_t vol = 51;
    guiWrapperWidgetVolSet(&vol);
    EXPECT_EQ(guiWrapperSettingRecord()->vol, 51);
    EXPECT_EQ(guiWrapperSettingRecord()->night_vol, 20);
    EXPECT_TRUE(apptest::eventually([&] { return idsFrom(from) == std::vector<int>{20, 0, 0}; })) << ::testing::PrintToString(idsFrom(from));
    // The audio server takes the streams' volume on its own time.
    EXPECT_TRUE(apptest::eventually(
        [&] { return pellanttest::contains(pellanttest::vesk2State(sandbox), "vesk_set_stream_vol_ext 1 100000"); }));
    EXPECT_EQ(coeff(0x2D), tableEntry(gGuiWrapperAmpAcm8625SLrVolTab[51]));
    EXPECT_EQ(coeff(0x2E), tableEntry(gGuiWrapperAmpAcm8625SCenterVolTab[51]));
    EXPECT_EQ(coeff(0x2C), lrsBefore);
    EXPECT_EQ(linkFrom(linkFromLine),
              (std::vector<std::string>{"guiWrapperWirelessAudVolSet 51 6 6"}));
    EXPECT_EQ(phoneapp::take(), (std::vector<std::string>{"phone app 02 03 33"}));
}

TEST_F(VolumeFanOutTest, EverySlotWritesTheVolumeOfTheCurrentMode)
{
    struct Case {
        const char* name;
        void (*slot)(const uint8_t*);
        uint32_t eqMode;
        uint8_t vol;
        bool phoneApp;
    };
    const Case cases[] = {
        {"set", guiWrapperWidgetVolSet, 1, 30, true},
        {"set at night", guiWrapperWidgetVolSet, 5, 31, true},
        {"sync", guiWrapperWidgetVolSync, 1, 32, true},
        {"bluetooth", guiWrapperWidgetVolBtSet, 5, 33, false},
        {"wireless", guiWrapperWidgetVolWirelessSet, 1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuiWrapperSetting* rec = guiWrapperSettingRecord();
        rec->eq_mode = c.eqMode;
        guiWrapperMusicEqModeSet(static_cast<uint8_t>(c.eqMode));
        ASSERT_TRUE(effectSettled());
        const uint8_t otherBefore = c.eqMode == 5 ? rec->vol : rec->night_vol;
        const size_t linkFromLine = linkLines();
        phoneapp::take();
        c.slot(&c.vol);
        EXPECT_EQ(c.eqMode == 5 ? rec->night_vol : rec->vol, c.vol);
        EXPECT_EQ(c.eqMode == 5 ? rec->vol : rec->night_vol, otherBefore);
        EXPECT_EQ(guiWrapperMusicVolGet(), c.vol);
        EXPECT_EQ(coeff(0x2D), tableEntry(gGuiWrapperAmpAcm8625SLrVolTab[c.vol]));
        const auto link = linkFrom(linkFromLine);
        ASSERT_FALSE(link.empty());
        EXPECT_EQ(link.front(), "guiWrapperWirelessAudVolSet " + std::to_string(c.vol) + " 6 6");
        char volFrame[32];
        std::snprintf(volFrame, sizeof(volFrame), "phone app 02 03 %02x", c.vol);
        EXPECT_EQ(phoneapp::take(), c.phoneApp ? std::vector<std::string>{volFrame} : std::vector<std::string>{});
    }
}

TEST_F(VolumeFanOutTest, AVolumeAboveTheTablesChangesNothing)
{
    const std::string lrBefore = coeff(0x2D);
    const size_t from = pellantLines();
    const size_t linkFromLine = linkLines();
    for (auto slot :
         {guiWrapperWidgetVolSet, guiWrapperWidgetVolSync, guiWrapperWidgetVolBtSet, guiWrapperWidgetVolWirelessSet}) {
        for (uint8_t bad : {uint8_t{101}, uint8_t{150}, uint8_t{255}}) {
            slot(&bad);
        }
        slot(nullptr);
    }
    EXPECT_EQ(guiWrapperSettingRecord()->vol, 50);
    EXPECT_TRUE(idsFrom(from).empty());
    EXPECT_TRUE(linkFrom(linkFromLine).empty());
    EXPECT_TRUE(phoneapp::take().empty());
    EXPECT_EQ(coeff(0x2D), lrBefore);
}

}  // namespace

// The sound slots of the wrapper table, as the widgets call them: what reaches the record, the
// audio server (remote function ids, after the effect window for the deferred ones) and the links.
TEST_F(VolumeFanOutTest, SoundSlotsReachTheRecordTheServerAndTheLinks)
{
    static GuiWrapperMusicCusEq custom{7, {}};
    static GuiWrapperMusicCusEq style{6, {}};
    static GuiWrapperMusicCusEq tooLow{5, {}};
    for (uint32_t i = 0; i < GUI_WRAPPER_MUSIC_EQ_POINTS; ++i) {
        custom.points[i] = {static_cast<uint16_t>(100 * (i + 1)), static_cast<int16_t>(i + 1)};
        style.points[i] = {static_cast<uint16_t>(100 * (i + 1)), static_cast<int16_t>(-1 - static_cast<int>(i))};
    }
    struct Case {
        const char* name;
        GuiWidgetCbkSlot slot;
        void* arg;
        std::vector<int> ids;  // remote calls other than the muted window's stream volumes
        std::vector<std::string> link;
        std::vector<std::string> app;  // the frames the phone app is sent
    };
    // The EQ frame of a curve: the app's mode, then each point's frequency and gain, little-endian.
    const auto eqFrame = [](uint8_t appMode, const GuiWrapperMusicCusEq& eq) {
        char text[256];
        int n = std::snprintf(text, sizeof(text), "phone app 02 04 %02x", appMode);
        for (const auto& p : eq.points) {
            n += std::snprintf(text + n, sizeof(text) - n, " %02x %02x %02x %02x", p.freq & 0xFF, p.freq >> 8,
                               static_cast<uint16_t>(p.gain) & 0xFF, static_cast<uint16_t>(p.gain) >> 8);
        }
        return std::vector<std::string>{text};
    };
    static uint8_t zero = 0;
    static uint8_t one = 1;
    static uint8_t two = 2;
    static uint8_t seven = 7;
    const std::vector<Case> cases{
        {"EQ", GUI_WIDGET_CBK_EQ_SET, &zero, {18}, {"guiWrapperWirelessAudEqSet 0"}, {"phone app 02 04 02"}},
        {"custom curve", GUI_WIDGET_CBK_CUS_EQ_SET, &custom, {18, 19}, {"guiWrapperWirelessAudEqSet 7"},
         eqFrame(8, custom)},
        {"style curve", GUI_WIDGET_CBK_CUS_EQ_SET, &style, {18, 19}, {"guiWrapperWirelessAudEqSet 6"},
         eqFrame(7, style)},
        {"a mode without a curve", GUI_WIDGET_CBK_CUS_EQ_SET, &tooLow, {}, {}},
        {"surround on", GUI_WIDGET_CBK_SUR_EN_SET, &one, {17}, {}},
        {"virtualiser", GUI_WIDGET_CBK_VIRTUAL_XSET, &one, {26}, {}},
        {"surround left", GUI_WIDGET_CBK_SURLEFT_SET, &two, {33}, {}},
        {"surround right", GUI_WIDGET_CBK_SURRIGHT_SET, &two, {34}, {}},
        {"bass", GUI_WIDGET_CBK_BASS_SET, &seven, {20}, {"guiWrapperWirelesRxSubVolSet 7"}},
        {"treble", GUI_WIDGET_CBK_TREBLE_SET, &seven, {21}, {}},
        {"centre", GUI_WIDGET_CBK_CENTER_SET, &seven, {32}, {}},
        {"height", GUI_WIDGET_CBK_HEIGHT_SET, &two, {35}, {}},
        {"surround volume", GUI_WIDGET_CBK_SUR_VOL_SET, &seven, {24}, {"guiWrapperWirelesRxSurVolSet 7"}},
        {"upmix", GUI_WIDGET_CBK_XUPMIX_SET, &zero, {37}, {}, {"phone app 02 16 00"}},
        {"tone level", GUI_WIDGET_CBK_TONE_VOL_SET, &one, {}, {}, {"phone app 02 06 01"}},
        {"source EQ", GUI_WIDGET_CBK_SRC_TOGGLE_EQ_SET, &two, {18}, {"guiWrapperWirelessAudEqSet 2"}},
    };
    // Each case starts once the previous muted window and its pop unmute are over.
    const auto settled = [] {
        return guiWrapperMusicEffectPendingForTest() == 0 &&
               guiTimerActiveStsGet(guiWrapperMusicObj().pop_unmute_timer) == 0;
    };
    const GuiWidgetCbkTable table = guiWrapperCbkTableBuild();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(table.slot[c.slot], nullptr);
        ASSERT_TRUE(apptest::eventually(settled));
        const size_t from = pellantLines();
        const size_t linkFromLine = linkLines();
        phoneapp::take();
        EXPECT_EQ(table.slot[c.slot](c.arg), 0);
        ASSERT_TRUE(apptest::eventually(settled));
        // The end of a muted window sends the bass level and the streams' volume again.
        std::vector<int> ids;
        for (int id : idsFrom(from)) {
            if (id != 0 && !(id == 20 && c.slot != GUI_WIDGET_CBK_BASS_SET)) {
                ids.push_back(id);
            }
        }
        EXPECT_EQ(ids, c.ids);
        std::vector<std::string> link;
        for (const std::string& line : linkFrom(linkFromLine)) {
            if (line.rfind("guiWrapperWirelessAudMuteSet", 0) != 0 && line.rfind("guiWrapperWirelessAudVolSet", 0) != 0) {
                link.push_back(line);
            }
        }
        EXPECT_EQ(link, c.link);
        EXPECT_EQ(phoneapp::take(), c.app);
    }
    // The curves went to the record crosswise (mode 7's into style_eq_point), the tone level to
    // the tones, and the upmix switch reads back.
    const GuiWrapperSetting* rec = guiWrapperSettingRecord();
    EXPECT_EQ(rec->style_eq_point[9], 10);
    EXPECT_EQ(rec->cus_eq_point[9], -10);
    EXPECT_EQ(rec->tone_vol, 1u);
    EXPECT_EQ(guiToneVolGet(), 1u);
    uint8_t upmix = 0xFF;
    EXPECT_EQ(table.slot[GUI_WIDGET_CBK_XUPMIX_GET](&upmix), 0);
    EXPECT_EQ(upmix, 0);
    // The phone app reads the custom curve back as the server got it.
    uint32_t back[11] = {};
    guiWrapperMusicEqModeSet(7);
    guiWrapperMusicCusEqGet(back);
    EXPECT_EQ(back[0], 7u);
    EXPECT_EQ(std::memcmp(&back[1], custom.points, sizeof custom.points), 0);
}
