#include "main/gui/wrapper/wrapper_power.h"
#include "main/gui/wrapper/wrapper_power_priv.h"

#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/link/wrapper_wireless.h"
#include "main/gui/msg/gui_msg.h"
#include "main/gui/tone/gui_tone.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/gui/wrapper/wrapper_dev_log.h"
#include "main/gui/wrapper/wrapper_dolby.h"
#include "main/gui/wrapper/wrapper_dts.h"
#include "main/gui/wrapper/wrapper_general.h"
#include "main/gui/wrapper/wrapper_hdmi.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/gui/wrapper/wrapper_nand.h"
#include "main/gui/wrapper/wrapper_usb.h"
#include "main/state_mngr/msg/sm_msg.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#define PWR_API(fmt, ...) WRAPPER_LOG_API("<WRAPPER>", fmt, ##__VA_ARGS__)

namespace {

constexpr uint32_t kNightMode = 5;
constexpr uint32_t kSalesAreas = 2;

struct {
    GuiWrapperPwrObj obj{};
} gWrapperPower;

void sleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint8_t byteArg(const void* arg)
{
    return arg != nullptr ? *static_cast<const uint8_t*>(arg) : 0;
}

GuiWrapperSetting* record()
{
    gWrapperPower.obj.setting = guiWrapperSettingRecord();
    return gWrapperPower.obj.setting;
}

void logMac(const uint8_t* mac)
{
    PWR_API("MAC: %02x %02x %02x %02x %02x %02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}

}  // namespace

void guiWrapperPwrObjResetForTest(void)
{
    gWrapperPower.obj = GuiWrapperPwrObj{};
}

const GuiWrapperPwrObj* guiWrapperPwrObjGet(void)
{
    record();
    return &gWrapperPower.obj;
}

int32_t guiWrapperWidgetPowerIdlePrepare(void* isColdPwrOn)
{
    const uint8_t cold = byteArg(isColdPwrOn);
    GuiWrapperSetting* s = record();
    PWR_API("is_cold_pwr_on=%d!", cold);
    if (cold == 0) {
        guiWrapperHdmiPowerOff(s);
        guiWrapperWirelessAudPowerOff();
    } else {
        guiWrapperHdmiPowerIdle(s);
    }
    return 0;
}

int32_t guiWrapperWidgetPowerIdle(void* isColdPwrOn)
{
    const uint8_t cold = byteArg(isColdPwrOn);
    GuiWrapperSetting* s = record();
    PWR_API("is_cold_pwr_on=%d!", cold);
    if (cold == 0) {
        guiWrapperPowerOffFlashParamSet(s);
        guiWrapperBtPowerOff(s);
    } else {
        guiWrapperPowerOnFlashParamGet(s);
    }
    guiWrapperMusicPowerIdle(s);
    return 0;
}

int32_t guiWrapperWidgetPowerOnPrepare(void*)
{
    GuiWrapperPwrObj& obj = gWrapperPower.obj;
    GuiWrapperSetting* s = record();
    if (obj.pwr_on_state == 0) {
        // The cold boot: the state manager has not been in standby.
        obj.is_cold_pwr_on = 1;
        obj.pwr_on_state = 1;
    } else {
        obj.is_cold_pwr_on = 0;
        PWR_API("auto_wake_en = %d", s->auto_wake_en);
        if (s->auto_wake_en != 0) {
            PWR_API("Exit Fake Standby Mode!");
            smPmStateWakeUp(1);
        } else {
            PWR_API("Exit Suspend Standby Mode!");
            smPmStateWakeUp(0);
        }
    }
    guiWrapperPowerOnFlashParamGet(s);
    const bool night = s->eq_mode == kNightMode;
    const uint8_t vol = night ? s->night_vol : s->vol;
    const uint32_t toneVol = night ? s->night_tone_vol : s->tone_vol;
    guiWrapperBtVolSet(vol);
    guiWrapperBtMacAddrSync(s);
    guiWrapperNandPowerOn(s);
    guiWrapperAmpPowerOn(s);
    guiWrapperMusicPowerOn(s);
    guiWrapperHdmiPowerOn(&obj);
    guiWrapperBtPowerOn(s);
    guiToneEnableSet(s->beep_en);
    guiToneVolSet(toneVol);
    guiTonePowerOn();
    PWR_API("Prepare After Power On!");
    return 0;
}

int32_t guiWrapperWidgetPowerOn(void*)
{
    guiWrapperWirelessAudPowerOn();
    guiWrapperUsbPowerOn(record());
    guiWrapperDolbyPowerOn(nullptr);
    guiWrapperDtsPowerOn(nullptr);
    return 0;
}

int32_t guiWrapperWidgetPowerOffPrepare(void*)
{
    GuiWrapperSetting* s = record();
    PWR_API("Prepare Before Power Off!");
    guiWrapperNandPowerOff(s);
    guiWrapperPowerOffFlashParamSet(s);
    return 0;
}

int32_t guiWrapperWidgetPowerOff(void*)
{
    GuiWrapperSetting* s = record();
    PWR_API("##########Power Off!##########");
    guiTonePlayDoneWait(0);
    guiWrapperUsbPowerOff(0);
    guiWrapperHdmiPowerOff(s);
    guiWrapperDolbyPowerOff(nullptr);
    guiWrapperDtsPowerOff(nullptr);
    guiWrapperWirelessAudPowerOff();
    guiWrapperAmpPowerOff(nullptr);
    guiWrapperBtPowerOff(s);
    PWR_API("auto_wake_en = %d", s->auto_wake_en);
    if (s->auto_wake_en != 0) {
        PWR_API("Enter Fake Standby Mode!");
        guiWrapperMsgSnd(SM_BODY_UI_ENTER_FAKE_STANDBY);
    } else {
        PWR_API("Enter Suspend Standby Mode!");
        guiWrapperMsgSnd(SM_BODY_UI_ENTER_SUSPEND);
    }
    smPmStateDoneWait();
    guiManagerAppStateSet(GUI_SYS_STATE_OFF);
    PWR_API("##########Power Off End!##########");
    return 0;
}

int32_t guiWrapperWidgetFactoryReset(void* withWireless)
{
    const uint8_t wireless = byteArg(withWireless);
    GuiWrapperSetting* s = record();
    guiWrapperHdmiPowerOff(s);
    PWR_API("Factory Reset Start! sales_area=%u", s->sales_area);
    uint8_t mac[sizeof(s->bt_mac)];
    std::memcpy(mac, s->bt_mac, sizeof(mac));
    logMac(mac);
    // A sales area without a default row takes row 0 rather than reading past the table.
    *s = gGuiWrapperDefaultSetting[s->sales_area < kSalesAreas ? s->sales_area : 0];
    std::memcpy(s->bt_mac, mac, sizeof(mac));
    logMac(s->bt_mac);
    guiWrapperBrontalFactoryReset(0);
    sleepMs(20);
    guiWrapperBtFactoryReset(0);
    if (wireless != 0) {
        guiWrapperWirelessAudFactoryReset(0);
    }
    guiWrapperUsbFactoryReset(0);
    guiWrapperHdmiFactoryReset(s);
    guiWrapperAmpFactoryReset(nullptr);
    guiWrapperMusicFactoryReset(0);
    guiWrapperDolbyFactoryReset(nullptr);
    guiWrapperDtsFactoryReset(nullptr);
    PWR_API("write param to nand when dsp reboot!");
    guiWrapperNandPowerOff(s);
    guiWrapperPowerOffFlashParamSet(s);
    sleepMs(1200);
    PWR_API("Factory Reset Waiting!");
    sleepMs(4800);
    guiManagerAppStateSet(GUI_SYS_STATE_IDLE);
    PWR_API("Factory Reset End!");
    return 0;
}
