// The USB music wrapper between recording stand-ins of the USB playback application and the GUI
// manager, with GPIO 509 on the board simulator and the real playlist search and mount record.
#include "main/gui/wrapper/wrapper_usb.h"

#include "main/device_mngr/dm_mount.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/call_log/wrapper_call_log.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/playback/usb/playback_usb.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/app_support.h"
#include "tests/support/sim_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

struct Key {
    uint32_t word0;
    uint32_t key;
    uint32_t arg0;
    bool operator==(const Key& o) const { return word0 == o.word0 && key == o.key && arg0 == o.arg0; }
};

struct Event {
    uint16_t id;
    std::vector<uint8_t> data;
    bool operator==(const Event& o) const { return id == o.id && data == o.data; }
};

uint32_t u32At(const std::vector<uint8_t>& d, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, d.data() + at, sizeof v);
    return v;
}

class UsbWrapperTest : public sbtest::SimTest {
protected:
    void SetUp() override
    {
        apptest::startFramework();
        player().clearMessages();
        gui().clearMessages();
        guiManagerAppStateSet(GUI_SYS_STATE_SRC_USB);
        guiWrapperUsbInit();
    }
    void TearDown() override
    {
        guiWrapperUsbPlayTimeGet0();
        guiWrapperUsbExit();
        dmModifyMntInfo(0, nullptr);
    }

    static void guiWrapperUsbPlayTimeGet0()
    {
        const uint8_t off = 0;
        guiWrapperUsbMusicPlayTimeGet(&off);
    }

    static apptest::TestApp& player() { return apptest::runningRecorder(PLAYBACK_USB_APP_NAME); }
    static apptest::TestApp& gui() { return apptest::runningRecorder(GUI_MANAGER_APP_NAME); }

    // The key messages the USB playback application got so far.
    static std::vector<Key> keys()
    {
        std::vector<Key> out;
        for (const apptest::ReceivedMsg& m : player().messages()) {
            EXPECT_EQ(E_APP_MSG_TYPE_USER_CMD, m.msgId);
            EXPECT_EQ(sizeof(appmsg_t), m.data.size());
            out.push_back({u32At(m.data, 0), u32At(m.data, 4), u32At(m.data, 8)});
        }
        return out;
    }

    // The GUI events posted so far (the GUI message follows the application message's 8-byte head).
    static std::vector<Event> events()
    {
        std::vector<Event> out;
        for (const apptest::ReceivedMsg& m : gui().messages()) {
            if (m.msgId != E_APP_MSG_TYPE_GUI || m.data.size() < 8 + sizeof(GuiMsg)) {
                continue;
            }
            GuiMsg g{};
            std::memcpy(&g, m.data.data() + 8, sizeof g);
            out.push_back({g.msg_id, std::vector<uint8_t>(g.data, g.data + g.msg_size)});
        }
        return out;
    }

    // Events arrive on the recorder's thread: waits until `count` of them are there.
    static std::vector<Event> eventsAfter(size_t count)
    {
        apptest::eventually([count] { return events().size() >= count; });
        return events();
    }

    std::vector<std::string> callLog() const
    {
        std::vector<std::string> out;
        std::string text = sandbox.exists(WRAPPER_CALL_LOG) ? sandbox.read(WRAPPER_CALL_LOG) : "";
        for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            out.push_back(text.substr(at, end - at));
        }
        return out;
    }
};

TEST_F(UsbWrapperTest, MusicStatusReportsBecomeTheirEventsWithTheFileIndex)
{
    struct Case {
        uint32_t status;
        uint32_t index;
        uint16_t event;
        uint32_t kept;  // status afterwards
    };
    const Case cases[] = {
        {2, 3, E_GUI_SYS_EVT_UDISK_MUSIC_STS_2, 2},
        {0, 7, E_GUI_SYS_EVT_UDISK_MUSIC_STS_0, 0},
        {3, 1, E_GUI_SYS_EVT_UDISK_MUSIC_STS_3, 3},
        {2, GUI_WRAPPER_USB_NO_INDEX, E_GUI_SYS_EVT_UDISK_MUSIC_STS_1, 1},  // no track reads as no playlist
        {4, 9, E_GUI_SYS_EVT_DSP_VER_READ, 4},
    };
    std::vector<Event> want;
    for (const Case& c : cases) {
        guiWrapperUsbUDiskMusicStsCbk(c.status, c.index);
        std::vector<uint8_t> idx(4);
        std::memcpy(idx.data(), &c.index, 4);
        want.push_back({c.event, idx});
        uint32_t sts = 99;
        guiWrapperUsbMusicStsGet(&sts);
        EXPECT_EQ(c.kept, sts) << c.status;
    }
    // Status 5 is refused and changes nothing.
    guiWrapperUsbUDiskMusicStsCbk(5, 1);
    uint32_t sts = 99;
    guiWrapperUsbMusicStsGet(&sts);
    EXPECT_EQ(4u, sts);
    EXPECT_THAT(eventsAfter(want.size()), ElementsAreArray(want));
}

TEST_F(UsbWrapperTest, AMountIsPostedOnlyInASourceStateButAlwaysKept)
{
    struct Case {
        uint32_t state;
        uint8_t mounted;
        std::vector<Event> posted;
    };
    const Case cases[] = {
        {GUI_SYS_STATE_IDLE, 1, {}},
        {GUI_SYS_STATE_ON, 0, {}},
        {GUI_SYS_STATE_PDT | GUI_SYS_STATE_SRC_USB, 1, {}},
        {GUI_SYS_STATE_SRC_ARC, 1, {{E_GUI_SYS_EVT_UDISK_HOTPLUG_ON, {}}}},
        {GUI_SYS_STATE_SRC_USB, 0, {{E_GUI_SYS_EVT_UDISK_HOTPLUG_OFF, {}}}},
    };
    for (const Case& c : cases) {
        gui().clearMessages();
        guiManagerAppStateSet(c.state);
        guiWrapperUsbUdiskHotplugCbk(c.mounted);
        uint8_t plugged = 9;
        guiWrapperUsbUdiskPlugStsGet(&plugged);
        EXPECT_EQ(c.mounted, plugged);
        // A marker event shows that anything posted before it has arrived.
        GuiMsg marker{};
        marker.msg_id = 0x7FFF;
        guiManagerAppMsgSnd(&marker);
        std::vector<Event> want = c.posted;
        want.push_back({0x7FFF, {}});
        EXPECT_THAT(eventsAfter(want.size()), ElementsAreArray(want)) << std::hex << c.state;
    }
}

TEST_F(UsbWrapperTest, ControlsSendTheKeyOfTheStatusAndPopMuteATrackChange)
{
    struct Case {
        uint32_t status;
        uint32_t ctrl;
        Key key;
    };
    const Case cases[] = {
        {2, GUI_WRAPPER_USB_CTRL_STOP, {12, 166, 0}},      {2, GUI_WRAPPER_USB_CTRL_PLAY_PAUSE, {4, 201, 0}},
        {3, GUI_WRAPPER_USB_CTRL_PLAY_PAUSE, {4, 200, 0}}, {0, GUI_WRAPPER_USB_CTRL_PREV, {4, 165, 0}},
        {2, GUI_WRAPPER_USB_CTRL_NEXT, {4, 163, 0}},
    };
    std::vector<Key> want;
    for (const Case& c : cases) {
        guiWrapperUsbUDiskMusicStsCbk(c.status, 4);
        const uint32_t arg[2] = {4, c.ctrl};
        guiWrapperUsbMusicCtrl(arg);
        want.push_back(c.key);
    }
    const uint32_t unknown[2] = {4, 7};
    guiWrapperUsbMusicCtrl(unknown);
    const uint32_t file = 6;
    guiWrapperUsbMusicPlay(&file);
    guiWrapperUsbMusicPause(&file);
    want.push_back({6, 200, 0});
    want.push_back({6, 200, 0});
    ASSERT_TRUE(player().waitMessages(want.size()));
    EXPECT_THAT(keys(), ElementsAreArray(want));
    // Previous and next each: muted over the change, then unmuted.
    EXPECT_THAT(callLog(), ElementsAre("guiWrapperMusicPopMuteSet 1", "guiWrapperMusicPopMuteSet 0",
                                       "guiWrapperMusicPopMuteSet 1", "guiWrapperMusicPopMuteSet 0"));
}

TEST_F(UsbWrapperTest, WhilePlayingThePlayTimeIsAskedForAndShown)
{
    guiWrapperUsbUDiskMusicStsCbk(0, 1);
    guiWrapperUsbUDiskMusicPlayTimeCbk(999);  // not playing: not kept
    guiWrapperUsbUDiskMusicStsCbk(2, 1);
    guiWrapperUsbUDiskMusicPlayTimeCbk(125);
    const uint8_t on = 1;
    guiWrapperUsbMusicPlayTimeGet(&on);
    ASSERT_TRUE(apptest::eventually([] {
        const auto e = events();
        return std::count_if(e.begin(), e.end(), [](const Event& x) { return x.id == E_GUI_SYS_EVT_PLAY_TIME; }) >= 2;
    }));
    guiWrapperUsbPlayTimeGet0();
    for (const Event& e : events()) {
        if (e.id == E_GUI_SYS_EVT_PLAY_TIME) {
            EXPECT_EQ((std::vector<uint8_t>{2, 5}), e.data);
        }
    }
    // Once per shown time the progress is asked for.
    const std::vector<Key> asked = keys();
    ASSERT_GE(asked.size(), 2u);
    for (const Key& k : asked) {
        EXPECT_EQ((Key{12, 180, 0}), k);
    }
}

TEST_F(UsbWrapperTest, TheRoleDrivesTheUsbPowerLineOnlyWhenItChanges)
{
    const std::string value = "/sys/class/gpio/gpio509/value";
    guiWrapperUsbRoleSet(0);
    guiWrapperUsbRoleSet(1);
    EXPECT_EQ("0\n", sandbox.read(value));
    sandbox.write(value, "x\n");
    guiWrapperUsbRoleSet(1);
    guiWrapperUsbRoleSet(2);
    EXPECT_EQ("x\n", sandbox.read(value));
    GuiWrapperSetting s{};
    s.usb_play_mode = 1;
    guiWrapperUsbPowerOff(0);
    EXPECT_EQ("1\n", sandbox.read(value));
    guiWrapperUsbPowerOn(&s);
    EXPECT_EQ("0\n", sandbox.read(value));
}

TEST_F(UsbWrapperTest, TheFileSearchCountsTheMountedSticksTracks)
{
    amb_register_info_t info{};
    a_playback_usb_register(&info);  // lends the wrapper the search and the mount record
    uint32_t count = 77;
    EXPECT_EQ(DMR_NOT_MOUNTED, guiWrapperUsbUDiskFilelistSearch(&count));
    EXPECT_EQ(77u, count);

    for (const char* f : {"a.mp3", "b.mp3", "d1/c.mp3"}) {
        sandbox.write(std::string("/data/mnt/sda1/") + f, "ID3");
    }
    DmMntInfo rec{};
    rec.bMnt = 1;
    snprintf(rec.acMntPath, sizeof rec.acMntPath, "/data/mnt/sda1");
    dmModifyMntInfo(1, &rec);
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, guiWrapperUsbUDiskFilelistSearch(&count));
    EXPECT_THAT(testing::internal::GetCapturedStdout(), HasSubstr("udisk_path=/data/mnt/sda1, fileNum=3"));
    EXPECT_EQ(3u, count);
}

TEST_F(UsbWrapperTest, FactoryResetForgetsTheResumedTrackAndDeviceModeSwitchesTheLines)
{
    guiWrapperUsbFactoryReset(0);
    guiWrapperUsbAdbStart();
    std::vector<std::string> lines = sandbox.quoridLog();
    ASSERT_GE(lines.size(), 4u);
    lines.erase(lines.begin(), lines.end() - 4);  // after the GPIO's own lines
    EXPECT_THAT(lines,
                ElementsAre("rm /data/misc/Music.play", "chown system:system /sys/devices/platform/kv_usb/swmode",
                            "echo 'idle' > /sys/devices/platform/kv_usb/swmode",
                            "echo 'device' > /sys/devices/platform/kv_usb/swmode"));
}

}  // namespace
