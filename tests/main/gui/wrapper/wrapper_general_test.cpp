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
#include "main/gui/wrapper/wrapper_music_priv.h"
#include "main/state_mngr/state_mngr.h"
#include "platform/quorid/quorid.h"
#include "tests/main/am/app_harness.h"
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
    const uint8_t vol = 20;
    guiWrapperMusicVolSet(&vol);

    const uint8_t on = 1;
    guiWrapperWidgetMuteSet(&on);
    guiWrapperWidgetMuteSet(nullptr);
    const uint8_t off = 0;
    guiWrapperWidgetRoutingMuteSet(&off);
    EXPECT_EQ(pellanttest::lines(sandbox.read(WRAPPER_SOURCE_CALL_LOG)),
              (std::vector<std::string>{"guiWrapperBrontalMuteSet 1", "guiWrapperWirelessAudMuteSet 1",
                                        "guiWrapperWirelessAudMuteSet 0", "guiWrapperWirelessAudVolSet 20 0 0"}));
    // The audio server takes the streams' volume on its own time.
    EXPECT_TRUE(apptest::eventually(
        [&] { return pellanttest::contains(pellanttest::vesk2State(sandbox), "vesk_set_stream_vol_ext 1 100000"); }));
    EXPECT_EQ(guiWrapperMusicMuteGet(), 0);
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
    }
    void TearDown() override
    {
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
              (std::vector<std::string>{"guiWrapperWirelessAudVolSet 51 6 6", "guiWrapperBrontalVolSet 51"}));
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
        c.slot(&c.vol);
        EXPECT_EQ(c.eqMode == 5 ? rec->night_vol : rec->vol, c.vol);
        EXPECT_EQ(c.eqMode == 5 ? rec->vol : rec->night_vol, otherBefore);
        EXPECT_EQ(guiWrapperMusicVolGet(), c.vol);
        EXPECT_EQ(coeff(0x2D), tableEntry(gGuiWrapperAmpAcm8625SLrVolTab[c.vol]));
        const auto link = linkFrom(linkFromLine);
        ASSERT_FALSE(link.empty());
        EXPECT_EQ(link.front(), "guiWrapperWirelessAudVolSet " + std::to_string(c.vol) + " 6 6");
        EXPECT_EQ(link.back() == "guiWrapperBrontalVolSet " + std::to_string(c.vol), c.phoneApp);
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
    EXPECT_EQ(coeff(0x2D), lrBefore);
}

}  // namespace
