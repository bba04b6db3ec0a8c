// The power and standby widgets: power idle, power on by the user or the system, power off,
// factory reset, and the auto-standby, screensaver and auto-wake settings.
#include "main/timerd/gui_log.h"
#include "main/gui/gui_manager.h"
#include "main/gui/gui_ops.h"
#include "main/gui/gui_tracking.h"
#include "main/gui/gui_widget.h"
#include "main/gui/gui_widget_core.h"
#include "main/gui/gui_widget_disp.h"
#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/tone/gui_tone.h"

#include <chrono>
#include <cstring>
#include <sys/time.h>
#include <thread>

namespace {

constexpr uint16_t kHomeShowDelayMs = 3000;
constexpr uint16_t kSysHomeShowDelayMs = 1500;
constexpr uint32_t kNoWakeSource = 6;
constexpr auto kWarmIdlePause = std::chrono::seconds(3);

bool isOffTransitOrIdle(uint32_t state)
{
    return state == GUI_SYS_STATE_OFF || state == GUI_SYS_STATE_TRANSIT || state == GUI_SYS_STATE_IDLE;
}

timeval gPwrOnTime{};

void postHomeShow(uint16_t delayMs)
{
    GuiMsg msg{};
    msg.msg_id = E_GUI_SYS_EVT_HOME_SHOW;
    guiManagerAppMsgSndDly(&msg, delayMs);
}

void dimmerToRecordLevel()
{
    uint32_t level = 0;
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        level = guiWidgetRecord().lcd_dimmer_lvl;
    }
    GUI_LOG_INFO("lcd_dimmer_lvl=%d!", static_cast<int>(level));
    guiOpsDispDimmerSet(level, 1);
}

}  // namespace

void guiWidgetPowerIdleProcess(void)
{
    const uint32_t state = guiManagerAppStateGet();
    GUI_LOG_INFO("sys_state=0x%x!", state);
    if (state == GUI_SYS_STATE_ON) {
        return;
    }
    uint8_t coldPowerOn = 0;
    if (state > GUI_SYS_STATE_ON) {
        guiManagerAppStateSet(GUI_SYS_STATE_TRANSIT);
        guiWrapperBrontalPowerOff(0);
        guiWidgetDispPlayerStop();
        guiWidgetSlotCall(GUI_WIDGET_CBK_POWER_IDLE_PREPARE, &coldPowerOn);
        guiWidgetDispPowerIdle();
        guiTonePowerOff();
        // The power-off picture and tone run their course before the idle state.
        std::this_thread::sleep_for(kWarmIdlePause);
    } else {
        coldPowerOn = 1;
        guiWidgetSlotCall(GUI_WIDGET_CBK_POWER_ON_FLASH_PARAM_GET, nullptr);
        guiWidgetSettingRefresh();
        guiWidgetSlotCall(GUI_WIDGET_CBK_POWER_IDLE_PREPARE, &coldPowerOn);
        guiOpsSetPower(1);
        uint32_t level = 0;
        {
            std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
            const GuiWidgetSetting& s = guiWidgetRecord();
            level = s.eq_mode == GUI_EQ_MODE_NIGHT ? s.night_lcd_dimmer_lvl : s.lcd_dimmer_lvl;
        }
        guiOpsDispDimmerSet(level, 1);
        guiToneStop();
        guiTrackingPowerOn(0);
        guiTrackingPrint(0, 0);
    }
    guiWidgetSlotCall(GUI_WIDGET_CBK_POWER_IDLE, &coldPowerOn);
    GUI_LOG_INFO("Power Idle!");
    guiManagerAppStateSet(GUI_SYS_STATE_IDLE);
}

void guiWidgetAutoStandbyProcess(void)
{
    guiWidgetPowerIdleProcess();
}

void guiWidgetPowerOnProcess(void)
{
    const uint32_t state = guiManagerAppStateGet();
    GUI_LOG_INFO("sys_state:0x%x Powering On!", state);
    if (!isOffTransitOrIdle(state)) {
        return;
    }
    guiManagerAppStateSet(GUI_SYS_STATE_ON);
    guiOpsSetPower(1);
    guiWidgetSlotCall(GUI_WIDGET_CBK_POWER_ON_PREPARE, nullptr);
    guiWidgetSettingRefresh();
    uint8_t autowake = 0;
    uint32_t audSrc = 0;
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        autowake = guiWidgetRecord().autowake;
        audSrc = guiWidgetRecord().aud_src;
    }
    if (autowake != 0) {
        guiWidgetSlotCall(GUI_WIDGET_CBK_FORCE_SRC_IN_CLR, &audSrc);
    }
    guiTrackingPowerOn(0);
    guiTrackingPrint(1, 0);
    dimmerToRecordLevel();
    guiWidgetDispPowerOnBlink();
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        GuiWidgetSetting& s = guiWidgetRecord();
        s.pwr_on = 1;
        s.ver_disp_reset = 0;
        s.ver_sts = 0;
        s.src_gst_sts = 0;
        s.eArc_sts = 1;
        s.usb_conn = 0;
        s.udisk_sts = 0;
        s.last_usb_file_idx = 0;
        s.music_sts = 0;
        s.play_min = 0;
        s.play_sec = 0;
        s.bt_sts = 0;
        s.wireless_aud_sts = 0;
        s.aud_fmt_shown = 0;
        s.tv_symphony = 0;
        s.aud_fmt = 0;
        s.vol = s.eq_mode == GUI_EQ_MODE_NIGHT ? s.night_vol : s.day_vol;
        memset(s.bt_mac, 0, sizeof(s.bt_mac));
    }
    gettimeofday(&gPwrOnTime, nullptr);
    postHomeShow(kHomeShowDelayMs);
}

void guiWidgetSysPowerOnProcess(uint8_t source)
{
    const uint32_t state = guiManagerAppStateGet();
    GUI_LOG_INFO("sys_state:0x%x Powering On!", state);
    GUI_LOG_INFO("wakeup_aud_src=%d!", source);
    if (state == GUI_SYS_STATE_ON) {
        return;
    }
    guiManagerAppStateSet(GUI_SYS_STATE_ON);
    guiWidgetSlotCall(GUI_WIDGET_CBK_POWER_ON_PREPARE, nullptr);
    if (source < kNoWakeSource) {
        uint32_t src = source;
        guiWidgetSlotCall(GUI_WIDGET_CBK_FORCE_SRC_IN_CLR, &src);
    }
    guiWidgetSettingRefresh();
    guiTrackingPowerOn(0);
    guiTrackingPrint(1, 0);
    dimmerToRecordLevel();
    guiWidgetDispPowerOnBlink();
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        GuiWidgetSetting& s = guiWidgetRecord();
        s.src_gst_sts = 0;
        s.eArc_sts = 1;
        s.udisk_sts = 0;
        s.music_sts = 0;
        s.play_min = 0;
        s.play_sec = 0;
        s.bt_sts = 0;
        s.aud_fmt_shown = 0;
        s.tv_symphony = 0;
        memset(s.bt_mac, 0, sizeof(s.bt_mac));
    }
    gettimeofday(&gPwrOnTime, nullptr);
    postHomeShow(kSysHomeShowDelayMs);
}

void guiWidgetPowerOffProcess(void)
{
    const uint32_t state = guiManagerAppStateGet();
    if (state > GUI_SYS_STATE_IDLE) {
        guiTonePowerOff();
    }
    GUI_LOG_INFO("sys_state=0x%x, Powering Off!", state);
    if (state <= GUI_SYS_STATE_TRANSIT) {
        return;
    }
    guiManagerAppStateSet(GUI_SYS_STATE_TRANSIT);
    guiWidgetDispPlayerStop();
    guiTrackingPowerOff(0);
    guiTrackingPrint(2, 0);
    GuiMsg hide{};
    hide.msg_id = E_GUI_SYS_EVT_HOME_HIDE;
    guiManagerAppMsgSnd(&hide);
}

void guiWidgetSysPowerOffProcess(void)
{
    guiOpsDispDimmerSet(0, 0);
    guiOpsCleanDispBuf();
    guiOpsSetPower(0);
    guiWidgetSlotCall(GUI_WIDGET_CBK_POWER_OFF, nullptr);
}

void guiWidgetFactoryResetProcess(uint8_t withWireless)
{
    guiManagerAppStateSet(GUI_SYS_STATE_TRANSIT);
    GUI_LOG_INFO("Factory Reset!");
    guiWidgetDispPlayerStop();
    guiWidgetDispFactoryReset(0);
    guiWidgetSlotCall(GUI_WIDGET_CBK_FACTORY_RESET, &withWireless);
}

void guiWidgetAutoStandbySetProcess(uint8_t choice)
{
    guiWidgetDispAutoStandby(choice, 5000);
    GUI_LOG_INFO("auto_standby=%d!", choice);
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord().auto_standby = choice;
    }
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_AUTO_STANDBY);
}

void guiWidgetAutoScreensaverSetProcess(uint8_t choice)
{
    GUI_LOG_INFO("auto_screensaver=%d!", choice);
    guiWidgetDispAutoScreensaver(choice, 5000);
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord().auto_screensaver = choice;
    }
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_AUTO_SCREENSAVER);
}

void guiWidgetAutoScreensaverProcess(uint8_t on)
{
    uint32_t level = 0;
    if (on == 0) {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        level = guiWidgetRecord().lcd_dimmer_lvl;
    }
    guiWrapperBrontalLcdDimmerSet(&level);
    guiOpsDispDimmerSet(level, 0);
}

void guiWidgetAutoWakeSetProcess(uint8_t on)
{
    {
        std::lock_guard<std::mutex> lock(guiWidgetRecordLock());
        guiWidgetRecord().autowake = on;
    }
    guiWidgetSlotSettingSet(GUI_WRAPPER_SETTING_AUTO_WAKE);
    guiWidgetSlotCall(GUI_WIDGET_CBK_AUTO_WAKE_SET, &on);
    if (on == 0) {
        guiWidgetSlotCall(GUI_WIDGET_CBK_HDMI_USR_POWER_OFF, nullptr);
    }
}
