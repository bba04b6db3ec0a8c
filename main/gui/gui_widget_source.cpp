#include "main/gui/gui_widget_source.h"

#include "main/device_mngr/dm_mount.h"
#include "main/gui/gui_manager.h"
#include "main/gui/gui_ops.h"
#include "main/gui/gui_tracking.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/gui_widget_disp.h"
#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/tone/gui_tone.h"
#include "main/timerd/gui_log.h"
#include "main/timerd/gui_timer.h"
#include "platform/sbroot/sb_root.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <thread>
#include <unistd.h>

const uint32_t gGuiWidgetSrcState[6] = {GUI_SYS_STATE_SRC_ARC, GUI_SYS_STATE_SRC_HDMI, GUI_SYS_STATE_SRC_OPT,
                                        GUI_SYS_STATE_SRC_BT,  GUI_SYS_STATE_SRC_AUX,  GUI_SYS_STATE_SRC_USB};

namespace {

constexpr uint32_t kSrcArc = 0;
constexpr uint32_t kSrcHdmi = 1;
constexpr uint32_t kSrcBt = 3;
constexpr uint32_t kSrcUsb = 5;
constexpr uint32_t kSrcCount = 6;
constexpr uint32_t kGstPending = 1;
constexpr uint32_t kGstDone = 2;
constexpr uint32_t kBtConnected = 4;
constexpr uint8_t kSrcSelRetries = 3;

// Timers stopped before a source change (the Bluetooth path leaves the USB offline timer running).
constexpr GuiWidgetTimer kSelStops[] = {
    GUI_WIDGET_TIMER_SRC_TOGGLE,  GUI_WIDGET_TIMER_SRC_BT,   GUI_WIDGET_TIMER_MUTE_DISP,
    GUI_WIDGET_TIMER_MUTE_TOGGLE, GUI_WIDGET_TIMER_UNMUTE,   GUI_WIDGET_TIMER_VOL,
    GUI_WIDGET_TIMER_VOL_SYNC,    GUI_WIDGET_TIMER_VOL_BT,   GUI_WIDGET_TIMER_VOL_WIRELESS,
    GUI_WIDGET_TIMER_USB_OFFLINE, GUI_WIDGET_TIMER_USB_CTRL, GUI_WIDGET_TIMER_USB_PLAY};

void timerStop(GuiWidgetTimer t)
{
    const uint32_t h = guiWidgetTimerGet(t);
    if (h != 0 && guiTimerActiveStsGet(h) != 0) {
        guiTimerSet(h, 0, 0);
    }
}

void timerArm(GuiWidgetTimer t, uint32_t ms)
{
    guiTimerSet(guiWidgetTimerGet(t), ms, 0);
}

void post(uint16_t id, const void* payload, uint8_t size, uint16_t delayMs)
{
    GuiMsg msg{};
    msg.msg_id = id;
    msg.msg_size = size;
    if (size != 0) {
        std::memcpy(msg.data, payload, size);
    }
    if (delayMs == 0) {
        guiManagerAppMsgSnd(&msg);
    } else {
        guiManagerAppMsgSndDly(&msg, delayMs);
    }
}

GuiWidgetSetting snapshot()
{
    GuiWidgetSetting copy{};
    guiWidgetSettingGet(&copy);
    return copy;
}

template <typename F>
void change(F f)
{
    std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
    f(guiWidgetRecord());
}

void setSrcState(uint32_t src)
{
    if (src < kSrcCount) {
        guiManagerAppStateSet(gGuiWidgetSrcState[src]);
    }
}

bool testState()
{
    const uint32_t s = guiManagerAppStateGet();
    return s == GUI_SYS_STATE_BYPASS || s == GUI_SYS_STATE_STANDARD_TEST;
}

// Slot 24 with the source when it is set; the switch is then pending until the player confirms.
void manualSrcInSet(uint32_t src)
{
    if (guiWidgetCbkGet().slot[GUI_WIDGET_CBK_MANUAL_SRC_IN_SET] == nullptr) {
        return;
    }
    change([](GuiWidgetSetting& s) { s.src_gst_sts = kGstPending; });
    guiWidgetSlotCall(GUI_WIDGET_CBK_MANUAL_SRC_IN_SET, &src);
}

// Slot 50's file search: 0 means a readable stick.
uint32_t udiskSearch()
{
    uint32_t count = 0;
    const int32_t ret = guiWidgetSlotCall(GUI_WIDGET_CBK_USB_UDISK_FILELIST_SEARCH, &count);
    change([ret](GuiWidgetSetting& s) { s.udisk_sts = ret == 0 ? 1 : 0; });
    return count;
}

void unmuteNow()
{
    change([](GuiWidgetSetting& s) { s.mute_sts = 0; });
    GUI_LOG_INFO("mute_sts=%d", 0);
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_MUTE);
    uint8_t mute = 0;
    guiWidgetSlotCall(GUI_WIDGET_CBK_MUTE_SET, &mute);
}

void popMuteOrDelayedUnmute()
{
    if (snapshot().mute_sts == 0) {
        uint8_t on = 1;
        guiWidgetSlotCall(GUI_WIDGET_CBK_POP_MUTE_SET, &on);
    } else {
        change([](GuiWidgetSetting& s) { s.mute_sts = 0; });
        timerArm(GUI_WIDGET_TIMER_UNMUTE, 1500);
    }
}

void tellPhoneApp(uint32_t src)
{
    const uint8_t low = static_cast<uint8_t>(src & 0xFF);
    guiWrapperBrontalManualSrcInSet(&low);
}

}  // namespace

void guiWidgetHomeShowProcess(void)
{
    GuiWidgetSetting s = snapshot();
    if (s.shop_mode_en == 0) {
        uint32_t src = s.aud_src;
        uint8_t pwrSrc = 0;
        guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_PWR_SRC_GET, &pwrSrc);
        GUI_LOG_INFO("pwr_src=%d", pwrSrc);
        if (pwrSrc == 1) {
            src = kSrcArc;
        } else if (pwrSrc == 2) {
            src = kSrcHdmi;
        } else {
            guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_SRC_STS_GET, &pwrSrc);
            if (pwrSrc == 1 || pwrSrc == 2) {
                src = kSrcArc;
            }
        }
        guiWidgetDispSrc(src);
        if (src != s.aud_src) {
            change([src](GuiWidgetSetting& r) { r.aud_src = src; });
            guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_AUD_SRC);
        }
        if (src == kSrcBt) {
            guiToneBtStsProcess(s.bt_sts < kBtConnected ? E_GUI_SYS_EVT_BT_PAIRING : E_GUI_SYS_EVT_BT_CONNECTED);
        }
    } else {
        guiWidgetShopModeProcess(1);
    }
    guiWidgetSlotCall(GUI_WIDGET_CBK_POWER_ON, nullptr);
    post(E_GUI_SYS_EVT_HOME_SRC_SET, nullptr, 0, 10);
}

void guiWidgetHomeSrcSetProcess(void)
{
    if (snapshot().mute_sts != 0) {
        change([](GuiWidgetSetting& s) { s.mute_sts = 0; });
        guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_MUTE);
    }
    uint8_t on = 1;
    guiWidgetSlotCall(GUI_WIDGET_CBK_POP_MUTE_SET, &on);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (guiWidgetPdtModeChk() == 0) {
        return;
    }
    const uint32_t count = udiskSearch();
    GuiWidgetSetting s = snapshot();
    uint32_t src = s.aud_src;
    if (src == kSrcUsb) {
        if (s.udisk_sts == 0) {
            guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_SRC_IN_SET, &src);
            timerArm(GUI_WIDGET_TIMER_USB_OFFLINE, 1000);
        } else if (count == 0) {
            guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_SRC_IN_SET, &src);
            post(E_GUI_SYS_EVT_UDISK_MUSIC_STS_1, &count, sizeof(count), 0);
        } else {
            guiTonePlayDoneWait(0);
            timerArm(GUI_WIDGET_TIMER_USB_PLAY, 1000);
        }
    } else {
        guiTonePlayDoneWait(0);
        manualSrcInSet(src);
    }
    if (s.shop_mode_en == 0) {
        uint32_t zero = 0;
        guiWidgetSlotCall(GUI_WIDGET_CBK_WIRELESS_AUD_HOME_SET, &zero);
        setSrcState(snapshot().aud_src);
    } else {
        post(E_GUI_SYS_EVT_HOME_SHOP_SET, nullptr, 0, 2000);
    }
}

void guiWidgetHomeHideProcess(void)
{
    GUI_LOG_INFO("Home Hide!");
    for (GuiWidgetTimer t : {GUI_WIDGET_TIMER_SRC_TOGGLE, GUI_WIDGET_TIMER_SRC_BT, GUI_WIDGET_TIMER_USB_CTRL}) {
        timerStop(t);
    }
    uint32_t zero = 0;
    guiWidgetSlotCall(GUI_WIDGET_CBK_POWER_OFF_PREPARE, &zero);
    post(E_GUI_SYS_EVT_SYS_POWER_OFF, nullptr, 0, 0);
}

void guiWidgetSrcSelProcess(uint8_t src, uint8_t sameCheck)
{
    if (src == kSrcBt) {
        if (snapshot().mute_sts != 0) {
            unmuteNow();
        }
        guiWidgetSrcBtProcess();
        return;
    }
    guiToneStop();
    const GuiWidgetSetting s = snapshot();
    if (sameCheck != 0 && src == s.aud_src) {
        GUI_LOG_INFO("The current aud src is the same as the set aud src");
        guiWidgetDispHome();
        return;
    }
    if (s.aud_src == kSrcBt) {
        change([](GuiWidgetSetting& r) { r.bt_sts = 1; });
    }
    for (GuiWidgetTimer t : kSelStops) {
        timerStop(t);
    }
    uint32_t old = s.aud_src;
    guiWidgetSlotCall(GUI_WIDGET_CBK_FORCE_SRC_IN_CLR, &old);
    popMuteOrDelayedUnmute();
    guiWidgetDispSrc(src);
    tellPhoneApp(src);
    guiTrackingPrint(15, src);
    if (!testState()) {
        setSrcState(src);
    }
    change([src](GuiWidgetSetting& r) {
        r.aud_src = src;
        r.aud_fmt = 0;
        r.last_usb_file_idx = 0;
        r.tv_symphony = 0;
        r.eArc_sts = 0;
    });
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_AUD_SRC);
    if (snapshot().src_gst_sts == kGstPending) {
        change([](GuiWidgetSetting& r) { r.src_sel_retry_cnt = kSrcSelRetries; });
        timerArm(GUI_WIDGET_TIMER_SRC_TOGGLE, 1000);
    } else {
        guiWidgetSrcSelTimeoutCbk(0);
    }
}

void guiWidgetSrcSelTimeoutCbk(uint32_t)
{
    GuiWidgetSetting s = snapshot();
    if (s.src_gst_sts == kGstPending && s.src_sel_retry_cnt != 0) {
        const uint8_t left = static_cast<uint8_t>(s.src_sel_retry_cnt - 1);
        change([left](GuiWidgetSetting& r) { r.src_sel_retry_cnt = left; });
        GUI_LOG_INFO("src_sel_retry_cnt=%d!", left);
        timerArm(GUI_WIDGET_TIMER_SRC_TOGGLE, 1000);
        return;
    }
    if (s.src_gst_sts != kGstPending) {
        change([](GuiWidgetSetting& r) { r.src_sel_retry_cnt = 0; });
    }
    uint32_t src = s.aud_src;
    if (src == kSrcUsb) {
        const uint32_t count = udiskSearch();
        guiWidgetSlotCall(GUI_WIDGET_CBK_ROUTING_SRC_IN_CLR, &src);
        if (snapshot().udisk_sts == 0) {
            guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_SRC_IN_SET, &src);
            timerArm(GUI_WIDGET_TIMER_USB_OFFLINE, 1000);
        } else if (count == 0) {
            guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_SRC_IN_SET, &src);
            post(E_GUI_SYS_EVT_UDISK_MUSIC_STS_1, &count, sizeof(count), 1000);
        } else {
            timerArm(GUI_WIDGET_TIMER_USB_PLAY, 1000);
        }
    } else if (src == kSrcBt) {
        change([](GuiWidgetSetting& r) { r.bt_sts = 1; });
        guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_SRC_IN_SET, &src);
        guiWidgetSlotCall(GUI_WIDGET_CBK_MUSIC_NOISE_CLR, &src);
        timerArm(GUI_WIDGET_TIMER_SRC_BT, 3500);
    } else {
        manualSrcInSet(src);
    }
}

void guiWidgetSrcToggleProcess(void)
{
    const uint32_t cur = snapshot().aud_src;
    const uint32_t next = cur + 1 >= kSrcCount ? 0 : cur + 1;
    GUI_LOG_INFO("aud_src=%u!", next);
    guiWidgetSrcSelProcess(static_cast<uint8_t>(next), 0);
}

void guiWidgetSrcBtProcess(void)
{
    GuiWidgetSetting s = snapshot();
    if (s.aud_src == kSrcBt) {
        GUI_LOG_INFO("cur is BT Src!");
        uint32_t zero = 0;
        guiWidgetSlotCall(GUI_WIDGET_CBK_BT_SRC_IN_SET, &zero);
        return;
    }
    guiToneStop();
    for (GuiWidgetTimer t : kSelStops) {
        if (t != GUI_WIDGET_TIMER_USB_OFFLINE) {
            timerStop(t);
        }
    }
    uint32_t old = s.aud_src;
    guiWidgetSlotCall(GUI_WIDGET_CBK_FORCE_SRC_IN_CLR, &old);
    if (!testState()) {
        guiManagerAppStateSet(GUI_SYS_STATE_SRC_BT);
    }
    if (old == kSrcBt) {
        guiWidgetDispBtSts(s.bt_sts);
        uint32_t zero = 0;
        guiWidgetSlotCall(GUI_WIDGET_CBK_BT_SRC_IN_SET, &zero);
        return;
    }
    guiToneBtStsProcess(E_GUI_SYS_EVT_BT_PAIRING);
    change([](GuiWidgetSetting& r) {
        r.aud_fmt = 0;
        r.bt_sts = 1;
    });
    guiWidgetDispSrc(kSrcBt);
    tellPhoneApp(kSrcBt);
    guiTrackingPrint(6, 0);
    guiTrackingPrint(15, kSrcBt);
    change([](GuiWidgetSetting& r) {
        r.aud_src = kSrcBt;
        r.last_usb_file_idx = 0;
        r.tv_symphony = 0;
        r.eArc_sts = 0;
    });
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_AUD_SRC);
    uint32_t src = kSrcBt;
    guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_SRC_IN_SET, &src);
    guiWidgetSlotCall(GUI_WIDGET_CBK_MUSIC_NOISE_CLR, &src);
    timerArm(GUI_WIDGET_TIMER_SRC_BT, 3500);
}

void guiWidgetSrcBtTimeoutCbk(uint32_t)
{
    GUI_LOG_INFO("mute_sts=%d!", snapshot().mute_sts);
    popMuteOrDelayedUnmute();
    manualSrcInSet(kSrcBt);
}

void guiWidgetSrcToggleDoneProcess(uint8_t playSts)
{
    const GuiWidgetSetting s = snapshot();
    GUI_LOG_INFO("aud_src=%u, src_gst_sts=%u, play_sts=%d!", s.aud_src, s.src_gst_sts, playSts);
    change([](GuiWidgetSetting& r) { r.src_gst_sts = kGstDone; });
}

void guiWidgetUnMuteTimeoutCbk(uint32_t)
{
    unmuteNow();
}

void guiWidgetMuteDispTimeoutCbk(uint32_t)
{
    const uint8_t mute = snapshot().mute_sts;
    if (guiManagerAppStateGet() > GUI_SYS_STATE_ON) {
        GUI_LOG_INFO("mute_sts=%d", mute);
        guiWidgetDispMute(mute);
    } else {
        GUI_LOG_INFO("standby exit mute disp");
    }
}

void guiWidgetShopDispTimeoutCbk(uint32_t)
{
    const uint8_t on = snapshot().shop_mode_en;
    GUI_LOG_INFO("shop_mode_en=%d", on);
    guiWidgetDispShopMode(on);
}

uint8_t guiWidgetDirIsExist(const char* path)
{
    if (path == nullptr) {
        GUI_LOG_ERR("param error!");
        return 0;
    }
    return access(sb::path(path).c_str(), F_OK) == 0 ? 1 : 0;
}

int32_t guiWidgetPdtModeChk(void)
{
    DmMntInfo info{};
    const int32_t ret = uDmGetMntInfo(&info);
    if (ret != 0) {
        GUI_LOG_ERR("get mnt info failed(ret:%d)!", ret);
        return ret;
    }
    info.acMntPath[sizeof(info.acMntPath) - 1] = '\0';
    char path[sizeof(info.acMntPath) + 16];
    std::snprintf(path, sizeof(path), "%s/PDT_20190314", info.acMntPath);
    if (guiWidgetDirIsExist(path) == 0) {
        return -1;
    }
    GUI_LOG_INFO("Enter Product Test Mode!");
    guiWidgetPdtModeProcess(1);
    return 0;
}
