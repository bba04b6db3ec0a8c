#include "main/gui/wrapper/gui_wrapper.h"

#include "main/gui/link/wrapper_brontal.h"
#include "main/gui/link/wrapper_dsp_upgrade.h"
#include "main/gui/link/wrapper_hdmi_upgrade.h"
#include "main/gui/link/wrapper_ota.h"
#include "main/gui/link/wrapper_wavrel_upgrade.h"
#include "main/gui/link/wrapper_wireless.h"
#include "main/gui/wrapper/wrapper_amp.h"
#include "main/gui/wrapper/wrapper_bt.h"
#include "main/gui/wrapper/wrapper_dolby.h"
#include "main/gui/wrapper/wrapper_dts.h"
#include "main/gui/wrapper/wrapper_ezplay.h"
#include "main/gui/wrapper/wrapper_general.h"
#include "main/gui/wrapper/wrapper_hdmi.h"
#include "main/gui/wrapper/wrapper_music.h"
#include "main/gui/wrapper/wrapper_nand.h"
#include "main/gui/wrapper/wrapper_power.h"
#include "main/gui/wrapper/wrapper_roku.h"
#include "main/gui/wrapper/wrapper_usb.h"
#include "main/timerd/gui_log.h"

#include <atomic>

namespace {

std::atomic<uint8_t> gWrapperInit{0};
std::atomic<GuiWrapperCbkReceiver> gWrapperCbkReceiver{nullptr};

int32_t widgetSettingGetSlot(void* arg)
{
    guiWrapperWidgetSettingGet(static_cast<GuiWidgetSetting*>(arg));
    return 0;
}

int32_t powerOnFlashParamGetSlot(void*)
{
    guiWrapperPowerOnFlashParamGet(guiWrapperSettingRecord());
    return 0;
}

// A slot whose wrapper takes a pointer to the widget's one byte.
template <void (*F)(const uint8_t*)>
int32_t byteSlot(void* arg)
{
    F(static_cast<const uint8_t*>(arg));
    return 0;
}

// A slot whose wrapper ignores the widget's argument.
template <int32_t (*F)(uint32_t)>
int32_t ignoredSlot(void*)
{
    return F(0);
}

int32_t wirelessFactoryPairSlot(void*)
{
    GUI_LOG_INFO("factory test pairing");
    return guiWrapperWirelessAuFactorydPair(0);
}

int32_t popMuteSetSlot(void* arg)
{
    if (arg == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return -1;
    }
    guiWrapperMusicPopMuteSet(*static_cast<const uint8_t*>(arg));
    return 0;
}

// A slot whose wrapper takes the widget's one byte by value.
template <void (*F)(uint8_t)>
int32_t byteValueSlot(void* arg)
{
    if (arg == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return -1;
    }
    F(*static_cast<const uint8_t*>(arg));
    return 0;
}

// A slot whose wrapper takes the widget's variable as a pointer of its own type.
template <typename T, void (*F)(T*)>
int32_t typedSlot(void* arg)
{
    F(static_cast<T*>(arg));
    return 0;
}

int32_t cusEqSetSlot(void* arg)
{
    guiWrapperWidgetCusEqSet(static_cast<const GuiWrapperMusicCusEq*>(arg));
    return 0;
}

int32_t xupmixGetSlot(void* arg)
{
    guiWrapperWidgetXupmixGet(static_cast<uint8_t*>(arg));
    return 0;
}

int32_t popMuteResetSlot(void*)
{
    guiWrapperMusicPopMuteReset(0);
    return 0;
}

int32_t screensaverEnterSlot(void* arg)
{
    guiWrapperMusicAutoScreensaverEnter(arg);
    return 0;
}

int32_t screensaverExitSlot(void*)
{
    guiWrapperMusicAutoScreensaverExit();
    return 0;
}

int32_t noiseClrSlot(void* arg)
{
    guiWrapperMusicNoiseClr(static_cast<const uint32_t*>(arg));
    return 0;
}

int32_t musicPowerOffSlot(void*)
{
    guiWrapperMusicPowerOff(0);
    return 0;
}

int32_t dspVerReadSlot(void* arg)
{
    guiWrapperWidgetDspVerRead(static_cast<char*>(arg));
    return 0;
}

// A slot whose wrapper takes a pointer to the widget's source word.
template <void (*F)(const uint32_t*)>
int32_t srcSlot(void* arg)
{
    F(static_cast<const uint32_t*>(arg));
    return 0;
}

// An HDMI getter slot: the widget's one byte is the output.
template <void (*F)(uint8_t*)>
int32_t hdmiGetSlot(void* arg)
{
    F(static_cast<uint8_t*>(arg));
    return 0;
}

int32_t hdmiUsrPowerOffSlot(void*)
{
    guiWrapperHdmiUsrPowerOff(0);
    return 0;
}

int32_t signalInputGetSlot(void* arg)
{
    return guiWrapperWidgetSignalInputGet(static_cast<const uint32_t*>(arg));
}

int32_t sysRebootSlot(void* arg)
{
    guiWrapperWidgetSysReboot(arg);
    return 0;
}

int32_t usbFilelistSearchSlot(void* arg)
{
    return guiWrapperUsbUDiskFilelistSearch(static_cast<uint32_t*>(arg));
}

int32_t usbPlayModeSetSlot(void* arg)
{
    if (arg == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return -1;
    }
    const uint32_t mode = *static_cast<const uint32_t*>(arg);
    GUI_LOG_INFO("play_mode = %u!", mode);
    guiWrapperUsbMusicPlayModeSet(static_cast<int32_t>(mode));
    return 0;
}

}  // namespace

const GuiWrapperRow gGuiWrapperTable[GUI_WRAPPER_ROWS] = {
    {"nand", guiWrapperNandInit, guiWrapperNandExit},
    {"amp", guiWrapperAmpInit, guiWrapperAmpExit},
    {"music", guiWrapperMusicInit, guiWrapperMusicExit},
    {"bt", guiWrapperBtInit, guiWrapperBtExit},
    {"wireless audio", guiWrapperWirelessAudInit, guiWrapperWirelessAudExit},
    {"usb", guiWrapperUsbInit, guiWrapperUsbExit},
    {"hdmi", guiWrapperHdmiInit, guiWrapperHdmiExit},
    {"hdmi upgrade", guiWrapperHdmiUpgradeInit, guiWrapperHdmiUpgradeExit},
    {"roku", guiWrapperRokuInit, guiWrapperRokuExit},
    {"ezplay", guiWrapperEzplayInit, guiWrapperEzplayExit},
    {"brontal", guiWrapperBrontalInit, guiWrapperBrontalExit},
    {"dolby", guiWrapperDolbyInit, guiWrapperDolbyExit},
    {"dts", guiWrapperDtsInit, guiWrapperDtsExit},
    {"dsp upgrade", guiWrapperDspUpgradeInit, guiWrapperDspUpgradeExit},
    {"wavrel upgrade", guiWrapperWavrelUpgradeInit, guiWrapperWavrelUpgradeExit},
    {"ota", guiWrapperOtaInit, guiWrapperOtaExit},
};

void guiWrapperCbkReceiverSet(GuiWrapperCbkReceiver receiver)
{
    gWrapperCbkReceiver = receiver;
}

GuiWidgetCbkTable guiWrapperCbkTableBuild(void)
{
    GuiWidgetCbkTable t{};
    t.slot[GUI_WIDGET_CBK_WIDGET_SETTING_GET] = widgetSettingGetSlot;
    t.WidgetSettingSet = guiWrapperWidgetSettingSet;
    t.slot[GUI_WIDGET_CBK_POWER_ON_FLASH_PARAM_GET] = powerOnFlashParamGetSlot;
    t.slot[GUI_WIDGET_CBK_MUSIC_POWER_OFF] = musicPowerOffSlot;
    t.slot[GUI_WIDGET_CBK_POP_MUTE_SET] = popMuteSetSlot;
    t.slot[GUI_WIDGET_CBK_ROUTING_MUTE_SET] = byteSlot<guiWrapperWidgetRoutingMuteSet>;
    t.slot[GUI_WIDGET_CBK_MUTE_SET] = byteSlot<guiWrapperWidgetMuteSet>;
    t.slot[GUI_WIDGET_CBK_VOL_SET] = byteSlot<guiWrapperWidgetVolSet>;
    t.slot[GUI_WIDGET_CBK_VOL_SYNC] = byteSlot<guiWrapperWidgetVolSync>;
    t.slot[GUI_WIDGET_CBK_VOL_BT_SET] = byteSlot<guiWrapperWidgetVolBtSet>;
    t.slot[GUI_WIDGET_CBK_VOL_WIRELESS_SET] = byteSlot<guiWrapperWidgetVolWirelessSet>;
    t.slot[GUI_WIDGET_CBK_SYS_REBOOT] = sysRebootSlot;
    t.slot[GUI_WIDGET_CBK_DSP_VER_READ] = dspVerReadSlot;
    // The sound slots.
    t.slot[GUI_WIDGET_CBK_MUSIC_AUTO_SCREENSAVER_ENTER] = screensaverEnterSlot;
    t.slot[GUI_WIDGET_CBK_MUSIC_AUTO_SCREENSAVER_EXIT] = screensaverExitSlot;
    t.slot[GUI_WIDGET_CBK_VIRTUAL_XSET] = byteSlot<guiWrapperMusicVirtualXSet>;
    t.slot[GUI_WIDGET_CBK_XUPMIX_GET] = xupmixGetSlot;
    t.slot[GUI_WIDGET_CBK_XUPMIX_SET] = byteSlot<guiWrapperMusicXupmixSet>;
    t.slot[GUI_WIDGET_CBK_AUTO_WAKE_SET] = byteSlot<guiWrapperWidgetAutoWakeSet>;
    t.slot[GUI_WIDGET_CBK_SUR_EN_SET] = byteSlot<guiWrapperWidgetSurEnSet>;
    t.slot[GUI_WIDGET_CBK_SUR_VOL_SET] = byteSlot<guiWrapperMusicSurVolSet>;
    t.slot[GUI_WIDGET_CBK_EQ_SET] = byteSlot<guiWrapperWidgetEqSet>;
    t.slot[GUI_WIDGET_CBK_CUS_EQ_SET] = cusEqSetSlot;
    t.slot[GUI_WIDGET_CBK_SRC_TOGGLE_EQ_SET] = byteSlot<guiWrapperWidgetSrcToggleEqSet>;
    t.slot[GUI_WIDGET_CBK_MUSIC_NOISE_CLR] = noiseClrSlot;
    t.slot[GUI_WIDGET_CBK_MUSIC_TIMER_RESET] = byteSlot<__guiWrapperMusicTimerReset>;
    t.slot[GUI_WIDGET_CBK_POP_MUTE_RESET] = popMuteResetSlot;
    t.slot[GUI_WIDGET_CBK_TONE_VOL_SET] = byteSlot<guiWrapperWidgetToneVolSet>;
    t.slot[GUI_WIDGET_CBK_BASS_SET] = byteSlot<guiWrapperWidgetBassSet>;
    t.slot[GUI_WIDGET_CBK_TREBLE_SET] = byteSlot<guiWrapperWidgetTrebleSet>;
    t.slot[GUI_WIDGET_CBK_CENTER_SET] = byteSlot<guiWrapperMusicCenterSet>;
    t.slot[GUI_WIDGET_CBK_SURRIGHT_SET] = byteValueSlot<guiWrapperMusicSurRightSet>;
    t.slot[GUI_WIDGET_CBK_SURLEFT_SET] = byteValueSlot<guiWrapperMusicSurLeftSet>;
    t.slot[GUI_WIDGET_CBK_HEIGHT_SET] = byteValueSlot<guiWrapperMusicHeightSet>;
    t.slot[GUI_WIDGET_CBK_ERP_SET] = byteSlot<guiWrapperMusicErpSet>;
    t.slot[GUI_WIDGET_CBK_POWER_IDLE_PREPARE] = guiWrapperWidgetPowerIdlePrepare;
    t.slot[GUI_WIDGET_CBK_POWER_IDLE] = guiWrapperWidgetPowerIdle;
    t.slot[GUI_WIDGET_CBK_POWER_ON_PREPARE] = guiWrapperWidgetPowerOnPrepare;
    t.slot[GUI_WIDGET_CBK_POWER_ON] = guiWrapperWidgetPowerOn;
    t.slot[GUI_WIDGET_CBK_POWER_OFF_PREPARE] = guiWrapperWidgetPowerOffPrepare;
    t.slot[GUI_WIDGET_CBK_POWER_OFF] = guiWrapperWidgetPowerOff;
    t.slot[GUI_WIDGET_CBK_FACTORY_RESET] = guiWrapperWidgetFactoryReset;
    // The USB music slots.
    t.slot[GUI_WIDGET_CBK_USB_UDISK_PLUG_STS_GET] = typedSlot<uint8_t, guiWrapperUsbUdiskPlugStsGet>;
    t.slot[GUI_WIDGET_CBK_USB_UDISK_FILELIST_SEARCH] = usbFilelistSearchSlot;
    t.slot[GUI_WIDGET_CBK_USB_PLAY_MODE_SET] = usbPlayModeSetSlot;
    t.slot[GUI_WIDGET_CBK_PLAY_TIME_GET] = typedSlot<const uint8_t, guiWrapperUsbMusicPlayTimeGet>;
    t.slot[GUI_WIDGET_CBK_USB_MUSIC_PLAY] = typedSlot<const uint32_t, guiWrapperUsbMusicPlay>;
    t.slot[GUI_WIDGET_CBK_USB_MUSIC_PAUSE] = typedSlot<const uint32_t, guiWrapperUsbMusicPause>;
    t.slot[GUI_WIDGET_CBK_MUSIC_USB_CTRL] = typedSlot<const uint32_t, guiWrapperUsbMusicCtrl>;
    // The 5.8 GHz link's slots.
    t.slot[GUI_WIDGET_CBK_WIRELESS_AUD_HOME_SET] = ignoredSlot<guiWrapperWirelessAudHomeSet>;
    t.slot[GUI_WIDGET_CBK_WIRELESS_AUD_STS_SET] = [](void* sts) -> int32_t {
        guiWrapperWirelessAudStsProcess(static_cast<const uint32_t*>(sts));
        return 0;
    };
    t.slot[GUI_WIDGET_CBK_WIRELESS_AUD_START_PAIR] = ignoredSlot<guiWrapperWirelessAudStartPair>;
    t.slot[GUI_WIDGET_CBK_WIRELESS_AUD_STOP_PAIR] = ignoredSlot<guiWrapperWirelessAudStopPair>;
    t.slot[GUI_WIDGET_CBK_WIRELESS_AUD_FACTORY_PAIR] = wirelessFactoryPairSlot;
    t.slot[GUI_WIDGET_CBK_UUID_GET] = ignoredSlot<guiWrapperWirelessAudUuidRead>;
    t.slot[GUI_WIDGET_CBK_5P8_CONNECT_STATE_GET] = ignoredSlot<guiWrapperWireless5p8ConnectStateRead>;
    t.slot[GUI_WIDGET_CBK_UUID_SET] = [](void* id) -> int32_t {
        return guiWrapperWirelessAudUuidWrite(static_cast<const uint8_t*>(id));
    };
    // The HDMI and source slots.
    t.slot[GUI_WIDGET_CBK_HDMI_USR_POWER_OFF] = hdmiUsrPowerOffSlot;
    t.slot[GUI_WIDGET_CBK_HDMI_SRC_IN_SET] = srcSlot<guiWrapperWidgetHdmiSrcInSet>;
    t.slot[GUI_WIDGET_CBK_HDMI_TX_PLUG_STS_GET] = hdmiGetSlot<guiWrapperHdmiTxPlugStsGet>;
    t.slot[GUI_WIDGET_CBK_HDMI_RX_PLUG_STS_GET] = hdmiGetSlot<guiWrapperHdmiRxPlugStsGet>;
    t.slot[GUI_WIDGET_CBK_HDMI_PWR_SRC_GET] = hdmiGetSlot<guiWrapperHdmiPwrSrcGet>;
    t.slot[GUI_WIDGET_CBK_HDMI_SRC_STS_GET] = hdmiGetSlot<guiWrapperHdmiSrcStsGet>;
    t.slot[GUI_WIDGET_CBK_HDMI_EARC_STS_GET] = hdmiGetSlot<guiWrapperHdmiEArcStsGet>;
    t.slot[GUI_WIDGET_CBK_FORCE_SRC_IN_CLR] = srcSlot<guiWrapperWidgetForceSrcInClr>;
    t.slot[GUI_WIDGET_CBK_MANUAL_SRC_IN_CLR] = srcSlot<guiWrapperWidgetManualSrcInClr>;
    t.slot[GUI_WIDGET_CBK_MANUAL_SRC_IN_SET] = srcSlot<guiWrapperWidgetManualSrcInSet>;
    t.slot[GUI_WIDGET_CBK_ROUTING_SRC_IN_CLR] = srcSlot<guiWrapperWidgetRoutingSrcInClr>;
    t.slot[GUI_WIDGET_CBK_ROUTING_SRC_IN_SET] = srcSlot<guiWrapperWidgetRoutingSrcInSet>;
    t.slot[GUI_WIDGET_CBK_SIGNAL_INPUT_GET] = signalInputGetSlot;
    t.slot[GUI_WIDGET_CBK_AMP_STS_GET] = [](void* out) -> int32_t {
        guiWrapperAmpStsGet(out);
        return 0;
    };
    // The Bluetooth module's slots.
    t.slot[GUI_WIDGET_CBK_BT_SRC_IN_SET] = typedSlot<const void, guiWrapperWidgetBtSrcInSet>;
    t.slot[GUI_WIDGET_CBK_BT_STS_GET] = typedSlot<uint32_t, guiWrapperBtStsGet>;
    t.slot[GUI_WIDGET_CBK_BT_STS_SET_PROCESS] = typedSlot<const uint16_t, guiWrapperWidgetBtStsSetProcess>;
    t.slot[GUI_WIDGET_CBK_BT_MAC_SET] = byteSlot<guiWrapperWidgetBtMacSet>;
    t.slot[GUI_WIDGET_CBK_BT_PAIR] = typedSlot<const void, guiWrapperWidgetBtPair>;
    t.slot[GUI_WIDGET_CBK_BT_PLAY] = typedSlot<const void, guiWrapperWidgetBtPlay>;
    t.slot[GUI_WIDGET_CBK_BT_PAUSE] = typedSlot<const void, guiWrapperWidgetBtPause>;
    t.slot[GUI_WIDGET_CBK_MUSIC_BT_CTRL] = typedSlot<const uint32_t, guiWrapperWidgetMusicBtCtrl>;
    t.slot[GUI_WIDGET_CBK_SHOP_SET] = byteSlot<guiWrapperWidgetShopSet>;
    t.slot[GUI_WIDGET_CBK_PCBA_TEST_SET] = byteSlot<guiWrapperWidgetPcbaTestSet>;
    t.slot[GUI_WIDGET_CBK_MACHINE_TEST_SET] = byteSlot<guiWrapperWidgetMachineTestSet>;
    t.slot[GUI_WIDGET_CBK_USB_CONN_SET] = typedSlot<const uint32_t, guiWrapperWidgetUsbConnSet>;
    return t;
}

void guiWrapperInit(void)
{
    if (gWrapperInit.load() != 0) {
        GUI_LOG_INFO("wrapper already initialised");
        return;
    }
    GUI_LOG_INFO("*************begin ");
    const GuiWidgetCbkTable table = guiWrapperCbkTableBuild();
    const GuiWrapperCbkReceiver receiver = gWrapperCbkReceiver.load();
    if (receiver != nullptr) {
        receiver(&table);
    }
    for (const GuiWrapperRow& row : gGuiWrapperTable) {
        row.init();
    }
    gWrapperInit = 1;
    GUI_LOG_INFO("*************end ");
}

void guiWrapperExit(void)
{
    for (uint32_t i = GUI_WRAPPER_ROWS; i > 0; --i) {
        gGuiWrapperTable[i - 1].exit();
    }
    gWrapperInit = 0;
}
