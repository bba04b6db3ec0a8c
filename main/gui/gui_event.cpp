// The GUI manager's two event switches: what each user event and each system event runs.
#include "main/gui/gui_event_priv.h"
#include "main/gui/gui_menu.h"
#include "main/gui/gui_tracking.h"
#include "main/gui/gui_widget.h"
#include "main/gui/tone/gui_tone.h"
#include "main/timerd/gui_log.h"

#include <cstring>

namespace {

constexpr uint16_t kShopSetDelayMs = 100;

uint32_t payloadU32(const GuiMsg& msg)
{
    return static_cast<uint32_t>(msg.data[0]) | static_cast<uint32_t>(msg.data[1]) << 8 |
           static_cast<uint32_t>(msg.data[2]) << 16 | static_cast<uint32_t>(msg.data[3]) << 24;
}

uint16_t payloadU16(const GuiMsg& msg)
{
    return static_cast<uint16_t>(msg.data[0] | msg.data[1] << 8);
}

void eqSelect(uint32_t mode)
{
    GuiWidgetEqSel sel{};
    sel.eq_mode = mode;
    guiWidgetEqSelProcess(&sel);
}

void eqSelectFromPayload(const GuiMsg& msg)
{
    GuiWidgetEqSel sel{};
    sel.eq_mode = payloadU32(msg);
    memcpy(sel.custom, msg.data + sizeof(sel.eq_mode), sizeof(sel.custom));
    guiWidgetEqSelProcess(&sel);
}

void shopModeOn(void)
{
    guiWidgetShopModeProcess(1);
    GuiMsg shopSet{};
    shopSet.msg_id = E_GUI_SYS_EVT_HOME_SHOP_SET;
    guiManagerAppMsgSndDly(&shopSet, kShopSetDelayMs);
}

}  // namespace

void guiManagerAppUsrEvtProcess(const GuiMsg* msg)
{
    if (msg == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    if (guiManagerAppUsrEvtCusProcess(msg) == 1) {
        return;
    }
    const uint8_t d0 = msg->data[0];
    GUI_LOG_INFO("usr_evt = 0x%x", msg->msg_id);
    switch (msg->msg_id) {
    case E_GUI_USR_EVT_POWER_ON:
        guiManagerAllowWindowsSet(1);
        guiWidgetPowerOnProcess();
        break;
    case E_GUI_USR_EVT_POWER_OFF:
        guiManagerAppMsgSndStop();
        guiWidgetPowerOffProcess();
        break;
    case E_GUI_USR_EVT_POWER_IDLE:
        guiWidgetPowerIdleProcess();
        break;
    case E_GUI_USR_EVT_FACTORY_RESET:
        guiWidgetFactoryResetProcess(1);
        break;
    case E_GUI_USR_EVT_AUTO_STANDBY_SET:
        guiWidgetAutoStandbySetProcess(d0);
        break;
    case E_GUI_USR_EVT_AUTO_STANDBY_DISP:
        guiMenuAutoStandbyDispEnterProcess();
        guiManagerAppStateSet(GUI_SYS_STATE_MENU);
        break;
    case E_GUI_USR_EVT_AUTO_SCREENSAVER_SET:
        guiWidgetAutoScreensaverSetProcess(d0);
        break;
    case E_GUI_USR_EVT_SRC_SEL:
        guiWidgetSrcSelProcess(d0, 1);
        break;
    case E_GUI_USR_EVT_SRC_TOGGLE:
        guiWidgetSrcToggleProcess();
        break;
    case E_GUI_USR_EVT_SRC_BT:
        guiWidgetSrcBtProcess();
        break;
    case E_GUI_USR_EVT_SRC_ARC:
        guiWidgetSrcSelProcess(0, 1);
        break;
    case E_GUI_USR_EVT_SRC_HDMI:
        guiWidgetSrcSelProcess(1, 1);
        break;
    case E_GUI_USR_EVT_SRC_OPT:
        guiWidgetSrcSelProcess(2, 1);
        break;
    case E_GUI_USR_EVT_SRC_AUX:
        guiWidgetSrcSelProcess(4, 1);
        break;
    case E_GUI_USR_EVT_SRC_USB:
        guiWidgetSrcSelProcess(5, 1);
        break;
    case E_GUI_USR_EVT_RESERVED_100F:
        break;
    case E_GUI_USR_EVT_BT_PAIR:
        guiWidgetBtPairProcess();
        break;
    case E_GUI_USR_EVT_WIRELESS_AUD_START_PAIR:
        guiWidgetWirelessAudStartPairProcess();
        break;
    case E_GUI_USR_EVT_WIRELESS_AUD_FACTORY_PAIR:
        guiWidgetWirelessAudFactoryPairProcess();
        break;
    case E_GUI_USR_EVT_XUPMIX_TOGGLE:
        guiWidgetXupmixToggleProcess();
        break;
    case E_GUI_USR_EVT_XUPMIX_SET:
        guiWidgetXupmixSetProcess(d0);
        break;
    case E_GUI_USR_EVT_VIRTUALX_TOGGLE:
        guiWidgetVirtualXToggleProcess();
        break;
    case E_GUI_USR_EVT_SUR_SET:
        guiWidgetSurSetProcess(d0);
        break;
    case E_GUI_USR_EVT_SUR_DISP:
        guiWidgetSurDispProcess();
        break;
    case E_GUI_USR_EVT_SUR_EN_TOGGLE:
        guiWidgetSurEnToggleProcess();
        break;
    case E_GUI_USR_EVT_SUR_ADD:
    case E_GUI_USR_EVT_SUR_ADD_2:
        guiWidgetSurOnceProcess(0);
        break;
    case E_GUI_USR_EVT_SUR_SUB:
    case E_GUI_USR_EVT_SUR_SUB_2:
        guiWidgetSurOnceProcess(1);
        break;
    case E_GUI_USR_EVT_HEIGHT_SET:
        guiWidgetHeightSetProcess(d0);
        break;
    case E_GUI_USR_EVT_HEIGHT_DISP:
        guiWidgetHeightDispProcess();
        break;
    case E_GUI_USR_EVT_HEIGHT_ADD:
    case E_GUI_USR_EVT_HEIGHT_ADD_2:
        guiWidgetHeightOnceProcess(0);
        break;
    case E_GUI_USR_EVT_HEIGHT_SUB:
    case E_GUI_USR_EVT_HEIGHT_SUB_2:
        guiWidgetHeightOnceProcess(1);
        break;
    case E_GUI_USR_EVT_EQ_DISP:
        guiWidgetEqDispProcess();
        break;
    case E_GUI_USR_EVT_EQ_TOGGLE:
        guiWidgetEqToggleProcess();
        break;
    // The presets of the EQ keys: voice before game.
    case E_GUI_USR_EVT_EQ_SEL_0:
        eqSelect(0);
        break;
    case E_GUI_USR_EVT_EQ_SEL_1:
        eqSelect(1);
        break;
    case E_GUI_USR_EVT_EQ_SEL_2:
        eqSelect(3);
        break;
    case E_GUI_USR_EVT_EQ_SEL_3:
        eqSelect(2);
        break;
    case E_GUI_USR_EVT_EQ_SEL_4:
        eqSelect(4);
        break;
    case E_GUI_USR_EVT_EQ_SEL_5:
        eqSelect(5);
        break;
    case E_GUI_USR_EVT_EQ_SEL_6:
    case E_GUI_USR_EVT_EQ_SEL_7:
        eqSelectFromPayload(*msg);
        break;
    case E_GUI_USR_EVT_EQ_RESET:
        guiWidgetEqResetProcess();
        break;
    case E_GUI_USR_EVT_MUSIC_PLAY_MODE_SEL:
        guiWidgetMusicPlayModeSelProcess(d0);
        break;
    case E_GUI_USR_EVT_MUSIC_PLAY_MODE_TOGGLE:
        guiWidgetMusicPlayModeToggleProcess();
        break;
    case E_GUI_USR_EVT_MUSIC_USB_PLAY:
        guiWidgetMusicUsbProcess(1);
        break;
    case E_GUI_USR_EVT_MUSIC_USB_PREV:
        guiWidgetMusicUsbProcess(2);
        break;
    case E_GUI_USR_EVT_MUSIC_USB_NEXT:
        guiWidgetMusicUsbProcess(3);
        break;
    case E_GUI_USR_EVT_MUSIC_BT_PLAY:
        guiWidgetMusicBtProcess(1);
        break;
    case E_GUI_USR_EVT_MUSIC_BT_PREV:
        guiWidgetMusicBtProcess(2);
        break;
    case E_GUI_USR_EVT_MUSIC_BT_NEXT:
        guiWidgetMusicBtProcess(3);
        break;
    case E_GUI_USR_EVT_TONE_VOL_SET:
        guiWidgetToneVolSetProcess(d0);
        break;
    case E_GUI_USR_EVT_TONE_VOL_DISP:
        guiWidgetToneVolDispProcess();
        break;
    case E_GUI_USR_EVT_TONE_VOL_ADD:
        guiWidgetToneVolOnceProcess(0);
        break;
    case E_GUI_USR_EVT_TONE_VOL_SUB:
        guiWidgetToneVolOnceProcess(1);
        break;
    case E_GUI_USR_EVT_MUTE_SET:
        guiWidgetMuteSetProcess(d0);
        break;
    case E_GUI_USR_EVT_MUTE_TOGGLE:
        guiWidgetMuteToggleProcess();
        break;
    case E_GUI_USR_EVT_VOL_SET:
        guiWidgetVolumeSetProcess(d0);
        break;
    case E_GUI_USR_EVT_VOL_UP:
        guiWidgetVolumeOnceProcess(0);
        break;
    case E_GUI_USR_EVT_VOL_DOWN:
        guiWidgetVolumeOnceProcess(1);
        break;
    case E_GUI_USR_EVT_VOL_UP_REPEAT:
        guiWidgetVolumeRepeatProcess(0, 8);
        break;
    case E_GUI_USR_EVT_VOL_DOWN_REPEAT:
        guiWidgetVolumeRepeatProcess(1, 8);
        break;
    case E_GUI_USR_EVT_BASS_SET:
        guiWidgetBassSetProcess(d0);
        break;
    case E_GUI_USR_EVT_BASS_DISP:
        guiWidgetBassDispProcess();
        break;
    case E_GUI_USR_EVT_BASS_ADD:
    case E_GUI_USR_EVT_BASS_ADD_2:
        guiWidgetBassOnceProcess(0);
        break;
    case E_GUI_USR_EVT_BASS_SUB:
    case E_GUI_USR_EVT_BASS_SUB_2:
        guiWidgetBassOnceProcess(1);
        break;
    case E_GUI_USR_EVT_CENTER_SET:
        guiWidgetCenterSetProcess(d0);
        break;
    case E_GUI_USR_EVT_CENTER_DISP:
        guiWidgetCenterDispProcess();
        break;
    case E_GUI_USR_EVT_CENTER_ADD:
    case E_GUI_USR_EVT_CENTER_ADD_2:
        guiWidgetCenterOnceProcess(0);
        break;
    case E_GUI_USR_EVT_CENTER_SUB:
    case E_GUI_USR_EVT_CENTER_SUB_2:
        guiWidgetCenterOnceProcess(1);
        break;
    case E_GUI_USR_EVT_TREBLE_SET:
        guiWidgetTrebleSetProcess(d0);
        break;
    case E_GUI_USR_EVT_TREBLE_DISP:
        guiWidgetTrebleDispProcess();
        break;
    case E_GUI_USR_EVT_TREBLE_ADD:
    case E_GUI_USR_EVT_TREBLE_ADD_2:
        guiWidgetTrebleOnceProcess(0);
        break;
    case E_GUI_USR_EVT_TREBLE_SUB:
    case E_GUI_USR_EVT_TREBLE_SUB_2:
        guiWidgetTrebleOnceProcess(1);
        break;
    case E_GUI_USR_EVT_LCD_DIMMER_SET:
        guiWidgetLcdDimmerSetProcess(d0);
        break;
    case E_GUI_USR_EVT_LCD_DIMMER_DISP:
        guiWidgetLcdDimmerDispProcess(0, 0);
        break;
    case E_GUI_USR_EVT_LCD_DIMMER_TOGGLE_0:
        guiWidgetLcdDimmerToggleProcess(0);
        break;
    case E_GUI_USR_EVT_LCD_DIMMER_TOGGLE_1:
        guiWidgetLcdDimmerToggleProcess(1);
        break;
    case E_GUI_USR_EVT_LED_DIMMER_SET:
        guiWidgetLedDimmerSetProcess(d0);
        break;
    case E_GUI_USR_EVT_BYPASS_MODE:
        guiWidgetBypassModeProcess(1);
        break;
    case E_GUI_USR_EVT_SHOP_MODE_ON:
        shopModeOn();
        break;
    case E_GUI_USR_EVT_SHOP_MODE_OFF:
        guiWidgetShopModeProcess(0);
        break;
    case E_GUI_USR_EVT_PDT_MODE_ON:
        guiWidgetPdtModeProcess(1);
        break;
    case E_GUI_USR_EVT_PDT_MODE_KEY_LED:
        guiWidgetPdtModeKeyLedProcess();
        break;
    case E_GUI_USR_EVT_PDT_MODE_OFF:
        guiWidgetPdtModeProcess(0);
        break;
    case E_GUI_USR_EVT_PCBA_TEST_ON:
        guiWidgetPcbaTestModeProcess(1);
        break;
    case E_GUI_USR_EVT_PCBA_TEST_OFF:
        guiWidgetPcbaTestModeProcess(0);
        break;
    case E_GUI_USR_EVT_MACHINE_TEST_ON:
        guiWidgetMachineTestModeProcess(1);
        break;
    case E_GUI_USR_EVT_MACHINE_TEST_OFF:
        guiWidgetMachineTestModeProcess(0);
        break;
    case E_GUI_USR_EVT_ERP_MODE_ON:
        guiWidgetErpModeProcess(1);
        break;
    case E_GUI_USR_EVT_ERP_MODE_OFF:
        guiWidgetErpModeProcess(0);
        break;
    case E_GUI_USR_EVT_USB_CONN_SET:
        guiWidgetUsbConnSetProcess();
        break;
    case E_GUI_USR_EVT_USB_TUNING:
        guiWidgetUsbTuningProcess();
        break;
    case E_GUI_USR_EVT_MENU_ENTER:
        guiMenuDispEnterProcess();
        guiManagerAppStateSet(GUI_SYS_STATE_MENU);
        break;
    case E_GUI_USR_EVT_MENU_SEL_0:
        guiMenuDispSelProcess(0);
        break;
    case E_GUI_USR_EVT_MENU_SEL_1:
        guiMenuDispSelProcess(1);
        break;
    case E_GUI_USR_EVT_MENU_SET_0:
        guiMenuDispSetProcess(0);
        break;
    case E_GUI_USR_EVT_MENU_SET_1:
        guiMenuDispSetProcess(1);
        break;
    case E_GUI_USR_EVT_MENU_EXIT:
        guiMenuDispExitProcess();
        guiWidgetExitMenuModeProcess();
        break;
    case E_GUI_USR_EVT_MENU_PARAM_RESET:
        guiMenuParamResetProcess();
        guiWidgetDispMenuParam();
        break;
    case E_GUI_USR_EVT_BT_USB_UPGRADE:
        guiWidgetBtUsbUpgradeProcess();
        break;
    case E_GUI_USR_EVT_WIRELESS_TX_UDISK_UPGRADE:
        guiWidgetWirelessTxUdiskUpgradeProcess();
        break;
    case E_GUI_USR_EVT_WIRELESS_RX_UDISK_UPGRADE:
        guiWidgetWirelessRxUdiskUpgradeProcess();
        break;
    case E_GUI_USR_EVT_HDMI_UDISK_UPGRADE:
        guiWidgetHdmiUDiskUpgradeProcess();
        break;
    case E_GUI_USR_EVT_DSP_UDISK_UPGRADE:
        guiWidgetDspUDiskUpgradeProcess();
        break;
    case E_GUI_USR_EVT_BT_UDISK_UPGRADE:
        guiWidgetBtUDiskUpgradeProcess();
        break;
    case E_GUI_USR_EVT_DSP_VER_READ:
        guiWidgetDspVerReadProcess(0);
        break;
    case E_GUI_USR_EVT_ROKU_PVID_READ:
        guiWidgetRokuPVidReadProcess();
        break;
    case E_GUI_USR_EVT_EZPLAY_SYMPHONY_FUNC:
        guiWidgetEzPlaySymphonyFuncProcess();
        break;
    case E_GUI_USR_EVT_STANDARD_TEST:
        guiWidgetStandardTestProcess(1);
        break;
    case E_GUI_USR_EVT_EQ_TEST:
        guiWidgetEqTestProcess(1);
        break;
    case E_GUI_USR_EVT_SALES_AREA_TOGGLE:
        guiWidgetSalesAreaToggleProcess();
        break;
    case E_GUI_USR_EVT_AMP_STS_READ:
        guiWidgetAmpStsReadProcess();
        break;
    case E_GUI_USR_EVT_5P8_CONN_STS_READ:
        guiWidget5p8ConnStsReadProcess();
        break;
    case E_GUI_USR_EVT_TRACKING_RESET:
        guiTrackingReset();
        break;
    case E_GUI_USR_EVT_UUID_READ:
        guiWidgetUuidReadProcess();
        break;
    case E_GUI_USR_EVT_UUID_WRITE: {
        uint8_t buffer[GUI_UUID_WRITE_SIZE] = {};
        memcpy(buffer, msg->data, 3);
        guiWidgetUuidWriteProcess(buffer);
        break;
    }
    default:
        break;
    }
}

void guiManagerAppSysEvtProcess(const GuiMsg* msg)
{
    if (msg == nullptr) {
        GUI_LOG_ERR("Param Error!");
        return;
    }
    const uint8_t d0 = msg->data[0];
    GUI_LOG_INFO("sys_evt = 0x%x", msg->msg_id);
    switch (msg->msg_id) {
    case E_GUI_SYS_EVT_HOME_SHOW:
        guiWidgetHomeShowProcess();
        break;
    case E_GUI_SYS_EVT_HOME_HIDE:
        guiWidgetHomeHideProcess();
        break;
    case E_GUI_SYS_EVT_HOME_SRC_SET:
        guiWidgetHomeSrcSetProcess();
        break;
    case E_GUI_SYS_EVT_HOME_SHOP_SET:
        guiWidgetHomeShopSetProcess();
        break;
    case E_GUI_SYS_EVT_SRC_TOGGLE_DONE:
        guiWidgetSrcToggleDoneProcess(d0);
        break;
    case E_GUI_SYS_EVT_SYS_POWER_ON:
        guiManagerAllowWindowsSet(1);
        guiWidgetSysPowerOnProcess(d0);
        break;
    case E_GUI_SYS_EVT_SYS_POWER_OFF:
        guiManagerAppMsgSndStop();
        guiWidgetSysPowerOffProcess();
        break;
    case E_GUI_SYS_EVT_AUTO_STANDBY:
        guiWidgetAutoStandbyProcess();
        break;
    case E_GUI_SYS_EVT_AUTO_SCREENSAVER_ON:
        guiWidgetAutoScreensaverProcess(1);
        break;
    case E_GUI_SYS_EVT_AUTO_SCREENSAVER_OFF:
        guiWidgetAutoScreensaverProcess(0);
        break;
    case E_GUI_SYS_EVT_EXIT_MENU_MODE:
        guiMenuDispExitProcess();
        guiWidgetExitMenuModeProcess();
        break;
    case E_GUI_SYS_EVT_PDT_MODE_EXIT:
        guiWidgetPdtModeProcess(0);
        break;
    case E_GUI_SYS_EVT_ALLOW_TIMEOUT:
        guiManagerAllowWindowsSet(0);
        break;
    case E_GUI_SYS_EVT_PLAY_TIME:
        guiWidgetPlayTimeProcess(d0, msg->data[1]);
        break;
    case E_GUI_SYS_EVT_OTA_PERMIT_CHK: {
        uint8_t copy[GUI_OTA_PERMIT_CHK_SIZE] = {};
        memcpy(copy, msg->data, sizeof(copy));
        guiWidgetOtaPermitChkProcess(copy);
        break;
    }
    case E_GUI_SYS_EVT_OTA_DOWNLOAD_ON:
        guiWidgetOtaDownloadProcess(1, 0);
        break;
    case E_GUI_SYS_EVT_OTA_DOWNLOAD_OFF:
        guiWidgetOtaDownloadProcess(0, d0);
        break;
    case E_GUI_SYS_EVT_OTA_UPGRADE_DONE:
        guiWidgetOtaUpgradeDoneProcess(d0);
        break;
    case E_GUI_SYS_EVT_UDISK_UPGRADE_DONE:
        guiWidgetUdiskUpgradeDoneProcess(d0);
        break;
    case E_GUI_SYS_EVT_UPGRADE_PERCENT: {
        GuiUpgradePercent percent{};
        percent.module = payloadU32(*msg);
        percent.percent = static_cast<uint16_t>(msg->data[4] | msg->data[5] << 8);
        percent.reboot = msg->data[6];
        percent.factory_reset = msg->data[7];
        guiWidgetUpgradePercentProcess(&percent);
        break;
    }
    case E_GUI_SYS_EVT_UDISK_HOTPLUG_OFF:
        guiWidgetUDiskHotplugProcess(0);
        break;
    case E_GUI_SYS_EVT_UDISK_HOTPLUG_ON:
        guiWidgetUDiskHotplugProcess(1);
        break;
    case E_GUI_SYS_EVT_UDISK_MUSIC_STS_0:
        guiWidgetUDiskMusicStsProcess(0, 0);
        break;
    case E_GUI_SYS_EVT_UDISK_MUSIC_STS_1:
        guiWidgetUDiskMusicStsProcess(payloadU32(*msg), 1);
        break;
    case E_GUI_SYS_EVT_UDISK_MUSIC_STS_2:
        guiWidgetUDiskMusicStsProcess(payloadU32(*msg), 2);
        break;
    case E_GUI_SYS_EVT_UDISK_MUSIC_STS_3:
        guiWidgetUDiskMusicStsProcess(payloadU32(*msg), 3);
        break;
    case E_GUI_SYS_EVT_BT_PAIRING:
        guiWidgetBtStsProcess(2);
        break;
    case E_GUI_SYS_EVT_BT_DISCONNECTED:
        guiToneBtStsProcess(E_GUI_SYS_EVT_BT_DISCONNECTED);
        guiWidgetBtStsProcess(3);
        break;
    case E_GUI_SYS_EVT_BT_CONNECTED:
        // No tone while off, idle or waking.
        if (guiManagerAppStateGet() > GUI_SYS_STATE_ON) {
            guiToneBtStsProcess(E_GUI_SYS_EVT_BT_CONNECTED);
        }
        guiWidgetBtStsProcess(4);
        break;
    case E_GUI_SYS_EVT_BT_STS_5:
        guiWidgetBtStsProcess(5);
        break;
    case E_GUI_SYS_EVT_BT_STS_6:
        guiWidgetBtStsProcess(6);
        break;
    case E_GUI_SYS_EVT_BT_STS_8021:
    case E_GUI_SYS_EVT_BT_STS_8022:
        guiWidgetBtStsProcess(3);
        break;
    case E_GUI_SYS_EVT_BT_VOL:
        guiWidgetBtVolProcess(d0);
        break;
    case E_GUI_SYS_EVT_BT_MAC: {
        uint8_t mac[GUI_BT_MAC_SIZE] = {};
        memcpy(mac, msg->data, sizeof(mac));
        guiWidgetBtMacProcess(mac);
        break;
    }
    case E_GUI_SYS_EVT_WIRELESS_AUD_STS_1:
        guiWidgetWirelessAudioStsProcess(1);
        break;
    case E_GUI_SYS_EVT_WIRELESS_AUD_STS_2:
        guiWidgetWirelessAudioStsProcess(2);
        break;
    case E_GUI_SYS_EVT_WIRELESS_AUD_STS_3:
        GUI_LOG_INFO("conn_type: %d", d0);
        guiWidgetWirelessAudioStsProcess(3);
        break;
    case E_GUI_SYS_EVT_WIRELESS_AUD_STS_4:
        GUI_LOG_INFO("conn_type: %d", d0);
        guiWidgetWirelessAudioStsProcess(4);
        guiToneWirlessStsProcess(d0);
        break;
    case E_GUI_SYS_EVT_WIRELESS_AUD_STS_5:
        guiWidgetWirelessAudioStsProcess(5);
        break;
    case E_GUI_SYS_EVT_DECODER_AUD_FMT_SHOW:
        guiWidgetDecoderAudFmtShowProcess(d0);
        break;
    case E_GUI_SYS_EVT_HDMI_OUT_ROUTING_POWER:
        guiWidgetHdmiOutRoutingPowerProcess(d0);
        break;
    case E_GUI_SYS_EVT_HDMI_OUT_ROUTING_SRC:
        guiWidgetHdmiOutRoutingSrcProcess(d0);
        break;
    case E_GUI_SYS_EVT_HDMI_OUT_VOL_SET:
        guiWidgetHdmiOutVolSetProcess(d0);
        break;
    case E_GUI_SYS_EVT_HDMI_OUT_MUTE_SET:
        guiWidgetHdmiOutMuteSetProcess(d0);
        break;
    case E_GUI_SYS_EVT_HDMI_OUT_ARC_SHOW:
        guiWidgetHdmiOutArcShowProcess(d0);
        break;
    case E_GUI_SYS_EVT_NAND_PARAM_SET:
        guiWidgetNandParamSetProcess(msg);
        break;
    case E_GUI_SYS_EVT_TV_SETTING_UPDATE_0:
    case E_GUI_SYS_EVT_TV_SETTING_UPDATE_1:
        guiWidgetTvSettingUpdateProcess(payloadU16(*msg));
        break;
    case E_GUI_SYS_EVT_SYS_REBOOT:
        GUI_LOG_INFO("########System Reboot#########!");
        guiWidgetSysReboot();
        break;
    case E_GUI_SYS_EVT_DSP_VER_READ:
        guiWidgetDspVerReadProcess(1);
        break;
    default:
        break;
    }
}
