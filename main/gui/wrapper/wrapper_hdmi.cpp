#include "main/gui/wrapper/wrapper_hdmi.h"

#include "main/am/aee/aee.h"
#include "main/am/am.h"
#include "main/gui/link/wrapper_hdmi_upgrade.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/wrapper/gui_wrapper_setting.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_gpio.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/gui/wrapper/wrapper_power.h"
#include "main/gui/wrapper/wrapper_usb.h"
#include "main/state_mngr/msg/sm_msg.h"
#include "main/timerd/gui_timer.h"
#include "platform/sbdev/hdmitx_ioctl.h"
#include "platform/sbdev/sb_dev.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>

#define HDMI_LOG(fmt, ...) WRAPPER_LOG_ERR("<HDMI>", fmt, ##__VA_ARGS__)

namespace {

constexpr const char* kDevPath = "/dev/hdmitx";
constexpr const char* kStateMngrName = "state_mngr";
constexpr uint32_t kGpioI2cPwr = 449;
constexpr uint32_t kSources = 6;
constexpr uint8_t kSrcArc = 0;
constexpr uint8_t kSrcBt = 3;
constexpr uint32_t kRoutingArc = 0;
constexpr uint32_t kRoutingEarc = 1;
constexpr uint32_t kRoutingHdmiIn = 2;
constexpr uint32_t kRoutingNone = 255;
constexpr uint32_t kEarcArc = 1;
constexpr uint32_t kEarcEarc = 2;
constexpr uint8_t kPowerFlag = 0x01;
constexpr uint8_t kTvMuteBit = 0x80;
constexpr uint8_t kTvVolMask = 0x7F;
constexpr uint8_t kKeepMuteAbove = 81;
constexpr uint32_t kSrcStsRetries = 5;
constexpr std::chrono::milliseconds kSrcStsRetry{100};
constexpr std::chrono::milliseconds kI2cPwrSettle{10};
constexpr int64_t kPowerDebounceMs = 25;
constexpr uint32_t kTxHotplugMs = 10;
constexpr uint32_t kTxHotplugAgainMs = 1000;
constexpr uint32_t kArcShowMs = 1500;
constexpr uint32_t kRoutingSrcMs = 1500;
constexpr uint32_t kRoutingAfterTxMs = 1000;
constexpr uint8_t kCecFrameMax = 16;
constexpr uint32_t kUpgradeModuleHdmi = 1;
constexpr uint32_t kUpgradeFromOta = 1;

// The state manager's manual-source key of each source (ARC, HDMI in, optical, BT, AUX, USB).
constexpr std::array<uint32_t, kSources> kSrcKey = {SM_BODY_UI_SRC_ARC_IN,  SM_BODY_UI_SRC_HDMI_IN,
                                                    SM_BODY_UI_SRC_SPDIF_IN, SM_BODY_UI_SRC_BT_EXT_IN,
                                                    SM_BODY_UI_SRC_AUX_IN,   SM_BODY_UI_SRC_USB};

// GUI states in which the TV's reports are not for the user.
constexpr uint32_t kStandbyOrTest = GUI_SYS_STATE_OFF | GUI_SYS_STATE_TRANSIT | GUI_SYS_STATE_IDLE |
                                    GUI_SYS_STATE_PDT | GUI_SYS_STATE_UPGRADE;
constexpr uint32_t kTvSources = GUI_SYS_STATE_SRC_ARC | GUI_SYS_STATE_SRC_HDMI | GUI_SYS_STATE_SHOP;
constexpr uint32_t kNoArcToggle = kStandbyOrTest | GUI_SYS_STATE_ON | GUI_SYS_STATE_SHOP;
constexpr uint32_t kArcShowStates = GUI_SYS_STATE_ON | GUI_SYS_STATE_SRC_ARC | GUI_SYS_STATE_BYPASS;

// The upgrade-percent payload as the display reads it.
struct UpgradePercent {
    uint32_t module;
    uint16_t percent;
    uint8_t reboot;
    uint8_t factory_reset;
};
static_assert(sizeof(UpgradePercent) == 8, "the upgrade-percent payload is 8 bytes");

// Fields read by the status thread, the timers and the GUI thread are atomic, each written whole.
struct HdmiObj {
    std::atomic<uint8_t> flags{0};
    std::atomic<uint32_t> online{0};
    std::atomic<uint8_t> aud_src{0};
    std::atomic<uint32_t> eArc_sts{0};
    std::atomic<uint8_t> sb_vol{0};
    std::atomic<uint8_t> sb_mute{0};
    std::atomic<uint8_t> shop_mode_en{0};
    std::atomic<uint8_t> usr_pwr_off_en{0};
    std::atomic<uint32_t> routing_src{0};
    // Time of the last power idle or off, in microseconds of the monotonic clock (0: never).
    std::atomic<int64_t> power_down_us{0};
    std::atomic<uint32_t> timer_tx_hotplug_fd{0};
    std::atomic<uint32_t> timer_arc_show_fd{0};
    std::atomic<uint32_t> timer_routing_src_fd{0};
    std::atomic<GuiWrapperGpioHandle> gpio{nullptr};
    std::atomic<uint8_t> init{0};
};

HdmiObj gGuiWrapperHdmiThisObj;
// The last upgrade percent posted, for the whole process.
std::atomic<uint32_t> gLastUpgradePercent{0};

HdmiObj& obj()
{
    return gGuiWrapperHdmiThisObj;
}

int64_t nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void postByte(uint16_t id, uint8_t value)
{
    GuiMsg msg{};
    msg.msg_id = id;
    msg.msg_size = 1;
    msg.data[0] = value;
    guiManagerAppMsgSnd(&msg);
}

void musicCountersReset()
{
    guiWrapperMusicTimerReset(0);
}

void timerArm(const std::atomic<uint32_t>& timer, uint32_t ms)
{
    guiTimerSet(timer.load(), ms, 0);
}

void timerStop(const std::atomic<uint32_t>& timer)
{
    guiTimerSet(timer.load(), 0, 0);
}

// Stops the timer when it runs, saying so.
void timerStopActive(const std::atomic<uint32_t>& timer, const char* name)
{
    if (guiTimerActiveStsGet(timer.load()) != 0) {
        HDMI_LOG("%s is active!", name);
        timerStop(timer);
    }
}

void timersStop()
{
    timerStop(obj().timer_tx_hotplug_fd);
    timerStop(obj().timer_arc_show_fd);
    timerStop(obj().timer_routing_src_fd);
}

void timersStopActive()
{
    timerStopActive(obj().timer_tx_hotplug_fd, "timer_tx_hotplug_fd");
    timerStopActive(obj().timer_arc_show_fd, "timer_arc_show_fd");
    timerStopActive(obj().timer_routing_src_fd, "timer_routing_src_fd");
}

void powerFlagSet(uint8_t on)
{
    if (on != 0) {
        obj().flags.fetch_or(kPowerFlag);
    } else {
        obj().flags.fetch_and(static_cast<uint8_t>(~kPowerFlag));
    }
}

uint8_t powerFlag()
{
    return (obj().flags.load() & kPowerFlag) != 0 ? 1 : 0;
}

// Power idle and off: no timer outlives the source, and a TV power-on report that follows at once
// is taken for the echo of our own.
void powerDown()
{
    timersStop();
    obj().routing_src = kRoutingNone;
    powerFlagSet(0);
    obj().power_down_us = nowUs();
}

// Start the source: {12, key}.
int32_t sendSrcSet(uint8_t audSrc)
{
    return guiWrapperHdmiMsgSnd(kSrcKey[audSrc], MSG_FROM_UI);
}

// Clear the source: {key, 51}.
int32_t sendSrcClr(uint8_t audSrc)
{
    return guiWrapperHdmiMsgSnd(SM_BODY_UI_SRCIN_CLR, kSrcKey[audSrc]);
}

void byteGet(uint32_t request, uint8_t* out, const char* failure)
{
    if (out == nullptr) {
        HDMI_LOG("Param Error!");
        return;
    }
    if (guiWrapperHdmiCecIoctl(request, out) != 0) {
        HDMI_LOG("%s", failure);
    }
}

int32_t byteSet(uint32_t request, uint8_t value)
{
    return guiWrapperHdmiCecIoctl(request, &value);
}

void arcShow(uint32_t earcSts)
{
    if ((guiManagerAppStateGet() & kArcShowStates) == 0) {
        return;
    }
    musicCountersReset();
    postByte(E_GUI_SYS_EVT_HDMI_OUT_ARC_SHOW, static_cast<uint8_t>(earcSts));
}

void txHotplugTimeout(uint32_t)
{
    if (guiManagerAppStateGet() == GUI_SYS_STATE_ON) {
        timerArm(obj().timer_tx_hotplug_fd, kTxHotplugAgainMs);
        return;
    }
    uint8_t sts = 0;
    guiWrapperHdmiEArcStsGet(&sts);
    HDMI_LOG("eArc_sts=0x%x!", sts);
    obj().routing_src = (sts == 0 || sts == kEarcEarc) ? kRoutingEarc : kRoutingArc;
    timerStopActive(obj().timer_arc_show_fd, "timer_arc_show_fd");
    timerArm(obj().timer_routing_src_fd, kRoutingAfterTxMs);
}

void arcShowTimeout(uint32_t)
{
    if (guiManagerAppStateGet() == GUI_SYS_STATE_ON) {
        timerArm(obj().timer_arc_show_fd, kArcShowMs);
        return;
    }
    if (obj().aud_src.load() == kSrcArc) {
        arcShow(obj().eArc_sts.load());
        sendSrcSet(kSrcArc);
    }
}

void routingSrcTimeout(uint32_t)
{
    musicCountersReset();
    if (guiManagerAppStateGet() == GUI_SYS_STATE_ON) {
        timerArm(obj().timer_routing_src_fd, kRoutingSrcMs);
        return;
    }
    postByte(E_GUI_SYS_EVT_HDMI_OUT_ROUTING_SRC, static_cast<uint8_t>(obj().routing_src.load()));
}

uint32_t timerCreate(GuiTimerCbk cbk)
{
    const uint32_t t = guiTimerCreate(cbk, 0);
    if (t != 0) {
        HDMI_LOG("Timer Create Success!");
    } else {
        HDMI_LOG("Timer Create failed!");
    }
    return t;
}

}  // namespace

int32_t guiWrapperHdmiMsgSnd(uint32_t cmd, uint32_t word0)
{
    handle_t handle = 0;
    if (u_am_get_app_handle_from_name(&handle, kStateMngrName) != 0) {
        HDMI_LOG("fail to get handle!");
    }
    appmsg_t body{};
    body.ui4_sender_id = word0;
    body.ui4_msg_type = cmd;
    const int32_t ret = u_app_send_msg(handle, E_APP_MSG_TYPE_USER_CMD, &body, sizeof(body), nullptr, 0);
    if (ret != 0) {
        HDMI_LOG("guiWrapperHdmiMsgSnd failed, ret[%d]", static_cast<int>(ret));
        return -1;
    }
    return 0;
}

int32_t guiWrapperHdmiCecIoctl(uint32_t request, void* arg)
{
    const int fd = sb_dev_open(kDevPath, O_RDWR);
    if (fd < 0) {
        HDMI_LOG("open %s device failed!", kDevPath);
        return 1;
    }
    if (sb_dev_ioctl_ptr(fd, request, arg) != 0) {
        HDMI_LOG("ioctl cmd=0x%x failed!", request);
        sb_dev_close(fd);
        return 1;
    }
    if (sb_dev_close(fd) != 0) {
        HDMI_LOG("close %s device failed!", kDevPath);
        return 1;
    }
    return 0;
}

void guiWrapperHdmiVersionGet(uint32_t* out)
{
    if (out == nullptr) {
        HDMI_LOG("Param Error!");
        return;
    }
    if (guiWrapperHdmiCecIoctl(KVX_HDMI_GET_VERSION, out) != 0) {
        HDMI_LOG("get hdmi version failed!");
    }
}

void guiWrapperHdmiSrcStsGet(uint8_t* out)
{
    byteGet(KVX_HDMI_GET_SRC_STS, out, "get src mode failed!");
}

void guiWrapperHdmiTxPlugStsGet(uint8_t* out)
{
    byteGet(KVX_HDMI_GET_TX_PLUG_STS, out, "get tx plug sts failed!");
}

void guiWrapperHdmiRxPlugStsGet(uint8_t* out)
{
    byteGet(KVX_HDMI_GET_RX_PLUG_STS, out, "get rx plug sts failed!");
}

void guiWrapperHdmiPwrSrcGet(uint8_t* out)
{
    byteGet(KVX_HDMI_GET_PWR_SRC, out, "get arc/earc mode failed!");
}

void guiWrapperHdmiEArcStsGet(uint8_t* out)
{
    byteGet(KVX_HDMI_GET_EARC_STS, out, "get arc/earc mode failed!");
}

void guiWrapperHdmiCecStsGet(uint32_t* out)
{
    if (out == nullptr) {
        HDMI_LOG("Param Error!");
        return;
    }
    *out = obj().online.load();
}

void guiWrapperHdmiSrcStsSet(uint32_t audSrc)
{
    if (audSrc >= kSources) {
        HDMI_LOG("Param Error!");
        return;
    }
    int32_t ret = byteSet(KVX_HDMI_SET_SRC_STS, static_cast<uint8_t>(audSrc));
    for (uint32_t i = 0; ret != 0 && i < kSrcStsRetries; ++i) {
        HDMI_LOG("i4Ret=%d, aud_src=%d, try again!", static_cast<int>(ret), static_cast<int>(audSrc));
        std::this_thread::sleep_for(kSrcStsRetry);
        ret = byteSet(KVX_HDMI_SET_SRC_STS, static_cast<uint8_t>(audSrc));
    }
    // The driver takes a while to switch; the next request waits for it.
    std::this_thread::sleep_for(kSrcStsRetry);
}

void guiWrapperHdmiVolSet(const uint8_t* vol)
{
    if (vol == nullptr) {
        HDMI_LOG("Param Error!");
        return;
    }
    const uint8_t value = *vol;
    const uint8_t was = obj().sb_vol.load();
    if (value == was) {
        return;
    }
    if (was == 0 && value == 1 && byteSet(KVX_HDMI_SET_MUTE, 0) != 0) {
        HDMI_LOG("ioctl mute cmd failed!");
    }
    obj().sb_vol = value;
    if (byteSet(KVX_HDMI_SET_VOLUME, value) != 0) {
        HDMI_LOG("ioctl volume cmd failed!");
    }
}

void guiWrapperHdmiMuteSet(const uint8_t* mute)
{
    if (mute == nullptr) {
        HDMI_LOG("Param Error!");
        return;
    }
    if (*mute == obj().sb_mute.load()) {
        return;
    }
    obj().sb_mute = *mute;
    if (byteSet(KVX_HDMI_SET_MUTE, *mute) != 0) {
        HDMI_LOG("ioctl mute cmd failed!");
    }
}

void guiWrapperHdmiShopModeSet(uint8_t en)
{
    obj().shop_mode_en = en;
    if (byteSet(KVX_HDMI_SET_SHOP_MODE, en) != 0) {
        HDMI_LOG("set shop mode failed!");
    }
}

void guiWrapperHdmiI2cPwrSet(uint8_t on)
{
    const GuiWrapperGpioHandle gpio = obj().gpio.load();
    if (gpio == nullptr) {
        return;
    }
    const GuiWrapperGpioSetting s{0, on != 0 ? 1u : 0u};
    guiWrapperGpioSet(gpio, &s);
    std::this_thread::sleep_for(kI2cPwrSettle);
}

void guiWrapperHdmiUpgradePercentDisp(uint32_t percent)
{
    if (guiWrapperHdmiUpgradeOriginGet() == kUpgradeFromOta) {
        return;
    }
    if (gLastUpgradePercent.exchange(percent) == percent) {
        return;
    }
    const UpgradePercent payload{kUpgradeModuleHdmi, static_cast<uint16_t>(percent), 1, 0};
    GuiMsg msg{};
    msg.msg_id = E_GUI_SYS_EVT_UPGRADE_PERCENT;
    msg.msg_size = sizeof(payload);
    std::memcpy(msg.data, &payload, sizeof(payload));
    guiManagerAppMsgSnd(&msg);
}

void guiWrapperHdmiManualSrcInSet(const uint32_t* audSrc)
{
    if (audSrc == nullptr || *audSrc >= kSources) {
        HDMI_LOG("Param Error!");
        return;
    }
    if (guiManagerAppStateGet() > GUI_SYS_STATE_ON) {
        timersStop();
        obj().routing_src = kRoutingNone;
    }
    guiWrapperHdmiSrcStsSet(*audSrc);
    guiWrapperMusicPopUnMuteReset();
    obj().aud_src = static_cast<uint8_t>(*audSrc);
    sendSrcSet(static_cast<uint8_t>(*audSrc));
}

void guiWrapperHdmiRoutingSrcInSet(const uint32_t* routing)
{
    if (routing == nullptr || *routing > kRoutingHdmiIn) {
        HDMI_LOG("Param Error!");
        return;
    }
    obj().routing_src = *routing;
    const uint8_t audSrc = *routing == kRoutingHdmiIn ? 1 : kSrcArc;
    obj().aud_src = audSrc;
    guiWrapperMusicPopUnMuteReset();
    sendSrcSet(audSrc);
}

int32_t guiWrapperHdmiSrcInClr(const uint32_t* audSrc)
{
    if (audSrc == nullptr || *audSrc >= kSources) {
        HDMI_LOG("Param Error!");
        return -1;
    }
    if (*audSrc > 1) {
        timersStop();
    }
    return sendSrcClr(static_cast<uint8_t>(*audSrc));
}

void guiWrapperHdmiRoutingSrcInClr(uint32_t)
{
    if (guiManagerAppStateGet() > GUI_SYS_STATE_ON) {
        timersStop();
        obj().routing_src = kRoutingNone;
    }
}

void guiWrapperHdmiPowerOn(const GuiWrapperPwrObj* pwr)
{
    if (pwr == nullptr || pwr->setting == nullptr) {
        HDMI_LOG("Param Error!");
        return;
    }
    const GuiWrapperSetting* s = pwr->setting;
    const uint8_t vol = s->eq_mode == GUI_EQ_MODE_NIGHT ? s->night_vol : s->vol;
    guiWrapperHdmiVolSet(&vol);
    obj().usr_pwr_off_en = 0;
    obj().shop_mode_en = s->shop_mode_en;
    obj().aud_src = static_cast<uint8_t>(s->aud_src);
    if (pwr->is_cold_pwr_on != 0 && byteSet(KVX_HDMI_SET_SHOP_MODE, s->shop_mode_en) != 0) {
        HDMI_LOG("set shop mode failed!");
    }
    powerFlagSet(1);
    HDMI_LOG("pwr_en=%d, aud_src=%d", powerFlag(), static_cast<int>(s->aud_src));
}

void guiWrapperHdmiPowerIdle(const GuiWrapperSetting*)
{
    timersStop();
    if (byteSet(KVX_HDMI_SET_POWER_IDLE, 0) != 0) {
        HDMI_LOG("ioctl power off cmd failed!");
    }
    powerDown();
    HDMI_LOG("power idle");
}

void guiWrapperHdmiPowerOff(const GuiWrapperSetting* s)
{
    const uint8_t autoWake = s != nullptr ? s->auto_wake_en : 0;
    HDMI_LOG("auto_wake_en = %d", autoWake);
    if (autoWake == 0) {
        guiWrapperHdmiSrcStsSet(kSrcBt);
    }
    powerDown();
    HDMI_LOG("power_off");
}

void guiWrapperHdmiFactoryReset(const GuiWrapperSetting* s)
{
    if (s == nullptr) {
        HDMI_LOG("Param Error!");
        return;
    }
    guiWrapperHdmiVolSet(&s->vol);
    guiWrapperHdmiPowerOff(s);
}

void guiWrapperHdmiUsrPowerOff(uint32_t)
{
    obj().usr_pwr_off_en = 1;
}

void guiWrapperHdmiRoutingPowerCbk(uint8_t tvPowerOn)
{
    const uint32_t state = guiManagerAppStateGet();
    HDMI_LOG("sys_state=0x%x, tv_pwr_en=%d, sb_pwr_en=%d", state, tvPowerOn, powerFlag());
    if (state == GUI_SYS_STATE_TRANSIT) {
        HDMI_LOG("sys_state=0x%x!", state);
        return;
    }
    const uint8_t on = tvPowerOn != 0 ? 1 : 0;
    if (on == powerFlag()) {
        return;
    }
    powerFlagSet(on);
    if (on != 0) {
        const int64_t offsetMs = (nowUs() - obj().power_down_us.load()) / 1000;
        HDMI_LOG("offset_ms=%d ms", static_cast<int>(offsetMs));
        if (offsetMs < kPowerDebounceMs) {
            HDMI_LOG("debounce power on!");
            return;
        }
        if ((state & (GUI_SYS_STATE_OFF | GUI_SYS_STATE_IDLE)) != 0) {
            musicCountersReset();
            postByte(E_GUI_SYS_EVT_HDMI_OUT_ROUTING_POWER, 1);
        }
        return;
    }
    if ((state & kTvSources) != 0) {
        musicCountersReset();
        postByte(E_GUI_SYS_EVT_HDMI_OUT_ROUTING_POWER, 0);
    }
}

void guiWrapperHdmiRoutingSrcCbk(int32_t tvSource)
{
    if ((guiManagerAppStateGet() & kStandbyOrTest) != 0) {
        HDMI_LOG("standby or pdt status!");
        return;
    }
    if (obj().shop_mode_en.load() != 0) {
        HDMI_LOG("forbid routing src in shop state!");
        return;
    }
    const uint32_t routing = static_cast<uint32_t>(tvSource);
    if (routing == obj().routing_src.load()) {
        return;
    }
    obj().routing_src = routing;
    timerStopActive(obj().timer_tx_hotplug_fd, "timer_tx_hotplug_fd");
    timerStopActive(obj().timer_arc_show_fd, "timer_arc_show_fd");
    timerArm(obj().timer_routing_src_fd, kRoutingSrcMs);
}

void guiWrapperHdmiRoutingVolCbk(uint8_t volMute)
{
    const uint32_t state = guiManagerAppStateGet();
    if ((state & (GUI_SYS_STATE_OFF | GUI_SYS_STATE_IDLE)) != 0) {
        HDMI_LOG("system diable status!");
        return;
    }
    if ((state & kTvSources) == 0) {
        return;
    }
    const uint8_t vol = volMute & kTvVolMask;
    uint8_t mute = (volMute & kTvMuteBit) != 0 ? 1 : 0;
    const uint8_t sbVol = obj().sb_vol.load();
    if (obj().sb_mute.load() != 0 && sbVol > kKeepMuteAbove && sbVol > vol) {
        HDMI_LOG("Don't unmute in mute state when decreasing volumn!");
        mute = 1;
        byteSet(KVX_HDMI_SET_MUTE, 1);
    }
    if (vol != sbVol) {
        obj().sb_vol = vol;
        musicCountersReset();
        postByte(E_GUI_SYS_EVT_HDMI_OUT_VOL_SET, vol);
    }
    if (mute != obj().sb_mute.load()) {
        obj().sb_mute = mute;
        musicCountersReset();
        postByte(E_GUI_SYS_EVT_HDMI_OUT_MUTE_SET, mute);
    }
}

void guiWrapperHdmiRoutingMuteCbk(uint8_t mute)
{
    if ((guiManagerAppStateGet() & (GUI_SYS_STATE_SRC_ARC | GUI_SYS_STATE_SRC_HDMI)) != 0) {
        guiWrapperMusicHdmiSrcMute(mute);
    }
}

void guiWrapperHdmiArcToggleCbk(int32_t earcSts)
{
    const uint32_t state = guiManagerAppStateGet();
    if ((state & kNoArcToggle) != 0) {
        HDMI_LOG("sys_state=0x%x!", state);
        return;
    }
    const uint32_t routing = obj().routing_src.load();
    if (earcSts == static_cast<int32_t>(kEarcArc) && routing == kRoutingArc) {
        HDMI_LOG("ARC Source has been Played!");
        return;
    }
    if (earcSts == static_cast<int32_t>(kEarcEarc) && routing == kRoutingEarc) {
        HDMI_LOG("EARC Source has been Played!");
        return;
    }
    if (routing == kRoutingHdmiIn) {
        HDMI_LOG("HDMI In Source has been Played!");
        sendSrcClr(kSrcArc);
    }
    if (obj().shop_mode_en.load() != 0) {
        HDMI_LOG("forbid arc show in shop state!");
        return;
    }
    if (obj().aud_src.load() != kSrcArc) {
        return;
    }
    obj().eArc_sts = static_cast<uint32_t>(earcSts);
    obj().routing_src = kRoutingNone;
    timerStopActive(obj().timer_tx_hotplug_fd, "timer_tx_hotplug_fd");
    timerStopActive(obj().timer_routing_src_fd, "timer_routing_src_fd");
    timerArm(obj().timer_arc_show_fd, kArcShowMs);
}

void guiWrapperHdmiTxHotplug(uint8_t online)
{
    const uint32_t state = guiManagerAppStateGet();
    if ((state & kStandbyOrTest) != 0) {
        HDMI_LOG("sys_state=0x%x!", state);
        return;
    }
    timersStopActive();
    const bool arc = obj().aud_src.load() == kSrcArc;
    if (online != 0) {
        obj().online = 1;
        if (arc) {
            timerArm(obj().timer_tx_hotplug_fd, kTxHotplugMs);
        }
        return;
    }
    obj().online = 0;
    obj().routing_src = kRoutingNone;
    guiWrapperMusicSrcInputSet(kSrcArc, 0);
    if (arc) {
        arcShow(0);
    }
}

void guiWrapperHdmiRxHotplug(uint8_t online)
{
    if ((guiManagerAppStateGet() & kStandbyOrTest) != 0) {
        HDMI_LOG("standby or pdt status!");
        return;
    }
    if (obj().shop_mode_en.load() != 0) {
        HDMI_LOG("forbid routing src in shop state!");
        return;
    }
    if (online != 0) {
        uint32_t usb = 0;
        guiWrapperUsbMusicStsGet(&usb);
        if (usb == 2) {
            HDMI_LOG("usb is playing status!");
        }
        return;
    }
    obj().routing_src = kRoutingNone;
}

void guiWrapperHdmiCecRcvCbk(const uint8_t* frame, uint8_t len)
{
    if (frame == nullptr || len > kCecFrameMax) {
        HDMI_LOG("Param Error!");
        return;
    }
    std::string bytes;
    for (uint8_t i = 0; i < len; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02x" : " %02x", frame[i]);
        bytes += hex;
    }
    HDMI_LOG("cec rcv len=%d: %s", len, bytes.c_str());
    musicCountersReset();
}

void guiWrapperHdmiCecSndCbk(const uint8_t*, uint8_t)
{
}

void guiWrapperHdmiInit(void)
{
    HdmiObj& o = obj();
    if (o.init.load() != 0) {
        return;
    }
    o.flags = 0;
    o.online = 0;
    o.aud_src = 0;
    o.eArc_sts = 0;
    o.sb_vol = 0;
    o.sb_mute = 0;
    o.shop_mode_en = 0;
    o.usr_pwr_off_en = 0;
    o.power_down_us = 0;
    o.gpio = guiWrapperGpioOpen(kGpioI2cPwr);
    if (o.gpio.load() == nullptr) {
        HDMI_LOG("open gpio%d failed!", static_cast<int>(kGpioI2cPwr));
    }
    guiWrapperHdmiI2cPwrSet(0);
    o.timer_tx_hotplug_fd = timerCreate(txHotplugTimeout);
    o.timer_arc_show_fd = timerCreate(arcShowTimeout);
    o.timer_routing_src_fd = timerCreate(routingSrcTimeout);
    o.routing_src = kRoutingNone;
    o.init = 1;
}

void guiWrapperHdmiExit(void)
{
    HdmiObj& o = obj();
    const GuiWrapperGpioHandle gpio = o.gpio.exchange(nullptr);
    if (gpio != nullptr) {
        guiWrapperGpioClose(gpio);
    }
    guiTimerDelete(o.timer_tx_hotplug_fd.exchange(0));
    guiTimerDelete(o.timer_arc_show_fd.exchange(0));
    guiTimerDelete(o.timer_routing_src_fd.exchange(0));
    o.init = 0;
}
