#include "main/gui/wrapper/wrapper_usb.h"

#include "main/am/aee/aee.h"
#include "main/am/am.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_gpio.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/timerd/gui_timer.h"
#include "platform/quorid/quorid.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <thread>

#define USB_LOG(fmt, ...) WRAPPER_LOG_ERR("<USB>", fmt, ##__VA_ARGS__)

namespace {

constexpr const char* kPlaybackUsbName = "playback_usb";
constexpr const char* kMountRoot = "/data/mnt";
constexpr const char* kResumeFile = "/data/misc/Music.play";

// Keys of the USB playback application.
constexpr uint32_t kKeyPlay = 200;
constexpr uint32_t kKeyPause = 201;
constexpr uint32_t kKeyStop = 166;
constexpr uint32_t kKeyNext = 163;
constexpr uint32_t kKeyPrev = 165;
constexpr uint32_t kKeyPlayTime = 180;
// Word 0 of the keys that carry no file index.
constexpr uint32_t kNoFileWord = 12;

constexpr uint32_t kPlayTimeFirstMs = 500;
constexpr uint32_t kPlayTimeTickMs = 50;
constexpr uint16_t kPlayTimeShowTicks = 4;
constexpr std::chrono::milliseconds kTrackPopMute{100};
constexpr std::chrono::milliseconds kRoleSettle{10};
constexpr uint32_t kMusicStsCount = 5;
// GUI states up to IDLE's group, and the production-test and upgrade bits, take no hot-plug.
constexpr uint32_t kLastStandbyState = 0xF;
constexpr uint32_t kNoHotplugStates = GUI_SYS_STATE_PDT | GUI_SYS_STATE_UPGRADE;

constexpr std::array<uint16_t, kMusicStsCount> kStsEvents = {
    E_GUI_SYS_EVT_UDISK_MUSIC_STS_0, E_GUI_SYS_EVT_UDISK_MUSIC_STS_1, E_GUI_SYS_EVT_UDISK_MUSIC_STS_2,
    E_GUI_SYS_EVT_UDISK_MUSIC_STS_3, E_GUI_SYS_EVT_DSP_VER_READ};

struct UsbObj {
    std::atomic<uint8_t> udiskSts{0};
    std::atomic<GuiWrapperGpioHandle> gpio{nullptr};
    std::atomic<uint32_t> role{0};
    std::atomic<uint32_t> musicSts{0};
    std::atomic<uint16_t> timerCnt{0};
    // Seconds; one 64-bit word, read and written whole.
    std::atomic<uint64_t> progress{0};
    std::atomic<uint32_t> timer{0};
    std::atomic<uint8_t> init{0};

    std::atomic<void (*)(uint32_t)> playModeSet{nullptr};
    std::atomic<int32_t (*)(char*, size_t)> mountPathGet{nullptr};
    std::atomic<uint32_t (*)(const char*)> fileCount{nullptr};
};

UsbObj gGuiWrapperUsbThisObj;

int32_t sendKey(uint32_t word0, uint32_t key, uint32_t arg0 = 0, uint32_t arg1 = 0)
{
    appmsg_t body{};
    body.ui4_sender_id = word0;
    body.ui4_msg_type = key;
    std::memcpy(body.aui1_data, &arg0, sizeof arg0);
    std::memcpy(body.aui1_data + sizeof arg0, &arg1, sizeof arg1);
    return guiWrapperUsbMsgSnd(&body);
}

void post(uint16_t id, const void* data = nullptr, uint8_t size = 0)
{
    GuiMsg msg{};
    msg.msg_id = id;
    msg.msg_size = size;
    if (size != 0) {
        std::memcpy(msg.data, data, size);
    }
    guiManagerAppMsgSnd(&msg);
}

void playTimeTimerSet(uint32_t ms)
{
    const uint32_t timer = gGuiWrapperUsbThisObj.timer.load();
    if (timer != 0) {
        guiTimerSet(timer, ms, 0);
    }
}

void playTimeTimeoutCbk(uint32_t)
{
    UsbObj& o = gGuiWrapperUsbThisObj;
    const uint32_t sts = o.musicSts.load();
    USB_LOG("music_sts=%u, timer_cnt=%u!", sts, o.timerCnt.load());
    if (sts != GUI_WRAPPER_USB_MUSIC_PLAYING) {
        return;
    }
    if (o.timerCnt.load() == 0) {
        sendKey(kNoFileWord, kKeyPlayTime);
    }
    if (o.timerCnt.fetch_add(1) + 1 > kPlayTimeShowTicks) {
        o.timerCnt = 0;
        const uint64_t seconds = o.progress.load();
        const std::array<uint8_t, 2> time = {static_cast<uint8_t>(seconds / 60), static_cast<uint8_t>(seconds % 60)};
        post(E_GUI_SYS_EVT_PLAY_TIME, time.data(), time.size());
    }
    playTimeTimerSet(kPlayTimeTickMs);
}

}  // namespace

void guiWrapperUsbPlayerRegister(const GuiWrapperUsbPlayer* player)
{
    UsbObj& o = gGuiWrapperUsbThisObj;
    o.playModeSet = player != nullptr ? player->playModeSet : nullptr;
    o.mountPathGet = player != nullptr ? player->mountPathGet : nullptr;
    o.fileCount = player != nullptr ? player->fileCount : nullptr;
}

void guiWrapperUsbInit(void)
{
    UsbObj& o = gGuiWrapperUsbThisObj;
    if (o.init.load() != 0) {
        return;
    }
    GuiWrapperGpioHandle gpio = guiWrapperGpioOpen(GUI_WRAPPER_USB_PWR_GPIO);
    if (gpio == nullptr) {
        USB_LOG("open gpio%u failed!", GUI_WRAPPER_USB_PWR_GPIO);
    }
    o.gpio = gpio;
    const uint32_t timer = guiTimerCreate(playTimeTimeoutCbk, 0);
    if (timer != 0) {
        USB_LOG("Timer Create Success!");
    }
    o.timer = timer;
    o.init = 1;
}

void guiWrapperUsbExit(void)
{
    UsbObj& o = gGuiWrapperUsbThisObj;
    guiTimerDelete(o.timer.exchange(0));
    GuiWrapperGpioHandle gpio = o.gpio.exchange(nullptr);
    if (gpio != nullptr) {
        guiWrapperGpioClose(gpio);
    }
    o.init = 0;
}

void guiWrapperUsbPowerOn(const GuiWrapperSetting* s)
{
    guiWrapperUsbRoleSet(1);
    if (s == nullptr) {
        USB_LOG("Param Error!");
        return;
    }
    USB_LOG("usb_play_mode=%u", s->usb_play_mode);
    guiWrapperUsbMusicPlayModeSet(static_cast<int32_t>(s->usb_play_mode));
}

void guiWrapperUsbPowerOff(uint32_t)
{
    guiWrapperUsbRoleSet(0);
}

void guiWrapperUsbFactoryReset(uint32_t)
{
    USB_LOG("factory reset clear play music infomation.");
    std::array<char, 64> cmd{};
    snprintf(cmd.data(), cmd.size(), "rm %s", kResumeFile);
    quorid_exec(cmd.data(), 0);
}

int32_t guiWrapperUsbMsgSnd(const void* body520)
{
    if (body520 == nullptr) {
        USB_LOG("Param Error!");
        return -1;
    }
    handle_t handle = 0;
    if (u_am_get_app_handle_from_name(&handle, kPlaybackUsbName) != 0) {
        USB_LOG("fail to get handle!");
    }
    const int32_t ret = u_app_send_msg(handle, E_APP_MSG_TYPE_USER_CMD, body520, sizeof(appmsg_t), nullptr, 0);
    if (ret != 0) {
        USB_LOG("guiWrapperUsbMsgSnd failed, ret[%d]", static_cast<int>(ret));
        return -1;
    }
    return 0;
}

void guiWrapperUsbMusicPlay(const uint32_t* fileIdx)
{
    if (fileIdx == nullptr) {
        USB_LOG("Param Error!");
        return;
    }
    sendKey(*fileIdx, kKeyPlay);
}

// The player pauses on its playback key by its own state.
void guiWrapperUsbMusicPause(const uint32_t* fileIdx)
{
    guiWrapperUsbMusicPlay(fileIdx);
}

void guiWrapperUsbMusicCtrl(const uint32_t arg[2])
{
    if (arg == nullptr) {
        USB_LOG("Param Error!");
        return;
    }
    const uint32_t fileIdx = arg[0];
    const uint32_t ctrl = arg[1];
    USB_LOG("ctl_cmd=%u, file_idx=%u", ctrl, fileIdx);
    switch (ctrl) {
    case GUI_WRAPPER_USB_CTRL_STOP:
        sendKey(kNoFileWord, kKeyStop);
        return;
    case GUI_WRAPPER_USB_CTRL_PLAY_PAUSE:
        sendKey(fileIdx, gGuiWrapperUsbThisObj.musicSts.load() == GUI_WRAPPER_USB_MUSIC_PLAYING ? kKeyPause : kKeyPlay);
        return;
    case GUI_WRAPPER_USB_CTRL_PREV:
    case GUI_WRAPPER_USB_CTRL_NEXT:
        sendKey(fileIdx, ctrl == GUI_WRAPPER_USB_CTRL_PREV ? kKeyPrev : kKeyNext, 0, 0);
        // A short mute over the track change keeps its click out.
        if (guiWrapperMusicMuteGet() == 0) {
            guiWrapperMusicPopMuteSet(1);
            std::this_thread::sleep_for(kTrackPopMute);
            guiWrapperMusicPopMuteSet(0);
        }
        return;
    default:
        return;
    }
}

void guiWrapperUsbMusicPlayModeSet(int32_t mode)
{
    USB_LOG("play_mode=%d", static_cast<int>(mode));
    const auto set = gGuiWrapperUsbThisObj.playModeSet.load();
    if (set != nullptr) {
        set(static_cast<uint32_t>(mode));
    }
}

void guiWrapperUsbMusicStsGet(uint32_t* out)
{
    if (out == nullptr) {
        USB_LOG("Param Error!");
        return;
    }
    *out = gGuiWrapperUsbThisObj.musicSts.load();
}

void guiWrapperUsbMusicPlayTimeGet(const uint8_t* en)
{
    if (en == nullptr) {
        USB_LOG("Param Error!");
        return;
    }
    USB_LOG("play_time_en = %d", *en);
    playTimeTimerSet(*en != 0 ? kPlayTimeFirstMs : 0);
}

int32_t guiWrapperUsbUDiskFilelistSearch(uint32_t* count)
{
    if (count == nullptr) {
        USB_LOG("Param Error!");
        return -1;
    }
    const UsbObj& o = gGuiWrapperUsbThisObj;
    const auto mountPathGet = o.mountPathGet.load();
    const auto fileCount = o.fileCount.load();
    if (mountPathGet == nullptr || fileCount == nullptr) {
        USB_LOG("no USB player");
        return -1;
    }
    std::array<char, 128> path{};
    const int32_t ret = mountPathGet(path.data(), path.size());
    if (ret != 0) {
        USB_LOG("get mnt info failed(ret:%d)!", static_cast<int>(ret));
        return ret;
    }
    *count = fileCount(kMountRoot);
    USB_LOG("udisk_path=%s, fileNum=%u", path.data(), *count);
    return 0;
}

void guiWrapperUsbUdiskPlugStsSet(uint8_t online)
{
    USB_LOG("online_sts=%d!", online);
    gGuiWrapperUsbThisObj.udiskSts = online;
}

void guiWrapperUsbUdiskPlugStsGet(uint8_t* out)
{
    if (out == nullptr) {
        USB_LOG("Param Error!");
        return;
    }
    *out = gGuiWrapperUsbThisObj.udiskSts.load();
}

void guiWrapperUsbUdiskHotplugCbk(uint8_t mounted)
{
    gGuiWrapperUsbThisObj.udiskSts = mounted;
    const uint32_t state = guiManagerAppStateGet();
    if (state <= kLastStandbyState || (state & kNoHotplugStates) != 0) {
        USB_LOG("standby status!");
        return;
    }
    if (mounted != 0) {
        guiWrapperMusicTimerReset(0);
        post(E_GUI_SYS_EVT_UDISK_HOTPLUG_ON);
    } else {
        post(E_GUI_SYS_EVT_UDISK_HOTPLUG_OFF);
    }
}

int32_t guiWrapperUsbUDiskMusicStsCbk(uint32_t status, uint32_t index)
{
    if (status >= kMusicStsCount) {
        USB_LOG("Param Error!");
        return 0;
    }
    if (index == GUI_WRAPPER_USB_NO_INDEX) {
        USB_LOG("unknown file index!");
        status = 1;
    }
    UsbObj& o = gGuiWrapperUsbThisObj;
    if (status == GUI_WRAPPER_USB_MUSIC_PLAYING) {
        playTimeTimerSet(0);
        o.timerCnt = 0;
    }
    post(kStsEvents[status], &index, sizeof index);
    o.musicSts = status;
    return 0;
}

void guiWrapperUsbUDiskMusicPlayTimeCbk(uint64_t seconds)
{
    UsbObj& o = gGuiWrapperUsbThisObj;
    if (o.musicSts.load() == GUI_WRAPPER_USB_MUSIC_PLAYING) {
        o.progress = seconds;
    }
}

void guiWrapperUsbRoleSet(uint32_t role)
{
    if (role >= 2) {
        USB_LOG("Param Error!");
        return;
    }
    UsbObj& o = gGuiWrapperUsbThisObj;
    const uint32_t last = o.role.exchange(role);
    USB_LOG("role = %u, last_role = %u", role, last);
    if (role == last) {
        return;
    }
    const GuiWrapperGpioHandle gpio = o.gpio.load();
    if (gpio == nullptr) {
        return;
    }
    const uint32_t level = role == 0 ? 1 : 0;
    const GuiWrapperGpioSetting setting{0, level};
    guiWrapperGpioSet(gpio, &setting);
    USB_LOG("gpio_pwr_en = %u", level);
    std::this_thread::sleep_for(kRoleSettle);
}

void guiWrapperUsbAdbStart(void)
{
    quorid_exec("chown system:system /sys/devices/platform/kv_usb/swmode", 0);
    quorid_exec("echo 'idle' > /sys/devices/platform/kv_usb/swmode", 0);
    quorid_exec("echo 'device' > /sys/devices/platform/kv_usb/swmode", 0);
}
